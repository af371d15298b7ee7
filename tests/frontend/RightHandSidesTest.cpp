// Right-hand sides read one way on every path (the engine, the final check,
// the printed table, the interpreter's load): a number written as text, a
// defined name, a chain of names as deep as a formula follows, and arrays
// chosen by a condition on the variables or moving with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using RightHandSides = ScratchTest;

constexpr double kRefused = std::numeric_limits<double>::quiet_NaN();

// Every engine but the unseeded evolutionary one, and the LP engine over
// the interpreter's analysis.
const char* const kRuns[] = {"--engine 1", "--engine 2", "--engine 4", "--engine 5", "--engine 1 --option dia=2"};

struct Case {
  const char* what;
  std::vector<std::pair<std::string, std::string>> names;  // set on the plan
  std::vector<std::pair<std::string, std::string>> cells;  // added to the plan
  double optimum;                                          // kRefused: refused on every run
  std::vector<std::string> words;                          // on the line of Plan!B7 in the results, or in a refusal
  std::vector<std::string> refusedOn = {};                 // the runs that refuse the model
};

// The words of a run that meets an array moving with the variables where
// the interpreter computes the model.
const std::vector<std::string> kMovingArray = {
    "the right-hand side of constraint 5 (\"solver_rhs5\", arr) is an array that moves with the variable cells, "
    "which the interpreter cannot compile",
    "through the workbook"};

// The line of the printed results that starts with `start`; "" when none does.
std::string lineStarting(const std::string& out, const std::string& start) {
  for (size_t at = 0; at < out.size();) {
    const size_t end = std::min(out.find('\n', at), out.size());
    if (out.compare(at, start.size(), start) == 0) return out.substr(at, end - at);
    at = end + 1;
  }
  return "";
}

// The plan's three rows one by one, B7 <= the right-hand side under test
// (C7, 18, unless a case sets "solver_rhs1"), B5 <= C5 and B6 <= C6, and
// the bounds x, y <= 10 that the interval engine needs.
Plan rowByRow() {
  Plan plan;
  for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{{"solver_num", "4"},
                                                                                    {"solver_lhs1", "Plan!$B$7"},
                                                                                    {"solver_rel1", "1"},
                                                                                    {"solver_rhs1", "Plan!$C$7"},
                                                                                    {"solver_lhs2", "Plan!$B$5"},
                                                                                    {"solver_rel2", "1"},
                                                                                    {"solver_rhs2", "Plan!$C$5"},
                                                                                    {"solver_lhs3", "Plan!$B$6"},
                                                                                    {"solver_rel3", "1"},
                                                                                    {"solver_rhs3", "Plan!$C$6"},
                                                                                    {"solver_lhs4", "Plan!$B$2:$C$2"},
                                                                                    {"solver_rel4", "1"},
                                                                                    {"solver_rhs4", "10"}})
    plan.set(name, value);
  return plan;
}

// x, y <= `array` (held by "arr") as constraint 5: with {7, 2} the optimum
// is 22 at (4, 2).
std::vector<std::pair<std::string, std::string>> arrayRow(const std::string& array) {
  return {{"arr", array},
          {"solver_num", "5"},
          {"solver_lhs5", "Plan!$B$2:$C$2"},
          {"solver_rel5", "1"},
          {"solver_rhs5", "arr"}};
}

// "solver_rhs1" through a chain of `n` names, lim_0 to lim_<n-1>, the last
// defined as `last`.
std::vector<std::pair<std::string, std::string>> chainOf(int n, const std::string& last) {
  std::vector<std::pair<std::string, std::string>> names = {{"solver_rhs1", "lim_0"}};
  for (int k = 0; k < n; ++k)
    names.push_back({"lim_" + std::to_string(k), k + 1 < n ? "lim_" + std::to_string(k + 1) : last});
  return names;
}

}  // namespace

// Each case on every run: a solved one at its optimum, saved, its words on
// the results line of Plan!B7 ("  binding" for a binding row, which "not
// binding" does not hold); a refused one with exit status 1, its words, and
// nothing written.
TEST_F(RightHandSides, ReadOneWayOnEveryPath) {
  const Case cases[] = {
      // 3x + 2y <= 18: the plan's optimum, 36 at (2, 6).
      {"a number written as text", {{"solver_rhs1", "\"18\""}}, {}, 36, {"\"18\"", "  binding"}},
      // 3x + 2y <= 7: 17.5 at (0, 3.5).
      {"a name holding a number as text", {{"solver_rhs1", "lim"}, {"lim", "\"7\""}}, {}, 17.5, {"lim", "  binding"}},
      // 3x + 2y <= 10: 25 at (0, 5).
      {"a workbook name", {{"solver_rhs1", "lim"}, {"lim", "10"}}, {}, 25, {"lim", "  binding"}},
      {"a name on the sheet's own scope", {{"solver_rhs1", "lim"}, {"Plan!lim", "10"}}, {}, 25, {"lim", "  binding"}},
      // "solver_rhs1" and 15 names: as deep as a formula follows names.
      {"a chain of names", chainOf(15, "18"), {}, 36, {"lim_0", "  binding"}},
      // 3x + 2y <= 2y + 1: 31 at (1/3, 6).
      {"a chain of names moving with a variable", chainOf(15, "2*Plan!$C$2+1"), {}, 31, {"lim_0"}},
      {"a chain of names past what a formula follows",
       chainOf(16, "18"),
       {},
       kRefused,
       {"\"solver_rhs1\" (the right-hand side of constraint 1) gives #NAME? (lim_0), not a number: its names are "
        "nested more than 16 deep"}},
      {"an array chosen by IF on a variable",
       arrayRow("IF(Plan!$C$2>=0,{7,2},{1,1})"),
       {},
       22,
       kMovingArray,
       {"--engine 4", "--engine 5"}},
      {"an array chosen by CHOOSE on a variable",
       arrayRow("CHOOSE(1+(Plan!$C$2>=0),{1,1},{7,2})"),
       {},
       22,
       kMovingArray,
       {"--engine 4", "--engine 5"}},
      // a range computed element by element is an array the interpreter
      // follows with the variables
      {"an array moving with a variable",
       arrayRow("Plan!$E$1:$F$1*2+0*Plan!$B$2"),
       {{"E1", "3.5"}, {"F1", "1"}},
       22,
       {}},
  };
  for (const Case& c : cases) {
    Plan plan = rowByRow();
    for (const auto& [name, value] : c.names) plan.set(name, value);
    for (const auto& [at, value] : c.cells) plan.cell(at, value);
    const std::string book = plan.save(dir_ / "plan.xlsx");
    for (const char* run : kRuns) {
      SCOPED_TRACE(std::string(c.what) + ", " + run);
      const std::filesystem::path out = dir_ / "out.xlsx";
      std::filesystem::remove(out);
      CliRun r = corvan("solve " + book + " " + run + " --quiet --out " + out.string());
      const bool refused = std::isnan(c.optimum) || std::count(c.refusedOn.begin(), c.refusedOn.end(), run) > 0;
      if (refused) {
        EXPECT_EQ(r.status, 1) << r.out;
        for (const std::string& w : c.words) EXPECT_TRUE(r.has(w)) << w << "\n" << r.out;
        EXPECT_FALSE(std::filesystem::exists(out)) << r.out;
        continue;
      }
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_NEAR(Cli_objective(r.out), c.optimum, 1e-6) << r.out;
      EXPECT_TRUE(std::filesystem::exists(out)) << r.out;
      if (!c.refusedOn.empty()) continue;  // the words are those of a refusal
      const std::string b7 = lineStarting(r.out, "  Plan!B7 ");
      for (const std::string& w : c.words) EXPECT_NE(b7.find(w), std::string::npos) << w << "\n" << r.out;
    }
  }
}
