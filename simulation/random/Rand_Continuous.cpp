// The closed-form continuous laws: each is its distribution function F
// (for truncation) and its quantile Q of the lower tail.
#include "simulation/random/Rand_Continuous.h"

#include <cmath>
#include <numbers>

#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_Truncation.h"

namespace {

// Q(p) + shift, with p rescaled into [F(lo), F(hi)] and Q(p) held in
// [lo, hi] when the draw is truncated; NaN for reversed bounds.
template <typename Cdf, typename Quantile>
double draw(RandState* s, double lo, double hi, double shift, double u, Cdf cdf, Quantile quantile) {
  if (Rand_reversed(lo, hi)) return NAN;
  double p = Rand_percentile(s, u);
  if (Rand_truncates(lo, hi)) p = Rand_rescale(p, cdf(lo), cdf(hi));
  return Rand_keepInside(quantile(p), lo, hi) + shift;
}

// -ln(1 - p), the unit exponential quantile.
double unitExponential(double p) { return -std::log1p(-p); }

}  // namespace

double Rand_normal(RandState* s, double mean, double sd, double lo, double hi, double shift, double u) {
  if (!(sd > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return Rand_normalCdf((x - mean) / sd); },
      [&](double p) { return mean + sd * Rand_inverseNormal(p); });
}

double Rand_errorFunctionNormal(RandState* s, double h, double lo, double hi, double shift, double u) {
  if (!(h > 0)) return NAN;
  return Rand_normal(s, 0, 1 / h / std::numbers::sqrt2, lo, hi, shift, u);
}

double Rand_lognormal(RandState* s, double m, double sd, double lo, double hi, double shift, double u) {
  if (!(m > 0 && sd > 0)) return NAN;
  const double ratio = sd / m;
  const double sigma2 = std::log1p(ratio * ratio);
  const double mu = std::log(m) - sigma2 / 2, sigma = std::sqrt(sigma2);
  return draw(
      s, lo, hi, shift, u, [&](double x) { return x > 0 ? Rand_normalCdf((std::log(x) - mu) / sigma) : 0.0; },
      [&](double p) { return std::exp(mu + sigma * Rand_inverseNormal(p)); });
}

double Rand_exponential(RandState* s, double rate, double lo, double hi, double shift, double u) {
  if (!(rate > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return x > 0 ? -std::expm1(-rate * x) : 0.0; },
      [&](double p) { return unitExponential(p) / rate; });
}

double Rand_weibull(RandState* s, double shape, double scale, double lo, double hi, double shift, double u) {
  if (!(shape > 0 && scale > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return x > 0 ? -std::expm1(-std::pow(x / scale, shape)) : 0.0; },
      [&](double p) { return scale * std::pow(unitExponential(p), 1 / shape); });
}

double Rand_rayleigh(RandState* s, double sigma, double lo, double hi, double shift, double u) {
  if (!(sigma > 0)) return NAN;
  const double twoVariance = 2 * sigma * sigma;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return x > 0 ? -std::expm1(-x * x / twoVariance) : 0.0; },
      [&](double p) { return std::sqrt(twoVariance * unitExponential(p)); });
}

double Rand_pareto(RandState* s, double a, double b, double lo, double hi, double shift, double u) {
  if (!(a > 1 && b > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return x > b ? 1 - std::pow(b / x, a) : 0.0; },
      [&](double p) { return b / std::pow(1 - p, 1 / a); });
}

double Rand_logistic(RandState* s, double location, double scale, double lo, double hi, double shift, double u) {
  if (!(scale > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u, [&](double x) { return 1 / (1 + std::exp((location - x) / scale)); },
      [&](double p) { return location - scale * std::log(1 / p - 1); });
}

double Rand_logLogistic(RandState* s, double location, double scale, double shape, double lo, double hi, double shift,
                        double u) {
  if (!(scale > 0 && shape > 0)) return NAN;
  return draw(
      s, lo, hi, shift, u,
      [&](double x) { return x > location ? 1 / (1 + std::pow((x - location) / scale, -shape)) : 0.0; },
      [&](double p) { return location + scale * std::pow(p / (1 - p), 1 / shape); });
}

double Rand_extremeValue(RandState* s, double location, double scale, bool minimum, double lo, double hi, double shift,
                         double u) {
  if (!(scale > 0)) return NAN;
  if (minimum)
    return draw(
        s, lo, hi, shift, u, [&](double x) { return -std::expm1(-std::exp((x - location) / scale)); },
        [&](double p) { return location + scale * std::log(unitExponential(p)); });
  return draw(
      s, lo, hi, shift, u, [&](double x) { return std::exp(-std::exp((location - x) / scale)); },
      [&](double p) { return location - scale * std::log(-std::log(p)); });
}
