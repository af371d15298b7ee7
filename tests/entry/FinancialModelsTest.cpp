// Financial models solved by the library through the interpreter ("solver_dia"
// 3: the model is analysed and diagnosed, and the engines evaluate it with
// the interpreter's financial functions): a capital budget that chooses
// projects to maximise the net present value under a budget, and a loan
// whose payment is the least that repays it. The stand-in spreadsheet
// calculates NPV and FV with the library's functions, which the front end
// registers as it does at start-up.
#include <cmath>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

class FinancialModels : public EngineSolveFixture {
 protected:
  void SetUp() override {
    EngineSolveFixture::SetUp();
    Fe_registerFunctions();
  }
};

constexpr double kRate = 0.1;
constexpr double kBudget = 180;
// Five projects: the outlay now, then the flows of years 1 to 4.
const std::vector<std::vector<double>> kProjects = {
    {100, 40, 40, 40, 40}, {80, 30, 30, 30, 30}, {60, 0, 30, 30, 30}, {50, 20, 20, 20, 20}, {40, 25, 15, 10, 5}};

// The best net present value within the budget, by trying every choice.
double bestPortfolio() {
  double best = 0;
  for (unsigned choice = 0; choice < 32; ++choice) {
    double outlay = 0, value = 0;
    for (size_t p = 0; p < kProjects.size(); ++p) {
      if (!(choice & (1u << p))) continue;
      outlay += kProjects[p][0];
      value -= kProjects[p][0];
      for (int year = 1; year <= 4; ++year) value += kProjects[p][year] / std::pow(1 + kRate, year);
    }
    if (outlay <= kBudget) best = std::max(best, value);
  }
  return best;
}

// Projects in columns B to F: the choice in row 1, the outlay in row 3, the
// flows of years 1 to 4 in rows 4 to 7; their totals for the choice in
// column H; the net present value in H9.
TEST_F(FinancialModels, ACapitalBudgetChoosesTheProjectsOfTheLargestNetPresentValue) {
  newModel();
  const std::string columns = "BCDEF";
  for (size_t p = 0; p < kProjects.size(); ++p) {
    const std::string c = columns.substr(p, 1);
    number((c + "1").c_str(), 0);
    for (int row = 3; row <= 7; ++row) number((c + std::to_string(row)).c_str(), kProjects[p][row - 3]);
  }
  for (int row = 3; row <= 7; ++row)
    formula(("H" + std::to_string(row)).c_str(),
            "=SUMPRODUCT($B$1:$F$1,B" + std::to_string(row) + ":F" + std::to_string(row) + ")");
  number("B10", kRate);
  number("B11", kBudget);
  formula("H9", "=NPV(B10,H4:H7)-H3");
  names({{"solver_adj", "Model!$B$1:$F$1"},
         {"solver_opt", "Model!$H$9"},
         {"solver_typ", "1"},
         {"solver_eng", "2"},
         {"solver_num", "2"},
         {"solver_dia", "3"}});
  row(1, "Model!$H$3", 1, "Model!$B$11");
  row(2, "Model!$B$1:$F$1", 5, "binary");
  ASSERT_TRUE(normalEnd(solve(0)));
  EXPECT_TRUE(context->diagnosed);
  EXPECT_NEAR(valueAt("H9"), bestPortfolio(), 1e-9);
  // Projects 1 and 2 spend the budget; the better value for money of
  // projects 1 and 4 leaves too little for a third.
  const std::vector<double> chosen = {1, 1, 0, 0, 0};
  for (size_t p = 0; p < chosen.size(); ++p) EXPECT_EQ(valueAt((columns.substr(p, 1) + "1").c_str()), chosen[p]) << p;
}

// A loan of 10000 over 12 months at 1% a month: the least payment that
// leaves no balance is 10000 * 0.01 / (1 - 1.01^-12).
TEST_F(FinancialModels, ALoanIsRepaidByTheLeastPaymentThatLeavesNoBalance) {
  newModel();
  number("A1", 0);
  number("B4", 10000);
  number("B5", 0.01);
  number("B6", 12);
  formula("B7", "=FV(B5,B6,-A1,B4)");
  formula("C1", "=A1");
  names({{"solver_adj", "Model!$A$1"},
         {"solver_opt", "Model!$C$1"},
         {"solver_typ", "2"},
         {"solver_eng", "1"},
         {"solver_num", "1"},
         {"solver_dia", "3"}});
  row(1, "Model!$B$7", 3, 0.0);
  ASSERT_TRUE(normalEnd(solve(0)));
  EXPECT_TRUE(context->diagnosed);
  const double payment = 10000 * 0.01 / (1 - std::pow(1.01, -12));
  EXPECT_NEAR(valueAt("A1"), payment, 1e-6 * payment);
  EXPECT_NEAR(valueAt("B7"), 0, 1e-5);
}

}  // namespace
