// Interval matrices: copy, outward-rounded product and trace, and the norms
// that the convexity test compares. Each rounded operation switches the
// rounding direction and leaves it at round-to-nearest.
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

#include "worksheet/kernels/Mat_Dense.h"
#include "worksheet/kernels/Num_Helpers.h"

namespace {

double magnitude(const Interval& x) { return std::max(std::fabs(x.lo), std::fabs(x.hi)); }

Interval addOutward(const Interval& a, const Interval& b) {
  Interval r;
  std::fesetround(FE_DOWNWARD);
  r.lo = a.lo + b.lo;
  std::fesetround(FE_UPWARD);
  r.hi = a.hi + b.hi;
  std::fesetround(FE_TONEAREST);
  return r;
}

Interval mulOutward(const Interval& a, const Interval& b) {
  Interval r;
  std::fesetround(FE_DOWNWARD);
  r.lo = std::min({a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi});
  std::fesetround(FE_UPWARD);
  r.hi = std::max({a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi});
  std::fesetround(FE_TONEAREST);
  return r;
}

}  // namespace

void Mat_copyIvl(int32_t n, int32_t m, Interval* const* src, Interval** dst) {
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= m; ++j) dst[i][j] = src[i][j];
}

void Mat_mulIvl(int32_t n, Interval* const* a, Interval* const* b, Interval** c) {
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) {
      Interval s{0.0, 0.0};
      for (int32_t k = 1; k <= n; ++k) s = addOutward(s, mulOutward(a[i][k], b[k][j]));
      c[i][j] = s;
    }
}

double Mat_norm1IvlBounded(int32_t n, Interval* const* a, double bound) {
  double norm = 0.0;
  for (int32_t j = 1; j <= n; ++j) {
    double sum = 0.0;
    for (int32_t i = 1; i <= n; ++i) sum += magnitude(a[i][j]);
    norm = std::max(norm, sum);
    if (norm >= bound) break;
  }
  return norm;
}

double Mat_norm1Ivl(int32_t n, Interval* const* a) {
  return Mat_norm1IvlBounded(n, a, std::numeric_limits<double>::infinity());
}

double Mat_normFrobeniusIvl(int32_t n, Interval* const* a) {
  double sum = 0.0;
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) sum += Num_sqrChecked(magnitude(a[i][j]));
  return std::sqrt(sum);
}

Interval Mat_traceIvl(int32_t n, Interval* const* a) {
  Interval s{0.0, 0.0};
  for (int32_t i = 1; i <= n; ++i) s = addOutward(s, a[i][i]);
  return s;
}
