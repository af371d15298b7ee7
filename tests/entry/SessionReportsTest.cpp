// Results in the front end's range: the size and limit statistics of Solve
// actions 9 and 10, the report rows of a solution (variables, constraint
// rows, bound rows, 11 columns each) and an engine's table of texts, for
// hs21: min 0.01 x1^2 + x2^2 - 100 with 10 x1 - x2 >= 10 (row 1),
// x >= (2, -50) (row 2) and x <= (50, 50) (row 3).
#include <tuple>

#include "entry/Sess_Results.h"
#include "platform/calc/Calc.h"
#include "tests/support/SessionFixture.h"

namespace {

using ReportsFn = int (*)(LibraryContext*, int, int, const ReportSummary*,
                          const SensitivityRecord*);
using TableFn = int (*)(LibraryContext*, int, int, int, int, const char* const*);

}  // namespace

class SessionReports : public SessionLibrary {
 protected:
  void SetUp() override {
    SessionLibrary::SetUp();
    ASSERT_NE(open("nlp/hs21.xlsx"), nullptr);
  }
  // A cell of the result range as it shows.
  std::string shownAt(int row, int column) const {
    const Cell* cell = Wb_findCell(addIn->sheets[0].get(), row, column);
    return cell ? Calc_displayText(cell->value, "") : "";
  }
  std::vector<double> statistics(int row) const {
    std::vector<double> out;
    for (int k = 0; k < 8; ++k) out.push_back(tableAt(row, k));
    return out;
  }

  // x = (2, 0): row 1 at 20 (slack 10), x1 on its lower bound.
  const double lower[2] = {2, -50}, values[2] = {2, 0}, upper[2] = {50, 50};
  const double reduced[2] = {0.04, 0};
  const double rowLower[1] = {10}, rowValues[1] = {20}, rowUpper[1] = {1e30}, duals[1] = {0};
  ReportSummary summary{2, lower, values, upper, reduced, 1, rowLower, rowValues, rowUpper, duals};
};

TEST_F(SessionReports, ModelSizeAndEngineLimits) {
  EXPECT_EQ(solve(10), 0);
  EXPECT_EQ(statistics(0), (std::vector<double>{2, 1, 4, 0, 0, 0, 0, 0}));
  solve(8);  // test-loads the engines
  EXPECT_EQ(solve(9), 0);
  auto item = ordinal<int (*)(LibraryContext*, int, int)>(42);
  const int items[8] = {3, 4, 5, 6, 1, 2, 7, 13};
  for (int k = 0; k < 8; ++k)
    EXPECT_EQ(tableAt(0, k), item(context, context->currentEngine, items[k])) << "item " << items[k];
  // The engine "solver_eng" chooses, whichever ran last: GRG takes 500
  // variables, the LP/quadratic engine 2000.
  for (const auto& [engine, variables] : {std::pair{"1", 500.0}, {"2", 2000.0}}) {
    name("solver_eng", engine);
    EXPECT_EQ(solve(9), 0);
    EXPECT_EQ(tableAt(0, 0), variables) << "engine " << engine;
  }
  Wb_deleteName(addIn, "solver_tbl", 0);
  EXPECT_EQ(solve(10), 13);  // no result range
}

TEST_F(SessionReports, SolutionRowsForVariablesConstraintsAndBounds) {
  ASSERT_EQ(begin(), 1);
  const double coefficients[2] = {0.04, 0}, increase[2] = {1, 2}, decrease[2] = {3, 4};
  const double rhs[1] = {10}, rhsIncrease[1] = {5}, rhsDecrease[1] = {6};
  SensitivityRecord ranging{2, coefficients, increase, decrease, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, 1, rhs, rhsIncrease, rhsDecrease};
  ASSERT_EQ(ordinal<ReportsFn>(31)(context, 2, 1, &summary, &ranging), 1);
  EXPECT_EQ(statistics(0), (std::vector<double>{2, 1, 4, 0, 11, 7, 2, 1}));
  // Variable rows; the constraint row: row 1, ">=" 10, slack 10, not
  // binding; bound rows: x1 >= 2 binding with its reduced cost, then the
  // others (x1 <= 50 at 48 from it).
  const std::tuple<int, int, std::string> cells[] = {
      {1, 1, "R2C2"}, {2, 1, "R2C3"}, {1, 3, "X"}, {1, 4, "-1"}, {1, 6, "0.04"},
      {2, 8, "2"}, {2, 9, "4"},   // objective allowable increase and decrease
      {3, 0, "1"}, {3, 1, "R9C2"}, {3, 2, "3"}, {3, 3, "10"}, {3, 4, "0"}, {3, 5, "10"}, {3, 7, "10"}, {3, 9, "6"},
      {4, 0, "2"}, {4, 1, "R2C2"}, {4, 3, "R3C2"}, {4, 4, "1"}, {4, 5, "0"}, {4, 6, "0.04"},
      {5, 5, "50"}, {5, 6, "0"}, {6, 2, "1"}, {6, 5, "48"}, {7, 1, "R2C3"},
  };
  for (const auto& [row, column, expected] : cells) EXPECT_EQ(shownAt(row, column), expected) << row << "," << column;
  EXPECT_EQ(end(), 1);
}

TEST_F(SessionReports, RowsSwitchedOffAreLeftOutAndTablesFollowTheRows) {
  name("solver_vir", "0");
  name("solver_cir3", "0");
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(ordinal<ReportsFn>(31)(context, 3, 0, &summary, nullptr), 1);
  EXPECT_EQ(statistics(0), (std::vector<double>{0, 1, 2, 0, 7, 3, 3, 0}));
  EXPECT_EQ(shownAt(1, 1), "R9C2");  // the constraint row comes first
  ReportSummary wrong = summary;
  wrong.m = 2;
  EXPECT_EQ(ordinal<ReportsFn>(31)(context, 3, 0, &wrong, nullptr), 0);

  const char* texts[] = {"a", "b", "c", "d"};
  ASSERT_EQ(ordinal<TableFn>(32)(context, 11, 5, 2, 2, texts), 1);
  // Below variables + rows + bound cells + 1 = 8.
  EXPECT_EQ(statistics(8), (std::vector<double>{2, 1, 4, 0, 2, 2, 11, 5}));
  EXPECT_EQ(shownAt(9, 0), "a");
  EXPECT_EQ(shownAt(10, 1), "d");
  EXPECT_EQ(end(), 1);
}

TEST_F(SessionReports, WithoutReportsOnlyTheSizesAreWritten) {
  name("solver_rep", "1");
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(ordinal<ReportsFn>(31)(context, 3, 1, &summary, nullptr), 1);
  EXPECT_EQ(statistics(0), (std::vector<double>{2, 1, 4, 0, 0, 0, 3, 1}));
  EXPECT_EQ(shownAt(1, 1), "");
  const char* texts[] = {"a"};
  EXPECT_EQ(ordinal<TableFn>(32)(context, 11, 5, 1, 1, texts), 0);
  EXPECT_EQ(end(), 1);
}

// The writers of model analysis and diagnosis, below hs21's rows: 2
// variables, 1 row and 4 bound cells after the statistics row end at row 8.
TEST_F(SessionReports, AnalysisAndDiagnosisFindings) {
  ASSERT_EQ(begin(), 1);
  std::vector<std::string> words;
  for (int k = 0; k < 13; ++k) words.push_back("t" + std::to_string(k));
  std::vector<const char*> texts;
  for (const std::string& w : words) texts.push_back(w.c_str());
  ASSERT_EQ(Sess_storeAnalysisCounts(context, 1, 13, 5, texts.data(), 0, 0), 1);
  EXPECT_EQ(statistics(8), (std::vector<double>{1, 13, 5, 0, 0, 0, 0, 0}));
  // 13 texts: two rows of 11.
  EXPECT_EQ((std::vector<std::string>{shownAt(9, 10), shownAt(10, 1), shownAt(10, 2)}),
            (std::vector<std::string>{"t10", "t12", ""}));

  ASSERT_EQ(Sess_storeErrorCell(context, {2, 1, 36, 4}, "B9"), 1);
  EXPECT_EQ(statistics(0), (std::vector<double>{2, 1, 4, 0, 0, 0, 0, 0}));
  EXPECT_EQ(statistics(8)[2], 36);
  EXPECT_EQ(shownAt(8, 4), "B9");

  const ExtraRow added[1] = {{3, "big1", 2}}, addedRows[1] = {{2, "con1", 1}};
  ASSERT_EQ(Sess_storeModelCounts(context, {7, 8, 9}, 1, added, 1, addedRows, 1), 1);
  // After the variable and constraint rows.
  EXPECT_EQ((std::vector<std::string>{shownAt(4, 0), shownAt(4, 1), shownAt(4, 2), shownAt(5, 1)}),
            (std::vector<std::string>{"3", "big1", "2", "con1"}));
  EXPECT_EQ(statistics(6), (std::vector<double>{2, 1, 4, 0, 7, 8, 9, 0}));

  double counts[16];
  for (int k = 0; k < 16; ++k) counts[k] = k + 1;
  const char* diagnosis[11] = {"F1", "linear"};
  ASSERT_EQ(Sess_storeDiagnosis(context, counts, 1, diagnosis), 1);
  EXPECT_EQ(tableAt(0, 15), 16);
  EXPECT_EQ(shownAt(1, 1), "linear");
  EXPECT_EQ(end(), 1);
}
