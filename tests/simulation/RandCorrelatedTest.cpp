// Correlated draws: over 10,000 trials the draws reproduce the correlation
// matrix they were given (Pearson) and the rank correlation that a normal
// pair of that correlation has, 6/pi asin(r/2) (Spearman), within 0.03 per
// entry; refused matrices draw nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#include "simulation/random/Rand_Continuous.h"
#include "simulation/random/Rand_Correlated.h"
#include "simulation/random/Rand_Generator.h"
#include "tests/simulation/LawMoments.h"

namespace {

constexpr int kTrials = 10000;

TEST(RandCorrelated, DrawsReproduceTheMatrix) {
  const std::vector<std::vector<double>> m = {{1, 0.6, -0.3}, {0.6, 1, 0.2}, {-0.3, 0.2, 1}};
  const double* rows[] = {m[0].data(), m[1].data(), m[2].data()};
  const double means[] = {1, -2, 3};
  for (bool lognormal : {false, true}) {
    RandState s{};
    std::vector<std::vector<double>> x(3, std::vector<double>(kTrials));
    for (int t = 0; t < kTrials; ++t) {
      double out[3];
      ASSERT_EQ(lognormal ? Rand_correlatedLognormal(&s, 3, out, means, rows, true)
                          : Rand_correlatedNormal(&s, 3, out, means, rows, true),
                kRandCorrelationOk);
      for (int i = 0; i < 3; ++i)
        x[static_cast<size_t>(i)][static_cast<size_t>(t)] = lognormal ? std::log(out[i]) : out[i];
    }
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(std::accumulate(x[i].begin(), x[i].end(), 0.0) / kTrials, means[i], 0.03);
      for (size_t j = 0; j < 3; ++j) {
        const double rank = 6 / std::numbers::pi * std::asin(m[i][j] / 2);
        EXPECT_NEAR(Law_pearson(x[i], x[j]), m[i][j], 0.03) << i << "," << j;
        EXPECT_NEAR(Law_spearman(x[i], x[j]), rank, 0.03) << i << "," << j;
      }
    }
  }
}

TEST(RandCorrelated, IdentityGivesMeansPlusTheNormalStreamAndLognormalItsExponential) {
  const double identity[2][2] = {{1, 0}, {0, 1}};
  const double* rows[] = {identity[0], identity[1]};
  const double means[] = {5, 7};
  RandState a{}, b{}, c{};
  double out[2], lnOut[2], z[2];
  ASSERT_EQ(Rand_correlatedNormal(&a, 2, out, means, rows, true), kRandCorrelationOk);
  Rand_normalVector(&b, 2, z, 0, 1, true);
  EXPECT_DOUBLE_EQ(out[0], 5 + z[0]);
  EXPECT_DOUBLE_EQ(out[1], 7 + z[1]);
  ASSERT_EQ(Rand_correlatedLognormal(&c, 2, lnOut, means, rows, true), kRandCorrelationOk);
  EXPECT_DOUBLE_EQ(lnOut[0], std::exp(out[0]));
  // One entry of variance 4: the mean plus twice the normal draw (1-based arrays).
  const double four[] = {0, 4};
  const double* one[] = {nullptr, four};
  const double mean1[] = {0, 3};
  double single[2];
  RandState d{}, e{};
  ASSERT_EQ(Rand_correlatedNormal(&d, 1, single, mean1, one, false), kRandCorrelationOk);
  EXPECT_DOUBLE_EQ(single[1], 3 + 2 * Rand_normal(&e, 0, 1, -INFINITY, INFINITY, 0, NAN));
}

// A matrix that is not positive definite is refused with its own status and
// draws nothing; it is never factorised into NaN draws.
TEST(RandCorrelated, RefusesMatricesThatAreNotPositiveDefinite) {
  const double means[] = {0, 0, 0};
  const double ones[2][2] = {{1, 1}, {1, 1}};
  const double* perfect[] = {ones[0], ones[1]};
  // Pairwise plausible correlations that no three variables can have.
  const double bad[3][3] = {{1, 0.9, -0.9}, {0.9, 1, 0.9}, {-0.9, 0.9, 1}};
  const double* impossible[] = {bad[0], bad[1], bad[2]};
  const double skew[2][2] = {{1, 0.5}, {0.2, 1}};
  const double* asymmetric[] = {skew[0], skew[1]};
  const double hole[2][2] = {{1, NAN}, {NAN, 1}};
  const double* notFinite[] = {hole[0], hole[1]};
  RandState s{};
  double out[3] = {42, 42, 42};
  EXPECT_EQ(Rand_correlatedNormal(&s, 2, out, means, perfect, true), kRandCorrelationNotPositiveDefinite);
  EXPECT_EQ(Rand_correlatedNormal(&s, 3, out, means, impossible, true), kRandCorrelationNotPositiveDefinite);
  EXPECT_EQ(Rand_correlatedLognormal(&s, 3, out, means, impossible, true), kRandCorrelationNotPositiveDefinite);
  EXPECT_EQ(Rand_correlatedNormal(&s, 2, out, means, asymmetric, true), kRandCorrelationMalformed);
  EXPECT_EQ(Rand_correlatedNormal(&s, 2, out, means, notFinite, true), kRandCorrelationMalformed);
  EXPECT_EQ(Rand_correlatedNormal(&s, 0, out, means, notFinite, true), kRandCorrelationMalformed);
  EXPECT_EQ(out[0], 42);
  EXPECT_EQ(out[2], 42);
  EXPECT_EQ(s.stream.last, 0);  // no number drawn
}

}  // namespace
