// The interval engine's box list and box branch and bound, driven by bounding
// steps written here: a Lipschitz bound for a multimodal function whose global
// minimum is found by dense sampling, and stubs that force each way a search
// can end. Also the mapping of the search's ending to the engine's status.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_BranchBound.h"
#include "engines/interval/Ia_Status.h"

namespace {

// sin(3x) + 0.1 x^2: many local minima on [-5, 5]; |f'| <= 3 + 0.2 * 5.
double wavy(double x) { return std::sin(3 * x) + 0.1 * x * x; }
constexpr double kWavyLipschitz = 4.0;

// The test's bounding: `lowerOf` gives a box's lower bound (or NaN for a dead
// box), the midpoint's value improves the incumbent, and the clock moves on
// by `tick` seconds at each reading.
struct Stub {
  std::function<double(const IaBox&)> lowerOf;
  std::function<double(double)> value = [](double) { return INFINITY; };
  int stopAt = -1;
  double clock = 0, tick = 0;
  double enclosureLow = NAN;  // the incumbent value's enclosure's low end; NaN: no such step
  int bounded = 0;
};

bool stubMidpoint(void* u, const IaBox& box, IaBox& incumbent, double* upper) {
  auto& s = *static_cast<Stub*>(u);
  const double f = s.value((box[1].lo + box[1].hi) * 0.5);
  if (f < *upper) *upper = f, incumbent = box;
  return true;
}

IaSearchSteps stubSteps(Stub& stub) {
  IaSearchSteps steps;
  steps.user = &stub;
  steps.boundBox = [](void* u, IaBox& box, IaBox& incumbent, double* upper, IaBoxBound* out) {
    auto& s = *static_cast<Stub*>(u);
    ++s.bounded;
    stubMidpoint(u, box, incumbent, upper);
    const double lower = s.lowerOf(box);
    out->alive = !std::isnan(lower) && lower <= *upper;
    out->lower = lower;
    out->split = Ia_widestComponent(static_cast<int>(box.size()) - 1, box.data());
    return true;
  };
  steps.tryMidpoint = stubMidpoint;
  if (!std::isnan(stub.enclosureLow))
    steps.incumbentEnclosureLow = [](void* u, const IaBox&, double) { return static_cast<Stub*>(u)->enclosureLow; };
  steps.reportIteration = [](void* u, int iteration, const std::vector<double>&, double) {
    return iteration == static_cast<Stub*>(u)->stopAt;
  };
  steps.clockSeconds = [](void* u) {
    auto& s = *static_cast<Stub*>(u);
    return s.clock += s.tick;
  };
  return steps;
}

struct Outcome {
  IaSearchStats stats;
  std::vector<double> x;
  double objective;
};

Outcome search(Stub& stub, IaSearchOptions options, Interval range, double x0, double f0) {
  Outcome o{{}, {0, x0}, f0};
  Ia_boxBranchAndBound(options, stubSteps(stub), IaBox{{0, 0}, range}, o.x, &o.objective, &o.stats);
  return o;
}

TEST(IaBranchBound, FindsTheGlobalMinimumOfAMultimodalFunction) {
  double best = INFINITY, where = 0;
  for (int k = 0; k <= 2000000; ++k) {
    const double x = -5 + k * 5e-6;
    if (wavy(x) < best) best = wavy(x), where = x;
  }
  for (bool maximise : {false, true}) {
    Stub stub;
    const double sign = maximise ? -1 : 1;   // the steps minimise -(-f) when maximising
    stub.value = wavy;
    stub.lowerOf = [](const IaBox& b) {
      return wavy((b[1].lo + b[1].hi) * 0.5) - kWavyLipschitz * (b[1].hi - b[1].lo) * 0.5;
    };
    IaSearchOptions options;
    options.maximise = maximise;
    options.accuracy = 1e-4;
    // Start from the poor local minimum near 3.1.
    const Outcome o = search(stub, options, {-5, 5}, 3.1, sign * wavy(3.1));
    EXPECT_EQ(o.stats.result, IaSearchGapClosed);
    EXPECT_NEAR(sign * o.objective, best, 1e-4);
    EXPECT_NEAR(o.x[1], where, 1e-2);
    EXPECT_EQ(o.stats.bisections, o.stats.iterations);
  }
}

TEST(IaBranchBound, EndsEachWayASearchCanEnd) {
  struct Case {
    const char* what;
    std::function<double(const IaBox&)> lowerOf;
    bool absoluteGapOnly;
    int stopAt;
    double tick;
    double f0;
    int result, iterations;
    double enclosureLow = NAN;
  };
  const auto dead = [](const IaBox&) { return NAN; };
  const auto flat = [](const IaBox&) { return 1000.0; };
  // 1E+13 is 0x1.2309ce54p+43: its unit in the last place is 2^-9.
  const auto large = [](const IaBox&) { return 1e13; };
  const double twoUnits = 1e13 + 0x1p-8;
  // 1000.5 less the accuracy and four units of 1000's last place (2^-43):
  // a gap past the accuracy by less than the values' rounding.
  const auto pastAccuracy = [](const IaBox&) { return 1000.499 - 0x1p-41; };
  const std::vector<Case> cases = {
      {"every box dead, no point", dead, false, -1, 0, INFINITY, IaSearchEmptyNoIncumbent, 1},
      {"every box dead after a point", dead, false, -1, 0, 5, IaSearchEmptyWithIncumbent, 1},
      {"stopped by the callback", flat, true, 3, 0, 1000.5, IaSearchStopped, 3},
      {"closed only relatively", flat, false, -1, 0, 1000.5, IaSearchWide, 1},
      // The clock reads 40, 60 (first check), 80, 100 (bound unchanged).
      {"lower bound standing still", flat, true, -1, 20, 1000.5, IaSearchNoProgress, 4},
      // The incumbent's value is known no finer than [999.99, 1000.5]: the
      // bound of 1000 is as high as any split can raise it.
      {"closed within the value's own enclosure", flat, true, -1, 20, 1000.5, IaSearchGapClosed, 1, 999.99},
      {"open past the value's own enclosure", flat, true, -1, 20, 1000.5, IaSearchNoProgress, 4, 1000.2},
      // A gap of two units of the values' last place is their rounding,
      // though wider than the absolute accuracy.
      {"closed within the values' rounding", large, true, -1, 0, twoUnits, IaSearchGapClosed, 1},
      // The rounding does not widen an accuracy wider than it.
      {"open a few units past the accuracy", pastAccuracy, true, -1, 20, 1000.5, IaSearchNoProgress, 4},
  };
  for (const Case& c : cases) {
    Stub stub;
    stub.lowerOf = c.lowerOf;
    stub.stopAt = c.stopAt;
    stub.tick = c.tick;
    stub.enclosureLow = c.enclosureLow;
    IaSearchOptions options;
    options.absoluteGapOnly = c.absoluteGapOnly;
    options.noProgressSeconds = 30;
    options.accuracy = 1e-3;
    const Outcome o = search(stub, options, {0, 1}, 0.5, c.f0);
    EXPECT_EQ(o.stats.result, c.result) << c.what;
    EXPECT_EQ(o.stats.iterations, c.iterations) << c.what;
  }
}

// A box whose ends are neighbouring doubles gives itself back when split:
// the search sets it aside after trying its midpoint instead of splitting
// it for ever, and its bound, 0.5 below the incumbent, stays the gap.
TEST(IaBranchBound, SetsAsideABoxNoSplitNarrows) {
  Stub stub;
  stub.lowerOf = [](const IaBox&) { return 1000.0; };
  IaSearchOptions options;
  options.absoluteGapOnly = true;
  options.accuracy = 1e-3;
  const Outcome o = search(stub, options, {1, std::nextafter(1.0, 2.0)}, 1, 1000.5);
  EXPECT_EQ(o.stats.result, IaSearchWide);
  EXPECT_EQ(o.stats.iterations, 1);
  EXPECT_DOUBLE_EQ(o.objective, 1000.5);

  const IaBox box{{0, 0}, {1, std::nextafter(1.0, 2.0)}, {3, 3}, {0, 1e-300}};
  EXPECT_FALSE(Ia_componentSplits(box[1]));
  EXPECT_FALSE(Ia_componentSplits(box[2]));
  EXPECT_EQ(Ia_widestSplittingComponent(3, box.data()), 3);
  EXPECT_EQ(Ia_widestSplittingComponent(2, box.data()), 0);
}

TEST(IaBoxList, KeepsBoxesByLowerBoundLaterFirstOnTies) {
  IaBoxList list;
  const IaBox a{{0, 0}, {1, 2}}, b{{0, 0}, {3, 4}}, c{{0, 0}, {5, 6}};
  Ia_pushBox(list, a, 2.0, 1);
  Ia_pushBox(list, b, 1.0, 1);
  Ia_pushBox(list, c, 1.0, 1);
  IaBox out;
  double lower = 0;
  int split = 0;
  std::vector<double> order;
  while (Ia_popBox(list, out, &lower, &split)) order.push_back(out[1].lo);
  EXPECT_EQ(order, (std::vector<double>{5, 3, 1}));

  const IaBox box{{0, 0}, {0, 1}, {0, 4}, {0, 4}}, gradient{{0, 0}, {-10, 10}, {0, 1}, {0, 2}};
  EXPECT_EQ(Ia_widestComponent(3, box.data()), 2);
  EXPECT_EQ(Ia_smearComponent(3, box.data(), gradient.data()), 1);
  EXPECT_EQ(Ia_widestComponent(1, box.data()), 1);

  // Relative to the start box: component 1 is half its range wide, 2 and 3
  // a quarter; marked inert, 1 comes after both.
  const IaBox whole{{0, 0}, {0, 2}, {0, 16}, {0, 16}};
  EXPECT_EQ(Ia_relativeWidestComponent(3, box.data(), whole.data(), {}), 1);
  EXPECT_EQ(Ia_relativeWidestComponent(3, box.data(), whole.data(), {0, 1, 0, 0}), 2);
}

// The split choice of the system search: a component narrower than the
// accuracy is never chosen, even with an unbounded slope; scores that are not
// finite go to the widest such component; nothing wide enough, no split.
TEST(IaBoxList, SplitsNoComponentNarrowerThanTheAccuracy) {
  const double acc = 1e-3;
  const Interval whole = Ivl_whole();
  const IaBox box{{0, 0}, {0, 1e-9}, {0, 1}, {0, 2}};
  const std::vector<IaBox> slopes = {{}, {{0, 0}, whole, {1, 1}, {0, 0.1}}};
  EXPECT_EQ(Ia_matrixSmearComponent(3, box.data(), slopes), 1) << "unbounded slope, no guard";
  EXPECT_EQ(Ia_splittableSmearComponent(3, box.data(), slopes, acc), 2) << "the narrow component passed over";

  const std::vector<IaBox> unbounded = {{}, {{0, 0}, whole, whole, whole}};
  EXPECT_EQ(Ia_splittableSmearComponent(3, box.data(), unbounded, acc), 3) << "all infinite: the widest";
  const IaBox pinned{{0, 0}, {0, 0}, {0, 1}, {0, 0.5}};
  EXPECT_EQ(Ia_splittableSmearComponent(3, pinned.data(), unbounded, 0.0), 2) << "0 x infinity loses to a wider one";
  const std::vector<IaBox> notANumber = {{}, {{0, 0}, whole, {NAN, NAN}, {1, 1}}};
  EXPECT_EQ(Ia_splittableSmearComponent(3, box.data(), notANumber, 0.0), 2) << "NaN: ranked as unbounded, by width";

  const IaBox narrow{{0, 0}, {0, 1e-9}, {1, 1 + 0.5 * acc}, {-2, -2}};
  EXPECT_EQ(Ia_splittableSmearComponent(3, narrow.data(), slopes, acc), 0) << "nothing left to split";
  EXPECT_TRUE(Ia_boxIsSmall(3, narrow, acc));
}

TEST(IaBoxList, RecordsOnlySolutionsApartFromThoseRecorded) {
  IaBoxList solutions;
  const double acc = 1e-3, res = 1e-2;
  struct Case {
    const char* what;
    IaBox box;
    std::size_t count;
  };
  const std::vector<Case> cases = {
      {"first", {{0, 0}, {1, 1}, {100, 100}}, 1},
      {"within acc", {{0, 0}, {1.0005, 1.0005}, {100, 100}}, 1},
      {"apart by 0.5 in the second component, 0.5% of 100", {{0, 0}, {1, 1}, {100.5, 100.5}}, 1},
      {"apart by 2% in the second component", {{0, 0}, {1, 1}, {102, 102}}, 2},
      {"apart in the first", {{0, 0}, {-1, -1}, {100, 100}}, 3},
  };
  for (const Case& c : cases) {
    Ia_recordSolution(solutions, c.box, 7.0, acc, res);
    EXPECT_EQ(solutions.nodes.size(), c.count) << c.what;
  }
  EXPECT_EQ(solutions.nodes.back().split, 0);
  EXPECT_EQ(solutions.nodes.back().lower, 7.0);
  EXPECT_EQ(solutions.nodes.back().box[1].lo, -1.0);
}

TEST(IaStatus, MapsTheSearchEndingAndTheFinalLocalRun) {
  struct Case {
    int search, local, status;
  };
  const std::vector<Case> cases = {
      {IaSearchGapClosed, StatusSolved, StatusSolved},
      {IaSearchEmptyWithIncumbent, StatusConverged, StatusSolved},
      {IaSearchEmptyNoIncumbent, StatusNoProgress, StatusSolved},
      // An empty list without any point is infeasible unless the final
      // local run finds a solution; a failed local run is no solution.
      {IaSearchEmptyNoIncumbent, StatusInfeasible, StatusInfeasible},
      {IaSearchEmptyNoIncumbent, StatusIterationLimit, StatusInfeasible},
      {IaSearchEmptyNoIncumbent, StatusEvalError, StatusInfeasible},
      {IaSearchGapClosed, StatusInfeasible, StatusInfeasible},
      {IaSearchWide, StatusSolved, IaStatusWideResult},
      {IaSearchNoProgress, StatusSolved, StatusNoProgress},
      {IaSearchEvalFailed, -1, IaStatusSearchEvalFailed},
      {IaSearchStopped, StatusSolved, StatusSolved},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Ia_finalStatus(c.search, c.local), c.status) << c.search << " " << c.local;
}

}  // namespace
