// The multistart driver (export ordinal 10, declared with the runner): runs
// the engine's `solve` as a local solver from points drawn uniformly in the
// variables' box, clustered by multi-level single linkage, and leaves the
// best local minimum in the problem. This header gives its random numbers:
// the minimal standard multiplicative generator (multiplier 16807, modulus
// 2^31 - 1) behind a 32-entry shuffle table.
#pragma once

#include <cstdint>

struct MslRandom {
  std::int32_t state = 1;
  std::int32_t last = 0;         // the entry drawn last; picks the next slot
  std::int32_t table[32] = {};
};

// Seeds the generator (a seed of 0, or a multiple of the modulus, acts as 1)
// and fills the shuffle table after 8 warm-up steps.
void Eng_seedRandom(MslRandom* random, std::uint32_t seed);
// The next uniform number in (0, 1), at most 0.99999988.
double Eng_drawUniform(MslRandom* random);
