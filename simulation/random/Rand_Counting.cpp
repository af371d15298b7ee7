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

// Walks the counts from first, adding their terms to *sum, until enough
// says the sum is enough, at last, or where the terms vanish past the mode
// (rounding keeps the sum of an unbounded law just below 1, and a bound of
// 1E+30, the usual "no limit", lies far beyond); the count it ends at, NaN
// when a term cannot be computed.
template <typename Term, typename Enough>
double walk(double first, double last, Term term, double* sum, Enough enough) {
  bool rising = true;
  for (double k = first;; ++k) {
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

// The draw between the whole counts of the bounds, NaN when none lies there.
template <typename Term>
double draw(RandState* s, double first, double last, double lo, double hi, double shift, double u, Term term) {
  const double low = std::ceil(lo), high = std::floor(hi);
  if (Rand_reversed(low, high)) return NAN;
  double p = Rand_percentile(s, u);
  if (Rand_truncates(low, high))
    p = Rand_rescale(p, cumulative(low - 1, first, last, term), cumulative(high, first, last, term));
  return Rand_keepInside(search(p, first, last, term), low, high) + std::trunc(shift);
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
  const double low = std::ceil(lo), high = std::floor(hi);
  if (!(q > 0 && q <= 1) || Rand_reversed(low, high)) return NAN;
  double p = Rand_percentile(s, u);
  // F(t) = 1 - (1 - q)^(t + 1) for whole t >= 0.
  const auto cdf = [&](double t) { return t < 0 ? 0.0 : -std::expm1((t + 1) * std::log1p(-q)); };
  if (Rand_truncates(low, high)) p = Rand_rescale(p, cdf(low - 1), cdf(high));
  const double failures = std::ceil(std::log1p(-p) / std::log1p(-q)) - 1;
  return Rand_keepInside(std::max(0.0, failures), low, high) + std::trunc(shift);
}
