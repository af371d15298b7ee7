// RATE, IRR and XIRR by bracketing and Brent's method.
#include "worksheet/financial/Wsf_RateRoots.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/financial/Fin_Terms.h"
#include "worksheet/financial/Sec_Args.h"
#include "worksheet/numeric/Num_Gather.h"
#include "worksheet/numeric/Root_Brent.h"
#include "worksheet/numeric/Root_Residuals.h"
#include "worksheet/statistics/Stat_Smooth.h"

namespace {

constexpr double kDefaultGuess = 0.1;
constexpr double kHalfBracket = 0.1;
constexpr int kRateArgs = 6;
constexpr int kRatePeriods = 0, kRateType = 4;
// The arguments a root is smooth in: RATE's payment, present and future
// values, IRR's and XIRR's cash flows (XIRR's dates shape the formula).
constexpr unsigned kRateSmooth = 0b01110u, kIrrSmooth = 0b1u, kXirrSmooth = 0b1u;
// Newton steps taken on the evaluation modes from the root of the plain
// numbers: two carry exact first and second derivatives.
constexpr int kNewtonSteps = 2;

// Brent's method closes in on a change of sign, and the residuals of IRR
// and RATE change sign through their pole at a rate of -1 as well as at a
// root: a root whose residual is larger than at both ends of the bracket
// it came from is that pole, where no rate makes the residual vanish
// ("#num!"). At a true root the continuous residual is near zero.
uint32_t checkRoot(void* record, KernRootFn residual, double a, double b, double root) {
  double fa = 0, fb = 0, fr = 0;
  if (uint32_t s = residual(record, a, &fa)) return s;
  if (uint32_t s = residual(record, b, &fb)) return s;
  if (uint32_t s = residual(record, root, &fr)) return s;
  return std::fabs(fr) > std::max(std::fabs(fa), std::fabs(fb)) ? kErrorBase + kErrNum : 0;
}

// The root of the residual over the record near the guess, or the error
// word the finders end with.
Value* solve(Value* result, void* record, KernRootFn residual, double guess) {
  double a = guess - kHalfBracket, b = guess + kHalfBracket, root = 0;
  uint32_t status = Root_bracket(&a, &b, record, residual);
  if (status == 0) status = Root_brent(a, b, record, residual, 0.0, &root);
  if (status == 0) status = checkRoot(record, residual, a, b, root);
  return Sec_rootResult(result, status, root);
}

// The structure hooks (the root is smooth in the arguments whose bits
// smoothArgs sets, non-smooth in the rest) and the first error argument,
// then a guess argument of a refused kind: true with the result formed.
bool rootHead(Value* result, int argc, const Value* const* argv, unsigned smoothArgs, int guessAt) {
  std::vector<const Value*> smooth, plain;
  for (int i = 0; i < argc; ++i) ((smoothArgs >> i) & 1u ? smooth : plain).push_back(argv[i]);
  if (Wsf_structureHooksSmooth(result, plain, smooth) || Wsf_firstErrorArg(result, argc, argv)) return true;
  if (Wsf_given(argc, argv, guessAt) && !Wsf_isPlain(argv[guessAt])) return Wsf_error(result, kErrValue), true;
  return false;
}

double guessOf(int argc, const Value* const* argv, int at) {
  return Wsf_given(argc, argv, at) ? (argv[at]->kind == kValEmpty ? 0.0 : argv[at]->number) : kDefaultGuess;
}

bool hasBothSigns(const std::vector<double>& v, bool strictNegative) {
  const auto negative = [strictNegative](double x) { return strictNegative ? x < 0 : x <= 0; };
  return std::any_of(v.begin() + 1, v.end(), negative) &&
         std::any_of(v.begin() + 1, v.end(), [](double x) { return x >= 0; });
}

// A residual and its derivative in the rate, on the generic operators.
struct Residual {
  FinTerm value, slope;
};

// The rate of evaluation-mode arguments: the root found on their points,
// then Newton steps r - F(r) / F'(r) over the arguments' values. At the
// root a step's derivative in r vanishes, so the first step carries the
// implicit derivatives -(dF/dtheta) / (dF/dr) and the second the second
// derivatives as well. A derivative mode's residual flat in r at the root
// (RATE of no periods, where every rate is a root) leaves the root no
// derivative.
template <typename F>
Value* polished(Value* result, F residual) {
  if (result->kind != kValReal && result->kind != kValInt) return result;
  const double root = result->number;
  FinTerm r(result->context, root);
  for (int step = 0; step < kNewtonSteps; ++step) {
    const Residual f = residual(r);
    if (double slope = 0.0; Op_derivativeValue(*f.slope, &slope) && slope == 0.0) {
      Val_clear(result);
      return Val_setNoDerivative(result);
    }
    r = r - f.value / f.slope;
  }
  // The steps may refine the root in its last digits: the value stays the
  // one the plain numbers give.
  return Fin_into(result, r + (root - Stat_pointOf(&*r)));
}

// IRR's residual sum c_i d^i (d = 1 / (1 + r)) and its derivative
// -sum i c_i d^(i+1), both by Horner's rule.
Residual npvResidual(const NumValues& flows, const FinTerm& r) {
  const FinTerm d = 1.0 / (1.0 + r);
  FinTerm sum(r.context(), 0.0), weighted(r.context(), 0.0);
  for (size_t i = flows.items.size() - 1; i >= 1; --i) {
    const FinTerm c(flows.items[i]);
    sum = sum * d + c;
    weighted = weighted * d + c * static_cast<double>(i);
  }
  return {d * sum, -(d * d * weighted)};
}

// XIRR's residual sum c_i b^-t_i (b = 1 + r, t_i the years from the first
// date) and its derivative -sum t_i c_i b^(-t_i - 1).
Residual xnpvResidual(const NumValues& flows, const std::vector<double>& dates, const FinTerm& r) {
  const FinTerm base = 1.0 + r;
  FinTerm sum(r.context(), 0.0), slope(r.context(), 0.0);
  for (size_t i = 1; i < flows.items.size(); ++i) {
    const double t = Root_yearsSince(dates[1], dates[i]);
    const FinTerm term = FinTerm(flows.items[i]) * Fin_power(base, -t);
    sum = sum + term;
    slope = slope - t * term / base;
  }
  return {std::move(sum), std::move(slope)};
}

// RATE's residual pv g + pmt q a + fv with g = (1 + r)^n, a = (g - 1) / r
// the annuity factor and q = 1 + r type, and its derivative in r. The
// factor and its slope keep their digits at a root near 0.
Residual annuityResidual(const Value* const* args, double n, double type, const FinTerm& r) {
  const FinTerm pmt(*args[1]), pv(*args[2]), fv(*args[3]), periods(r.context(), n);
  const FinTerm g = Fin_growth(r, periods), dg = n * Fin_growth(r, periods - 1.0);
  const FinTerm q = 1.0 + r * type, annuity = Fin_annuity(r, periods);
  FinTerm value = pv * g + pmt * q * annuity + fv;
  FinTerm slope = pv * dg + pmt * (type * annuity + q * Fin_annuitySlope(r, periods));
  return {std::move(value), std::move(slope)};
}

// The arguments of a root over the evaluation modes: plain numbers, the
// point-derivative kinds and the structure modes; a sample vector or an
// interval kind is refused (true with the result formed). *structural
// tells whether a structure-mode value is among them.
bool refusedMode(Value* result, int argc, const Value* const* argv, bool* structural) {
  *structural = false;
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k) {
      const Value* v = Wsf_element(argv[i], k);
      *structural = *structural || Wsf_isStructural(v);
      if (v->kind >= kValSamples && v->kind <= kValAffine && !Stat_isPointDerivative(v->kind))
        return Stat_refuseMode(result, v), true;
    }
  return false;
}

// The start of the Newton steps: the root on the points, or the guess in
// the structure modes, whose values carry no point.
void startAt(Value* result, bool structural, double guess, void* record, KernRootFn residual) {
  if (structural) Wsf_finite(result, guess);
  else solve(result, record, residual, guess);
}

// RATE over evaluation-mode payments, values and future values; the
// number of periods and the type (which shape the formula) stay plain.
Value* rateModes(Value* result, int argc, const Value* const* argv) {
  bool structural = false;
  if (refusedMode(result, argc, argv, &structural)) return result;
  for (int i = 0; i < std::min(argc, kRateArgs - 1); ++i)
    if (!Wsf_isPlain(argv[i]) && !(argv[i]->kind >= kValSamples && argv[i]->kind <= kValDegVec))
      return Wsf_error(result, kErrValue);
  for (int i : {kRatePeriods, kRateType})
    if (argc > i && !Wsf_isPlain(argv[i])) return Stat_refuseMode(result, argv[i]);
  Value zero = Val_empty(result->context);
  const Value* args[kRateArgs] = {&zero, &zero, &zero, &zero, &zero, &zero};
  double record[5] = {};
  for (int i = 0; i < std::min(argc, kRateArgs - 1); ++i) {
    args[i] = argv[i];
    record[i] = Stat_pointOf(argv[i]);
  }
  startAt(result, structural, guessOf(argc, argv, 5), record, Root_annuityBalance);
  // Any type but 0 has the payments at the start of the periods.
  const double type = record[kRateType] != 0 ? 1.0 : 0.0;
  return polished(result, [&](const FinTerm& r) { return annuityResidual(args, record[kRatePeriods], type, r); });
}

// IRR over a range holding values of the evaluation modes.
Value* irrModes(Value* result, int argc, const Value* const* argv) {
  bool structural = false;
  if (refusedMode(result, argc, argv, &structural)) return result;
  NumValues flows;
  if (!Num_gatherValues(argv[0], kCollectLenient, &flows, result)) return result;
  std::vector<double> points(flows.items.size(), 0.0);
  for (size_t i = 1; i < points.size(); ++i) points[i] = Stat_pointOf(&flows.items[i]);
  if (points.size() < 2 || (!structural && !hasBothSigns(points, false))) return Wsf_error(result, kErrNum);
  points[0] = static_cast<double>(points.size() - 1);
  startAt(result, structural, guessOf(argc, argv, 1), points.data(), Root_npvAtRate);
  return polished(result, [&](const FinTerm& r) { return npvResidual(flows, r); });
}

// XIRR over cash flows of the evaluation modes; dates with derivatives are
// refused, the formula being made of them (the structure modes have marked
// them non-smooth before).
Value* xirrModes(Value* result, int argc, const Value* const* argv) {
  bool structural = false;
  if (refusedMode(result, argc, argv, &structural)) return result;
  for (int32_t k = 0; k < Wsf_count(argv[1]); ++k)
    if (Stat_isPointDerivative(Wsf_element(argv[1], k)->kind)) return Stat_refuseMode(result, Wsf_element(argv[1], k));
  NumValues flows;
  std::vector<double> dates;
  if (!Num_gatherValues(argv[0], kCollectStrict, &flows, result) ||
      !Num_gatherNumbers(argv[1], kCollectStrict, &dates, result))
    return result;
  std::vector<double> record(flows.items.size(), 0.0);
  for (size_t i = 1; i < record.size(); ++i) record[i] = Stat_pointOf(&flows.items[i]);
  if (record.size() != dates.size() || record.size() < 3 || (!structural && !hasBothSigns(record, true)))
    return Wsf_error(result, kErrNum);
  record[0] = static_cast<double>(record.size() - 1);
  record.insert(record.end(), dates.begin() + 1, dates.end());
  startAt(result, structural, guessOf(argc, argv, 2), record.data(), Root_xnpvAtRate);
  return polished(result, [&](const FinTerm& r) { return xnpvResidual(flows, dates, r); });
}

}  // namespace

Value* Wsf_rate(Value* result, int argc, const Value* const* argv) {
  double x[kRateArgs] = {0, 0, 0, 0, 0, kDefaultGuess};
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(std::min(argc, kRateArgs - 1), argv, &ctx))
    return rootHead(result, argc, argv, kRateSmooth, 5) ? result : rateModes(result, argc, argv);
  if (!Wsf_plainNumbers(result, std::min(argc, kRateArgs), argv, x)) return result;
  double record[5] = {x[0], x[1], x[2], x[3], x[4]};
  return solve(result, record, Root_annuityBalance, guessOf(argc, argv, 5));
}

Value* Wsf_irr(Value* result, int argc, const Value* const* argv) {
  if (rootHead(result, argc, argv, kIrrSmooth, 1)) return result;
  if (argv[0]->kind != kValArray) return Wsf_error(result, kErrNum);
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(1, argv, &ctx)) return irrModes(result, argc, argv);
  std::vector<double> values;
  if (!Num_gatherNumbers(argv[0], kCollectLenient, &values, result)) return result;
  if (values.size() < 2 || !hasBothSigns(values, false)) return Wsf_error(result, kErrNum);
  values[0] = static_cast<double>(values.size() - 1);
  return solve(result, values.data(), Root_npvAtRate, guessOf(argc, argv, 1));
}

Value* Wsf_xirr(Value* result, int argc, const Value* const* argv) {
  if (rootHead(result, argc, argv, kXirrSmooth, 2)) return result;
  if (argv[0]->kind != kValArray || argv[1]->kind != kValArray) return Wsf_error(result, kErrNum);
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(2, argv, &ctx)) return xirrModes(result, argc, argv);
  std::vector<double> values, dates;
  if (!Num_gatherNumbers(argv[0], kCollectStrict, &values, result) ||
      !Num_gatherNumbers(argv[1], kCollectStrict, &dates, result))
    return result;
  if (values.size() != dates.size() || values.size() < 3 || !hasBothSigns(values, true))
    return Wsf_error(result, kErrNum);
  values[0] = static_cast<double>(values.size() - 1);
  values.insert(values.end(), dates.begin() + 1, dates.end());
  return solve(result, values.data(), Root_xnpvAtRate, guessOf(argc, argv, 2));
}
