// The SOCP engine's sparse kernels against dense truth: vector search and
// growth, matrix edits and products, and the symmetric square root F·F = Q
// on random positive semidefinite matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engines/socp/sparse/SM_Matrix.h"

namespace {

using Dense = std::vector<std::vector<double>>;

Dense toDense(const spmat& a) {
  Dense d(a.m, std::vector<double>(a.n, 0.0));
  for (int i = 0; i < a.m; ++i)
    for (int j = 0; j < a.n; ++j) d[i][j] = SM_getVal(a, i, j);
  return d;
}

// A random m x n matrix with about a third of its entries non-zero.
SpMat randomSparse(std::mt19937& rng, int m, int n) {
  std::uniform_real_distribution<double> u(-2, 2);
  SpMat a = SM_create(m, n);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j)
      if (rng() % 3 == 0) SM_setVal(*a, i, j, u(rng));
  return a;
}

TEST(SocpSparseVector, HalvingSearchFindsStoredAndNextSmaller) {
  SpVec x = SV_create(100, 4);
  for (int k = 0; k < 20; ++k) SV_insert(*x, 3 * k, k + 1.0);
  EXPECT_EQ(x->nslots, 32);  // 4 -> 8 -> 16 -> 32
  EXPECT_EQ(SV_findPos(x->idx.data(), 31, 0, 20), 10);  // between 30 and 33
  EXPECT_EQ(SV_findPos(x->idx.data(), 57, 0, 20), 19);
  EXPECT_EQ(SV_findPos(x->idx.data(), 70, 0, 20), 19);  // off the end
  for (int i = 0; i < 60; ++i) EXPECT_EQ(SV_getVal(*x, i), i % 3 ? 0.0 : i / 3 + 1.0);
  SV_insert(*x, 31, 0.0);  // explicit zero kept
  SV_insert(*x, 30, -1.0);  // overwrite
  EXPECT_EQ(x->nnz, 21);
  EXPECT_EQ(SV_getVal(*x, 30), -1.0);
  for (int q = 1; q < x->nnz; ++q) EXPECT_LT(x->idx[q - 1], x->idx[q]);
  EXPECT_EQ(SV_getVal(*x, 500), 0.0);  // outside the stored span: no check
  SV_resize(*x, 31);
  EXPECT_EQ(x->nnz, 11);
  EXPECT_THROW(SV_insert(*x, 31, 1.0), SparseRangeError);
}

TEST(SocpSparseMatrix, ProductsMatchDense) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 5; ++trial) {
    SpMat a = randomSparse(rng, 6, 9), b = randomSparse(rng, 9, 5);
    Dense da = toDense(*a), db = toDense(*b), dp = toDense(*SM_multiply(*a, *b));
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 5; ++j) {
        double sum = 0;
        for (int k = 0; k < 9; ++k) sum += da[i][k] * db[k][j];
        EXPECT_NEAR(dp[i][j], sum, 1e-12);
      }
    Dense dt = toDense(*SM_transpose(*a));
    std::vector<double> x(9), y(6, 0.0);
    for (int k = 0; k < 9; ++k) x[k] = k - 4.0;
    SM_mulVec(*a, x.data(), y.data());
    for (int i = 0; i < 6; ++i) {
      double sum = 0;
      for (int k = 0; k < 9; ++k) {
        sum += da[i][k] * x[k];
        EXPECT_EQ(dt[k][i], da[i][k]);
      }
      EXPECT_NEAR(y[i], sum, 1e-12);
    }
  }
}

TEST(SocpSparseMatrix, EditsKeepEveryOtherEntry) {
  SpMat a = SM_create(3, 4);
  SM_setVal(*a, 0, 0, 1);
  SM_setVal(*a, 0, 3, 2);
  SM_setVal(*a, 2, 1, 3);
  SM_setVal(*a, 1, 2, 0.0);  // zero into an absent row: stays absent
  EXPECT_FALSE(a->rows[1]);
  SM_swapColumns(*a, 0, 2);
  EXPECT_EQ(a->rows[0]->nnz, 3);  // explicit 0.0 left at column 0
  EXPECT_EQ(SM_getVal(*a, 0, 2), 1.0);
  SM_insertColumn(*a, 1);
  EXPECT_EQ(toDense(*a), (Dense{{0, 0, 0, 1, 2}, {0, 0, 0, 0, 0}, {0, 0, 3, 0, 0}}));
  SM_deleteColumn(*a, 3);
  SM_insertRow(*a, 1);
  SM_deleteRow(*a, 0);
  EXPECT_EQ(toDense(*a), (Dense{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 3, 0}}));
  SpMat b = SM_create(2, 1);
  EXPECT_FALSE(SM_appendColumns(a, *b));
  SpMat none;
  SM_appendScaledColumns(none, *a, -1.0);
  EXPECT_EQ(SM_getVal(*none, 2, 2), -3.0);
  SpMat c = SM_create(3, 6);
  SM_setVal(*c, 0, 2, 1);
  SM_setVal(*c, 2, 5, 4);
  SpMat kept = SM_dropZeroColumns(*c);
  EXPECT_EQ(toDense(*kept), (Dense{{1, 0}, {0, 0}, {0, 4}}));
  SM_copyRows(*c, *a);
  EXPECT_EQ(toDense(*a), toDense(*c));
  EXPECT_THROW(SM_getVal(*a, 3, 0), SparseRangeError);
}

// F·F reproduces Q = BᵀB (B r x n: rank r, singular when r < n) through
// both eigen paths; rows and columns of zeros come back at their place.
TEST(SocpSparseSqrt, SquareOfRootIsTheMatrix) {
  std::mt19937 rng(11);
  std::normal_distribution<double> g;
  for (auto [n, r] : {std::pair{3, 3}, {5, 5}, {12, 12}, {15, 15}, {3, 1}, {6, 4}, {12, 7}, {15, 2}}) {
    Dense b(r, std::vector<double>(n));
    for (auto& row : b)
      for (double& v : row) v = g(rng);
    SpMat q = SM_create(n + 1, n + 1);  // last row and column zero
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double sum = 0;
        for (int k = 0; k < r; ++k) sum += b[k][i] * b[k][j];
        SM_setVal(*q, i, j, sum);
      }
    SpMat f = SM_sqrtPsd(*q);
    ASSERT_TRUE(f) << n << " rank " << r;
    Dense ff = toDense(*SM_multiply(*f, *f)), dq = toDense(*q), df = toDense(*f);
    for (int i = 0; i <= n; ++i)
      for (int j = 0; j <= n; ++j) {
        EXPECT_NEAR(ff[i][j], dq[i][j], 1e-9 * (1 + std::fabs(dq[i][j]))) << n << " rank " << r;
        EXPECT_NEAR(df[i][j], df[j][i], 1e-9) << n << " rank " << r;
      }
    for (int j = 0; j <= n; ++j) EXPECT_EQ(df[n][j], 0.0);
  }
}

TEST(SocpSparseSqrt, RefusesWhatHasNoRoot) {
  SpMat zero = SM_create(3, 3);
  EXPECT_FALSE(SM_sqrtPsd(*zero));
  SpMat ones = SM_create(2, 2);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) SM_setVal(*ones, i, j, 1.0);
  EXPECT_FALSE(SM_isCholeskyFactorable(*ones));  // second pivot 0
  SpMat onesRoot = SM_sqrtPsd(*ones);            // singular, yet semidefinite: (1 1)/√2 twice
  ASSERT_TRUE(onesRoot);
  Dense product = toDense(*SM_multiply(*onesRoot, *onesRoot));
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) {
      EXPECT_NEAR(toDense(*onesRoot)[i][j], std::sqrt(0.5), 1e-12);
      EXPECT_NEAR(product[i][j], 1.0, 1e-12);
    }
  SpMat near = SM_create(2, 2);
  SM_setVal(*near, 0, 0, 4);
  SM_setVal(*near, 1, 1, 4);
  SM_setVal(*near, 0, 1, 1);
  SM_setVal(*near, 1, 0, 1.00005);
  EXPECT_TRUE(SM_isSymmetricDefault(*near));
  SM_setVal(*near, 1, 0, 1.0005);
  EXPECT_FALSE(SM_isSymmetricDefault(*near));
  SpMat indefinite = SM_create(2, 2);
  SM_setVal(*indefinite, 0, 0, 1);
  SM_setVal(*indefinite, 1, 1, -1);
  SpMat root = SM_sqrtPsd(*indefinite);  // only the last pivot is negative: clipped
  ASSERT_TRUE(root);
  EXPECT_EQ(toDense(*root), (Dense{{1, 0}, {0, 0}}));
  SM_setVal(*indefinite, 0, 0, -1);
  EXPECT_FALSE(SM_isCholeskyFactorable(*indefinite));
}

}  // namespace
