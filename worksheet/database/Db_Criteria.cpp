// Criteria ranges of the database functions.
#include "worksheet/database/Db_Criteria.h"

#include <string_view>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/math/Crit_Criteria.h"

namespace {

constexpr size_t kMaxCriterion = 256;

bool isTable(const Value* v) { return v->kind == kValArray && v->array->rows >= 2; }

bool sameHeader(const Value* a, const Value* b) {
  if (a->kind == kValText && b->kind == kValText)
    return Text_equalsNoCase(a->text ? a->text : u"", b->text ? b->text : u"");
  // A variable cell's header is read at its point, as the value mode reads it.
  double x = 0.0, y = 0.0;
  return Op_pointNumber(*a, &x) && Op_pointNumber(*b, &y) && x == y;
}

// The criterion a criteria cell holds, null when it imposes nothing.
const Value* criterionOf(const Value* cell) {
  if (cell->kind == kValText) {
    if (Text_length(cell->text) < kMaxCriterion) return Text_length(cell->text) > 0 ? cell : nullptr;
    Vm_raise(Vm_errorsOf(cell->context), kStatusTooLong, "criteria max 256 chars", 0, 0, 0);
    return nullptr;
  }
  double x = 0.0;
  return cell->kind >= kValBool && cell->kind <= kValReal ? cell : Op_derivativeValue(*cell, &x) ? cell : nullptr;
}

}  // namespace

int32_t Db_findColumn(const Value* database, const Value* header) {
  for (int32_t j = 0; j < database->array->columns; ++j)
    if (sameHeader(Val_at(database, 0, j), header)) return j;
  return -1;
}

bool Db_initCriteria(DbCriteria* c, const Value* database, const Value* criteria) {
  if (!isTable(database) || !isTable(criteria)) return false;
  const int32_t columns = criteria->array->columns;
  c->columns.assign(static_cast<size_t>(columns), -1);
  for (int32_t j = 0; j < columns; ++j) c->columns[j] = Db_findColumn(database, Val_at(criteria, 0, j));
  c->criteria.clear();
  for (int32_t r = 1; r < criteria->array->rows; ++r) {
    std::vector<const Value*> row(static_cast<size_t>(columns), nullptr);
    bool any = false;
    for (int32_t j = 0; j < columns; ++j) any |= (row[j] = criterionOf(Val_at(criteria, r, j))) != nullptr;
    if (any) c->criteria.push_back(row);
  }
  return true;
}

bool Db_matchRow(const DbCriteria& c, const Value* database, int32_t row) {
  if (c.criteria.empty()) return true;
  for (const std::vector<const Value*>& criteria : c.criteria) {
    bool all = true;
    for (size_t j = 0; j < criteria.size() && all; ++j) {
      if (!criteria[j]) continue;
      all = c.columns[j] >= 0 && Crit_match(Val_at(database, row, c.columns[j]), criteria[j]);
    }
    if (all) return true;
  }
  return false;
}
