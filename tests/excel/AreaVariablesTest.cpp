// The session's variable cells read from "solver_adj" and its continuations,
// and values moved area by area through the callback interface.
#include <gtest/gtest.h>

#include <vector>

#include "excel/Area_Areas.h"
#include "tests/excel/ModelFixture.h"
#include "tests/excel/TestRefs.h"

using AreaVariables = ModelFixture;

// Continuations join up to the first missing number; an overlap shares a
// variable.
TEST_F(AreaVariables, ContinuationsJoinAndOverlapSharesAVariable) {
  name("solver_adj", "Model!$A$1:$A$3");
  name("solver_adj1", "Model!$A$2:$B$2");
  name("solver_adj3", "Model!$C$1");               // after the gap: not read
  VariableCells* cells = Sess_readVariableCells(nullptr);
  ASSERT_NE(cells, nullptr);
  EXPECT_EQ(testAreasText(cells->ref), "A1:A3,A2:B2");
  EXPECT_EQ(Area_cellListPositions(cells->list), 5);
  EXPECT_EQ(Sess_getAdjCellCount(cells), 4);

  // Variables 0..3 are A1, A2, A3, B2; A2 is written twice with the same value.
  const std::vector<double> x = {1.5, 2.5, 3.5, 4.5};
  ASSERT_TRUE(Sess_writeVariables(cells, x.data()));
  EXPECT_EQ(valueAt("B2"), CellValue::makeNumber(4.5));
  std::vector<double> back(4);
  ASSERT_TRUE(Sess_readVariables(cells, back.data()));
  EXPECT_EQ(back, x);
  EXPECT_EQ(Sess_variableOfCell(cells, 1, 1), 3);     // B2
  EXPECT_EQ(Sess_variableOfCell(cells, 0, 1), -1);    // B1
  ASSERT_TRUE(Sess_setVariableCell(cells, 2, -7));
  EXPECT_EQ(valueAt("A3"), CellValue::makeNumber(-7));
  EXPECT_FALSE(Sess_setVariableCell(cells, 4, 1));
  Sess_freeVariableCells(cells);
}

TEST_F(AreaVariables, VariableCellsMustBeReferencesOnOneSheet) {
  Wb_addSheet(wb, "Other");
  EXPECT_EQ(Sess_readVariableCells(nullptr), nullptr);   // no "solver_adj"
  name("solver_adj", "5");
  EXPECT_EQ(Sess_readVariableCells(nullptr), nullptr);
  name("solver_adj", "Model!$A$1");
  name("solver_adj1", "7");
  EXPECT_EQ(Sess_readVariableCells(nullptr), nullptr);
  name("solver_adj1", "Other!$A$2:$B$2");   // a continuation on another sheet
  EXPECT_EQ(Sess_readVariableCells(nullptr), nullptr);
}

// A blank cell reads as 0 and is set to 0; texts fail the plain read and
// are converted (or set to 0) only by the coercing one.
TEST_F(AreaVariables, BlanksAndTextsInVariableCells) {
  name("solver_adj", "Model!$A$1:$C$1");
  number("A1", 1);
  VariableCells* cells = Sess_readVariableCells(nullptr);
  ASSERT_NE(cells, nullptr);
  std::vector<double> x(3, 9);
  ASSERT_TRUE(Sess_readVariables(cells, x.data()));
  EXPECT_EQ(x, (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(valueAt("B1"), CellValue::makeNumber(0));
  text("B1", "4.5");
  text("C1", "abc");
  EXPECT_FALSE(Sess_readVariables(cells, x.data()));
  EXPECT_EQ(valueAt("C1"), CellValue::makeText("abc"));
  ASSERT_TRUE(Sess_readVariablesCoercing(cells, x.data()));
  EXPECT_EQ(x, (std::vector<double>{1, 4.5, 0}));
  EXPECT_EQ(valueAt("B1"), CellValue::makeNumber(4.5));
  EXPECT_EQ(valueAt("C1"), CellValue::makeNumber(0));
  Sess_freeVariableCells(cells);
}
