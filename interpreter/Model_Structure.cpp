// Problem functions, decision variables, problem class, dependency pruning
// and range geometry of a loaded model.
#include "interpreter/Model_Structure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

#include "simulation/registry/CellReg_Registry.h"
#include "values/Ivl_Interval.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

namespace {

ModelItem* newItem(uint8_t sheet, uint16_t row, uint8_t column, int32_t relation) {
  ModelItem* item = new ModelItem();
  item->cell = CellRef{sheet, row, column};
  item->relation = relation;
  return item;
}

// Walks a range in reading order; never moves past the last cell.
struct RangeWalk {
  RangeRef r;
  uint16_t row;
  uint8_t column;
  explicit RangeWalk(const RangeRef& range) : r(range), row(range.firstRow), column(range.firstColumn) {}
  void advance() {
    if (column < r.lastColumn) {
      ++column;
    } else if (row < r.lastRow) {
      column = r.firstColumn;
      ++row;
    }
  }
};

int32_t keepWhere(std::vector<int32_t>* deps, std::vector<uint8_t>* classes, uint8_t low, uint8_t high) {
  size_t kept = 0;
  for (size_t i = 0; i < deps->size() && i < classes->size(); ++i) {
    if ((*classes)[i] < low || (*classes)[i] > high) continue;
    (*deps)[kept] = (*deps)[i];
    (*classes)[kept] = (*classes)[i];
    ++kept;
  }
  deps->resize(kept);
  classes->resize(kept);
  return static_cast<int32_t>(kept);
}

}  // namespace

int32_t Model_itemCount(const FunctionTable* table) {
  return table ? static_cast<int32_t>(table->array.size()) : 0;
}

bool Model_validRange(const RangeRef& r) {
  return r.sheet >= 1 && r.firstRow >= 1 && r.firstColumn >= 1 && r.firstRow <= r.lastRow &&
         r.firstColumn <= r.lastColumn;
}

int32_t Model_rangeArea(const RangeRef& r) {
  if (r.lastRow < r.firstRow || r.lastColumn < r.firstColumn) return 0;
  return (r.lastRow - r.firstRow + 1) * (r.lastColumn - r.firstColumn + 1);
}

bool Model_rangeContains(const RangeRef& r, uint8_t sheet, uint16_t row, uint8_t column) {
  return r.sheet == sheet && row >= r.firstRow && row <= r.lastRow && column >= r.firstColumn &&
         column <= r.lastColumn;
}

bool Model_addFunction(FunctionTable* table, uint8_t sheet, uint8_t column, uint16_t row, int32_t relation,
                       double rhs) {
  if (sheet < 1) return false;
  ModelItem* item = newItem(sheet, row, column, relation);
  item->rhs = rhs;
  table->items.push_back(item);
  return true;
}

bool Model_addFunctionCells(FunctionTable* table, const RangeRef& range, int32_t relation, double rhs) {
  if (!Model_validRange(range) || relation == kRelCone || relation == kRelRotatedCone) return false;
  for (uint16_t row = range.firstRow; row <= range.lastRow; ++row)
    for (int column = range.firstColumn; column <= range.lastColumn; ++column)
      Model_addFunction(table, range.sheet, static_cast<uint8_t>(column), row, relation, rhs);
  table->leftRanges.push_back(range);
  table->rightRanges.push_back(RangeRef{});
  return true;
}

namespace {

// One item per cell of the range (one without a cell for sheet 0 with row
// and column 0), each with the text textOf gives for its 0-based place.
template <class TextOf>
bool addTextItems(FunctionTable* table, const RangeRef& range, int32_t relation, TextOf textOf) {
  const bool cellless = range.sheet == 0 && range.firstRow == 0 && range.firstColumn == 0;
  if (!cellless && !Model_validRange(range)) return false;
  const RangeRef cells = cellless ? RangeRef{} : range;
  for (uint16_t row = cells.firstRow; row <= cells.lastRow; ++row) {
    for (int column = cells.firstColumn; column <= cells.lastColumn; ++column) {
      ModelItem* item = newItem(cells.sheet, row, static_cast<uint8_t>(column), relation);
      item->rhsText = textOf(row - cells.firstRow, column - cells.firstColumn);
      table->items.push_back(item);
    }
  }
  table->leftRanges.push_back(cells);
  table->rightRanges.push_back(RangeRef{});
  return true;
}

}  // namespace

bool Model_addFunctionTextCells(FunctionTable* table, const RangeRef& range, int32_t relation,
                                const std::u16string& text) {
  return addTextItems(table, range, relation, [&](int32_t, int32_t) { return text; });
}

bool Model_addFunctionElementCells(FunctionTable* table, const RangeRef& range, int32_t relation,
                                   const std::u16string& text) {
  if (!Model_validRange(range)) return false;
  return addTextItems(table, range, relation, [&](int32_t row, int32_t column) {
    return u"index((" + text + u")," + Text_fromUtf8(std::to_string(row + 1)) + u"," +
           Text_fromUtf8(std::to_string(column + 1)) + u")";
  });
}

std::u16string Model_rangeText(const RangeRef& r) {
  auto cell = [](uint16_t row, uint8_t column) {
    std::u16string letters;
    for (int n = column; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char16_t(u'a' + (n - 1) % 26));
    for (char c : std::to_string(row)) letters += char16_t(c);
    return letters;
  };
  std::u16string text = cell(r.firstRow, r.firstColumn);
  if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn) text += u":" + cell(r.lastRow, r.lastColumn);
  return text;
}

bool Model_addConeRows(FunctionTable* table, const RangeRef& range, int32_t relation, const std::u16string& sheetName) {
  if (!Model_validRange(range) || (relation != kRelCone && relation != kRelRotatedCone)) return false;
  const std::u16string s = u"'" + sheetName + u"'!";
  const RangeRef t1{range.sheet, range.firstRow, range.firstColumn, range.firstRow, range.firstColumn};
  std::u16string text;
  if (relation == kRelCone) {
    text = u"sumsq(" + s + Model_rangeText(range) + u") - 2 * " + s + Model_rangeText(t1) + u"^2";
  } else {
    if (Model_rangeArea(range) < 3) return false;
    const bool column = range.firstColumn == range.lastColumn;
    const RangeRef t2 = column ? RangeRef{range.sheet, static_cast<uint16_t>(range.firstRow + 1), range.firstColumn,
                                          static_cast<uint16_t>(range.firstRow + 1), range.firstColumn}
                               : RangeRef{range.sheet, range.firstRow, static_cast<uint8_t>(range.firstColumn + 1),
                                          range.firstRow, static_cast<uint8_t>(range.firstColumn + 1)};
    const std::u16string a = s + Model_rangeText(t1), b = s + Model_rangeText(t2);
    text = u"sumsq(" + s + Model_rangeText(range) + u") - " + a + u"^2 - " + b + u"^2 - 2 * " + a + u" * " + b;
  }
  ModelItem* item = newItem(0, 0, 0, kRelGreaterEqual2);
  item->rhsText = text;
  table->items.push_back(item);
  return true;
}

bool Model_addConstraint(FunctionTable* table, const RangeRef& lhs, int32_t relation, const RangeRef& rhs) {
  if (!Model_validRange(lhs) || !Model_validRange(rhs)) return false;
  const int32_t nl = Model_rangeArea(lhs), nr = Model_rangeArea(rhs);
  if (nl > 1 && nr != nl && nr != 1) return false;
  RangeWalk left(lhs), right(rhs);
  for (int32_t k = 0; k < std::max(nl, nr); ++k) {
    ModelItem* item = newItem(lhs.sheet, left.row, left.column, relation);
    item->rhsCell = CellRef{rhs.sheet, right.row, right.column};
    table->items.push_back(item);
    left.advance();
    right.advance();
  }
  table->leftRanges.push_back(lhs);
  table->rightRanges.push_back(rhs);
  return true;
}

bool Model_buildItemArray(FunctionTable* table) {
  table->items.insert(table->items.end(), table->pending.begin(), table->pending.end());
  table->pending.clear();
  // Objectives after every other item: with one objective it is the last.
  table->array.clear();
  for (ModelItem* item : table->items)
    if (item->relation != kRelMinimise && item->relation != kRelMaximise) table->array.push_back(item);
  for (ModelItem* item : table->items)
    if (item->relation == kRelMinimise || item->relation == kRelMaximise) table->array.push_back(item);
  return !table->array.empty();
}

uint32_t Model_classifyProblem(FunctionTable* table, const int32_t* dependencyCounts, int32_t variableCount) {
  bool objective = false, constant = false, inequalities = false;
  int32_t equalities = 0, singleEquality = -1;
  const int32_t count = static_cast<int32_t>(table->array.size());
  for (int32_t i = 0; i < count; ++i) {
    const int32_t relation = table->array[static_cast<size_t>(i)]->relation;
    if (relation == kRelMinimise || relation == kRelMaximise) {
      if (objective) return table->problemClass = kClassNone;
      objective = true;
      constant = dependencyCounts && dependencyCounts[i] == 0;
    } else if (relation >= kRelLessEqual && relation <= kRelGreaterEqual2) {
      inequalities = true;
    } else if (relation == kRelEqual) {
      if (++equalities == 1) singleEquality = i;
    }
    if (objective && equalities > 0 && inequalities) break;
  }
  uint32_t cls;
  if (count == 0) {
    cls = kClassOther;
  } else if (!objective) {
    const bool independentEquality =
        equalities == 1 && dependencyCounts && dependencyCounts[singleEquality] == 0;
    if (inequalities && (equalities == 0 || independentEquality))
      cls = kClassInequalities;
    else if (inequalities || equalities == 0)
      cls = kClassOther;
    else
      cls = equalities == variableCount ? kClassSquareSystem : kClassOther;
  } else if (equalities > 0 && inequalities) {
    cls = constant ? kClassOther : kClassConstrained;
  } else if (inequalities) {
    cls = constant ? kClassInequalities : kClassConstrained;
  } else if (equalities > 0) {
    cls = constant ? kClassOther : kClassConstrained;
  } else {
    cls = constant ? kClassNone : kClassObjectiveOnly;
  }
  return table->problemClass = cls;
}

bool Model_addVariableRange(VariableTable* table, const RangeRef& range, int32_t type) {
  if (!Model_validRange(range)) return false;
  table->ranges.push_back(range);
  const double inf = std::numeric_limits<double>::infinity();
  // Generated variables follow the range variables.
  auto at = table->records.end() - table->extraCount;
  std::vector<VarRecord> cells(static_cast<size_t>(Model_rangeArea(range)),
                               VarRecord{type, Interval{0.0, 0.0}, Interval{-inf, inf}, 0});
  table->records.insert(at, cells.begin(), cells.end());
  return true;
}

void Model_addExtraVariable(VariableTable* table, int32_t type, int32_t link) {
  const double inf = std::numeric_limits<double>::infinity();
  const Interval bounds = type == kVarBinary ? Interval{0.0, 1.0} : Interval{-inf, inf};
  table->records.push_back(VarRecord{type, Interval{0.0, 0.0}, bounds, link});
  ++table->extraCount;
}

int32_t Model_findVariable(const VariableTable* table, uint8_t sheet, uint16_t row, uint8_t column) {
  int32_t base = 0;
  for (const RangeRef& r : table->ranges) {
    if (Model_rangeContains(r, sheet, row, column))
      return base + (row - r.firstRow) * (r.lastColumn - r.firstColumn + 1) + (column - r.firstColumn) + 1;
    base += Model_rangeArea(r);
  }
  return 0;
}

namespace {

int32_t kindOfType(int32_t type) {
  return type == kVarBinary ? kValBool : type == kVarInteger ? kValInt : kValReal;
}

// Binds one value slot to variable j; status 36 when it is bound already.
void bindSlot(const VariableTable* table, Value* slot, int32_t j, const CellRef& cell, EvalContext* ctx) {
  if (slot->reference > 0) {
    Vm_raise(Vm_errorsOf(ctx), kStatusVariableTwice, "Model_bindVariable", cell.sheet, cell.row, cell.column);
    return;
  }
  slot->reference = j;
  slot->kind = kindOfType(table->records[static_cast<size_t>(j) - 1].type);
}

}  // namespace

bool Model_bindVariable(const VariableTable* table, Value* value) {
  if (!value->source || value->reference > 0) return false;
  const RangeRef src = *value->source;
  const bool single = src.firstRow == src.lastRow && src.firstColumn == src.lastColumn;
  int32_t base = 0;
  for (const RangeRef& r : table->ranges) {
    for (uint16_t row = r.firstRow; row <= r.lastRow; ++row) {
      for (int column = r.firstColumn; column <= r.lastColumn; ++column) {
        const int32_t j = ++base;
        if (!Model_rangeContains(src, r.sheet, row, static_cast<uint8_t>(column))) continue;
        const CellRef cell{r.sheet, row, static_cast<uint8_t>(column)};
        if (single) {
          bindSlot(table, value, j, cell, value->context);
        } else if (value->kind == kValArray && value->array) {
          bindSlot(table, Val_at(value, row - src.firstRow, column - src.firstColumn), j, cell, value->context);
          if (value->reference != 2) value->reference = 1;
        }
      }
    }
  }
  return true;
}

bool Model_setRangeType(VariableTable* table, const RangeRef& range, int32_t type) {
  if (!Model_validRange(range)) return false;
  int32_t j = 0;
  for (const RangeRef& r : table->ranges)
    for (uint16_t row = r.firstRow; row <= r.lastRow; ++row)
      for (int column = r.firstColumn; column <= r.lastColumn; ++column, ++j)
        if (Model_rangeContains(range, r.sheet, row, static_cast<uint8_t>(column)))
          table->records[static_cast<size_t>(j)].type = type;
  return true;
}

bool Model_setRangeBound(VariableTable* table, const RangeRef& range, double bound, bool upper) {
  if (!Model_validRange(range)) return false;
  int32_t j = 0, set = 0;
  for (const RangeRef& r : table->ranges) {
    for (uint16_t row = r.firstRow; row <= r.lastRow; ++row) {
      for (int column = r.firstColumn; column <= r.lastColumn; ++column, ++j) {
        if (!Model_rangeContains(range, r.sheet, row, static_cast<uint8_t>(column))) continue;
        Interval& b = table->records[static_cast<size_t>(j)].bounds;
        (upper ? b.hi : b.lo) = bound;
        ++set;
      }
    }
  }
  return set == Model_rangeArea(range);
}

bool Model_setAllBounds(VariableTable* table, double bound, bool upper) {
  for (VarRecord& v : table->records) {
    (upper ? v.bounds.hi : v.bounds.lo) = bound;
    if (v.bounds.hi < v.bounds.lo) return false;
  }
  return true;
}

int32_t Model_pruneToSmooth(std::vector<int32_t>* deps, std::vector<uint8_t>* classes) {
  return keepWhere(deps, classes, 1, 3);
}

int32_t Model_pruneToNonlinear(std::vector<int32_t>* deps, std::vector<uint8_t>* classes) {
  return keepWhere(deps, classes, 2, 3);
}

int32_t Model_pruneToDependent(std::vector<int32_t>* deps, std::vector<uint8_t>* classes) {
  if (std::find(classes->begin(), classes->end(), 0) == classes->end()) return static_cast<int32_t>(deps->size());
  return keepWhere(deps, classes, 1, 255);
}

namespace {

// Spreads the first k of n entries (at(0) .. at(k - 1), k the dependency
// count) onto the positions of their variables, zeroing the others: the
// compact entries move to the top, then each drops on its variable.
template <class At>
void scatter(const std::vector<int32_t>& deps, int32_t n, At at) {
  const int32_t k = static_cast<int32_t>(deps.size());
  if (k == 0 || k >= n) return;
  using T = std::remove_reference_t<decltype(at(0))>;
  for (int32_t i = k - 1; i >= 0; --i) at(n - k + i) = at(i);
  for (int32_t i = 0; i < n - k; ++i) at(i) = T{};
  for (int32_t i = 0; i < k; ++i) {
    const int32_t from = n - k + i, to = deps[static_cast<size_t>(i)] - 1;
    const T x = at(from);
    if (from != to) at(from) = T{};
    at(to) = x;
  }
}

}  // namespace

void Model_scatterGradient(const std::vector<int32_t>& deps, int32_t n, double* vector, bool oneBased) {
  double* v = oneBased ? vector + 1 : vector;
  scatter(deps, n, [v](int32_t i) -> double& { return v[i]; });
}

void Model_scatterIvGradient(const std::vector<int32_t>& deps, int32_t n, Interval* vector, bool oneBased) {
  Interval* v = oneBased ? vector + 1 : vector;
  scatter(deps, n, [v](int32_t i) -> Interval& { return v[i]; });
}

void Model_scatterIvHessian(const std::vector<int32_t>& deps, int32_t n, Interval** matrix, bool oneBased) {
  const int32_t base = oneBased ? 1 : 0;
  // The compact rows first, each along its columns; then every column
  // along the rows.
  for (int32_t i = 0; i < static_cast<int32_t>(deps.size()) && i < n; ++i) {
    Interval* row = matrix[base + i] + base;
    scatter(deps, n, [row](int32_t j) -> Interval& { return row[j]; });
  }
  for (int32_t j = 0; j < n; ++j)
    scatter(deps, n, [matrix, base, j](int32_t i) -> Interval& { return matrix[base + i][base + j]; });
}

bool Model_bindUncertainCells(const VariableTable* table, Value* value) {
  return table && table->registry && CellReg_markVariableArea(table->registry.get(), value);
}

bool Model_rangesOverlap(const RangeRef& a, const RangeRef& b) {
  return a.sheet == b.sheet && std::max(a.firstRow, b.firstRow) <= std::min(a.lastRow, b.lastRow) &&
         std::max(a.firstColumn, b.firstColumn) <= std::min(a.lastColumn, b.lastColumn);
}

bool Model_intersectRanges(const RangeRef& a, const RangeRef& b, RangeRef* out) {
  if (!Model_rangesOverlap(a, b)) return false;
  *out = RangeRef{a.sheet, std::max(a.firstRow, b.firstRow), std::max(a.firstColumn, b.firstColumn),
                  std::min(a.lastRow, b.lastRow), std::min(a.lastColumn, b.lastColumn)};
  return true;
}

void Model_subtractRange(const RangeRef& a, const RangeRef& b, RangeRef* above, RangeRef* below, RangeRef* left,
                         RangeRef* right) {
  *above = *below = *left = *right = RangeRef{};
  if (!Model_rangesOverlap(a, b)) return;
  if (a.firstRow < b.firstRow)
    *above = RangeRef{a.sheet, a.firstRow, a.firstColumn, static_cast<uint16_t>(b.firstRow - 1), a.lastColumn};
  if (a.lastRow > b.lastRow)
    *below = RangeRef{a.sheet, static_cast<uint16_t>(b.lastRow + 1), a.firstColumn, a.lastRow, a.lastColumn};
  const uint16_t top = std::max(a.firstRow, b.firstRow), bottom = std::min(a.lastRow, b.lastRow);
  if (a.firstColumn < b.firstColumn)
    *left = RangeRef{a.sheet, top, a.firstColumn, bottom, static_cast<uint8_t>(b.firstColumn - 1)};
  if (a.lastColumn > b.lastColumn)
    *right = RangeRef{a.sheet, top, static_cast<uint8_t>(b.lastColumn + 1), bottom, a.lastColumn};
}
