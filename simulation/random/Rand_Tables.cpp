// The table laws. Each builds its table of breakpoints and cumulative mass
// (1-based, entry 0 the law's start), rescales the target mass between the
// bounds' masses when the draw is truncated, and inverts the piecewise-linear
// cumulative mass.
#include "simulation/random/Rand_Tables.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_Truncation.h"

namespace {

// Breakpoints v[0..n] with cumulative masses c[0..n], c non-decreasing.
struct Table {
  std::vector<double> v;
  std::vector<double> c;
};

// The entries of an array as a 0-based vector.
std::vector<double> entries(const double* a, int32_t count, bool zeroBased) {
  const double* first = zeroBased ? a : a + 1;
  return std::vector<double>(first, first + count);
}

bool increasing(const std::vector<double>& x) {
  return std::adjacent_find(x.begin(), x.end(), std::greater_equal<double>()) == x.end();
}

// The cumulative mass at v, clamped to the table's ends.
double massAt(const Table& t, double v) {
  if (v <= t.v.front()) return t.c.front();
  if (v >= t.v.back()) return t.c.back();
  const size_t k = static_cast<size_t>(std::upper_bound(t.v.begin(), t.v.end(), v) - t.v.begin());
  const double w = t.v[k] - t.v[k - 1];
  return t.c[k - 1] + (w > 0 ? (v - t.v[k - 1]) / w * (t.c[k] - t.c[k - 1]) : 0);
}

// The point where the cumulative mass reaches target: inside the first
// segment whose mass at its right end exceeds the target.
double valueAt(const Table& t, double target) {
  if (target <= t.c.front()) return t.v.front();
  if (target >= t.c.back()) return t.v.back();
  const size_t k = static_cast<size_t>(std::upper_bound(t.c.begin(), t.c.end(), target) - t.c.begin());
  return t.v[k - 1] + (t.v[k] - t.v[k - 1]) * (target - t.c[k - 1]) / (t.c[k] - t.c[k - 1]);
}

// The draw of a table whose total mass is positive, held in [lo, hi] when
// truncated; NaN otherwise and for reversed bounds.
double drawTable(RandState* s, const Table& t, double lo, double hi, double shift, double u) {
  const double total = t.c.back();
  if (!(total > 0) || !std::isfinite(total) || Rand_reversed(lo, hi)) return NAN;
  const double p = Rand_percentile(s, u);
  double target = total * p;
  if (Rand_truncates(lo, hi)) target = total * Rand_rescale(p, massAt(t, lo) / total, massAt(t, hi) / total);
  return Rand_keepInside(valueAt(t, target), lo, hi) + shift;
}

// Appends the segment that ends at "at" and carries "mass".
void append(Table& t, double at, double mass) {
  t.v.push_back(at);
  t.c.push_back(t.c.back() + mass);
}

}  // namespace

double Rand_cumulative(RandState* s, double minimum, double maximum, int32_t count, const double* x, const double* P,
                       bool zeroBased, double lo, double hi, double shift, double u) {
  if (count < 1) return NAN;
  const std::vector<double> xs = entries(x, count, zeroBased), ps = entries(P, count, zeroBased);
  if (!(xs.front() >= minimum && xs.back() <= maximum && increasing(xs) && ps.front() >= 0 && ps.back() <= 1 &&
        std::is_sorted(ps.begin(), ps.end())))
    return NAN;
  Table t{{minimum}, {0}};
  for (int32_t i = 0; i < count; ++i) append(t, xs[i], ps[i] - t.c.back());
  append(t, maximum, 1 - t.c.back());
  return drawTable(s, t, lo, hi, shift, u);
}

double Rand_general(RandState* s, double minimum, double maximum, int32_t count, const double* x, const double* f,
                    bool zeroBased, double lo, double hi, double shift, double u) {
  if (count < 1) return NAN;
  const std::vector<double> xs = entries(x, count, zeroBased), fs = entries(f, count, zeroBased);
  if (!(xs.front() >= minimum && xs.back() <= maximum && increasing(xs))) return NAN;
  if (std::any_of(fs.begin(), fs.end(), [](double d) { return !(d >= 0); })) return NAN;
  Table t{{minimum}, {0}};
  // An end segment of no width carries no mass.
  const auto mass = [](double left, double right, double width) {
    return width > 0 ? (left + right) / (2 * width) : 0.0;
  };
  append(t, xs[0], mass(0, fs[0], xs[0] - minimum));
  for (int32_t k = 1; k < count; ++k) append(t, xs[k], mass(fs[k - 1], fs[k], xs[k] - xs[k - 1]));
  append(t, maximum, mass(fs.back(), 0, maximum - xs.back()));
  return drawTable(s, t, lo, hi, shift, u);
}

double Rand_histogram(RandState* s, double minimum, double maximum, int32_t count, const double* weights,
                      bool zeroBased, double lo, double hi, double shift, double u) {
  if (count < 1 || !(minimum < maximum)) return NAN;
  const std::vector<double> ws = entries(weights, count, zeroBased);
  if (std::any_of(ws.begin(), ws.end(), [](double w) { return !(w >= 0); })) return NAN;
  Table t{{minimum}, {0}};
  for (int32_t k = 1; k <= count; ++k)
    append(t, k == count ? maximum : minimum + k * (maximum - minimum) / count, ws[k - 1]);
  return drawTable(s, t, lo, hi, shift, u);
}

double Rand_discrete(RandState* s, int32_t count, const double* x, const double* y, const double* weights,
                     bool zeroBased, double lo, double hi, double shift, double u) {
  if (count < 1) return NAN;
  const std::vector<double> xs = entries(x, count, zeroBased);
  const std::vector<double> ys = y ? entries(y, count, zeroBased) : xs;
  const std::vector<double> ws = weights ? entries(weights, count, zeroBased) : std::vector<double>(count, 1.0);
  if (!std::is_sorted(xs.begin(), xs.end()) || !std::is_sorted(ys.begin(), ys.end())) return NAN;
  if (std::any_of(ws.begin(), ws.end(), [](double w) { return !(w > 0); })) return NAN;
  const bool truncated = Rand_truncates(lo, hi);
  // The weight of the values below lo and of those up to hi.
  double total = 0, below = 0, upTo = 0;
  for (int32_t i = 0; i < count; ++i) {
    total += ws[i];
    if (xs[i] < lo) below += ws[i];
    if (xs[i] <= hi) upTo += ws[i];
  }
  // Truncated draws take only the values between the bounds; none there gives NaN.
  if (Rand_reversed(lo, hi) || (truncated && !(below < upTo))) return NAN;
  const double p = Rand_percentile(s, u);
  const double target = truncated ? below + (upTo - below) * p : total * p;
  int32_t i = 0;
  for (double sum = ws[0]; sum <= target && i + 1 < count; sum += ws[++i]) {}
  while (truncated && i > 0 && xs[i] > hi) --i;  // a target at the top of the range
  if (!y) return xs[i] + shift;
  double a = std::min(xs[i], ys[i]), b = std::max(xs[i], ys[i]);
  if (truncated) a = std::max(a, lo), b = std::min(b, hi);
  return Rand_uniform(s, a, b, false, NAN) + shift;
}
