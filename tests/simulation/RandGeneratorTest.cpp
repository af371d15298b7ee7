// The context's generator: its first outputs are those of the shuffled
// minimal standard sequence started from 1 (stepped here with 64-bit
// products), seeds repeat and separate streams, percentile draws use no
// number, whole-number draws stay between their bounds, and the normal
// quantile matches published quantiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "simulation/random/Rand_Generator.h"

namespace {

std::vector<double> draws(std::int64_t seed, int count) {
  RandState s{};
  Rnd_seed(s.stream, seed);
  std::vector<double> out(static_cast<size_t>(count));
  for (double& u : out) u = Rand_uniform01(&s);
  return out;
}

TEST(RandGenerator, FirstOutputsFromSeedOneAreTheShuffledSequence) {
  // From state 1: 8 warm-up steps (the first is 16807), then 32 states into
  // slots 31 down to 0; each draw steps once and hands out the slot that the
  // previous output picks.
  const std::int64_t modulus = 2147483647;
  std::int64_t state = 1, table[32], previous;
  for (int j = 39; j >= 0; --j) {
    state = state * 16807 % modulus;
    if (j == 39) {
      EXPECT_EQ(state, 16807);
    }
    if (j < 32) table[j] = state;
  }
  previous = table[0];
  std::vector<double> expected;
  for (int k = 0; k < 20; ++k) {
    state = state * 16807 % modulus;
    const int slot = static_cast<int>(previous / 67108864);
    previous = table[slot];
    table[slot] = state;
    expected.push_back(std::min(previous * 4.656612875245797e-10, 0.99999988));
  }
  // A fresh context seeds from 1 on its first draw.
  RandState fresh{};
  for (int k = 0; k < 20; ++k) EXPECT_EQ(Rand_uniform01(&fresh), expected[static_cast<size_t>(k)]) << k;
  EXPECT_EQ(draws(1, 20), expected);
}

TEST(RandGenerator, SameSeedSameStreamDifferentSeedsDiffer) {
  EXPECT_EQ(draws(7, 500), draws(7, 500));
  EXPECT_NE(draws(7, 20), draws(8, 20));
  for (double u : draws(3, 10000)) ASSERT_TRUE(u > 0 && u <= 0.99999988);
}

TEST(RandGenerator, PercentileDrawsTakeNoNumber) {
  RandState a{}, b{};
  EXPECT_EQ(Rand_uniform(&a, 2, 5, false, 0.25), 2.75);
  const double fresh = Rand_uniform01(&b);
  EXPECT_EQ(Rand_uniform(&a, 2, 5, false, 1.5), 2 + 3 * fresh);  // the first number of the stream
  EXPECT_EQ(Rand_uniform(&a, 0, 1, false, NAN), Rand_uniform01(&b));
}

TEST(RandGenerator, WholeNumbersStayBetweenTheBounds) {
  for (double u = 0; u <= 1; u += 0.01) {
    const double x = Rand_intBetween(2.3, 7.9, u), y = Rand_intBetween(-2.5, 3, u);
    EXPECT_TRUE(x >= 3 && x <= 7 && x == std::trunc(x)) << u;
    EXPECT_TRUE(y >= -2 && y <= 3 && y == std::trunc(y)) << u;
    EXPECT_EQ(Rand_intBetween(2.3, 2.7, u), 3);
    const double z = Rand_intBetween(-5, -2.5, u);  // the top is -3, not -2
    EXPECT_TRUE(z >= -5 && z <= -3) << u;
  }
  EXPECT_EQ(Rand_intBetween(1, 6, 0), 1);
  EXPECT_EQ(Rand_intBetween(1, 6, 0.5), 4);
  EXPECT_EQ(Rand_intBetween(1, 6, 1), 6);
  // Each of 1..6 about equally often.
  RandState s{};
  std::vector<int> counts(7);
  for (int k = 0; k < 6000; ++k) ++counts[static_cast<size_t>(Rand_uniform(&s, 1, 6, true, NAN))];
  for (int face = 1; face <= 6; ++face) EXPECT_NEAR(counts[static_cast<size_t>(face)], 1000, 120) << face;
}

TEST(RandGenerator, NormalQuantileMatchesPublishedValues) {
  EXPECT_EQ(Rand_inverseNormal(0.5), 0);
  EXPECT_NEAR(Rand_inverseNormal(0.975), 1.959963984540054, 1e-12);
  EXPECT_NEAR(Rand_inverseNormal(0.9), 1.2815515655446004, 1e-12);
  EXPECT_NEAR(Rand_inverseNormal(0.025), -1.959963984540054, 1e-12);
  EXPECT_NEAR(Rand_inverseNormal(0.02425), -1.9729610513118845, 1e-9);    // the central formula
  EXPECT_NEAR(Rand_inverseNormal(0.0242499), -1.9729628066172284, 1e-9);  // the tail formula
  EXPECT_NEAR(Rand_inverseNormal(1e-10), -6.361340902404056, 1e-9);
  EXPECT_NEAR(Rand_inverseNormal(1 - 1e-10), 6.361340902404056, 1e-5);
  EXPECT_EQ(Rand_inverseNormal(0), -INFINITY);
  EXPECT_EQ(Rand_inverseNormal(1), INFINITY);
  EXPECT_TRUE(std::isnan(Rand_inverseNormal(1.5)));
  EXPECT_TRUE(std::isnan(Rand_inverseNormal(-0.1)));
  EXPECT_TRUE(std::isnan(Rand_inverseNormal(NAN)));
}

TEST(RandGenerator, PermutationsAreUniform) {
  RandState s{};
  int32_t one[2] = {0, 0};
  ASSERT_TRUE(Rand_permutation(&s, 1, one));
  EXPECT_EQ(one[1], 1);
  EXPECT_FALSE(Rand_permutation(&s, -1, one));
  // Each of the 6 orders of 3 about equally often.
  std::vector<int> counts(6);
  for (int k = 0; k < 6000; ++k) {
    int32_t p[4] = {};
    ASSERT_TRUE(Rand_permutation(&s, 3, p));
    std::vector<int32_t> sorted(p + 1, p + 4);
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, (std::vector<int32_t>{1, 2, 3}));
    ++counts[static_cast<size_t>((p[1] - 1) * 2 + (p[2] > p[3] ? 1 : 0))];
  }
  for (int c : counts) EXPECT_NEAR(c, 1000, 120);
}

}  // namespace
