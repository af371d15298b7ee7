// Evaluation through the application seen by an engine: a small test engine
// reads the sizes and start values of data workbooks through the host services and
// evaluates points, compared with the workbooks' cached values and with the
// problems' formulas computed by hand. (Bounds and kinds of every data
// workbook are checked where the model is read from its names.)
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/support/SessionFixture.h"

namespace {

namespace fs = std::filesystem;

// name -> number of constraints from expected.csv (name,n,constraints,...).
std::vector<std::pair<std::string, int>> nlpProblems() {
  std::ifstream in(fs::path(CORVAN_DATA) / "nlp" / "expected.csv");
  std::vector<std::pair<std::string, int>> out;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::size_t first = line.find(','), second = line.find(',', first + 1);
    out.push_back({line.substr(0, first), std::stoi(line.substr(second + 1))});
  }
  EXPECT_EQ(out.size(), 59u);
  return out;
}

bool near(double a, double b, double relative) {
  return std::fabs(a - b) <= relative * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

}  // namespace

// Every data problem at its start point: the rows are the constraint cells
// in sheet order and the last value is the objective, equal to the values
// the workbook was saved with.
TEST_F(SessionLibrary, EveryProblemAtItsStartPointGivesTheWorkbooksOwnValues) {
  for (const auto& [problem, constraints] : nlpProblems()) {
    SCOPED_TRACE(problem);
    ASSERT_NE(open("nlp/" + problem + ".xlsx"), nullptr);
    std::vector<double> cached;
    for (int k = 0; k < constraints; ++k) cached.push_back(numberIn(sheet, 8 + k, 1));  // B9...
    cached.push_back(numberIn(sheet, 5, 1));                                          // B6
    ASSERT_EQ(begin(), 1);
    ASSERT_EQ(rows(), constraints + 1);
    std::vector<double> f;
    ASSERT_TRUE(evaluate(initialValues(), &f));
    for (int k = 0; k <= constraints; ++k) EXPECT_TRUE(near(f[k], cached[k], 1e-13)) << "row " << k;
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}

// A test engine evaluates points away from the start through the host
// services and finds the problems' formulas.
TEST_F(SessionLibrary, TestEngineFindsTheProblemFormulasAtItsPoints) {
  // The problems' own formulas: constraint rows in sheet order, then the objective.
  using Model = std::function<std::vector<double>(const std::vector<double>&)>;
  const std::pair<std::string, Model> models[] = {
      {"hs15", [](const std::vector<double>& x) -> std::vector<double> {
         return {x[0] * x[1], x[0] + x[1] * x[1],
                 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2)};
       }},
      {"hs21", [](const std::vector<double>& x) -> std::vector<double> {
         return {10 * x[0] - x[1], 0.01 * x[0] * x[0] + x[1] * x[1] - 100};
       }},
      {"hs71", [](const std::vector<double>& x) -> std::vector<double> {
         return {x[0] * x[0] + x[1] * x[1] + x[2] * x[2] + x[3] * x[3], x[0] * x[1] * x[2] * x[3],
                 x[0] * x[3] * (x[0] + x[1] + x[2]) + x[2]};
       }}};
  for (const auto& [problem, model] : models) {
    SCOPED_TRACE(problem);
    ASSERT_NE(open("nlp/" + problem + ".xlsx"), nullptr);
    ASSERT_EQ(begin(), 1);
    EXPECT_EQ(query(10), 1);  // the last row is the objective
    EXPECT_EQ(query(11), 0);  // minimised
    std::vector<double> x = initialValues();
    for (int step = 1; step <= 3; ++step) {
      for (std::size_t j = 0; j < x.size(); ++j) x[j] += 0.37 * step - 0.11 * double(j);
      std::vector<double> f, expected = model(x);
      ASSERT_TRUE(evaluate(x, &f));
      for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_TRUE(near(f[k], expected[k], 1e-12));
      for (std::size_t j = 0; j < x.size(); ++j) EXPECT_EQ(initialValues()[j], x[j]);  // left in the cells
    }
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}

// Forward differences with one variable changed (ordinal 34) give the
// gradient of hs15's objective and rows.
TEST_F(SessionLibrary, DifferencesWithOneVariableChangedGiveTheGradient) {
  ASSERT_NE(open("nlp/hs15.xlsx"), nullptr);
  ASSERT_EQ(begin(), 1);
  std::vector<double> x = {0.3, 1.7}, base;
  ASSERT_TRUE(evaluate(x, &base));
  auto changed = ordinal<OneChangedFn>(34);
  const double h = 1e-7;
  // d/dx1 and d/dx2 of (x1 x2, x1 + x2^2, 100 (x2 - x1^2)^2 + (1 - x1)^2).
  double r = x[1] - x[0] * x[0];
  const double gradient[2][3] = {{x[1], 1, -400 * x[0] * r - 2 * (1 - x[0])},
                                 {x[0], 2 * x[1], 200 * r}};
  for (int j = 0; j < 2; ++j) {
    std::vector<double> f(rows() + 1);
    ASSERT_EQ(changed(context, f.data(), j, x[j] + h), 1);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR((f[k] - base[k]) / h, gradient[j][k], 1e-4);
    ASSERT_EQ(changed(context, f.data(), j, x[j]), 1);  // back to the base point
    for (int k = 0; k < 3; ++k) EXPECT_EQ(f[k], base[k]);
  }
  EXPECT_EQ(end(), 1);
}

// vpm1's variables run to column 378, beyond the 256 columns a reference
// holds: the session cannot open, Solve reports 13 and nothing is left.
TEST_F(SessionLibrary, ModelBeyondTheReferenceColumnsFailsCleanly) {
  ASSERT_NE(open("lp/vpm1.xlsx"), nullptr);
  EXPECT_EQ(begin(), 0);
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(solve(0), 13);
  EXPECT_EQ(context->variables, nullptr);
  EXPECT_EQ(context->constraints, nullptr);
  EXPECT_TRUE(context->savedPriorValues.empty());
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Automatic);
  EXPECT_EQ(context->robustMode, -1);
}
