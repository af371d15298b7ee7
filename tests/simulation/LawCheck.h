// Goodness-of-fit checks for draws of a law: the Kolmogorov-Smirnov
// distance to a distribution function and the chi-square statistic against
// probabilities of counts, each with its critical value at the 1% level, and
// the quantile of a distribution function by bisection.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

using Cdf = std::function<double(double)>;
using Pmf = std::function<double(double)>;

// The largest distance between the draws' empirical distribution and cdf.
inline double ksDistance(std::vector<double> x, const Cdf& cdf) {
  std::sort(x.begin(), x.end());
  const double n = static_cast<double>(x.size());
  double d = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    const double f = cdf(x[i]);
    d = std::max({d, f - i / n, (i + 1) / n - f});
  }
  return d;
}

// The distance the KS statistic stays below with probability 99%.
inline double ksCritical(size_t n) { return 1.6276 / std::sqrt(static_cast<double>(n)); }

// The chi-square statistic of integer draws against pmf over the counts from
// first to last, pooling the counts expected fewer than 5 times into one
// cell; *cells receives the number of cells.
inline double chiSquare(const std::vector<double>& x, const Pmf& pmf, int first, int last, int* cells) {
  std::map<int, double> seen;
  for (double v : x) seen[static_cast<int>(v)] += 1;
  const double n = static_cast<double>(x.size());
  double stat = 0, pooledSeen = 0, pooledExpected = 0;
  *cells = 0;
  for (int k = first; k <= last; ++k) {
    const double expected = n * pmf(k), got = seen.count(k) ? seen[k] : 0;
    if (expected < 5) {
      pooledSeen += got;
      pooledExpected += expected;
      continue;
    }
    stat += (got - expected) * (got - expected) / expected;
    ++*cells;
  }
  if (pooledExpected > 0) {
    stat += (pooledSeen - pooledExpected) * (pooledSeen - pooledExpected) / pooledExpected;
    ++*cells;
  }
  return stat;
}

// The 99% point of the chi-square law with df degrees of freedom
// (Wilson-Hilferty).
inline double chiSquareCritical(int df) {
  const double a = 2.0 / (9.0 * df);
  return df * std::pow(1 - a + 2.3263478740408408 * std::sqrt(a), 3);
}

// The smallest x in [a, b] with cdf(x) >= p, by bisection.
inline double quantileOf(const Cdf& cdf, double p, double a, double b) {
  for (int k = 0; k < 200; ++k) {
    const double m = 0.5 * (a + b);
    (cdf(m) >= p ? b : a) = m;
  }
  return 0.5 * (a + b);
}

inline double normalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }
