// The evolutionary engine's random numbers: the minimal standard generator
// (16807 s mod 2^31 - 1 by Schrage's method) behind a 32-entry shuffle
// table, with exponential, gamma and beta variates built on it. A positive
// seed repeats the sequence exactly.
#include <cmath>

#include "engines/evolutionary/Evo_Engine.h"

namespace {

constexpr int kTableSize = 32;
constexpr std::int32_t kModulus = 2147483647;
constexpr double kScale = 4.656612875245797e-10;  // 1 / (2^31 - 1)
constexpr double kLargest = 0.99999988;

// The shuffle table is one per process; every seeding rebuilds it.
std::int32_t gTable[kTableSize];
std::int32_t gLast;

std::int32_t Evo_step(std::int32_t s) {
  std::int32_t k = s / 127773;
  s = 16807 * (s - k * 127773) - 2836 * k;
  return s < 0 ? s + kModulus : s;
}

void Evo_fillTable(EvoRandom& rng) {
  rng.word = rng.word < -1 ? -rng.word : 1;
  for (int j = 39; j >= 0; --j) {
    rng.word = Evo_step(rng.word);
    if (j < kTableSize) gTable[j] = rng.word;
  }
  gLast = gTable[0];
}

// Jöhnk's method for shapes below 1.
double Evo_gammaSmall(EvoRandom& rng, double a) {
  double x, y;
  do {
    y = std::pow(Evo_uniform(rng), 1.0 / (1.0 - a));
    x = std::pow(Evo_uniform(rng), 1.0 / a);
  } while (x + y > 1.0);
  return x * Evo_exponential(rng) / (x + y);
}

// Rejection with the tangent of a point in the unit disc, shapes above 1.
double Evo_gammaLarge(EvoRandom& rng, double a) {
  double am = a - 1.0;
  double s = std::sqrt(2.0 * am + 1.0);
  for (;;) {
    double p, q;
    do {
      p = 2.0 * Evo_uniform(rng) - 1.0;
      q = 2.0 * Evo_uniform(rng) - 1.0;
    } while (p * p + q * q > 1.0 || q == 0.0);
    double y = p / q;
    double g = s * y + am;
    if (g <= 0.0) continue;
    double e = (1.0 + y * y) * std::exp(am * std::log(g / am) - s * y);
    if (Evo_uniform(rng) <= e) return g;
  }
}

}  // namespace

void Evo_seed(EvoRandom& rng, std::int32_t seed) {
  rng.kind = 1;
  rng.word = seed > 0 ? -seed : seed;
}

double Evo_uniform(EvoRandom& rng) {
  if (rng.word <= 0 || gLast == 0) Evo_fillTable(rng);
  rng.word = Evo_step(rng.word);
  int j = gLast / 67108864;
  gLast = gTable[j];
  gTable[j] = rng.word;
  double u = gLast * kScale;
  return u > kLargest ? kLargest : u;
}

void Evo_uniformVector(EvoRandom& rng, int count, double* out) {
  for (int k = 0; k < count; ++k) out[k] = Evo_uniform(rng);
}

double Evo_exponential(EvoRandom& rng) { return -std::log(Evo_uniform(rng)); }

double Evo_gamma(EvoRandom& rng, double shape, double divisor) {
  if (shape < 1.0) return Evo_gammaSmall(rng, shape) / divisor;
  if (shape == 1.0) return Evo_exponential(rng) / divisor;
  return Evo_gammaLarge(rng, shape) / divisor;
}

double Evo_beta(EvoRandom& rng, double a, double b) {
  double g1 = Evo_gamma(rng, a, 1.0);
  double g2 = Evo_gamma(rng, b, 1.0);
  return g1 / (g1 + g2);
}
