// Quasi-Newton least-squares method of the evolutionary engine: minimises a
// merit function by a BFGS method that keeps the Hessian approximation as
// a Cholesky factor, with finite-difference gradients (forward, central
// after a failed line search) and a backtracking line search held inside
// the variables' bounds.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "engines/evolutionary/Evo_Repair.h"

namespace {

struct Qn {
  const EvoMeritFn& fn;
  int n;
  const double* lower;
  const double* upper;
  double eta;
  bool central = false;
  std::vector<double> r;  // upper-triangular factor R (row-major), R^T R ~ Hessian
  double& at(int i, int j) { return r[static_cast<std::size_t>(i) * n + j]; }
};

double typical(const double* x, int j) { return std::max(std::fabs(x[j]), 1.0); }

bool gradient(Qn& qn, const double* x, double f, double* g) {
  std::vector<double> probe(x, x + qn.n);
  for (int j = 0; j < qn.n; ++j) {
    const double h = (qn.central ? std::cbrt(qn.eta) : std::sqrt(qn.eta)) * typical(x, j);
    double up = 0.0, down = f;
    probe[j] = x[j] + h;
    if (!qn.fn.eval(qn.fn.user, probe.data(), &up)) return false;
    if (qn.central) {
      probe[j] = x[j] - h;
      if (!qn.fn.eval(qn.fn.user, probe.data(), &down)) return false;
    }
    probe[j] = x[j];
    g[j] = (up - down) / (qn.central ? 2.0 * h : h);
  }
  return true;
}

double relativeGradient(const Qn& qn, const double* x, const double* g, double f, double f0) {
  const double scale = std::max(std::fabs(f), f0);
  if (scale <= 0.0) return 0.0;
  double worst = 0.0;
  for (int j = 0; j < qn.n; ++j) worst = std::max(worst, std::fabs(g[j]) * typical(x, j) / scale);
  return worst;
}

// Solves R^T R p = -g.
void direction(Qn& qn, const double* g, double* p) {
  for (int i = 0; i < qn.n; ++i) {
    double s = -g[i];
    for (int k = 0; k < i; ++k) s -= qn.at(k, i) * p[k];
    p[i] = s / qn.at(i, i);
  }
  for (int i = qn.n - 1; i >= 0; --i) {
    double s = p[i];
    for (int k = i + 1; k < qn.n; ++k) s -= qn.at(i, k) * p[k];
    p[i] = s / qn.at(i, i);
  }
}

// Components that would push a variable at its bound further out are
// dropped; the largest step that keeps every variable inside its bounds.
double boundedStep(const Qn& qn, const double* x, double* p) {
  double most = kBoundInfinity;
  for (int j = 0; j < qn.n; ++j) {
    if ((p[j] < 0.0 && x[j] <= qn.lower[j]) || (p[j] > 0.0 && x[j] >= qn.upper[j])) p[j] = 0.0;
    if (p[j] < 0.0 && qn.lower[j] > -kBoundInfinity) most = std::min(most, (qn.lower[j] - x[j]) / p[j]);
    if (p[j] > 0.0 && qn.upper[j] < kBoundInfinity) most = std::min(most, (qn.upper[j] - x[j]) / p[j]);
  }
  return most;
}

struct Search {
  int code = 0;        // 0 taken, 1 failed, 6 evaluation failure
  bool maxTaken = false;
};

// Backtracking line search along p from x (merit f, gradient g); the new
// point and merit go to xNew and *fNew.
Search lineSearch(Qn& qn, const double* x, double f, const double* g, double* p, double maxStep,
                  double* xNew, double* fNew) {
  Search out;
  double length = 0.0;
  for (int j = 0; j < qn.n; ++j) length += p[j] * p[j];
  length = std::sqrt(length);
  if (length > maxStep) {
    for (int j = 0; j < qn.n; ++j) p[j] *= maxStep / length;
    length = maxStep;
  }
  const double most = boundedStep(qn, x, p);
  double slope = 0.0, relLength = 0.0;
  for (int j = 0; j < qn.n; ++j) {
    slope += g[j] * p[j];
    relLength = std::max(relLength, std::fabs(p[j]) / typical(x, j));
  }
  if (!(slope < 0.0) || relLength == 0.0) {
    out.code = 1;
    return out;
  }
  const double minLambda = std::sqrt(qn.eta) / relLength;
  double lambda = std::min(1.0, most), prevLambda = 0.0, prevF = f;
  for (int trial = 0; trial < 100; ++trial) {
    for (int j = 0; j < qn.n; ++j) xNew[j] = std::clamp(x[j] + lambda * p[j], qn.lower[j], qn.upper[j]);
    if (!qn.fn.eval(qn.fn.user, xNew, fNew)) {
      out.code = 6;
      return out;
    }
    if (*fNew <= f + 1e-4 * lambda * slope) {
      out.maxTaken = lambda == 1.0 && length > 0.99 * maxStep;
      return out;
    }
    if (lambda < minLambda) break;
    double next;
    if (!std::isfinite(*fNew)) {
      next = 0.1 * lambda;
    } else if (trial == 0) {
      next = -slope / (2.0 * (*fNew - f - slope));
    } else {
      const double r1 = *fNew - f - lambda * slope, r2 = prevF - f - prevLambda * slope;
      const double den = lambda - prevLambda;
      const double a = (r1 / (lambda * lambda) - r2 / (prevLambda * prevLambda)) / den;
      const double b = (-prevLambda * r1 / (lambda * lambda) + lambda * r2 / (prevLambda * prevLambda)) / den;
      const double disc = b * b - 3.0 * a * slope;
      next = a == 0.0 ? -slope / (2.0 * b) : (-b + std::sqrt(std::max(disc, 0.0))) / (3.0 * a);
      if (!std::isfinite(next)) next = 0.5 * lambda;
    }
    prevLambda = lambda;
    prevF = *fNew;
    lambda = std::max(std::min(next, 0.5 * lambda), 0.1 * lambda);
  }
  out.code = 1;
  return out;
}

// Plane rotation of rows i and i + 1 of R that zeroes b against a.
void rotate(Qn& qn, int i, double a, double b) {
  const double den = std::hypot(a, b);
  if (den == 0.0) return;
  const double c = a / den, s = b / den;
  for (int j = 0; j < qn.n; ++j) {
    const double y = qn.at(i, j), w = qn.at(i + 1, j);
    qn.at(i, j) = c * y + s * w;
    qn.at(i + 1, j) = -s * y + c * w;
  }
}

// R becomes the triangular factor of R + u v^T (QR update with rotations).
void rankOneUpdate(Qn& qn, std::vector<double> u, const std::vector<double>& v) {
  for (int i = qn.n - 2; i >= 0; --i) {
    const double a = u[i], b = u[i + 1];
    rotate(qn, i, a, b);
    u[i] = std::hypot(a, b);
    u[i + 1] = 0.0;
  }
  for (int j = 0; j < qn.n; ++j) qn.at(0, j) += u[0] * v[j];
  for (int i = 0; i + 1 < qn.n; ++i) rotate(qn, i, qn.at(i, i), qn.at(i + 1, i));
  for (int i = 1; i < qn.n; ++i)
    for (int j = 0; j < i; ++j) qn.at(i, j) = 0.0;
}

// BFGS update of the factor from the step s and the gradient change y.
void updateFactor(Qn& qn, const std::vector<double>& s, const std::vector<double>& y,
                  const double* g, const double* gNew, bool first) {
  const int n = qn.n;
  double ys = 0.0, ss = 0.0, yy = 0.0;
  for (int j = 0; j < n; ++j) ys += y[j] * s[j], ss += s[j] * s[j], yy += y[j] * y[j];
  const double rootEta = std::sqrt(qn.eta);
  if (ys <= rootEta * std::sqrt(ss) * std::sqrt(yy)) return;
  std::vector<double> u(n, 0.0), lu(n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int k = i; k < n; ++k) u[i] += qn.at(i, k) * s[k];
  double uu = 0.0;
  for (double v : u) uu += v * v;
  double alpha = std::sqrt(ys / uu);
  if (first) {
    for (double& v : qn.r) v *= alpha;
    for (double& v : u) v *= alpha;
    uu *= alpha * alpha;
    alpha = 1.0;
  }
  bool skip = true;
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k <= i; ++k) lu[i] += qn.at(k, i) * u[k];
    if (std::fabs(y[i] - lu[i]) >= rootEta * std::max(std::fabs(g[i]), std::fabs(gNew[i]))) skip = false;
  }
  if (skip) return;
  const double t = 1.0 / std::sqrt(ys * uu);
  std::vector<double> w(n);
  for (int i = 0; i < n; ++i) w[i] = y[i] - alpha * lu[i];
  for (double& v : u) v *= t;
  rankOneUpdate(qn, u, w);
}

}  // namespace

int Evo_quasiNewton(const EvoMeritFn& fn, double* x, int n, const double* lower,
                    const double* upper, int limit, double eta, double* merit) {
  Qn qn{fn, n, lower, upper, eta, false, {}};
  double f = 0.0;
  std::vector<double> g(n), gNew(n), p(n), xNew(n), s(n), y(n);
  if (n < 1 || !fn.eval(fn.user, x, &f) || !gradient(qn, x, f, g.data())) return EvoQnEvalFailed;
  *merit = f;
  const double f0 = f;
  if (relativeGradient(qn, x, g.data(), f, f0) <= std::cbrt(eta)) return EvoQnGradient;
  if (fn.poll && fn.poll(fn.user)) return EvoQnStopped;
  double norm = 0.0;
  for (int j = 0; j < n; ++j) norm += x[j] * x[j];
  const double maxStep = std::max(1000.0 * std::sqrt(norm), 1000.0);
  qn.r.assign(static_cast<std::size_t>(n) * n, 0.0);
  const double diag = f != 0.0 ? std::fabs(f) : 1.0;
  for (int j = 0; j < n; ++j) qn.at(j, j) = diag;
  int maxSteps = 0;
  bool first = true;
  for (int k = 1; k <= limit; ++k) {
    direction(qn, g.data(), p.data());
    double fNew = f;
    const Search search = lineSearch(qn, x, f, g.data(), p.data(), maxStep, xNew.data(), &fNew);
    if (search.code == 6) return EvoQnEvalFailed;
    if (search.code == 1) {
      if (qn.central) return EvoQnLineSearch;
      qn.central = true;
      if (!gradient(qn, x, f, g.data())) return EvoQnEvalFailed;
      continue;
    }
    if (!gradient(qn, xNew.data(), fNew, gNew.data())) return EvoQnEvalFailed;
    double relStep = 0.0;
    for (int j = 0; j < n; ++j) {
      s[j] = xNew[j] - x[j];
      y[j] = gNew[j] - g[j];
      relStep = std::max(relStep, std::fabs(s[j]) / typical(xNew.data(), j));
    }
    updateFactor(qn, s, y, g.data(), gNew.data(), first);
    first = false;
    std::copy(xNew.begin(), xNew.end(), x);
    f = fNew;
    *merit = f;
    g.swap(gNew);
    maxSteps = search.maxTaken ? maxSteps + 1 : 0;
    if (relativeGradient(qn, x, g.data(), f, f0) <= std::cbrt(eta)) return EvoQnGradient;
    if (relStep <= std::sqrt(eta)) return EvoQnStep;
    if (maxSteps >= 5) return EvoQnMaxSteps;
    if (fn.poll && fn.poll(fn.user)) return EvoQnStopped;
  }
  return EvoQnIterations;
}
