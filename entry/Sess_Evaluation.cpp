// Evaluation through the application: variable vector onto cells, function
// values after recalculation, grouped rows of robust models, row and variable
// bounds, types and current values.
#include "entry/Sess_Evaluation.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "entry/Entry_Context.h"
#include "entry/Sess_ModelQueries.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Calculation.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

constexpr unsigned kTable = RowLhsOnTable | RowRhsOnTable;

int distinctCells(const LibraryContext* context) { return Sess_getAdjCellCount(context->variables); }

int commonCells(const LibraryContext* context) {
  return distinctCells(context) - context->perRowCells;
}

int scenarioRows(const LibraryContext* context) {
  return Names_getScenarioRowCount(context->scenarios);
}

bool weighted(const LibraryContext* context) { return context->robustMode == 2; }

// A row of the function vector read once per evaluation.
bool isPlainRow(const LibraryContext* context, const ConstraintRecord& record) {
  if (record.flags & (RowBound | RowGrouped)) return false;
  return !(weighted(context) && (record.flags & kTable));
}

// A row read once per scenario row (weighted-rows mode only).
bool isPerRowRow(const LibraryContext* context, const ConstraintRecord& record) {
  return weighted(context) && !(record.flags & (RowBound | RowGrouped)) && (record.flags & kTable);
}

// A text right-hand side: EVALUATE of the name it spells, as a number.
bool evaluateText(const XLOPER* text, double* out) {
  XLOPER result{};
  if (Excel4(xlfEvaluate, &result, 1, text) != xlretSuccess) return false;
  XLOPER* number = Xl_coerce(&result, xltypeNum);
  Xl_giveBack(&result);
  if (number) *out = number->val.num;
  Xl_freeValue(number);
  return number != nullptr;
}

// The record's right-hand values now: a side that moves with the variables
// is read from the workbook, any other by the fixed rule.
bool rhsNow(const ConstraintRecord& record, std::vector<double>* out) {
  int cells = Area_totalCells(record.lhs);
  out->assign(cells, 0.0);
  if (!(record.flags & RowRhsVaries)) return Names_rhsValues(record, out->data());
  double single = 0.0;
  const bool text = Xl_type(record.rhs) == xltypeStr;
  if (text && (record.flags & RowElementwise)) return Xl_evaluateNumbers(record.rhs, cells, out->data()) != 0;
  if (text) {
    if (!evaluateText(record.rhs, &single)) return false;
  } else if (record.flags & RowElementwise) {
    return Area_readSideValues(record.rhs, out->data()) == cells;
  } else if (Area_readSideValues(record.rhs, &single) != 1) {
    return false;
  }
  out->assign(cells, single);
  return true;
}

bool readCells(const ConstraintRecord& record, std::vector<double>* out) {
  out->resize(Area_totalCells(record.lhs));
  return Area_readSideValues(record.lhs, out->data()) == static_cast<int>(out->size());
}

// Appends a row record's values, less its right-hand side when that moves.
bool appendRecord(const ConstraintRecord& record, std::vector<double>* f) {
  std::vector<double> values, rhs;
  if (!readCells(record, &values)) return false;
  if (record.flags & RowRhsVaries) {
    if (!rhsNow(record, &rhs)) return false;
    for (std::size_t k = 0; k < values.size(); ++k) values[k] -= rhs[k];
  }
  f->insert(f->end(), values.begin(), values.end());
  return true;
}

// Objective part o and penalty p of the grouped records.
bool groupedParts(const LibraryContext* context, double* o, double* p) {
  *o = 0.0;
  *p = 0.0;
  std::vector<double> values, rhs;
  for (const ConstraintRecord& record : context->constraints->records) {
    if (!(record.flags & RowGrouped)) continue;
    if (!readCells(record, &values)) return false;
    bool constraint = record.relation >= RelationLessEqual && record.relation <= RelationGreaterEqual;
    if (constraint && !rhsNow(record, &rhs)) return false;
    for (std::size_t k = 0; k < values.size(); ++k) {
      if (record.relation == RelationMinimise) *o += values[k];
      if (record.relation == RelationMaximise) *o -= values[k];
      if (constraint) *p += Sess_violation(record.relation, values[k], rhs[k]);
    }
  }
  return true;
}

bool showScenarioRow(const LibraryContext* context, int r) {
  return Names_writeScenarioRow(context->scenarios, r) && Xl_calculateNow();
}

// Weighted-rows mode: each scenario row's rows, and the grouped row as the
// weighted mean, deviation and penalty over the scenario rows.
bool appendScenarioRows(LibraryContext* context, std::vector<double>* f) {
  bool grouped = context->groupedRowCells > 0;
  double sw = 0, swo = 0, swoo = 0, swp = 0;
  for (int r = 0; r < scenarioRows(context); ++r) {
    if (!showScenarioRow(context, r)) return false;
    for (const ConstraintRecord& record : context->constraints->records)
      if (isPerRowRow(context, record) && !appendRecord(record, f)) return false;
    if (!grouped) continue;
    double o, p;
    if (!groupedParts(context, &o, &p)) return false;
    double w = Names_getNumberedReal(context, OptScenWeight, static_cast<unsigned>(r + 1), 1.0);
    sw += w;
    swo += w * o;
    swoo += w * o * o;
    swp += w * p;
  }
  if (!grouped) return true;
  if (!(sw > 0)) return false;
  double mean = swo / sw;
  double variance = swoo / sw - mean * mean;
  double deviation = variance > 0 ? std::sqrt(variance) : 0.0;
  f->push_back(swp / sw * context->robustPen + deviation * context->robustStd +
               mean * context->robustExp);
  return true;
}

// The per-row values of the distinct variable cells copied into every
// scenario row's block of the variable vector.
template <class T>
void spread(const LibraryContext* context, const std::vector<T>& distinct, T* out) {
  int common = commonCells(context), k = context->perRowCells;
  for (int j = 0; j < common; ++j) out[j] = distinct[j];
  for (int r = 0; r < scenarioRows(context); ++r)
    for (int c = 0; c < k; ++c) out[common + r * k + c] = distinct[common + c];
}

bool deriveBounds(const LibraryContext* context, std::vector<double>* lower,
                  std::vector<double>* upper) {
  lower->assign(distinctCells(context), -kBoundInfinity);
  upper->assign(distinctCells(context), kBoundInfinity);
  return Sess_deriveVariableBounds(context->constraints, Sess_getVariableCellList(context->variables), lower->data(),
                                   upper->data(), -kBoundInfinity, kBoundInfinity);
}

}  // namespace

int Sess_modelVariables(const LibraryContext* context) { return context->modelVariableCount; }

int Sess_rowsWithoutGrouped(const LibraryContext* context) {
  return context->rowCount - (context->groupedRowCells > 0 ? 1 : 0);
}

int Sess_rowCells(const LibraryContext* context, std::vector<RowCell>* out) {
  out->clear();
  if (!context->constraints) return 0;
  auto add = [&](const ConstraintRecord& record, int r) {
    int cells = Area_totalCells(record.lhs);
    for (int c = 0; c < cells; ++c) out->push_back({&record, c, r});
  };
  for (const ConstraintRecord& record : context->constraints->records)
    if (isPlainRow(context, record)) add(record, -1);
  for (int r = 0; weighted(context) && r < scenarioRows(context); ++r)
    for (const ConstraintRecord& record : context->constraints->records)
      if (isPerRowRow(context, record)) add(record, r);
  return static_cast<int>(out->size()) == Sess_rowsWithoutGrouped(context);
}

int Sess_variableNumber(const LibraryContext* context, int j) {
  int common = commonCells(context), k = context->perRowCells;
  if (j < 0 || j >= context->modelVariableCount) return -1;
  return j < common ? j : common + (j - common) % k;
}

int Sess_writeAllVariables(LibraryContext* context, const double* x) {
  if (!context->variables) return 0;
  int common = commonCells(context), k = context->perRowCells, n = context->modelVariableCount;
  for (int r = 0; k > 0 && r < scenarioRows(context); ++r)
    Names_setScenarioRowValues(context->scenarios, r, x + common + r * k, 0, k);
  std::vector<double> cells(x, x + common + (scenarioRows(context) > 0 ? k : 0));
  if (!Sess_writeVariables(context->variables, cells.data())) return 0;
  for (int s = 0; s < context->elasticCount; ++s) context->elasticValues[s] = x[n + s];
  return 1;
}

int Sess_writeVariable(LibraryContext* context, int j, double value) {
  int common = commonCells(context), k = context->perRowCells, n = context->modelVariableCount;
  if (j < 0 || !context->variables) return 0;
  if (j < common) return Sess_setVariableCell(context->variables, j, value);
  if (j < n) return Names_setScenarioRowValue(context->scenarios, (j - common) / k, (j - common) % k, value);
  if (j >= n + context->elasticCount) return 0;
  context->elasticValues[j - n] = value;
  return 1;
}

int Sess_readFunctions(LibraryContext* context, double* f) {
  if (!context->constraints || !Xl_calculateNow()) return 0;
  std::vector<double> values;
  for (const ConstraintRecord& record : context->constraints->records)
    if (isPlainRow(context, record) && !appendRecord(record, &values)) return 0;
  bool grouped = context->groupedRowCells > 0;
  if (weighted(context)) {
    if (!appendScenarioRows(context, &values)) return 0;
  } else if (grouped) {
    double o, p;
    if (!groupedParts(context, &o, &p)) return 0;
    values.push_back(p * context->robustPen + o * context->robustExp);
  }
  if (grouped && context->maximise) values.back() = -values.back();
  if (static_cast<int>(values.size()) != context->rowCount) return 0;
  std::copy(values.begin(), values.end(), f);
  return 1;
}

int Sess_getRowBounds(LibraryContext* context, double* lower, double* upper) {
  std::vector<RowCell> cells;
  if (!Sess_rowCells(context, &cells)) return 0;
  std::vector<double> rhs;
  std::pair<const ConstraintRecord*, int> loaded{nullptr, -1};
  for (std::size_t k = 0; k < cells.size(); ++k) {
    const RowCell& cell = cells[k];
    if (loaded != std::make_pair(cell.record, cell.scenarioRow)) {
      loaded = {cell.record, cell.scenarioRow};
      bool show = cell.scenarioRow >= 0 && (cell.record->flags & RowRhsOnTable);
      if (show && !showScenarioRow(context, cell.scenarioRow)) return 0;
      rhs.assign(Area_totalCells(cell.record->lhs), 0.0);
      if (!Names_rhsValues(*cell.record, rhs.data())) return 0;
    }
    int relation = cell.record->relation;
    if (relation == RelationLessEqual || relation == RelationEqual) upper[k] = rhs[cell.cell];
    if (relation == RelationGreaterEqual || relation == RelationEqual) lower[k] = rhs[cell.cell];
  }
  return 1;
}

int Sess_getVariableBounds(LibraryContext* context, double* lower, double* upper) {
  if (!context->constraints || !context->variables) return 0;
  std::vector<double> lo, hi;
  int common = commonCells(context), k = context->perRowCells;
  bool perRow = k > 0 && scenarioRows(context) > 0;
  if (!perRow && !deriveBounds(context, &lo, &hi)) return 0;
  // Weighted rows: each row's bounds with its scenario values shown, the
  // first row last so that its values stay in the cells.
  for (int r = perRow ? scenarioRows(context) - 1 : -1; r >= 0; --r) {
    if (!showScenarioRow(context, r) || !deriveBounds(context, &lo, &hi)) return 0;
    std::copy(lo.begin() + common, lo.end(), lower + common + r * k);
    std::copy(hi.begin() + common, hi.end(), upper + common + r * k);
  }
  std::copy(lo.begin(), lo.begin() + common, lower);
  std::copy(hi.begin(), hi.begin() + common, upper);
  return 1;
}

int Sess_getVariableTypes(LibraryContext* context, int* types, bool withAllDifferent) {
  if (!context->constraints || !context->variables) return 0;
  std::vector<int> flags(distinctCells(context), 0);
  if (!Sess_getIntegerFlags(context->constraints, Sess_getVariableCellList(context->variables),
                            withAllDifferent, flags.data()))
    return 0;
  spread(context, flags, types);
  return 1;
}

int Sess_getCurrentValues(LibraryContext* context, double* x) {
  std::vector<double> values(distinctCells(context));
  if (!context->variables || !Sess_readVariablesCoercing(context->variables, values.data())) return 0;
  spread(context, values, x);
  int common = commonCells(context), k = context->perRowCells;
  for (int r = 0; k > 0 && r < scenarioRows(context); ++r)
    Names_getScenarioRowValues(context->scenarios, r, x + common + r * k, 0, k);
  return 1;
}

double Sess_violation(int relation, double v, double b) {
  bool violated = relation == RelationEqual || (relation == RelationGreaterEqual && v < b) ||
                  (relation == RelationLessEqual && v > b);
  if (!violated) return 0.0;
  double d = std::fabs(v - b);
  return d >= 1e-6 ? d : 0.05 * d * d * 1e6;
}
