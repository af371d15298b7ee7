// Price and yield of bonds with an odd first or last coupon period.
#include "worksheet/financial/Wsf_OddPeriods.h"

#include <cmath>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/dates/Coup_OddPeriods.h"
#include "worksheet/financial/Sec_Args.h"
#include "worksheet/numeric/Root_Brent.h"

namespace {

// The yield search runs over [0, kHighestYield].
constexpr double kHighestYield = 500000000;

// An odd first period in regular periods: the settlement is x periods
// before the first coupon, which pays `first` regular coupons, `accrued` of
// them earned by the settlement; n regular coupons follow it.
struct OddFirst {
  double x, first, accrued, n;
};

// An odd last period in regular periods: `accrued` from the last interest
// date to the settlement, `final` from it to the maturity (the final
// coupon), `span` from the settlement to the maturity.
struct OddLast {
  double accrued, final, span;
};

// False unless issue < settlement < first coupon < maturity and the
// schedules take the dates, frequency and basis.
bool oddFirstOf(const double* x, int settlement, int maturity, int issue, int firstCoupon, int frequency, int basis,
                OddFirst* out) {
  CoupOddFirst o{};
  if (!(x[issue] < x[settlement] && x[settlement] < x[firstCoupon] && x[firstCoupon] < x[maturity]) ||
      !Coup_oddFirstPeriod(x[settlement], x[maturity], x[issue], x[firstCoupon], x[frequency], x[basis], &o))
    return false;
  *out = {o.periodsAfterSettlement + o.settlementDsc / o.settlementLength,
          o.quasiPeriods - 1 + o.issueDsc / o.issueLength,
          o.issueAccrued / o.issueLength + o.periodsBeforeSettlement + o.settlementAccrued / o.settlementLength,
          o.regularCoupons};
  return true;
}

// False unless last interest < settlement < maturity and the schedules take
// the dates, frequency and basis.
bool oddLastOf(const double* x, int settlement, int maturity, int last, int frequency, int basis, OddLast* out) {
  CoupOddLast o{};
  if (!(x[last] < x[settlement] && x[settlement] < x[maturity]) ||
      !Coup_oddLastPeriod(x[settlement], x[maturity], x[last], x[frequency], x[basis], &o))
    return false;
  const CoupSchedule &s = o.atSettlement, &m = o.atMaturity;
  *out = {s.n - 1 + s.a / s.e, m.n - 1 + m.a / m.e, o.periods - 1 + o.maturityAccrued / m.e + s.dsc / s.e};
  return true;
}

// ODDFYIELD's residual: the odd-first price at the yield y.
struct OddFirstBond {
  double rate, redemption, frequency;
  OddFirst t;
};

uint32_t oddFirstPriceAtYield(void* record, double y, double* out) {
  const auto* b = static_cast<const OddFirstBond*>(record);
  const double cp = 100 * b->rate / b->frequency, base = 1 + y / b->frequency;
  double price = b->redemption / std::pow(base, b->t.x + b->t.n) + cp * b->t.first / std::pow(base, b->t.x);
  for (double k = 1; k <= b->t.n; ++k) price += cp / std::pow(base, b->t.x + k);
  *out = price - cp * b->t.accrued;
  return 0;
}

// Whether a rate, yield and redemption are out of range.
bool outOfRange(const Value* rate, const Value* yld, const Value* redemption) {
  return Wsf_fails(rate, 0, kRelCmpLt) || Wsf_fails(yld, 0, kRelCmpLt) || Wsf_fails(redemption, 0, kRelCmpLe);
}

}  // namespace

Value* Wsf_oddfprice(Value* result, int argc, const Value* const* argv) {
  double x[9] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 2, 3, 7, 8}, {4, 5, 6}, SecDecisive::kPlainOnly, x)) return result;
  const Value *rate = argv[4], *yld = argv[5], *redemption = argv[6];
  const double frequency = x[7];
  OddFirst t{};
  if (outOfRange(rate, yld, redemption) || !oddFirstOf(x, 0, 1, 2, 3, 7, 8, &t)) return Wsf_error(result, kErrNum);
  EvalContext* ctx = result->context;
  WsfLocal cp(ctx), base(ctx), price(ctx), term(ctx);
  cp = Op_mulSV(100 / frequency, *rate);
  Sec_yieldBase(&base, yld, frequency);
  Sec_discount(&price, redemption, &*base, t.x + t.n);
  Sec_discount(&term, &*cp, &*base, t.x);
  term = Op_mulVS(*term, t.first);
  price = Op_add(*price, *term);
  for (double k = 1; k <= t.n; ++k) {
    Sec_discount(&term, &*cp, &*base, t.x + k);
    price = Op_add(*price, *term);
  }
  term = Op_mulVS(*cp, t.accrued);
  return Wsf_from(result, Op_sub(*price, *term));
}

Value* Wsf_oddfyield(Value* result, int argc, const Value* const* argv) {
  double x[9] = {};
  if (!Sec_headPlain(result, argc, argv, {0, 1, 2, 3, 7, 8}, x)) return result;
  OddFirstBond bond{x[4], x[6], x[7], {}};
  const double pr = x[5];
  if (bond.rate < 0 || pr <= 0 || bond.redemption <= 0 || !oddFirstOf(x, 0, 1, 2, 3, 7, 8, &bond.t))
    return Wsf_error(result, kErrNum);
  double y = 0;
  const uint32_t status = Root_brent(0, kHighestYield, &bond, oddFirstPriceAtYield, pr, &y);
  return Sec_rootResult(result, status, y);
}

Value* Wsf_oddlprice(Value* result, int argc, const Value* const* argv) {
  double x[8] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 2, 6, 7}, {3, 4, 5}, SecDecisive::kAll, x)) return result;
  const Value *rate = argv[3], *yld = argv[4], *redemption = argv[5];
  const double frequency = x[6];
  OddLast t{};
  if (outOfRange(rate, yld, redemption) || !oddLastOf(x, 0, 1, 2, 6, 7, &t)) return Wsf_error(result, kErrNum);
  EvalContext* ctx = result->context;
  WsfLocal cp(ctx), paid(ctx), growth(ctx), accrued(ctx);
  cp = Op_mulSV(100 / frequency, *rate);
  paid = Op_mulVS(*cp, t.final);
  paid = Op_add(*redemption, *paid);
  growth = Op_mulVS(*yld, t.span / frequency);
  growth = Op_addVS(*growth, 1.0);
  paid = Op_div(*paid, *growth);
  accrued = Op_mulVS(*cp, t.accrued);
  return Wsf_from(result, Op_sub(*paid, *accrued));
}

Value* Wsf_oddlyield(Value* result, int argc, const Value* const* argv) {
  double x[8] = {};
  if (!Sec_headPlain(result, argc, argv, {0, 1, 2, 6, 7}, x)) return result;
  const double rate = x[3], pr = x[4], redemption = x[5], frequency = x[6];
  OddLast t{};
  if (rate < 0 || pr <= 0 || redemption <= 0 || !oddLastOf(x, 0, 1, 2, 6, 7, &t)) return Wsf_error(result, kErrNum);
  const double cp = 100 * rate / frequency, paid = redemption + t.final * cp, cost = pr + t.accrued * cp;
  return Wsf_finite(result, (paid - cost) / cost * (frequency / t.span));
}
