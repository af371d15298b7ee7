// Symmetric square root of a positive semidefinite matrix: the non-zero
// rows and columns are taken out, tested for symmetry, decomposed as
// Q = V·D·Vᵀ (cyclic Jacobi below 10 rows, Householder tridiagonal
// reduction and implicit QL above), and F = V·√D·Vᵀ is put back at Q's
// size. The Cholesky test tells positive definite matrices apart.
#include <cmath>

#include "engines/socp/sparse/SM_Matrix.h"

namespace {

constexpr double kTiny = 2.220446049250313e-16;  // 2^-52
constexpr double kSymmetryTolerance = 9.999e-05;
constexpr int kJacobiLimit = 10;  // rows from which the tridiagonal method serves
constexpr int kMaxSweeps = 100;

using Dense = std::vector<std::vector<double>>;

Dense toDense(const spmat& a) {
  Dense w(a.m, std::vector<double>(a.n, 0.0));
  for (int i = 0; i < a.m; ++i)
    for (int q = 0; a.rows[i] && q < a.rows[i]->nnz; ++q) w[i][a.rows[i]->idx[q]] = a.rows[i]->val[q];
  return w;
}

SpMat fromDense(const Dense& w, int n) {
  SpMat a = SM_create(static_cast<int>(w.size()), n);
  for (int i = 0; i < a->m; ++i)
    for (int j = 0; j < n; ++j) SM_setVal(*a, i, j, w[i][j]);
  return a;
}

SpMat diagonal(const std::vector<double>& d) {
  int m = static_cast<int>(d.size());
  SpMat a = SM_create(m, m);
  for (int i = 0; i < m; ++i) SM_setVal(*a, i, i, d[i]);
  return a;
}

// The matrix's non-zero part: the rows holding a non-zero value and the
// columns holding one, renumbered; rows and cols map back to the full size.
struct ReducedSystem {
  SpMat a;
  int m = 0, n = 0;
  std::vector<int> rows, cols;
};

ReducedSystem create(const spmat& a) {
  ReducedSystem rs;
  rs.m = a.m;
  rs.n = a.n;
  std::vector<int> newCol(a.n, -1);
  for (int i = 0; i < a.m; ++i) {
    const spvec* row = a.rows[i].get();
    bool any = false;
    for (int q = 0; row && q < row->nnz; ++q)
      if (row->val[q] != 0.0) {
        any = true;
        newCol[row->idx[q]] = 0;
      }
    if (any) rs.rows.push_back(i);
  }
  for (int j = 0; j < a.n; ++j)
    if (newCol[j] == 0) {
      newCol[j] = static_cast<int>(rs.cols.size());
      rs.cols.push_back(j);
    }
  if (rs.rows.empty() || rs.cols.empty()) return rs;
  rs.a = SM_create(static_cast<int>(rs.rows.size()), static_cast<int>(rs.cols.size()));
  for (std::size_t k = 0; k < rs.rows.size(); ++k) {
    const spvec& row = *a.rows[rs.rows[k]];
    for (int q = 0; q < row.nnz; ++q)
      if (newCol[row.idx[q]] >= 0) SM_setVal(*rs.a, static_cast<int>(k), newCol[row.idx[q]], row.val[q]);
  }
  return rs;
}

SpMat expand(const ReducedSystem& rs) {
  SpMat full = SM_create(rs.m, rs.n);
  for (int k = 0; k < rs.a->m; ++k) {
    const spvec* row = rs.a->rows[k].get();
    for (int q = 0; row && q < row->nnz; ++q)
      SM_setVal(*full, rs.rows[k], rs.cols[row->idx[q]], row->val[q]);
  }
  return full;
}

// One Jacobi rotation of the pair (g, h).
void rotate(double& g, double& h, double s, double tau) {
  double a = g, b = h;
  g = a - s * (b + a * tau);
  h = b + s * (a - b * tau);
}

bool negligible(double g, double d) { return std::fabs(d) + g == std::fabs(d); }

double hypot(double u, double w) {
  double a = std::fabs(u), b = std::fabs(w);
  double big = std::max(a, b), small = std::min(a, b);
  if (big == 0.0) return 0.0;
  double r = small / big;
  return big * std::sqrt(1.0 + r * r);
}

// Householder reduction of the symmetric w to tridiagonal form; w becomes
// the orthogonal transformation, d the diagonal, e the off-diagonal (e[0] 0).
void householder(Dense& w, std::vector<double>& d, std::vector<double>& e) {
  int n = static_cast<int>(w.size());
  for (int i = n - 1; i > 0; --i) {
    int l = i - 1;
    double h = 0.0, scale = 0.0;
    if (l > 0) {
      for (int k = 0; k <= l; ++k) scale += std::fabs(w[i][k]);
      if (scale == 0.0) {
        e[i] = w[i][l];
      } else {
        for (int k = 0; k <= l; ++k) {
          w[i][k] /= scale;
          h += w[i][k] * w[i][k];
        }
        double f = w[i][l];
        double g = f >= 0 ? -std::sqrt(h) : std::sqrt(h);
        e[i] = scale * g;
        h -= f * g;
        w[i][l] = f - g;
        f = 0.0;
        for (int j = 0; j <= l; ++j) {
          w[j][i] = w[i][j] / h;
          g = 0.0;
          for (int k = 0; k <= j; ++k) g += w[j][k] * w[i][k];
          for (int k = j + 1; k <= l; ++k) g += w[k][j] * w[i][k];
          e[j] = g / h;
          f += e[j] * w[i][j];
        }
        double hh = f / (h + h);
        for (int j = 0; j <= l; ++j) {
          f = w[i][j];
          e[j] = g = e[j] - hh * f;
          for (int k = 0; k <= j; ++k) w[j][k] -= f * e[k] + g * w[i][k];
        }
      }
    } else {
      e[i] = w[i][l];
    }
    d[i] = h;
  }
  d[0] = e[0] = 0.0;
  for (int i = 0; i < n; ++i) {
    if (d[i] != 0.0)
      for (int j = 0; j < i; ++j) {
        double g = 0.0;
        for (int k = 0; k < i; ++k) g += w[i][k] * w[k][j];
        for (int k = 0; k < i; ++k) w[k][j] -= g * w[k][i];
      }
    d[i] = w[i][i];
    w[i][i] = 1.0;
    for (int j = 0; j < i; ++j) w[j][i] = w[i][j] = 0.0;
  }
}

// Implicit QL with shifts on the tridiagonal (d, e), the rotations applied
// to the columns of z. False after kMaxSweeps sweeps on one eigenvalue.
bool tridiagonalQl(std::vector<double>& d, std::vector<double>& e, Dense& z) {
  int n = static_cast<int>(d.size());
  for (int i = 1; i < n; ++i) e[i - 1] = e[i];
  e[n - 1] = 0.0;
  for (int l = 0; l < n; ++l) {
    int sweeps = 0, m;
    do {
      for (m = l; m < n - 1; ++m)
        if (std::fabs(e[m]) <= kTiny * (std::fabs(d[m]) + std::fabs(d[m + 1]))) break;
      if (m == l) break;
      if (sweeps++ == kMaxSweeps) return false;
      double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
      double r = hypot(g, 1.0);
      g = d[m] - d[l] + e[l] / (g + (g >= 0 ? std::fabs(r) : -std::fabs(r)));
      double s = 1.0, c = 1.0, p = 0.0;
      int i;
      for (i = m - 1; i >= l; --i) {
        double f = s * e[i], b = c * e[i];
        e[i + 1] = r = hypot(f, g);
        if (r == 0.0) {
          d[i + 1] -= p;
          e[m] = 0.0;
          break;
        }
        s = f / r;
        c = g / r;
        g = d[i + 1] - p;
        r = (d[i] - g) * s + 2.0 * c * b;
        d[i + 1] = g + (p = s * r);
        g = c * r - b;
        for (auto& row : z) {
          f = row[i + 1];
          row[i + 1] = s * row[i] + c * f;
          row[i] = c * row[i] - s * f;
        }
      }
      if (r == 0.0 && i >= l) continue;
      d[l] -= p;
      e[l] = g;
      e[m] = 0.0;
    } while (m != l);
  }
  return true;
}

}  // namespace

bool SM_isSymmetric(const spmat& a, double tol) {
  if (a.m != a.n) return false;
  for (int i = 0; i < a.n; ++i)
    for (int j = 0; j < a.n; ++j) {
      double x = SM_getVal(a, i, j), y = SM_getVal(a, j, i);
      if (x == y) continue;
      double r = std::fabs(0.5 * (x - y) / (x + y));
      if (!(r <= tol)) return false;
    }
  return true;
}

bool SM_isSymmetricDefault(const spmat& a) { return SM_isSymmetric(a, kSymmetryTolerance); }

bool SM_isCholeskyFactorable(const spmat& a) {
  if (!SM_isSymmetricDefault(a)) return false;
  Dense l = toDense(a);
  int n = a.n;
  for (int j = 0; j < n; ++j) {
    double p = l[j][j];
    for (int k = 0; k < j; ++k) p -= l[j][k] * l[j][k];
    if (std::fabs(p) < kTiny || std::isnan(p)) return false;
    l[j][j] = std::sqrt(p);
    for (int i = j + 1; i < n; ++i) {
      double s = l[i][j];
      for (int k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
      l[i][j] = s / l[j][j];
      l[j][i] = s;
    }
  }
  return true;
}

bool SM_eigenJacobi(const spmat& a, SpMat& v, SpMat& dOut) {
  int m = a.m;
  Dense w = toDense(a);
  Dense vv(m, std::vector<double>(m, 0.0));
  std::vector<double> d(m), b(m), z(m, 0.0);
  for (int i = 0; i < m; ++i) {
    vv[i][i] = 1.0;
    d[i] = b[i] = w[i][i];
  }
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    double sm = 0.0;
    for (int i = 0; i < m - 1; ++i)
      for (int j = i + 1; j < m; ++j) sm += std::fabs(w[i][j]);
    if (sm == 0.0) {
      v = fromDense(vv, m);
      dOut = diagonal(d);
      return true;
    }
    double tresh = sweep < 4 ? 0.2 * sm / (m * m) : 0.0;
    for (int p = 0; p < m - 1; ++p)
      for (int q = p + 1; q < m; ++q) {
        double g = 100.0 * std::fabs(w[p][q]);
        if (sweep > 4 && negligible(g, d[p]) && negligible(g, d[q])) {
          w[p][q] = 0.0;
          continue;
        }
        if (std::fabs(w[p][q]) <= tresh) continue;
        double h = d[q] - d[p], t;
        if (std::fabs(h) + g == std::fabs(h)) {
          t = w[p][q] / h;
        } else {
          double theta = 0.5 * h / w[p][q];
          t = 1.0 / (std::fabs(theta) + std::sqrt(1.0 + theta * theta));
          if (theta < 0.0) t = -t;
        }
        double c = 1.0 / std::sqrt(1 + t * t), s = t * c, tau = s / (1.0 + c);
        h = t * w[p][q];
        z[p] -= h;
        z[q] += h;
        d[p] -= h;
        d[q] += h;
        w[p][q] = 0.0;
        for (int j = 0; j < p; ++j) rotate(w[j][p], w[j][q], s, tau);
        for (int j = p + 1; j < q; ++j) rotate(w[p][j], w[j][q], s, tau);
        for (int j = q + 1; j < m; ++j) rotate(w[p][j], w[q][j], s, tau);
        for (int j = 0; j < m; ++j) rotate(vv[j][p], vv[j][q], s, tau);
      }
    for (int i = 0; i < m; ++i) {
      b[i] += z[i];
      d[i] = b[i];
      z[i] = 0.0;
    }
  }
  return false;
}

bool SM_eigenTridiagonal(const spmat& a, SpMat& v, SpMat& dOut) {
  int m = a.m;
  Dense w = toDense(a);
  std::vector<double> d(m), e(m);
  householder(w, d, e);
  if (!tridiagonalQl(d, e, w)) return false;
  v = fromDense(w, m);
  dOut = diagonal(d);
  return true;
}

bool SM_symmetricSqrt(const spmat& a, SpMat& f, SpMat& v, SpMat& d) {
  f.reset();
  v.reset();
  d.reset();
  if (!SM_isSymmetricDefault(a)) return false;
  bool ok = a.m < kJacobiLimit ? SM_eigenJacobi(a, v, d) : SM_eigenTridiagonal(a, v, d);
  if (!ok) {
    v.reset();
    d.reset();
    return false;
  }
  for (int i = 0; i < a.n; ++i) {
    double x = SM_getVal(*d, i, i);
    if (x < 0.0) {
      if (d->rows[i]) SM_setVal(*d, i, i, 0.0);
    } else {
      SM_setVal(*d, i, i, std::sqrt(x));
    }
  }
  SpMat t = SM_transpose(*v);
  SpMat p = SM_multiply(*d, *t);
  f = SM_multiply(*v, *p);
  return true;
}

SpMat SM_sqrtPsd(const spmat& q) {
  ReducedSystem rs = create(q);
  if (!rs.a) return nullptr;
  SpMat f, v, d;
  if (!SM_symmetricSqrt(*rs.a, f, v, d)) return nullptr;
  rs.a = std::move(f);
  return expand(rs);
}
