// Random numbers of the multistart driver: the minimal standard generator
// stepped by Schrage's method (no overflow in 32 bits) with a shuffle table
// that breaks up serial correlation.
#include "entry/Eng_Multistart.h"

namespace {

constexpr std::int32_t Multiplier = 16807;
constexpr std::int32_t Modulus = 2147483647;          // 2^31 - 1
constexpr std::int32_t Quotient = Modulus / Multiplier;   // 127773
constexpr std::int32_t Remainder = Modulus % Multiplier;  // 2836
constexpr int TableSize = 32;
constexpr std::int32_t SlotDivisor = 1 + (Modulus - 1) / TableSize;   // 2^26
constexpr double Scale = 4.656612875245797e-10;       // 1 / (2^31 - 1)
constexpr double Largest = 0.99999988;

std::int32_t step(std::int32_t state) {
  std::int32_t k = state / Quotient;
  std::int32_t next = Multiplier * (state - k * Quotient) - Remainder * k;
  return next < 0 ? next + Modulus : next;
}

}  // namespace

void Eng_seedRandom(MslRandom* random, std::uint32_t seed) {
  std::int32_t state = static_cast<std::int32_t>(seed % static_cast<std::uint32_t>(Modulus));
  if (state == 0) state = 1;
  for (int j = TableSize + 7; j >= 0; --j) {
    state = step(state);
    if (j < TableSize) random->table[j] = state;
  }
  random->state = state;
  random->last = random->table[0];
}

double Eng_drawUniform(MslRandom* random) {
  random->state = step(random->state);
  int slot = random->last / SlotDivisor;
  random->last = random->table[slot];
  random->table[slot] = random->state;
  double u = Scale * random->last;
  return u > Largest ? Largest : u;
}
