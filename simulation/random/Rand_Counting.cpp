// The counting laws, each given by its smallest and largest count and its
// probability of count k; the cumulative search and the distribution
// function for truncation walk the same terms.
#include "simulation/random/Rand_Counting.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simulation/random/Rand_Truncation.h"
#include "worksheet/kernels/Kern_Special.h"

namespace {

constexpr double kNoLargest = std::numeric_limits<double>::infinity();

// The probability of count k, NaN when it cannot be computed.
double binomialTerm(double n, double k, double factor) {
  double c = 0;
  return Kern_binomialCoefficient(n, k, &c) ? c * factor : NAN;
}

// The smallest count from first whose cumulative probability reaches p; the
// walk ends at last, or where the terms vanish past the mode (rounding keeps
// the sum of an unbounded law just below 1).
template <typename Term>
double search(double p, double first, double last, Term term) {
  double sum = 0;
  bool rising = true;
  for (double k = first;; ++k) {
    const double t = term(k);
    if (std::isnan(t)) return NAN;
    if (t > 0) rising = false;
    sum += t;
    if (sum >= p || k >= last || (!rising && t == 0)) return k;
  }
}

// The cumulative probability of the counts first..x.
template <typename Term>
double cumulative(double x, double first, double last, Term term) {
  double sum = 0;
  for (double k = first; k <= std::min(x, last); ++k) sum += term(k);
  return sum;
}

template <typename Term>
double draw(RandState* s, double first, double last, double lo, double hi, double shift, double u, Term term) {
  double p = Rand_percentile(s, u);
  if (Rand_truncates(lo, hi))
    p = Rand_rescale(p, cumulative(std::ceil(lo) - 1, first, last, term),
                     cumulative(std::floor(hi), first, last, term));
  return search(p, first, last, term) + std::trunc(shift);
}

}  // namespace

double Rand_binomial(RandState* s, double q, int32_t trials, double lo, double hi, double shift, double u) {
  if (!(q >= 0 && q <= 1) || trials < 1) return NAN;
  const double n = trials;
  return draw(s, 0, n, lo, hi, shift, u,
              [&](double k) { return binomialTerm(n, k, std::pow(q, k) * std::pow(1 - q, n - k)); });
}

double Rand_negBinomial(RandState* s, double q, int32_t n, double lo, double hi, double shift, double u) {
  if (!(q > 0 && q <= 1) || n < 1) return NAN;
  return draw(s, 0, kNoLargest, lo, hi, shift, u,
              [&](double k) { return binomialTerm(n - 1 + k, k, std::pow(q, n) * std::pow(1 - q, k)); });
}

double Rand_hypergeometric(RandState* s, int32_t n, int32_t K, int32_t N, double lo, double hi, double shift,
                           double u) {
  if (n < 1 || K < 1 || N < 1 || N < n || N < K) return NAN;
  double all = 0;
  if (!Kern_binomialCoefficient(N, n, &all)) return NAN;
  const double first = std::max(0, n - N + K), last = std::min(n, K);
  return draw(s, first, last, lo, hi, shift, u, [&](double k) {
    double rest = 0;
    return Kern_binomialCoefficient(N - K, n - k, &rest) ? binomialTerm(K, k, rest / all) : NAN;
  });
}

double Rand_poisson(RandState* s, double mean, double lo, double hi, double shift, double u) {
  if (!(mean > 0)) return NAN;
  // Terms by ln(mean^k e^-mean / k!) so that large counts neither overflow nor lose the leading factor.
  return draw(s, 0, kNoLargest, lo, hi, shift, u,
              [&](double k) { return std::exp(k * std::log(mean) - mean - std::lgamma(k + 1)); });
}

double Rand_geometric(RandState* s, double q, double lo, double hi, double shift, double u) {
  if (!(q > 0 && q <= 1)) return NAN;
  double p = Rand_percentile(s, u);
  // F(t) = 1 - (1 - q)^(t + 1) for whole t >= 0.
  const auto cdf = [&](double t) { return t < 0 ? 0.0 : -std::expm1((t + 1) * std::log1p(-q)); };
  if (Rand_truncates(lo, hi)) p = Rand_rescale(p, cdf(std::ceil(lo) - 1), cdf(std::floor(hi)));
  const double failures = std::ceil(std::log1p(-p) / std::log1p(-q)) - 1;
  return std::max(0.0, failures) + std::trunc(shift);
}
