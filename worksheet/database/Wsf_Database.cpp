// The database functions: select the records, gather the field's values,
// combine them with the generic operators.
#include "worksheet/database/Wsf_Database.h"

#include <cmath>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/database/Db_Criteria.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Wsf_Pairwise.h"

namespace {

// Which field values take part.
enum class Accept { kNumbers, kNumbersOnly, kAny };

bool accepted(const Value* v, Accept a) {
  switch (a) {
    case Accept::kNumbers: return v->kind >= kValInt && v->kind <= kValError;
    case Accept::kNumbersOnly: return v->kind >= kValInt && v->kind <= kValDegVec;
    case Accept::kAny: return v->kind >= kValBool && v->kind <= kValText;
  }
  return false;
}

// A value the evaluation mode could not compute in the criteria range or in
// a database column it tests, copied into the result: which records it
// selects is not known.
bool selectionUnknown(Value* result, const DbCriteria& c, const Value* database, const Value* criteria) {
  if (Wsf_passNoDerivative(result, 1, &criteria)) return true;
  for (const int32_t column : c.columns)
    for (int32_t r = 1; column >= 0 && r < database->array->rows; ++r)
      if (const Value* v = Val_at(database, r, column); Val_isNoDerivative(v)) return Wsf_copy(result, v), true;
  return false;
}

// The field's values of the selected records, or false with the result
// formed; a selected value the evaluation mode could not compute is passed
// on. A field left out (counting only) gathers one placeholder per record.
bool gather(Value* result, const Value* database, const Value* field, const Value* criteria, Accept accept,
            std::vector<const Value*>* values) {
  const Value* argv[] = {database, field, criteria};
  if (Wsf_structureHooks(result, 3, argv)) return false;
  DbCriteria c;
  if (!Db_initCriteria(&c, database, criteria)) return Wsf_error(result, kErrValue), false;
  if (selectionUnknown(result, c, database, criteria)) return false;
  const bool countRecords = field->kind == kValMissing && accept != Accept::kNumbers;
  int32_t column = -1;
  if (field->kind == kValText) column = Db_findColumn(database, field);
  else if (Wsf_isPlain(field))
    column = static_cast<int32_t>(std::fmax(-1.0, std::fmin(std::trunc(field->number), 1e6))) - 1;
  if (!countRecords && (column < 0 || column >= database->array->columns)) return Wsf_error(result, kErrValue), false;
  for (int32_t r = 1; r < database->array->rows; ++r) {
    if (!Db_matchRow(c, database, r)) continue;
    const Value* v = countRecords ? database : Val_at(database, r, column);
    if (!countRecords && Val_isNoDerivative(v)) return Wsf_copy(result, v), false;
    if (countRecords || accepted(v, accept)) values->push_back(v);
  }
  return true;
}

Value* count(Value* result, const Value* database, const Value* field, const Value* criteria, Accept accept) {
  std::vector<const Value*> values;
  if (!gather(result, database, field, criteria, accept, &values)) return result;
  return Wsf_integer(result, static_cast<int32_t>(values.size()));
}

// The values folded by op from the number start.
Value* folded(Value* result, const std::vector<const Value*>& values, double start,
              Value* (*op)(Value*, const Value*, const Value*)) {
  WsfLocal total(result->context);
  Val_setNumber(&total.v, start);
  for (const Value* v : values) {
    WsfLocal next(result->context);
    op(&next.v, &total.v, v);
    total = next.v;
  }
  return Wsf_copy(result, &total.v);
}

Value* add(Value* r, const Value* a, const Value* b) { return Wsf_from(r, Op_add(*a, *b)); }
Value* multiply(Value* r, const Value* a, const Value* b) { return Wsf_from(r, Op_mul(*a, *b)); }

Value* sumOf(Value* result, const std::vector<const Value*>& values) { return folded(result, values, 0.0, add); }

// The sum of squared deviations from the mean over divisor(n): the mean
// first, so that values far from 0 keep their spread.
Value* deviations(Value* result, const std::vector<const Value*>& values, size_t least, double offset) {
  if (values.size() < least) return Wsf_error(result, kErrDiv0);
  const double n = static_cast<double>(values.size());
  WsfLocal mean(result->context), total(result->context);
  sumOf(&mean.v, values);
  mean = Op_divVS(*mean, n);
  Val_setNumber(&total.v, 0.0);
  for (const Value* v : values) {
    WsfLocal d(result->context), square(result->context);
    d = Op_sub(*v, *mean);
    Wsf_sqr(&square.v, &d.v);
    total = Op_add(*total, *square);
  }
  return Wsf_from(result, Op_divVS(*total, n - offset));
}

using Combine = Value* (*)(Value*, const std::vector<const Value*>&);

Value* aggregate(Value* result, const Value* database, const Value* field, const Value* criteria, Combine combine) {
  std::vector<const Value*> values;
  if (!gather(result, database, field, criteria, Accept::kNumbers, &values)) return result;
  return combine(result, values);
}

Value* averageOf(Value* result, const std::vector<const Value*>& values) {
  if (values.empty()) return Wsf_error(result, kErrDiv0);
  WsfLocal sum(result->context);
  sumOf(&sum.v, values);
  return Wsf_from(result, Op_divVS(*sum, static_cast<double>(values.size())));
}
Value* onlyOf(Value* result, const std::vector<const Value*>& values) {
  return values.size() == 1 ? Wsf_copy(result, values[0]) : Wsf_error(result, kErrValue);
}
Value* maxOf(Value* result, const std::vector<const Value*>& values) {
  return values.empty() ? Wsf_integer(result, 0) : folded(result, values, -HUGE_VAL, Wsf_max2);
}
Value* minOf(Value* result, const std::vector<const Value*>& values) {
  return values.empty() ? Wsf_integer(result, 0) : folded(result, values, HUGE_VAL, Wsf_min2);
}
Value* productOf(Value* result, const std::vector<const Value*>& values) {
  return folded(result, values, 1.0, multiply);
}
Value* varOf(Value* result, const std::vector<const Value*>& values) { return deviations(result, values, 2, 1); }
Value* varpOf(Value* result, const std::vector<const Value*>& values) { return deviations(result, values, 1, 0); }
Value* rootOf(Value* result, const Value* variance) {
  if (Wsf_isError(variance)) return Wsf_copy(result, variance);
  WsfLocal v(result->context);
  v = *variance;
  return Wsf_sqrt(result, &v.v);
}
Value* stdevOf(Value* result, const std::vector<const Value*>& values) { return rootOf(result, varOf(result, values)); }
Value* stdevpOf(Value* result, const std::vector<const Value*>& values) {
  return rootOf(result, varpOf(result, values));
}

}  // namespace

Value* Wsf_daverage(Value* r, const Value* d, const Value* f, const Value* c) {
  return aggregate(r, d, f, c, averageOf);
}
Value* Wsf_dcount(Value* r, const Value* d, const Value* f, const Value* c) {
  return count(r, d, f, c, Accept::kNumbersOnly);
}
Value* Wsf_dcounta(Value* r, const Value* d, const Value* f, const Value* c) { return count(r, d, f, c, Accept::kAny); }
Value* Wsf_dget(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, onlyOf); }
Value* Wsf_dmax(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, maxOf); }
Value* Wsf_dmin(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, minOf); }
Value* Wsf_dproduct(Value* r, const Value* d, const Value* f, const Value* c) {
  return aggregate(r, d, f, c, productOf);
}
Value* Wsf_dstdev(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, stdevOf); }
Value* Wsf_dstdevp(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, stdevpOf); }
Value* Wsf_dsum(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, sumOf); }
Value* Wsf_dvar(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, varOf); }
Value* Wsf_dvarp(Value* r, const Value* d, const Value* f, const Value* c) { return aggregate(r, d, f, c, varpOf); }
