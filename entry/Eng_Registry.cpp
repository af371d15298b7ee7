// Engine registry: the built-in engine rows, loading plug-in engine
// libraries by ordinal, discovering them beside the library by their version
// blocks, the engine list of `Solve` action 8, and load-and-run.
#include "entry/Eng_Registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "contract/Eng_Builtins.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_Runner.h"
#include "entry/Entry_Context.h"
#include "excel/Xl_Value.h"
#include "platform/xlcall/Xlcall.h"

namespace {

struct BuiltinEngine {
  EngineOp load, setup, solve, finish, free;
  const char* file;
  const char* addIn;
  const char* name;
};

// Engines not built into this library refuse `setup` with status 8.
constexpr BuiltinEngine kBuiltins[EngineBuiltinCount] = {
  {Grg_engineLoad, Grg_engineSetup, Grg_engineSolve, Grg_engineFinish, Eng_freeNothing,
   "KVAENG.DLL", "KVAENG.XLA", "Standard GRG Nonlinear  "},
  {Lp_engineLoad, Lp_engineSetup, Lp_engineSolve, Lp_engineFinish, Eng_freeNothing,
   "TXENG.DLL", "TXENG.XLA", "Standard LP/Quadratic   "},
  {Evo_engineLoad, Evo_engineSetup, Evo_engineSolve, Evo_engineFinish, Eng_freeNothing,
   "VELENG.DLL", "VELENG.XLA", "Standard Evolutionary   "},
  {Ia_engineLoad, Ia_engineSetup, Ia_engineSolve, Ia_engineFinish, Eng_freeNothing,
   "BOSENG.DLL", "BOSENG.XLA", "Standard Interval Global"},
  {Socp_engineLoad, Socp_engineSetup, Socp_engineSolve, Socp_engineFinish, Eng_freeNothing,
   "FAWNENG.DLL", "FAWNENG.XLA", "Standard SOCP Barrier"},
};

constexpr unsigned kMaxVersionBlock = 4096;
constexpr const char* kIncompatible = "Solver Engine is incompatible with Corvanta";

void setCounted(unsigned char* row, const std::string& text) {
  std::size_t length = std::min<std::size_t>(text.size(), EngineNameChars - 1);
  row[0] = static_cast<unsigned char>(length);
  std::memcpy(row + 1, text.data(), length);
}

bool isStandardFile(const char* file) {
  for (const auto& engine : kBuiltins)
    if (strcasecmp(engine.file, file) == 0) return true;
  return false;
}

std::string versionText(const char* block, const char* item, bool* found) {
  std::string path = std::string("\\StringFileInfo\\040904b0\\") + item;
  const char* value = nullptr;
  unsigned length = 0;
  if (!Os_verQueryValue(block, path.c_str(), &value, &length)) *found = false;
  return *found ? std::string(value, length) : std::string();
}

// Reads the plug-in's version block; true when it is an engine of this
// product, with its add-in file and display name filled in.
bool acceptPlugin(const std::string& path, unsigned char* addIn, unsigned char* name) {
  unsigned size = Os_getFileVersionInfoSize(path.c_str());
  char block[kMaxVersionBlock];
  if (size == 0 || size > kMaxVersionBlock || !Os_getFileVersionInfo(path.c_str(), size, block))
    return false;
  bool found = true;
  std::string product = versionText(block, "ProductName", &found);
  std::string internal = versionText(block, "InternalName", &found);
  std::string description = versionText(block, "FileDescription", &found);
  std::string version = versionText(block, "FileVersion", &found);
  if (!found || product != "Corvanta" || version.empty() || version[0] != '6') return false;
  setCounted(addIn, internal.substr(0, 26) + ".XLA");
  setCounted(name, description.substr(0, 30));
  return true;
}

// One file of the search: fills one row of the tables; true when it is kept.
bool addPlugin(LibraryContext* context, const char* file, char* fileRow, unsigned char* addIn,
               unsigned char* name) {
  std::memset(fileRow, 0, EngineNameChars);
  std::memset(addIn, 0, EngineNameChars);
  std::memset(name, 0, EngineNameChars);
  bool fits = std::strlen(file) < EngineNameChars;
  if (fits && acceptPlugin(std::string(context->directory) + file, addIn, name)) {
    std::strcpy(fileRow, file);
    return true;
  }
  Os_messageBox(kIncompatible, file, 0);
  return false;
}

// Reports a failed plug-in load in the two message boxes; returns 13.
int loadFailure(LibraryContext* context, const char* message, const char* file, OsModule module) {
  unsigned error = Os_lastError();
  char text[600];
  std::snprintf(text, sizeof text, "%s\nPath=%s%s", message, context->directory, file);
  Os_messageBox(text, EngineLoadCaption, 0);
  Os_messageBox(Os_errorText(error).c_str(), EngineLoadReasonCaption, 0);
  if (module) Os_freeLibrary(module);
  return StatusHostFailure;
}

int runPlugin(LibraryContext* context, LibraryContext* owner, int index, int run) {
  const char* file = context->engineFiles[index];
  EngineInfo* info = &context->engineInfos[index];
  EngineEntry* row = &context->engines[context->engineCount];
  *row = EngineEntry{};
  OsModule module = Eng_loadLibrary(context, file);
  if (!module) return loadFailure(context, "Attempt to load Engine DLL failed", file, nullptr);
  auto load = reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 2));
  if (!load) return loadFailure(context, "Engine Load() entry point not found", file, module);
  auto free = reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 6));
  if (!free) return loadFailure(context, "Engine Free() entry point not found", file, module);
  info->module = Os_moduleOfAddress(reinterpret_cast<const void*>(load));
  if (!info->module) return loadFailure(context, "DLL hInstance invalid", file, module);
  if (!load(info)) return loadFailure(context, "Engine Load() call returned error", file, module);
  *row = {owner, load, reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 3)),
          reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 4)),
          reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 5)), free};
  int status = run ? Eng_runEngine(row) : 0;
  free(info);
  *row = EngineEntry{};  // the library goes away with its entry points
  Os_freeLibrary(module);
  return status;
}

// The front end's "solver_tbl" range, a reference on its add-in sheet;
// false (nothing to give back) when it cannot be found.
bool engineListRange(XLOPER* range) {
  XLOPER cell{}, sheet{};
  cell.xltype = xltypeSRef;
  cell.val.sref.count = 1;
  if (Excel4(xlSheetNm, &sheet, 1, &cell) != xlretSuccess) return false;
  std::string text;
  if (Xl_type(&sheet) == xltypeStr)
    text = "'" + std::string(sheet.val.str + 1, static_cast<unsigned char>(sheet.val.str[0])) + "'!solver_tbl";
  Xl_giveBack(&sheet);
  XLOPER* formula = Xl_newText(text.data(), text.size());
  bool evaluated = !text.empty() && formula && Excel4(xlfEvaluate, range, 1, formula) == xlretSuccess;
  Xl_freeValue(formula);
  if (!evaluated) return false;
  if (Xl_type(range) == xltypeRef && range->val.mref.lpmref && range->val.mref.lpmref->count > 0)
    return true;
  Xl_giveBack(range);
  return false;
}

// Writes n rows of (display name, add-in file) from the range's first row.
bool writeEngineRows(const XLOPER& range, EngineCountedName* names, EngineCountedName* addIns, int n) {
  XLOPER cells[2 * EngineRows];
  for (int i = 0; i < n; ++i) {
    cells[2 * i].xltype = cells[2 * i + 1].xltype = xltypeStr;
    cells[2 * i].val.str = reinterpret_cast<char*>(names[i]);
    cells[2 * i + 1].val.str = reinterpret_cast<char*>(addIns[i]);
  }
  XLOPER array{};
  array.xltype = xltypeMulti;
  array.val.array = {cells, static_cast<std::uint16_t>(n), 2};
  XLMREF area{1, {range.val.mref.lpmref->reftbl[0]}};
  area.reftbl[0].rwLast = static_cast<std::uint16_t>(area.reftbl[0].rwFirst + n - 1);
  area.reftbl[0].colLast = static_cast<std::uint8_t>(area.reftbl[0].colFirst + 1);
  XLOPER target{};
  target.xltype = xltypeRef;
  target.val.mref = {&area, range.val.mref.idSheet};
  return Excel4(xlSet, nullptr, 2, &target, &array) == xlretSuccess;
}

}  // namespace

void Eng_registerBuiltins(LibraryContext* context, LibraryContext* owner) {
  for (int i = 0; i < EngineBuiltinCount; ++i) {
    const BuiltinEngine& e = kBuiltins[i];
    context->engines[i] = {owner, e.load, e.setup, e.solve, e.finish, e.free};
  }
}

OsModule Eng_loadLibrary(LibraryContext* context, const char* file) {
  if (!file) return context->moduleHandle;
  OsModule module = Os_loadLibrary((std::string(context->directory) + file).c_str());
  return module ? module : Os_loadLibrary(file);
}

int Eng_findEngineDlls(LibraryContext* context, char (*files)[EngineNameChars],
                       EngineCountedName* addIns, EngineCountedName* names) {
  for (int i = 0; i < EngineBuiltinCount; ++i) {
    std::strcpy(files[i], kBuiltins[i].file);
    setCounted(addIns[i], kBuiltins[i].addIn);
    setCounted(names[i], kBuiltins[i].name);
  }
  int count = EngineBuiltinCount;
  OsFindData found;
  std::string pattern = std::string(context->directory) + "*ENG.DLL";
  OsFindHandle search = Os_findFirstFile(pattern.c_str(), &found);
  for (bool more = search != nullptr; more && count < EngineRows;
       more = count < EngineRows && Os_findNextFile(search, &found)) {
    if (!isStandardFile(found.fileName) &&
        addPlugin(context, found.fileName, files[count], addIns[count], names[count]))
      ++count;
  }
  if (search) Os_findClose(search);
  for (int i = count; i < EngineRows; ++i) std::memset(files[i], 0, EngineNameChars);  // no stale files
  return count;
}

int Eng_writeEngineList(LibraryContext* context) {
  XLOPER range{};
  if (!engineListRange(&range)) return 0;
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};
  int n = Eng_findEngineDlls(context, context->engineFiles, addIns, names);
  bool ok = true;
  for (int i = 0; i < n && ok; ++i) ok = Eng_loadAndRun(context, context, i, 0) == 0;
  ok = ok && writeEngineRows(range, names, addIns, n);
  Xl_giveBack(&range);
  return ok ? n : 0;
}

int Eng_loadAndRun(LibraryContext* context, LibraryContext* owner, int index, int run) {
  Eng_registerBuiltins(context, owner);
  if (index < 0) index = context->currentEngine = Host_getEngineIndex(context);
  if (index < 0 || index >= EngineRows) return StatusBadModel;
  EngineInfo* info = &context->engineInfos[index];
  info->owner = owner;
  if (index >= context->engineCount) return runPlugin(context, owner, index, run);
  info->module = context->moduleHandle;
  EngineEntry* row = &context->engines[index];
  row->load(info);
  int status = run ? Eng_runEngine(row) : 0;
  row->free(info);
  return status;
}
