// The GRG engine on models whose columns and rows each have a scale of
// their own: LPs of two and three variables with coefficients and bounds
// from 1E-04 to 1E+08, tiny boxes, and starts at, above and below a bound,
// and separable convex quadratics whose weights and row coefficients span
// as much, run by differences and with the analytic Jacobian, with scaling
// off and on (the exceptions are named at each test). The LP optima come
// from enumerating the vertices of the box and the rows; the quadratics'
// from their planted optimality conditions.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "tests/engines/GrgSquareSystem.h"
#include "tests/support/GrgFunctionHost.h"

namespace {

constexpr double Inf = kBoundInfinity;
// The precision and convergence a model gets when it sets none.
constexpr double kPrecision = 1e-8;
constexpr double kConvergence = 1e-5;
// Far more iterations than any of these models needs: a run that reaches it
// has lost its way.
constexpr int kIterationLimit = 2000;
// How near a run's objective must come to the optimum, as a share of the
// objective's size over the box.
constexpr double kObjectiveTol = 1e-5;

// A row sum_j a_j x_j within [lower, upper].
struct LinearRow {
  std::vector<double> a;
  double lower, upper;
};

// min sum_j c_j x_j + w_j (x_j - centre_j)^2 over lower <= x <= upper and
// the rows, from x0.
struct MixedModel {
  const char* what;
  std::vector<double> c, w, centre, lower, upper, x0;
  std::vector<LinearRow> rows;
  double optimum;
};

double objectiveAt(const MixedModel& mm, const double* x) {
  double f = 0.0;
  for (size_t j = 0; j < mm.c.size(); ++j) {
    f += mm.c[j] * x[j];
    if (!mm.w.empty()) f += mm.w[j] * (x[j] - mm.centre[j]) * (x[j] - mm.centre[j]);
  }
  return f;
}

GrgFunctionModel build(const MixedModel& mm, bool analytic, int scaling) {
  std::vector<double> rl, ru;
  for (const LinearRow& row : mm.rows) {
    rl.push_back(row.lower);
    ru.push_back(row.upper);
  }
  rl.push_back(-Inf);
  ru.push_back(Inf);
  auto eval = [mm](const double* x, double* r) {
    for (size_t i = 0; i < mm.rows.size(); ++i) {
      r[i] = 0.0;
      for (size_t j = 0; j < mm.c.size(); ++j) r[i] += mm.rows[i].a[j] * x[j];
    }
    r[mm.rows.size()] = objectiveAt(mm, x);
    return true;
  };
  GrgFunctionModel m = GrgFn_model(mm.x0, mm.lower, mm.upper, rl, ru, eval);
  m.pre = kPrecision;
  m.cvg = kConvergence;
  m.scaling = scaling;
  m.iterationLimit = kIterationLimit;
  if (analytic) {
    m.flags = OptFlagDrfOther;
    m.jacobian = [mm](const double* x, int row, int col) {
      if (row < static_cast<int>(mm.rows.size())) return mm.rows[row].a[col];
      double g = mm.c[col];
      if (!mm.w.empty()) g += 2 * mm.w[col] * (x[col] - mm.centre[col]);
      return g;
    };
  }
  return m;
}

// The LP's optimum by enumerating its vertices: each row's value is a
// column of its own, bounded by the row; of the n + m columns, m are basic
// and the others sit on a finite bound.
double vertexOptimum(const MixedModel& lp) {
  int n = static_cast<int>(lp.c.size()), m = static_cast<int>(lp.rows.size()), cols = n + m;
  auto lowerOf = [&](int k) { return k < n ? lp.lower[k] : lp.rows[k - n].lower; };
  auto upperOf = [&](int k) { return k < n ? lp.upper[k] : lp.rows[k - n].upper; };
  double best = Inf;
  for (unsigned mask = 0; mask < (1u << cols); ++mask) {
    if (std::popcount(mask) != m) continue;
    for (unsigned side = 0; side < (1u << cols); ++side) {
      std::vector<double> v(cols, 0.0);
      bool finite = true;
      for (int k = 0; k < cols; ++k)
        if (!(mask >> k & 1)) {
          v[k] = (side >> k & 1) ? upperOf(k) : lowerOf(k);
          finite = finite && std::fabs(v[k]) < Inf;
        } else if (side >> k & 1) {
          finite = false;  // each basis once
        }
      if (!finite) continue;
      // Row i: sum_j a_ij x_j - s_i = 0, the basic columns unknown.
      std::vector<std::vector<double>> square(m, std::vector<double>(m, 0.0));
      std::vector<double> rhs(m, 0.0);
      for (int i = 0; i < m; ++i) {
        int q = 0;
        for (int k = 0; k < cols; ++k) {
          double e = k < n ? lp.rows[i].a[k] : (k - n == i ? -1.0 : 0.0);
          if (mask >> k & 1) square[i][q++] = e;
          else rhs[i] -= e * v[k];
        }
      }
      if (!GrgTest_solveSquare(square, rhs)) continue;
      bool inside = true;
      for (int k = 0, q = 0; k < cols; ++k)
        if (mask >> k & 1) {
          v[k] = rhs[q++];
          double tol = 1e-9 * (1 + std::fabs(v[k]));
          inside = inside && v[k] >= lowerOf(k) - tol && v[k] <= upperOf(k) + tol;
        }
      if (inside) best = std::min(best, objectiveAt(lp, v.data()));
    }
  }
  return best;
}

// A uniform number in [0, 1) from the generator's own output, the same on
// every standard library.
double unit(std::mt19937& rng) { return rng() / 4294967296.0; }
int between(std::mt19937& rng, int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); }
// 10^k for a whole k in [lo, hi], times 1 to 9.9.
double magnitude(std::mt19937& rng, int lo, int hi) {
  return std::pow(10.0, between(rng, lo, hi)) * (1 + std::floor(90 * unit(rng)) / 10);
}

// A model in units of its own (coefficients of -3..3, boxes a few wide),
// its optimum known there, and one scale per variable, per row and for the
// objective. `scaled` writes it in the scaled units x_j = s_j y_j, rows
// times r_i, objective times q: the same model, whose optimum is q times.
struct ScaledModel {
  MixedModel unitModel;
  std::vector<double> columnScale, rowScale;
  double objectiveScale = 1.0;

  MixedModel scaled() const {
    MixedModel m = unitModel;
    int n = static_cast<int>(m.lower.size());
    for (int j = 0; j < n; ++j) {
      double s = columnScale[j], q = objectiveScale;
      m.c[j] *= q / s;
      if (!m.w.empty()) {
        m.w[j] *= q / (s * s);
        m.centre[j] *= s;
      }
      m.lower[j] *= s;
      m.upper[j] *= s;
      m.x0[j] *= s;
    }
    for (size_t i = 0; i < m.rows.size(); ++i) {
      LinearRow& row = m.rows[i];
      double r = rowScale[i];
      for (int j = 0; j < n; ++j) row.a[j] *= r / columnScale[j];
      double lo = row.lower * r, hi = row.upper * r;
      if (r < 0) std::swap(lo, hi);
      row.lower = std::fabs(lo) < Inf ? lo : -Inf;
      row.upper = std::fabs(hi) < Inf ? hi : Inf;
    }
    m.optimum *= objectiveScale;
    return m;
  }
};

// Box, start and scales of a generated model: boxes from [0, 1] to
// [-2, 5], starts on a bound, past either bound or inside; variables from
// 1E-03 to 1E+05, rows from 0.1 to 1E+05 (of either sign), objectives from
// 0.1 to 1E+06: coefficients from about 1E-05 to 1E+08.
void drawBoxAndScales(std::mt19937& rng, int n, int m, ScaledModel& sm) {
  MixedModel& u = sm.unitModel;
  for (int j = 0; j < n; ++j) {
    double lo = between(rng, -2, 0), hi = lo + between(rng, 1, 5);
    u.lower.push_back(lo);
    u.upper.push_back(hi);
    const double starts[] = {lo, hi, lo - 1, hi + 2, (lo + hi) / 2, 0};
    u.x0.push_back(starts[rng() % 6]);
    sm.columnScale.push_back(magnitude(rng, -3, 4));
  }
  for (int i = 0; i < m; ++i) sm.rowScale.push_back((rng() % 2 ? 1 : -1) * magnitude(rng, -1, 4));
  sm.objectiveScale = magnitude(rng, -1, 5);
}

// A generated LP of n variables and m rows, feasible by construction; its optimum by vertex enumeration in the unit
// model.
ScaledModel mixedLp(std::mt19937& rng, int n, int m) {
  ScaledModel sm;
  drawBoxAndScales(rng, n, m, sm);
  MixedModel& u = sm.unitModel;
  u.what = "generated LP";
  std::vector<double> inside(n);
  for (int j = 0; j < n; ++j) {
    u.c.push_back(between(rng, -5, 5));
    inside[j] = u.lower[j] + (u.upper[j] - u.lower[j]) * unit(rng);
  }
  for (int i = 0; i < m; ++i) {
    LinearRow row{{}, -Inf, Inf};
    double at = 0.0;
    for (int j = 0; j < n; ++j) {
      row.a.push_back(between(rng, -3, 3));
      at += row.a[j] * inside[j];
    }
    int kind = between(rng, 0, 2);  // <=, >=, =
    if (kind != 1) row.upper = at + (kind == 0 ? unit(rng) : 0.0);
    if (kind != 0) row.lower = at - (kind == 1 ? unit(rng) : 0.0);
    u.rows.push_back(row);
  }
  u.optimum = vertexOptimum(u);
  return sm;
}

// A generated separable convex quadratic of n variables and m rows, its
// optimum planted: a point y* in the box, rows through it
// (active, with a multiplier) or past it, and the centres placed so that
// the gradient at y* balances the active rows and bounds. Its optimum is
// sum g_j^2 / (4 w_j), g the gradient at y*.
ScaledModel mixedQp(std::mt19937& rng, int n, int m) {
  ScaledModel sm;
  drawBoxAndScales(rng, n, m, sm);
  MixedModel& u = sm.unitModel;
  u.what = "generated QP";
  std::vector<double> star(n), g(n, 0.0);
  for (int j = 0; j < n; ++j) {
    int where = between(rng, 0, 2);  // lower, upper, inside
    star[j] = where == 0 ? u.lower[j] : where == 1 ? u.upper[j] : u.lower[j] + (u.upper[j] - u.lower[j]) * unit(rng);
    if (where == 0) g[j] = unit(rng) * 2;   // pushes up against the lower bound
    if (where == 1) g[j] = -unit(rng) * 2;  // and down against the upper
    u.c.push_back(0.0);
    u.w.push_back(0.5 + 2 * unit(rng));
  }
  for (int i = 0; i < m; ++i) {
    LinearRow row{{}, -Inf, Inf};
    double at = 0.0;
    for (int j = 0; j < n; ++j) {
      row.a.push_back(between(rng, -3, 3));
      at += row.a[j] * star[j];
    }
    int kind = between(rng, 0, 3);  // active <=, active =, inactive <=, inactive >=
    double lambda = kind == 0 ? unit(rng) * 2 : kind == 1 ? unit(rng) * 4 - 2 : 0.0;
    for (int j = 0; j < n; ++j) g[j] -= lambda * row.a[j];
    if (kind == 0 || kind == 1) row.upper = at;
    if (kind == 1) row.lower = at;
    if (kind == 2) row.upper = at + 0.5 + unit(rng);
    if (kind == 3) row.lower = at - 0.5 - unit(rng);
    u.rows.push_back(row);
  }
  u.optimum = 0.0;
  for (int j = 0; j < n; ++j) {
    u.centre.push_back(star[j] - g[j] / (2 * u.w[j]));
    u.optimum += g[j] * g[j] / (4 * u.w[j]);
  }
  return sm;
}

// The ways of running a model: differences or the analytic Jacobian, scaling
// off or on.
struct RunWay {
  bool analytic;
  int scaling;
};
constexpr RunWay kWays[] = {{false, 0}, {false, 1}, {true, 0}, {true, 1}};

std::string wayName(const RunWay& way) {
  return std::string(way.analytic ? "analytic" : "differences") + (way.scaling ? ", scaled" : "");
}

// Whether a run ended at the model's optimum: a normal end whose objective
// is the optimum to a small share of the objective's size over the box.
bool reachesOptimum(const MixedModel& mm, const RunWay& way, std::string* said) {
  double size = std::fabs(mm.optimum);
  for (size_t j = 0; j < mm.c.size(); ++j) {
    double width = mm.upper[j] - mm.lower[j];
    size = std::max(size, std::fabs(mm.c[j]) * width);
    if (!mm.w.empty()) size = std::max(size, mm.w[j] * width * width);
  }
  GrgFunctionModel m = build(mm, way.analytic, way.scaling);
  GrgProblem p = GrgFn_run(m);
  *said = wayName(way) + ": status " + std::to_string(p.status) + ", objective " + std::to_string(p.objective) +
          ", optimum " + std::to_string(mm.optimum);
  return p.status <= StatusNoProgress && std::fabs(p.objective - mm.optimum) <= kObjectiveTol * size;
}

// A generated model with its scales set by hand.
MixedModel withScales(ScaledModel sm, const char* what, std::vector<double> columns, std::vector<double> rows,
                      double objective) {
  sm.columnScale = std::move(columns);
  sm.rowScale = std::move(rows);
  sm.objectiveScale = objective;
  MixedModel m = sm.scaled();
  m.what = what;
  return m;
}

// The separable quadratic of five variables whose weights are 2448, 1.8E-06,
// 1.2E+08, 5.2E-07 and 85010 over four rows, the unit model's weights
// rescaled to them: each column's scale is sqrt(unit weight / weight).
MixedModel weightedQp() {
  const double weights[] = {2448, 1.8e-06, 1.2e+08, 5.2e-07, 85010};
  std::mt19937 rng(5);
  ScaledModel sm = mixedQp(rng, 5, 4);
  std::vector<double> columns;
  for (int j = 0; j < 5; ++j) columns.push_back(std::sqrt(sm.unitModel.w[j] / weights[j]));
  return withScales(sm, "separable QP, weights 2448 to 5.2E-07, four rows of 1E-06 to 1E+08", columns,
                    {3e4, -0.02, 1e3, 40}, 1.0);
}

}  // namespace

// Models of mixed scale from reports, each with its optimum by hand or by
// construction: an LP whose costs are 230500 and -2.573 on variables whose
// boxes are 0.001 and 62 wide; an LP whose optimum is the corner of its box
// each cost points to (its rows hold there by hand); an LP of four
// variables from 0.25 to 5E+06 whose optimum, where its equality and its
// row of 1E-08 meet, was planted by the verdict check's generator; a QP of
// scale 1E+06 started below a bound, an LP of three variables and a
// separable QP of five, rescaled, and a QP whose first variable, at its
// upper bound of 7E+07, has a derivative of 3.4E-09 (its optimum by hand:
// the first and second variables on the bounds their centres lie beyond,
// the row binding the third at 2); and a QP whose variables move in boxes
// of 0.005 and 100, the one in 100 on its upper bound, and a QP whose
// row of 3E-09 holds a variable of 2.5E+06 on a bound beside one that no
// row holds (their optima planted by the verdict check's generator); every
// way of running them must reach it.
TEST(GrgMixedScale, ModelsReachTheirOptima) {
  std::mt19937 rng(3);
  const MixedModel models[] = {
      {"LP: costs 230500, -2.573; row -1.9E+07, -109 <= -5985.74: -160.19498 at (0, 62.26)",
       {230500, -2.573},
       {},
       {},
       {0, 0},
       {0.001147, 62.26},
       {0, 0},
       {{{-1.9e7, -109}, -Inf, -5985.74}},
       -2.573 * 62.26},
      {"LP: costs 5E-09, 5E-04, -0.01 on variables of 1E+06, 30, 0.5: 0.0225 at (5E+05, 30, -0.5)",
       {5e-9, 5e-4, -0.01},
       {},
       {},
       {5e5, 30, -4.5},
       {4.5e6, 40, -0.5},
       {4.5e6, 40, -0.5},
       {{{0, 0, -0.001}, -Inf, 5e-4}, {{0.0015, -200, 2000}, -Inf, -5250}},
       0.0225},
      {"LP: an equality of 1E-05 to 15 and a row of 1E-08: -662.5 at (0, -2.5E+05, 4E+06, -0.25)",
       {-0.000275, 0.00775, 0.00035, 500},
       {},
       {},
       {0, -2.5e5, 4e6, -0.55},
       {0, 5e4, 5e6, -0.25},
       {-3e6, 1e5, 3e6, -0.05},
       {{{0, -2.5e-5, 2e-6, -15}, 18, 18},
        {{0.00015, 0.001, -1e-4, -1500}, -Inf, -175},
        {{-2.5e-9, 2.5e-8, 3e-9, 0}, 0.00575, Inf}},
       -662.5},
      {"QP of scale 1E+06 from a start below a bound: 2.4625E+12 at (4E+06, 4E+06, 2.5E+06)",
       {0, 0, 0},
       {3, 2.5, 1.5},
       {3583333.3333333335, 3400000, 3333333.3333333335},
       {3e6, 1e6, 0},
       {4e6, 6e6, 5.5e6},
       {0, -2e6, 0},
       {{{-3, -1, 1.5}, -Inf, -12250000}, {{-0.5, 1, 0.5}, 3250000, Inf}, {{-1.5, -1, -0.5}, -11250000, -11250000}},
       2.4625e12},
      withScales(mixedLp(rng, 3, 1), "LP of three variables in thousandths, tens and 1E+05, one row of 1E+04",
                 {1e-3, 50, 1e5}, {1e4}, 1e3),
      weightedQp(),
      {"QP whose variable of 7E+07 has a derivative of 3E-09 beside one in hundredths: 1.7239583E-03 at "
       "(3E+07, 0.015, 2)",
       {0, 0, 0},
       {4e-17, 15, 0.003},
       {28125000, 0.025, 13.0 / 6},
       {3e7, 0.005, 0},
       {7e7, 0.015, 3},
       {7e7, 0.01, -2},
       {{{0, 2000, 20}, -Inf, 70}},
       4e-17 * 1.875e6 * 1.875e6 + 15 * 0.01 * 0.01 + 0.003 / 36},
      {"QP whose variables move in boxes of 0.005 and 100, its optimum on that one's upper bound: 32.0926339 at "
       "(0.003, 4000, 100, 2.5E+07)",
       {0, 0, 0, 0},
       {4e7, 3.5e-5, 5e-4, 3.5e-13},
       {0.00296875, 27250.0 / 7, 350, 182500000.0 / 7},
       {0.001, 4000, 0, 0},
       {0.006, 8000, 100, 4.5e7},
       {0, 8000, 0, 4.5e7},
       {{{-1e5, 0.3, 0, 1e-5}, 1150, Inf},
        {{50, 1e-4, -0.003, -1e-8}, 0, Inf},
        {{0, -0.5, 0, -5e-5}, -3250, -3250},
        {{-2500, 0, 0, 0}, -Inf, -5.5}},
       4e7 * 3.125e-5 * 3.125e-5 + 3.5e-5 * (750.0 / 7) * (750.0 / 7) + 5e-4 * 250 * 250 +
           3.5e-13 * (7500000.0 / 7) * (7500000.0 / 7)},
      {"QP whose row of 3E-09 holds a variable of 2.5E+06 on a bound, its slack basic there, beside one no row "
       "holds: 0.1109375 at (1.5, -0.015, -2.5E+06, 0)",
       {0, 0, 0, 0},
       {0.4, 3000, 5e-14, 4e-9},
       {1.5, -0.01625, -1.5e6, -3750},
       {-0.5, -0.015, -2.5e6, -4e4},
       {5.5, 0.025, -1.5e6, 0},
       {-0.5, 0.025, 0, 0},
       {{{0, -0.05, -3e-9, 1e-7}, 0.00825, Inf}, {{0, 0, -1e-5, -0.001}, -Inf, 25}},
       3000 * 0.00125 * 0.00125 + 5e-14 * 1e6 * 1e6 + 4e-9 * 3750 * 3750},
  };
  for (const MixedModel& mm : models)
    for (const RunWay& way : kWays) {
      std::string said;
      EXPECT_TRUE(reachesOptimum(mm, way, &said)) << mm.what << "\n" << said;
    }
}

// An LP of scale 1E+06 whose equalities include two multiples of each
// other: 2E+06 at (1.5E+06, 2E+06), by hand from the first and second rows,
// reached every way; also with the rows a thousand times larger, and with a
// third dependent row, the second plus twice the third. (By differences,
// the dependent rows once met at a vertex differ by the rounding of their
// differences alone.)
TEST(GrgMixedScale, RepeatedEqualitiesReachTheirOptimum) {
  const LinearRow first{{-2, 0}, -3e6, -3e6}, second{{3, -1.5}, 1.5e6, 1.5e6}, third{{-2, 1}, -1e6, -1e6};
  const LinearRow larger{{3e3, -1.5e3}, 1.5e9, 1.5e9}, sum{{-1, 0.5}, -5e5, -5e5};
  const std::vector<LinearRow> rowSets[] = {{first, second, third}, {first, larger, third}, {first, second, third, sum}};
  for (const std::vector<LinearRow>& rows : rowSets) {
    const MixedModel lp{"LP of scale 1E+06 with equalities multiples of each other", {4, -2}, {}, {},
                        {5e5, 0}, {4.5e6, 3e6}, {1e6, 0}, rows, 2e6};
    for (const RunWay& way : kWays) {
      std::string said;
      EXPECT_TRUE(reachesOptimum(lp, way, &said)) << rows.size() << " rows\n" << said;
    }
  }
}

// Generated models of mixed scale: LPs of two or three variables and one or
// two rows, separable convex quadratics of two to five variables and one to
// four rows, each also run in its unit scales. The LPs reach their optimum
// every way, as do all models in their unit scales. A few of the rescaled
// quadratics still stop "converged" or "no further progress" short of the
// optimum (a weight of 1E-08 beside one of 1E+05, which the quasi-Newton
// directions learn too slowly), and their number must not grow.
TEST(GrgMixedScale, GeneratedModelsReachTheirOptima) {
  constexpr int kModels = 150;
  constexpr int kQuadraticMissesAllowed = 9;
  std::mt19937 rng(81);
  int quadraticMisses = 0;
  for (int k = 0; k < kModels; ++k) {
    int n = between(rng, 2, 3), m = between(rng, 1, 2);
    ScaledModel lp = mixedLp(rng, n, m);
    n = between(rng, 2, 5);
    m = between(rng, 1, 4);
    ScaledModel qp = mixedQp(rng, n, m);
    for (const RunWay& way : kWays) {
      std::string said;
      EXPECT_TRUE(reachesOptimum(lp.unitModel, way, &said)) << "unit LP " << k << "\n" << said;
      EXPECT_TRUE(reachesOptimum(lp.scaled(), way, &said)) << "LP " << k << "\n" << said;
      EXPECT_TRUE(reachesOptimum(qp.unitModel, way, &said)) << "unit QP " << k << "\n" << said;
      quadraticMisses += reachesOptimum(qp.scaled(), way, &said) ? 0 : 1;
    }
  }
  EXPECT_LE(quadraticMisses, kQuadraticMissesAllowed);
}
