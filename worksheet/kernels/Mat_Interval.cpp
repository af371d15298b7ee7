// Interval matrices: copy, outward-rounded product and trace (by the
// interval library's operations), and the norms that the convexity test
// compares.
#include <algorithm>
#include <cmath>
#include <limits>

#include "arithmetic/interval/Ivl_Arith.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

double magnitude(const Interval& x) { return std::max(std::fabs(x.lo), std::fabs(x.hi)); }

}  // namespace

void Mat_copyIvl(int32_t n, int32_t m, Interval* const* src, Interval** dst) {
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= m; ++j) dst[i][j] = src[i][j];
}

void Mat_mulIvl(int32_t n, Interval* const* a, Interval* const* b, Interval** c) {
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) {
      Interval s{0.0, 0.0};
      for (int32_t k = 1; k <= n; ++k) s = Ivl_add(s, Ivl_mul(a[i][k], b[k][j]));
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
  for (int32_t i = 1; i <= n; ++i) s = Ivl_add(s, a[i][i]);
  return s;
}
