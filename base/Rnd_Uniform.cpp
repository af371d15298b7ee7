// The uniform generator: Schrage's method steps the state without a
// product that overflows 32 bits.
#include "base/Rnd_Uniform.h"

namespace {

constexpr std::int32_t Multiplier = 16807;
constexpr std::int32_t Modulus = 2147483647;              // 2^31 - 1
constexpr std::int32_t Quotient = Modulus / Multiplier;   // 127773
constexpr std::int32_t Remainder = Modulus % Multiplier;  // 2836
constexpr std::int32_t SlotDivisor = 1 + (Modulus - 1) / RndTableSize;  // 2^26
constexpr int WarmUpSteps = 8;
constexpr double Scale = 4.656612875245797e-10;           // 1 / (2^31 - 1)
constexpr double Largest = 0.99999988;

std::int32_t step(std::int32_t state) {
  std::int32_t k = state / Quotient;
  std::int32_t next = Multiplier * (state - k * Quotient) - Remainder * k;
  return next < 0 ? next + Modulus : next;
}

}  // namespace

void Rnd_seed(RndStream& stream, std::int64_t seed) {
  const std::uint64_t magnitude = seed < 0 ? 0 - static_cast<std::uint64_t>(seed) : seed;
  auto state = static_cast<std::int32_t>(magnitude % Modulus);
  if (state == 0) state = 1;
  for (int j = RndTableSize + WarmUpSteps - 1; j >= 0; --j) {
    state = step(state);
    if (j < RndTableSize) stream.table[j] = state;
  }
  stream.state = state;
  stream.last = stream.table[0];
}

double Rnd_uniform(RndStream& stream) {
  if (stream.last == 0) Rnd_seed(stream, 1);
  stream.state = step(stream.state);
  int slot = stream.last / SlotDivisor;
  stream.last = stream.table[slot];
  stream.table[slot] = stream.state;
  double u = Scale * stream.last;
  return u > Largest ? Largest : u;
}
