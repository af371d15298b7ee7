// The interval global engine (`--engine 4`) run by `corvan solve` on small
// models whose answers are worked out here: minima on the edge of a
// function's domain, objectives that fall without end inside the box,
// systems started outside a function's domain, variables without finite
// bounds, and integer models checked against enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using IntervalEngine = ScratchTest;

using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr double kNoValue = -999;
// How near the engine's answers come at its default accuracy ("solver_acc").
constexpr double kAccuracy = 1e-3;

// The objective value printed after "= " on the objective line.
double objectiveOf(const CliRun& r) {
  size_t at = r.out.find("objective (");
  if (at == std::string::npos) return kNoValue;
  at = r.out.find("= ", at);
  return at == std::string::npos ? kNoValue : std::strtod(r.out.c_str() + at + 2, nullptr);
}

// A model on sheet Plan: variables from B2 along row 2, objective B9 (none
// when `objective` is empty), one constraint per entry of `rows` as
// (left-hand cell, relation, right-hand side).
struct Rows {
  std::string lhs, relation, rhs;
};

Plan model(const std::string& variables, const std::string& objective, const std::string& sense,
           const std::vector<Rows>& rows, const Pairs& cells) {
  Plan p;
  p.names = {{"solver_adj", "Plan!" + variables},
             {"solver_num", std::to_string(rows.size())},
             {"solver_neg", "0"},
             {"solver_eng", "4"}};
  if (!objective.empty()) {
    p.names.push_back({"solver_opt", "Plan!$B$9"});
    p.names.push_back({"solver_typ", sense});
    p.cells = {{"B9", objective}};
  } else {
    p.cells.clear();
  }
  for (size_t k = 0; k < rows.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    p.names.push_back({"solver_lhs" + n, "Plan!" + rows[k].lhs});
    p.names.push_back({"solver_rel" + n, rows[k].relation});
    p.names.push_back({"solver_rhs" + n, rows[k].rhs});
  }
  for (const auto& c : cells) p.cells.push_back(c);
  p.objectiveFormat = "0.000000";
  return p;
}

// Bounds lo <= cell <= hi as two constraints.
std::vector<Rows> box(const std::string& cell, const std::string& lo, const std::string& hi) {
  return {{cell, "3", lo}, {cell, "1", hi}};
}

std::vector<Rows> join(std::vector<Rows> a, const std::vector<Rows>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* what;
  Plan plan;
  int exit;            // the command's exit status
  const char* status;  // on the status line
  double objective;    // kNoValue: not checked
  const char* says = "";
  const char* never = "";
};

// The objective as the saved workbook shows it.
double savedCell(const std::string& path, int row, int col) {
  std::string error;
  Workbook* wb = Xlsx_open(path, &error);
  if (!wb) return kNoValue;
  Calc_recalculate(wb);
  const Cell* c = Wb_findCell(wb->sheets[0].get(), row, col);
  const double v = c && c->value.kind == CellKind::Number ? c->value.number : kNoValue;
  Wb_closeWorkbook(wb);
  return v;
}

// Minimise 1/x + (y - 3)^2 with x >= 1 and no upper bound, y in [0, 10],
// from x = 0, where the objective has no value.
Plan unboundedVariable() {
  return model("$B$2:$C$2", "=1/B2+(C2-3)^2", "2", join({{"$B$2", "3", "1"}}, box("$C$2", "0", "10")), {});
}

// Minimise -1.75a - 5.5b - 0.5c + 2.5d over a box a thousandth wide, with
// the equality 2a + 2c - 2.5d = 0.0065 and three inequalities: -0.02675 at
// (0.004, 0.004, 0.0005, 0.001), where every inequality binds (by hand). A
// box narrower than the accuracy still misses the equality by far more than
// the precision.
Plan smallScale() {
  std::vector<Rows> rows = join(join(box("$B$2", "0", "0.005"), box("$C$2", "0.004", "0.007")),
                                join(box("$D$2", "-0.0025", "0.0005"), box("$E$2", "-0.003", "0.001")));
  rows.push_back({"$B$4", "2", "0.0065"});
  rows.push_back({"$B$5", "3", "-0.0075"});
  rows.push_back({"$B$6", "1", "0.00325"});
  rows.push_back({"$B$7", "1", "0.0135"});
  return model("$B$2:$E$2", "=-1.75*B2-5.5*C2-0.5*D2+2.5*E2", "2", rows,
               {{"B2", "0.006"},
                {"C2", "0.007"},
                {"D2", "0"},
                {"E2", "0.004"},
                {"B4", "=2*B2+2*D2-2.5*E2"},
                {"B5", "=0.5*B2-3*C2+3*D2+E2"},
                {"B6", "=-1.5*B2+1.5*C2+0.5*D2+3*E2"},
                {"B7", "=B2+2*C2-2*D2+2.5*E2"}});
}

Plan withNames(Plan p, const Pairs& names) {
  for (const auto& [name, value] : names) p.set(name, value);
  return p;
}

TEST_F(IntervalEngine, EdgesOfDomainsPolesAndStartsOutsideADomain) {
  const Case cases[] = {
      {"SQRT with its minimum at the edge of its domain",
       model("$B$2", "=SQRT(B2)", "2", box("$B$2", "-1", "4"), {{"B2", "2"}}), 0, "status 0:", 0},
      {"a half power with its minimum at the edge of its domain",
       model("$B$2", "=B2^0.5", "2", box("$B$2", "-1", "4"), {{"B2", "2"}}), 0, "status 0:", 0},
      {"SQRT and a square",
       model("$B$2:$C$2", "=SQRT(B2)+C2^2", "2", join(box("$B$2", "-1", "4"), box("$C$2", "-1", "2")),
             {{"B2", "2"}, {"C2", "1"}}),
       0, "status 0:", 0},
      {"a slope ending at the edge of ASIN's domain",
       model("$B$2", "=-B2+ASIN(B2)*0", "2", box("$B$2", "-3", "3"), {{"B2", "-2"}}), 0, "status 0:", -1},
      {"a slope ending at the edge of SQRT's domain",
       model("$B$2", "=-B2+SQRT(4-B2)", "2", box("$B$2", "0", "10"), {{"B2", "1"}}), 0, "status 0:", -4},
      {"TAN with a pole inside the box", model("$B$2", "=TAN(B2)", "2", box("$B$2", "0", "3"), {{"B2", "1"}}), 1,
       "status 4:", kNoValue},
      {"1/x with a pole inside the box", model("$B$2", "=1/B2", "2", box("$B$2", "-1", "5"), {{"B2", "2"}}), 1,
       "status 4:", kNoValue},
      {"LN falling without end towards 0 inside the box",
       model("$B$2", "=LN(B2)", "2", box("$B$2", "-1", "5"), {{"B2", "2"}}), 1, "status 4:", kNoValue},
      {"LOG10 falling without end towards 0 inside the box",
       model("$B$2", "=LOG10(B2)", "2", box("$B$2", "-1", "5"), {{"B2", "2"}}), 1, "status 4:", kNoValue},
      {"LOG to base 2 falling without end towards 0 inside the box",
       model("$B$2", "=LOG(B2,2)", "2", box("$B$2", "-1", "5"), {{"B2", "2"}}), 1, "status 4:", kNoValue},
      {"LN and a square falling without end towards 0",
       model("$B$2:$C$2", "=LN(B2)+C2^2", "2", join(box("$B$2", "-1", "5"), box("$C$2", "-1", "2")),
             {{"B2", "2"}, {"C2", "1"}}),
       1, "status 4:", kNoValue},
      {"LN with its minimum at the lower bound, away from 0",
       model("$B$2", "=LN(B2)", "2", box("$B$2", "0.5", "5"), {{"B2", "2"}}), 0, "status 0:", std::log(0.5)},
      {"a negative half power rising without end towards 0 inside the box",
       model("$B$2", "=B2^-0.5", "1", box("$B$2", "-1", "4"), {{"B2", "2"}}), 1, "status 4:", kNoValue},
      {"POWER to -0.75 rising without end towards 0 inside the box",
       model("$B$2", "=POWER(B2,-0.75)", "1", box("$B$2", "-1", "4"), {{"B2", "0.5"}}), 1, "status 4:", kNoValue},
      {"a power with a negative variable exponent rising without end towards 0",
       model("$B$2:$C$2", "=B2^C2", "1", join(box("$B$2", "-1", "4"), box("$C$2", "-1.5", "-0.5")),
             {{"B2", "2"}, {"C2", "-1"}}),
       1, "status 4:", kNoValue},
      {"a negative half power rising towards 0, bounded by affine forms",
       withNames(model("$B$2", "=B2^-0.5", "1", box("$B$2", "-1", "4"), {{"B2", "2"}}),
                 {{"solver_met", "2"}, {"solver_lpt", "1"}, {"solver_lpp", "1"}}),
       1, "status 4:", kNoValue},
      {"a negative half power with its maximum at the lower bound, away from 0",
       model("$B$2", "=B2^-0.5", "1", box("$B$2", "0.25", "4"), {{"B2", "2"}}), 0, "status 0:", 2},
      {"a negative half power bounded by affine forms, away from 0",
       withNames(model("$B$2", "=B2^-0.5", "1", box("$B$2", "0.25", "4"), {{"B2", "2"}}),
                 {{"solver_met", "2"}, {"solver_lpt", "1"}, {"solver_lpp", "1"}}),
       0, "status 0:", 2},
      {"a linear model a thousandth wide with an equality", smallScale(), 0, "status 0:", -0.02675},
      {"SQRT = 0.5 started outside its domain",
       model("$B$2", "", "", join(box("$B$2", "-1", "1"), {{"$B$3", "2", "0.5"}}),
             {{"B2", "-0.5"}, {"B3", "=SQRT(B2)"}}),
       0, "status 0:", kNoValue, "", "start values"},
      {"ASIN = 0.5 started outside its domain",
       model("$B$2", "", "", join(box("$B$2", "-1", "1"), {{"$B$3", "2", "0.5"}}),
             {{"B2", "-0.75"}, {"B3", "=ASIN(2*B2)"}}),
       0, "status 0:", kNoValue, "", "start values"},
      {"LN = -0.5 started outside its domain",
       model("$B$2", "", "", join(box("$B$2", "-1", "1"), {{"$B$3", "2", "-0.5"}}),
             {{"B2", "-0.5"}, {"B3", "=LN(B2)"}}),
       0, "status 0:", kNoValue, "", "start values"},
      {"a cube equal to a large number",
       model("$B$2", "=B2", "1", join(box("$B$2", "0", "400"), {{"$B$4", "2", "27000000"}}), {{"B4", "=B2^3"}}), 0,
       "status 0:", 300},
      {"a variable without an upper bound", unboundedVariable(), 1, "status 18:", kNoValue,
       "the engine \"Standard Interval Global\" needs a finite lower and upper bound on every variable cell, and 1 "
       "has none: Plan!B2 (no upper bound)",
       "#DIV/0!"},
      {"a variable without an upper bound in a multistart search",
       withNames(unboundedVariable(), {{"solver_eng", "1"}, {"solver_msl", "1"}, {"solver_rbv", "1"}}), 1,
       "status 18:", kNoValue,
       "the multistart search (\"solver_msl\") of the engine \"Standard GRG Nonlinear\" needs a finite lower and "
       "upper bound on every variable cell, and 1 has none: Plan!B2 (no upper bound)",
       "#DIV/0!"},
  };
  // The variable's value each run must end at (NaN: not checked).
  const double at[] = {0,
                       0,
                       0,
                       1,
                       4,
                       NAN,
                       NAN,
                       NAN,
                       NAN,
                       NAN,
                       NAN,
                       0.5,
                       NAN,
                       NAN,
                       NAN,
                       NAN,
                       0.25,
                       0.25,
                       0.004,
                       0.25,
                       std::sin(0.5) / 2,
                       std::exp(-0.5),
                       300,
                       NAN,
                       NAN};
  static_assert(std::size(at) == std::size(cases));
  int k = 0;
  for (const Case& c : cases) {
    const std::string file = c.plan.save(dir_ / ("edge" + std::to_string(k) + ".xlsx"));
    const std::string out = (dir_ / ("edge" + std::to_string(k) + "-solved.xlsx")).string();
    const CliRun r = corvan("solve " + file + " --quiet --out " + out);
    EXPECT_EQ(r.status, c.exit) << c.what << "\n" << r.out;
    EXPECT_TRUE(r.has(c.status)) << c.what << "\n" << r.out;
    EXPECT_TRUE(!*c.says || r.has(c.says)) << c.what << "\n" << r.out;
    EXPECT_TRUE(!*c.never || !r.has(c.never)) << c.what << "\n" << r.out;
    const double objective = c.objective == kNoValue ? kNoValue : objectiveOf(r);
    EXPECT_NEAR(objective, c.objective, kAccuracy) << c.what << "\n" << r.out;
    const double value = std::isnan(at[k]) || r.status != 0 ? at[k] : savedCell(out, 1, 1);
    EXPECT_TRUE(std::isnan(at[k]) || std::fabs(value - at[k]) <= kAccuracy) << c.what << ": " << value;
    ++k;
  }
}

}  // namespace

namespace {

// Maximise 5x + 4y + 3w with x + y + w = 6.5, 2x + 3y <= 12, 3x + y <=
// 11.5, x, y integers in [0, 5], w in [0, 10]: x, y in B2:C2, w in D2. The
// relaxation's optimum has x and y fractional.
constexpr double kMixedSum = 6.5;

double bestMixed() {
  double best = -1;
  for (int x = 0; x <= 5; ++x)
    for (int y = 0; y <= 5; ++y) {
      const double w = kMixedSum - x - y;
      if (w >= 0 && w <= 10 && 2 * x + 3 * y <= 12 && 3 * x + y <= 11.5) best = std::max(best, 5.0 * x + 4 * y + 3 * w);
    }
  return best;
}

Plan mixed() {
  return model(
      "$B$2:$D$2", "=5*B2+4*C2+3*D2", "1",
      join(join(box("$B$2:$C$2", "0", "5"), box("$D$2", "0", "10")),
           {{"$B$4", "2", "6.5"}, {"$B$5", "1", "12"}, {"$B$6", "1", "11.5"}, {"$B$2:$C$2", "4", "integer"}}),
      {{"B2", "0"}, {"C2", "0"}, {"D2", "0"}, {"B4", "=SUM(B2:D2)"}, {"B5", "=2*B2+3*C2"}, {"B6", "=3*B2+C2"}});
}

// Maximise 2x + 3y with x + 2y <= 7.5, 3x + y <= 10.5, x, y integers in
// [0, 5] (B2:C2); the relaxation's optimum (2.7, 2.4) is fractional.
double bestPair() {
  double best = -1;
  for (int x = 0; x <= 5; ++x)
    for (int y = 0; y <= 5; ++y)
      if (x + 2 * y <= 7.5 && 3 * x + y <= 10.5) best = std::max(best, 2.0 * x + 3 * y);
  return best;
}

Plan pair() {
  return model(
      "$B$2:$C$2", "=2*B2+3*C2", "1",
      join(box("$B$2:$C$2", "0", "5"), {{"$B$4", "1", "7.5"}, {"$B$5", "1", "10.5"}, {"$B$2:$C$2", "4", "integer"}}),
      {{"B2", "0"}, {"C2", "0"}, {"B4", "=B2+2*C2"}, {"B5", "=3*B2+C2"}});
}

// Minimise (x - 2.4)^2 + (y - 1.3)^2 over integers x, y in [0, 5] (B2:C2):
// the relaxation's optimum lies inside the box, off every integer point.
constexpr double kCentreX = 2.4, kCentreY = 1.3;

double bestNearCentre() {
  double best = INFINITY;
  for (int x = 0; x <= 5; ++x)
    for (int y = 0; y <= 5; ++y)
      best = std::min(best, (x - kCentreX) * (x - kCentreX) + (y - kCentreY) * (y - kCentreY));
  return best;
}

Plan nearCentre() {
  return model("$B$2:$C$2", "=(B2-2.4)^2+(C2-1.3)^2", "2",
               join(box("$B$2:$C$2", "0", "5"), {{"$B$2:$C$2", "4", "integer"}}), {{"B2", "0"}, {"C2", "0"}});
}

// Minimise n + w with the row n = 1500, n an integer in [0, 2000], w in
// [0, 3] (B2:C2), from n = 1: 1500 at w = 0.
Plan fixedByEquality() {
  return model(
      "$B$2:$C$2", "=B2+C2", "2",
      join(join(box("$B$2", "0", "2000"), box("$C$2", "0", "3")), {{"$B$4", "2", "1500"}, {"$B$2", "4", "integer"}}),
      {{"B2", "1"}, {"C2", "0"}, {"B4", "=B2"}});
}

// Maximise 3n with the row 1000n = 4000, n an integer in [2, 7] (B2), from
// 5.75: 12 at n = 4.
Plan scaledEquality() {
  return model("$B$2", "=3*B2", "1", join(box("$B$2", "2", "7"), {{"$B$4", "2", "4000"}, {"$B$2", "4", "integer"}}),
               {{"B2", "5.75"}, {"B4", "=1000*B2"}});
}

// Minimise 0.4a - 0.5b - d with a in 0..6 and c in 0..4 integers, b and d
// binary (B2:E2); rows 0.0015a + 0.0015b - 0.0025d >= 0.001,
// -0.2a + 0.25b + 0.25d = -0.1, -0.2a + 0.15c + 0.3d = 0.15. By
// enumeration: -0.3 at (3, 1, 3, 1).
double bestPlanted() {
  double best = INFINITY;
  for (int a = 0; a <= 6; ++a)
    for (int b = 0; b <= 1; ++b)
      for (int c = 0; c <= 4; ++c)
        for (int d = 0; d <= 1; ++d) {
          const bool holds = 0.0015 * a + 0.0015 * b - 0.0025 * d >= 0.001 - 1e-12 &&
                             std::fabs(-0.2 * a + 0.25 * b + 0.25 * d + 0.1) < 1e-9 &&
                             std::fabs(-0.2 * a + 0.15 * c + 0.3 * d - 0.15) < 1e-9;
          if (holds) best = std::min(best, 0.4 * a - 0.5 * b - d);
        }
  return best;
}

Plan planted() {
  return model("$B$2:$E$2", "=0.4*B2-0.5*C2-E2", "2",
               join(join(box("$B$2", "0", "6"), box("$D$2", "0", "4")), {{"$B$4", "3", "0.001"},
                                                                         {"$B$5", "2", "-0.1"},
                                                                         {"$B$6", "2", "0.15"},
                                                                         {"$B$2", "4", "integer"},
                                                                         {"$D$2", "4", "integer"},
                                                                         {"$C$2", "5", "binary"},
                                                                         {"$E$2", "5", "binary"}}),
               {{"B2", "0"},
                {"C2", "0.75"},
                {"D2", "1"},
                {"E2", "0"},
                {"B4", "=0.0015*B2+0.0015*C2-0.0025*E2"},
                {"B5", "=-0.2*B2+0.25*C2+0.25*E2"},
                {"B6", "=-0.2*B2+0.15*D2+0.3*E2"}});
}

// Choose one of three options in each of four rows (binaries B2:D5, each
// row's sum in E2:E5 = 1) within a weight of 60 (B7), for the most value
// (B9): weights in G2:I5, values in K2:M5.
constexpr int kChoiceRows = 4, kChoices = 3;
constexpr double kWeights[kChoiceRows][kChoices] = {{10, 20, 30}, {10, 20, 30}, {5, 15, 25}, {5, 10, 20}};
constexpr double kValues[kChoiceRows][kChoices] = {{50, 95, 120}, {40, 80, 115}, {45, 70, 95}, {30, 60, 85}};
constexpr double kCapacity = 60;

// The best value over the 3^4 choices.
double bestChoice() {
  double best = -1;
  for (int code = 0; code < kChoices * kChoices * kChoices * kChoices; ++code) {
    double weight = 0, value = 0;
    for (int r = 0, rest = code; r < kChoiceRows; ++r, rest /= kChoices) {
      weight += kWeights[r][rest % kChoices];
      value += kValues[r][rest % kChoices];
    }
    if (weight <= kCapacity) best = std::max(best, value);
  }
  return best;
}

Plan chooseOne() {
  Pairs cells = {{"B7", "=SUMPRODUCT(B2:D5,G2:I5)"}};
  std::vector<Rows> rows = {{"$B$7", "1", "60"}, {"$B$2:$D$5", "5", "binary"}};
  for (int r = 0; r < kChoiceRows; ++r) {
    const std::string row = std::to_string(r + 2);
    cells.push_back({"E" + row, "=SUM(B" + row + ":D" + row + ")"});
    rows.push_back({"$E$" + row, "2", "1"});
    for (int c = 0; c < kChoices; ++c) {
      cells.push_back({std::string(1, static_cast<char>('B' + c)) + row, "0"});
      cells.push_back({std::string(1, static_cast<char>('G' + c)) + row, std::to_string(kWeights[r][c])});
      cells.push_back({std::string(1, static_cast<char>('K' + c)) + row, std::to_string(kValues[r][c])});
    }
  }
  return model("$B$2:$D$5", "=SUMPRODUCT(B2:D5,K2:M5)", "1", rows, cells);
}

// Maximise 5a + 3b + 4c with 0.1a + 0.2b + 0.3c = 1.1 and a + b + c <= 6,
// a, b, c integers in [0, 6] (B2:D2). The equality holds at the whole
// points only within rounding.
double bestTenths() {
  double best = -1;
  for (int a = 0; a <= 6; ++a)
    for (int b = 0; b <= 6; ++b)
      for (int c = 0; c <= 6; ++c)
        if (std::fabs(0.1 * a + 0.2 * b + 0.3 * c - 1.1) < 1e-9 && a + b + c <= 6)
          best = std::max(best, 5.0 * a + 3 * b + 4 * c);
  return best;
}

Plan tenths() {
  return model(
      "$B$2:$D$2", "=5*B2+3*C2+4*D2", "1",
      join(box("$B$2:$D$2", "0", "6"), {{"$B$4", "2", "1.1"}, {"$B$5", "1", "6"}, {"$B$2:$D$2", "4", "integer"}}),
      {{"B2", "0"}, {"C2", "0"}, {"D2", "0"}, {"B4", "=0.1*B2+0.2*C2+0.3*D2"}, {"B5", "=SUM(B2:D2)"}});
}

// Maximise 4u + 3v + 2.2n + w with u + v + n + w = 4.5 and 3u + 2v + n <= 5:
// u, v binary (B2:C2), n an integer in [0, 4] (D2), w in [0, 3] (E2).
double bestBinariesAndSlack() {
  double best = -1;
  for (int u = 0; u <= 1; ++u)
    for (int v = 0; v <= 1; ++v)
      for (int n = 0; n <= 4; ++n) {
        const double w = 4.5 - u - v - n;
        if (w >= 0 && w <= 3 && 3 * u + 2 * v + n <= 5) best = std::max(best, 4.0 * u + 3 * v + 2.2 * n + w);
      }
  return best;
}

Plan binariesAndSlack() {
  return model("$B$2:$E$2", "=4*B2+3*C2+2.2*D2+E2", "1",
               join(join(box("$D$2", "0", "4"), box("$E$2", "0", "3")),
                    {{"$B$4", "2", "4.5"}, {"$B$5", "1", "5"}, {"$B$2:$C$2", "5", "binary"}, {"$D$2", "4", "integer"}}),
               {{"B2", "0"}, {"C2", "0"}, {"D2", "0"}, {"E2", "0"}, {"B4", "=SUM(B2:E2)"}, {"B5", "=3*B2+2*C2+D2"}});
}

// The same stopped at its first iteration, before any integer point: the
// local solver's point, whose integer cells are not whole, is no solution
// and nothing is saved.
TEST_F(IntervalEngine, AnIntegerSearchStoppedBeforeItsFirstIntegerPointSavesNothing) {
  const std::string file = planted().save(dir_ / "stopped.xlsx");
  const std::string out = (dir_ / "stopped-solved.xlsx").string();
  const CliRun r = corvan("solve " + file + " --option itr=1 --quiet --out " + out);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(r.has("status 3:")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out)) << r.out;
}

struct IntegerCase {
  const char* what;
  Plan plan;
  const char* options;
  double optimum;
  int firstRow, lastRow, firstCol, lastCol;  // the integer cells (0-based)
};

TEST_F(IntervalEngine, IntegerModelsReachTheEnumeratedOptimumWithWholeCells) {
  // The equality's subproblems take the search more boxes than the default
  // iteration limit allows in all.
  const IntegerCase cases[] = {
      {"integers and a continuous variable in an equality", mixed(), " --option itr=20000", bestMixed(), 1, 1, 1, 2},
      {"two integers under two inequalities", pair(), "", bestPair(), 1, 1, 1, 2},
      {"integers nearest an interior minimum", nearCentre(), "", bestNearCentre(), 1, 1, 1, 2},
      {"an integer fixed by an equality", fixedByEquality(), "", 1500, 1, 1, 1, 1},
      {"an integer in a scaled equality", scaledEquality(), "", 12, 1, 1, 1, 1},
      {"integers and binaries in two equalities", planted(), " --option itr=20000", bestPlanted(), 1, 1, 1, 4},
      {"binaries choosing one option per row under a weight", chooseOne(), "", bestChoice(), 1, 4, 1, 3},
      {"integers in an equality that holds within rounding", tenths(), "", bestTenths(), 1, 1, 1, 3},
      {"binaries, an integer and a slack in an equality", binariesAndSlack(), "", bestBinariesAndSlack(), 1, 1, 1, 3}};
  int k = 0;
  for (const IntegerCase& c : cases) {
    const std::string file = c.plan.save(dir_ / ("integer" + std::to_string(k) + ".xlsx"));
    const std::string out = (dir_ / ("integer" + std::to_string(k) + "-solved.xlsx")).string();
    ++k;
    const CliRun r = corvan("solve " + file + c.options + " --quiet --out " + out);
    EXPECT_EQ(r.status, 0) << c.what << "\n" << r.out;
    EXPECT_TRUE(r.has("status 0:") || r.has("status 1:")) << c.what << "\n" << r.out;
    EXPECT_NEAR(objectiveOf(r), c.optimum, 1e-6) << c.what << "\n" << r.out;
    for (int row = c.firstRow; row <= c.lastRow; ++row)
      for (int col = c.firstCol; col <= c.lastCol; ++col) {
        const double v = savedCell(out, row, col);
        EXPECT_EQ(v, std::round(v)) << c.what << " " << Wb_a1(row, col);
      }
  }
}

}  // namespace
