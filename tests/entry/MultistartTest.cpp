// The multistart driver: the GRG engine run from many start points by
// `Solve` action 0 with "solver_msl" 1 reaches the global minimum of bounded
// functions where one run from the given start stops in a worse local
// minimum, and ends with the driver's status 17; the start points are the
// same for the same "solver_rsd"; an unbounded variable ends the run with
// 18 while "solver_rbv" asks for bounds.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

// f(x) = (x^2 - 4)^2 + x on [-3, 3]: local minima near 1.97 and -2.03.
// The models ask for central differences ("solver_drv" 2), with which the
// GRG engine ends its local searches at the minima as optimal.
double quartic(double x) { return (x * x - 4) * (x * x - 4) + x; }

// The lowest value of f on a fine grid of [a, b] and where it lies.
template <typename F>
std::pair<double, double> gridMinimum(F f, double a, double b) {
  double bestX = a, best = f(a);
  for (int k = 1; k <= 600000; ++k) {
    double x = a + (b - a) * k / 600000;
    if (f(x) < best) {
      best = f(x);
      bestX = x;
    }
  }
  return {bestX, best};
}

// A stand-in engine on the unit cube whose `solve` ends at once where it
// starts, as if every start were a local minimum, and notes each start and
// how many evaluations of the model (counted by the objective's worksheet
// function) came before each call.
struct InstantEngine {
  std::vector<double> lower, upper, values;
  std::vector<std::vector<double>> starts;
  std::vector<int> evaluationsBefore;
  int sampledOutside = 0;   // sampled starts outside the box of their solve
};
InstantEngine* g_instant = nullptr;
int g_evaluations = 0;

int instantNothing(void*) { return 1; }
int instantSetup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  InstantEngine& e = *g_instant;
  e.lower.assign(p->variableCount, 0.0);
  e.upper.assign(p->variableCount, 1.0);
  e.values.assign(p->variableCount, 0.5);
  p->lower = e.lower.data();
  p->upper = e.upper.data();
  p->values = e.values.data();
  return 1;
}
int instantSolve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  g_instant->starts.emplace_back(p->values, p->values + p->variableCount);
  for (int j = 0; j < p->variableCount; ++j) {
    const double v = p->values[j];
    const bool sampled = v != 0.5 && v != std::round(v);   // not a given or integral start
    if (sampled && (v < p->lower[j] || v > p->upper[j])) ++g_instant->sampledOutside;
  }
  g_instant->evaluationsBefore.push_back(g_evaluations);
  p->status = StatusSolved;
  p->objective = 0;
  return 1;
}

class Multistart : public EngineSolveFixture {
 protected:
  // The quartic in A1 from x = 2.5, bounded to [-3, 3].
  void quarticModel() {
    newModel();
    number("A1", 2.5);
    formula("C1", "(A1^2-4)^2+A1");
    names({{"solver_adj", "Model!$A$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
           {"solver_eng", "1"}, {"solver_num", "2"}, {"solver_rsd", "7"}, {"solver_drv", "2"}});
    bounds(1, "Model!$A$1", -3, 3);
  }
  // The instant engine standing in for engine 1 through the runner on three
  // variables whose objective counts its evaluations, with seed `seed`.
  InstantEngine runInstant(const std::string& seed) {
    Calc_registerFunction("MSLCOUNTED", [](const std::vector<CalcArray>&) {
      ++g_evaluations;
      CalcArray out;
      out.values.push_back(CellValue::makeNumber(0));
      return out;
    });
    newModel();
    formula("C1", "MSLCOUNTED(A1:A3)");
    names({{"solver_adj", "Model!$A$1:$A$3"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
           {"solver_eng", "1"}, {"solver_msl", "1"}, {"solver_ssz", "0"}, {"solver_rsd", seed}});
    context->engineInfos[0].capabilities = EngineCanMultistart;
    InstantEngine engine;
    g_instant = &engine;
    EXPECT_EQ(begin(), 1);
    EngineEntry entry{context, instantNothing, instantSetup, instantSolve, instantNothing, instantNothing};
    EXPECT_EQ(ordinal<int (*)(EngineEntry*)>(6)(&entry), StatusMultistartEnd);
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
    return engine;
  }
};

}  // namespace

TEST_F(Multistart, QuarticReachesItsGlobalMinimumAndMaximum) {
  auto [globalX, globalF] = gridMinimum(quartic, -3, 3);
  quarticModel();
  EXPECT_TRUE(normalEnd(solve(0)));   // one run from 2.5 stops near 1.97
  EXPECT_NEAR(valueAt("A1"), gridMinimum(quartic, 0, 3).first, 1e-3);
  EXPECT_GT(valueAt("C1"), globalF + 3);
  name("solver_msl", "1");
  for (double sign : {1, -1}) {
    number("A1", 2.5);
    formula("C1", sign > 0 ? "(A1^2-4)^2+A1" : "-((A1^2-4)^2+A1)");
    name("solver_typ", sign > 0 ? "2" : "1");
    EXPECT_EQ(solve(0), StatusMultistartEnd);
    EXPECT_NEAR(valueAt("A1"), globalX, 1e-3);
    EXPECT_NEAR(valueAt("C1"), sign * globalF, 1e-6);
  }
}

TEST_F(Multistart, TwoVariableWellsReachTheLowestWell) {
  // (x^2 - 1)^2 + (y^2 - 1)^2 + 0.3x + 0.2y on [-2, 2]^2 from (1, 1): four
  // local minima near (+-1, +-1), the lowest near (-1, -1).
  auto f = [](double x, double y) {
    return (x * x - 1) * (x * x - 1) + (y * y - 1) * (y * y - 1) + 0.3 * x + 0.2 * y;
  };
  // Separable: the lowest well is the product of the lowest one-dimensional ones.
  auto [gx, fx] = gridMinimum([&](double x) { return f(x, 0); }, -2, 2);
  auto [gy, fy] = gridMinimum([&](double y) { return f(0, y); }, -2, 2);
  EXPECT_NEAR(f(gx, gy), fx + fy - 2, 1e-9);   // f(x, 0) and f(0, y) each carry a 1
  newModel();
  number("A1", 1);
  number("B1", 1);
  formula("C1", "(A1^2-1)^2+(B1^2-1)^2+0.3*A1+0.2*B1");
  names({{"solver_adj", "Model!$A$1:$B$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
         {"solver_eng", "1"}, {"solver_num", "2"}, {"solver_rsd", "11"}, {"solver_drv", "2"}});
  bounds(1, "Model!$A$1:$B$1", -2, 2);
  // Multistart, then with the topographic filter that keeps fewer starts.
  for (const char* topographic : {"0", "1"}) {
    SCOPED_TRACE(topographic);
    number("A1", 1);
    number("B1", 1);
    names({{"solver_msl", "1"}, {"solver_tms", topographic}});
    EXPECT_EQ(solve(0), StatusMultistartEnd);
    EXPECT_NEAR(valueAt("A1"), gx, 1e-3);
    EXPECT_NEAR(valueAt("B1"), gy, 1e-3);
    EXPECT_NEAR(valueAt("C1"), f(gx, gy), 1e-6);
  }
}

TEST_F(Multistart, ConstrainedQuarticEndsAtItsBestFeasiblePoint) {
  // With x >= -1.5 as a row, the lowest well is cut off: f(-1.5) = 1.5625
  // lies below the other well's 1.984, and samples left of -1.5 are
  // penalised by the row's multiplier.
  quarticModel();
  name("solver_num", "3");
  formula("B1", "A1*1");
  row(3, "Model!$B$1", 3, "-1.5");
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("A1"), -1.5, 1e-6);
  EXPECT_NEAR(valueAt("C1"), quartic(-1.5), 1e-5);
  // With x <= -1.5 and x >= 2 as well no point is feasible.
  name("solver_num", "5");
  row(4, "Model!$B$1", 1, "-1.5");
  row(5, "Model!$B$1", 3, "2");
  EXPECT_EQ(solve(0), StatusInfeasible);
}

TEST_F(Multistart, IntegerModelIsBranchedOnWithMultistartAtEachNode) {
  // Integer x in [-3, 3]: f(-2) = -2 is the lowest integer point, f(2) = 2.
  quarticModel();
  name("solver_num", "3");
  row(3, "Model!$A$1", 4, "integer");
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusConverged);   // the multistart's end in integer mode
  EXPECT_EQ(valueAt("A1"), -2.0);
  EXPECT_EQ(valueAt("C1"), -2.0);
}

TEST_F(Multistart, BranchAndBoundNodesAreSampledInTheirOwnBox) {
  // Two integer variables in [0, 1] under branch and bound with the instant
  // engine: a node's samples lie in the bounds its branches set, not in
  // the model's box.
  newModel();
  formula("C1", "A1+A2");
  names({{"solver_adj", "Model!$A$1:$A$2"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
         {"solver_eng", "1"}, {"solver_msl", "1"}, {"solver_rsd", "5"}, {"solver_num", "3"}});
  bounds(1, "Model!$A$1:$A$2", 0, 1);
  row(3, "Model!$A$1:$A$2", 4, "integer");
  context->engineInfos[0].capabilities = EngineCanMultistart | EngineCanBranch;
  InstantEngine engine;
  g_instant = &engine;
  ASSERT_EQ(begin(), 1);
  EngineEntry entry{context, instantNothing, instantSetup, instantSolve, instantNothing, instantNothing};
  ordinal<int (*)(EngineEntry*)>(6)(&entry);
  EXPECT_EQ(end(), 1);
  EXPECT_GT(engine.starts.size(), 60u);   // more than the root's samples
  EXPECT_EQ(engine.sampledOutside, 0);
}

TEST_F(Multistart, UnboundedVariableEndsWithEighteenWhileBoundsAreRequired) {
  quarticModel();
  name("solver_msl", "1");
  name("solver_num", "1");   // only x >= -3
  EXPECT_EQ(solve(0), StatusUnboundedVariable);
  EXPECT_EQ(valueAt("A1"), 2.5);
}

TEST_F(Multistart, ThreeVariablesSampleThirtyPointsPerIterationFromRepeatableStarts) {
  InstantEngine first = runInstant("3");
  // Between the first solve and the search from the best sample: the
  // evaluation of the first minimum, then 10 x 3 samples.
  ASSERT_GT(first.starts.size(), 2u);
  EXPECT_EQ(first.evaluationsBefore[1] - first.evaluationsBefore[0], 1 + 30);
  EXPECT_EQ(first.starts[0], std::vector<double>(3, 0.5));   // the given start comes first
  for (const auto& x : first.starts)
    for (double v : x) EXPECT_TRUE(v >= 0 && v <= 1) << v;
  EXPECT_EQ(runInstant("3").starts, first.starts);
  EXPECT_EQ(runInstant("-3").starts, first.starts);   // a negative seed acts as its magnitude
  EXPECT_NE(runInstant("4").starts[1], first.starts[1]);   // the first sampled start
}
