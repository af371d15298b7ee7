// Statistics of arrays of doubles.
#include "worksheet/kernels/Stat_Kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/Dbl_Scale.h"
#include "worksheet/kernels/Kern_Helpers.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Pointer such that p[1..n] are the values.
template <class T>
T* base(T* x, int32_t zeroBased) {
  return zeroBased ? x - 1 : x;
}

// S (x - m)^2 with the mean m, in long double: a last bit of the mean moves
// it by nothing, so every way of forming it rounds alike.
double sumSquaredDeviations(int32_t n, const double* a, double scale, double m) {
  long double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const long double d = a[i] / scale - static_cast<long double>(m);
    s += d * d;
  }
  return static_cast<double>(s);
}

// The moment scale (Dbl_momentScale) of a[1..n]: the data divided by it
// are near 1, so that their sums, squares, cubes and fourth powers stay in
// the doubles whatever their magnitude. A power of two, so that statistics
// of data in between come out exactly as without it.
double scaleOf(int32_t n, const double* a) {
  double largest = 0.0;
  for (int32_t i = 1; i <= n; ++i) largest = std::max(largest, Num_fabs(a[i]));
  return Dbl_momentScale(largest);
}

// The mean of a[1..n] divided by scale.
double scaledMean(int32_t n, const double* a, double scale) {
  double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += a[i] / scale;
  return s / n;
}

// S (x - m)^2 of a[1..n] divided by scale, about their mean corrected by
// its own residual, so that equal values deviate by 0.
double scaledDevSq(int32_t n, const double* a, double scale) {
  double m = scaledMean(n, a, scale), residual = 0.0;
  for (int32_t i = 1; i <= n; ++i) residual += a[i] / scale - m;
  m += residual / n;
  return sumSquaredDeviations(n, a, scale, m);
}

// The product of a[1..n] as a fraction and a power of two, which holds any
// product of doubles.
double productExponent(int32_t n, const double* a, double* fraction) {
  double f = 1.0, exponent = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    int e = 0;
    f = std::frexp(f * a[i], &e);
    exponent += e;
  }
  *fraction = f;
  return exponent;
}

}  // namespace

double Stat_sum(int32_t n, const double* x, uint8_t zeroBased) {
  const double* a = base(x, zeroBased);
  double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += a[i];
  return s;
}

double Stat_mean(int32_t n, const double* x, uint8_t zeroBased) {
  if (n <= 0) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return scaledMean(n, a, scale) * scale;
}

double Stat_aveDev(int32_t n, const double* x, uint8_t zeroBased) {
  if (n <= 0) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a), m = scaledMean(n, a, scale);
  double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += Num_fabs(a[i] / scale - m);
  return s / n * scale;
}

double Stat_devSq(int32_t n, const double* x, uint8_t zeroBased) {
  if (n <= 0) return 0.0;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return scaledDevSq(n, a, scale) * scale * scale;
}

double Stat_variance(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 2) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return scaledDevSq(n, a, scale) / (n - 1) * scale * scale;
}

double Stat_popVariance(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 1) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return scaledDevSq(n, a, scale) / n * scale * scale;
}

double Stat_stdDev(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 2) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return std::sqrt(scaledDevSq(n, a, scale) / (n - 1)) * scale;
}

double Stat_popStdDev(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 1) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return std::sqrt(scaledDevSq(n, a, scale) / n) * scale;
}

double Stat_stdError(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 1) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a);
  return std::sqrt(scaledDevSq(n, a, scale) / n / n) * scale;
}

double Stat_geoMean(int32_t n, const double* x, uint8_t zeroBased) {
  if (n <= 0) return kNaN;
  const double* a = base(x, zeroBased);
  double p = 1.0;
  bool inRange = true;
  for (int32_t i = 1; i <= n; ++i) {
    p *= a[i];
    inRange = inRange && std::isnormal(p);
  }
  if (inRange) return std::pow(p, 1.0 / n);
  // A product that left the doubles on the way: the root from its fraction
  // and exponent.
  double fraction = 1.0;
  const double exponent = productExponent(n, a, &fraction);
  return std::pow(fraction, 1.0 / n) * std::exp2(exponent / n);
}

double Stat_harMean(int32_t n, const double* x, uint8_t zeroBased) {
  if (n <= 0) return kNaN;
  const double* a = base(x, zeroBased);
  // Scaled by the least magnitude, no reciprocal overflows.
  double least = kInf;
  for (int32_t i = 1; i <= n; ++i) least = std::min(least, Num_fabs(a[i]));
  const double scale = Dbl_momentScale(least);
  double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += scale / a[i];
  return n / s * scale;
}

double Stat_skewness(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 2) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a), m = scaledMean(n, a, scale);
  double s2 = 0.0, s3 = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const double d = a[i] / scale - m, d2 = Num_sqrChecked(d);
    s2 += d2;
    s3 += d2 * d;
  }
  const double v = s2 / (n - 1);
  return s3 / (v * std::sqrt(v) * n);
}

double Stat_kurtosis(int32_t n, const double* x, uint8_t zeroBased) {
  if (n < 2) return kNaN;
  const double* a = base(x, zeroBased);
  const double scale = scaleOf(n, a), m = scaledMean(n, a, scale);
  double s2 = 0.0, s4 = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const double d2 = Num_sqrChecked(a[i] / scale - m);
    s2 += d2;
    s4 += d2 * d2;
  }
  const double v = s2 / (n - 1);
  return s4 / (n * v * v) - 3.0;
}

double Stat_max(int32_t n, const double* x, uint8_t zeroBased) {
  const double* a = base(x, zeroBased);
  double r = -kInf;
  for (int32_t i = 1; i <= n; ++i)
    if (!(r >= a[i])) r = a[i];
  return r;
}

double Stat_min(int32_t n, const double* x, uint8_t zeroBased) {
  const double* a = base(x, zeroBased);
  double r = kInf;
  for (int32_t i = 1; i <= n; ++i)
    if (!(r <= a[i])) r = a[i];
  return r;
}

double Stat_median(int32_t n, double* x, uint8_t zeroBased) {
  if (n <= 0) return kNaN;
  const int32_t h = n / 2;
  if (n % 2 == 1) return Stat_kthSmallest(h + 1, n, x, zeroBased);
  const double upper = Stat_kthSmallest(h + 1, n, x, zeroBased);
  return (upper + Stat_kthSmallest(h, n, x, zeroBased)) * 0.5;
}

double Stat_mode(int32_t n, const double* x, uint8_t zeroBased) {
  const double* a = base(x, zeroBased);
  int32_t best = 1;
  double result = kNaN;
  for (int32_t i = 1; i < n; ++i) {
    int32_t count = 1;
    for (int32_t j = i + 1; j <= n; ++j)
      if (a[j] == a[i]) ++count;
    if (count > best) {
      best = count;
      result = a[i];
    }
  }
  return result;
}

double Stat_percentile(int32_t n, double* x, double p, int32_t zeroBased) {
  if (n <= 0 || !(p >= 0 && p <= 1)) return kNaN;
  const uint8_t flag = zeroBased ? 1 : 0;
  const double h = (n - 1) * p;
  const double i = std::trunc(h);
  const int32_t k = static_cast<int32_t>(i);
  const double a = Stat_kthSmallest(k + 1, n, x, flag);
  if (h - i == 0) return a;
  return a + (Stat_kthSmallest(k + 2, n, x, flag) - a) * (h - i);
}

double Stat_kthSmallest(int32_t k, int32_t n, double* x, uint8_t zeroBased) {
  if (n < 1 || k < 1 || k > n) return kNaN;
  double* a = base(x, zeroBased);
  if (k == 1) return Stat_min(n, x, zeroBased);
  if (k == n) return Stat_max(n, x, zeroBased);
  int32_t l = 1, r = n;
  for (;;) {
    if (r <= l + 1) {
      if (r == l + 1 && a[r] < a[l]) std::swap(a[l], a[r]);
      return a[k];
    }
    const int32_t mid = (l + r) / 2;
    std::swap(a[mid], a[l + 1]);
    if (a[l] > a[r]) std::swap(a[l], a[r]);
    if (a[l + 1] > a[r]) std::swap(a[l + 1], a[r]);
    if (a[l] > a[l + 1]) std::swap(a[l], a[l + 1]);
    int32_t i = l + 1, j = r;
    const double pivot = a[l + 1];
    for (;;) {
      do ++i; while (a[i] < pivot);
      do --j; while (a[j] > pivot);
      if (j < i) break;
      std::swap(a[i], a[j]);
    }
    a[l + 1] = a[j];
    a[j] = pivot;
    if (j >= k) r = j - 1;
    if (j <= k) l = i;
  }
}

double Stat_kthLargest(int32_t k, int32_t n, double* x, uint8_t zeroBased) {
  return Stat_kthSmallest(n - k + 1, n, x, zeroBased);
}
