// Lagrange multipliers and reduced gradients of a quadratic model's
// solution: the multipliers of the rows active at the solution are the
// least-squares solution of A_F' lambda = g_F over the variables free of
// their bounds: the normal equations A_F A_F' lambda = A_F g_F by LDL' when
// they are well posed, else a singular value decomposition of A_F' by
// one-sided Jacobi rotations with tiny singular values dropped.
#include <algorithm>
#include <cmath>

#include "engines/lpqp/Lp_Engine.h"

namespace {

constexpr int kMaxSweeps = 100;

bool nearBound(double v, double lo, double up, double precision) {
  return (lo > -kBoundInfinity && std::fabs(v - lo) <= precision) ||
         (up < kBoundInfinity && std::fabs(v - up) <= precision);
}

double* column(std::vector<double>& a, int c, int len) {
  return a.data() + static_cast<std::size_t>(c) * len;
}

// One Jacobi rotation making columns i and j of W orthogonal, applied to V
// alike; false when they already are.
bool rotatePair(std::vector<double>& w, std::vector<double>& v, int i, int j, int rows, int cols) {
  double* wi = column(w, i, rows);
  double* wj = column(w, j, rows);
  double alpha = 0, beta = 0, gamma = 0;
  for (int k = 0; k < rows; ++k)
    alpha += wi[k] * wi[k], beta += wj[k] * wj[k], gamma += wi[k] * wj[k];
  if (std::fabs(gamma) <= 1e-15 * std::sqrt(alpha * beta)) return false;
  const double zeta = (beta - alpha) / (2 * gamma);
  const double t = (zeta >= 0 ? 1.0 : -1.0) / (std::fabs(zeta) + std::sqrt(1 + zeta * zeta));
  const double c = 1 / std::sqrt(1 + t * t), s = c * t;
  auto rotate = [&](double* a, double* b, int len) {
    for (int k = 0; k < len; ++k) {
      const double ak = a[k], bk = b[k];
      a[k] = c * ak - s * bk;
      b[k] = s * ak + c * bk;
    }
  };
  rotate(wi, wj, rows);
  rotate(column(v, i, cols), column(v, j, cols), cols);
  return true;
}

// Columns of W (rows x cols, column-major) rotated until orthogonal, with V
// (cols x cols) collecting the rotations; false when stopped or unconverged.
bool jacobiSweeps(std::vector<double>& w, std::vector<double>& v, int rows, int cols,
                  const LpQuadraticPoint& p) {
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    bool rotated = false;
    for (int i = 0; i < cols; ++i) {
      if (p.poll && p.poll(p.pollContext)) return false;
      for (int j = i + 1; j < cols; ++j) rotated = rotatePair(w, v, i, j, rows, cols) || rotated;
    }
    if (!rotated) return true;
  }
  return false;
}

// Least-squares lambda of M lambda = b for M (rows x cols, column-major).
bool leastSquares(std::vector<double> m, int rows, int cols, const std::vector<double>& b,
                  const LpQuadraticPoint& p, std::vector<double>& lambda) {
  std::vector<double> v(static_cast<std::size_t>(cols) * cols, 0.0);
  for (int i = 0; i < cols; ++i) v[static_cast<std::size_t>(i) * cols + i] = 1;
  if (!jacobiSweeps(m, v, rows, cols, p)) return false;
  std::vector<double> sigma(cols, 0.0);
  for (int i = 0; i < cols; ++i) {
    const double* wi = column(m, i, rows);
    for (int k = 0; k < rows; ++k) sigma[i] += wi[k] * wi[k];
    sigma[i] = std::sqrt(sigma[i]);
  }
  const double largest = cols ? *std::max_element(sigma.begin(), sigma.end()) : 0.0;
  lambda.assign(cols, 0.0);
  for (int i = 0; i < cols; ++i) {
    if (p.poll && p.poll(p.pollContext)) return false;
    if (sigma[i] <= 1e-15 * largest || sigma[i] == 0) continue;
    const double* wi = column(m, i, rows);
    const double* vi = column(v, i, cols);
    double wb = 0;  // u_i' b sigma_i, with u_i = w_i / sigma_i
    for (int k = 0; k < rows; ++k) wb += wi[k] * b[k];
    const double coef = wb / (sigma[i] * sigma[i]);
    for (int r = 0; r < cols; ++r) lambda[r] += coef * vi[r];
  }
  return true;
}

// The normal equations (M'M) lambda = M'b by LDL', when there are no more
// unknowns than equations and the factorisation holds.
bool normalEquations(std::vector<double>& m, int rows, int cols, const std::vector<double>& b,
                     std::vector<double>& lambda) {
  if (cols > rows) return false;
  std::vector<double> normal(static_cast<std::size_t>(cols) * cols, 0.0);
  lambda.assign(cols, 0.0);
  for (int i = 0; i < cols; ++i) {
    const double* mi = column(m, i, rows);
    for (int j = 0; j < cols; ++j) {
      const double* mj = column(m, j, rows);
      for (int k = 0; k < rows; ++k)
        normal[static_cast<std::size_t>(i) * cols + j] += mi[k] * mj[k];
    }
    for (int k = 0; k < rows; ++k) lambda[i] += mi[k] * b[k];
  }
  if (!Lp_ldlFactor(normal.data(), cols, cols)) return false;
  Lp_ldlSolve(normal.data(), cols, cols, lambda.data());
  return true;
}

}  // namespace

void Lp_quadraticDuals(const LpQuadraticPoint& p, std::vector<double>& multipliers,
                       std::vector<double>& reducedGradients) {
  multipliers.assign(static_cast<std::size_t>(p.m) + 1, 0.0);
  reducedGradients.assign(static_cast<std::size_t>(p.n) + 1, 0.0);
  std::vector<int> freeVars, active;
  for (int j = 1; j <= p.n; ++j)
    if (!nearBound(p.x[j], p.lower[j], p.upper[j], p.precision)) freeVars.push_back(j);
  for (int i = 1; i <= p.m; ++i)
    if (nearBound(p.rowValue[i], p.rowLower[i], p.rowUpper[i], p.precision)) active.push_back(i);
  const int rows = static_cast<int>(freeVars.size()), cols = static_cast<int>(active.size());
  if (rows > 0 && cols > 0) {
    std::vector<double> m(static_cast<std::size_t>(rows) * cols), b(rows);
    for (int c = 0; c < cols; ++c)
      for (int k = 0; k < rows; ++k)
        m[static_cast<std::size_t>(c) * rows + k] = p.rows->row(active[c])[freeVars[k]];
    for (int k = 0; k < rows; ++k) b[k] = p.g[freeVars[k]];
    std::vector<double> lambda;
    if (normalEquations(m, rows, cols, b, lambda) || leastSquares(m, rows, cols, b, p, lambda))
      for (int c = 0; c < cols; ++c) multipliers[active[c]] = lambda[c];
  }
  for (int j = 1; j <= p.n; ++j) {
    double r = p.g[j];
    for (int i = 1; i <= p.m; ++i) r -= p.rows->row(i)[j] * multipliers[i];
    reducedGradients[j] = std::fabs(r) <= (std::fabs(p.g[j]) + 1) * p.precision ? 0.0 : r;
  }
}
