// The SOCP core: packed normal equations against a dense solve, the row
// order, cone algebra identities, and small cone programs with known optima
// solved by each of the four directions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engines/socp/Socp_Cone.h"
#include "engines/socp/Socp_Adapter.h"

namespace {

// Packs the upper triangle of a dense symmetric matrix.
struct Packed {
  std::vector<double> block;
  std::vector<double*> rows;
  explicit Packed(const std::vector<std::vector<double>>& a) {
    int m = static_cast<int>(a.size());
    for (int i = 0; i < m; ++i)
      for (int j = i; j < m; ++j) block.push_back(a[i][j]);
    for (int i = 0, off = 0; i < m; off += m - i, ++i) rows.push_back(block.data() + off);
  }
};

TEST(SocpNormal, PackedFactorisationSolvesLikeDense) {
  Packed small({{4, 2}, {2, 3}});
  Socp_factorNormal(small.rows.data(), 2);
  EXPECT_EQ(small.block, (std::vector<double>{4, 2, 2}));
  double r[2] = {8, 7};
  Socp_solveNormal(small.rows.data(), r, 2);
  EXPECT_DOUBLE_EQ(r[0], 1.25);
  EXPECT_DOUBLE_EQ(r[1], 1.5);
  std::mt19937 rng(3);
  std::normal_distribution<double> g;
  for (int m : {1, 4, 9}) {
    std::vector<std::vector<double>> b(m, std::vector<double>(m)), a(m, std::vector<double>(m, 0));
    for (auto& row : b)
      for (double& v : row) v = g(rng);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j)
        for (int k = 0; k < m; ++k) a[i][j] += b[k][i] * b[k][j];
    std::vector<double> x(m), rhs(m, 0.0);
    for (int i = 0; i < m; ++i) x[i] = i - 2.5;
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j) rhs[i] += a[i][j] * x[j];
    Packed p(a);
    Socp_factorNormal(p.rows.data(), m);
    Socp_solveNormal(p.rows.data(), rhs.data(), m);
    for (int i = 0; i < m; ++i) EXPECT_NEAR(rhs[i], x[i], 1e-8) << m;
  }
}

TEST(SocpNormal, RowOrderSortsBySumThenCountAndRestores) {
  SpMat a = SM_create(4, 5);
  SM_setVal(*a, 0, 0, 3);                                  // sum 3
  for (int j = 0; j < 4; ++j) SM_setVal(*a, 1, j, 1.25);   // sum 5, 4 entries
  SM_setVal(*a, 2, 1, 2.5);
  SM_setVal(*a, 2, 3, 2.5);                                // sum 5, 2 entries
  std::vector<std::int32_t> order = Socp_rowOrder(*a);     // row 3 absent: sum 0
  EXPECT_EQ(order, (std::vector<std::int32_t>{2, 1, 0, 3}));
  socp s;
  s.m = 4;
  s.A = a.get();
  double b[4] = {0, 1, 2, 3};
  s.b = b;
  s.y = {10, 11, 12, 13};
  s.pRowOrd = order;
  const spvec* row2 = a->rows[2].get();
  Socp_applyRowOrder(s);
  EXPECT_EQ(a->rows[0].get(), row2);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(s.y[1], 11);
  Socp_restoreRowOrder(s);
  EXPECT_EQ(a->rows[2].get(), row2);
  EXPECT_EQ(b[2], 2);
  EXPECT_EQ(s.y, (std::vector<double>{10, 11, 12, 13}));
  SpMat sorted = SM_create(2, 1);
  SM_setVal(*sorted, 0, 0, 2);
  EXPECT_TRUE(Socp_rowOrder(*sorted).empty());
}

TEST(SocpCone, BlockRulesMatchTheirDefinitions) {
  EXPECT_EQ(Socp_quadRoots(0, 0, 5), std::make_pair(0.0, 0.0));
  EXPECT_EQ(Socp_quadRoots(1, -3, 2), std::make_pair(1.0, 2.0));
  // qa tiny against qb: the small root is -qc/qb to the last digits (the
  // quadratic term adds 1E-16 of it), the large one -qb/qa.
  auto [small, large] = Socp_quadRoots(1e-18, -0.25, 0.2);
  EXPECT_DOUBLE_EQ(small, 0.8);
  EXPECT_NEAR(large, 2.5e17, 1e3);
  // A step along the cone's boundary (a point near the optimum of a convex
  // quadratic in one free variable): the boundary at qc/-qb = 0.97549,
  // which the step must not pass.
  double near[3] = {1.0413697737540084, 0.4, 0.95863022624599137};
  double along[3] = {-0.0014041959475789706, 2.5240226575462543e-16, 0.001404195947580349};
  const double qb = 2 * (near[0] * along[0] - near[1] * along[1] - near[2] * along[2]);
  const double qc = near[0] * near[0] - near[1] * near[1] - near[2] * near[2];
  EXPECT_NEAR(Socp_blockStepToBoundary(3, near, along, 100000.0), -qc / qb, 1e-9);
  double flat[3] = {1, 1, 0}, out[3];
  Socp_blockInverse(3, out, flat);
  for (double v : out) EXPECT_EQ(v, 0.0);
  double x[3] = {3, 1, 2}, inv[3], prod[3];
  Socp_blockInverse(3, inv, x);
  Socp_blockArwMul(3, prod, x, inv);  // x∘x⁻¹ = e
  EXPECT_NEAR(prod[0], 1, 1e-15);
  EXPECT_NEAR(prod[1], 0, 1e-15);
  double solved[3];
  Socp_blockArwSolve(3, solved, x, prod);  // x∘solved = e
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(solved[k], inv[k], 1e-15);
  double head[3] = {4, 0, 0}, pw[3];
  Socp_blockPower(3, pw, head, 0.5);
  EXPECT_EQ(pw[0], 2);
  double root[3], sq[3];
  Socp_blockPower(3, root, x, 0.5);
  Socp_blockArwMul(3, sq, root, root);  // (x^½)² = x
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(sq[k], x[k], 1e-14);
  // P(w^½) twice is P(w) = 2wwᵀ - det(w)R.
  double w[3] = {2, 0.5, -1}, v[3] = {1, 2, 3}, once[3], twice[3];
  Socp_blockScaleMul(3, once, w, v);
  Socp_blockScaleMul(3, twice, w, once);
  double wv = 2 * 1 + 0.5 * 2 - 1 * 3, det = 4 - 0.25 - 1;
  double expect[3] = {2 * w[0] * wv - det * v[0], 2 * w[1] * wv + det * v[1], 2 * w[2] * wv + det * v[2]};
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(twice[k], expect[k], 1e-13);
  double p[3] = {1, 0, 0}, dp[3] = {0, 1, 0};
  EXPECT_EQ(Socp_blockStepToBoundary(3, p, dp, 100000.0), 1.0);
}

TEST(SocpCone, SparseFormsStoreTouchedBlocksWhole) {
  int cones[2] = {2, 6};
  double a[6] = {2, 4, 3, 1, 0, 1};
  std::vector<double> tmp;
  SpVec v = SV_create(6, 4), out;
  SV_insert(*v, 1, 8.0);
  Socp_sparseArwSolve(6, 1, cones, out, a, v.get(), tmp);
  EXPECT_EQ(out->nnz, 1);
  EXPECT_EQ(out->val[0], 2.0);
  SV_insert(*v, 4, 1.0);
  Socp_sparseScaleMul(6, 1, cones, out, a, v.get(), tmp);
  EXPECT_EQ(out->nnz, 5);
  double dense[6] = {0, 8, 0, 0, 1, 0}, full[6];
  Socp_scaleMul(6, 1, cones, full, a, dense);
  for (int j = 0; j < 6; ++j) EXPECT_DOUBLE_EQ(SV_getVal(*out, j), full[j]);
}

// minimise x0 with x0 >= ||(x1, x2)||, x1 = 3, x2 = 4, a free linear x3
// pushed to its bound by x3 + x4 = 1 with cost -1: optimum 5 - 1 = 4.
SocpProgram coneProgram() {
  SocpProgram pr;
  pr.cones = {2, 5};
  pr.p = 1;
  pr.a = SM_create(3, 5);
  pr.b = {3, 4, 1};
  pr.c = {-1, 0, 1, 0, 0};
  SM_setVal(*pr.a, 0, 3, 1);
  SM_setVal(*pr.a, 1, 4, 1);
  SM_setVal(*pr.a, 2, 0, 1);
  SM_setVal(*pr.a, 2, 1, 1);
  return pr;
}

int solve(SocpProgram& pr, socp& s, int direction, double tolerance) {
  Socp_loadProgram(s, pr);
  double params[SocpParamCount] = {0, tolerance, tolerance, 0.99, 0.1, 200, double(direction), 1, 1};
  SocpParams parsed;
  EXPECT_TRUE(Socp_parseParams(params, parsed));
  return Socp_runSolver(s, parsed, nullptr, nullptr);
}

TEST(SocpCore, EveryDirectionReachesTheOptimum) {
  for (int direction = 0; direction < 4; ++direction) {
    SocpProgram pr = coneProgram();
    socp s;
    int status = solve(pr, s, direction, 1e-9);
    EXPECT_TRUE(Socp_isOptimal(status)) << direction << " status " << status;
    EXPECT_NEAR(Socp_dot(5, pr.c.data(), s.x.data()), 4.0, 1e-7) << direction;
    EXPECT_NEAR(Socp_dot(3, pr.b.data(), s.y.data()), 4.0, 1e-7) << direction;
    EXPECT_EQ(pr.b, (std::vector<double>{3, 4, 1}));  // rows back in order
  }
}

TEST(SocpCore, InfeasibleProgramIsNotOptimal) {
  SocpProgram pr = coneProgram();
  pr.b[0] = -3;  // x0 + x1 = -3 with both nonnegative
  pr.b[2] = -3;
  socp s;
  int status = solve(pr, s, SocpHkmPc, 1e-8);
  EXPECT_FALSE(Socp_isOptimal(status));
}

TEST(SocpCore, ParametersOutsideTheirRangesKeepDefaults) {
  double params[SocpParamCount] = {0, -1, 0, 1.0, 0.0, 1e10, 2, 5, 0};
  SocpParams p;
  EXPECT_TRUE(Socp_parseParams(params, p));
  EXPECT_EQ(p.feaseps, 1e-6);
  EXPECT_EQ(p.fraction, 0.99);
  EXPECT_EQ(p.gamma, 0.0);
  EXPECT_EQ(p.maxiter, 1410065408);
  EXPECT_EQ(p.powerindex, 1.0);  // ignored for the HKM directions
  EXPECT_EQ(p.equalSteps, 0);
  params[5] = -50;
  params[6] = 4;
  SocpParams q;
  EXPECT_FALSE(Socp_parseParams(params, q));
  EXPECT_EQ(q.maxiter, 50);
  EXPECT_EQ(q.nonstop, 1);
}

}  // namespace
