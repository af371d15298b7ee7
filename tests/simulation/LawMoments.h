// Sampling-error checks of a law's draws: the sample mean within four
// standard errors of the law's mean, the sample standard deviation within
// four standard errors of the law's (the error of a standard deviation
// grows with the law's kurtosis), and the rank correlation of two samples.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "tests/simulation/SimBook.h"

struct Moments {
  double mean;
  double sd;
  double kurtosis = 3;  // of the law, 3 for the normal
};

inline void Law_expectMoments(const std::vector<double>& x, const Moments& law, const std::string& what) {
  ASSERT_FALSE(x.empty()) << what << ": no samples";
  const double n = static_cast<double>(x.size());
  EXPECT_NEAR(SimBook_mean(x), law.mean, 4 * law.sd / std::sqrt(n)) << what << " mean";
  EXPECT_NEAR(SimBook_sd(x), law.sd, 4 * law.sd * std::sqrt((law.kurtosis - 1) / (4 * n))) << what << " sd";
}

inline void Law_expectWithin(const std::vector<double>& x, double lo, double hi, const std::string& what) {
  ASSERT_FALSE(x.empty()) << what << ": no samples";
  for (double v : x) ASSERT_TRUE(v >= lo && v <= hi) << what << ": " << v << " outside [" << lo << ", " << hi << "]";
}

// The ranks 1..n of the samples (ties are not expected of continuous laws).
inline std::vector<double> Law_ranks(const std::vector<double>& x) {
  std::vector<size_t> order(x.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] < x[b]; });
  std::vector<double> rank(x.size());
  for (size_t k = 0; k < order.size(); ++k) rank[order[k]] = static_cast<double>(k + 1);
  return rank;
}

inline double Law_pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const double mx = SimBook_mean(x), my = SimBook_mean(y);
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t k = 0; k < x.size(); ++k) {
    sxy += (x[k] - mx) * (y[k] - my);
    sxx += (x[k] - mx) * (x[k] - mx);
    syy += (y[k] - my) * (y[k] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

inline double Law_spearman(const std::vector<double>& x, const std::vector<double>& y) {
  return Law_pearson(Law_ranks(x), Law_ranks(y));
}

// The standard normal density and distribution function.
inline double Law_phi(double z) { return std::exp(-z * z / 2) / std::sqrt(2 * M_PI); }
inline double Law_Phi(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

// The normal law of mean m and sd s truncated to [a, b].
inline Moments Law_truncatedNormal(double m, double s, double a, double b) {
  const double al = (a - m) / s, be = (b - m) / s, z = Law_Phi(be) - Law_Phi(al);
  const double d = (Law_phi(al) - Law_phi(be)) / z;
  const double var = s * s * (1 + (al * Law_phi(al) - be * Law_phi(be)) / z - d * d);
  return Moments{m + s * d, std::sqrt(var), 3};
}
