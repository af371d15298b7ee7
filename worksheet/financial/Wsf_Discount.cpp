// Discounted securities and securities that pay interest at maturity.
#include "worksheet/financial/Wsf_Discount.h"

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/financial/Sec_Args.h"

namespace {

// A span between two dates in years of the basis.
struct Span {
  double days = 0, year = 0;
  double years() const { return days / year; }
};

// The head, ranges and span of a discounted security whose two money or
// rate arguments (2 and 3) must be positive: false with the result formed.
bool discountArguments(Value* result, int argc, const Value* const* argv, Span* span) {
  double x[5] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 4}, {2, 3}, SecDecisive::kAll, x)) return false;
  if (Wsf_fails(argv[2], 0, kRelCmpLe) || Wsf_fails(argv[3], 0, kRelCmpLe) ||
      !Coup_dayCount(x[0], x[1], x[4], &span->days, &span->year))
    return Wsf_error(result, kErrNum), false;
  return true;
}

// The spans of a security paying interest at maturity, issue to settlement,
// issue to maturity and settlement to maturity, and its interest at
// maturity per 100, 100 (1 + rate years(issue, maturity)): false with the
// result formed when rate or the money argument (4) fails its range.
bool maturityArguments(Value* result, int argc, const Value* const* argv, int32_t moneyRelation, Span* accrued,
                       Span* toMaturity, WsfLocal* atMaturity) {
  double x[6] = {};
  if (!Sec_headValueWise(result, argc, argv, {0, 1, 2, 5}, {3, 4}, SecDecisive::kAll, x)) return false;
  const double settlement = x[0], maturity = x[1], issue = x[2], basis = x[5];
  Span life;
  if (Wsf_fails(argv[3], 0, kRelCmpLt) || Wsf_fails(argv[4], 0, moneyRelation) ||
      !Coup_dayCount(issue, settlement, basis, &accrued->days, &accrued->year) ||
      !Coup_dayCount(issue, maturity, basis, &life.days, &life.year) ||
      !Coup_dayCount(settlement, maturity, basis, &toMaturity->days, &toMaturity->year))
    return Wsf_error(result, kErrNum), false;
  *atMaturity = Op_mulVS(*argv[3], 100 * life.years());
  *atMaturity = Op_addVS(**atMaturity, 100.0);
  return true;
}

}  // namespace

Value* Wsf_disc(Value* result, int argc, const Value* const* argv) {
  Span span;
  if (!discountArguments(result, argc, argv, &span)) return result;
  WsfLocal share(result->context);
  share = Op_div(*argv[2], *argv[3]);
  share = Op_subSV(1.0, *share);
  return Wsf_from(result, Op_divVS(*share, span.years()));
}

Value* Wsf_intrate(Value* result, int argc, const Value* const* argv) {
  Span span;
  if (!discountArguments(result, argc, argv, &span)) return result;
  WsfLocal ratio(result->context);
  ratio = Op_div(*argv[3], *argv[2]);
  ratio = Op_subVS(*ratio, 1.0);
  return Wsf_from(result, Op_divVS(*ratio, span.years()));
}

Value* Wsf_pricedisc(Value* result, int argc, const Value* const* argv) {
  Span span;
  if (!discountArguments(result, argc, argv, &span)) return result;
  WsfLocal share(result->context);
  Sec_discountShare(&share, argv[2], span.years());
  return Wsf_from(result, Op_mul(*share, *argv[3]));
}

Value* Wsf_received(Value* result, int argc, const Value* const* argv) {
  Span span;
  if (!discountArguments(result, argc, argv, &span)) return result;
  WsfLocal share(result->context);
  Sec_discountShare(&share, argv[3], span.years());
  return Wsf_from(result, Op_div(*argv[2], *share));
}

Value* Wsf_pricemat(Value* result, int argc, const Value* const* argv) {
  Span accrued, toMaturity;
  WsfLocal atMaturity(result->context), growth(result->context), interest(result->context);
  if (!maturityArguments(result, argc, argv, kRelCmpLt, &accrued, &toMaturity, &atMaturity)) return result;
  growth = Op_mulVS(*argv[4], toMaturity.years());
  growth = Op_addVS(*growth, 1.0);
  atMaturity = Op_div(*atMaturity, *growth);
  interest = Op_mulVS(*argv[3], 100 * accrued.years());
  return Wsf_from(result, Op_sub(*atMaturity, *interest));
}

Value* Wsf_yieldmat(Value* result, int argc, const Value* const* argv) {
  Span accrued, toMaturity;
  WsfLocal atMaturity(result->context), paid(result->context);
  if (!maturityArguments(result, argc, argv, kRelCmpLe, &accrued, &toMaturity, &atMaturity)) return result;
  paid = Op_mulVS(*argv[3], 100 * accrued.years());
  paid = Op_add(*argv[4], *paid);
  atMaturity = Op_div(*atMaturity, *paid);
  atMaturity = Op_subVS(*atMaturity, 1.0);
  return Wsf_from(result, Op_divVS(*atMaturity, toMaturity.years()));
}
