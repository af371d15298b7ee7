// Distributions and tests LOGNORMDIST to ZTEST.
#include "worksheet/statistics/Wsf_Laws.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "base/Dbl_Whole.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Collect.h"
#include "worksheet/kernels/Kern_Distributions.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Kern_Root.h"
#include "worksheet/kernels/Kern_Special.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Stat_Smooth.h"

namespace {
constexpr int kMaxArgs = 4;
constexpr double kSqrt2 = 1.4142135623730951;
// PROB's probabilities must add up to 1 within this.
constexpr double kProbabilitySum = 3e-7;
// The first upper end of the t quantile's bracket.
constexpr double kTBracket = 5e6;
// Beyond this mean e^-mean leaves the normal doubles.
constexpr double kLargestExpArgument = 700.0;
// The furthest single Poisson term formed by the recurrence from e^-mean.
constexpr double kLongestRecurrence = 1000.0;
// Standard deviations below the mean past which a Poisson term is nothing.
constexpr double kPoissonSpread = 40.0;

Value* answer(Value* result, uint32_t status, double x) {
  return status ? Wsf_error(result, status) : Wsf_finite(result, x);
}

double lnGammaOf(double x) { return Kern_lnGamma(&x); }

// The standard normal law: its distribution Phi and its quantile Phi^-1,
// NaN where the kernels fail; the slope of Phi is the density phi, of
// Phi^-1 it is 1 / phi(Phi^-1).
const double kInvSqrt2Pi = 0.3989422804014327;
double phiOf(double z) { return kInvSqrt2Pi * std::exp(-z * z / 2); }
double cdfOf(double z) {
  double v = 0;
  return Kern_cdfStdNormal(nullptr, z, &v) ? NAN : v;
}
double cdfCurvature(double z) { return -z * phiOf(z); }
double quantileOf(double p) {
  double z = 0;
  return Kern_invStdNormal(p, &z) ? NAN : z;
}
double quantileSlope(double p) { return 1 / phiOf(quantileOf(p)); }
double quantileCurvature(double p) {
  const double z = quantileOf(p), f = phiOf(z);
  return z / (f * f);
}
constexpr StatSmooth kNormalCdf{cdfOf, phiOf, cdfCurvature};
constexpr StatSmooth kNormalQuantile{quantileOf, quantileSlope, quantileCurvature};

// Whether an argument holds a value of an evaluation mode, after the
// structure hooks (the first smooth arguments are smooth in the structure
// modes, the rest non-smooth) and the first error argument (*formed with
// the result formed by them); a caller then computes on the generic
// operators.
bool modal(Value* result, int argc, const Value* const* argv, int smooth, bool* formed) {
  const std::vector<const Value*> smoothArgs(argv, argv + std::min(argc, smooth)),
      plainArgs(argv + std::min(argc, smooth), argv + argc);
  *formed = Wsf_structureHooksSmooth(result, plainArgs, smoothArgs) || Wsf_firstErrorArg(result, argc, argv);
  EvalContext* ctx = nullptr;
  return !*formed && Wsf_anyModal(argc, argv, &ctx);
}

// Every argument plain or of an evaluation mode with its payload; "#value!"
// into the result otherwise (texts, arrays).
bool modeArgs(Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (!Wsf_isPlain(argv[i]) && !(argv[i]->kind >= kValSamples && argv[i]->kind <= kValDegVec && argv[i]->payload))
      return Wsf_error(result, kErrValue), false;
  return true;
}

// (x - mean) / sd on the generic operators into *u; false with "#num!" in
// the result when sd is not positive.
bool standardized(Value* result, const Value* x, const Value* mean, const Value* sd, WsfLocal* u) {
  if (Wsf_fails(sd, 0, kRelCmpLe)) return Wsf_error(result, kErrNum), false;
  *u = Op_sub(*x, *mean);
  *u = Op_div(**u, *sd);
  return true;
}

// NORMDIST of evaluation-mode arguments: Phi of the standardized value, or
// the density phi(u) / sd composed of the generic operators.
Value* normdistModes(Value* result, int argc, const Value* const* argv) {
  const bool cumulative = argc > 3 && Wsf_number(argv[3]) != 0;
  if (argc > 3 && !Wsf_isPlain(argv[3])) return Wsf_error(result, kErrValue);
  WsfLocal u(result->context), d(result->context);
  if (!standardized(result, argv[0], argv[1], argv[2], &u)) return result;
  if (cumulative) return Stat_smoothOf(result, &*u, kNormalCdf);
  d = Op_mul(*u, *u);
  d = Op_mulVS(*d, -0.5);
  Wsf_exp(&d.v, &*d);
  d = Op_mulVS(*d, kInvSqrt2Pi);
  return Wsf_from(result, Op_div(*d, *argv[2]));
}

// A probability strictly inside (0, 1); "#num!" into the result otherwise.
bool openProbability(Value* result, const Value* p) {
  if (Wsf_fails(p, 0, kRelCmpLe) || Wsf_fails(p, 1, kRelCmpGe)) return Wsf_error(result, kErrNum), false;
  return true;
}

// An error among the values, in order, into the result; then "#value!" for
// one of the plain ones that is not plain. False with the result formed.
bool checked(Value* result, std::initializer_list<const Value*> all, std::initializer_list<const Value*> plain) {
  for (const Value* v : all)
    if (Wsf_isError(v)) return Wsf_copy(result, v), false;
  for (const Value* v : plain)
    if (!Wsf_isPlain(v)) return Wsf_error(result, kErrValue), false;
  return true;
}

// x to the whole power n (a value of any kind).
void powerInt(WsfLocal* out, const Value* x, int32_t n) {
  Value e = Val_empty(x->context);
  Val_setInt(&e, n);
  Wsf_power(&out->v, x, &e);
}

// The sample mean and variance of a 1-based array of n numbers.
struct Moments {
  double n, mean, variance;
};
Moments momentsOf(const std::vector<double>& x) {
  const int32_t n = static_cast<int32_t>(x.size()) - 1;
  return {static_cast<double>(n), Stat_mean(n, x.data(), 0), Stat_variance(n, x.data(), 0)};
}

// The t statistic and its degrees of freedom of the three TTEST types;
// false with the error formed.
bool tStatistic(Value* result, const Value* a, const Value* b, int type, double* t, double* df) {
  std::vector<double> xa = Kern_oneBased(), xb = Kern_oneBased();
  const bool collected = type == 1 ? Kern_collectPairs(a, b, &xa, &xb, result)
                                   : Kern_collectNumbers(a, &xa, result) && Kern_collectNumbers(b, &xb, result);
  if (!collected) return false;
  const Moments ma = momentsOf(xa), mb = momentsOf(xb);
  if (std::isnan(ma.mean) || std::isnan(mb.mean) || (type != 1 && std::isnan(ma.variance) && std::isnan(mb.variance)))
    return Wsf_error(result, kErrDiv0), false;
  if (!std::isfinite(ma.mean + mb.mean + ma.variance + mb.variance)) return Wsf_error(result, kErrNum), false;
  const double d = ma.mean - mb.mean;
  if (type == 1) {
    double c = 0;
    for (size_t i = 1; i < xa.size(); ++i) c += (xa[i] - ma.mean) * (xb[i] - mb.mean);
    *df = ma.n - 1;
    *t = d / std::sqrt((ma.variance + mb.variance - 2 * c / (ma.n - 1)) / ma.n);
  } else if (type == 2) {
    *df = ma.n + mb.n - 2;
    *t = d / std::sqrt((((ma.n - 1) * ma.variance + (mb.n - 1) * mb.variance) / *df) * (1 / ma.n + 1 / mb.n));
  } else {
    const double va = ma.variance / ma.n, vb = mb.variance / mb.n;
    *t = d / std::sqrt(va + vb);
    *df = Num_sqrChecked(va + vb) / (Num_sqrChecked(va) / (ma.n - 1) + Num_sqrChecked(vb) / (mb.n - 1));
  }
  return true;
}
}  // namespace

Value* Wsf_lognormdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, e = 0;
  bool formed = false;
  if (modal(result, std::min(argc, 3), argv, 3, &formed)) {
    if (!modeArgs(result, 3, argv)) return result;
    if (Wsf_fails(argv[0], 0, kRelCmpLe)) return Wsf_error(result, kErrNum);
    WsfLocal lnx(result->context), u(result->context);
    Wsf_ln(&lnx.v, argv[0]);
    if (!standardized(result, &*lnx, argv[1], argv[2], &u)) return result;
    return Stat_smoothOf(result, &*u, kNormalCdf);
  }
  if (formed || !Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] > 0 && x[2] > 0)) return Wsf_error(result, kErrNum);
  const double z = (std::log(x[0]) - x[1]) / x[2] / kSqrt2;
  if (!std::isfinite(z)) return Wsf_error(result, kErrNum);
  const uint32_t status = Kern_erf(z, &e);
  return answer(result, status, (1 + e) / 2);
}

Value* Wsf_normdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, v = 0;
  bool formed = false;
  if (modal(result, argc, argv, 3, &formed))
    return modeArgs(result, argc, argv) ? normdistModes(result, argc, argv) : result;
  if (formed || !Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[2] > 0)) return Wsf_error(result, kErrNum);
  const DistParams params{3, x[1], x[2], x[3] != 0 ? -1.0 : 0.0, 0};
  const uint32_t status = Kern_normalDist(&params, x[0], &v);
  return answer(result, status, v);
}

Value* Wsf_norminv(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, z = 0;
  bool formed = false;
  if (modal(result, argc, argv, 3, &formed)) {
    if (!modeArgs(result, argc, argv) || !openProbability(result, argv[0])) return result;
    if (Wsf_fails(argv[2], 0, kRelCmpLe)) return Wsf_error(result, kErrNum);
    WsfLocal q(result->context);
    Stat_smoothOf(&q.v, argv[0], kNormalQuantile);
    if (Wsf_isError(&*q)) return Wsf_copy(result, &*q);
    q = Op_mul(*argv[2], *q);
    return Wsf_from(result, Op_add(*argv[1], *q));
  }
  if (formed || !Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] > 0 && x[0] < 1 && x[2] > 0)) return Wsf_error(result, kErrNum);
  const uint32_t status = Kern_invStdNormal(x[0], &z);
  return answer(result, status, x[1] + x[2] * z);
}

Value* Wsf_normsdist(Value* result, const Value* z) {
  double x = 0, v = 0;
  bool formed = false;
  if (modal(result, 1, &z, 1, &formed)) return Stat_smoothOf(result, z, kNormalCdf);
  if (formed || !Wsf_plainNumbers(result, 1, &z, &x)) return result;
  const uint32_t status = Kern_cdfStdNormal(nullptr, x, &v);
  return answer(result, status, v);
}

Value* Wsf_normsinv(Value* result, const Value* p) {
  double x = 0, z = 0;
  bool formed = false;
  if (modal(result, 1, &p, 1, &formed))
    return openProbability(result, p) ? Stat_smoothOf(result, p, kNormalQuantile) : result;
  if (formed || !Wsf_plainNumbers(result, 1, &p, &x)) return result;
  const uint32_t status = Kern_invStdNormal(x, &z);
  return answer(result, status, z);
}

Value* Wsf_permut(Value* result, const Value* nv, const Value* kv) {
  const Value* const args[] = {nv, kv};
  double x[2] = {};
  if (!Wsf_plainNumbers(result, 2, args, x)) return result;
  const double n = std::trunc(x[0]), k = std::trunc(x[1]);
  if (n == 0 && k == 0) {
    Val_clear(result);
    return Val_setInt(result, 1);
  }
  if (n <= 0 || k < 0 || n < k) return Wsf_error(result, kErrNum);
  const double a = n + 1, b = n - k + 1;
  const double v = std::floor(std::exp(Kern_lnGamma(&a) - Kern_lnGamma(&b)) + 0.5);
  int32_t whole = 0;
  if (!Dbl_toWhole(v, &whole)) return Wsf_finite(result, v);
  Val_clear(result);
  return Val_setInt(result, whole);
}

Value* Wsf_prob(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  for (int i = 2; i < argc; ++i)
    if (Wsf_isError(argv[i])) return Wsf_copy(result, argv[i]);
  for (int i = 2; i < argc; ++i)
    if (!Wsf_isPlain(argv[i])) return Wsf_error(result, kErrValue);
  std::vector<double> xs = Kern_oneBased(), ps = Kern_oneBased();
  if (!Kern_collectPairs(argv[0], argv[1], &xs, &ps, result)) return result;
  const double lower = Wsf_number(argv[2]);
  const double upper = Wsf_given(argc, argv, 3) ? Wsf_number(argv[3]) : lower;
  double total = 0, inside = 0;
  for (size_t i = 1; i < ps.size(); ++i) {
    // A probability lies in [0, 1].
    if (!(ps[i] >= 0 && ps[i] <= 1)) return Wsf_error(result, kErrNum);
    total += ps[i];
    if (xs[i] >= lower && xs[i] <= upper) inside += ps[i];
  }
  if (std::fabs(total - 1) > kProbabilitySum) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, inside);
}

Value* Wsf_tdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, v = 0;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  const double df = std::trunc(x[1]), tails = std::trunc(x[2]);
  if (df < 1 || (tails != 1 && tails != 2)) return Wsf_error(result, kErrNum);
  const DistParams params{0, df, tails, 0, 0};
  const uint32_t status = Kern_tDistTails(&params, x[0], &v);
  return answer(result, status, v);
}

// The Poisson term e^-mean mean^j / j!. Up to a mean of 700 from
// e^-mean by the recurrence t_j = t_(j-1) mean / j, which keeps the terms
// finite where the power and the factorial alone overflow; above, where
// e^-mean underflows, as exp(j ln mean - mean - ln j!).
void poissonTerm(WsfLocal* term, const Value* mean, double j, bool logarithmic) {
  WsfLocal t(mean->context);
  if (logarithmic) {
    const double lnFactorial = lnGammaOf(j + 1);
    Wsf_ln(&t.v, mean);
    t = Op_mulVS(*t, j);
    t = Op_sub(*t, *mean);
    t = Op_subVS(*t, lnFactorial);
    Wsf_exp(&term->v, &*t);
    return;
  }
  if (j == 0 || term->v.kind == kValEmpty) {
    t = Op_mulVS(*mean, -1.0);
    Wsf_exp(&term->v, &*t);
    for (double i = 1; i <= j; ++i) {
      *term = Op_mul(**term, *mean);
      *term = Op_divVS(**term, i);
    }
    return;
  }
  *term = Op_mul(**term, *mean);
  *term = Op_divVS(**term, j);
}

namespace {

// The first term of a Poisson sum that counts: the terms more than 40
// standard deviations below a mean known at a point are below e^-800,
// nothing beside the terms about the mean, and summing from 0 would take a
// step for each (a mean of 1E+6 would cost a million terms).
double firstCountingTerm(const Value* mean) {
  double m = 0;
  if (!Op_pointNumber(*mean, &m)) return 0;
  return std::max(0.0, std::floor(m - kPoissonSpread * std::sqrt(m) - kPoissonSpread));
}

}  // namespace

// Small probabilities have their quantile far out, so the bracket widens
// until it holds it; at p = 0 the quantile is infinite: "#num!".
Value* Wsf_tinv(Value* result, const Value* pv, const Value* dfv) {
  const Value* const args[] = {pv, dfv};
  double x[2] = {}, t = 0;
  if (!Wsf_plainNumbers(result, 2, args, x)) return result;
  const double p = x[0], df = std::trunc(x[1]);
  if (!(p > 0 && p <= 1) || df < 1) return Wsf_error(result, kErrNum);
  const DistParams params{0, df, 2, 0, 0};
  const uint32_t status = Kern_inverseOpenAbove(0, kTBracket, &params, Kern_tDistTails, p, &t);
  return answer(result, status, t);
}

Value* Wsf_ttest(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  if (!checked(result, {argv[2], argv[3]}, {argv[2], argv[3]})) return result;
  const double tails = std::trunc(Wsf_number(argv[2])), type = std::trunc(Wsf_number(argv[3]));
  if ((tails != 1 && tails != 2) || (type != 1 && type != 2 && type != 3)) return Wsf_error(result, kErrNum);
  double t = 0, df = 0, p = 0;
  if (!tStatistic(result, argv[0], argv[1], static_cast<int>(type), &t, &df)) return result;
  if (!Kern_betaIncomplete(df / 2, 0.5, df / (df + t * t), &p)) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, tails == 1 ? p / 2 : p);
}

Value* Wsf_ztest(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  const bool hasSigma = Wsf_given(argc, argv, 2);
  const Value* sigma = hasSigma ? argv[2] : argv[1];
  if (!checked(result, {argv[1], sigma}, {argv[1], sigma})) return result;
  std::vector<double> xs = Kern_oneBased();
  if (!Kern_collectNumbers(argv[0], &xs, result)) return result;
  const int32_t n = static_cast<int32_t>(xs.size()) - 1;
  if (n == 0) return Wsf_error(result, kErrNA);
  const double m = Stat_mean(n, xs.data(), 0);
  const double s = hasSigma ? Wsf_number(sigma) : Stat_stdDev(n, xs.data(), 0);
  if (n == 1 || std::isnan(s)) return Wsf_error(result, kErrDiv0);
  if (s < 0 || !std::isfinite(s)) return Wsf_error(result, kErrNum);
  // A sigma of -0 (-0%) is the worksheet's 0, whose quotient is +-infinity by
  // the sign of m - x alone.
  const double z = (m - Wsf_number(argv[1])) / (std::fabs(s) / std::sqrt(static_cast<double>(n)));
  double e = 0;
  const uint32_t status = Kern_erf(z / kSqrt2, &e);
  return answer(result, status, 0.5 - 0.5 * e);
}

Value* Wsf_negbinomdist(Value* result, const Value* fv, const Value* sv, const Value* p) {
  // The counts decide, trial by trial, the power each factor is raised to.
  if (Wsf_structureHooksSmooth(result, {fv, sv}, {p})) return Vm_clearFixedStructure(result->context), result;
  if (!checked(result, {fv, sv, p}, {fv, sv})) return result;
  const double f = std::trunc(Wsf_number(fv)), s = std::trunc(Wsf_number(sv));
  // Counts past 32 bits are refused with the others outside the law.
  if (f < 0 || s <= 0 || !Dbl_fitsWhole<int32_t>(f) || !Dbl_fitsWhole<int32_t>(s)) return Wsf_error(result, kErrNum);
  if (Wsf_fails(p, 0, kRelCmpLe) || Wsf_fails(p, 1, kRelCmpGe)) return Wsf_error(result, kErrNum);
  double c = 0;
  if (!Kern_binomialCoefficient(f + s - 1, s - 1, &c)) return Wsf_error(result, kErrNum);
  WsfLocal success(result->context), failure(result->context);
  powerInt(&success, p, static_cast<int32_t>(s));
  failure = Op_subSV(1.0, *p);
  powerInt(&failure, &*failure, static_cast<int32_t>(f));
  success = Op_mulSV(c, *success);
  return Wsf_from(result, Op_mul(*success, *failure));
}

Value* Wsf_poisson(Value* result, const Value* xv, const Value* mean, const Value* cumulative) {
  // The count and the switch decide, trial by trial, which terms are summed.
  if (Wsf_structureHooksSmooth(result, {xv, cumulative}, {mean}))
    return Vm_clearFixedStructure(result->context), result;
  if (!checked(result, {xv, mean, cumulative}, {})) return result;
  // The count and the switch have no derivatives and no enclosures.
  for (const Value* v : {xv, cumulative})
    if (v->kind >= kValSamples && v->kind <= kValAffine) return Stat_refuseMode(result, v);
  if (!checked(result, {}, {xv, cumulative})) return result;
  const double k = std::trunc(Wsf_number(xv));
  if (Wsf_number(xv) < 0 || Wsf_fails(mean, 0, kRelCmpLt)) return Wsf_error(result, kErrNum);
  const bool sum = Wsf_number(cumulative) != 0;
  WsfLocal s(result->context), term(result->context);
  Val_setNumber(&s.v, 0.0);
  // A single term far out is formed by its logarithm, not by k steps.
  const bool logarithmic = Op_compareConst(*mean, kLargestExpArgument, kRelCmpGt) || (!sum && k > kLongestRecurrence);
  double previous = 0;
  for (double j = sum ? firstCountingTerm(mean) : k; j <= k; ++j) {
    if (sum && j >= kDiscreteMaxTerms) return Wsf_error(result, kErrNum);
    poissonTerm(&term, mean, j, logarithmic);
    s = Op_add(*s, *term);
    // The single term k: past 2^53, j + 1 rounds back to j. A structure
    // mode learns all from one term: every term depends on the mean alike.
    if (!sum || Wsf_isStructural(&*s)) break;
    // A sum stops where its rest no longer counts, judged by the values of a
    // derivative mode too (the terms' slopes in the mean fall as fast), so
    // that every point mode sums the terms the value mode sums.
    double t = 0, total = 0;
    const bool known = Op_pointNumber(*term, &t) && Op_pointNumber(*s, &total);
    if (known && Kern_restIsNegligible(t, previous, total)) break;
    previous = known ? t : 0;
  }
  return Wsf_copy(result, &*s);
}

Value* Wsf_standardize(Value* result, const Value* x, const Value* mean, const Value* sd) {
  if (Wsf_fails(sd, 0, kRelCmpLe)) return Wsf_error(result, kErrNum);
  WsfLocal d(result->context);
  d = Op_sub(*x, *mean);
  return Wsf_from(result, Op_div(*d, *sd));
}

Value* Wsf_weibull(Value* result, const Value* x, const Value* alpha, const Value* beta, const Value* cumulative) {
  if (Wsf_structureHooksSmooth(result, {cumulative}, {x, alpha, beta})) {
    // Which of the two formulas runs depends on the trial's cumulative flag.
    Wsf_structureVariesWith(result, {cumulative});
    return result;
  }
  if (!checked(result, {x, alpha, beta, cumulative}, {})) return result;
  if (Wsf_fails(x, 0, kRelCmpLt) || Wsf_fails(alpha, 0, kRelCmpLe) || Wsf_fails(beta, 0, kRelCmpLe))
    return Wsf_error(result, kErrNum);
  // x = 0 gives 0 at the point in every point mode, as in the value mode.
  double at = 0;
  if (Op_pointNumber(*x, &at) && at == 0) return Wsf_finite(result, 0.0);
  if (!Wsf_isPlain(cumulative)) return Wsf_error(result, kErrValue);
  WsfLocal t(result->context), e(result->context), w(result->context);
  t = Op_div(*x, *beta);
  Wsf_power(&t.v, &*t, alpha);
  e = Op_mulVS(*t, -1.0);
  Wsf_exp(&e.v, &*e);
  if (Wsf_number(cumulative) != 0) return Wsf_from(result, Op_subSV(1.0, *e));
  // Where exp(-(x / beta)^alpha) is 0 the density is 0 in every point mode:
  // the factor before it may leave the doubles, and its slopes sooner.
  if (double tail = 0; Op_pointNumber(*e, &tail) && tail == 0) return Wsf_finite(result, 0.0);
  Wsf_power(&w.v, beta, alpha);
  w = Op_div(*alpha, *w);
  t = Op_subVS(*alpha, 1.0);
  Wsf_power(&t.v, x, &*t);
  w = Op_mul(*w, *t);
  return Wsf_from(result, Op_mul(*w, *e));
}
