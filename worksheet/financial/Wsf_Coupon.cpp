// Coupon-schedule queries, price, yield and duration of a regular coupon
// bond.
#include "worksheet/financial/Wsf_Coupon.h"

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/financial/Sec_Args.h"
#include "worksheet/numeric/Root_Brent.h"
#include "worksheet/numeric/Root_Residuals.h"

namespace {

// The yield search runs over [0, kHighestYield].
constexpr double kHighestYield = 500000000;

// The price per 100 of the coupons cp and the redemption: with more than
// one coupon left each payment is discounted over its periods from the
// settlement, with one the final payment over the fraction of the period
// left at simple interest; less the coupon accrued since the previous date.
Value* priceOf(Value* result, const Value* cp, const Value* yld, const Value* redemption, double frequency,
               const CoupSchedule& c) {
  EvalContext* ctx = result->context;
  WsfLocal price(ctx), term(ctx), base(ctx);
  const double t0 = c.dsc / c.e;
  if (c.n > 1) {
    Sec_yieldBase(&base, yld, frequency);
    Sec_discount(&price, redemption, &*base, c.n - 1 + t0);
    for (double k = 1; k <= c.n; ++k) {
      Sec_discount(&term, cp, &*base, k - 1 + t0);
      price = Op_add(*price, *term);
    }
  } else {
    term = Op_mulVS(*yld, t0 / frequency);
    term = Op_addVS(*term, 1.0);
    price = Op_add(*redemption, *cp);
    price = Op_div(*price, *term);
  }
  term = Op_mulVS(*cp, c.a / c.e);
  return Wsf_from(result, Op_sub(*price, *term));
}

// The Macaulay duration in years at the yield of a bond redeemed at 100
// that pays cp per period: the payments' times weighted by their present
// values.
Value* durationOf(Value* result, const Value* cp, const Value* yld, double frequency, const CoupSchedule& c) {
  EvalContext* ctx = result->context;
  WsfLocal base(ctx), hundred(ctx), num(ctx), den(ctx), pv(ctx), weighted(ctx);
  Sec_yieldBase(&base, yld, frequency);
  Val_setNumber(&hundred.v, 100.0);
  const double tN = c.n - 1 + c.dsc / c.e;
  Sec_discount(&den, &*hundred, &*base, tN);
  num = Op_mulVS(*den, tN);
  for (double k = 1; k <= c.n; ++k) {
    const double t = k - 1 + c.dsc / c.e;
    Sec_discount(&pv, cp, &*base, t);
    den = Op_add(*den, *pv);
    weighted = Op_mulVS(*pv, t);
    num = Op_add(*num, *weighted);
  }
  num = Op_div(*num, *den);
  return Wsf_from(result, Op_divVS(*num, frequency));
}

// DURATION's head, ranges and schedule: false with the result formed, else
// the coupon per period and the schedule.
bool durationArguments(Value* result, int argc, const Value* const* argv, WsfLocal* cp, double* frequency,
                       CoupSchedule* c) {
  double x[6] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 4, 5}, {2, 3}, SecDecisive::kAll, x)) return false;
  if (Wsf_fails(argv[2], 0, kRelCmpLt) || Wsf_fails(argv[3], 0, kRelCmpLt) || !Sec_schedule(x[0], x[1], x[4], x[5], c))
    return Wsf_error(result, kErrNum), false;
  *frequency = x[4];
  *cp = Op_mulSV(100 / x[4], *argv[2]);
  return true;
}

}  // namespace

Value* Wsf_coupdaybs(Value* result, int argc, const Value* const* argv, int32_t selector) {
  double x[4] = {};
  if (!Sec_headPlain(result, argc, argv, {0, 1, 2, 3}, x)) return result;
  CoupSchedule c{};
  if (!Sec_schedule(x[0], x[1], x[2], x[3], &c)) return Wsf_error(result, kErrNum);
  const double answers[] = {c.a, c.e, c.dsc, c.next, c.n, c.previous};
  if (selector < 1 || selector > 6) return Wsf_error(result, kErrValue);
  return Wsf_finite(result, answers[selector - 1]);
}

Value* Wsf_price(Value* result, int argc, const Value* const* argv) {
  double x[7] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 5, 6}, {2, 3, 4}, SecDecisive::kAll, x)) return result;
  const Value *rate = argv[2], *yld = argv[3], *redemption = argv[4];
  if (Wsf_fails(rate, 0, kRelCmpLt) || Wsf_fails(yld, 0, kRelCmpLt) || Wsf_fails(redemption, 0, kRelCmpLe))
    return Wsf_error(result, kErrNum);
  CoupSchedule c{};
  if (!Sec_schedule(x[0], x[1], x[5], x[6], &c)) return Wsf_error(result, kErrNum);
  if (Sec_nominalPeriod(x[6])) c.dsc = c.e - c.a;
  WsfLocal cp(result->context);
  cp = Op_mulSV(100 / x[5], *rate);
  return priceOf(result, &*cp, yld, redemption, x[5], c);
}

Value* Wsf_yield(Value* result, int argc, const Value* const* argv) {
  double x[7] = {};
  if (!Sec_headPlain(result, argc, argv, {0, 1, 5, 6}, x)) return result;
  const double rate = x[2], pr = x[3], redemption = x[4], frequency = x[5];
  CoupSchedule c{};
  if (rate < 0 || pr <= 0 || redemption <= 0 || !Sec_schedule(x[0], x[1], frequency, x[6], &c))
    return Wsf_error(result, kErrNum);
  if (Sec_nominalPeriod(x[6])) c.dsc = c.e - c.a;
  if (c.n <= 1) {
    // One payment left at simple interest: the price equation solved.
    const double cp = rate / frequency, den = c.a / c.e * cp + pr / 100;
    return Wsf_finite(result, (redemption / 100 + cp - den) / den * (c.e * frequency / c.dsc));
  }
  double bond[] = {rate, redemption, frequency, c.a, c.dsc, c.e, c.n}, y = 0;
  const uint32_t status = Root_brent(0, kHighestYield, bond, Root_priceAtYield, pr, &y);
  return Sec_rootResult(result, status, y);
}

Value* Wsf_duration(Value* result, int argc, const Value* const* argv) {
  WsfLocal cp(result->context);
  double frequency = 0;
  CoupSchedule c{};
  if (!durationArguments(result, argc, argv, &cp, &frequency, &c)) return result;
  return durationOf(result, &*cp, argv[3], frequency, c);
}

Value* Wsf_mduration(Value* result, int argc, const Value* const* argv) {
  WsfLocal cp(result->context), duration(result->context), base(result->context);
  double frequency = 0;
  CoupSchedule c{};
  if (!durationArguments(result, argc, argv, &cp, &frequency, &c)) return result;
  durationOf(&duration.v, &*cp, argv[3], frequency, c);
  Sec_yieldBase(&base, argv[3], frequency);
  return Wsf_from(result, Op_div(*duration, *base));
}
