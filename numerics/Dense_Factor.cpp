// Dense LU and QR factorisation of small square matrices of doubles, with
// their solves and the QR inverse.
#include "numerics/Dense_Factor.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "arithmetic/numeric/Num_Scalar.h"

namespace {

// A 1-based n x n work matrix: storage and its row table.
struct WorkMatrix {
  std::vector<double> cells;
  std::vector<double*> rows;
  explicit WorkMatrix(int32_t n) : cells(static_cast<size_t>(n + 1) * (n + 1)), rows(n + 1) {
    for (int32_t i = 0; i <= n; ++i) rows[i] = &cells[static_cast<size_t>(i) * (n + 1)];
  }
};

template <typename T>
T magnitude(T x) {
  return x < 0 ? -x : x;
}

template <typename T>
bool luDecompose(T** a, int32_t n, int32_t* p, double* d) {
  std::vector<T> scale(n + 1);
  *d = 1.0;
  for (int32_t i = 1; i <= n; ++i) {
    T big = 0.0;
    for (int32_t j = 1; j <= n; ++j) big = std::max(big, magnitude(a[i][j]));
    if (big == 0.0) return false;
    scale[i] = 1.0 / big;
  }
  for (int32_t j = 1; j <= n; ++j) {
    for (int32_t i = 1; i < j; ++i) {
      T sum = a[i][j];
      for (int32_t k = 1; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    T big = 0.0;
    int32_t pivot = j;
    for (int32_t i = j; i <= n; ++i) {
      T sum = a[i][j];
      for (int32_t k = 1; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      if (scale[i] * magnitude(sum) >= big) {
        big = scale[i] * magnitude(sum);
        pivot = i;
      }
    }
    if (pivot != j) {
      std::swap(a[pivot], a[j]);
      *d = -*d;
      scale[pivot] = scale[j];
    }
    p[j] = pivot;
    if (a[j][j] == 0.0) return false;
    if (j != n) {
      const T inverse = 1.0 / a[j][j];
      for (int32_t i = j + 1; i <= n; ++i) a[i][j] *= inverse;
    }
  }
  return true;
}

template <typename T>
void luBackSubstitute(T* const* a, int32_t n, const int32_t* p, T* b) {
  int32_t first = 0;
  for (int32_t i = 1; i <= n; ++i) {
    T sum = b[p[i]];
    b[p[i]] = b[i];
    if (first) {
      for (int32_t j = first; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0) {
      first = i;
    }
    b[i] = sum;
  }
  for (int32_t i = n; i >= 1; --i) {
    T sum = b[i];
    for (int32_t j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

}  // namespace

bool Dense_luDecompose(double** a, int32_t n, int32_t* p, double* d) { return luDecompose(a, n, p, d); }
bool Dense_luDecompose(DblQuad** a, int32_t n, int32_t* p, double* d) { return luDecompose(a, n, p, d); }
void Dense_luBackSubstitute(double* const* a, int32_t n, const int32_t* p, double* b) { luBackSubstitute(a, n, p, b); }
void Dense_luBackSubstitute(DblQuad* const* a, int32_t n, const int32_t* p, DblQuad* b) {
  luBackSubstitute(a, n, p, b);
}

double Dense_columnMax(int32_t k, int32_t n, double* const* a) {
  double m = 0.0;
  for (int32_t i = k; i <= n; ++i) m = std::max(m, std::fabs(a[i][k]));
  return m;
}

bool Dense_qrDecompose(int32_t n, double** a, double* c, double* d) {
  bool singular = false;
  for (int32_t k = 1; k < n; ++k) {
    const double scale = Dense_columnMax(k, n, a);
    if (scale == 0.0) {
      singular = true;
      c[k] = d[k] = 0.0;
      continue;
    }
    double sum = 0.0;
    for (int32_t i = k; i <= n; ++i) {
      a[i][k] /= scale;
      sum += Num_sqrChecked(a[i][k]);
    }
    const double sigma = a[k][k] < 0 ? -std::sqrt(sum) : std::sqrt(sum);
    a[k][k] += sigma;
    c[k] = sigma * a[k][k];
    d[k] = -scale * sigma;
    for (int32_t j = k + 1; j <= n; ++j) {
      double s = 0.0;
      for (int32_t i = k; i <= n; ++i) s += a[i][k] * a[i][j];
      const double tau = s / c[k];
      for (int32_t i = k; i <= n; ++i) a[i][j] -= tau * a[i][k];
    }
  }
  d[n] = a[n][n];
  if (d[n] == 0.0) singular = true;
  return !singular;
}

void Dense_qrSolveVector(int32_t n, double* const* a, const double* c, const double* d, double* b) {
  for (int32_t j = 1; j < n; ++j) {
    double s = 0.0;
    for (int32_t i = j; i <= n; ++i) s += a[i][j] * b[i];
    const double tau = s / c[j];
    for (int32_t i = j; i <= n; ++i) b[i] -= tau * a[i][j];
  }
  b[n] /= d[n];
  for (int32_t i = n - 1; i >= 1; --i) {
    double s = 0.0;
    for (int32_t j = i + 1; j <= n; ++j) s += a[i][j] * b[j];
    b[i] = (b[i] - s) / d[i];
  }
}

bool Dense_qrInvert(int32_t base, int32_t n, double* const* a, double** x) {
  if (n < 1) return true;
  WorkMatrix w(n);
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) w.rows[i][j] = a[base + i - 1][base + j - 1];
  std::vector<double> c(n + 1), d(n + 1), e(n + 1);
  if (!Dense_qrDecompose(n, w.rows.data(), c.data(), d.data())) return false;
  for (int32_t j = 1; j <= n; ++j) {
    std::fill(e.begin(), e.end(), 0.0);
    e[j] = 1.0;
    Dense_qrSolveVector(n, w.rows.data(), c.data(), d.data(), e.data());
    for (int32_t i = 1; i <= n; ++i) x[base + i - 1][base + j - 1] = e[i];
  }
  return true;
}
