// Dense linear algebra against inverses and determinants known in closed
// form, products checked by multiplying back, and interval enclosures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/Dense_Factor.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

// A 1-based n x n matrix with its row table, filled row by row.
template <class T>
struct Matrix {
  int32_t n;
  std::vector<std::vector<T>> cells;
  std::vector<T*> rows;
  Matrix(int32_t order, std::initializer_list<T> values) : n(order), cells(order + 1, std::vector<T>(order + 1)) {
    auto it = values.begin();
    for (int32_t i = 1; i <= n; ++i)
      for (int32_t j = 1; j <= n && it != values.end(); ++j) cells[i][j] = *it++;
    rebind();
  }
  void rebind() {
    rows.assign(n + 1, nullptr);
    for (int32_t i = 1; i <= n; ++i) rows[i] = cells[i].data();
  }
  T** data() { return rows.data(); }
};
using Dense = Matrix<double>;
using IvlMatrix = Matrix<Interval>;

// The 4 x 4 Hilbert matrix and its exact integer inverse.
Dense hilbert() {
  Dense h(4, {});
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) h.cells[i][j] = 1.0 / (i + j - 1);
  return h;
}
const double kHilbertInverse[4][4] = {
    {16, -120, 240, -140}, {-120, 1200, -2700, 1680}, {240, -2700, 6480, -4200}, {-140, 1680, -4200, 2800}};

TEST(MatDense, GaussJordanInvertsAndSolves) {
  Dense swap(2, {0, 1, 1, 0});
  std::vector<double> b = {0, 2, 3};
  ASSERT_TRUE(Mat_gaussJordan(swap.data(), 2, b.data()));
  EXPECT_EQ(swap.rows[1][1], 0.0);
  EXPECT_EQ(swap.rows[1][2], 1.0);
  EXPECT_EQ(swap.rows[2][1], 1.0);
  EXPECT_EQ(b[1], 3.0);
  EXPECT_EQ(b[2], 2.0);
  Dense h = hilbert();
  std::vector<double> rhs = {0, 1, 1, 1, 1};
  ASSERT_TRUE(Mat_gaussJordan(h.data(), 4, rhs.data()));
  for (int i = 1; i <= 4; ++i) {
    double rowSum = 0;
    for (int j = 1; j <= 4; ++j) {
      EXPECT_NEAR(h.rows[i][j], kHilbertInverse[i - 1][j - 1], 1e-8 * std::fabs(kHilbertInverse[i - 1][j - 1]));
      rowSum += kHilbertInverse[i - 1][j - 1];
    }
    EXPECT_NEAR(rhs[i], rowSum, 1e-8);
  }
  Dense twin(2, {1, 2, 1, 2});
  std::vector<double> z = {0, 1, 1};
  EXPECT_FALSE(Mat_gaussJordan(twin.data(), 2, z.data()));
}

TEST(MatDense, LuGivesDeterminantAndSolutions) {
  Dense h = hilbert();
  std::vector<int32_t> p(5);
  double d = 0;
  ASSERT_TRUE(Dense_luDecompose(h.data(), 4, p.data(), &d));
  double det = d;
  for (int i = 1; i <= 4; ++i) det *= h.rows[i][i];
  EXPECT_NEAR(det, 1.0 / 6048000, 1e-12 / 6048000);
  for (int j = 1; j <= 4; ++j) {
    std::vector<double> e(5, 0.0);
    e[j] = 1;
    Dense_luBackSubstitute(h.data(), 4, p.data(), e.data());
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(e[i], kHilbertInverse[i - 1][j - 1], 1e-8 * 7000);
  }
  Dense swapped(2, {1, 2, 3, 4});
  ASSERT_TRUE(Dense_luDecompose(swapped.data(), 2, p.data(), &d));
  EXPECT_EQ(d, -1.0);
  EXPECT_NEAR(d * swapped.rows[1][1] * swapped.rows[2][2], -2.0, 1e-15);
  Dense zeroRow(2, {1, 2, 0, 0});
  EXPECT_FALSE(Dense_luDecompose(zeroRow.data(), 2, p.data(), &d));
  EXPECT_EQ(zeroRow.rows[1][1], 1.0);  // refused before any elimination
  Dense singular(2, {1, 2, 2, 4});
  EXPECT_FALSE(Dense_luDecompose(singular.data(), 2, p.data(), &d));
}

TEST(MatDense, CholeskyFactorsReproduceTheMatrix) {
  Dense a(3, {4, 12, -16, 12, 37, -43, -16, -43, 98});  // L = {2; 6 1; -8 5 3}
  ASSERT_TRUE(Mat_cholesky(a.data(), 3));
  const double l[3][3] = {{2, 0, 0}, {6, 1, 0}, {-8, 5, 3}};
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(a.rows[i][j], l[i - 1][j - 1], 1e-14);
  Dense negative(2, {-1, 0, 0, 1});
  EXPECT_FALSE(Mat_cholesky(negative.data(), 2));
}

TEST(MatDense, QrInverseIsTheSameFromEitherBase) {
  Dense a(2, {4, 7, 2, 6});
  Dense x(2, {});
  ASSERT_TRUE(Dense_qrInvert(1, 2, a.data(), x.data()));
  const double inverse[2][2] = {{0.6, -0.7}, {-0.2, 0.4}};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_NEAR(x.rows[i][j], inverse[i - 1][j - 1], 1e-15);
  EXPECT_EQ(a.rows[1][1], 4.0);  // input unchanged
  double r0[2] = {4, 7}, r1[2] = {2, 6}, o0[2], o1[2];
  double* in0[2] = {r0, r1};
  double* out0[2] = {o0, o1};
  ASSERT_TRUE(Dense_qrInvert(0, 2, in0, out0));
  EXPECT_EQ(o0[0], x.rows[1][1]);
  EXPECT_EQ(o1[1], x.rows[2][2]);
  Dense h = hilbert(), hx(4, {});
  ASSERT_TRUE(Dense_qrInvert(1, 4, h.data(), hx.data()));
  EXPECT_NEAR(hx.rows[3][3], 6480, 1e-6);
  Dense singular(2, {1, 0, 2, 0}), untouched(2, {9, 9, 9, 9});
  EXPECT_FALSE(Dense_qrInvert(1, 2, singular.data(), untouched.data()));
  EXPECT_EQ(untouched.rows[1][1], 9.0);
}

TEST(MatDense, NormsOfZeroAndScaledVectors) {
  std::vector<double> zero = {0, 0, 0};
  EXPECT_EQ(Mat_vectorNorm2(2, zero.data()), 0.0);
  EXPECT_EQ(Mat_vectorNorm2(0, zero.data()), 0.0);
  Mat_normalize(2, zero.data());
  EXPECT_EQ(zero[1], 0.0);
  std::vector<double> big = {0, 3e200, 4e200};
  EXPECT_DOUBLE_EQ(Mat_vectorNorm2(2, big.data()), 5e200);
  Mat_normalize(2, big.data());
  EXPECT_DOUBLE_EQ(big[2], 0.8);
}

TEST(MatDense, PowerIterationFindsTheDominantEigenpair) {
  Dense diag(2, {2, 0, 0, 1});
  double lambda = 0;
  std::vector<double> v(4);
  ASSERT_TRUE(Mat_powerIteration(2, diag.data(), &lambda, v.data()));
  EXPECT_EQ(lambda, 2.0);
  Dense sym(3, {2, -1, 0, -1, 2, -1, 0, -1, 2});  // dominant 2 + sqrt 2, vector (1, -sqrt 2, 1) / 2
  ASSERT_TRUE(Mat_powerIteration(3, sym.data(), &lambda, v.data()));
  EXPECT_NEAR(lambda, 2 + std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(std::fabs(v[2]), std::sqrt(0.5), 1e-3);
  // Zero diagonal: a fixed start vector, and (1, 1) is the eigenvector for 1.
  Dense swap(2, {0, 1, 1, 0});
  ASSERT_TRUE(Mat_powerIteration(2, swap.data(), &lambda, v.data()));
  EXPECT_EQ(lambda, 1.0);
  // The zero matrix has eigenvalue 0; nothing divides by zero.
  Dense zero(2, {0, 0, 0, 0});
  ASSERT_TRUE(Mat_powerIteration(2, zero.data(), &lambda, v.data()));
  EXPECT_EQ(lambda, 0.0);
  EXPECT_FALSE(std::isnan(v[1]));
  // Eigenvalues +-sqrt 2 of equal magnitude: the first component of the
  // iterate becomes 0 every other product; the estimate stays finite.
  Dense flip(2, {1, 1, 1, -1});
  Mat_powerIteration(2, flip.data(), &lambda, v.data());
  EXPECT_TRUE(std::isfinite(lambda));
  EXPECT_TRUE(std::isfinite(v[1]) && std::isfinite(v[2]));
}

TEST(MatInterval, ProductEnclosesAndNormsBound) {
  IvlMatrix a(2, {{1, 2}, {0, 0}, {-1, 1}, {0.1, 0.1}});
  IvlMatrix b(2, {{0.1, 0.1}, {1, 1}, {0.3, 0.3}, {-2, -1}});
  IvlMatrix c(2, {});
  Mat_mulIvl(2, a.data(), b.data(), c.data());
  // c11 = [1,2]*0.1 + 0*0.3 = [0.1, 0.2] exactly enclosed
  EXPECT_LE(c.rows[1][1].lo, 0.1);
  EXPECT_GE(c.rows[1][1].hi, 0.2);
  EXPECT_LT(c.rows[1][1].hi, 0.2 + 1e-15);
  // c21 = [-1,1]*0.1 + 0.1*0.3 must contain -0.07 and 0.13
  EXPECT_LE(c.rows[2][1].lo, -0.1 + 0.1 * 0.3);
  EXPECT_GE(c.rows[2][1].hi, 0.1 + 0.1 * 0.3);
  EXPECT_DOUBLE_EQ(Mat_norm1Ivl(2, a.data()), 3.0);
  EXPECT_EQ(Mat_norm1IvlBounded(2, a.data(), 0.0), 3.0);  // stops after the first column
  EXPECT_DOUBLE_EQ(Mat_normFrobeniusIvl(2, a.data()), std::sqrt(4 + 1 + 0.01));
  const Interval t = Mat_traceIvl(2, a.data());
  EXPECT_LE(t.lo, 1.1);
  EXPECT_GE(t.hi, 2.1);
  EXPECT_EQ(Mat_norm1Ivl(0, a.data()), 0.0);
}

}  // namespace
