// Recalculation (dependency order is checked by recalculating the data
// workbooks from empty in the saving tests): circular references, long
// chains, array formulas over blocks, the calculation mode, and the
// precedents and dependents of cells.
#include <algorithm>

#include "CalcTestUtil.h"

using CalcRecalc = CalcFixture;

TEST_F(CalcRecalc, CircularReferencesGiveErrorsNotHangs) {
  formula("A1", "=B1+1");
  formula("B1", "=A1+1");
  formula("C1", "=C1");
  formula("D1", "=IFERROR(A1,7)");    // reads the cycle, is not in it
  formula("E1", "=5");
  Calc_recalculate(wb);
  for (const char* a1 : {"A1", "B1", "C1"}) EXPECT_EQ(value(a1).kind, CellKind::Error) << a1;
  expectCells({{"D1", "7"}, {"E1", "5"}});
  // Breaking the cycle recompiles and calculates again.
  Wb_setValue(wb, sh, 0, 1, CellValue::makeNumber(1));
  Calc_recalculate(wb);
  expectCells({{"A1", "2"}});
}

TEST_F(CalcRecalc, LongChainNeedsNoDeepRecursion) {
  const int n = 100000;
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(0));
  for (int r = 1; r < n; ++r) Wb_setFormula(wb, sh, r, 0, "=A" + std::to_string(r) + "+1");
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, n - 1, 0)->value, CellValue::makeNumber(n - 1));
  Wb_setFormula(wb, sh, 0, 0, "=A" + std::to_string(n));   // now one long cycle
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, n / 2, 0)->value.kind, CellKind::Error);
}

TEST_F(CalcRecalc, ArrayFormulasFillTheirBlocks) {
  // B2:D3 = 1 2 3 / 4 5 6; F2:G4 = 1 2 / 3 4 / 5 6.
  for (int i = 0; i < 6; ++i) Wb_setValue(wb, sh, 1 + i / 3, 1 + i % 3, CellValue::makeNumber(i + 1));
  for (int i = 0; i < 6; ++i) Wb_setValue(wb, sh, 1 + i / 2, 5 + i % 2, CellValue::makeNumber(i + 1));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 6, 1, 7, 2}, "=MMULT(B2:D3,F2:G4)"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 16, 1, 17, 2}, "=7"));
  formula("F8", "=B7+C8");            // reads the block
  Calc_recalculate(wb);
  // [1 2 3; 4 5 6] x [1 2; 3 4; 5 6] = [22 28; 49 64]
  expectCells({{"B7", "22"}, {"C8", "64"}, {"F8", "86"}, {"C18", "7"}});
}

TEST_F(CalcRecalc, RangesInPlainFormulasMeetTheFormulasRow) {
  // B2:B4 prices, C2:C4 quantities, named as whole columns of the table.
  for (int r = 1; r <= 3; ++r) {
    Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(r * 10));
    Wb_setValue(wb, sh, r, 2, CellValue::makeNumber(r));
  }
  Wb_defineName(wb, {"Price", "S!$B$2:$B$4", -1, false});
  Wb_defineName(wb, {"Qty", "S!$C$2:$C$4", -1, false});
  formula("D3", "=Price*Qty");                  // row 3: 20 * 2
  formula("E3", "=IF(Price>15,\"high\",\"low\")");
  formula("F3", "=Price");
  formula("D9", "=Price*Qty");                  // no row in common
  formula("E9", "=SUMPRODUCT(Price*Qty)");      // arguments that take arrays
  formula("F9", "=INDEX(Price*2,3)");
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 9, 3, 11, 3}, "=Price*Qty"));   // D10:D12
  Calc_recalculate(wb);
  expectCells({
      {"D3", "40"}, {"E3", "\"high\""}, {"F3", "20"}, {"D9", "#VALUE!"}, {"F9", "60"}, {"D12", "90"},
      {"E9", "140"},  // 10 + 40 + 90
  });
}

TEST_F(CalcRecalc, NewValuesFlowWithoutRecompilingAndManualModeWaits) {
  setNum("A1", 1);
  formula("B1", "=A1*2");
  Calc_afterChange(wb);
  expectCells({{"B1", "2"}});
  auto version = wb->structureVersion;
  Wb_app().calcMode = CalcMode::Manual;
  setNum("A1", 5);
  EXPECT_EQ(wb->structureVersion, version);
  Calc_afterChange(wb);
  expectCells({{"B1", "2"}});
  Calc_recalculateAll();
  expectCells({{"B1", "10"}});
}

TEST_F(CalcRecalc, PrecedentsAndDependents) {
  setNum("A1", 1);
  setNum("A2", 2);
  formula("B1", "=SUM(A1:A2)");
  formula("C1", "=B1*2+A1");
  formula("D1", "=C1");
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 4, 0, 5, 1}, "=TRANSPOSE(C1:D1)"));
  Calc_recalculate(wb);
  // The areas as sorted A1 texts.
  auto areas = [](const std::vector<CellRange>& v) {
    std::vector<std::string> out;
    for (const CellRange& r : v) out.push_back(Wb_a1(r.row1, r.col1) + ":" + Wb_a1(r.row2, r.col2));
    std::sort(out.begin(), out.end());
    return out;
  };
  using Areas = std::vector<std::string>;
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 0, 2, false)), (Areas{"A1:A1", "B1:B1"}));             // of C1
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 0, 3, true)), (Areas{"A1:A1", "A1:A2", "B1:B1", "C1:C1"}));   // of D1
  EXPECT_TRUE(Calc_precedents(wb, 0, 0, 0, true).empty());   // a constant has none
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 5, 0, false)), (Areas{"C1:D1"}));   // any cell of a block
  EXPECT_EQ(areas(Calc_dependents(wb, 0, 1, 0, false)), (Areas{"B1:B1"}));   // of A2
  EXPECT_EQ(areas(Calc_dependents(wb, 0, 0, 0, true)), (Areas{"A5:B6", "B1:B1", "C1:C1", "D1:D1"}));
  EXPECT_TRUE(Calc_dependents(wb, 0, 9, 9, true).empty());
}
