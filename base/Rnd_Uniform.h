// The library's uniform random numbers: the minimal standard multiplicative
// generator (state = 16807 * state mod 2^31 - 1) behind a 32-entry shuffle
// table that breaks up serial correlation. Each user (the LP engine's
// rounding heuristic, the evolutionary engine, the multistart driver) keeps
// its stream in its own record; a seed repeats its stream exactly.
#pragma once

#include <cstdint>

constexpr int RndTableSize = 32;

struct RndStream {
  std::int32_t state = 0;
  std::int32_t last = 0;        // the entry drawn last (picks the next slot); 0 before seeding
  std::int32_t table[RndTableSize] = {};
};

// Seeds the stream from |seed| mod 2^31 - 1 (0 acts as 1) and fills the
// shuffle table after 8 warm-up steps.
void Rnd_seed(RndStream& stream, std::int64_t seed);
// The next number in (0, 0.99999988]; a stream never seeded starts from 1.
double Rnd_uniform(RndStream& stream);
