// Texts and logicals where a function wants a number or a logical, and
// the operators over values of every kind: both
// calculations (the stand-in's, with the library's functions registered,
// and the formula interpreter's) read them by one rule. A parameter that
// takes one number (or logical) reads a text that reads as one, typed,
// computed or from a cell; one that takes ranges and arrays reads a text
// given directly and skips those of ranges and cells (the A-functions count
// those as 0). LARGE and SMALL round k up, over an array of k too. The
// paired statistics and TREND read their data as arrays. The
// expected values are what a spreadsheet program gives; the models are
// solved through the interpreter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

struct Row {
  const char* formula;
  CellValue expected;
};

CellValue number(double x) { return CellValue::makeNumber(x); }
CellValue boolean(bool b) { return CellValue::makeBoolean(b); }
CellValue error(CellError e) { return CellValue::makeError(e); }

// The cells the rows read: B1:B5 the numbers 1 to 5, C1 blank, D1 the text
// "2x", E1:E3 the number 0, FALSE and #DIV/0!, F1 the text "-3", F2 the
// number 5, G1:G2 the texts "1" and "2", H1 the text "FALSE".
const std::vector<Row>& rows() {
  static const std::vector<Row> kRows = {
      // the reported cells
      {"=LARGE(B1:B5,LEFT(\"24\",1))", number(4)},
      {"=OCT2DEC(LEFT(\"17x\",2))", number(15)},
      {"=WORKDAY(LEFT(\"45000x\",5),3)", number(45005)},
      {"=INDEX({1,2,3},\"2\")", number(2)},
      {"=PERCENTILE({1,2,3,4},\"0.5\")", number(2.5)},
      {"=GCD(\"12\",8)", number(4)},
      {"=NOT(\"FALSE\")", boolean(true)},
      {"=VALUE(\"7%\")", number(0.07)},
      {"=FLOOR(3,0)", error(CellError::Div0)},
      {"=MINA(LEFT(D1,1),5)", number(2)},
      // one number: typed, computed or from a cell
      {"=ABS(\"-3\")", number(3)},
      {"=ABS(F1)", number(3)},
      {"=SQRT(LEFT(\"16x\",2))", number(4)},
      {"=CHOOSE(\"2\",7,8)", number(8)},
      {"=BIN2DEC(\"101\")", number(5)},
      // negative zero is the number 0 to the number bases
      {"=BIN2DEC(-0)", number(0)},
      {"=OCT2DEC(-0)", number(0)},
      {"=OCT2HEX(-0)", CellValue::makeText("0")},
      {"=HEX2BIN(-0)", CellValue::makeText("0")},
      // SERIESSUM's terms at x = 0 are the worksheet's powers of 0
      {"=SERIESSUM(0,0,1,{2,3})", error(CellError::Num)},
      {"=SERIESSUM(0,-1,1,{2,3})", error(CellError::Div0)},
      {"=SERIESSUM(0,1,1,{2,3})", number(0)},
      {"=SERIESSUM(2,0,1,{2,3})", number(8)},
      // numbers of ranges: a direct text counts, a cell's text is skipped
      {"=SUM(\"-3\",1)", number(-2)},
      {"=SUM(F1,1)", number(1)},
      {"=COUNT(F1,\"1\",2,\"x\")", number(2)},
      {"=MEDIAN(\"3\",1)", number(2)},
      {"=AVERAGE(\"3\",1)", number(2)},
      {"=GEOMEAN(\"4\",F1,1)", number(2)},
      {"=GCD(F1,6)", number(6)},
      {"=LCM(F1:F2,2)", number(10)},
      {"=MAX(\"7\",F1:F2)", number(7)},
      {"=LARGE(F1,1)", error(CellError::Num)},
      // the A-functions count a range's or a cell's text as 0
      {"=MINA(F1:F2)", number(0)},
      {"=MAXA(F1,-1)", number(0)},
      {"=AVERAGEA(\"4\",F1:F2)", number(3)},
      // logicals
      {"=AND(\"TRUE\",1)", boolean(true)},
      {"=IF(\"true\",1,2)", number(1)},
      {"=NOT(H1)", boolean(true)},
      {"=OR(H1,TRUE)", boolean(true)},
      {"=IF(1,TRUE)", boolean(true)},
      // a logical where a number is wanted
      {"=ABS(TRUE)", number(1)},
      {"=N(TRUE)", number(1)},
      {"=GCD(TRUE,4)", number(1)},
      {"=ISEVEN(\"2\")", boolean(true)},
      {"=ISEVEN(TRUE)", error(CellError::Value)},
      {"=EVEN({\"3\",4})", number(4)},
      {"=SUM(TRUE,F2)", number(6)},
      {"=SMALL({1,5,3},TRUE)", number(1)},
      {"=AND(H1,D1:D2,TRUE)", boolean(true)},
      // LARGE and SMALL round k up, over arrays of k too
      {"=LARGE({1,5,3},1.5)", number(3)},
      {"=SMALL({1,5,3},1.5)", number(3)},
      {"=SMALL({1,5,3},0.5)", number(1)},
      {"=SMALL({1,5,3},\"2\")", number(3)},
      {"=SUM(SMALL({1,5,3},{1,2}))", number(4)},
      {"=SUM(LARGE({1,5,3},{1,2}))", number(8)},
      {"=SMALL({1,5,3},4)", error(CellError::Num)},
      // k from cells holding the texts "1" and "2": read, the cells left as
      // they are
      {"=LARGE(B1:B5,G2)-SMALL(B1:B5,G1)", number(3)},
      {"=ISTEXT(INDEX(G1:G2,1))", boolean(true)},
      // operators across kinds: numbers before texts before logicals, texts
      // without regard to case, a blank as 0, "" or FALSE
      {"=1<\"abc\"", boolean(true)},
      {"=TRUE>100", boolean(true)},
      {"=FALSE>\"z\"", boolean(true)},
      {"=E2<1", boolean(false)},
      {"=0=E2", boolean(false)},
      {"=C1=FALSE", boolean(true)},
      {"=C1=\"\"", boolean(true)},
      {"=C1<1", boolean(true)},
      {"=\"A\"=\"a\"", boolean(true)},
      // numbers joined as the worksheet writes them
      {"=1E+15&\"\"", CellValue::makeText("1E+15")},
      {"=0.00001&\"\"", CellValue::makeText("1E-05")},
      {"=0.0001&\"\"", CellValue::makeText("0.0001")},
      {"=-0&\"x\"", CellValue::makeText("0x")},
      {"=1/3&\"\"", CellValue::makeText("0.333333333333333")},
      {"=123456789012345678&\"\"", CellValue::makeText("1.23456789012346E+17")},
      // an error literal before "/", a percent twice
      {"=#N/A/2", error(CellError::NA)},
      {"=#DIV/0!/B1", error(CellError::Div0)},
      {"=5%%", number(0.0005)},
      // an error or a text times or over a cell holding 0 or FALSE
      {"=E3*E1", error(CellError::Div0)},
      {"=E1/E2", error(CellError::Div0)},
      {"=\"abc\"/E1", error(CellError::Value)},
      {"=E1*B2", number(0)},
      // a range that meets no cell of the formula's row or column is
      // "#value!" after an error to its left, and is an error to a function
      {"=E3+B1:C1", error(CellError::Div0)},
      {"=ISERROR(B1:C1)", boolean(true)},
      // the paired statistics read their arguments whole, as arrays, and
      // pair them by position: a different count is #N/A
      {"=SLOPE(-B1:B5,-TRUE)", error(CellError::NA)},
      {"=PEARSON({1,2;3,4},B1:B4+0)", number(1)},
      {"=RSQ(B1:B3^2,B1:B3)", number(48.0 / 49)},
      {"=STEYX(B1:B3*B1:B3,B1:B3)", number(std::sqrt(2.0 / 3))},
      // TREND reads its data whole and wants only numbers there; errors
      // first, in argument order; a lone known x is one point
      {"=TREND(-B1:B3)", number(-1)},
      {"=TREND(G1:G2)", error(CellError::Value)},
      {"=TREND({1,\"a\",3})", error(CellError::Value)},
      {"=TREND(B1:B3,10)", error(CellError::Ref)},
      {"=TREND(B1:B3,B1:B3,E1:E3)", error(CellError::Div0)},
      // PERCENTRANK and SMALL: the array's fault before the others'; no
      // numbers at all is #NUM!
      {"=PERCENTRANK(G1:G2,1)", error(CellError::Num)},
      {"=PERCENTRANK(E3,B1,0)", error(CellError::Div0)},
      {"=SMALL(E3,\"abc\")", error(CellError::Div0)},
      {"=SMALL(\"2x\",E3)", error(CellError::Value)},
  };
  return kRows;
}

void addCells(Workbook* wb, Sheet* sh) {
  for (int r = 0; r < 5; ++r) Wb_setValue(wb, sh, r, 1, number(r + 1));
  Wb_setValue(wb, sh, 0, 3, CellValue::makeText("2x"));
  Wb_setValue(wb, sh, 0, 5, CellValue::makeText("-3"));
  Wb_setValue(wb, sh, 1, 5, number(5));
  Wb_setValue(wb, sh, 0, 7, CellValue::makeText("FALSE"));
  Wb_setValue(wb, sh, 0, 6, CellValue::makeText("1"));
  Wb_setValue(wb, sh, 1, 6, CellValue::makeText("2"));
  Wb_setValue(wb, sh, 0, 4, number(0));
  Wb_setValue(wb, sh, 1, 4, boolean(false));
  Wb_setValue(wb, sh, 2, 4, error(CellError::Div0));
}

class TextArguments : public ScratchTest {};

}  // namespace

TEST_F(TextArguments, BothCalculationsReadTextsByTheParametersKind) {
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("texts.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Texts");
  addCells(wb, sh);
  const int column = 9;
  for (size_t k = 0; k < rows().size(); ++k) Wb_setFormula(wb, sh, static_cast<int>(k), column, rows()[k].formula);
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  for (size_t k = 0; k < rows().size(); ++k) {
    const Row& row = rows()[k];
    const Cell* cell = Wb_findCell(sh, static_cast<int>(k), column);
    const CellValue standIn = cell ? cell->value : CellValue{};
    EXPECT_TRUE(sameCellValue(standIn, row.expected)) << row.formula << ": stand-in " << cellShown(standIn);
    const auto value = interpreted.values.find({0, Wb_cellKey(static_cast<int>(k), column)});
    ASSERT_NE(value, interpreted.values.end())
        << row.formula << ": " << interpreted.failures[{0, Wb_cellKey(static_cast<int>(k), column)}];
    EXPECT_TRUE(sameCellValue(value->second, row.expected)) << row.formula << ": interpreter " << cellShown(value->second);
  }
  Wb_closeWorkbook(wb);
}

// D1 holds the text "2x", so MINA(LEFT(D1,1),5) is 2: maximise B1 up to it,
// and maximise B1 times it (20), B1 in [0, 10], through the
// interpreter's derivatives ("solver_dia" 2) and on the interval global and
// SOCP engines.
TEST_F(TextArguments, ModelsReadTheTextAsTheWorkbookDoes) {
  struct Model {
    const char* objective;
    const char* cap;  // the right-hand side of B1 <=
    double optimum;
  };
  const Model models[] = {{"=B1", "Plan!$C$1", 2}, {"=B1*MINA(LEFT(D1,1),5)", "10", 20}};
  const char* const runs[] = {"--option dia=2", "--engine 4", "--engine 5"};
  int k = 0;
  for (const Model& m : models)
    for (const char* run : runs) {
      SCOPED_TRACE(std::string(m.objective) + " " + run);
      Plan p;
      p.names = {{"solver_opt", "Plan!$F$1"}, {"solver_typ", "1"},          {"solver_adj", "Plan!$B$1"},
                 {"solver_num", "3"},         {"solver_lhs1", "Plan!$B$1"}, {"solver_rel1", "1"},
                 {"solver_rhs1", m.cap},      {"solver_lhs2", "Plan!$B$1"}, {"solver_rel2", "3"},
                 {"solver_rhs2", "0"},        {"solver_lhs3", "Plan!$B$1"}, {"solver_rel3", "1"},
                 {"solver_rhs3", "10"},       {"solver_eng", "1"}};
      p.cells = {{"B1", "1"}, {"C1", "=MINA(LEFT(D1,1),5)+0*B1"}, {"D1", "2x"}, {"F1", m.objective}};
      const std::string book = p.save(dir_ / ("model" + std::to_string(k++) + ".xlsx"));
      CliRun r = corvan("solve " + book + " " + run + " --quiet");
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_NEAR(Cli_objective(r.out), m.optimum, 1e-3 * m.optimum) << r.out;
    }
}
