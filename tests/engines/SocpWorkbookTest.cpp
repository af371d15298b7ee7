// The SOCP barrier engine run by the library end to end on the shared cone
// programs and convex quadratic models: each reaches its reference optimum
// from optima.csv at the default tolerances and, with "solver_fea" and
// "solver_gap" 1e-9, by every search direction; the solution left in the
// cells satisfies every linear row and every cone check cell.
#include <cmath>

#include "DataRows.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

struct Reference {
  std::string name;
  double optimum;
};

void PrintTo(const Reference& r, std::ostream* os) { *os << r.name; }

std::vector<Reference> readOptima() {
  std::vector<Reference> out;
  for (const std::vector<std::string>& f : dataRows("socp/optima.csv")) {
    if (f.size() > 5) out.push_back({f[0], std::stod(f[5])});
  }
  return out;
}

class SocpWorkbooks : public EngineSolveFixture, public ::testing::WithParamInterface<Reference> {
 protected:
  std::string text(int row, int column) const {
    const Cell* cell = Wb_findCell(sheet, row, column);
    return cell && cell->value.kind == CellKind::Text ? cell->value.text : "";
  }
  // Solves with the given options; the objective cell B2 afterwards.
  double solveWith(const std::vector<std::pair<const char*, std::string>>& options, int* status) {
    EXPECT_TRUE(open("socp/" + GetParam().name + ".xlsx"));
    for (const auto& [option, value] : options) name(option, value);
    *status = solve(0);
    return valueAt("B2");
  }
  // Rows from 12 (value B, type C, lower D, upper E) and the cone check
  // cells (B) of the table below them.
  void expectFeasible(double tolerance) {
    for (int row = 11; row < 80; ++row) {
      std::string type = text(row, 2);
      double value = numberIn(sheet, row, 1);
      if (type == "E" || type == "G") {
        double lower = numberIn(sheet, row, 3);
        EXPECT_GE(value, lower - tolerance * std::max(1.0, std::fabs(lower))) << "row " << row + 1;
      }
      if (type == "E" || type == "L") {
        double upper = numberIn(sheet, row, 4);
        EXPECT_LE(value, upper + tolerance * std::max(1.0, std::fabs(upper))) << "row " << row + 1;
      }
      if (type.find("cone") != std::string::npos) {
        EXPECT_GE(value, -1e-9) << "cone row " << row + 1;
      }
    }
  }
  double allowed(double relative) const {
    return relative * std::max(1.0, std::fabs(GetParam().optimum));
  }
};

TEST_P(SocpWorkbooks, ReachesTheReferenceOptimum) {
  int status;
  double objective = solveWith({}, &status);
  ASSERT_EQ(status, StatusSolved);
  EXPECT_NEAR(objective, GetParam().optimum, allowed(1e-5));
  expectFeasible(1e-6);
}

// Analysed (action 0) the engine reads the rows through the interpreter
// and evaluates the model only at the zero point, the start point and the
// solution; not analysed (action 3) it fits each row from evaluations.
TEST_P(SocpWorkbooks, ReadsAnAnalysedModelWithoutFittingIt) {
  int status;
  double objective = solveWith({}, &status);
  ASSERT_EQ(status, StatusSolved);
  EXPECT_NEAR(objective, GetParam().optimum, allowed(1e-5));
  EXPECT_LE(context->progress.evaluationsOfRun, 3);
  ASSERT_TRUE(open("socp/" + GetParam().name + ".xlsx"));
  ASSERT_EQ(solve(3), StatusSolved);
  EXPECT_NEAR(valueAt("B2"), GetParam().optimum, allowed(1e-5));
  expectFeasible(1e-6);
  EXPECT_GT(context->progress.evaluationsOfRun, 3);
}

TEST_P(SocpWorkbooks, EveryDirectionReachesItWithTightTolerances) {
  for (int direction = 0; direction < 4; ++direction) {
    int status;
    double objective = solveWith({{"solver_fea", "1e-9"}, {"solver_gap", "1e-9"},
                                  {"solver_ipd", std::to_string(direction)}},
                                 &status);
    ASSERT_EQ(status, StatusSolved) << "direction " << direction;
    EXPECT_NEAR(objective, GetParam().optimum, allowed(1e-7)) << "direction " << direction;
    expectFeasible(1e-8);
  }
}

INSTANTIATE_TEST_SUITE_P(Shared, SocpWorkbooks, ::testing::ValuesIn(readOptima()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
