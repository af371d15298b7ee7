// PV, FV, PMT, NPER, IPMT/PPMT and CUMIPMT/CUMPRINC over the generic
// operators.
#include "worksheet/financial/Wsf_Annuity.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "base/Dbl_Whole.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/financial/Fin_Terms.h"

namespace {

// Where the timing argument sits: PV to NPER, IPMT and PPMT.
constexpr int kTimingOfFive = 4;
constexpr int kTimingOfSix = 5;

// The structure hooks on the timing argument, the first error argument, a
// timing of a refused kind and a rate enclosure holding 0: true with the
// result formed. Otherwise *start says whether payments fall at the start
// of each period. The timing given and a rate of 0 each pick the formula.
bool head(Value* result, int argc, const Value* const* argv, int timing, bool* start) {
  const bool timed = argc > timing;
  Wsf_structureVariesWith(result, timed ? std::vector{argv[0], argv[timing]} : std::vector{argv[0]});
  if (timed && timing == kTimingOfFive &&
      Wsf_structureHooksSmooth(result, {argv[4]}, {argv[0], argv[1], argv[2], argv[3]}))
    return true;
  if (timed && timing == kTimingOfSix &&
      Wsf_structureHooksSmooth(result, {argv[5]}, {argv[0], argv[1], argv[2], argv[3], argv[4]}))
    return true;
  if (Wsf_firstErrorArg(result, argc, argv)) return true;
  if (Wsf_given(argc, argv, timing) && !Wsf_isPlain(argv[timing])) return Wsf_error(result, kErrValue), true;
  if (Fin_zeroInside(argv[0])) return Wsf_error(result, kErrDiv0), true;
  *start = timed && Wsf_isPlain(argv[timing]) && argv[timing]->kind > kValMissing && argv[timing]->number != 0;
  return false;
}

// Argument i, or 0 when it was left out.
FinTerm optional(EvalContext* ctx, int argc, const Value* const* argv, int i) {
  return Wsf_given(argc, argv, i) ? FinTerm(*argv[i]) : FinTerm(ctx, 0.0);
}

// The payment as it counts at the end of its period.
FinTerm timed(const FinTerm& pmt, const FinTerm& rate, bool start) {
  return start ? pmt * (1.0 + rate) : FinTerm(*pmt);
}

// The payment of PMT, -(pv t + fv) over the annuity factor at the end of
// each period; at the start of each period it is discounted by one period.
FinTerm payment(const FinTerm& rate, const FinTerm& nper, const FinTerm& pv, const FinTerm& fv, bool start) {
  FinTerm p = -(pv * Fin_growth(rate, nper) + fv) / Fin_annuity(rate, nper);
  return start ? p / (1.0 + rate) : std::move(p);
}

// PV, FV, PMT and NPER: after the head, f of their first three terms, the
// fourth (0 when left out) and whether payments fall at the start of each
// period.
template <typename F>
Value* ofFive(Value* result, int argc, const Value* const* argv, F f) {
  bool start = false;
  if (head(result, argc, argv, kTimingOfFive, &start)) return result;
  EvalContext* ctx = Fin_context(result, argc, argv);
  const FinTerm a(*argv[0]), b(*argv[1]), c(*argv[2]), d = optional(ctx, argc, argv, 3);
  return Fin_into(result, f(a, b, c, d, start));
}

// A count of CUMIPMT: a plain number other than a boolean, truncated.
bool count(const Value* v, int32_t* n) {
  if (!Wsf_isNumber(v)) return false;
  const double x = Wsf_number(v);
  if (!Dbl_toWhole(x, n)) *n = x < 0 ? INT32_MIN : INT32_MAX;
  return true;
}

// The repayment schedule of a loan pv that is to leave fv after nper
// periods, at a rate above -1, paid in equal parts at the end of each
// period or at its start. What is still owed after k payments comes in
// closed form: a schedule walked period by period rounds the payment to
// the first period's interest when (1 + rate)^nper dwarfs 1, and then
// repays nothing at all; and the interest of a period is the rate on it,
// not the payment less the principal, which cancels all but the last
// digits when the rate is near 0.
struct Schedule {
  EvalContext* ctx;
  FinTerm rate, pv, fv, nper;
  bool start;
  FinTerm whole;  // the annuity factor of all nper periods
  // Paid at the start of each period, the first payment is all principal
  // and the rest repays pv / (1 + rate) on the same terms.
  Schedule(EvalContext* context, const FinTerm& r, const FinTerm& loan, const FinTerm& left, const FinTerm& n,
           bool atStart)
      : ctx(context),
        rate(*r),
        pv(atStart ? loan / (1.0 + r) : FinTerm(*loan)),
        fv(atStart ? left / (1.0 + r) : FinTerm(*left)),
        nper(*n),
        start(atStart),
        whole(Fin_annuity(rate, nper)) {}
  // (pv (1 + rate)^k a(nper - k) - fv a(k)) / a(nper), a the annuity
  // factor of so many periods; its parts do not cancel, as a(nper) - a(k)
  // would for k near nper.
  FinTerm owed(const FinTerm& k) const {
    FinTerm loan = pv * Fin_growth(rate, k) * Fin_annuity(rate, nper - k);
    // A loan repaid in full (CUMIPMT's) skips the annuity of fv.
    if (Wsf_isNumber(&*fv) && Wsf_number(&*fv) == 0) return loan / whole;
    return (loan - fv * Fin_annuity(rate, k)) / whole;
  }
  // What is still owed after k of the payments: the loan itself before the
  // first.
  FinTerm owed(int32_t k) const {
    if (k > 0) return owed(FinTerm(ctx, k));
    return start ? pv * (1.0 + rate) : FinTerm(*pv);
  }
  // The interest of period per, paid with its payment: none at the start
  // of the first period.
  FinTerm interest(const FinTerm& per) const {
    if (start && Op_compareConst(*per, 1.0, kRelCmpEq)) return FinTerm(ctx, 0.0);
    return -(rate * owed(per - 1.0));
  }
};

}  // namespace

Value* Wsf_pv(Value* result, int argc, const Value* const* argv) {
  return ofFive(result, argc, argv,
                [](const FinTerm& rate, const FinTerm& nper, const FinTerm& pmt, const FinTerm& fv, bool start) {
                  return -(Fin_annuity(rate, nper) * timed(pmt, rate, start) + fv) / Fin_growth(rate, nper);
                });
}

Value* Wsf_fv(Value* result, int argc, const Value* const* argv) {
  return ofFive(result, argc, argv,
                [](const FinTerm& rate, const FinTerm& nper, const FinTerm& pmt, const FinTerm& pv, bool start) {
                  return -(Fin_annuity(rate, nper) * timed(pmt, rate, start) + pv * Fin_growth(rate, nper));
                });
}

Value* Wsf_pmt(Value* result, int argc, const Value* const* argv) { return ofFive(result, argc, argv, payment); }

Value* Wsf_nper(Value* result, int argc, const Value* const* argv) {
  return ofFive(result, argc, argv,
                [](const FinTerm& rate, const FinTerm& pmt, const FinTerm& pv, const FinTerm& fv, bool start) {
                  const FinTerm p = timed(pmt, rate, start);
                  const auto lnQ = [&] { return Fin_ln((p - rate * fv) / (p + rate * pv)); };
                  if (Fin_points({&rate, &pmt, &pv, &fv})) {
                    // ln(q) / ln(1 + rate), each divided by the rate: near
                    // 0, from ln(1 + x) / x with q - 1 = rate w written out,
                    // which keeps their digits and the slopes at a rate of 0.
                    const FinTerm w = -(fv + pv) / (p + rate * pv), rw = rate * w;
                    const bool smallRate = Fin_small(rate), smallStep = Fin_small(rw);
                    if (smallRate || smallStep)
                      return (smallStep ? w * Fin_lnRatio(rw) : lnQ() / rate) / Fin_lnRatio(rate);
                  }
                  if (Op_compareConst(*rate, 0.0, kRelCmpEq)) return -(pv + fv) / pmt;
                  return lnQ() / Fin_ln(1.0 + rate);
                });
}

Value* Wsf_ipmt(Value* result, int argc, const Value* const* argv, int32_t selector) {
  bool start = false;
  if (head(result, argc, argv, kTimingOfSix, &start)) return result;
  EvalContext* ctx = Fin_context(result, argc, argv);
  const FinTerm rate(*argv[0]), per(*argv[1]), nper(*argv[2]), pv(*argv[3]), fv = optional(ctx, argc, argv, 4);
  if (Wsf_fails(&*per, 1.0, kRelCmpLt) || Wsf_fails(&*(per - nper), 1.0, kRelCmpGe)) return Wsf_error(result, kErrNum);
  if (selector != kAnnuityPrincipal) return Fin_into(result, Schedule(ctx, rate, pv, fv, nper, start).interest(per));
  if (start && Op_compareConst(*per, 1.0, kRelCmpEq))
    return Fin_into(result, payment(rate, nper, pv, fv, start));  // the day of the loan: no interest yet
  // The first end-of-period payment repays -(pv + fv) over the annuity
  // factor, its payment less the interest pv rate written out: the
  // difference itself cancels all but the last few digits when
  // (1 + rate)^nper dwarfs 1.
  const FinTerm first = -(pv + fv) / Fin_annuity(rate, nper);
  return Fin_into(result, first * Fin_growth(rate, per - (start ? 2.0 : 1.0)));
}

Value* Wsf_cumipmt(Value* result, int argc, const Value* const* argv, int32_t selector) {
  if (argc < 6) return Wsf_error(result, kErrValue);
  // The counts pick the periods summed, the rate and the value the formula
  // and whether there is a result.
  Wsf_structureVariesWith(result, std::vector<const Value*>(argv, argv + argc));
  if (Wsf_structureHooksSmooth(result, {argv[1], argv[3], argv[4], argv[5]}, {argv[0], argv[2]})) return result;
  if (Wsf_firstErrorArg(result, argc, argv)) return result;
  int32_t n = 0, first = 0, last = 0, type = 0;
  if (!count(argv[1], &n) || !count(argv[3], &first) || !count(argv[4], &last) || !count(argv[5], &type))
    return Wsf_error(result, kErrValue);
  if (Wsf_fails(argv[0], 0.0, kRelCmpLe) || Wsf_fails(argv[2], 0.0, kRelCmpLe) || n < 1 || first < 1 || first > last ||
      last > n || last > kFinMaxWalkedPeriods || (type != 0 && type != 1))
    return Wsf_error(result, kErrNum);
  EvalContext* ctx = Fin_context(result, argc, argv);
  const Schedule s(ctx, FinTerm(*argv[0]), FinTerm(*argv[2]), FinTerm(ctx, 0.0), FinTerm(ctx, n), type == 1);
  if (selector == kAnnuityPrincipal) return Fin_into(result, s.owed(last) - s.owed(first - 1));
  FinTerm sum(ctx, 0.0);
  for (int32_t k = first; k <= last; ++k) sum = sum + s.interest(FinTerm(ctx, k));
  return Fin_into(result, sum);
}
