// The evaluation context's random-number record: the library's uniform
// stream, seeded once per context, so that a model draws the same numbers
// from run to run. The simulation library draws from it.
#pragma once

#include <cstdint>

#include "base/Rnd_Uniform.h"

struct RandState {
  RndStream stream;
};

// The seed of every new context's stream.
constexpr int64_t kRandSeed = 1;
