// The application, its workbooks, a workbook, its sheets and a worksheet as
// automation objects.
#include <algorithm>

#include "platform/automation/Auto_Internal.h"
#include "platform/calc/Calc.h"
#include "platform/os/Os.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kMaxRow = 1048575, kMaxCol = 16383;
constexpr int kSheetVisible = -1, kSheetHidden = 0;

// Settings the application object carries, and the workbooks it opened.
struct AppState {
  bool displayAlerts = true;
  bool visible = false;
  std::vector<std::string> opened;   // files opened through automation
};

AppState& appState() {
  static AppState s;
  return s;
}

AutoResult noWorkbook(AutoCall& call) { return call.raise(Auto_excFailed, "No workbook is open."); }

AutoResult getBool(AutoCall& call, bool* flag) {
  if (call.kind & Auto_propertyPut) {
    AutoResult rc;
    return call.putBoolean(flag, &rc) ? Auto_ok : rc;
  }
  Auto_setBool(call.result, *flag);
  return Auto_ok;
}

// ---- Application ----

AutoResult appActiveSheet(AutoCall& call) {
  Workbook* wb = Wb_activeWorkbook();
  if (!wb || !Wb_activeSheet(wb)) return noWorkbook(call);
  return Auto_returnObject(call, Auto_sheetObject(wb, wb->activeSheet));
}

AutoResult appActiveWorkbook(AutoCall& call) {
  Workbook* wb = Wb_activeWorkbook();
  if (!wb) return noWorkbook(call);
  return Auto_returnObject(call, Auto_newObject(AutoKind::Workbook, wb));
}

AutoResult appWorkbooks(AutoCall& call) { return Auto_returnObject(call, Auto_newObject(AutoKind::Workbooks)); }

AutoResult appRange(AutoCall& call) {
  Workbook* wb = Wb_activeWorkbook();
  if (!wb || !Wb_activeSheet(wb)) return noWorkbook(call);
  return Auto_rangeMember(call, wb, wb->activeSheet, false);
}

AutoResult appSheets(AutoCall& call) {
  Workbook* wb = Wb_activeWorkbook();
  if (!wb) return noWorkbook(call);
  return Auto_returnObject(call, Auto_newObject(AutoKind::Sheets, wb));
}

AutoResult appWorksheetFunction(AutoCall& call) {
  return Auto_returnObject(call, Auto_newObject(AutoKind::WorksheetFunction));
}

AutoResult appDisplayAlerts(AutoCall& call) { return getBool(call, &appState().displayAlerts); }
AutoResult appVisible(AutoCall& call) { return getBool(call, &appState().visible); }

AutoResult appName(AutoCall& call) {
  Auto_setText(call.result, "Corvan Spreadsheet");
  return Auto_ok;
}

AutoResult appCalculate(AutoCall&) {
  Calc_recalculateAll();
  return Auto_ok;
}

// The in-process application outlives its clients: Quit closes only the
// workbooks opened through automation and restores the settings.
AutoResult appQuit(AutoCall&) {
  AppState& s = appState();
  for (const std::string& path : s.opened) {
    auto& list = Wb_app().workbooks;
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& wb) { return wb->path == path; });
    if (it != list.end()) Wb_closeWorkbook(it->get());
  }
  s = AppState{};
  return Auto_ok;
}

// ---- Workbooks ----

int workbookByName(const AutoObject*, const std::string& name) {
  const auto& list = Wb_app().workbooks;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (Wb_equalNoCase(list[i]->name, name)) return static_cast<int>(i);
  return -1;
}

AutoResult workbooksCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(Wb_app().workbooks.size()));
  return Auto_ok;
}

AutoResult workbooksItem(AutoCall& call) {
  int i;
  AutoResult rc = Auto_indexOrName(call, 0, static_cast<int>(Wb_app().workbooks.size()), workbookByName, &i);
  if (i < 0) return rc;
  return Auto_returnObject(call, Auto_newObject(AutoKind::Workbook, Wb_app().workbooks[i].get()));
}

AutoResult workbooksOpen(AutoCall& call) {
  std::string path, error;
  AutoResult rc;
  if (!call.text(0, &path, &rc)) return rc;
  // Files are found as the platform the library was made for finds them,
  // whatever the case of their names (formulas name books in lower case).
  if (std::string found = Os_fileIgnoringCase(path); !found.empty()) path = found;
  auto& list = Wb_app().workbooks;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i]->path == path) {   // already open: it becomes the active one again
      Wb_app().activeWorkbook = static_cast<int>(i);
      return Auto_returnObject(call, Auto_newObject(AutoKind::Workbook, list[i].get()));
    }
  Workbook* wb = Xlsx_open(path, &error);
  if (!wb) return call.raise(Auto_excFailed, error);
  Calc_afterChange(wb);
  appState().opened.push_back(wb->path);
  return Auto_returnObject(call, Auto_newObject(AutoKind::Workbook, wb));
}

// ---- Workbook ----

AutoResult bookSheets(AutoCall& call) { return Auto_returnObject(call, Auto_newObject(AutoKind::Sheets, call.self->wb)); }
AutoResult bookNames(AutoCall& call) { return Auto_returnObject(call, Auto_newObject(AutoKind::Names, call.self->wb)); }
AutoResult bookStyles(AutoCall& call) { return Auto_returnObject(call, Auto_newObject(AutoKind::Styles, call.self->wb)); }

AutoResult bookName(AutoCall& call) {
  Auto_setText(call.result, call.self->wb->name);
  return Auto_ok;
}

AutoResult bookFullName(AutoCall& call) {
  Auto_setText(call.result, call.self->wb->path.empty() ? call.self->wb->name : call.self->wb->path);
  return Auto_ok;
}

AutoResult bookActiveSheet(AutoCall& call) {
  Workbook* wb = call.self->wb;
  if (!Wb_activeSheet(wb)) return noWorkbook(call);
  return Auto_returnObject(call, Auto_sheetObject(wb, wb->activeSheet));
}

// Removes a number format from the workbook: cells and styles that used it fall back to General.
AutoResult bookDeleteNumberFormat(AutoCall& call) {
  std::string format;
  AutoResult rc;
  if (!call.text(0, &format, &rc)) return rc;
  if (format.empty() || Wb_equalNoCase(format, "General") || Xlsx_builtinFormatId(format) >= 0)
    return call.raise(Auto_excFailed, "A built-in number format cannot be deleted.");
  Workbook* wb = call.self->wb;
  for (auto& sh : wb->sheets)
    for (auto& [key, cell] : sh->cells)
      if (cell.numberFormat == format) cell.numberFormat.clear();
  for (CellStyle& st : wb->styles)
    if (st.numberFormat == format) st.numberFormat.clear();
  Auto_setBool(call.result, true);
  return Auto_ok;
}

// ---- Sheets ----

int sheetByName(const AutoObject* self, const std::string& name) { return Wb_sheetIndex(self->wb, name); }

AutoResult sheetsCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(call.self->wb->sheets.size()));
  return Auto_ok;
}

AutoResult sheetsItem(AutoCall& call) {
  int i;
  AutoResult rc = Auto_indexOrName(call, 0, static_cast<int>(call.self->wb->sheets.size()), sheetByName, &i);
  if (i < 0) return rc;
  return Auto_returnObject(call, Auto_sheetObject(call.self->wb, i));
}

// The sheet index a Before or After argument names, or -1.
int sheetArgument(AutoCall& call, std::size_t param) {
  const AutoObject* o = Auto_argumentObject(call.args[param], AutoKind::Worksheet);
  if (!o || o->wb != call.self->wb) return -1;
  return Auto_sheetIndexOf(o);
}

AutoResult sheetsAdd(AutoCall& call) {
  Workbook* wb = call.self->wb;
  int at = std::max(0, wb->activeSheet);
  std::int32_t count = 1;
  AutoResult rc;
  if (call.has(0) && (at = sheetArgument(call, 0)) < 0) return call.fail(Auto_eTypeMismatch, 0);
  if (call.has(1)) {
    if ((at = sheetArgument(call, 1)) < 0) return call.fail(Auto_eTypeMismatch, 1);
    ++at;
  }
  if (call.has(2) && !call.integer(2, &count, &rc)) return rc;
  if (count < 1 || count > 255) return call.raise(Auto_excFailed, "Sheets can be added 1 to 255 at a time.");
  for (std::int32_t k = 0; k < count; ++k) {
    int n = 1;
    while (Wb_sheetIndex(wb, "Sheet" + std::to_string(n)) >= 0) ++n;
    Wb_insertSheet(wb, at, "Sheet" + std::to_string(n));
  }
  wb->activeSheet = at;
  return Auto_returnObject(call, Auto_sheetObject(wb, at));
}

// ---- Worksheet ----

int visibleSheets(const Workbook* wb) {
  return static_cast<int>(std::count_if(wb->sheets.begin(), wb->sheets.end(), [](const auto& s) { return s->visible; }));
}

AutoResult sheetIndex(AutoCall& call) {
  Auto_setInt(call.result, Auto_sheetIndexOf(call.self) + 1);
  return Auto_ok;
}

AutoResult sheetName(AutoCall& call) {
  Auto_setText(call.result, call.self->sheet->name);
  return Auto_ok;
}

AutoResult sheetRange(AutoCall& call) { return Auto_rangeMember(call, call.self->wb, Auto_sheetIndexOf(call.self), true); }

AutoResult sheetUsedRange(AutoCall& call) {
  CellRange used;
  if (!Wb_usedRange(call.self->sheet, &used)) used = CellRange{};
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {used}));
}

AutoResult sheetCells(AutoCall& call) {
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {CellRange{0, 0, 0, kMaxRow, kMaxCol}}));
}

AutoResult sheetNames(AutoCall& call) {
  return Auto_returnObject(call, Auto_newObject(AutoKind::Names, call.self->wb, call.self->sheet));
}

AutoResult sheetVisible(AutoCall& call) {
  Sheet* sh = call.self->sheet;
  if (!(call.kind & Auto_propertyPut)) {
    Auto_setInt(call.result, sh->visible ? kSheetVisible : kSheetHidden);
    return Auto_ok;
  }
  bool visible;
  AutoResult rc;
  if (!call.putBoolean(&visible, &rc)) return rc;
  if (!visible && sh->visible && visibleSheets(call.self->wb) == 1)
    return call.raise(Auto_excFailed, "The last visible sheet cannot be hidden.");
  sh->visible = visible;
  return Auto_ok;
}

AutoResult sheetActivate(AutoCall& call) {
  Workbook* wb = call.self->wb;
  wb->activeSheet = Auto_sheetIndexOf(call.self);
  const auto& list = Wb_app().workbooks;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == wb) Wb_app().activeWorkbook = static_cast<int>(i);
  return Auto_ok;
}

AutoResult sheetDelete(AutoCall& call) {
  Workbook* wb = call.self->wb;
  if (call.self->sheet->visible && visibleSheets(wb) == 1)
    return call.raise(Auto_excFailed, "A workbook must keep at least one visible sheet.");
  if (!Wb_deleteSheet(wb, Auto_sheetIndexOf(call.self)))
    return call.raise(Auto_excFailed, "The last sheet of a workbook cannot be deleted.");
  Calc_afterChange(wb);
  Auto_setBool(call.result, true);
  return Auto_ok;
}

constexpr AutoInvokeKind kGet = Auto_propertyGet | Auto_method;
constexpr AutoInvokeKind kGetPut = kGet | Auto_propertyPut;

}  // namespace

int Auto_sheetIndexOf(const AutoObject* obj) {
  int index;
  Auto_alive(obj, &index);
  return index;
}

AutoObject* Auto_sheetObject(Workbook* wb, int sheet) {
  return Auto_newObject(AutoKind::Worksheet, wb, wb->sheets[sheet].get());
}

AutoResult Auto_indexOrName(AutoCall& call, std::size_t param, int count,
                            int (*byName)(const AutoObject* self, const std::string& name), int* out) {
  *out = -1;
  const AutoVariant* v = call.args[param];
  AutoResult rc;
  if (v->vt == Auto_vtString) {
    std::string name;
    call.text(param, &name, &rc);
    *out = byName(call.self, name);
  } else {
    std::int32_t i;
    if (!call.integer(param, &i, &rc)) return rc;
    if (i >= 1 && i <= count) *out = i - 1;
  }
  return *out < 0 ? call.raise(Auto_excNotFound, "Subscript out of range.") : Auto_ok;
}

const std::vector<AutoMember>& Auto_applicationMembers() {
  static const std::vector<AutoMember> m = {
    {"ActiveSheet", kGet, {}, 0, appActiveSheet},
    {"ActiveWorkbook", kGet, {}, 0, appActiveWorkbook},
    {"Calculate", Auto_method, {}, 0, appCalculate},
    {"DisplayAlerts", kGetPut, {}, 0, appDisplayAlerts},
    {"Name", kGet, {}, 0, appName},
    {"Quit", Auto_method, {}, 0, appQuit},
    {"Range", kGet, {"Cell1", "Cell2"}, 1, appRange},
    {"Sheets", kGet, {}, 0, appSheets, true},
    {"Visible", kGetPut, {}, 0, appVisible},
    {"Workbooks", kGet, {}, 0, appWorkbooks, true},
    {"Worksheets", kGet, {}, 0, appSheets, true},
    {"WorksheetFunction", kGet, {}, 0, appWorksheetFunction},
  };
  return m;
}

const std::vector<AutoMember>& Auto_workbooksMembers() {
  static const std::vector<AutoMember> m = {
    {"Count", kGet, {}, 0, workbooksCount},
    {"Item", kGet, {"Index"}, 1, workbooksItem},
    {"Open", Auto_method, {"Filename"}, 1, workbooksOpen},
  };
  return m;
}

const std::vector<AutoMember>& Auto_workbookMembers() {
  static const std::vector<AutoMember> m = {
    {"ActiveSheet", kGet, {}, 0, bookActiveSheet},
    {"DeleteNumberFormat", Auto_method, {"NumberFormat"}, 1, bookDeleteNumberFormat},
    {"FullName", kGet, {}, 0, bookFullName},
    {"Name", kGet, {}, 0, bookName},
    {"Names", kGet, {}, 0, bookNames, true},
    {"Sheets", kGet, {}, 0, bookSheets, true},
    {"Styles", kGet, {}, 0, bookStyles, true},
    {"Worksheets", kGet, {}, 0, bookSheets, true},
  };
  return m;
}

const std::vector<AutoMember>& Auto_sheetsMembers() {
  static const std::vector<AutoMember> m = {
    {"Add", Auto_method, {"Before", "After", "Count", "Type"}, 0, sheetsAdd},
    {"Count", kGet, {}, 0, sheetsCount},
    {"Item", kGet, {"Index"}, 1, sheetsItem},
  };
  return m;
}

const std::vector<AutoMember>& Auto_worksheetMembers() {
  static const std::vector<AutoMember> m = {
    {"Activate", Auto_method, {}, 0, sheetActivate},
    {"Cells", kGet, {}, 0, sheetCells, true},
    {"Delete", Auto_method, {}, 0, sheetDelete},
    {"Index", kGet, {}, 0, sheetIndex},
    {"Name", kGet, {}, 0, sheetName},
    {"Names", kGet, {}, 0, sheetNames, true},
    {"Range", kGet, {"Cell1", "Cell2"}, 1, sheetRange},
    {"UsedRange", kGet, {}, 0, sheetUsedRange},
    {"Visible", kGetPut, {}, 0, sheetVisible},
  };
  return m;
}
