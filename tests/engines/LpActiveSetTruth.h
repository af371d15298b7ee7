// The optimum of a small boxed model, found without any simplex: minimise
// sum c_j x_j + w_j (x_j - t_j)^2 over linear rows and bounds, with every w_j
// zero (an LP) or every w_j positive (a strictly convex QP). The optimum is
// the minimiser over the affine set of its active constraints, so every
// active set (each variable free or at one of its bounds, a subset of the
// rows on their sides, at most n in all and exactly n for an LP: the
// vertices) is solved in long double and the best feasible point kept.
// Variables at a bound are substituted out, so that a row of mixed
// magnitudes beside bounds never makes the system look singular. Integer
// variables are enumerated over their whole boxes.
#pragma once

#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

namespace lptruth {

struct Model {
  std::vector<double> lower, upper;           // finite
  std::vector<double> cost, weight, centre;   // the objective's terms
  std::vector<std::vector<double>> rows;      // coefficients
  std::vector<int> relation;                  // 1 <=, 2 =, 3 >=
  std::vector<double> rhs;
  std::vector<bool> integer;
};

struct Optimum {
  bool feasible = false;
  std::vector<double> x;
  double value = 0;
};

using Real = long double;
using Matrix = std::vector<std::vector<Real>>;

// Agreement a computed point needs with a row or bound, relative to the
// size of its terms over the box.
constexpr Real kAgreement = 1e-9L;
// A pivot below this share of its row's largest entry makes a system singular.
constexpr Real kSingular = 1e-13L;
// Where a variable is in an active set.
enum Place { kFree, kAtLower, kAtUpper };

inline bool isLp(const Model& m) {
  for (double w : m.weight)
    if (w != 0) return false;
  return true;
}

// Solves a x = b by elimination with partial pivoting; false when singular.
inline bool solveSystem(Matrix a, std::vector<Real> b, std::vector<Real>& x) {
  const std::size_t k = b.size();
  for (std::size_t c = 0; c < k; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < k; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    Real largest = 0;
    for (Real v : a[p]) largest = std::fmax(largest, std::fabs(v));
    if (largest == 0 || std::fabs(a[p][c]) <= kSingular * largest) return false;
    std::swap(a[p], a[c]);
    std::swap(b[p], b[c]);
    for (std::size_t r = c + 1; r < k; ++r) {
      const Real f = a[r][c] / a[c][c];
      for (std::size_t j = c; j < k; ++j) a[r][j] -= f * a[c][j];
      b[r] -= f * b[c];
    }
  }
  x.assign(k, 0);
  for (std::size_t c = k; c-- > 0;) {
    Real s = b[c];
    for (std::size_t j = c + 1; j < k; ++j) s -= a[c][j] * x[j];
    x[c] = s / a[c][c];
  }
  return true;
}

// Size of a variable's values: the larger end of its box.
inline Real boxSize(const Model& m, std::size_t j) { return std::fmax(std::fabs(m.lower[j]), std::fabs(m.upper[j])); }

inline bool feasible(const Model& m, const std::vector<Real>& x) {
  for (std::size_t j = 0; j < x.size(); ++j) {
    const Real slack = kAgreement * boxSize(m, j);
    if (x[j] < m.lower[j] - slack || x[j] > m.upper[j] + slack) return false;
  }
  for (std::size_t i = 0; i < m.rows.size(); ++i) {
    Real act = 0, size = std::fabs(m.rhs[i]);
    for (std::size_t j = 0; j < x.size(); ++j) act += m.rows[i][j] * x[j], size += std::fabs(m.rows[i][j]) * boxSize(m, j);
    const Real slack = kAgreement * size;
    if ((m.relation[i] != 3 && act > m.rhs[i] + slack) || (m.relation[i] != 1 && act < m.rhs[i] - slack)) return false;
  }
  return true;
}

inline Real objective(const Model& m, const std::vector<Real>& x) {
  Real f = 0;
  for (std::size_t j = 0; j < x.size(); ++j) {
    const Real d = x[j] - m.centre[j];
    f += m.cost[j] * x[j] + m.weight[j] * d * d;
  }
  return f;
}

// The active rows over the free variables, in the units y = x / d of each
// free variable (d in the order of `free`), each row scaled to a largest entry of 1: coefficients in
// `e`, right-hand sides (less the fixed variables' terms) in `f`.
struct Reduced {
  Matrix e;
  std::vector<Real> f;
};

inline Reduced reduce(const Model& m, const std::vector<int>& active, const std::vector<std::size_t>& free,
                      const std::vector<Real>& x, const std::vector<Real>& d) {
  Reduced r;
  for (int i : active) {
    std::vector<Real> e;
    Real f = m.rhs[i], largest = 0;
    for (std::size_t j = 0; j < x.size(); ++j) f -= m.rows[i][j] * x[j];  // free variables hold 0
    for (std::size_t t = 0; t < free.size(); ++t) {
      e.push_back(m.rows[i][free[t]] * d[t]);
      largest = std::fmax(largest, std::fabs(e.back()));
    }
    if (largest == 0) largest = 1;
    for (Real& v : e) v /= largest;
    r.e.push_back(e);
    r.f.push_back(f / largest);
  }
  return r;
}

// The point nearest z on {y : e y = f}: y = z - e' v with (e e') v = e z - f.
inline bool projection(const Reduced& r, const std::vector<Real>& z, std::vector<Real>& y) {
  const std::size_t k = r.f.size(), n = z.size();
  Matrix g(k, std::vector<Real>(k, 0));
  std::vector<Real> b(k), v;
  for (std::size_t p = 0; p < k; ++p) {
    b[p] = -r.f[p];
    for (std::size_t j = 0; j < n; ++j) b[p] += r.e[p][j] * z[j];
    for (std::size_t q = 0; q < k; ++q)
      for (std::size_t j = 0; j < n; ++j) g[p][q] += r.e[p][j] * r.e[q][j];
  }
  if (k > 0 && !solveSystem(g, b, v)) return false;
  y = z;
  for (std::size_t p = 0; p < k; ++p)
    for (std::size_t j = 0; j < n; ++j) y[j] -= r.e[p][j] * v[p];
  return true;
}

// The minimiser with the variables placed as `place` says and the rows in
// `active` on their sides: the vertex when the active rows are as many as
// the free variables (found in units of each variable's box), otherwise,
// for the QP, the projection of the unconstrained minimiser in the units
// 1 / sqrt(w_j), where the objective is a squared distance.
inline bool activeMinimiser(const Model& m, const std::vector<Place>& place, const std::vector<int>& active,
                            std::vector<Real>& x) {
  const std::size_t n = place.size();
  std::vector<std::size_t> free;
  x.assign(n, 0);
  for (std::size_t j = 0; j < n; ++j) {
    if (place[j] == kFree) free.push_back(j);
    else x[j] = place[j] == kAtLower ? m.lower[j] : m.upper[j];
  }
  const bool vertex = free.size() == active.size();
  if (isLp(m) && !vertex) return false;
  std::vector<Real> d, z, y;
  for (std::size_t j : free) {
    d.push_back(vertex ? std::fmax(boxSize(m, j), kSingular) : 1 / std::sqrt(Real(m.weight[j])));
    if (!vertex) z.push_back((m.centre[j] - Real(m.cost[j]) / (2 * Real(m.weight[j]))) / d.back());
  }
  const Reduced r = reduce(m, active, free, x, d);
  if (!(vertex ? (free.empty() || solveSystem(r.e, r.f, y)) : projection(r, z, y))) return false;
  for (std::size_t t = 0; t < free.size(); ++t) x[free[t]] = y[t] * d[t];
  return true;
}

// The best feasible active-set minimiser of the continuous model.
inline Optimum continuousOptimum(const Model& m) {
  const std::size_t n = m.lower.size();
  const int rows = static_cast<int>(m.rows.size());
  Optimum best;
  Real bestValue = std::numeric_limits<Real>::infinity();
  std::vector<Place> place(n, kFree);
  std::vector<int> active;
  std::function<void(std::size_t, std::size_t)> placeVariable;
  const auto tryActive = [&](std::size_t fixed) {
    for (int mask = 0; mask < (1 << rows); ++mask) {
      active.clear();
      for (int i = 0; i < rows; ++i)
        if (mask & (1 << i)) active.push_back(i);
      std::vector<Real> x;
      if (fixed + active.size() > n || !activeMinimiser(m, place, active, x) || !feasible(m, x)) continue;
      if (objective(m, x) >= bestValue) continue;
      bestValue = objective(m, x);
      best = {true, std::vector<double>(x.begin(), x.end()), static_cast<double>(bestValue)};
    }
  };
  placeVariable = [&](std::size_t j, std::size_t fixed) {
    if (j == n) return tryActive(fixed);
    for (Place p : {kFree, kAtLower, kAtUpper}) {
      place[j] = p;
      placeVariable(j + 1, fixed + (p == kFree ? 0 : 1));
    }
    place[j] = kFree;
  };
  placeVariable(0, 0);
  return best;
}

// The optimum over every value of the integer variables in their boxes.
inline Optimum optimum(const Model& model) {
  Model m = model;
  Optimum best;
  std::function<void(std::size_t)> fix = [&](std::size_t j) {
    if (j == m.lower.size()) {
      const Optimum o = continuousOptimum(m);
      if (o.feasible && (!best.feasible || o.value < best.value)) best = o;
      return;
    }
    if (!model.integer[j]) return fix(j + 1);
    for (double v = std::ceil(model.lower[j]); v <= std::floor(model.upper[j]); ++v) {
      m.lower[j] = m.upper[j] = v;
      fix(j + 1);
    }
  };
  fix(0);
  return best;
}

}  // namespace lptruth
