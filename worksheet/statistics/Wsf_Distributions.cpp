// Distribution functions BETADIST to LOGINV.
#include "worksheet/statistics/Wsf_Distributions.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/operators/Op_Shape.h"
#include "values/Smp_Payload.h"
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
#include "worksheet/statistics/Wsf_Descriptive.h"

namespace {
constexpr int kMaxArgs = 5;
// Degrees of freedom stay below this.
constexpr double kMaxDegrees = 1e11;
// The upper ends of the chi-square and of the F and gamma brackets.
constexpr double kChiBracket = 50000.0;
constexpr double kWideBracket = 5e8;
// A gamma quantile at or above this is "#n/a".
constexpr double kGammaQuantileLimit = 1e7;
// FISHERINV is +-1 beyond this.
constexpr double kFisherFlat = 20.0;

// The kernel's value, or its status as the error.
Value* answer(Value* result, uint32_t status, double x) {
  return status ? Wsf_error(result, status) : Wsf_finite(result, x);
}

Value* evaluate(Value* result, DistKernel kernel, const DistParams& params, double x) {
  double v = 0;
  const uint32_t status = kernel(&params, x, &v);
  return answer(result, status, v);
}

Value* invert(Value* result, double lower, double upper, DistKernel kernel, const DistParams& params, double p) {
  double x = 0;
  const uint32_t status = Kern_inverse(lower, upper, &params, kernel, p, &x);
  return answer(result, status, x);
}

bool inDegrees(double df) { return df >= 1 && df < kMaxDegrees; }

// The ends A and B of the beta law: 0 and 1 unless given.
void betaEnds(int argc, const Value* const* argv, const double* x, double* a, double* b) {
  *a = Wsf_given(argc, argv, 3) ? x[3] : 0.0;
  *b = Wsf_given(argc, argv, 4) ? x[4] : 1.0;
}

// The most terms a running sum adds: it bounds the work of one call (and
// past 2^53 trials, where k + 1 equals k, the sum would run on for ever).
constexpr double kMaxBinomialTerms = 1e5;

// The binomial term C(n, k) p^k (1 - p)^(n - k): that product while its
// factors are doubles of full precision, else through logarithms (with many
// trials the coefficient leaves the doubles while the powers underflow, and
// the term between them is a plain number). False when it cannot be formed.
bool binomialTerm(double n, double k, double p, double* term) {
  double c = 0;
  const double a = std::pow(p, k), b = std::pow(1 - p, n - k);
  if (Kern_binomialCoefficient(n, k, &c) && a >= DBL_MIN && b >= DBL_MIN) return *term = c * a * b, true;
  const double all = n + 1, chosen = k + 1, rest = n - k + 1;
  const double lnC = Kern_lnGamma(&all) - Kern_lnGamma(&chosen) - Kern_lnGamma(&rest);
  *term = std::exp(lnC + k * std::log(p) + (n - k) * std::log1p(-p));
  return std::isfinite(*term);
}

// The binomial terms of n trials with success probability p, added from
// k = 0 while add answers true; false for a term that cannot be formed, and
// for a sum that needs more than kMaxBinomialTerms terms.
template <typename Add>
bool binomialTerms(double n, double p, Add add) {
  double sum = 0;
  for (double k = 0; k <= n; ++k) {
    double term = 0;
    if (k >= kMaxBinomialTerms || !binomialTerm(n, k, p, &term)) return false;
    sum += term;
    if (!std::isfinite(sum)) return false;
    if (!add(k, sum)) return true;
  }
  return true;
}

double lnGammaOf(double x) { return Kern_lnGamma(&x); }

// (e^2y - 1) / (e^2y + 1), which is tanh y: written out, e^2y - 1 loses
// the digits of a small y.
double fisherInverseOf(double y) {
  if (y > kFisherFlat) return 1.0;
  if (y < -kFisherFlat) return -1.0;
  return std::tanh(y);
}

// The degrees of freedom of CHITEST from the shape of the observed values.
double chiTestDegrees(const Value* actual) {
  if (actual->kind != kValArray) return 0;
  const double r = actual->array->rows, c = actual->array->columns;
  if (c == 1) return r - 1;
  if (r == 1) return c - 1;
  return (r - 1) * (c - 1);
}

}  // namespace

Value* Wsf_betadist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, a = 0, b = 1;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  betaEnds(argc, argv, x, &a, &b);
  if (!(x[1] > 0 && x[2] > 0 && a <= x[0] && x[0] <= b && a < b)) return Wsf_error(result, kErrNum);
  return evaluate(result, Kern_cdfBeta, DistParams{0, x[1], x[2], a, b}, x[0]);
}

Value* Wsf_betainv(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, a = 0, b = 1;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  betaEnds(argc, argv, x, &a, &b);
  if (!(x[0] >= 0 && x[0] <= 1 && x[1] > 0 && x[2] > 0 && a < b)) return Wsf_error(result, kErrNum);
  return invert(result, a, b, Kern_cdfBeta, DistParams{0, x[1], x[2], a, b}, x[0]);
}

Value* Wsf_binomdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {};
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  const double s = x[0], n = x[1], p = x[2];
  if (!(s >= 0 && n >= 0 && s <= n && p >= 0 && p <= 1)) return Wsf_error(result, kErrNum);
  return evaluate(result, Kern_cdfBinomial, DistParams{0, p, std::trunc(n), x[3] != 0 ? 1.0 : 0.0, 0}, std::trunc(s));
}

Value* Wsf_chidist(Value* result, const Value* xv, const Value* dfv) {
  const Value* const args[] = {xv, dfv};
  double x[2] = {};
  if (!Wsf_plainNumbers(result, 2, args, x)) return result;
  if (!(x[0] >= 0 && inDegrees(x[1]))) return Wsf_error(result, kErrNum);
  return evaluate(result, Kern_cdfChiSquare, DistParams{0, std::trunc(x[1]), 0, 0, 0}, x[0]);
}

Value* Wsf_chiinv(Value* result, const Value* pv, const Value* dfv) {
  const Value* const args[] = {pv, dfv};
  double x[2] = {};
  if (!Wsf_plainNumbers(result, 2, args, x)) return result;
  if (!(x[0] > 0 && x[0] <= 1 && inDegrees(x[1]))) return Wsf_error(result, kErrNum);
  return invert(result, 0, kChiBracket, Kern_cdfChiSquare, DistParams{0, std::trunc(x[1]), 0, 0, 0}, x[0]);
}

Value* Wsf_chitest(Value* result, const Value* actual, const Value* expected) {
  if (Wsf_structureHooks2(result, actual, expected)) return result;
  std::vector<double> a = Kern_oneBased(), e = Kern_oneBased();
  if (!Kern_collectPairs(actual, expected, &a, &e, result)) return result;
  double chi = 0;
  for (size_t i = 1; i < a.size(); ++i) chi += Num_sqrChecked(a[i] - e[i]) / e[i];
  double q = 0;
  const uint32_t status = Kern_gammaQ(chiTestDegrees(actual) / 2, chi / 2, &q);
  return answer(result, status, q);
}

Value* Wsf_confidence(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, z = 0;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  const double alpha = x[0], sd = x[1], size = x[2];
  if (!(alpha > 0 && alpha < 1 && sd > 0 && size >= 1)) return Wsf_error(result, kErrNum);
  if (uint32_t status = Kern_invStdNormal(((1 - alpha) + 1) * 0.5, &z)) return Wsf_error(result, status);
  return Wsf_finite(result, sd / std::sqrt(std::trunc(size)) * z);
}

Value* Wsf_critbinom(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {};
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  const double n = std::trunc(x[0]), p = x[1], alpha = x[2];
  if (!(x[0] >= 0 && p > 0 && p < 1 && alpha > 0 && alpha < 1)) return Wsf_error(result, kErrNum);
  double found = n;
  const bool formed = binomialTerms(n, p, [&](double k, double sum) {
    if (sum < alpha) return true;
    found = k;
    return false;
  });
  return formed ? Wsf_finite(result, found) : Wsf_error(result, kErrNum);
}

Value* Wsf_fdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {};
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] >= 0 && inDegrees(x[1]) && inDegrees(x[2]))) return Wsf_error(result, kErrNum);
  return evaluate(result, Kern_cdfF, DistParams{0, std::trunc(x[1]), std::trunc(x[2]), 0, 0}, x[0]);
}

// The upper tail falls to 0 only as x grows without bound, so a small
// probability has its quantile far out: the bracket widens until it holds
// it. At p = 0 the quantile is infinite: "#num!".
Value* Wsf_finv(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, q = 0;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] >= 0 && x[0] <= 1 && inDegrees(x[1]) && inDegrees(x[2]))) return Wsf_error(result, kErrNum);
  if (x[0] == 0) return Wsf_error(result, kErrNum);
  const DistParams params{0, std::trunc(x[1]), std::trunc(x[2]), 0, 0};
  const uint32_t status = Kern_inverseOpenAbove(0, kWideBracket, &params, Kern_cdfF, x[0], &q);
  return answer(result, status, q);
}

Value* Wsf_gammadist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {};
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] >= 0 && x[1] > 0 && x[2] > 0)) return Wsf_error(result, kErrNum);
  return evaluate(result, Kern_cdfGamma, DistParams{0, x[1], x[2], x[3] != 0 ? 1.0 : 0.0, 0}, x[0]);
}

Value* Wsf_gammainv(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {}, q = 0;
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  if (!(x[0] >= 0 && x[0] <= 1 && x[1] > 0 && x[2] > 0)) return Wsf_error(result, kErrNum);
  const DistParams params{0, x[1], x[2], -1.0, 0};
  if (uint32_t status = Kern_inverse(0, kWideBracket, &params, Kern_cdfGamma, x[0], &q))
    return Wsf_error(result, status);
  return q >= kGammaQuantileLimit ? Wsf_error(result, kErrNA) : Wsf_finite(result, q);
}

Value* Wsf_gammaln(Value* result, const Value* x) {
  if (Wsf_structureHooks(result, 1, &x)) return result;
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (x->kind == kValSamples) {
    const auto* s = static_cast<const SampleVector*>(x->payload);
    for (int32_t t = 1; t <= s->n; ++t)
      if (!(s->data[t] > 0)) return Wsf_error(result, kErrNum);
    return Wsf_mapTrials(result, x, lnGammaOf);
  }
  if (!Wsf_isPlain(x)) return Wsf_error(result, kErrValue);
  const double v = Wsf_number(x);
  return v > 0 ? Wsf_finite(result, lnGammaOf(v)) : Wsf_error(result, kErrNum);
}

Value* Wsf_hypgeomdist(Value* result, int argc, const Value* const* argv) {
  double x[kMaxArgs] = {};
  if (!Wsf_plainNumbers(result, argc, argv, x)) return result;
  const double s = x[0], n = x[1], m = x[2], total = x[3];
  if (!(s >= 0 && n >= 0 && total >= 0 && m >= 0 && n <= total && m <= total && s <= std::fmin(n, m) &&
        std::fmax(0.0, n - total + m) <= s))
    return Wsf_error(result, kErrNum);
  double a = 0, b = 0, c = 0;
  if (!Kern_binomialCoefficient(m, s, &a) || !Kern_binomialCoefficient(total - m, n - s, &b) ||
      !Kern_binomialCoefficient(total, n, &c))
    return Wsf_error(result, kErrNum);
  return Wsf_finite(result, a * b / c);
}

Value* Wsf_expondist(Value* result, const Value* x, const Value* lambda, const Value* cumulative) {
  // The range checks on x and lambda decide, trial by trial, whether there
  // is a result at all.
  Wsf_structureVariesWith(result, {x, lambda, cumulative});
  if (Wsf_structureHooksSmooth(result, {cumulative}, {x, lambda})) return result;
  if (Wsf_isError(cumulative)) return Wsf_copy(result, cumulative);
  if (!Wsf_isPlain(cumulative)) return Wsf_error(result, kErrValue);
  if (Wsf_fails(x, 0, kRelCmpLt) || Wsf_fails(lambda, 0, kRelCmpLe)) return Wsf_error(result, kErrNum);
  WsfLocal e(result->context);
  e = Op_mul(*lambda, *x);
  e = Op_mulVS(*e, -1.0);
  Wsf_exp(&e.v, &*e);
  if (cumulative->number != 0) return Wsf_from(result, Op_subSV(1.0, *e));
  return Wsf_from(result, Op_mul(*lambda, *e));
}

Value* Wsf_fisher(Value* result, const Value* x) {
  if (Wsf_fails(x, -1, kRelCmpLe) || Wsf_fails(x, 1, kRelCmpGe)) return Wsf_error(result, kErrNum);
  WsfLocal up(result->context), q(result->context);
  up = Op_addSV(1.0, *x);
  q = Op_subSV(1.0, *x);
  q = Op_div(*up, *q);
  Wsf_ln(&q.v, &*q);
  return Wsf_from(result, Op_divVS(*q, 2.0));
}

Value* Wsf_fisherinv(Value* result, const Value* y) {
  if (y->kind == kValSamples) return Wsf_mapTrials(result, y, fisherInverseOf);
  if (Wsf_isPlain(y)) return Wsf_finite(result, fisherInverseOf(Wsf_number(y)));
  if (Op_compareConst(*y, kFisherFlat, kRelCmpGt) || Op_compareConst(*y, -kFisherFlat, kRelCmpLt)) {
    const double end = Op_compareConst(*y, 0, kRelCmpGt) ? 1.0 : -1.0;
    if (!Op_makeConstLike(*y, end, false)) return Wsf_error(result, kErrValue);
    return Wsf_from(result, *result->context->buffers.result);
  }
  // (e^2y - 1) / (e^2y + 1) is tanh y, whose own enclosures keep y once.
  return Wsf_tanh(result, y);
}

Value* Wsf_ftest(Value* result, const Value* a, const Value* b) {
  if (Wsf_structureHooks2(result, a, b)) return Wsf_arraysVaryStructure(result, a, b), result;
  std::vector<double> xa = Kern_oneBased(), xb = Kern_oneBased();
  if (!Kern_collectNumbers(a, &xa, result) || !Kern_collectNumbers(b, &xb, result)) return result;
  const int32_t na = static_cast<int32_t>(xa.size()) - 1, nb = static_cast<int32_t>(xb.size()) - 1;
  if (na < 2 || nb < 2) return Wsf_error(result, kErrDiv0);
  const double va = Stat_variance(na, xa.data(), 0), vb = Stat_variance(nb, xb.data(), 0);
  if (std::isnan(va) || std::isnan(vb)) return Wsf_error(result, kErrDiv0);
  if (!std::isfinite(va) || !std::isfinite(vb)) return Wsf_error(result, kErrNum);
  const bool bLarger = va <= vb;
  const double f = bLarger ? vb / va : va / vb;
  const double dfn = (bLarger ? nb : na) - 1.0, dfd = (bLarger ? na : nb) - 1.0;
  double p = 0;
  if (!Kern_betaIncomplete(dfd / 2, dfn / 2, dfd / (dfd + dfn * f), &p)) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, 2 * p > 1 ? 2 - 2 * p : 2 * p);
}

Value* Wsf_loginv(Value* result, const Value* p, const Value* mean, const Value* sd) {
  if (Wsf_structureHooksSmooth(result, {p}, {mean, sd})) return result;
  for (const Value* v : {p, mean, sd})
    if (Wsf_isError(v)) return Wsf_copy(result, v);
  if (!Wsf_isPlain(p)) return Wsf_error(result, kErrValue);
  const double q = Wsf_number(p);
  if (!(q > 0 && q < 1) || Wsf_fails(sd, 0, kRelCmpLe)) return Wsf_error(result, kErrNum);
  double z = 0;
  if (uint32_t status = Kern_invStdNormal(q, &z)) return Wsf_error(result, status);
  WsfLocal t(result->context);
  t = Op_mulVS(*sd, z);
  t = Op_add(*mean, *t);
  return Wsf_exp(result, &*t);
}
