// The front end's names read from its own sheet (the labels of the status
// lines, the engine list range and the "Show" macro), and running that macro.
#include "contract/Eng_Engine.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Area_Areas.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

constexpr const char* kNames[MessageNameCount] = {
    "Show",        "solver_tbl",   "msg_setup",  "msg_fpsetup", "msg_trial", "msg_branch", "msg_incumb",
    "msg_setcell", "msg_feasible", "msg_limits", "msg_done",    "msg_bound", "msg_gap",
    "msg_stall"};

// "[Book]Sheet" of the calling macro's sheet, through a sheet-local
// reference to its first cell.
bool callerSheetName(std::string* out) {
  XLOPER a1{};
  a1.xltype = xltypeSRef;
  a1.val.sref.count = 1;
  a1.val.sref.ref = Area_cellArea(0, 0);
  return Xl_sheetNameOfRef(&a1, out) && !out->empty();
}

// The value of `name` as defined on the sheet; none when it is not defined
// (or holds an error).
XLOPER* evaluateOnSheet(const std::string& sheetName, const char* name) {
  std::string text = "'";
  for (char c : sheetName) {
    text += c;
    if (c == '\'') text += '\'';   // a quote inside the name is doubled
  }
  text += "'!";
  text += name;
  XLOPER* argument = Xl_newText(text.data(), text.size());
  if (!argument) return nullptr;
  XLOPER result{};
  int rc = Excel4(xlfEvaluate, &result, 1, argument);
  Xl_freeValue(argument);
  if (rc != xlretSuccess) return nullptr;
  XLOPER* copy = Xl_type(&result) == xltypeErr ? nullptr : Xl_newCopy(&result);
  Xl_giveBack(&result);
  return copy;
}

// A one-cell reference becomes a sheet-local reference to the same cell,
// so that the application reads it on the front end's own sheet.
void makeSheetLocal(XLOPER** entry) {
  const XLREF* areas;
  int count;
  if (!*entry || Xl_type(*entry) != xltypeRef || !Area_isSingleCell(*entry) ||
      !Area_areasOf(*entry, &areas, &count))
    return;
  XLOPER local{};
  local.xltype = xltypeSRef;
  local.val.sref.count = 1;
  local.val.sref.ref = areas[0];
  XLOPER* copy = Xl_newCopy(&local);
  if (!copy) return;
  Xl_freeValue(*entry);
  *entry = copy;
}

// A label as text; none when it does not convert.
void makeText(XLOPER** entry) {
  if (!*entry) return;
  XLOPER* text = Xl_coerce(*entry, xltypeStr);
  Xl_freeValue(*entry);
  *entry = text;
}

}  // namespace

int Msg_readMessageNames(LibraryContext* context) {
  Msg_freeMessageNames(context);
  std::string sheetName;
  if (!callerSheetName(&sheetName)) return 0;
  context->frontEndNames = Xl_newValueList(MessageNameCount);
  if (!context->frontEndNames) return 0;
  std::vector<XLOPER*>& items = context->frontEndNames->items;
  for (int k = 0; k < MessageNameCount; ++k) items[k] = evaluateOnSheet(sheetName, kNames[k]);
  Msg_findEngineListRange(context, sheetName);
  for (int k = MsgSetup; k < MessageNameCount; ++k) makeText(&items[k]);
  makeSheetLocal(&items[MsgShow]);
  makeSheetLocal(&items[MsgTable]);
  return 1;
}

void Msg_freeMessageNames(LibraryContext* context) {
  Xl_freeValueList(context->frontEndNames);
  context->frontEndNames = nullptr;
}

int Msg_findEngineListRange(LibraryContext* context, const std::string& sheetName) {
  if (!context->frontEndNames) return 0;
  XLOPER*& table = context->frontEndNames->items[MsgTable];
  if (!table) table = evaluateOnSheet(sheetName, "solver_table");
  return 1;
}

const XLOPER* Msg_getMessageName(const LibraryContext* context, int k) {
  if (!context->frontEndNames || k < 0 || k >= MessageNameCount) return nullptr;
  return context->frontEndNames->items[k];
}

std::string Msg_getMessageText(const LibraryContext* context, int k) {
  if (k < MsgSetup) return {};
  return Xl_textOf(Msg_getMessageName(context, k));
}

int Msg_askShowMacro(LibraryContext* context, int reason, int defaultCode) {
  const XLOPER* macro = Msg_getMessageName(context, MsgShow);
  if (!macro) return defaultCode;
  XLOPER why = Xl_number(reason);
  XLOPER answer{};
  if (Excel4(xlUDF, &answer, 2, const_cast<XLOPER*>(macro), &why) != xlretSuccess) return defaultCode;
  double value = 0;
  if (Xl_type(&answer) == xltypeNum) value = answer.val.num;
  else if (Xl_type(&answer) == xltypeInt) value = answer.val.w;
  Xl_giveBack(&answer);
  if (value == 1) return StopContinue;
  if (value == 2) return StopByUser;
  return defaultCode;
}
