// The multistart driver: the GRG engine run from many start points by
// `Solve` action 0 with "solver_msl" 1 reaches the global minimum of bounded
// functions where one run from the given start stops in a worse local
// minimum, and ends with the driver's status 17; the start points are the
// same for the same "solver_rsd"; an unbounded variable ends the run with
// 18 while "solver_rbv" asks for bounds; and the generator behind the
// samples draws states of the minimal standard sequence.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "entry/Eng_Multistart.h"
#include "platform/calc/Calc.h"
#include "tests/engines/EngineSolveFixture.h"

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

// The start points the GRG engine's `solve` is given, seen by a wrapper.
std::vector<std::vector<double>>* g_starts = nullptr;
EngineOp g_grgSolve = nullptr;

int recordingSolve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  g_starts->emplace_back(p->values, p->values + p->variableCount);
  return g_grgSolve(record);
}

// A stand-in engine on the unit cube whose `solve` ends at once where it
// starts, as if every start were a local minimum, and notes how many
// evaluations of the model (counted by the objective's worksheet function)
// came before each call.
struct InstantEngine {
  std::vector<double> lower, upper, values;
  std::vector<int> evaluationsBefore;
};
InstantEngine* g_instant = nullptr;
int g_evaluations = 0;

int instantLoad(void*) { return 1; }
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
  g_instant->evaluationsBefore.push_back(g_evaluations);
  p->status = StatusSolved;
  p->objective = 0;
  return 1;
}

class Multistart : public EngineSolveFixture {
 protected:
  void TearDown() override {
    g_starts = nullptr;
    EngineSolveFixture::TearDown();
  }
  // The quartic in A1 from x = 2.5, bounded to [-3, 3].
  void quarticModel(const std::string& type = "2", const std::string& sign = "") {
    newModel();
    number("A1", 2.5);
    formula("C1", sign + "((A1^2-4)^2+A1)");
    name("solver_adj", "Model!$A$1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", type);
    name("solver_eng", "1");
    name("solver_num", "2");
    row(1, "Model!$A$1", 1, "3");
    row(2, "Model!$A$1", 3, "-3");
    name("solver_rsd", "7");
    name("solver_drv", "2");
  }
  // (x^2 - 1)^2 + (y^2 - 1)^2 + 0.3x + 0.2y on [-2, 2]^2 from (1, 1): four
  // local minima near (+-1, +-1), the lowest near (-1, -1).
  void wellsModel() {
    newModel();
    number("A1", 1);
    number("B1", 1);
    formula("C1", "(A1^2-1)^2+(B1^2-1)^2+0.3*A1+0.2*B1");
    name("solver_adj", "Model!$A$1:$B$1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", "2");
    name("solver_eng", "1");
    name("solver_num", "2");
    row(1, "Model!$A$1:$B$1", 1, "2");
    row(2, "Model!$A$1:$B$1", 3, "-2");
    name("solver_rsd", "11");
    name("solver_drv", "2");
  }
  // Runs the GRG engine through the runner from (1, 1) with its `solve`
  // recorded.
  std::vector<std::vector<double>> startsOfRun() {
    number("A1", 1);
    number("B1", 1);
    std::vector<std::vector<double>> starts;
    g_starts = &starts;
    EXPECT_EQ(begin(), 1);
    EngineEntry grg{context,
                    ordinal<EngineOp>(50),
                    ordinal<EngineOp>(51),
                    recordingSolve,
                    ordinal<EngineOp>(53),
                    ordinal<EngineOp>(54)};
    g_grgSolve = ordinal<EngineOp>(52);
    context->engineInfos[0].owner = context;
    grg.load(&context->engineInfos[0]);
    context->currentEngine = 0;
    lastStatus = ordinal<int (*)(EngineEntry*)>(6)(&grg);
    EXPECT_EQ(end(), 1);
    g_starts = nullptr;
    return starts;
  }
  int lastStatus = -100;
};

}  // namespace

TEST_F(Multistart, OneVariableQuarticReachesItsGlobalMinimum) {
  auto [globalX, globalF] = gridMinimum(quartic, -3, 3);
  quarticModel();
  EXPECT_TRUE(normalEnd(solve(0)));   // one run from 2.5 stops near 1.97
  EXPECT_NEAR(valueAt("A1"), gridMinimum(quartic, 0, 3).first, 1e-3);
  EXPECT_GT(valueAt("C1"), globalF + 3);
  number("A1", 2.5);
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("A1"), globalX, 1e-3);
  EXPECT_NEAR(valueAt("C1"), globalF, 1e-6);
}

TEST_F(Multistart, MaximisedObjectiveReachesItsGlobalMaximum) {
  auto [globalX, globalF] = gridMinimum(quartic, -3, 3);
  quarticModel("1", "-");
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("A1"), globalX, 1e-3);
  EXPECT_NEAR(valueAt("C1"), -globalF, 1e-6);
}

TEST_F(Multistart, TwoVariableWellsReachTheLowestWell) {
  auto f = [](double x, double y) {
    return (x * x - 1) * (x * x - 1) + (y * y - 1) * (y * y - 1) + 0.3 * x + 0.2 * y;
  };
  // Separable: the lowest well is the product of the lowest one-dimensional ones.
  auto [gx, fx] = gridMinimum([&](double x) { return f(x, 0); }, -2, 2);
  auto [gy, fy] = gridMinimum([&](double y) { return f(0, y); }, -2, 2);
  wellsModel();
  EXPECT_TRUE(normalEnd(solve(0)));   // from (1, 1): the nearest well
  EXPECT_GT(valueAt("A1"), 0);
  EXPECT_GT(valueAt("B1"), 0);
  number("A1", 1);
  number("B1", 1);
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("A1"), gx, 1e-3);
  EXPECT_NEAR(valueAt("B1"), gy, 1e-3);
  EXPECT_NEAR(valueAt("C1"), f(gx, gy), 1e-6);
  EXPECT_NEAR(f(gx, gy), fx + fy - 2, 1e-9);   // f(x, 0) and f(0, y) each carry a 1
  // The topographic filter keeps fewer starts and still finds it.
  number("A1", 1);
  number("B1", 1);
  name("solver_tms", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("C1"), f(gx, gy), 1e-6);
}

TEST_F(Multistart, ConstrainedQuarticEndsAtItsBestFeasiblePoint) {
  // With x >= -1.5 as a row, the lowest well is cut off: f(-1.5) = 1.5625
  // lies below the other well's 1.984, and samples left of -1.5 are
  // penalised by the row's multiplier.
  quarticModel();
  name("solver_num", "3");
  formula("B1", "A1*1");
  row(3, "Model!$B$1", 3, "-1.5");
  EXPECT_TRUE(normalEnd(solve(0)));   // one run from 2.5 stays in the right well
  EXPECT_GT(valueAt("A1"), 1.9);
  number("A1", 2.5);
  name("solver_msl", "1");
  EXPECT_EQ(solve(0), StatusMultistartEnd);
  EXPECT_NEAR(valueAt("A1"), -1.5, 1e-6);
  EXPECT_NEAR(valueAt("C1"), quartic(-1.5), 1e-5);
}

TEST_F(Multistart, ModelWithoutFeasiblePointEndsInfeasible) {
  quarticModel();
  name("solver_num", "4");
  formula("B1", "A1*1");
  row(3, "Model!$B$1", 1, "1");
  row(4, "Model!$B$1", 3, "2");
  name("solver_msl", "1");
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

TEST_F(Multistart, StartPointsRepeatForTheSameSeed) {
  wellsModel();
  name("solver_msl", "1");
  std::vector<std::vector<double>> first = startsOfRun();
  EXPECT_EQ(lastStatus, StatusMultistartEnd);
  std::vector<std::vector<double>> again = startsOfRun();
  ASSERT_GT(first.size(), 2u);
  EXPECT_EQ(first[0], (std::vector<double>{1, 1}));   // the given start comes first
  EXPECT_EQ(first, again);
  for (const auto& x : first)
    for (double v : x) EXPECT_TRUE(v >= -2 && v <= 2) << v;
  name("solver_rsd", "-11");   // a negative seed acts as its magnitude
  EXPECT_EQ(startsOfRun(), first);
  name("solver_rsd", "12");
  std::vector<std::vector<double>> other = startsOfRun();
  ASSERT_GT(other.size(), 1u);
  EXPECT_NE(first[1], other[1]);   // the first sampled start
}

TEST_F(Multistart, UnboundedVariableEndsWithEighteenWhileBoundsAreRequired) {
  quarticModel();
  name("solver_msl", "1");
  name("solver_num", "1");   // only x <= 3
  EXPECT_EQ(solve(0), StatusUnboundedVariable);
  EXPECT_EQ(valueAt("A1"), 2.5);
}

TEST_F(Multistart, ThreeVariablesSampleThirtyPointsPerIteration) {
  Calc_registerFunction("MSLCOUNTED", [](const std::vector<CalcArray>&) {
    ++g_evaluations;
    CalcArray out;
    out.values.push_back(CellValue::makeNumber(0));
    return out;
  });
  newModel();
  formula("C1", "MSLCOUNTED(A1:A3)");
  name("solver_adj", "Model!$A$1:$A$3");
  name("solver_opt", "Model!$C$1");
  name("solver_typ", "2");
  name("solver_eng", "1");
  name("solver_msl", "1");
  name("solver_ssz", "0");
  name("solver_rsd", "3");
  EngineInfo saved = context->engineInfos[0];
  context->engineInfos[0].capabilities = EngineCanMultistart;
  InstantEngine engine;
  g_instant = &engine;
  ASSERT_EQ(begin(), 1);
  EngineEntry entry{context, instantLoad, instantSetup, instantSolve, instantLoad, instantLoad};
  EXPECT_EQ(ordinal<int (*)(EngineEntry*)>(6)(&entry), StatusMultistartEnd);
  EXPECT_EQ(end(), 1);
  context->engineInfos[0] = saved;
  g_instant = nullptr;
  // Between the first solve and the search from the best sample: the
  // evaluation of the first minimum, then 10 x 3 samples.
  ASSERT_GE(engine.evaluationsBefore.size(), 2u);
  EXPECT_EQ(engine.evaluationsBefore[1] - engine.evaluationsBefore[0], 1 + 30);
}

TEST(MultistartRandom, DrawsAreShuffledStatesOfTheMinimalStandardSequence) {
  // The sequence itself, stepped with 64-bit products: from 1, the 10000th
  // state is 1043618065 (the generator's published check value).
  const std::int64_t modulus = 2147483647;
  std::vector<std::int64_t> states{1};
  for (int k = 0; k < 12000; ++k) states.push_back(states.back() * 16807 % modulus);
  ASSERT_EQ(states[10000], 1043618065);
  std::set<std::int64_t> known(states.begin() + 1, states.end());
  MslRandom random;
  Eng_seedRandom(&random, 1);
  std::set<std::int64_t> drawn;
  int capped = 0;
  for (int k = 0; k < 10000; ++k) {
    double u = Eng_drawUniform(&random);
    ASSERT_GT(u, 0);
    ASSERT_LE(u, 0.99999988);
    if (u == 0.99999988) {   // states within 258 of the modulus
      ++capped;
      continue;
    }
    std::int64_t state = std::llround(u * modulus);
    EXPECT_TRUE(known.count(state)) << k;
    drawn.insert(state);
  }
  EXPECT_LT(capped, 3);
  EXPECT_EQ(drawn.size() + capped, 10000u);   // no state comes twice
  // The same seed repeats the draws; another seed gives others.
  MslRandom a, b, c;
  Eng_seedRandom(&a, 42);
  Eng_seedRandom(&b, 42);
  Eng_seedRandom(&c, 43);
  bool differs = false;
  for (int k = 0; k < 100; ++k) {
    double ua = Eng_drawUniform(&a);
    EXPECT_EQ(ua, Eng_drawUniform(&b));
    differs = differs || ua != Eng_drawUniform(&c);
  }
  EXPECT_TRUE(differs);
}
