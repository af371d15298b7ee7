// The GRG engine on the shared Hock-Schittkowski workbooks: every problem that
// an independent solver reached from the same start must end solved,
// converged or without further progress at the known optimal objective.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "DataRows.h"
#include "tests/support/GrgLibraryHost.h"
#include "tests/support/GrgWorkbookHost.h"

namespace {

struct Expected {
  std::string name;
  double fStar = 0.0;
  bool reached = false;
};

std::vector<Expected> readExpected() {
  std::vector<Expected> out;
  for (const std::vector<std::string>& f : dataRows("nlp/expected.csv")) {
    if (f.size() >= 5) out.push_back({f[0], std::stod(f[3]), f[4] == "true"});
  }
  return out;
}

void PrintTo(const Expected& e, std::ostream* os) { *os << e.name; }

// Problems the engine does not yet solve to f* from x0 (status and objective
// reached in the comment); they run and are reported, but do not fail.
const std::set<std::string> kExpectedToFail = {
    "hs97",   // status 0 at 4.0712: a different local optimum (a vertex where the conditions hold)
    "hs108",  // status 0 at -0.5: a different point where the optimality conditions hold (rows 10 and 13 degenerate at x3 = x5 = 0)
};

GrgProblem solveWorkbook(const std::string& name) {
  GrgWorkbookModel model;
  GrgProblem problem;
  problem.status = -1;
  if (!GrgWb_open(model, std::string(CORVAN_DATA) + "/nlp/" + name + ".xlsx")) return problem;
  GrgRecord rec;
  if (Grg_setup(rec, GrgWb_host(model), problem)) Grg_solve(rec, problem);
  Grg_finish(rec, problem);
  return problem;
}

bool closeTo(double value, double target) {
  double tol = std::fabs(target) < 1.0 ? 1e-6 + 1e-5 * std::fabs(target) : 1e-5 * std::fabs(target);
  return std::fabs(value - target) <= tol;
}

class GrgWorkbooks : public ::testing::TestWithParam<Expected> {
 protected:
  void SetUp() override { Wb_resetApp(); }
  void TearDown() override { Wb_resetApp(); }
};

}  // namespace

TEST_P(GrgWorkbooks, ReachesTheKnownOptimum) {
  const Expected& e = GetParam();
  if (!e.reached) GTEST_SKIP() << e.name << ": no independent solver reached f* from x0";
  GrgProblem o = solveWorkbook(e.name);
  bool solved = (o.status == 0 || o.status == 1 || o.status == 2) && closeTo(o.objective, e.fStar);
  if (kExpectedToFail.count(e.name)) {
    if (!solved) GTEST_SKIP() << e.name << " expected to fail: status " << o.status << " objective " << o.objective;
    ADD_FAILURE() << e.name << " now solves: take it off the expected-to-fail list";
  }
  EXPECT_TRUE(o.status == 0 || o.status == 1 || o.status == 2) << e.name << " status " << o.status;
  EXPECT_TRUE(closeTo(o.objective, e.fStar))
      << e.name << " objective " << o.objective << " f* " << e.fStar << " status " << o.status;
}

INSTANTIATE_TEST_SUITE_P(HockSchittkowski, GrgWorkbooks, ::testing::ValuesIn(readExpected()),
                         [](const ::testing::TestParamInfo<Expected>& info) { return info.param.name; });

// Through the library's host services: GRG with the interpreter's analytic
// derivatives reaches the known optimum at least as often as GRG with
// differences on the workbook.
TEST(GrgAnalytic, ReachesTheKnownOptimaAtLeastAsOftenAsDifferences) {
  int reached[2] = {0, 0};
  for (const Expected& e : readExpected()) {
    if (!e.reached) continue;
    for (bool analysed : {false, true}) {
      const GrgProblem o = GrgLib_solve(e.name, analysed).problem;
      const bool solved = (o.status == 0 || o.status == 1 || o.status == 2) && closeTo(o.objective, e.fStar);
      reached[analysed] += solved;
      if (!solved) std::printf("%s %s: status %d objective %g\n", e.name.c_str(), analysed ? "analytic" : "differences", o.status, o.objective);
    }
  }
  std::printf("optima reached: %d by differences, %d analytically\n", reached[0], reached[1]);
  EXPECT_GT(reached[0], 0);
  EXPECT_GE(reached[1], reached[0]);
}
