// The evolutionary engine's random variates (exponential, gamma, beta and
// vectors of uniform numbers), drawn from the run's uniform stream.
#include <cmath>

#include "engines/evolutionary/Evo_Engine.h"

namespace {

// Jöhnk's method for shapes below 1.
double gammaSmall(RndStream& rng, double a) {
  double x, y;
  do {
    y = std::pow(Rnd_uniform(rng), 1.0 / (1.0 - a));
    x = std::pow(Rnd_uniform(rng), 1.0 / a);
  } while (x + y > 1.0);
  return x * Evo_exponential(rng) / (x + y);
}

// Rejection with the tangent of a point in the unit disc, shapes above 1.
double gammaLarge(RndStream& rng, double a) {
  double am = a - 1.0;
  double s = std::sqrt(2.0 * am + 1.0);
  for (;;) {
    double p, q;
    do {
      p = 2.0 * Rnd_uniform(rng) - 1.0;
      q = 2.0 * Rnd_uniform(rng) - 1.0;
    } while (p * p + q * q > 1.0 || q == 0.0);
    double y = p / q;
    double g = s * y + am;
    if (g <= 0.0) continue;
    double e = (1.0 + y * y) * std::exp(am * std::log(g / am) - s * y);
    if (Rnd_uniform(rng) <= e) return g;
  }
}

}  // namespace

void Evo_uniformVector(RndStream& rng, int count, double* out) {
  for (int k = 0; k < count; ++k) out[k] = Rnd_uniform(rng);
}

double Evo_exponential(RndStream& rng) { return -std::log(Rnd_uniform(rng)); }

double Evo_gamma(RndStream& rng, double shape, double divisor) {
  if (shape < 1.0) return gammaSmall(rng, shape) / divisor;
  if (shape == 1.0) return Evo_exponential(rng) / divisor;
  return gammaLarge(rng, shape) / divisor;
}

double Evo_beta(RndStream& rng, double a, double b) {
  double g1 = Evo_gamma(rng, a, 1.0);
  double g2 = Evo_gamma(rng, b, 1.0);
  return g1 / (g1 + g2);
}
