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

#include "SessionFixture.h"
#include "platform/calc/Calc.h"
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
    ASSERT_EQ(load(1), 0) << "status " << (context->evalContext ? int(context->evalContext->firstError) : -1);
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
  ASSERT_EQ(ordinal<LoadFn>(77)(context, 0, 0, 1, 0, 0, 0, 0), 0);
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
