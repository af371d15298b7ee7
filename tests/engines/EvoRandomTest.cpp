// The evolutionary engine's generator: a seed repeats its sequence, seeds 0
// and 1 start alike, draws stay below 1, and the uniform, exponential,
// gamma and beta variates have the means and variances of their
// distributions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/evolutionary/Evo_Engine.h"

namespace {

constexpr int kDraws = 200000;

struct Moments {
  double mean = 0.0, variance = 0.0;
};

template <typename Draw>
Moments moments(Draw draw) {
  std::vector<double> values(kDraws);
  double sum = 0.0;
  for (double& v : values) sum += v = draw();
  Moments m;
  m.mean = sum / kDraws;
  for (double v : values) m.variance += (v - m.mean) * (v - m.mean);
  m.variance /= kDraws - 1;
  return m;
}

std::vector<double> sequence(std::int32_t seed, int count) {
  RndStream rng;
  Rnd_seed(rng, seed);
  std::vector<double> out(count);
  Evo_uniformVector(rng, count, out.data());
  return out;
}

}  // namespace

TEST(EvoRandom, SeedRepeatsItsSequenceAndSeedsDiffer) {
  EXPECT_EQ(sequence(12345, 1000), sequence(12345, 1000));
  EXPECT_NE(sequence(12345, 50), sequence(12346, 50));
  // A seed of 0 initialises the word to 1, as the seed 1 does.
  EXPECT_EQ(sequence(0, 100), sequence(1, 100));
  // Draws stay inside (0, 1): the variates take logarithms of them.
  for (double u : sequence(7, kDraws)) {
    ASSERT_GT(u, 0.0);
    ASSERT_LE(u, 0.99999988);
  }
}

TEST(EvoRandom, VariatesHaveTheMomentsOfTheirDistributions) {
  RndStream rng;
  Rnd_seed(rng, 2024);
  struct Case {
    const char* name;
    double mean, variance;
    Moments m;
  };
  // Uniform: 1/2 and 1/12; exponential: 1 and 1; gamma(a, b) with divisor b:
  // a/b and a/b^2; beta(a, b): a/(a+b) and ab/((a+b)^2 (a+b+1)).
  std::vector<Case> cases = {
      {"uniform", 0.5, 1.0 / 12, moments([&] { return Rnd_uniform(rng); })},
      {"exponential", 1.0, 1.0, moments([&] { return Evo_exponential(rng); })},
      {"gamma 0.5", 0.5, 0.5, moments([&] { return Evo_gamma(rng, 0.5, 1.0); })},
      {"gamma 1 / 4", 0.25, 1.0 / 16, moments([&] { return Evo_gamma(rng, 1.0, 4.0); })},
      {"gamma 2.5 / 2", 1.25, 0.625, moments([&] { return Evo_gamma(rng, 2.5, 2.0); })},
      {"gamma 9", 9.0, 9.0, moments([&] { return Evo_gamma(rng, 9.0, 1.0); })},
      {"beta 2, 3", 0.4, 0.04, moments([&] { return Evo_beta(rng, 2.0, 3.0); })},
      {"beta 0.5, 0.5", 0.5, 0.125, moments([&] { return Evo_beta(rng, 0.5, 0.5); })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Five standard errors of the mean; 3 % of the variance.
    EXPECT_NEAR(c.m.mean, c.mean, 5.0 * std::sqrt(c.variance / kDraws));
    EXPECT_NEAR(c.m.variance, c.variance, 0.03 * c.variance);
  }
}
