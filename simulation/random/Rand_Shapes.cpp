// The triangle, the triangle by percentiles and the three-point law.
#include "simulation/random/Rand_Shapes.h"

#include <algorithm>
#include <cmath>

#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_Truncation.h"

namespace {

constexpr double kPercent = 0.01;
constexpr double kThreePointClamp = 0.000001;
// 1 / the upper quartile of the standard normal law, so that the quartiles
// and the median fall at z = -1, 0 and 1.
constexpr double kQuartileUnits = 1.482602218505602;

}  // namespace

double Rand_triangular(RandState* s, double a, double m, double b, double lo, double hi, double shift, double u) {
  if (!(a <= m && m < b) || Rand_reversed(lo, hi)) return NAN;
  const double width = b - a, fm = (m - a) / width;
  const auto cdf = [&](double x) {
    if (x <= a) return 0.0;
    if (x >= b) return 1.0;
    return x <= m ? (x - a) * (x - a) / (width * (m - a)) : 1 - (b - x) * (b - x) / (width * (b - m));
  };
  double p = Rand_percentile(s, u);
  if (Rand_truncates(lo, hi)) p = Rand_rescale(p, cdf(lo), cdf(hi));
  const double x = p <= fm ? a + std::sqrt(width * (m - a) * p) : b - std::sqrt((1 - p) * width * (b - m));
  return Rand_keepInside(x, lo, hi) + shift;
}

double Rand_triangularPercentiles(RandState* s, double L, double m, double H, double pL, double pH, double lo,
                                  double hi, double shift, double u) {
  if (!(L < m && m < H && pL > 0 && pL < 100 && pH > 0 && pH < 100 && pL < pH) || Rand_reversed(lo, hi)) return NAN;
  pL *= kPercent;
  pH *= kPercent;
  const double top = L * L / (m * pL);  // the triangle's maximum; its minimum is 0
  const double atMode = pL * (m / L) * (m / L);
  const double upper = (top - H) * (top - H);
  // F, 0 below the triangle's minimum 0 and 1 above its maximum, so that
  // bounds outside the triangle truncate only on their other side.
  const auto cdf = [&](double v) {
    if (v <= 0) return 0.0;
    if (v >= top) return 1.0;
    return v <= m ? v * v * pL / (L * L) : 1 - (1 - pH) * (top - v) * (top - v) / upper;
  };
  double p = Rand_percentile(s, u);
  if (Rand_truncates(lo, hi)) p = Rand_rescale(p, cdf(lo), cdf(hi));
  const double x = p <= atMode ? std::sqrt(p * L * L / pL) : top - std::sqrt(upper * (1 - p) / (1 - pH));
  return Rand_keepInside(x, lo, hi) + shift;
}

double Rand_threePoint(RandState* s, double low, double middle, double high, double lo, double hi, double shift,
                       double u) {
  if (low > high || Rand_reversed(lo, hi)) return NAN;
  const double p = std::clamp(Rand_percentile(s, u), kThreePointClamp, 1 - kThreePointClamp);
  const double z = Rand_inverseNormal(p) * kQuartileUnits;
  const double d = high - middle, r = d / (middle - low);
  double x = middle + d * z;
  if (r != 1) {
    if (!(r > 0)) return NAN;
    x = middle + (std::pow(r, z) - 1) * d / (r - 1);
  }
  if (lo > -INFINITY) {
    if (low < lo) return NAN;
    x = std::max(x, lo);
  }
  if (hi < INFINITY) {
    if (high > hi) return NAN;
    x = std::min(x, hi);
  }
  return x + shift;
}
