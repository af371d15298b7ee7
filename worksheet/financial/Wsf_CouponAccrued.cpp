// Interest accrued from the issue, over coupon periods or days.
#include "worksheet/financial/Wsf_CouponAccrued.h"

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/financial/Sec_Args.h"

namespace {

constexpr double kDefaultPar = 1000;

// The par value: 1000 when left empty.
const Value* parOf(int argc, const Value* const* argv, int i, Value* fallback) {
  if (Wsf_given(argc, argv, i)) return argv[i];
  return Val_setNumber(fallback, kDefaultPar);
}

// The coupon periods accrued from the issue to the settlement. The issue's
// period counts from the issue to its end (under the nominal bases 2 and 3
// its length less the days before the issue), each later period whole, and
// the settlement's period up to the settlement. Coupons fall on the dates
// the first interest date and the frequency fix. False when a schedule
// refuses the dates, frequency or basis.
bool accruedPeriods(double issue, double first, double settlement, double frequency, double basis, double* periods) {
  CoupSchedule atIssue{}, at{};
  if (!Coup_schedule(issue, first, frequency, basis, &atIssue) ||
      !Coup_schedule(settlement, first, frequency, basis, &at))
    return false;
  const double issueShare = (Sec_nominalPeriod(basis) ? atIssue.e - atIssue.a : atIssue.dsc) / atIssue.e;
  if (settlement >= first) {
    // The whole first period, the regular periods since and the current one.
    *periods = issueShare + (atIssue.n - 1) + (at.n - 1) + at.a / at.e;
  } else if (atIssue.n == at.n) {
    // Issue and settlement in one quasi-period.
    *periods = at.a / atIssue.e - (1 - issueShare);
  } else {
    *periods = issueShare + (atIssue.n - at.n - 1) + at.a / at.e;
  }
  return true;
}

}  // namespace

Value* Wsf_accrint(Value* result, int argc, const Value* const* argv) {
  double x[7] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 2, 5, 6}, {3, 4}, SecDecisive::kAll, x)) return result;
  Value fallback = Val_empty(result->context);
  const Value *rate = argv[3], *par = parOf(argc, argv, 4, &fallback);
  const double issue = x[0], first = x[1], settlement = x[2], frequency = x[5];
  double periods = 0;
  if (Wsf_fails(rate, 0, kRelCmpLe) || Wsf_fails(par, 0, kRelCmpLe) || settlement <= issue || first <= issue ||
      !accruedPeriods(issue, first, settlement, frequency, x[6], &periods))
    return Wsf_error(result, kErrNum);
  WsfLocal interest(result->context);
  interest = Op_divVS(*rate, frequency);
  interest = Op_mul(*interest, *par);
  return Wsf_from(result, Op_mulVS(*interest, periods));
}

Value* Wsf_accrintm(Value* result, int argc, const Value* const* argv) {
  double x[5] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 4}, {2, 3}, SecDecisive::kAll, x)) return result;
  Value fallback = Val_empty(result->context);
  const Value *rate = argv[2], *par = parOf(argc, argv, 3, &fallback);
  double days = 0, year = 0;
  if (Wsf_fails(rate, 0, kRelCmpLe) || Wsf_fails(par, 0, kRelCmpLe) || !Coup_dayCount(x[0], x[1], x[4], &days, &year))
    return Wsf_error(result, kErrNum);
  WsfLocal interest(result->context);
  interest = Op_mul(*par, *rate);
  return Wsf_from(result, Op_mulVS(*interest, days / year));
}
