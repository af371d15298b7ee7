// The master problem of the LP/quadratic engine's quadratic path: the best
// convex combination of the stored points, found from the objective's
// values at the points and at their pairwise midpoints, which determine a
// quadratic exactly. Points whose weight would turn negative or is 0 leave
// the set. Also the LDL' factorisation the master (and the multipliers of
// the quadratic reports) solve with.
#include "engines/lpqp/Lp_Engine.h"

#include <cmath>
#include <new>
#include <utility>

namespace {

double& f(LpQuadratic& q, int i, int j) { return q.values.row(i)[j]; }

// Exchanges points i and j with their values, rows and columns, and weights.
void swapPoints(LpQuadratic& q, int i, int j) {
  double* a = q.points.row(i);
  double* b = q.points.row(j);
  for (int c = 0; c < q.points.cols; ++c) std::swap(a[c], b[c]);
  for (int c = 0; c < q.values.cols; ++c) std::swap(f(q, i, c), f(q, j, c));
  for (int r = 0; r < q.values.rows; ++r) std::swap(f(q, r, i), f(q, r, j));
  std::swap(q.weights[i], q.weights[j]);
  std::swap(q.previous[i], q.previous[j]);
}

// Point i moves to the end of the set, which then no longer counts it.
void dropPoint(LpQuadratic& q, int i) {
  for (int t = i; t < q.count; ++t) swapPoints(q, t, t + 1);
  --q.count;
}

double cleanWeight(double w) { return std::fabs(w) < Lp_tiny ? 0.0 : w; }

// Two points: the minimiser along the segment when the objective is convex
// along it and the minimiser lies on it, else the better end.
void twoPointWeights(LpQuadratic& q, double sign) {
  const double f11 = f(q, 1, 1), f12 = f(q, 1, 2), f22 = f(q, 2, 2);
  const double a = sign * (f11 - 2 * f12 + f22), b = sign * (0.25 * f11 - f12 + 0.75 * f22);
  double w;
  if (a > 0 && b >= 0 && a >= b) {
    w = b / a;
    if (std::fabs(w) < Lp_tiny) w = 0;
    if (std::fabs(1 - w) < Lp_tiny) w = 1;
  } else {
    w = sign * f22 >= sign * f11 ? 1.0 : 0.0;
  }
  q.weights[1] = w;
  q.weights[2] = 1 - w;
}

// k points: the stationary point of the objective over the affine hull,
// with the last weight eliminated; 2 when the system is singular.
int manyPointWeights(LpQuadratic& q, double sign) {
  const int k = q.count, d = k - 1;
  double* h = q.factor.data();
  for (int i = 1; i <= d; ++i) {
    for (int j = 1; j <= d; ++j)
      h[(i - 1) * d + (j - 1)] = sign * (f(q, i, j) - f(q, i, k) - f(q, j, k) + f(q, k, k));
    q.weights[i] = sign * (f(q, i, i) - 4 * f(q, i, k) + 3 * f(q, k, k)) / 4;
  }
  if (!Lp_ldlFactor(h, d, d)) return Lp_singularMaster;
  Lp_ldlSolve(h, d, d, q.weights.data() + 1);
  double sum = 0;
  for (int i = 1; i <= d; ++i) sum += (q.weights[i] = cleanWeight(q.weights[i]));
  q.weights[k] = cleanWeight(1 - sum);
  return 0;
}

int solveWeights(LpQuadratic& q, double sign) {
  if (q.count == 1) {
    q.weights[1] = 1;
    return 0;
  }
  if (q.count == 2) {
    twoPointWeights(q, sign);
    return 0;
  }
  return manyPointWeights(q, sign);
}

// Of the points whose weight falls, the first with the smallest ratio
// old / (old - new): the first to reach 0 on the way to the new weights.
int firstToVanish(const LpQuadratic& q) {
  int drop = 0;
  double best = 0;
  for (int i = 1; i <= q.count; ++i) {
    if (q.previous[i] <= q.weights[i]) continue;
    const double t = q.previous[i] / (q.previous[i] - q.weights[i]);
    if (drop == 0 || t < best) drop = i, best = t;
  }
  return drop;
}

bool anyNegative(const LpQuadratic& q) {
  for (int i = 1; i <= q.count; ++i)
    if (q.weights[i] < 0) return true;
  return false;
}

// Row 0: the combination and its predicted objective, with the size of the
// terms the prediction sums (its rounding grows with them, not with the
// prediction itself, which may be near 0 while they are large).
void combine(LpQuadratic& q, int n) {
  double* xbar = q.points.row(0);
  for (int j = 1; j <= n; ++j) xbar[j] = 0;
  double predicted = 0, size = 0;
  for (int i = 1; i <= q.count; ++i) {
    const double li = q.points.row(i)[0];
    const double* p = q.points.row(i);
    for (int j = 1; j <= n; ++j) xbar[j] += li * p[j];
    const double own = (2 * li - 1) * li * f(q, i, i);
    predicted += own;
    size += std::fabs(own);
    for (int j = i + 1; j <= q.count; ++j) {
      const double pair = 4 * li * q.points.row(j)[0] * f(q, i, j);
      predicted += pair;
      size += std::fabs(pair);
    }
  }
  xbar[0] = predicted;
  q.predictedSize = size;
}

}  // namespace

bool Lp_ldlFactor(double* a, int k, int stride) {
  for (int j = 0; j < k; ++j) {
    double* rj = a + static_cast<std::size_t>(j) * stride;
    double d = rj[j];
    for (int t = 0; t < j; ++t) d -= rj[t] * rj[t] * a[static_cast<std::size_t>(t) * stride + t];
    if (d < Lp_tiny) return false;
    rj[j] = d;
    for (int i = j + 1; i < k; ++i) {
      double* ri = a + static_cast<std::size_t>(i) * stride;
      double v = ri[j];
      for (int t = 0; t < j; ++t) v -= ri[t] * rj[t] * a[static_cast<std::size_t>(t) * stride + t];
      ri[j] = v / d;
    }
  }
  return true;
}

void Lp_ldlSolve(const double* a, int k, int stride, double* b) {
  auto at = [&](int i, int j) { return a[static_cast<std::size_t>(i) * stride + j]; };
  for (int i = 0; i < k; ++i)
    for (int t = 0; t < i; ++t) b[i] -= at(i, t) * b[t];
  for (int i = 0; i < k; ++i) b[i] /= at(i, i);
  for (int i = k - 1; i >= 0; --i)
    for (int t = i + 1; t < k; ++t) b[i] -= at(t, i) * b[t];
}

bool Lp_allocPointSet(LpQuadratic& q, int n) {
  try {
    const std::size_t rows = static_cast<std::size_t>(n) + 4;
    q.points.rows = q.values.rows = q.values.cols = static_cast<int>(rows);
    q.points.cols = n + 1;
    q.points.a.assign(rows * (static_cast<std::size_t>(n) + 1), 0.0);
    q.values.a.assign(rows * rows, 0.0);
    q.weights.assign(rows, 0.0);
    q.previous.assign(rows, 0.0);
    q.factor.assign((rows - 2) * (rows - 2), 0.0);
    for (auto* v : {&q.hostPoint, &q.gradient, &q.lastIterate, &q.sizes, &q.keptGradient, &q.boxSizes}) v->assign(static_cast<std::size_t>(n) + 1, 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  q.count = 0;
  return true;
}

int Lp_pointMaster(LpQuadratic& q, int n, bool maximise) {
  const double sign = maximise ? -1.0 : 1.0;
  for (int i = 1; i <= q.count; ++i) q.previous[i] = q.points.row(i)[0];
  for (;;) {
    if (const int status = solveWeights(q, sign)) return status;
    if (!anyNegative(q)) break;
    const int drop = firstToVanish(q);
    if (drop == 0) return Lp_singularMaster;  // no old weight to move from: start the set again
    dropPoint(q, drop);
  }
  for (int i = 1; i <= q.count; ++i) q.points.row(i)[0] = q.weights[i];
  for (int i = q.count; i >= 1; --i)
    if (q.points.row(i)[0] == 0.0) dropPoint(q, i);
  combine(q, n);
  return 0;
}
