// The interpreter's model of a workbook against the workbook itself: with
// the model loaded (ordinal 77) the host services evaluate through the
// interpreter, and every shared LP and nonlinear workbook gives the values
// its own recalculation gives, at the start point and at random points
// inside the bounds. A formula the interpreter refuses is reported with its
// status and cell, and the workbook path still solves the model.
#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/SessionFixture.h"
#include "values/Vm_Context.h"

namespace {

namespace fs = std::filesystem;

using LoadFn = int (*)(LibraryContext*, std::intptr_t, int, int, int, int, int, int);
using Terms = std::map<std::pair<int, int>, double>;
using ExtractFn = int (*)(LibraryContext*, void*, int (*)(LibraryContext*, void*, int, int, double, void*), void*);

// Collects every non-zero coefficient (row, column) -> value.
int collect(LibraryContext*, void* terms, int row, int column, double value, void*) {
  if (value != 0.0) (*static_cast<Terms*>(terms))[{row, column}] += value;
  return 1;
}

// The shared workbooks whose model a session reads (vpm1's variables lie
// beyond the columns a reference holds; its tall layout is read).
std::vector<std::string> workbooks() {
  std::vector<std::string> names;
  for (const char* folder : {"lp", "nlp"})
    for (const auto& entry : fs::directory_iterator(fs::path(CORVAN_DATA) / folder))
      if (entry.path().extension() == ".xlsx" && entry.path().filename() != "vpm1.xlsx")
        names.push_back(std::string(folder) + "/" + entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ModelLoad : public SessionLibrary {
 protected:
  // Whether a cell of the front end's result range holds the text.
  bool resultHolds(const std::string& text) const {
    for (int row = 0; row < 20; ++row)
      for (int column = 0; column < 12; ++column) {
        const Cell* cell = Wb_findCell(addIn->sheets[0].get(), row, column);
        if (cell && cell->value.kind == CellKind::Text && cell->value.text == text) return true;
      }
    return false;
  }
  int load(int checkValues) { return ordinal<LoadFn>(77)(context, 0, 0, 0, 0, checkValues, 0, 0); }
  int release() { return ordinal<ContextFn>(80)(context); }
  // Function values through the interpreter (analysed) or the workbook.
  std::vector<double> values(const std::vector<double>& x, bool interpreter) {
    context->analysed = interpreter ? 1 : 0;
    std::vector<double> f;
    EXPECT_TRUE(evaluate(x, &f));
    context->analysed = 0;
    return f;
  }
};

// A point inside the bounds: uniform where both are finite, else within 10
// of the finite one (or of 0).
std::vector<double> randomPoint(std::mt19937* rng, const std::vector<double>& lo, const std::vector<double>& hi) {
  std::vector<double> x(lo.size());
  for (size_t j = 0; j < x.size(); ++j) {
    const double a = lo[j] > -1e30 ? lo[j] : (hi[j] < 1e30 ? hi[j] - 10 : -10);
    const double b = hi[j] < 1e30 ? hi[j] : a + 20;
    x[j] = std::uniform_real_distribution<double>(a, b)(*rng);
  }
  return x;
}

TEST_F(ModelLoad, InterpreterValuesEqualTheWorkbooksAtStartAndRandomPoints) {
  std::mt19937 rng(20261207);
  for (const std::string& name : workbooks()) {
    SCOPED_TRACE(name);
    ASSERT_NE(open(name), nullptr);
    ASSERT_EQ(begin(), 1);
    ASSERT_EQ(load(1), 0) << "status " << (context->evalContext ? int(context->evalContext->errors.firstError) : -1);
    const Bounds b = bounds();
    std::vector<double> x = initialValues();
    for (int point = 0; point <= 20; ++point) {
      const std::vector<double> want = values(x, false), got = values(x, true);
      for (size_t i = 0; i < want.size(); ++i)
        ASSERT_NEAR(got[i], want[i], 1e-12 * std::max(1.0, std::fabs(want[i]))) << "row " << i << " point " << point;
      x = randomPoint(&rng, b.lower, b.upper);
    }
    EXPECT_EQ(release(), 0);
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}

// The linear coefficients through the interpreter (ordinal 93) are those
// the worksheet extraction reads from the SUMPRODUCT rows (ordinal 36).
TEST_F(ModelLoad, LinearCoefficientsEqualTheWorksheetExtraction) {
  for (const std::string& name : workbooks()) {
    if (name.rfind("lp/", 0) != 0) continue;
    SCOPED_TRACE(name);
    ASSERT_NE(open(name), nullptr);
    ASSERT_EQ(begin(), 1);
    Terms sheet, interpreted;
    ASSERT_EQ(ordinal<ExtractFn>(36)(context, &sheet, collect, nullptr), 1);
    ASSERT_EQ(load(0), 0);
    ASSERT_EQ(ordinal<ExtractFn>(93)(context, &interpreted, collect, nullptr), 1);
    ASSERT_EQ(interpreted.size(), sheet.size());
    for (const auto& [at, value] : sheet) {
      auto it = interpreted.find(at);
      ASSERT_NE(it, interpreted.end()) << "row " << at.first << " column " << at.second;
      EXPECT_NEAR(it->second, value, 1e-12 * std::max(1.0, std::fabs(value)));
    }
    EXPECT_EQ(release(), 0);
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}

// Ordinal 95: Q = H/2, the linear term and the constant of a quadratic
// objective, 3x^2 + 2xy + y^2 + 4x + 5 from the point (1, 2).
TEST_F(ModelLoad, QuadraticObjectiveGivesHalfItsHessianLinearTermAndConstant) {
  newModel();
  number("A1", 1);
  number("B1", 2);
  formula("C1", "=3*A1^2+2*A1*B1+B1^2+4*A1+5");
  names({{"solver_adj", "Model!$A$1:$B$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"}});
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(load(0), 0);
  Terms terms;
  ASSERT_EQ(ordinal<ExtractFn>(95)(context, &terms, collect, nullptr), 1);
  const Terms want = {{{0, 0}, 3.0}, {{0, 1}, 1.0}, {{1, 0}, 1.0}, {{1, 1}, 1.0}, {{-1, 0}, 4.0}, {{-1, -1}, 5.0}};
  EXPECT_EQ(terms, want);
  EXPECT_EQ(release(), 0);
  EXPECT_EQ(end(), 1);
}

// With linearisation on, ABS over a variable becomes helper variables and
// rows: the analysed model grows past the session's, its added variables
// come with their types and the added rows with their ranges.
TEST_F(ModelLoad, LinearisedModelAddsHelperVariablesAndRows) {
  newModel();
  number("A1", 0.5);
  formula("C1", "=ABS(A1-2)");
  names({{"solver_adj", "Model!$A$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"}});
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(ordinal<LoadFn>(77)(context, 0, 0, 1, 1, 0, 0, 0), 0);
  // Listed: the helper variables by their names, the helper rows by the cell
  // of the construct they stand for.
  EXPECT_TRUE(resultHolds("s0!var1"));
  EXPECT_TRUE(resultHolds("Model!$C$1"));
  context->analysed = 1;
  ASSERT_GT(variables(), 1);
  ASSERT_GT(rows(), 1);
  const std::vector<int> t = types();
  EXPECT_EQ(t[0], 0);
  EXPECT_NE(std::find(t.begin() + 1, t.end(), 2), t.end());  // a binary helper
  const Bounds b = bounds();
  for (int i = 0; i + 1 < rows(); ++i) EXPECT_TRUE(b.rowLower[i] == 0 || b.rowUpper[i] == 0) << "row " << i;
  EXPECT_EQ(b.rowLower[rows() - 1], -1e30);  // the objective
  context->analysed = 0;
  EXPECT_EQ(release(), 0);
  EXPECT_EQ(end(), 1);
}

// With the table flag, a cell on another sheet keeps the value it has: the
// objective A1^2 + Other!B1, Other!B1 = 3*A1, read at A1 = 2 from the
// start A1 = 1, is 4 + 6 = 10 compiled and 4 + 3 = 7 with the flag.
TEST_F(ModelLoad, TableFlagKeepsOtherSheetsCellsAsValues) {
  for (int flag : {0, 1}) {
    newModel();
    Sheet* other = Wb_addSheet(book, "Other");
    number("A1", 1);
    Test_formula(book, other, "B1", "=3*Model!A1");
    formula("C1", "=A1^2+Other!B1");
    Calc_recalculate(book);
    names({{"solver_adj", "Model!$A$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"}});
    ASSERT_EQ(begin(), 1);
    ASSERT_EQ(ordinal<LoadFn>(77)(context, 0, 0, 0, 0, 0, 0, flag), 0);
    const std::vector<double> f = values({2.0}, true);
    EXPECT_DOUBLE_EQ(f[0], flag ? 7.0 : 10.0) << "flag " << flag;
    EXPECT_EQ(ordinal<int (*)(LibraryContext*, std::intptr_t)>(79)(context, 0), 0);
    EXPECT_EQ(release(), 0);
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}

// An array formula {=A1:A2*A1:A2} in B3:B4, written to a file and opened
// again: each cell takes its own element, so the objective B3 + 3*B4 at
// (2, 3) is 4 + 27 = 31 (its rows meet A1:A2 nowhere, so a cell that is
// not read as part of the array fails).
TEST_F(ModelLoad, ArrayFormulaCellsTakeTheirOwnElements) {
  newModel();
  number("A1", 1);
  number("A2", 2);
  CellRange block{};
  ASSERT_TRUE(Wb_parseA1("B3", &block.row1, &block.col1) && Wb_parseA1("B4", &block.row2, &block.col2));
  ASSERT_TRUE(Wb_setArrayFormula(book, sheet, block, "=A1:A2*A1:A2"));
  formula("C1", "=B3+3*B4");
  names({{"solver_adj", "Model!$A$1:$A$2"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"}});
  const std::string path = (fs::temp_directory_path() / "corvan_array_formula.xlsx").string();
  std::string error;
  ASSERT_TRUE(Xlsx_save(book, path, &error)) << error;
  Wb_closeWorkbook(book);
  book = Xlsx_open(path, &error);
  ASSERT_NE(book, nullptr) << error;
  sheet = book->sheets[0].get();
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(load(1), 0);
  EXPECT_DOUBLE_EQ(values({2.0, 3.0}, true)[0], 31.0);
  EXPECT_EQ(release(), 0);
  EXPECT_EQ(end(), 1);
  Wb_closeWorkbook(book);
  fs::remove(path);
}

// Weighted scenario rows: the engines' vector holds the per-row cell A2 once
// per scenario row, which one interpreter variable per cell cannot stand
// for, so the load refuses the model (status 36 on the repeated cell) and
// the workbook path solves it.
TEST_F(ModelLoad, WeightedRowsAreRefusedAndTheWorkbookPathSolves) {
  newModel();
  formula("C1", "=(A1-B2)^2+A2");
  names({{"solver_adj", "Model!$A$1:$A$2"},
         {"solver_opt", "Model!$C$1"},
         {"solver_typ", "2"},
         {"solver_num", "1"},
         {"solver_lhs1", "Model!$A$2"},
         {"solver_rel1", "3"},
         {"solver_rhs1", "0"},
         {"robust_num", "2"},
         {"scen_num", "2"},
         {"scen_change", "Model!$A$2:$B$2"},
         {"scen_value1", "{0,1}"},
         {"scen_value2", "{0,3}"},
         {"solver_eng", "1"}});
  context->engineCount = 5;
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(load(0), 12);
  EXPECT_EQ(tableAt(5, 2), 36);  // "Variable defined more than once !", after the model's rows
  EXPECT_EQ(release(), 0);
  EXPECT_EQ(end(), 1);
  const int status = solve(0);
  EXPECT_TRUE(status == 0 || status == 1 || status == 2) << status;
  EXPECT_NEAR(valueAt("A1"), 2.0, 1e-3);  // the mean of the data 1 and 3
}

// A formula the interpreter does not know: the load fails with status 12,
// the first error's status and cell go to the front end, solving with
// analysis on fails the same way, and without analysis the workbook path
// solves the model.
TEST_F(ModelLoad, ARefusedFormulaIsReportedAndTheWorkbookPathStillSolves) {
  Calc_registerFunction("WORKBOOKONLY", [](const std::vector<CalcArray>& args) {
    CalcArray out;
    out.values.push_back(CellValue::makeNumber(args.empty() || args[0].values.empty() ? 0 : args[0].values[0].number));
    return out;
  });
  newModel();
  number("A1", 0);
  formula("C1", "=(A1-3)^2+WORKBOOKONLY(A1)*0");
  names({{"solver_adj", "Model!$A$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"},
         {"solver_eng", "1"}});
  context->engineCount = 5;
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(load(1), 12);
  // The error row follows the statistics row and the model's one variable.
  EXPECT_EQ(tableAt(2, 2), 38);  // "Unknown function !"
  const Cell* where = Wb_findCell(addIn->sheets[0].get(), 2, 4);
  ASSERT_NE(where, nullptr);
  EXPECT_EQ(where->value.text, "Model!$C$1");
  EXPECT_EQ(release(), 0);
  EXPECT_EQ(end(), 1);
  // Analysed and diagnosed, the model loads (the structure modes take the
  // unknown function), and the first evaluation reports it with its cell.
  name("solver_dia", "2");
  EXPECT_EQ(solve(0), 9);
  EXPECT_EQ(tableAt(2, 2), 38);
  name("solver_dia", "0");
  const int status = solve(0);
  EXPECT_TRUE(status == 0 || status == 1 || status == 2) << status;
  EXPECT_NEAR(valueAt("A1"), 3.0, 1e-4);
}

}  // namespace
