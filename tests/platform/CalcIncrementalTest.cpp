// Incremental recalculation: after values are written, exactly the formulas
// that depend on them (and the volatile ones) are evaluated, and the results
// equal a full recalculation on every shared workbook.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

// With nothing written, a recalculation evaluates the volatile formulas
// alone, however their functions are written; SUMIF only with a sum range.
TEST(CalcIncremental, VolatileFunctionsAreFoundWhateverTheirCase) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("volatile.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));
  const char* formulas[] = {"=rand()*0", "=1+Now()*0", "=ABS(RandBetween(1,2))", "=sumif(A1:A2,1,B1)",
                            "=SUMIF(A1:A2,1)", "=SUM(A1:A2)", "=sumproduct(A1:A2,A1:A2)"};
  for (int c = 0; c < 7; ++c) Wb_setFormula(wb, sh, 2, c, formulas[c]);
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 7u);
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 4u);
  EXPECT_EQ(Calc_warnings(wb).size(), 0u);
  Wb_resetApp();
}

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

// Switching back to automatic evaluates nothing when every formula would
// keep its value, and everything (as a mode change does) otherwise.
TEST(CalcIncremental, CatchingUpEvaluatesNothingOnlyWhenNothingWouldChange) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("catch.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));   // A1
  Wb_setFormula(wb, sh, 0, 1, "=A1*3");                  // B1
  Wb_setFormula(wb, sh, 0, 2, "=SUM(A1:B1)");            // C1
  auto switchBack = [&] {
    Wb_app().calcMode = CalcMode::Manual;
    Calc_recalculate(wb);
    Wb_app().calcMode = CalcMode::Automatic;
  };
  switchBack();
  Calc_catchUp(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 0u);
  EXPECT_EQ(Wb_findCell(sh, 0, 2)->value.number, 8);
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));   // the next recalculation is incremental
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 2u);
  switchBack();
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(10));  // written while manual
  Calc_catchUp(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 2u);
  EXPECT_EQ(Wb_findCell(sh, 0, 2)->value.number, 40);
  Wb_setFormula(wb, sh, 0, 3, "=RAND()*0+1");            // D1: volatile
  switchBack();
  Calc_catchUp(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 3u);
  Wb_clearCell(wb, sh, 0, 3);
  Wb_setFormula(wb, sh, 1, 4, "=SUMPRODUCT(A1:A1000000*A1:XFC1)");   // E2: cut short for work
  switchBack();
  EXPECT_EQ(Calc_displayText(Wb_findCell(sh, 1, 4)->value, ""), "#NUM!");
  Calc_catchUp(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 3u);
  Wb_resetApp();
}

// Rows written as explicit sums of products, as a model without SUMPRODUCT
// has them: after one variable changes, only the rows naming it are
// evaluated, to the sums computed here.
// A stop check that answers true stops the recalculation before the next
// formula: it answers false, and the next recalculation without the check
// evaluates every formula, whichever were evaluated before the stop.
TEST(CalcIncremental, AStopCheckStopsTheRecalculationBeforeTheNextFormula) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("stop.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));
  for (int r = 0; r < 5; ++r) Wb_setFormula(wb, sh, r, 1, "=A1*" + std::to_string(r + 1));   // B1:B5
  for (int formulasBeforeTheStop : {0, 3}) {
    SCOPED_TRACE(formulasBeforeTheStop);
    Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(formulasBeforeTheStop + 10));
    int checks = 0;
    Calc_setStopCheck([&] { return checks++ == formulasBeforeTheStop; });
    EXPECT_FALSE(Calc_recalculate(wb));
    Calc_setStopCheck(nullptr);
    EXPECT_EQ(checks, formulasBeforeTheStop + 1);
    EXPECT_TRUE(Calc_recalculate(wb));
    EXPECT_EQ(Calc_lastEvaluated(wb), 5u);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(Wb_findCell(sh, r, 1)->value.number, (formulasBeforeTheStop + 10) * (r + 1));
  }
  Wb_resetApp();
}

// One long formula asks the stop check inside its loops over references and
// blocks, not only before it: a check that answers true the second time it
// is asked (the first is before the formula) stops the recalculation, and
// the next one without the check gives the formula its whole value,
// 1 + 2 + ... + n.
TEST(CalcIncremental, AStopCheckReachesInsideALongFormula) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("long.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  constexpr int kCells = 100000;
  for (int r = 0; r < kCells; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(r + 1));
  const double sum = 0.5 * kCells * (kCells + 1.0);
  const std::string column = "A1:A" + std::to_string(kCells);
  const std::string formulas[] = {"=SUM(" + column + ")", "=SUMPRODUCT(" + column + "*1)",
                                  "=SUMPRODUCT((" + column + ">0)*" + column + ")",
                                  "=SUMPRODUCT(" + column + "+0," + column + "^0)"};
  for (const std::string& formula : formulas) {
    SCOPED_TRACE(formula);
    Wb_setFormula(wb, sh, 0, 1, formula);
    int checks = 0;
    Calc_setStopCheck([&] { return ++checks == 2; });
    EXPECT_FALSE(Calc_recalculate(wb));
    Calc_setStopCheck(nullptr);
    EXPECT_EQ(checks, 2);
    EXPECT_TRUE(Calc_recalculate(wb));
    EXPECT_EQ(Wb_findCell(sh, 0, 1)->value.number, sum);
  }
  Wb_resetApp();
}

// Compiling a workbook of many formulas asks the stop check as it goes: a
// check that answers true the second time it is asked (inside the compile,
// one stride of formulas in) abandons the compile, and the next
// recalculation compiles and evaluates every formula.
TEST(CalcIncremental, AStopCheckReachesInsideTheCompile) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("many.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  constexpr int kFormulas = 20000;  // several times the formulas between two stop checks
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));
  for (int r = 0; r < kFormulas; ++r) Wb_setFormula(wb, sh, r, 1, "=$A$1*" + std::to_string(r));
  int checks = 0;
  Calc_setStopCheck([&] { return ++checks == 2; });
  EXPECT_FALSE(Calc_recalculate(wb));
  Calc_setStopCheck(nullptr);
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(Calc_counts(wb).compilations, 0u);
  EXPECT_TRUE(Calc_recalculate(wb));
  EXPECT_EQ(Calc_lastEvaluated(wb), static_cast<std::size_t>(kFormulas));
  EXPECT_EQ(Wb_findCell(sh, kFormulas - 1, 1)->value.number, 2.0 * (kFormulas - 1));
  Wb_resetApp();
}

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

// A write is seen by exactly the areas holding it: cells beside a
// rectangle, in its rows but outside its columns or in its columns but
// outside its rows, touch nothing; a whole column sees its far rows.
TEST(CalcIncremental, WritesReachOnlyTheAreasHoldingThem) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("areas.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  auto set = [&](const char* a1, double v) {
    int r = 0, c = 0;
    ASSERT_TRUE(Wb_parseA1(a1, &r, &c));
    Wb_setValue(wb, sh, r, c, CellValue::makeNumber(v));
  };
  auto at = [&](const char* a1) {
    int r = 0, c = 0;
    EXPECT_TRUE(Wb_parseA1(a1, &r, &c));
    return Wb_findCell(sh, r, c)->value.number;
  };
  Wb_setFormula(wb, sh, 0, 23, "=SUM(B2:D4)");   // X1
  Wb_setFormula(wb, sh, 1, 23, "=SUM(F:F)");     // X2
  Wb_setFormula(wb, sh, 2, 23, "=SUM(A6:H6)");   // X3
  Wb_setFormula(wb, sh, 3, 23, "=SUM(C8:D9)");   // X4
  struct Step { std::vector<std::pair<const char*, double>> writes; size_t evaluated; double x1, x2, x3, x4; };
  const std::vector<Step> steps = {
    {{{"A3", 1}, {"E3", 2}, {"C1", 3}, {"C5", 4}, {"E8", 5}, {"B9", 6}}, 0, 0, 0, 0, 0},
    {{{"C3", 7}}, 1, 7, 0, 0, 0},
    {{{"F1048576", 8}}, 1, 7, 8, 0, 0},
    {{{"A6", 9}, {"I6", 10}}, 1, 7, 8, 9, 0},
    {{{"A2", 1}, {"E4", 1}, {"D9", 11}, {"H6", 12}, {"B4", 13}, {"F2", 14}}, 4, 20, 22, 21, 11},
  };
  // Every cell written exists before: a new cell changes the structure, after which all is evaluated.
  for (const Step& step : steps)
    for (const auto& write : step.writes) set(write.first, 0);
  Calc_recalculate(wb);
  for (const Step& step : steps) {
    for (const auto& [cell, value] : step.writes) set(cell, value);
    Calc_recalculate(wb);
    EXPECT_EQ(Calc_lastEvaluated(wb), step.evaluated) << step.writes[0].first;
    EXPECT_EQ(at("X1"), step.x1);
    EXPECT_EQ(at("X2"), step.x2);
    EXPECT_EQ(at("X3"), step.x3);
    EXPECT_EQ(at("X4"), step.x4);
  }
  Wb_resetApp();
}

// The formulas inside an area a formula reads (single cells and part of an
// array block) come before it, whatever order the sheet holds them in.
TEST(CalcIncremental, FormulasInsideAnAreaComeBeforeItsReader) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("order.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));   // A1
  Wb_setValue(wb, sh, 1, 0, CellValue::makeNumber(2));   // A2
  Wb_setFormula(wb, sh, 0, 25, "=SUM(B2:D4)");           // Z1, first in the sheet
  Wb_setFormula(wb, sh, 1, 3, "=C3+1");                  // D2
  Wb_setFormula(wb, sh, 2, 2, "=A1*2");                  // C3
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 3, 1, 4, 1}, "=A1:A2*10"));   // B4:B5, B4 inside
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, 0, 25)->value.number, 2 + 3 + 10);
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(5));
  Calc_recalculate(wb);
  EXPECT_EQ(Calc_lastEvaluated(wb), 4u);
  EXPECT_EQ(Wb_findCell(sh, 0, 25)->value.number, 10 + 11 + 50);
  EXPECT_EQ(Wb_findCell(sh, 4, 1)->value.number, 20);
  Wb_resetApp();
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
