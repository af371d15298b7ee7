// Incremental recalculation: after values are written, exactly the formulas
// that depend on them (and the volatile ones) are evaluated, and the results
// equal a full recalculation on every shared workbook.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

TEST(CalcIncremental, EvaluatesExactlyTheDependentsAndTheVolatileCells) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("incr.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int r = 0; r < 5; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(r + 1));   // A1:A5 = 1..5
  Wb_setFormula(wb, sh, 0, 1, "=A1*2");          // B1
  Wb_setFormula(wb, sh, 0, 2, "=B1+1");          // C1
  Wb_setFormula(wb, sh, 0, 3, "=SUM(A1:A3)");    // D1
  Wb_setFormula(wb, sh, 0, 4, "=A5+1");          // E1
  Wb_setFormula(wb, sh, 0, 5, "=RAND()");        // F1
  Wb_setFormula(wb, sh, 0, 6, "=F1*0+D1");       // G1
  for (int r = 0; r < 3; ++r) Wb_setValue(wb, sh, r, 9, CellValue::makeNumber(100 * (r + 1)));   // J1:J3
  Wb_setFormula(wb, sh, 0, 10, "=SUMIF(A1:A3,\">0\",J1)");   // K1: sums J1:J3, naming J1 only
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 7u);

  struct Step { int row; double value; size_t evaluated; double b1, c1, d1, e1; };
  const Step steps[] = {
    {0, 10, 6, 20, 21, 15, 6},   // A1: B1 C1 D1, with F1 G1 K1 (always)
    {4, 7, 4, 20, 21, 15, 8},    // A5: E1, with F1 G1 K1
    {2, 0, 4, 20, 21, 12, 8},    // A3: D1, with F1 G1 K1
    {3, 9, 3, 20, 21, 12, 8},    // A4: nothing reads it; F1 G1 K1 only
  };
  for (const Step& s : steps) {
    Wb_setValue(wb, sh, s.row, 0, CellValue::makeNumber(s.value));
    Calc_recalculate(wb);
    EXPECT_EQ(Calc_lastEvaluated(wb), s.evaluated) << "row " << s.row;
    EXPECT_EQ(Wb_findCell(sh, 0, 1)->value.number, s.b1);
    EXPECT_EQ(Wb_findCell(sh, 0, 2)->value.number, s.c1);
    EXPECT_EQ(Wb_findCell(sh, 0, 3)->value.number, s.d1);
    EXPECT_EQ(Wb_findCell(sh, 0, 4)->value.number, s.e1);
    EXPECT_EQ(Wb_findCell(sh, 0, 6)->value.number, s.d1);
  }
  Wb_setValue(wb, sh, 1, 9, CellValue::makeNumber(50));   // J2, beyond the J1 the SUMIF names
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, 0, 10)->value.number, 150);
  // A structure change, a calculation-mode change and a full recalculation evaluate everything.
  Wb_setFormula(wb, sh, 1, 1, "=A2");
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 8u);
  Wb_app().calcMode = CalcMode::Manual;
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 8u);
  Calc_recalculateFull(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 8u);
  Wb_resetApp();
}

// Rows written as explicit sums of products, as a model without SUMPRODUCT
// has them: after one variable changes, only the rows naming it are
// evaluated, to the sums computed here.
TEST(CalcIncremental, ExplicitSumsOfProductsEvaluateOnlyTheRowsOfTheChangedVariable) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("sums.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  constexpr int kVars = 6, kRows = 12;
  double x[kVars];
  for (int j = 0; j < kVars; ++j) Wb_setValue(wb, sh, 0, j, CellValue::makeNumber(x[j] = j + 1));   // A1:F1
  double a[kRows][kVars] = {};
  for (int i = 0; i < kRows; ++i) {
    std::string f = "=0";
    for (int j = 0; j < kVars; ++j)
      if ((i + 2 * j) % 5 < 2) {   // each row names some of the variables
        a[i][j] = (i % 2 ? -2.5 : 1.5) * (j + 1);
        f += "+" + std::to_string(a[i][j]) + "*" + Wb_a1(0, j, true);
      }
    Wb_setFormula(wb, sh, 2 + i, 0, f);
  }
  Calc_recalculate(wb);
  for (int j = 0; j < kVars; ++j) {
    Wb_setValue(wb, sh, 0, j, CellValue::makeNumber(x[j] = -x[j] + 0.5));
    Calc_recalculate(wb);
    size_t naming = 0;
    for (int i = 0; i < kRows; ++i) {
      naming += a[i][j] != 0;
      double sum = 0;
      for (int k = 0; k < kVars; ++k) sum += a[i][k] * x[k];
      EXPECT_NEAR(Wb_findCell(sh, 2 + i, 0)->value.number, sum, 1e-12) << "row " << i;
    }
    EXPECT_EQ(Calc_lastEvaluated(wb), naming) << "variable " << j;
  }
  Wb_resetApp();
}

// SUMPRODUCT over ranges of numbers follows every write into either range,
// also when a write makes a range hold something else than numbers.
TEST(CalcIncremental, SumProductFollowsWritesIntoItsRanges) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("dot.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int c = 0; c < 3; ++c) {
    Wb_setValue(wb, sh, 0, c, CellValue::makeNumber(c + 1));    // A1:C1 = 1 2 3
    Wb_setValue(wb, sh, 1, c, CellValue::makeNumber(10));       // A2:C2 = 10 10 10
  }
  Wb_setFormula(wb, sh, 2, 0, "=SUMPRODUCT(A1:C1,A2:C2)");
  Calc_recalculate(wb);
  struct Write { int row, col; CellValue value; double expected; };
  const Write writes[] = {
    {1, 0, CellValue::makeNumber(2), 52},           // a coefficient
    {0, 2, CellValue::makeNumber(-1), 12},          // a variable
    {0, 1, CellValue::makeText("x"), -8},           // a text counts 0
    {0, 1, CellValue::makeNumber(4), 32},
    {1, 2, CellValue::makeBoolean(true), 42},       // so does a boolean
  };
  for (const Write& w : writes) {
    Wb_setValue(wb, sh, w.row, w.col, w.value);
    Calc_recalculate(wb);
    EXPECT_EQ(Wb_findCell(sh, 2, 0)->value.number, w.expected) << Wb_a1(w.row, w.col);
  }
  Wb_resetApp();
}

using Snapshot = std::vector<std::vector<CellValue>>;

Snapshot formulaValues(const Workbook* wb) {
  Snapshot out;
  for (const auto& sh : wb->sheets) {
    out.emplace_back();
    for (const auto& [key, cell] : sh->cells)
      if (!cell.formula.empty() || cell.arrayBlock >= 0) out.back().push_back(cell.value);
  }
  return out;
}

// The cells to move: the variable cells where the book names them, else a
// few numeric constants.
std::vector<std::pair<Sheet*, std::uint64_t>> inputCells(Workbook* wb, std::mt19937* rng) {
  std::vector<std::pair<Sheet*, std::uint64_t>> out, constants;
  for (size_t s = 0; s < wb->sheets.size(); ++s) {
    Sheet* sh = wb->sheets[s].get();
    for (const auto& [key, cell] : sh->cells)
      if (cell.formula.empty() && cell.arrayBlock < 0 && cell.value.kind == CellKind::Number)
        constants.push_back({sh, key});
    const DefinedName* adj = Wb_findName(wb, "solver_adj", static_cast<int>(s));
    CalcEvalResult r;
    if (!adj || adj->scopeSheet != static_cast<int>(s) || !Calc_evaluate(wb, static_cast<int>(s), adj->definition, &r))
      continue;
    for (const CellRange& a : r.areas)
      for (int row = a.row1; row <= a.row2; ++row)
        for (int col = a.col1; col <= a.col2; ++col)
          out.push_back({wb->sheets[a.sheet].get(), Wb_cellKey(row, col)});
  }
  for (int k = 0; k < 4 && out.empty() && !constants.empty(); ++k)
    out.push_back(constants[std::uniform_int_distribution<size_t>(0, constants.size() - 1)(*rng)]);
  return out;
}

TEST(CalcIncremental, EqualsAFullRecalculationOnTheSharedWorkbooks) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<double> point(-3.0, 3.0);
  int books = 0;
  for (const char* folder : {"calc", "lp", "nlp", "global", "socp"})
    for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + "/" + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      Wb_resetApp();
      std::string error;
      Workbook* wb = Xlsx_open(entry.path().string(), &error);
      ASSERT_TRUE(wb) << entry.path() << ": " << error;
      ++books;
      Calc_recalculateFull(wb);
      auto inputs = inputCells(wb, &rng);
      for (int round = 0; round < 3; ++round) {
        for (const auto& [sh, key] : inputs)
          Wb_setValue(wb, sh, Wb_keyRow(key), Wb_keyCol(key), CellValue::makeNumber(point(rng)));
        Calc_recalculate(wb);
        Snapshot incremental = formulaValues(wb);
        Calc_recalculateFull(wb);
        Snapshot full = formulaValues(wb);
        Calc_recalculateFull(wb);
        Snapshot again = formulaValues(wb);   // cells that differ here follow volatile ones
        for (size_t s = 0; s < full.size(); ++s)
          for (size_t i = 0; i < full[s].size(); ++i)
            if (full[s][i] == again[s][i]) {
              EXPECT_TRUE(incremental[s][i] == full[s][i]) << entry.path() << " sheet " << s << " formula " << i;
            }
      }
    }
  EXPECT_GT(books, 30);
  Wb_resetApp();
}

}  // namespace
