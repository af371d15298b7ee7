// The context's generator: draws come from base/'s uniform stream; the
// normal quantile is a rational approximation in three regions refined by
// one step of Halley's method against the distribution function.
#include "simulation/random/Rand_Generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "worksheet/numeric/Num_Gather.h"

namespace {

constexpr double kCentralLow = 0.02425;
constexpr double kCentralHigh = 1 - kCentralLow;
constexpr double kA[] = {-39.69683028665376, 220.9460984245205,  -275.9285104469687,
                         138.357751867269,   -30.66479806614716, 2.506628277459239};
constexpr double kB[] = {-54.47609879822406, 161.5858368580409, -155.6989798598866, 66.80131188771972,
                         -13.28068155288572};
constexpr double kG[] = {-0.007784894002430293, -0.3223964580411365, -2.400758277161838,
                         -2.549732539343734,    4.374664141464968,   2.938163982698783};
constexpr double kH[] = {0.007784695709041462, 0.3224671290700398, 2.445134137142996, 3.754408661907416};

// The approximation before refinement.
double rawQuantile(double p) {
  if (p >= kCentralLow && p <= kCentralHigh) {
    const double q = p - 0.5, r = q * q;
    const double num = ((((kA[0] * r + kA[1]) * r + kA[2]) * r + kA[3]) * r + kA[4]) * r + kA[5];
    const double den = ((((kB[0] * r + kB[1]) * r + kB[2]) * r + kB[3]) * r + kB[4]) * r + 1;
    return q * num / den;
  }
  const bool upper = p > kCentralHigh;
  const double q = std::sqrt(-2 * std::log(upper ? 1 - p : p));
  const double num = ((((kG[0] * q + kG[1]) * q + kG[2]) * q + kG[3]) * q + kG[4]) * q + kG[5];
  const double den = (((kH[0] * q + kH[1]) * q + kH[2]) * q + kH[3]) * q + 1;
  return upper ? -num / den : num / den;
}

}  // namespace

double Rand_uniform01(RandState* state) { return Rnd_uniform(state->stream); }

double Rand_uniform(RandState* state, double a, double b, bool integer, double u) {
  if (!(u >= 0 && u <= 1)) u = Rand_uniform01(state);
  return integer ? Rand_intBetween(a, b, u) : a + (b - a) * u;
}

double Rand_intBetween(double a, double b, double u) {
  const double lo = std::ceil(a), hi = std::fmax(std::floor(b), lo);
  // A percentile of 1 takes hi itself.
  return std::fmin(lo + std::trunc((hi - lo + 1) * u), hi);
}

bool Rand_permutation(RandState* state, int32_t n, int32_t* out) {
  if (n < 0) return false;
  std::vector<double> draws(static_cast<size_t>(n) + 1);
  for (int32_t i = 1; i <= n; ++i) draws[static_cast<size_t>(i)] = Rand_uniform(state, 0, 1, false, NAN);
  std::vector<uint32_t> order(static_cast<size_t>(n) + 1);
  if (!Num_indexSort(n, draws.data(), order.data())) return false;
  std::copy(order.begin() + 1, order.end(), out + 1);
  return true;
}

double Rand_normalCdf(double x) { return 0.5 * std::erfc(-x / std::numbers::sqrt2); }

double Rand_inverseNormal(double p) {
  if (p == 0) return -INFINITY;
  if (p == 1) return INFINITY;
  if (!(p > 0 && p < 1)) return NAN;
  const double x = rawQuantile(p);
  const double e = Rand_normalCdf(x) - p;
  const double u = e * std::sqrt(2 * std::numbers::pi) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}
