// Treasury-bill price, yield and bond-equivalent yield.
#include "worksheet/financial/Wsf_DiscountBills.h"

#include <algorithm>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/financial/Sec_Args.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

// Bills of up to this many days have the simple bond-equivalent yield.
constexpr double kHalfYearDays = 182;
// The lowest price a bill's discount may leave.
constexpr double kLowestPrice = 0.001;

// The head of a bill: false with the result formed; else the actual days
// from the settlement to the maturity, at most a year.
bool billDays(Value* result, const Value* settlement, const Value* maturity, const Value* third, double* days) {
  const Value* argv[] = {settlement, maturity, third};
  double x[2] = {}, year = 0;
  if (!Sec_headValueWise(result, 3, argv, {0, 1}, {2}, SecDecisive::kPlainOnly, x)) return false;
  if (Wsf_fails(third, 0, kRelCmpLe) || !Coup_dayCount(x[0], x[1], kBasisActual360, days, &year) ||
      x[1] > x[0] + Coup_actualYearLength(x[0], x[1]))
    return Wsf_error(result, kErrNum), false;
  return true;
}

}  // namespace

Value* Wsf_tbilleq(Value* result, const Value* settlement, const Value* maturity, const Value* discount) {
  double days = 0;
  if (!billDays(result, settlement, maturity, discount, &days)) return result;
  WsfLocal v(result->context), root(result->context);
  if (days <= kHalfYearDays) {
    v = Op_mulVS(*discount, days);
    v = Op_subSV(360.0, *v);
    v = Op_divSV(365.0, *v);
    return Wsf_from(result, Op_mul(*discount, *v));
  }
  // Beyond half a year: the yield of a bond paying one coupon at half a year
  // that the bill's price would buy.
  Sec_discountShare(&v, discount, days / 360);
  if (Wsf_fails(&*v, 0, kRelCmpLt)) return Wsf_error(result, kErrNum);
  const double t = std::min(days / 365, 1.0);
  v = Op_divSV(1.0, *v);
  v = Op_subSV(1.0, *v);
  v = Op_mulVS(*v, 2 * t - 1);
  v = Op_subSV(t * t, *v);
  Wsf_sqrt(&root.v, &*v);
  v = Op_mulVS(*root, 2.0);
  v = Op_addVS(*v, -2 * t);
  return Wsf_from(result, Op_divVS(*v, 2 * t - 1));
}

Value* Wsf_tbillprice(Value* result, const Value* settlement, const Value* maturity, const Value* discount) {
  double days = 0;
  if (!billDays(result, settlement, maturity, discount, &days)) return result;
  WsfLocal price(result->context);
  Sec_discountShare(&price, discount, days / 360);
  price = Op_mulVS(*price, 100.0);
  if (Wsf_fails(&*price, kLowestPrice, kRelCmpLt)) return Wsf_error(result, kErrNum);
  return Wsf_copy(result, &*price);
}

Value* Wsf_tbillyield(Value* result, const Value* settlement, const Value* maturity, const Value* pr) {
  double days = 0;
  if (!billDays(result, settlement, maturity, pr, &days)) return result;
  WsfLocal v(result->context);
  v = Op_divSV(100.0, *pr);
  v = Op_subVS(*v, 1.0);
  return Wsf_from(result, Op_mulVS(*v, 360 / days));
}
