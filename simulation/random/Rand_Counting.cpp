// The counting laws, each given by its smallest and largest count, its
// first four cumulants and its probability of count k. A law whose standard
// deviation is small is drawn by walking its terms from just below its
// bulk; a wider one by an expansion of its quantile, so that a draw takes
// the same time whatever the law's mean.
#include "simulation/random/Rand_Counting.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_RootLaws.h"
#include "simulation/random/Rand_Truncation.h"

namespace {

constexpr double kNoLargest = std::numeric_limits<double>::infinity();
// Up to this standard deviation a draw walks the law's terms (some ten
// thousand at most); past it the quantile expansion below, whose error
// falls with the square of the width, gives the exact count but for
// percentiles within a hair of a step.
constexpr double kWalkDeviation = 1000;
// The most terms any walk adds, far past what the deviation above needs:
// a walk that would go on (from a huge first count, where k + 1 may equal
// k) gives up instead.
constexpr double kMaxWalkTerms = 1e6;
// The walk leaves out a lower tail of probability below e^-40, far below
// the resolution of a percentile.
constexpr double kTailLog = 40;
// The normal distribution function is 0 or 1 in doubles beyond this many
// standard units.
constexpr double kStandardReach = 38;
// A count plus a uniform draw on (-1/2, 1/2] is at most k + 1/2 exactly when
// the count is at most k; the uniform adds 1/12 to the variance and -1/120
// to the fourth cumulant.
constexpr double kHalf = 0.5;
constexpr double kUniformVariance = 1.0 / 12;
constexpr double kUniformFourth = -1.0 / 120;

// A counting law: its smallest and largest count, its mean, variance and
// third and fourth cumulants, and the variance in Bernstein's bound of its
// lower tail.
struct Law {
  double first, last, mean, variance, third, fourth, tailVariance;
};

// ln C(n, k).
double logChoose(double n, double k) { return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1); }

// k ln(x) given ln(x), 0 when k is 0 (so that a probability of 0 or 1 has
// its terms).
double times(double k, double logX) { return k == 0 ? 0 : k * logX; }

// Walks the counts from first, adding their terms to *sum, until enough
// says the sum is enough, at last, or where the terms vanish past the mode
// (rounding keeps the sum of an unbounded law just below 1, and a bound of
// 1E+30, the usual "no limit", lies far beyond); the count it ends at, NaN
// when a term cannot be computed or the walk would pass kMaxWalkTerms.
template <typename Term, typename Enough>
double walk(double first, double last, Term term, double* sum, Enough enough) {
  bool rising = true;
  for (double k = first;; ++k) {
    if (k - first >= kMaxWalkTerms) return NAN;
    const double t = term(k);
    if (std::isnan(t)) return NAN;
    if (t > 0) rising = false;
    *sum += t;
    if (enough(*sum) || k >= last || (!rising && t == 0)) return k;
  }
}

// The smallest count from first whose cumulative probability reaches p.
template <typename Term>
double search(double p, double first, double last, Term term) {
  double sum = 0;
  return walk(first, last, term, &sum, [p](double s) { return s >= p; });
}

// The cumulative probability of the counts first..x; at most 1, which
// rounding in the sum of all the terms may pass.
template <typename Term>
double cumulative(double x, double first, double last, Term term) {
  double sum = 0;
  if (x < first) return 0;
  return std::isnan(walk(first, std::min(x, last), term, &sum, [](double) { return false; })) ? NAN
                                                                                              : std::min(sum, 1.0);
}

// The count the walk starts from: by Bernstein's inequality the counts below
// it hold less than e^-kTailLog.
double walkStart(const Law& law) {
  const double reach = kTailLog / 3 + std::sqrt(kTailLog * kTailLog / 9 + 2 * kTailLog * law.tailVariance);
  return std::max(law.first, std::floor(law.mean - reach));
}

template <typename Term>
double walkDraw(const Law& law, double low, double high, double p, Term term) {
  const double first = walkStart(law);
  if (Rand_truncates(low, high))
    p = Rand_rescale(p, cumulative(low - 1, first, law.last, term), cumulative(high, first, law.last, term));
  return search(p, first, law.last, term);
}

// The Cornish-Fisher expansion of the standard quantile z for a law of
// skewness g1 and excess kurtosis g2, and its inverse.
double expand(double z, double g1, double g2) {
  return z + g1 * (z * z - 1) / 6 + g2 * (z * z * z - 3 * z) / 24 - g1 * g1 * (2 * z * z * z - 5 * z) / 36;
}
double standardOf(double x, double g1, double g2) {
  return x - g1 * (x * x - 1) / 6 - g2 * (x * x * x - 3 * x) / 24 + g1 * g1 * (4 * x * x * x - 7 * x) / 36;
}

// The draw of a wide law through the expansion of the count plus a uniform
// on (-1/2, 1/2], whose distribution function at k + 1/2 is the law's at k.
double expansionDraw(const Law& law, double low, double high, double p) {
  const double variance = law.variance + kUniformVariance, sd = std::sqrt(variance);
  const double g1 = law.third / (variance * sd), g2 = (law.fourth + kUniformFourth) / (variance * variance);
  const auto cdf = [&](double k) {
    const double x = std::clamp((k + kHalf - law.mean) / sd, -kStandardReach, kStandardReach);
    return Rand_normalCdf(standardOf(x, g1, g2));
  };
  if (Rand_truncates(low, high)) p = Rand_rescale(p, cdf(low - 1), cdf(high));
  const double z = std::clamp(Rand_inverseNormal(p), -kStandardReach, kStandardReach);
  return std::clamp(std::ceil(law.mean + sd * expand(z, g1, g2) - kHalf), law.first, law.last);
}

// True when the bounds hold no count of the law.
bool outside(const Law& law, double low, double high) {
  return Rand_reversed(low, high) || low > law.last || high < law.first;
}

// The draw between the whole counts of the bounds, NaN when none lies there.
template <typename Term>
double draw(RandState* s, const Law& law, double lo, double hi, double shift, double u, Term term) {
  const double low = std::ceil(lo), high = std::floor(hi);
  if (outside(law, low, high)) return NAN;
  const double p = Rand_percentile(s, u);
  const double count =
      std::sqrt(law.variance) > kWalkDeviation ? expansionDraw(law, low, high, p) : walkDraw(law, low, high, p, term);
  return Rand_keepInside(count, low, high) + std::trunc(shift);
}

// A wide negative binomial law of few successes is skewed past the
// expansion's reach; its count plus a uniform on (0, 1] follows closely the
// gamma law of the same mean and variance, of this shape, and the count is
// the whole part below that law's draw. Up to kGammaShape the gamma law's
// quantiles are found (its distribution kernel fails for shapes of a few
// hundred); past it the skewness is at most 0.2 and the expansion holds.
constexpr double kGammaShape = 100;
double gammaShape(const Law& law) {
  return (law.mean + kHalf) * (law.mean + kHalf) / (law.variance + kUniformVariance);
}

double gammaDraw(RandState* s, const Law& law, double lo, double hi, double shift, double u) {
  const double low = std::ceil(lo), high = std::floor(hi);
  if (outside(law, low, high)) return NAN;
  const double scale = (law.variance + kUniformVariance) / (law.mean + kHalf);
  const double drawn = Rand_gamma(s, gammaShape(law), 1, low / scale, (high + 1) / scale, 0, u) * scale;
  return std::isnan(drawn) ? NAN : Rand_keepInside(std::ceil(drawn - 1), low, high) + std::trunc(shift);
}

// The hypergeometric law of a sample of n from N holding K successes, with
// the cumulants of its skewness and excess kurtosis; its lower tail is bound
// by the variance of the same draws with replacement.
Law hypergeometricLaw(double n, double K, double N) {
  const double share = K / N, withReplacement = n * share * (1 - share);
  const double v = N > 1 ? withReplacement * (N - n) / (N - 1) : 0, sd = std::sqrt(v);
  const double product = n * K * (N - K) * (N - n);
  const double skew = (N - 2 * K) * std::sqrt(N - 1) * (N - 2 * n) / (std::sqrt(product) * (N - 2));
  const double kurtosis =
      ((N - 1) * N * N * (N * (N + 1) - 6 * K * (N - K) - 6 * n * (N - n)) + 6 * product * (5 * N - 6)) /
      (product * (N - 2) * (N - 3));
  return Law{std::max(0.0, n - N + K), std::min(n, K), n * share, v, skew * v * sd, kurtosis * v * v, withReplacement};
}

}  // namespace

double Rand_binomial(RandState* s, double q, int32_t trials, double lo, double hi, double shift, double u) {
  if (!(q >= 0 && q <= 1) || trials < 1) return NAN;
  const double n = trials, v = n * q * (1 - q);
  const double logQ = std::log(q), logR = std::log1p(-q);
  return draw(s, Law{0, n, n * q, v, v * (1 - 2 * q), v * (1 - 6 * q * (1 - q)), v}, lo, hi, shift, u,
              [&](double k) { return std::exp(logChoose(n, k) + times(k, logQ) + times(n - k, logR)); });
}

double Rand_negBinomial(RandState* s, double q, int32_t n, double lo, double hi, double shift, double u) {
  if (!(q > 0 && q <= 1) || n < 1) return NAN;
  // Failures before the n-th success: n times the geometric law's cumulants.
  const double r = 1 - q, mean = n * r / q, v = mean / q;
  const Law law{0, kNoLargest, mean, v, v * (1 + r) / q, v * (1 + 4 * r + r * r) / (q * q), 2 * v};
  if (std::sqrt(v) > kWalkDeviation && gammaShape(law) <= kGammaShape) return gammaDraw(s, law, lo, hi, shift, u);
  const double logQ = std::log(q), logR = std::log1p(-q);
  return draw(s, law, lo, hi, shift, u,
              [&](double k) { return std::exp(logChoose(n - 1 + k, k) + times(n, logQ) + times(k, logR)); });
}

double Rand_hypergeometric(RandState* s, int32_t n, int32_t K, int32_t N, double lo, double hi, double shift,
                           double u) {
  if (n < 1 || K < 1 || N < 1 || N < n || N < K) return NAN;
  return draw(s, hypergeometricLaw(n, K, N), lo, hi, shift, u,
              [&](double k) { return std::exp(logChoose(K, k) + logChoose(N - K, n - k) - logChoose(N, n)); });
}

double Rand_poisson(RandState* s, double mean, double lo, double hi, double shift, double u) {
  if (!(mean > 0)) return NAN;
  // Terms by ln(mean^k e^-mean / k!) so that large counts neither overflow nor lose the leading factor.
  return draw(s, Law{0, kNoLargest, mean, mean, mean, mean, mean}, lo, hi, shift, u,
              [&](double k) { return std::exp(k * std::log(mean) - mean - std::lgamma(k + 1)); });
}

double Rand_geometric(RandState* s, double q, double lo, double hi, double shift, double u) {
  const double low = std::ceil(lo), high = std::floor(hi);
  if (!(q > 0 && q <= 1) || Rand_reversed(low, high) || high < 0) return NAN;
  double p = Rand_percentile(s, u);
  // F(t) = 1 - (1 - q)^(t + 1) for whole t >= 0.
  const auto cdf = [&](double t) { return t < 0 ? 0.0 : -std::expm1((t + 1) * std::log1p(-q)); };
  if (Rand_truncates(low, high)) p = Rand_rescale(p, cdf(low - 1), cdf(high));
  const double failures = std::ceil(std::log1p(-p) / std::log1p(-q)) - 1;
  return Rand_keepInside(std::max(0.0, failures), low, high) + std::trunc(shift);
}
