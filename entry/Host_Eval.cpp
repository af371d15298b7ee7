// Evaluation and model-data services for engines (export ordinals 15-22,
// 26-29, 31-35 and 38-40).
#include "contract/Host_Eval.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Sess_Evaluation.h"
#include "entry/Sess_Results.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Calculation.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "interpreter/Eval_Interface.h"
#include "values/Vm_Context.h"

namespace {

bool excelRequested(const LibraryContext* context) {
  int engine = context->currentEngine;
  return engine >= 0 && engine < EngineIndexCount &&
         (context->engineInfos[engine].capabilities & EngineEvaluateInExcel);
}

bool interpreterFor(const LibraryContext* context, bool checkExcel, bool checkPaused) {
  if (!context->analysed) return false;
  if (checkExcel && excelRequested(context)) return false;
  return !(checkPaused && context->progress.paused);
}

// Feasibility mode: elastic values added to their rows, their sum after the
// rows without the grouped row.
int addElastic(const LibraryContext* context, double* f) {
  if (!context->feasibilityMode) return 1;
  double sum = 0;
  for (int s = 0; s < context->elasticCount; ++s) {
    int id = context->elasticRowIds[s];
    double value = context->elasticValues[s];
    f[std::abs(id) - 1] += id > 0 ? value : -value;
    sum += value;
  }
  f[Sess_rowsWithoutGrouped(context)] = sum;
  return 1;
}

void takeElastic(LibraryContext* context, const double* x) {
  int n = Sess_modelVariables(context);
  for (int s = 0; s < context->elasticCount; ++s) context->elasticValues[s] = x[n + s];
}

// The result of an evaluation through the workbook; one that failed keeps
// the values the variable cells hold, the point it failed at.
int keepFailedPoint(LibraryContext* context, int ok) {
  if (ok) return ok;
  std::vector<double>& point = context->failedPoint;
  point.assign(static_cast<std::size_t>(Sess_modelVariables(context)), 0.0);
  if (point.empty() || !Sess_getCurrentValues(context, point.data())) point.clear();
  return ok;
}

// The variable cells written and the rows read through the workbook; the
// rows only when they are as many as the engine holds.
int evalThroughExcel(LibraryContext* context, double* f, const double* x) {
  Host_noteWorkbookWrite(context);
  return keepFailedPoint(context, Sess_writeAllVariables(context, x) && Host_workbookRowsFit(context) &&
                                      Sess_readFunctions(context, f) && addElastic(context, f));
}

bool relaxed(LibraryContext* context) {
  return !context->feasibilityMode && Host_queryModel(context, QueryRelaxIntegers);
}

// "!name" of the active sheet, evaluated and converted to `type`.
XLOPER* namedValue(const char* name, XLTYPE type) {
  if (!name) return nullptr;
  std::string text = std::string("!") + name;
  XLOPER* nameText = Xl_newText(text.c_str(), text.size());
  XLOPER result{};
  bool ok = nameText && Excel4(xlfEvaluate, &result, 1, nameText) == xlretSuccess;
  Xl_freeValue(nameText);
  XLOPER* converted = ok ? Xl_coerce(&result, type) : nullptr;
  if (ok) Xl_giveBack(&result);
  return converted;
}

// "B3" from "[Book]Sheet!$B$3".
std::string shortAddress(const std::string& text) {
  std::size_t start = text.find('$');
  if (start == std::string::npos) start = text.find('!') == std::string::npos ? 0 : text.find('!') + 1;
  std::string out;
  for (std::size_t k = start; k < text.size(); ++k)
    if (text[k] != '$') out += text[k];
  return out;
}

void copyText(const std::string& text, char* out, int length) {
  if (!out || length < 1) return;
  std::size_t n = text.size() < std::size_t(length - 1) ? text.size() : std::size_t(length - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string cellText(IDSHEET sheet, int row, int column) {
  std::string text;
  Xl_cellRefText(sheet, row, column, 0, &text);
  return shortAddress(text);
}

// The grouped row's address: the objective cell, else the first grouped cell.
std::string groupedRowText(const LibraryContext* context) {
  const ConstraintRecord* chosen = nullptr;
  for (const ConstraintRecord& record : context->constraints->records)
    if ((record.flags & RowGrouped) && (!chosen || (record.flags & RowObjective))) chosen = &record;
  int row, column;
  if (!chosen || !Area_cellOfSingleArea(chosen->lhs, 0, &row, &column)) return {};
  return cellText(Area_sheetOf(chosen->lhs), row, column);
}

// Elastic variables of 0-based constraint row `row`: first index and count.
int elasticOfRow(const LibraryContext* context, int row, int* first) {
  int count = 0;
  for (int s = 0; s < context->elasticCount; ++s) {
    if (std::abs(context->elasticRowIds[s]) - 1 != row) continue;
    if (count++ == 0) *first = s;
  }
  return count;
}

// Feasibility mode: per row 1.0 when its elastic variables are 0, per
// variable 1.0 when it lies on one of its bounds.
void markFeasibility(const LibraryContext* context, const ReportSummary& s,
                     std::vector<double>* perVariable, std::vector<double>* perRow) {
  perVariable->assign(s.n, 0.0);
  perRow->assign(s.m, 1.0);
  for (int j = 0; j < s.n; ++j)
    (*perVariable)[j] = s.values[j] == s.lower[j] || s.values[j] == s.upper[j] ? 1.0 : 0.0;
  for (int e = 0; e < context->elasticCount; ++e) {
    int row = std::abs(context->elasticRowIds[e]) - 1;
    if (row < s.m && context->elasticValues[e] != 0) (*perRow)[row] = 0.0;
  }
}

}  // namespace

int Host_evalProblem(LibraryContext* context, double* f, const double* x) {
  if (!context || !f || !x) return 0;
  ++context->progress.evaluationsOfRun;
  if (!interpreterFor(context, true, true)) return evalThroughExcel(context, f, x);
  if (Interp_evalAll(context, f, x)) {
    takeElastic(context, x);
    return addElastic(context, f);
  }
  evalThroughExcel(context, f, x);
  return 0;
}

int Host_evalProblemBounded(LibraryContext* context, double* f, const double* x, double cutoff,
                            const int* order) {
  if (!context || !f || !x) return 0;
  ++context->progress.evaluationsOfRun;
  if (!interpreterFor(context, false, true)) return evalThroughExcel(context, f, x);
  if (!Interp_evalWithCutoff(context, f, x, cutoff, order)) return 0;
  takeElastic(context, x);
  return addElastic(context, f);
}

int Host_evalTwoChanged(LibraryContext* context, double* f, int j, double xj, int k, double xk) {
  if (!context || !f) return 0;
  ++context->progress.evaluationsOfRun;
  if (interpreterFor(context, true, false))
    return Interp_evalPerturbPair(context, f, j, xj, k, xk) && addElastic(context, f);
  Host_noteWorkbookWrite(context);
  return keepFailedPoint(context, Sess_writeVariable(context, j, xj) && Sess_writeVariable(context, k, xk) &&
                                      Sess_readFunctions(context, f) && addElastic(context, f));
}

int Host_evalOneChanged(LibraryContext* context, double* f, int j, double xj) {
  if (!context || !f) return 0;
  ++context->progress.evaluationsOfRun;
  if (interpreterFor(context, true, false)) return Interp_evalPerturbOne(context, f, j, xj) && addElastic(context, f);
  Host_noteWorkbookWrite(context);
  return keepFailedPoint(context, Sess_writeVariable(context, j, xj) && Sess_readFunctions(context, f) &&
                                      addElastic(context, f));
}

void Host_showFailedPoint(LibraryContext* context, int status) {
  if (!context) return;
  if (status == StatusEvalError && !context->failedPoint.empty()) {
    Host_noteWorkbookWrite(context);
    if (Sess_writeAllVariables(context, context->failedPoint.data())) Xl_calculateNow();
  }
  context->failedPoint.clear();
}

int Host_getVariableBounds(LibraryContext* context, double* lower, double* upper,
                           double* rowLower, double* rowUpper) {
  if (!context || !lower || !upper || !rowLower || !rowUpper) return 0;
  Host_noteWorkbookWrite(context);   // scenario rows are shown to read their bounds
  int n = Sess_modelVariables(context);
  for (int j = 0; j < n; ++j) {
    lower[j] = -kBoundInfinity;
    upper[j] = kBoundInfinity;
  }
  if (!Sess_getVariableBounds(context, lower, upper)) return 0;
  if (Names_getOption(context, OptNeg, 0) == 1)
    for (int j = 0; j < n; ++j)
      if (lower[j] <= -kBoundInfinity) lower[j] = 0;
  for (int s = 0; s < context->elasticCount; ++s) {
    lower[n + s] = 0;
    upper[n + s] = kBoundInfinity;
  }
  int rows = Host_queryModel(context, QueryRows);
  for (int i = 0; i < rows; ++i) {
    rowLower[i] = -kBoundInfinity;
    rowUpper[i] = kBoundInfinity;
  }
  if (!Sess_getRowBounds(context, rowLower, rowUpper)) return 0;
  if (context->analysed) Interp_getBounds(context, lower, upper, rowLower, rowUpper, -kBoundInfinity, kBoundInfinity);
  return 1;
}

int Host_getCurvatureClasses(LibraryContext* context, int* classes) {
  return context && context->analysed ? Interp_getCurvatureClasses(context, classes) : 0;
}

int Host_getVariableTypes(LibraryContext* context, int* types) {
  if (!context || !types) return 0;
  int total = Sess_modelVariables(context) + context->elasticCount;
  for (int j = 0; j < total; ++j) types[j] = 0;
  if (relaxed(context)) return 1;
  if (!Sess_getVariableTypes(context, types, !context->feasibilityMode)) return 0;
  if (context->analysed) Interp_getVariableTypes(context, types);
  return 1;
}

int Host_getConstraintTypes(LibraryContext* context, int* starts, int* members) {
  if (!context || !starts || !members) return 0;
  if (relaxed(context)) return 1;
  if (context->feasibilityMode) {
    starts[0] = 0;
    members[0] = 0;
    return 1;
  }
  std::vector<int> s, m;
  if (!Names_allDifferentGroups(context->constraints, Sess_getVariableCellList(context->variables),
                                &s, &m))
    return 0;
  std::copy(s.begin(), s.end(), starts);
  std::copy(m.begin(), m.end(), members);
  return 1;
}

int Host_getConeConstraints(LibraryContext* context, int* kinds, int* starts, int* members) {
  if (!context || !kinds || !starts || !members) return 0;
  std::vector<int> s, k, m;
  if (!Names_coneConstraints(context->constraints, Sess_getVariableCellList(context->variables), &s,
                             &k, &m))
    return 0;
  std::copy(k.begin(), k.end(), kinds);
  std::copy(s.begin(), s.end(), starts);
  std::copy(m.begin(), m.end(), members);
  return 1;
}

int Host_getInitialValues(LibraryContext* context, double* x) {
  if (!context || !x || !Sess_getCurrentValues(context, x)) return 0;
  int n = Sess_modelVariables(context);
  for (int s = 0; s < context->elasticCount; ++s) x[n + s] = 0;
  if (context->analysed) Interp_getInitialValues(context, x);
  return 1;
}

int Host_getCellAddresses(LibraryContext* context, int variables, int rows, char** variableTexts,
                          char** rowTexts, int length) {
  if (!context || !context->variables || !context->constraints) return 0;
  const CellList* list = Sess_getVariableCellList(context->variables);
  IDSHEET sheet = Area_sheetOf(context->variables->ref);
  for (int j = 0; variableTexts && j < variables && j < Sess_modelVariables(context); ++j) {
    AreaCell cell;
    if (!Area_getVariableCell(list, Sess_variableNumber(context, j), &cell)) return 0;
    copyText(cellText(sheet, cell.row, cell.column), variableTexts[j], length);
  }
  std::vector<RowCell> cells;
  Sess_rowCells(context, &cells);
  int i = 0;
  for (; rowTexts && i < rows && i < static_cast<int>(cells.size()); ++i) {
    int row, column;
    if (!Area_cellOfSingleArea(cells[i].record->lhs, cells[i].cell, &row, &column)) return 0;
    copyText(cellText(Area_sheetOf(cells[i].record->lhs), row, column), rowTexts[i], length);
  }
  if (rowTexts && i < rows && context->groupedRowCells > 0)
    copyText(groupedRowText(context), rowTexts[i], length);
  return 1;
}

int Host_getNamedInt(LibraryContext*, const char* name, int defaultValue) {
  XLOPER* value = namedValue(name, xltypeInt);
  int result = value ? value->val.w : defaultValue;
  Xl_freeValue(value);
  return result;
}

int Host_getNamedReal(LibraryContext*, double* out, const char* name, double defaultValue) {
  XLOPER* value = namedValue(name, xltypeNum);
  if (out) *out = value ? value->val.num : defaultValue;
  Xl_freeValue(value);
  return 1;
}

int Host_fixElastic(LibraryContext* context, int i, int row, int flag, double* x) {
  if (!context || !x) return 0;
  Host_noteWorkbookWrite(context);   // the elastic values add to the rows
  int n = Sess_modelVariables(context), first = 0;
  if (i >= 0) {
    int s = i - n;
    if (s < 0 || s >= context->elasticCount) return 0;
    row = std::abs(context->elasticRowIds[s]) - 1;
    flag = 1;
  }
  int count = elasticOfRow(context, row, &first);
  if (count == 0) return 0;
  if (!flag && x[n + first] != 0) return 0;
  for (int s = first; s < first + count; ++s) x[n + s] = flag ? 0.0 : kBoundInfinity;
  return 1;
}

int Host_writeReports(LibraryContext* context, int reportSet, int code,
                      const ReportSummary* summary, const SensitivityRecord* sensitivity) {
  if (!context) return 0;
  Host_noteWorkbookWrite(context);
  if (!context->feasibilityMode || !summary)
    return Sess_writeReports(context, reportSet, code, summary, sensitivity);
  std::vector<double> perVariable, perRow;
  markFeasibility(context, *summary, &perVariable, &perRow);
  ReportSummary marked = *summary;
  marked.perVariable = perVariable.data();
  marked.perRow = perRow.data();
  return Sess_writeReports(context, reportSet, code, &marked, sensitivity);
}

int Host_writeReportTable(LibraryContext* context, int code1, int code2, int columns, int rows,
                          const char* const* texts) {
  if (!context) return 0;
  Host_noteWorkbookWrite(context);
  return Sess_writeReportTable(context, code1, code2, columns, rows, texts);
}

EvalContext* Host_interpreterModel(LibraryContext* context) {
  return context && context->analysed ? context->evalContext : nullptr;
}

int Host_objectiveFunction(LibraryContext* context) {
  const EvalContext* model = Host_interpreterModel(context);
  return model ? Eval_objectiveIndex(model->tables.functions) : -1;
}

int Host_evalObjectiveGradient(LibraryContext* context, double* value, double* gradient,
                               const double* x) {
  return context && context->analysed ? Interp_evalObjective(context, value, gradient, x) : 0;
}

int Host_evalJacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                      const double* x, int flags) {
  return context && context->analysed ? Interp_evalJacobian(context, user, callback, extra, x, flags) : 0;
}

int Host_enumDependencies(LibraryContext* context, void* user, EvalDependencyCallback callback,
                          void* user2, int flags) {
  return context && context->diagnosed ? Interp_enumDependencies(context, user, callback, user2, flags) : 0;
}

int Host_evalHessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                     const double* x, int function, int flags) {
  return context && context->analysed ? Interp_hessian(context, user, callback, extra, x, function, flags) : 0;
}
