// The uniform generator: its draws are shuffled states of the minimal
// standard sequence, a seed repeats its stream, and seeds that name the
// same start (0 and 1, a negative seed and its magnitude, the modulus and
// 1) give the same stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "base/Rnd_Uniform.h"

namespace {

std::vector<double> stream(std::int64_t seed, int count) {
  RndStream random;
  Rnd_seed(random, seed);
  std::vector<double> out(count);
  for (double& u : out) u = Rnd_uniform(random);
  return out;
}

TEST(RndUniform, DrawsAreShuffledStatesOfTheMinimalStandardSequence) {
  // The sequence itself, stepped with 64-bit products: from 1, the 10000th
  // state is 1043618065 (the generator's published check value).
  const std::int64_t modulus = 2147483647;
  std::vector<std::int64_t> states{1};
  for (int k = 0; k < 12000; ++k) states.push_back(states.back() * 16807 % modulus);
  ASSERT_EQ(states[10000], 1043618065);
  std::set<std::int64_t> known(states.begin() + 1, states.end());
  RndStream random;
  Rnd_seed(random, 1);
  std::set<std::int64_t> drawn;
  int capped = 0;
  for (int k = 0; k < 10000; ++k) {
    double u = Rnd_uniform(random);
    ASSERT_GT(u, 0);
    ASSERT_LE(u, 0.99999988);
    if (u == 0.99999988) {   // states within 258 of the modulus
      ++capped;
      continue;
    }
    std::int64_t state = std::llround(u * modulus);
    EXPECT_TRUE(known.count(state)) << k;
    drawn.insert(state);
  }
  EXPECT_LT(capped, 3);
  EXPECT_EQ(drawn.size() + capped, 10000u);   // no state comes twice
}

TEST(RndUniform, SeedRepeatsItsStreamAndStreamsAreIndependent) {
  EXPECT_EQ(stream(42, 1000), stream(42, 1000));
  EXPECT_NE(stream(42, 50), stream(43, 50));
  // Two streams drawn in turn do not disturb each other.
  RndStream a, b;
  Rnd_seed(a, 42);
  Rnd_seed(b, 7);
  const std::vector<double> alone = stream(42, 20);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(Rnd_uniform(a), alone[k]) << k;
    Rnd_uniform(b);
  }
  double sum = 0;
  for (double u : stream(42, 10000)) sum += u;
  EXPECT_NEAR(sum / 10000, 0.5, 0.02);
}

TEST(RndUniform, SeedsNamingTheSameStartGiveTheSameStream) {
  const std::vector<double> one = stream(1, 100);
  RndStream unseeded;
  std::vector<double> drawn(100);
  for (double& u : drawn) u = Rnd_uniform(unseeded);
  EXPECT_EQ(drawn, one);
  const std::int64_t modulus = 2147483647;
  for (std::int64_t seed : {std::int64_t{0}, std::int64_t{-1}, modulus, modulus + 1})
    EXPECT_EQ(stream(seed, 100), one) << seed;
  EXPECT_EQ(stream(-12345, 100), stream(12345, 100));
  EXPECT_EQ(stream(INT32_MIN, 100), one);  // 2^31 mod (2^31 - 1)
}

}  // namespace
