// The interpreter's model for one Solve call: the session's variable cells,
// rows, bounds, types, start values and right-hand sides gathered into a
// load request, the workbook opened through automation for the formula
// reader, the load itself (interpreter/Load_Model), its findings written to
// the front end's result range, the first error reported with its cell, and
// the model released at the end of the call.
#include <cstdlib>
#include <string>
#include <vector>

#include "contract/Host_Eval.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Sess_Evaluation.h"
#include "entry/Sess_Results.h"
#include "entry/Sess_Variables.h"
#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "interpreter/Load_Model.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Prog_Program.h"
#include "platform/os/Os.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Application.h"

namespace {

// The automation object the host holds as its opaque workbook handle.
ExcelAutomation* workbookOf(const EvalHost& host) { return reinterpret_cast<ExcelAutomation*>(host.excel); }

// The automation object over the active workbook, its sheets read; null
// when the application or the workbook cannot be reached.
ExcelAutomation* openWorkbook(EvalContext* ctx, std::intptr_t handle) {
  ExcelAutomation* ea = Com_create(ctx);
  auto* app = reinterpret_cast<AutoObject*>(handle);
  const bool attached = app ? Com_attachApplication(ea, app) : Com_createExcel(ea, Auto_applicationProgId);
  if (attached && Com_openWorkbook(ea, nullptr) && Com_readSheets(ea)) {
    // The worksheet functions that the application computes call through it.
    if (Com_getWorksheetFunction(ea)) Wsf_setApplicationCall(Com_callWorksheetFunctionValues);
    return ea;
  }
  Com_destroy(ea);
  return nullptr;
}

// A sheet index as positions hold it; 0 (none) past the last they hold,
// never another sheet.
uint8_t heldSheet(int32_t index) { return index >= 1 && index <= kRefMaxSheet ? static_cast<uint8_t>(index) : 0; }

// The sheet-table index of a reference's sheet: the active sheet's, else
// the one its name gives ("[Book]Sheet" with the book cut off); 0 for none.
uint8_t sheetIndexOf(ExcelAutomation* ea, const XLOPER* ref) {
  const IDSHEET sheet = Area_sheetOf(ref);
  if (sheet == 0 || sheet == Xl_activeSheetId()) return heldSheet(ea->activeSheet);
  std::string name;
  if (!Xl_sheetNameOfRef(ref, &name)) return 0;
  const size_t bracket = name.find(']');
  if (bracket != std::string::npos) name = name.substr(bracket + 1);
  return heldSheet(Com_findSheetIndex(ea, Text_fromUtf8(name).c_str()));
}

// Whether a 0-based area of the callback interface lies within the rows and
// columns positions hold.
bool heldArea(const XLREF& a) { return a.rwLast < kRefMaxRow && a.colLast < kRefMaxColumn; }

// A one-area reference as a range on the sheet table (1-based); false for
// anything else.
bool rangeOf(ExcelAutomation* ea, const XLOPER* ref, RangeRef* out) {
  const XLREF* areas = nullptr;
  int count = 0;
  if (!Area_areasOf(ref, &areas, &count) || count != 1 || !heldArea(areas[0])) return false;
  const uint8_t sheet = sheetIndexOf(ea, ref);
  *out = RangeRef{sheet, static_cast<uint16_t>(areas[0].rwFirst + 1), static_cast<uint8_t>(areas[0].colFirst + 1),
                  static_cast<uint16_t>(areas[0].rwLast + 1), static_cast<uint8_t>(areas[0].colLast + 1)};
  return sheet > 0;
}

// The variable cells in the engines' variable order: by area when the
// order is the areas' own, else cell by cell.
bool variableRanges(LibraryContext* context, ExcelAutomation* ea, std::vector<RangeRef>* out) {
  const XLOPER* ref = context->variables->ref;
  const CellList* list = Sess_getVariableCellList(context->variables);
  const uint8_t sheet = sheetIndexOf(ea, ref);
  const XLREF* areas = nullptr;
  int count = 0;
  if (sheet == 0 || !Area_areasOf(ref, &areas, &count)) return false;
  for (int a = 0; a < count; ++a)
    if (!heldArea(areas[a])) return false;
  const int n = Sess_modelVariables(context);
  if (list->order.empty() && list->distinct == n && list->positions == n) {
    for (int a = 0; a < count; ++a)
      out->push_back(RangeRef{sheet, static_cast<uint16_t>(areas[a].rwFirst + 1),
                              static_cast<uint8_t>(areas[a].colFirst + 1), static_cast<uint16_t>(areas[a].rwLast + 1),
                              static_cast<uint8_t>(areas[a].colLast + 1)});
    return true;
  }
  for (int j = 0; j < n; ++j) {
    AreaCell cell;
    if (!Area_getVariableCell(list, Sess_variableNumber(context, j), &cell)) return false;
    const auto row = static_cast<uint16_t>(cell.row + 1);
    const auto column = static_cast<uint8_t>(cell.column + 1);
    out->push_back(RangeRef{sheet, row, column, row, column});
  }
  return true;
}

static_assert(kLoadRowElementwise == RowElementwise && kLoadRowSecondKind == RowKindB && kLoadRowBound == RowBound &&
                  kLoadRowRhsVaries == RowRhsVaries,
              "the load reads the model reader's row flags");

// One session row; rows that give no function keep only their code.
bool loadRow(ExcelAutomation* ea, const ConstraintRecord& record, LoadRow* row) {
  row->code = record.relation;
  row->flags = record.flags;
  const bool item = (row->code >= kLoadLessEqual && row->code <= kLoadGreaterEqual && !(row->flags & kLoadRowBound)) ||
                    row->code == kLoadCone || row->code == kLoadMinimise || row->code == kLoadMaximise;
  if (!item) return true;
  if (!rangeOf(ea, record.lhs, &row->left)) return false;
  if (row->code >= kLoadCone) return true;
  switch (Xl_type(record.rhs)) {
    case xltypeNum: row->rhsKind = kLoadRhsNumber; return true;
    case xltypeStr: {
      // A formula that does not move with the variables (a defined name, a
      // number written as text, an array) is the numbers the host gives
      // for the row's cells, as the engines read it through the workbook;
      // one that moves is compiled from its text, each cell of an array
      // against the element at its place.
      if (!(record.flags & RowRhsVaries)) {
        row->rhsKind = kLoadRhsNumber;
        return true;
      }
      std::string text;
      if (!Xl_formulaTextOf(record.rhs, &text)) return false;
      row->rhsKind = kLoadRhsText;
      row->rhsText = Text_fromUtf8(text);
      return true;
    }
    case xltypeRef:
    case xltypeSRef: row->rhsKind = kLoadRhsRange; return rangeOf(ea, record.rhs, &row->rhsRange);
    default: return false;
  }
}

// Bounds, types and start values of the variables and sides of the rows as
// the host services give them to engines.
bool readModelData(LibraryContext* context, LoadRequest* rq) {
  const int n = Sess_modelVariables(context) + context->elasticCount;
  const int rows = Host_queryModel(context, QueryRows);
  rq->lower.assign(n, 0.0);
  rq->upper.assign(n, 0.0);
  rq->start.assign(n, 0.0);
  rq->types.assign(n, 0);
  rq->rowLower.assign(rows > 0 ? rows : 1, 0.0);
  rq->rowUpper.assign(rows > 0 ? rows : 1, 0.0);
  std::vector<int> types(n, 0);
  if (!Host_getVariableBounds(context, rq->lower.data(), rq->upper.data(), rq->rowLower.data(), rq->rowUpper.data()) ||
      !Host_getVariableTypes(context, types.data()) || !Host_getInitialValues(context, rq->start.data()))
    return false;
  rq->types.assign(types.begin(), types.end());
  return true;
}

bool buildRequest(LibraryContext* context, ExcelAutomation* ea, LoadRequest* rq) {
  if (!variableRanges(context, ea, &rq->variableRanges)) return false;
  for (const ConstraintRecord& record : context->constraints->records) {
    rq->rows.emplace_back();
    if (!loadRow(ea, record, &rq->rows.back())) return false;
  }
  if (ea->activeSheet >= 1 && ea->activeSheet < static_cast<int32_t>(ea->sheetNames.size()))
    rq->activeSheetName = ea->sheetNames[static_cast<size_t>(ea->activeSheet)];
  const int engine = Host_getEngineIndex(context);
  rq->skipCones = Host_getEngineInfoItem(context, engine, EngineInfoCones) != 0;
  rq->nonSmoothAllowed = Host_queryModel(context, QueryIrs) == 0;
  rq->freeBytes = Os_freePhysicalMemory();
  return readModelData(context, rq);
}

// "Sheet1!$B$3" of a cell of the sheet table.
std::string cellText(const ExcelAutomation* ea, const CellRef& cell) {
  std::string text;
  if (ea && cell.sheet < ea->sheetNames.size()) text = Text_toUtf8(ea->sheetNames[cell.sheet]) + "!";
  return text + Text_toUtf8(Com_formatAddress(cell.row, cell.column, 1, true));
}

// "Sheet1!$B$3" of an added variable's or function's cell, else its name.
std::string addedText(const ExcelAutomation* ea, const LoadAdded& added) {
  return added.cell.sheet > 0 ? cellText(ea, added.cell) : Text_toUtf8(added.name);
}

// The added variables and functions, one row each (sheet, text, type or
// relation), with the model's counts and its cell count.
void reportAdded(LibraryContext* context, const ExcelAutomation* ea, const LoadReport& report) {
  std::vector<std::string> texts;
  for (const auto* list : {&report.addedVariables, &report.addedFunctions})
    for (const LoadAdded& added : *list) texts.push_back(addedText(ea, added));
  std::vector<ExtraRow> rows;
  size_t k = 0;
  for (const auto* list : {&report.addedVariables, &report.addedFunctions})
    for (const LoadAdded& added : *list) rows.push_back(ExtraRow{added.cell.sheet, texts[k++].c_str(), added.type});
  const int variables = static_cast<int>(report.addedVariables.size());
  const int functions = static_cast<int>(report.addedFunctions.size());
  const int counts[3] = {variables, functions, static_cast<int>(report.cells)};
  Sess_storeModelCounts(context, counts, 1, rows.data(), variables, rows.data() + variables, functions);
}

// The cells of badly scaled additions and the size of the compiled model
// in the front end's result range, after the added variables and functions.
void reportAnalysis(LibraryContext* context, const ExcelAutomation* ea, const LoadReport& report) {
  std::vector<std::string> texts;
  for (const CellRef& cell : report.scalingCells) texts.push_back(cellText(ea, cell));
  std::vector<const char*> pointers;
  for (const std::string& t : texts) pointers.push_back(t.c_str());
  Sess_storeAnalysisCounts(
      context, texts.empty() ? 0 : 1, static_cast<int>(texts.size()), static_cast<int>(report.cells), pointers.data(),
      static_cast<int>(report.addedVariables.size()), static_cast<int>(report.addedFunctions.size()));
}

}  // namespace

int Interp_loadModel(LibraryContext* context, std::intptr_t handle, int skipCellCount, int bigM, int listAdded,
                     int checkValues, int compactDerivatives, int tableFlag) {
  if (!context || Sess_modelVariables(context) < 1 || Host_queryModel(context, QueryRows) < 1) return kLoadEmpty;
  EvalContext* ctx = Load_createContext(context);
  if (!ctx) return kLoadNoMemory;
  context->evalContext = ctx;
  context->plainProgram = nullptr;
  ctx->host.excel = reinterpret_cast<EvalWorkbook*>(openWorkbook(ctx, handle));
  LoadRequest rq;
  ExcelAutomation* ea = workbookOf(ctx->host);
  if (!ea || !context->variables || !context->constraints || !buildRequest(context, ea, &rq)) return kLoadHostFailure;
  rq.skipCellCount = skipCellCount != 0;
  rq.bigM = bigM != 0;
  rq.checkValues = checkValues != 0;
  rq.listAdded = listAdded != 0;
  rq.activeSheetFormulasOnly = tableFlag != 0;
  rq.compactDerivatives = compactDerivatives != 0 ? 1 : 0;
  auto* source = new ComReaderSource(ea);
  LoadReport report;
  const int result = Load_model(ctx, source, rq, &report);
  if (!ctx->tables.reader) delete source;  // never handed over
  if (result == kLoadCompileFailed) Interp_reportError(context);
  if (result == kLoadOk && !report.addedVariables.empty()) reportAdded(context, workbookOf(ctx->host), report);
  if (result == kLoadOk) reportAnalysis(context, workbookOf(ctx->host), report);
  return result;
}

int Interp_refreshArrayBlocks(LibraryContext* context, std::intptr_t) {
  EvalContext* ctx = context ? context->evalContext : nullptr;
  if (!ctx || !workbookOf(ctx->host)) return 0;
  Model_showProgress(&ctx->host, kProgressUpdating, 0);
  if (ctx->tables.program) Prog_refreshArrays(ctx->tables.program);
  else Com_loadUsedRange(workbookOf(ctx->host), workbookOf(ctx->host)->activeSheet);
  Model_showProgress(&ctx->host, kProgressClear, 0);
  return 0;
}

int Interp_freeModel(LibraryContext* context) {
  EvalContext* ctx = context ? context->evalContext : nullptr;
  if (!ctx) return 0;
  // The reader's source and the automation object go first: nothing of the
  // model's teardown reads the workbook.
  delete (ctx->tables.reader ? ctx->tables.reader->source : nullptr);
  Com_destroy(workbookOf(ctx->host));
  ctx->host.excel = nullptr;
  Load_freeModel(ctx);
  context->evalContext = nullptr;
  context->plainProgram = nullptr;
  return 0;
}

std::string Interp_cellText(const EvalHost& host, const CellRef& cell) { return cellText(workbookOf(host), cell); }

int Interp_reportError(LibraryContext* context) {
  const EvalContext* ctx = context ? context->evalContext : nullptr;
  if (!ctx) return 0;
  const int codes[4] = {ctx->errors.errorCount, ctx->errors.warningCount, ctx->errors.firstError,
                        ctx->errors.firstWarning};
  const CellRef& at = ctx->errors.errorCell;
  const bool placed = at.sheet > 0 && at.row > 0 && at.column > 0;
  const std::string text = placed ? cellText(workbookOf(ctx->host), at) : std::string();
  return Sess_storeErrorCell(context, codes, placed ? text.c_str() : nullptr);
}
