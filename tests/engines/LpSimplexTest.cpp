// LP engine core: the bounded simplex on the netlib problems against their
// published optima, hand-made infeasible, unbounded and degenerate models,
// random models against their duals, the dual warm start and the re-solve
// against cold solves, with and without scaling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/support/MpsReader.h"

namespace {

MpsModel readModel(const std::string& name) {
  MpsModel model;
  std::string error;
  EXPECT_TRUE(Mps_readNamed(name, model, error)) << error;
  return model;
}

// Largest violation of a row or bound by x, relative to max(1, |limit|).
double worstViolation(const MpsModel& model, const std::vector<double>& x) {
  std::vector<double> activity(model.rowNames.size(), 0.0);
  for (const MpsEntry& e : model.entries) activity[e.row] += e.value * x[e.col + 1];
  double worst = 0;
  auto check = [&](double v, double lo, double up) {
    if (lo > -kBoundInfinity) worst = std::max(worst, (lo - v) / std::max(1.0, std::fabs(lo)));
    if (up < kBoundInfinity) worst = std::max(worst, (v - up) / std::max(1.0, std::fabs(up)));
  };
  for (std::size_t i = 0; i < activity.size(); ++i) {
    double lo, up;
    Mps_rowLimits(model, static_cast<int>(i), lo, up);
    check(activity[i], lo, up);
  }
  for (std::size_t j = 0; j < model.colNames.size(); ++j)
    check(x[j + 1], model.lower[j], model.upper[j]);
  return worst;
}

double objectiveAt(const MpsModel& model, const std::vector<double>& x) {
  double z = model.objConstant;
  for (std::size_t j = 0; j < model.cost.size(); ++j) z += model.cost[j] * x[j + 1];
  return z;
}

MpsResult solveModel(const MpsModel& model, LpRecord& lp, bool scale, const LpSettings& s = {},
                     bool maximise = false) {
  EXPECT_EQ(Mps_fillRecord(model, lp, maximise), 0);
  EXPECT_TRUE(Mps_prepare(lp, scale));
  return Mps_solveCold(lp, s);
}

// A small model given densely: rows with limits, variable bounds, costs.
struct Small {
  std::vector<std::vector<double>> a;
  std::vector<double> rowLo, rowUp, lo, up, cost;
};

MpsModel toModel(const Small& s) {
  MpsModel m;
  const int n = static_cast<int>(s.cost.size());
  for (int i = 0; i < static_cast<int>(s.a.size()); ++i) {
    m.rowNames.push_back("R" + std::to_string(i));
    const bool loF = s.rowLo[i] > -kBoundInfinity, upF = s.rowUp[i] < kBoundInfinity;
    m.rowKinds.push_back(s.rowLo[i] == s.rowUp[i] ? 'E' : !loF ? 'L' : 'G');
    m.rhs.push_back(loF ? s.rowLo[i] : s.rowUp[i]);
    m.ranged.push_back(loF && upF && s.rowLo[i] != s.rowUp[i]);
    m.range.push_back(m.ranged.back() ? s.rowUp[i] - s.rowLo[i] : 0.0);
    for (int j = 0; j < n; ++j)
      if (s.a[i][j] != 0) m.entries.push_back({i, j, s.a[i][j]});
  }
  for (int j = 0; j < n; ++j) {
    m.colNames.push_back("C" + std::to_string(j));
    m.cost.push_back(s.cost[j]);
    m.lower.push_back(s.lo[j]);
    m.upper.push_back(s.up[j]);
    m.integer.push_back(false);
    m.lowerSet.push_back(true);
  }
  return m;
}

constexpr double inf = kBoundInfinity;

int stopAfter(void* context, const LpRecord&, int iteration, double, double) {
  return iteration >= *static_cast<int*>(context) ? 3 : 0;
}

}  // namespace

// ---- the netlib problems ----

TEST(LpSimplex, NetlibProblemsReachTheirPublishedOptima) {
  for (const MpsKnown& k : Mps_knownProblems()) {
    if (k.kind != "lp") continue;
    const MpsModel model = readModel(k.name);
    const double tol = 1e-6 * std::max(1.0, std::fabs(k.optimum));
    for (bool scale : {true, false}) {
      SCOPED_TRACE(k.name + (scale ? " scaled" : " unscaled"));
      LpRecord lp;
      const MpsResult r = solveModel(model, lp, scale);
      ASSERT_EQ(r.status, 0);
      EXPECT_NEAR(r.objective, k.optimum, tol);
      EXPECT_LE(worstViolation(model, lp.x), 1e-6);
      EXPECT_NEAR(objectiveAt(model, lp.x), r.objective, tol / 10);
    }
  }
}

namespace {

// A random model with l <= Ax <= u (sides possibly infinite or equal) and
// lo <= x <= ub (lo mostly 0, sometimes negative or free), small integer
// data for plenty of degeneracy.
Small randomModel(std::mt19937& random) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
  const int m = pick(1, 8), n = pick(1, 8);
  Small s;
  s.a.assign(m, std::vector<double>(n, 0.0));
  for (auto& row : s.a)
    for (double& v : row) v = pick(0, 9) < 6 ? pick(-3, 3) : 0;
  for (int j = 0; j < n; ++j) {
    const int kind = pick(0, 9);
    s.lo.push_back(kind < 7 ? 0.0 : kind < 9 ? -pick(1, 3) : -inf);
    s.up.push_back(pick(0, 2) == 0 ? std::max(s.lo.back(), 0.0) + pick(0, 3) : inf);
    s.cost.push_back(pick(-5, 5));
  }
  // Mostly around the activity of a point inside the bounds, so that most
  // models are feasible; sometimes anywhere.
  const bool anywhere = pick(0, 4) == 0;
  for (int i = 0; i < m; ++i) {
    double activity = 0;
    for (int j = 0; j < n; ++j) activity += s.a[i][j] * std::min(s.up[j], std::max(s.lo[j], 1.0));
    const int kind = pick(0, 3);
    const double b = anywhere ? pick(-4, 6) : activity - (kind == 0 ? pick(0, 2) : 0);
    s.rowLo.push_back(kind == 1 ? -inf : b);
    s.rowUp.push_back(kind == 0 ? inf : kind == 1 ? b + pick(0, 2) : kind == 2 ? b : b + pick(0, 4));
  }
  return s;
}

// Its dual: max l.y - u.z + lo.v - ub.w subject to A'(y - z) + v - w = c,
// y, z, v, w >= 0, with a variable only for each finite side or bound.
Small dualOf(const Small& p) {
  const int m = static_cast<int>(p.a.size()), n = static_cast<int>(p.cost.size());
  Small d;
  d.a.assign(n, {});
  auto column = [&](double cost, auto coefficient) {
    for (int j = 0; j < n; ++j) d.a[j].push_back(coefficient(j));
    d.lo.push_back(0);
    d.up.push_back(inf);
    d.cost.push_back(cost);
  };
  for (int i = 0; i < m; ++i) {
    if (p.rowLo[i] > -inf) column(p.rowLo[i], [&](int j) { return p.a[i][j]; });
    if (p.rowUp[i] < inf) column(-p.rowUp[i], [&](int j) { return -p.a[i][j]; });
  }
  for (int j = 0; j < n; ++j) {
    if (p.lo[j] > -inf) column(p.lo[j], [&](int k) { return k == j ? 1.0 : 0.0; });
    if (p.up[j] < inf) column(-p.up[j], [&](int k) { return k == j ? -1.0 : 0.0; });
  }
  if (d.cost.empty()) column(0, [](int) { return 0.0; });
  for (int j = 0; j < n; ++j) {
    d.rowLo.push_back(p.cost[j]);
    d.rowUp.push_back(p.cost[j]);
  }
  return d;
}

}  // namespace

TEST(LpSimplex, RandomModelsAgreeWithTheirDuals) {
  std::mt19937 random(2026);
  int solved = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const Small primal = randomModel(random);
    const bool scale = trial % 2 == 0, weighting = trial % 3 != 0;
    LpRecord p, d;
    ASSERT_EQ(Mps_fillRecord(toModel(primal), p), 0);
    ASSERT_EQ(Mps_fillRecord(toModel(dualOf(primal)), d, true), 0);
    p.options.primalWeighting = d.options.primalWeighting = weighting;
    ASSERT_TRUE(Mps_prepare(p, scale));
    ASSERT_TRUE(Mps_prepare(d, scale));
    const MpsResult rp = Mps_solveCold(p, {}), rd = Mps_solveCold(d, {});
    if (rp.status == 0) {
      ++solved;
      ASSERT_EQ(rd.status, 0) << "trial " << trial;
      EXPECT_NEAR(rp.objective, rd.objective, 1e-9 * std::max(1.0, std::fabs(rp.objective)))
          << "trial " << trial;
      EXPECT_LE(worstViolation(toModel(primal), p.x), 1e-9) << "trial " << trial;
    } else if (rp.status == 4) {
      EXPECT_EQ(rd.status, 5) << "trial " << trial;
    } else {
      ASSERT_EQ(rp.status, 5) << "trial " << trial;
      EXPECT_TRUE(rd.status == 4 || rd.status == 5) << "trial " << trial;
    }
  }
  EXPECT_GT(solved, 150);
}

TEST(LpSimplex, IntegerModelsRelaxed) {
  // The LP relaxations of the integer models against the "LP SOLN" their
  // files print, within half a unit of the last printed digit.
  const struct {
    const char* name;
    double value, halfUnit;
  } relaxations[] = {{"p0033", 2520.57, 0.005},     {"flugpl", 1167185.73, 0.005},
                     {"egout", 149.589, 0.0005},    {"stein27", 13.0, 0.05},
                     {"vpm1", 15.4167, 0.00005}};
  for (const auto& r : relaxations) {
    const MpsModel model = readModel(r.name);
    LpRecord lp;
    const MpsResult result = solveModel(model, lp, true);
    ASSERT_EQ(result.status, 0) << r.name;
    EXPECT_NEAR(result.objective, r.value, r.halfUnit) << r.name;
    EXPECT_LE(worstViolation(model, lp.x), 1e-6) << r.name;
  }
}

// ---- hand-made models ----

TEST(LpSimplex, SmallModelsWorkedByHand) {
  const struct {
    const char* what;
    Small s;
    bool maximise, scale;
    int status;
    double objective;
    std::vector<double> x;  // x1, x2 when solved
  } cases[] = {
      {"x1 + x2 <= 1 and >= 3", {{{1, 1}, {1, 1}}, {-inf, 3}, {1, inf}, {0, 0}, {inf, inf}, {1, 1}},
       false, true, 5, 0, {}},
      {"max x1 + x2, x1 - x2 <= 1", {{{1, -1}}, {-inf}, {1}, {0, 0}, {inf, inf}, {1, 1}}, true,
       true, 4, 0, {}},
      {"min x1, x1 - x2 <= 1, x free", {{{1, -1}}, {-inf}, {1}, {-inf, -inf}, {inf, inf}, {1, 0}},
       false, false, 4, 0, {}},
      // x + y = 2 twice (the second doubled), min x - y with y <= 1.5: one
      // artificial is dropped, the other stays basic.
      {"redundant equality", {{{1, 1}, {2, 2}}, {2, 4}, {2, 4}, {0, 0}, {inf, 1.5}, {1, -1}}, false,
       false, 0, -1, {0.5, 1.5}},
      // max 2x + y, x + y <= 4, x <= 3, and a row x - y without limits: 7
      // at (3, 1); pinning x - y to 0 would give 6 at (2, 2).
      {"row without limits", {{{1, 1}, {1, -1}}, {-inf, -inf}, {4, inf}, {0, 0}, {3, inf}, {2, 1}},
       true, true, 0, 7, {3, 1}},
      // 3 <= 10y <= 5 with y <= 0.45, and x >= 1. Passing the ranged row's
      // lower limit must not hide the other row's infeasibility.
      {"ranged row, x <= 0.5", {{{0, 10}, {1, 0}}, {3, 1}, {5, inf}, {0, 0}, {0.5, 0.45}, {1, 1}},
       false, false, 5, 0, {}},
      {"ranged row, x <= 2", {{{0, 10}, {1, 0}}, {3, 1}, {5, inf}, {0, 0}, {2, 0.45}, {1, 1}}, false,
       false, 0, 1.3, {1, 0.3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LpRecord lp;
    const MpsResult r = solveModel(toModel(c.s), lp, c.scale, {}, c.maximise);
    ASSERT_EQ(r.status, c.status);
    if (r.status != 0) continue;
    EXPECT_NEAR(r.objective, c.objective, 1e-12);
    for (int j = 0; j < 2; ++j) EXPECT_NEAR(lp.x[j + 1], c.x[j], 1e-12) << "x" << j + 1;
  }
}

TEST(LpSimplex, DegenerateModelDoesNotCycle) {
  // A classic cycling example for largest-coefficient pricing; optimum -5/4
  // at (1, 0, 1, 0).
  const Small s{{{0.25, -8, -1, 9}, {0.5, -12, -0.5, 3}, {0, 0, 1, 0}},
                {-inf, -inf, -inf}, {0, 0, 1}, {0, 0, 0, 0}, {inf, inf, inf, inf},
                {-0.75, 20, -0.5, 6}};
  for (bool weighting : {false, true}) {
    LpRecord lp;
    ASSERT_EQ(Mps_fillRecord(toModel(s), lp), 0);
    lp.options.primalWeighting = lp.options.dualWeighting = weighting;
    ASSERT_TRUE(Mps_prepare(lp, false));
    int limit = 100;
    const MpsResult r = Mps_solveCold(lp, {1e-8, 1e-6, 1e-5, stopAfter, &limit});
    ASSERT_EQ(r.status, 0);
    EXPECT_NEAR(r.objective, -1.25, 1e-12);
    EXPECT_NEAR(lp.x[1], 1, 1e-12);
    EXPECT_NEAR(lp.x[3], 1, 1e-12);
  }
}

TEST(LpSimplex, RepeatedEqualityIsClearedOfRoundingAndKeepsItsArtificial) {
  // min x + 2y + 3z: x + y + z = 4, the same row doubled, x - y = 2,
  // x <= 3, y - z >= -1; optimum 5 at (3, 1, 0). After every pivot each
  // equality row still holding its artificial gets 1e-6 in every
  // active entry, as rounding would leave it: the doubled row, once the
  // other copy's artificial is gone, is cleared back to zeros (a pivot on
  // it would make the basis singular); a row not dependent on the gone
  // artificials keeps what it holds.
  const Small s{{{1, 1, 1}, {2, 2, 2}, {1, -1, 0}, {1, 0, 0}, {0, 1, -1}},
                {4, 8, 2, -inf, -1}, {4, 8, 2, 3, inf}, {0, 0, 0}, {inf, inf, inf}, {1, 2, 3}};
  struct Seen {
    int cleared = 0, kept = 0, wrong = 0;
  } seen;
  auto check = [](void* context, const LpRecord& record, int, double, double) {
    auto& seen = *static_cast<Seen*>(context);
    auto& lp = const_cast<LpRecord&>(record);
    const auto holds = [&lp](int r) { return lp.rowMap[r] == lp.n + r; };
    for (int r = 1; r <= 3; ++r) {
      if (!holds(r) || lp.phase1Flags[r] != 1) continue;
      const bool dependent = r < 3 && !holds(3 - r);  // its copy's artificial gone
      double* a = lp.matrix.row(r);
      const std::vector<double> kept(a, a + lp.n + 1);
      for (int k = 1; k <= lp.activeCols; ++k) a[k] += 1e-6;
      const std::vector<double> noisy(a, a + lp.n + 1);
      Lp_clearIfDependent(lp, r, false);
      const bool cleared = std::all_of(a + 1, a + lp.activeCols + 1, [](double v) { return v == 0; });
      const bool unchanged = std::equal(noisy.begin(), noisy.end(), a);
      if (dependent ? cleared : unchanged) ++(dependent ? seen.cleared : seen.kept);
      else ++seen.wrong;
      std::copy(kept.begin(), kept.end(), a);
    }
    return 0;
  };
  LpRecord lp;
  const MpsResult r = solveModel(toModel(s), lp, false, {1e-8, 1e-6, 1e-5, check, &seen});
  ASSERT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 5, 1e-12);
  EXPECT_GT(seen.cleared, 0);
  EXPECT_GT(seen.kept, 0);
  EXPECT_EQ(seen.wrong, 0);
  EXPECT_TRUE(lp.rowMap[1] == lp.n + 1 || lp.rowMap[2] == lp.n + 2);
}

TEST(LpSimplex, ProgressStopEndsTheSolve) {
  const MpsModel model = readModel("sc50a");
  LpRecord lp;
  int limit = 5;
  const MpsResult r = solveModel(model, lp, true, {1e-8, 1e-6, 1e-5, stopAfter, &limit});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.iterations, 5);
}

// ---- warm start and re-solve ----

TEST(LpWarmStart, RandomBoundChangesAgreeWithColdSolves) {
  std::mt19937 random(77);
  int warmSolved = 0, trials = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const Small base = randomModel(random);
    const MpsModel model = toModel(base);
    LpRecord probe;
    if (solveModel(model, probe, trial % 2 == 0).status != 0) continue;
    const int j = 1 + static_cast<int>(random() % probe.n);
    MpsModel changed = model;
    const double v = probe.x[j], step = static_cast<double>(random() % 3);
    if (random() % 2) changed.upper[j - 1] = std::max(0.0, v - step);
    else changed.lower[j - 1] = v + step;
    if (changed.lower[j - 1] > changed.upper[j - 1]) continue;
    LpRecord warm, cold;
    ASSERT_EQ(Mps_fillRecord(model, warm), 0);
    ASSERT_TRUE(Mps_prepare(warm, trial % 2 == 0));
    Mps_solveCold(warm, {});
    warm.lower[j] = changed.lower[j - 1];
    warm.upper[j] = changed.upper[j - 1];
    Lp_scaleVariableState(warm);
    const int st = Lp_dualWarmStart(warm, {});
    Lp_unscaleVariableState(warm);
    const MpsResult c = solveModel(changed, cold, trial % 2 == 0);
    ++trials;
    if (st == 8) continue;
    ++warmSolved;
    ASSERT_EQ(st, c.status) << "trial " << trial;
    if (st != 0) continue;
    const double z = Lp_unscaleObjective(warm.scaling, warm.matrix.row(0)[0]);
    EXPECT_NEAR(z, c.objective, 1e-9 * std::max(1.0, std::fabs(z))) << "trial " << trial;
    EXPECT_LE(worstViolation(changed, warm.x), 1e-9) << "trial " << trial;
  }
  EXPECT_GE(warmSolved, trials * 3 / 4);
  EXPECT_GT(trials, 100);
}

TEST(LpWarmStart, LongStepFlipsBoxedColumns) {
  // min x1 + 2x2 + 3x3, x in [0, 1], -x1 - x2 - x3 + y <= 0, y in [0, 10]:
  // all 0. Raising y's lower bound to 2.5 makes the row's slack -2.5; the
  // long step passes x1 and x2 (flipped to 1) and enters x3 at 0.5, in one
  // exchange: 4.5. The plain ratio test reaches the same optimum.
  const Small s{{{-1, -1, -1, 1}}, {-inf}, {0}, {0, 0, 0, 0}, {1, 1, 1, 10}, {1, 2, 3, 0}};
  for (bool plain : {false, true}) {
    LpRecord lp;
    ASSERT_EQ(Mps_fillRecord(toModel(s), lp), 0);
    ASSERT_TRUE(Mps_prepare(lp, false));
    ASSERT_EQ(Mps_solveCold(lp, {}).status, 0);
    lp.lower[4] = 2.5;
    lp.options.plainDualRatio = plain;
    ASSERT_EQ(Lp_dualWarmStart(lp, {}), 0);
    EXPECT_NEAR(lp.matrix.row(0)[0], 4.5, 1e-12);
    EXPECT_NEAR(lp.x[1], 1, 1e-12);
    EXPECT_NEAR(lp.x[2], 1, 1e-12);
    EXPECT_NEAR(lp.x[3], 0.5, 1e-12);
    if (!plain) EXPECT_EQ(lp.iterations, 1);
    else EXPECT_GT(lp.iterations, 1);
  }
}

TEST(LpWarmStart, FreeNonbasicVariableGivesUp) {
  // min y with x free, x - y >= -1, y <= 3: x never enters the basis and
  // stays nonbasic at 0, which the warm start cannot place on a bound.
  const Small s{{{1, -1}}, {-1}, {inf}, {-inf, 0}, {inf, 3}, {0, 1}};
  LpRecord lp;
  ASSERT_EQ(Mps_fillRecord(toModel(s), lp), 0);
  ASSERT_TRUE(Mps_prepare(lp, false));
  ASSERT_EQ(Mps_solveCold(lp, {}).status, 0);
  ASSERT_EQ(lp.colMap[1], 1);  // x never entered: free nonbasic at 0
  EXPECT_EQ(lp.colStatus[1], 'X');
  EXPECT_EQ(Lp_dualWarmStart(lp, {}), 8);
}

TEST(LpResolve, NewObjectiveMatchesAColdSolve) {
  for (const char* name : {"afiro", "sc105", "share2b"}) {
    const MpsModel model = readModel(name);
    MpsModel changed = model;
    for (std::size_t j = 0; j < changed.cost.size(); ++j)
      changed.cost[j] = model.cost[j] * (1.0 + 0.25 * (j % 3)) + (j % 5 == 0 ? 0.01 : 0.0);
    LpRecord lp;
    ASSERT_EQ(solveModel(model, lp, true).status, 0);
    std::vector<double> g(lp.n + 1, 0.0);
    for (int j = 1; j <= lp.n; ++j) g[j] = changed.cost[j - 1];
    const double value = objectiveAt(changed, lp.x);
    Lp_scaleVariableState(lp);
    Lp_scaleGradient(lp.scaling, g.data());
    const int st = Lp_resolveWithObjective(lp, {}, Lp_scaleObjective(lp.scaling, value), g.data());
    Lp_unscaleVariableState(lp);
    LpRecord cold;
    const MpsResult c = solveModel(changed, cold, true);
    ASSERT_EQ(st, c.status) << name;
    const double z = Lp_unscaleObjective(lp.scaling, lp.matrix.row(0)[0]);
    EXPECT_NEAR(z, c.objective, 1e-7 * std::max(1.0, std::fabs(c.objective))) << name;
    EXPECT_NEAR(objectiveAt(changed, lp.x), z, 1e-7 * std::max(1.0, std::fabs(z))) << name;
  }
}
