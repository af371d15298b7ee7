// Dense linear algebra on small square matrices of doubles.
#include "worksheet/kernels/Mat_Dense.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "worksheet/kernels/Kern_Helpers.h"

namespace {

// Previous estimate before the first product of the power iteration.
constexpr double kPowerStartEstimate = 3.4e38;
constexpr int kPowerIterationLimit = 100;
// Above this magnitude the power iteration rescales instead of forming the
// Rayleigh quotient.
constexpr double kPowerRescaleLimit = 1e10;

double dot(int32_t n, const double* x, const double* y) {
  double s = 0.0;
  for (int32_t i = 1; i <= n; ++i) s += x[i] * y[i];
  return s;
}

// y = A x.
void multiply(int32_t n, double* const* a, const double* x, double* y) {
  for (int32_t i = 1; i <= n; ++i) {
    double s = 0.0;
    for (int32_t j = 1; j <= n; ++j) s += a[i][j] * x[j];
    y[i] = s;
  }
}

// Converged when the new estimate is within the relative precision of the
// previous one (no division, so a zero estimate is safe).
bool settled(double lambda, double previous) {
  return std::fabs(lambda - previous) < kNumNearlyEqualEps * std::fabs(lambda);
}

}  // namespace

double Mat_vectorNorm2(int32_t n, const double* x) {
  double scale = 0.0;
  for (int32_t i = 1; i <= n; ++i) scale = std::max(scale, std::fabs(x[i]));
  if (scale == 0.0) return 0.0;
  double sum = 0.0;
  for (int32_t i = 1; i <= n; ++i) sum += Num_sqrChecked(x[i] / scale);
  return scale * std::sqrt(sum);
}

void Mat_normalize(int32_t n, double* x) {
  const double norm = Mat_vectorNorm2(n, x);
  if (norm == 0.0) return;
  for (int32_t i = 1; i <= n; ++i) x[i] /= norm;
}

bool Mat_gaussJordan(double** a, int32_t n, double* b) {
  if (n < 1) return true;
  std::vector<int32_t> rowIndex(n + 1), columnIndex(n + 1), pivots(n + 1, 0);
  for (int32_t step = 1; step <= n; ++step) {
    double big = 0.0;
    int32_t row = 0, column = 0;
    for (int32_t j = 1; j <= n; ++j) {
      if (pivots[j] == 1) continue;
      for (int32_t k = 1; k <= n; ++k) {
        if (pivots[k] > 1) return false;
        if (pivots[k] == 0 && std::fabs(a[j][k]) >= big) {
          big = std::fabs(a[j][k]);
          row = j;
          column = k;
        }
      }
    }
    if (row == 0) return false;  // only NaN candidates left
    ++pivots[column];
    if (row != column) {
      std::swap(a[row], a[column]);
      std::swap(b[row], b[column]);
    }
    rowIndex[step] = row;
    columnIndex[step] = column;
    if (a[column][column] == 0.0) return false;
    const double inverse = 1.0 / a[column][column];
    a[column][column] = 1.0;
    for (int32_t l = 1; l <= n; ++l) a[column][l] *= inverse;
    b[column] *= inverse;
    for (int32_t r = 1; r <= n; ++r) {
      if (r == column) continue;
      const double factor = a[r][column];
      a[r][column] = 0.0;
      for (int32_t l = 1; l <= n; ++l) a[r][l] -= a[column][l] * factor;
      b[r] -= b[column] * factor;
    }
  }
  for (int32_t step = n; step >= 1; --step)
    if (rowIndex[step] != columnIndex[step])
      for (int32_t k = 1; k <= n; ++k) std::swap(a[k][rowIndex[step]], a[k][columnIndex[step]]);
  return true;
}

bool Mat_cholesky(double** a, int32_t n) {
  std::vector<double> diagonal(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = i; j <= n; ++j) {
      double sum = a[i][j];
      for (int32_t k = i - 1; k >= 1; --k) sum -= a[i][k] * a[j][k];
      if (j == i) {
        if (!(sum > 0.0)) return false;
        diagonal[i] = std::sqrt(sum);
      } else {
        a[j][i] = sum / diagonal[i];
      }
    }
  }
  for (int32_t i = 1; i <= n; ++i) {
    a[i][i] = diagonal[i];
    for (int32_t j = i + 1; j <= n; ++j) a[i][j] = 0.0;
  }
  return true;
}

bool Mat_powerIteration(int32_t n, double* const* a, double* lambda, double* v) {
  std::vector<double> x(n + 1), y(n + 1);
  for (int32_t i = 1; i <= n; ++i) x[i] = a[i][i];
  if (Mat_vectorNorm2(n, x.data()) == 0.0) std::fill(x.begin() + 1, x.end(), 1.0);  // zero diagonal: a fixed start
  Mat_normalize(n, x.data());
  double previous = kPowerStartEstimate;
  bool converged = false;
  *lambda = 0.0;
  for (int iteration = 1; n >= 1 && iteration < kPowerIterationLimit; ++iteration) {
    multiply(n, a, x.data(), y.data());
    if (Mat_vectorNorm2(n, y.data()) == 0.0) {  // x lies in the kernel: eigenvalue 0
      *lambda = 0.0;
      y = x;
      converged = true;
      break;
    }
    const double xx = dot(n, x.data(), x.data()), yx = dot(n, y.data(), x.data());
    // The first component's ratio, or the Rayleigh quotient when that component is 0.
    *lambda = x[1] != 0.0 ? y[1] / x[1] : yx / xx;
    if (settled(*lambda, previous)) {
      converged = true;
      break;
    }
    if (std::fabs(xx) <= kPowerRescaleLimit && std::fabs(yx) <= kPowerRescaleLimit) {
      const double rayleigh = yx / xx;
      if (settled(rayleigh, previous)) {
        *lambda = rayleigh;
        converged = true;
        break;
      }
    } else {
      Mat_normalize(n, y.data());
    }
    previous = *lambda;
    x = y;
  }
  if (v) {
    Mat_normalize(n, y.data());
    for (int32_t i = 1; i <= n; ++i) v[i] = y[i];
  }
  return converged;
}
