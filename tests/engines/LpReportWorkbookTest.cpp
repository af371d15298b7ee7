// The LP engine's reports end to end: the product-mix workbook solved by
// `Solve` with reports asked for ("solver_rep" 2), and the rows the front
// end's result range receives: reduced costs and cost ranging per variable,
// slack, dual value and side ranging per constraint row.
#include "contract/Bound_Infinity.h"
#include "contract/Eng_Engine.h"
#include "tests/support/SessionFixture.h"

namespace {

constexpr double inf = kBoundInfinity;

class LpReportWorkbook : public SessionLibrary {
 protected:
  // Maximise F5 over B4:E4 >= 0 with F8:F11 <= H8:H11 (wood, labour,
  // machine, table demand) and F12 >= H12 (chair minimum).
  void SetUp() override {
    SessionLibrary::SetUp();
    ASSERT_NE(open("calc/calc-model-lp.xlsx"), nullptr);
    book->activeSheet = 1;
    sheet = book->sheets[1].get();
    context->engineCount = 5;
    name("solver_eng", "2");
    name("solver_opt", "Model!$F$5");
    name("solver_typ", "1");
    name("solver_adj", "Model!$B$4:$E$4");
    name("solver_neg", "1");
    name("solver_num", "2");
    name("solver_lhs1", "Model!$F$8:$F$11");
    name("solver_rel1", "1");
    name("solver_rhs1", "Model!$H$8:$H$11");
    name("solver_lhs2", "Model!$F$12");
    name("solver_rel2", "3");
    name("solver_rhs2", "Model!$H$12");
    for (const char* a1 : {"B4", "C4", "D4", "E4"}) number(a1, 0);
  }
  // The model's names belong to the active sheet, Model.
  void name(const std::string& text, const std::string& definition) {
    Wb_defineName(book, DefinedName{text, definition, 1, true});
  }
  void expectRow(int row, int first, const std::vector<double>& want) const {
    for (std::size_t k = 0; k < want.size(); ++k)
      EXPECT_NEAR(tableAt(row, first + static_cast<int>(k)), want[k],
                  1e-9 * std::max(1.0, std::fabs(want[k])))
          << "row " << row << " column " << first + k;
  }
};

}  // namespace

TEST_F(LpReportWorkbook, SensitivityRowsOfTheProductMix) {
  name("solver_rep", "2");
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("F5"), 2237.5, 1e-9);
  // Four variable rows, five constraint rows, no bound rows; 11 columns
  // with a sensitivity record, report set 3, code 1.
  expectRow(0, 0, {4, 5, 0, 0, 11, 9, 3, 1});
  // Variables: reduced cost, profit, allowable increase and decrease.
  expectRow(1, 6, {0, 45, 25.0 / 9, 15});
  expectRow(2, 6, {0, 80, 6.25, 12.5});
  expectRow(3, 6, {0, 60, 30, 2});
  expectRow(4, 6, {-14.25, 28, 14.25, inf});
  // Rows: slack, dual value, side, allowable increase and decrease.
  expectRow(5, 5, {0, 1, 400, 275.0 / 6, 100});
  expectRow(6, 5, {0, 3.75, 450, 150, 22});
  expectRow(7, 5, {0, 1.25, 120, 110.0 / 9, 30});
  expectRow(8, 5, {7, 0, 15, inf, 7});
  expectRow(9, 5, {5.5, 0, 5, 5.5, inf});
}

TEST_F(LpReportWorkbook, WithoutReportsOnlyTheSizeIsWritten) {
  name("solver_rep", "0");
  EXPECT_EQ(solve(0), StatusSolved);
  expectRow(0, 0, {4, 5, 4, 0});
  EXPECT_TRUE(std::isnan(tableAt(1, 6)));
}

TEST_F(LpReportWorkbook, MaximisedIntegerPlanIsTheEnumeratedOptimum) {
  // Whole units of every product: enumeration gives 2230 at (10, 8, 19, 0);
  // the relaxation's 2237.5 must not be taken for it.
  name("solver_num", "3");
  name("solver_lhs3", "Model!$B$4:$E$4");
  name("solver_rel3", "4");
  name("solver_rhs3", "integer");
  EXPECT_EQ(solve(0), StatusSolved);
  const double want[] = {10, 8, 19, 0};
  const char* cells[] = {"B4", "C4", "D4", "E4"};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(valueAt(cells[k]), want[k], 1e-9) << cells[k];
  EXPECT_NEAR(valueAt("F5"), 2230, 1e-9);
}
