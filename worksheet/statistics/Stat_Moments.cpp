// Means and sums of co-deviations of value sequences.
#include "worksheet/statistics/Stat_Moments.h"

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"

Value* Stat_valMean(Value* result, const StatValues& x, EvalContext* ctx) {
  WsfLocal sum(ctx);
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) sum = Op_add(*sum, *v);
  return Wsf_from(result, Op_divVS(*sum, static_cast<double>(x.size())));
}

Value* Stat_valCoDeviation(Value* result, const StatValues& x, const Value& mx, const StatValues& y,
                           const Value& my, EvalContext* ctx) {
  WsfLocal sum(ctx), dx(ctx), dy(ctx);
  Val_setNumber(&sum.v, 0.0);
  for (size_t i = 0; i < x.size(); ++i) {
    dx = Op_sub(*x[i], mx);
    dy = Op_sub(*y[i], my);
    dy = Op_mul(*dx, *dy);
    sum = Op_add(*sum, *dy);
  }
  return Wsf_copy(result, &*sum);
}
