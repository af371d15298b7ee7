// Coefficient extraction from recognised worksheet formulas: the terms each
// form gives, the rows they go to, the failures that send the engine to
// other means, and every linear test workbook against its MPS file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

#include "contract/Host_Extract.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/MpsReader.h"

namespace {

using Term = std::tuple<int, int, double>;   // row, column, coefficient
using Terms = std::vector<Term>;

struct Recorder {
  Terms terms;
  int answerAfter = -1;      // answer 0 once this many terms were taken
  void* record = nullptr;
};

int record(LibraryContext*, void* engineRecord, int row, int column, double value, void* extra) {
  auto* r = static_cast<Recorder*>(extra);
  r->record = engineRecord;
  r->terms.emplace_back(row, column, value);
  return r->answerAfter < 0 || static_cast<int>(r->terms.size()) < r->answerAfter;
}

int extractLinear(ReadModel& model, Recorder* r) {
  return Host_extractLinearTerms(model.context.get(), &r->terms, record, r);
}
int extractQuadratic(ReadModel& model, Recorder* r) {
  return Host_extractQuadraticTerms(model.context.get(), &r->terms, record, r);
}

class LinearExtract : public ModelFixture {
 protected:
  // Variables A1:A6 (values 1..6), objective Z1 minimised.
  void variables(const char* range = "Model!$A$1:$A$6") {
    for (int r = 0; r < 6; ++r) Wb_setValue(wb, sheet, r, 0, CellValue::makeNumber(r + 1));
    minimise(range);
    name("solver_num", "0");
  }
  ReadModel& read() {
    EXPECT_TRUE(readModel());
    return *model;
  }
};

// Rows in list order, a cell each, bounds left out, the objective last:
// SUMPRODUCT with the variables in either place (zeros left out), DOTPRODUCT
// spreading its terms over its block two variables a row, MMULT taking the
// matrix row by row, SUM counting a variable given twice.
TEST_F(LinearExtract, EachFormGivesItsRows) {
  variables();
  for (int c = 0; c < 3; ++c) {
    Wb_setValue(wb, sheet, 0, 2 + c, CellValue::makeNumber(c == 1 ? 0 : c + 2));  // C1:E1 2 0 4
    Wb_setValue(wb, sheet, 1, 2 + c, CellValue::makeNumber(-1.5 * (c + 1)));      // C2:E2
  }
  formula("G1", "=SUMPRODUCT(C1:E1,$A$1:$A$3)");
  formula("G2", "=SUMPRODUCT($A$4:$A$6,C2:E2)");
  number("K1", 10);
  number("K2", 20);
  ASSERT_TRUE(Wb_setArrayFormula(wb, sheet, CellRange{0, 0, 11, 2, 11}, "=DOTPRODUCT($A$1:$A$6,$K$1:$K$2)"));  // L1:L3
  for (int k = 0; k < 6; ++k) Wb_setValue(wb, sheet, k / 3, 13 + k % 3, CellValue::makeNumber(k + 1));       // N1:P2
  ASSERT_TRUE(Wb_setArrayFormula(wb, sheet, CellRange{0, 0, 16, 1, 16}, "=MMULT($N$1:$P$2,$A$4:$A$6)"));     // Q1:Q2
  formula("Z1", "=SUM(A4:A6,A5)");
  row(1, "Model!$G$1:$G$2", 1, "10");
  row(2, "Model!$A$1", 3, "0");
  row(3, "Model!$L$1:$L$3", 2, "0");
  row(4, "Model!$Q$1:$Q$2", 1, "5");
  Recorder r;
  ASSERT_EQ(extractLinear(read(), &r), 1);
  EXPECT_EQ(r.terms, (Terms{{0, 0, 2.0}, {0, 2, 4.0}, {1, 3, -1.5}, {1, 4, -3.0}, {1, 5, -4.5},
                            {2, 0, 10.0}, {2, 1, 20.0}, {3, 2, 10.0}, {3, 3, 20.0}, {4, 4, 10.0}, {4, 5, 20.0},
                            {5, 3, 1.0}, {5, 4, 2.0}, {5, 5, 3.0}, {6, 3, 4.0}, {6, 4, 5.0}, {6, 5, 6.0},
                            {7, 3, 1.0}, {7, 4, 2.0}, {7, 5, 1.0}}));
  EXPECT_EQ(r.record, &r.terms);     // the engine's record is passed through
}

// QUADPRODUCT(x, c, Q): c to the linear row -1 of the quadratic terms and to
// the objective's linear row; Q element by element, zeros left out.
TEST_F(LinearExtract, QuadProductObjective) {
  variables("Model!$A$1:$A$2");
  number("C1", 3);
  number("C2", 0);
  number("E1", 1);
  number("F1", 0.5);
  number("E2", 0.5);
  number("F2", 2);
  const std::tuple<const char*, Terms, Terms> cases[] = {
      {"=QUADPRODUCT(A1:A2,C1:C2,E1:F2)", {{0, 0, 3.0}},
       {{-1, 0, 3.0}, {0, 0, 1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}},
      {"=QUADPRODUCT(A1:A2,,E1:F2)", {},                  // the row counts without terms
       {{0, 0, 1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}},
  };
  for (const auto& [f, linearTerms, quadraticTerms] : cases) {
    SCOPED_TRACE(f);
    formula("Z1", f);
    Recorder l, q;
    ReadModel& m = read();
    ASSERT_EQ(extractLinear(m, &l), 1);
    EXPECT_EQ(l.terms, linearTerms);
    ASSERT_EQ(extractQuadratic(m, &q), 1);
    EXPECT_EQ(q.terms, quadraticTerms);
  }
  formula("Z1", "=SUM(A1:A2)");                          // the quadratic terms need QUADPRODUCT
  Recorder r;
  EXPECT_EQ(extractQuadratic(read(), &r), 0);
  EXPECT_TRUE(r.terms.empty());
}

TEST_F(LinearExtract, ShapesThatAreNotLinearFail) {
  variables("Model!$A$1:$A$3");
  number("C1", 1);
  text("C2", "x");
  for (const char* f : {"=SUMPRODUCT(A1:A3,A1:A3)",     // variables times variables
                        "=SUMPRODUCT(A1:A3,C1:C2)",     // sizes differ
                        "=SUMPRODUCT(A1:A2,A3:C3)",     // the constants hold a variable
                        "=SUM(A1:A3,C1)",               // C1 is no variable cell
                        "=SUM(A1:A3)*2",
                        "=MMULT(C1:C2,A1:A3)",          // 2 constants for 3 variables
                        "=SUMPRODUCT(A1:A2,C1:C2)"}) {  // a text constant
    formula("Z1", f);
    Recorder r;
    EXPECT_EQ(extractLinear(read(), &r), 0) << f;
    EXPECT_TRUE(r.terms.empty()) << f;
  }
  formula("G1", "=SUM(A1:A2)");
  formula("G2", "=A3*2");
  formula("Z1", "=SUM(A1:A3)");
  row(1, "Model!$G$1", 1, "Model!$G$2");                 // the right-hand side moves with the variables
  Recorder r;
  EXPECT_EQ(extractLinear(read(), &r), 0);
  EXPECT_TRUE(r.terms.empty());
}

// A row that adds recognised calls, variable cells and constants gives the
// sum of their terms (the constants add none), and a piece of any other
// shape leaves the row to other means.
TEST_F(LinearExtract, SumsOfRecognisedPieces) {
  variables();
  for (int c = 0; c < 3; ++c) Wb_setValue(wb, sheet, 0, 2 + c, CellValue::makeNumber(c + 2));  // C1:E1 2 3 4
  number("H1", 7);
  formula("H2", "=A6*2");
  const std::pair<const char*, Terms> sums[] = {
      {"=SUMPRODUCT(C1:E1,$A$1:$A$3)+$H$9", {{0, 0, 2.0}, {0, 1, 3.0}, {0, 2, 4.0}}},  // H9 empty
      {"=SUMPRODUCT(C1:E1,$A$1:$A$3)+H1", {{0, 0, 2.0}, {0, 1, 3.0}, {0, 2, 4.0}}},
      {"=SUMPRODUCT(C1:E1,$A$1:$A$3)+A4-A1", {{0, 0, 1.0}, {0, 1, 3.0}, {0, 2, 4.0}, {0, 3, 1.0}}},
      {"=-SUM(A4:A5)+SUMPRODUCT($A$4:$A$6,C1:E1)+2.5E+3", {{0, 3, 1.0}, {0, 4, 2.0}, {0, 5, 4.0}}},
      {"=SUM(A1:A2)-SUM(A1:A2)+A6", {{0, 5, 1.0}}},  // zeros left out
  };
  for (const auto& [f, terms] : sums) {
    formula("Z1", f);
    Recorder r;
    EXPECT_EQ(extractLinear(read(), &r), 1) << f;
    EXPECT_EQ(r.terms, terms) << f;
  }
  for (const char* f :
       {"=SUM(A1:A2)+H2",     // H2 moves with the variables
        "=SUM(A1:A2)+A3:A4",  // a range added is intersected, not summed
        "=SUM(A1:A2)*2+A3", "=2*SUM(A1:A2)+A3", "=SUM(A1:A2)+A3*A4", "=SUM(A1:A2)+-A3", "=SUM(A1:A2)+ABS(A3)",
        "=SUM(A1:A2)+QUADPRODUCT(A1:A2,C1:D1)", "=SUM(A1:A2)+IF(A1>0,\"a+b\",A3)"}) {
    formula("Z1", f);
    Recorder r;
    EXPECT_EQ(extractLinear(read(), &r), 0) << f;
    EXPECT_TRUE(r.terms.empty()) << f;
  }
}

// boeing2 with a constant cell added to its objective gives the same
// coefficients as without, so the engine needs no evaluation per variable.
TEST_F(LinearExtract, AnObjectivePlusACellKeepsItsCoefficients) {
  std::string error;
  Workbook* book = Xlsx_open((std::filesystem::path(CORVAN_DATA) / "lp" / "boeing2.xlsx").string(), &error);
  ASSERT_NE(book, nullptr) << error;
  Recorder plain, plus;
  ASSERT_EQ(extractLinear(read(), &plain), 1);
  Sheet* model = book->sheets[0].get();
  const Cell* objective = Wb_findCell(model, 1, 1);  // B2
  ASSERT_NE(objective, nullptr);
  ASSERT_EQ(Wb_findCell(model, 178, 0), nullptr);  // A179 is empty
  Test_formula(book, model, "B2", objective->formula + "+$A$179");
  ASSERT_EQ(extractLinear(read(), &plus), 1);
  EXPECT_EQ(plus.terms, plain.terms);
}

// A run that cannot deliver every row fails: a callback that stops or is
// missing, feasibility mode, a pending stop. An analysed model the worksheet
// cannot give goes to the interpreter after the reset signal.
TEST_F(LinearExtract, RunsThatCannotDeliverEveryRow) {
  variables();
  formula("Z1", "=SUM(A1:A6)");
  Recorder r;
  r.answerAfter = 2;
  ReadModel& m = read();
  EXPECT_EQ(extractLinear(m, &r), 0);
  EXPECT_EQ(r.terms.size(), 2u);
  EXPECT_EQ(Host_extractLinearTerms(m.context.get(), nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(Host_extractQuadraticTerms(m.context.get(), nullptr, nullptr, nullptr), 0);
  r.answerAfter = -1;
  m.context->feasibilityMode = 1;
  EXPECT_EQ(extractLinear(m, &r), 0);
  m.context->feasibilityMode = 0;
  m.context->progress.pendingStop = StopBreak;         // every row is skipped
  EXPECT_EQ(extractLinear(m, &r), 0);
  m.context->progress.pendingStop = StopContinue;
  EXPECT_EQ(extractLinear(m, &r), 1);

  r.terms.clear();
  formula("Z1", "=SUM(A1:A6)*2");                     // no recognised shape
  m.context->analysed = 1;
  EXPECT_EQ(extractLinear(m, &r), 0);                 // "solver_ifs" 0: straight to the interpreter
  EXPECT_TRUE(r.terms.empty());
  EXPECT_EQ(extractQuadratic(m, &r), 0);
  EXPECT_EQ(r.terms, (Terms{{-2, -2, 0.0}}));
  r.terms.clear();
  name("solver_ifs", "1");                            // the worksheet first
  EXPECT_EQ(extractLinear(m, &r), 0);
  EXPECT_EQ(r.terms, (Terms{{-1, -1, 0.0}}));
  r.terms.clear();
  name("solver_ntr", "1");                            // trials asked: the interpreter only
  EXPECT_EQ(extractLinear(m, &r), 0);
  EXPECT_TRUE(r.terms.empty());
  name("solver_ntr", "0");
  formula("Z1", "=SUM(A1:A6)");
  EXPECT_EQ(extractLinear(m, &r), 1);                 // recognised: no signal
  EXPECT_EQ(r.terms.size(), 6u);
  EXPECT_EQ(std::get<0>(r.terms[0]), 0);
}

// Every linear test workbook (vpm1 has more columns than a sheet holds)
// gives the coefficients of its MPS file, objective row last.
TEST_F(LinearExtract, CoefficientsEqualTheMpsFiles) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(fs::path(CORVAN_DATA) / "lp")) {
    if (entry.path().extension() != ".mps" || entry.path().stem() == "vpm1") continue;
    SCOPED_TRACE(entry.path().stem().string());
    MpsModel mps;
    std::string error;
    ASSERT_TRUE(Mps_read(entry.path().string(), mps, error)) << error;
    fs::path book = entry.path();
    ASSERT_NE(Xlsx_open(book.replace_extension(".xlsx").string(), &error), nullptr) << error;
    ReadModel& model = read();
    Recorder r;
    ASSERT_EQ(extractLinear(model, &r), 1);
    // Delivered row k is the k-th left-hand cell of the rows that are no
    // bounds; constraint rows start at sheet row 12 in MPS row order.
    std::vector<int> sheetRows;
    for (const ConstraintRecord& rec : model.list()->records) {
      if (rec.flags & RowBound) continue;
      for (int k = 0; k < Area_totalCells(rec.lhs); ++k) {
        int row = 0, column = 0;
        Area_cellOfSingleArea(rec.lhs, k, &row, &column);
        sheetRows.push_back(rec.flags & RowObjective ? -1 : row - 11);
      }
    }
    ASSERT_EQ(static_cast<int>(sheetRows.size()), model.context->rowCount);
    std::map<int, std::map<int, double>> got, want;
    for (const auto& [row, column, value] : r.terms) got[row][column] += value;
    std::vector<int> order = Mps_rowOrder(mps);
    std::map<int, std::vector<int>> deliveredOf;   // MPS row -> delivered rows
    for (int k = 0; k < static_cast<int>(sheetRows.size()); ++k)
      deliveredOf[sheetRows[k] < 0 ? -1 : order.at(sheetRows[k])].push_back(k);
    for (const MpsEntry& e : mps.entries)
      for (int k : deliveredOf[e.row]) want[k][e.col] += e.value;
    for (int j = 0; j < static_cast<int>(mps.cost.size()); ++j)
      if (mps.cost[j] != 0) want[deliveredOf[-1].at(0)][j] += mps.cost[j];
    for (auto& [row, columns] : want)
      std::erase_if(columns, [](const auto& term) { return term.second == 0; });
    std::erase_if(want, [](const auto& row) { return row.second.empty(); });
    EXPECT_FALSE(got.empty());
    EXPECT_EQ(got, want);
  }
}

}  // namespace
