// Models written with another optimisation add-in's markers, loaded into the
// interpreter's model through the automation layer: adjustable cells by cell
// style, their types and free cells by name, constraint markers as bounds,
// cell pairs, numbers and texts, the objective by name; malformed markers
// stop the load with a report naming the cell or the name.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/support/AddinLoad.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class AddinMarkersTest : public AddinLoadTest {
 protected:
  int32_t load(const AddinBook& book) { return AddinLoadTest::load(book, kReaderImportMarkers); }
  const VarRecord& var(int column) { return AddinLoadTest::var(2, column); }
};

TEST_F(AddinMarkersTest, PlanLoadsWithBoundsRowsAndObjective) {
  ASSERT_EQ(load(addinPlan()), kLoadOk) << failure();
  EXPECT_EQ(report.imported.sense, 1);
  EXPECT_EQ(report.imported.variables, 2);
  EXPECT_EQ(report.imported.constraints, 3);  // the bound counts its cell
  ASSERT_EQ(ctx->tables.variables->records.size(), 2u);
  // Both continuous and non-negative; x <= 4 became x's upper bound.
  EXPECT_EQ(var(2).type, kVarContinuous);
  EXPECT_EQ(var(2).bounds.lo, 0.0);
  EXPECT_EQ(var(2).bounds.hi, 4.0);
  EXPECT_EQ(var(3).bounds.lo, 0.0);
  EXPECT_EQ(var(3).bounds.hi, kInf);
  // B6 <= C6 between cells, B7 <= 18, and the objective last.
  ASSERT_EQ(ctx->tables.functions->array.size(), 3u);
  expectCell(item(0).cell, 6, 2);
  EXPECT_EQ(item(0).relation, kRelLessEqual2);
  expectCell(item(0).rhsCell, 6, 3);
  expectCell(item(1).cell, 7, 2);
  EXPECT_EQ(item(1).relation, kRelLessEqual2);
  EXPECT_EQ(item(1).rhs, 18.0);
  expectCell(item(2).cell, 9, 2);
  EXPECT_EQ(item(2).relation, kRelMaximise);
}

TEST_F(AddinMarkersTest, NamesGiveTypesAndFreeCellsAndMinimiseGivesTheSense) {
  AddinBook b;
  b.cells = {{"B2", "0"},
             {"C2", "0"},
             {"D2", "0"},
             {"E2", "0"},
             {"B4", "=D2-2*B2+C2+E2"},
             {"F1", "=wb(D2, \">=\", -5)"},
             {"F2", "=wb(B2:C2, \">=\", 1)"}};
  b.styled = {"B2:E2"};
  b.names = {
      {"WBMIN", "=Plan!$B$4"}, {"wbbin_1", "Plan!$B$2"}, {"my_wbint", "Plan!$C$2"}, {"wbfree", "Plan!$D$2,Plan!$E$2"}};
  ASSERT_EQ(load(b), kLoadOk) << failure();
  EXPECT_EQ(report.imported.sense, -1);
  ASSERT_EQ(ctx->tables.variables->records.size(), 4u);
  EXPECT_EQ(var(2).type, kVarBinary);
  EXPECT_EQ(var(3).type, kVarInteger);
  EXPECT_EQ(var(4).type, kVarContinuous);
  // The binary cell within 0 and 1 and raised to 1 by its marker; the
  // integer one raised to 1; both free cells unbounded below until D2's
  // marker bounds it by -5.
  EXPECT_EQ(var(2).bounds.lo, 1.0);
  EXPECT_EQ(var(2).bounds.hi, 1.0);
  EXPECT_EQ(var(3).bounds.lo, 1.0);
  EXPECT_EQ(var(4).bounds.lo, -5.0);
  EXPECT_EQ(var(5).bounds.lo, -kInf);
  ASSERT_EQ(ctx->tables.functions->array.size(), 1u);
  EXPECT_EQ(item(0).relation, kRelMinimise);
}

TEST_F(AddinMarkersTest, ExpressionsBecomeTextRightHandSides) {
  AddinBook b;
  b.cells = {{"B2", "1"},
             {"C2", "2"},
             {"B5", "=B2*C2"},
             {"D5", "=wb(B5, \"<=\", B2+C2)"},
             {"D6", "=wb(B2+C2, \"<=\", 10)"},
             {"D7", "=wb(B5, \"=\", 3)"}};
  b.styled = {"B2:C2"};
  ASSERT_EQ(load(b), kLoadOk) << failure();
  EXPECT_EQ(report.imported.sense, 0);
  ASSERT_EQ(ctx->tables.functions->array.size(), 3u);
  // A right-hand expression stays a text on the cell's item.
  expectCell(item(0).cell, 5, 2);
  EXPECT_EQ(Text_toUtf8(item(0).rhsText), "B2+C2");
  // A left-hand expression: one item without a cell whose value is
  // 10 - (B2 + C2), which must stay non-negative.
  EXPECT_EQ(item(1).cell.sheet, 0);
  EXPECT_EQ(item(1).relation, kRelGreaterEqual2);
  EXPECT_EQ(Text_toUtf8(item(1).rhsText), "B2+C2 - (10)");
  // A formula cell held equal to a number.
  EXPECT_EQ(item(2).relation, kRelEqual);
  EXPECT_EQ(item(2).rhs, 3.0);
  // The variables start at their cells' values.
  EXPECT_EQ(var(2).value.lo, 1.0);
  EXPECT_EQ(var(3).value.lo, 2.0);
}

// A cell that is not free is non-negative until a marker gives its lower
// bound: the first explicit bound replaces the implicit 0, a second one
// tightens, and a binary cell keeps the 0 of its type.
TEST_F(AddinMarkersTest, ExplicitLowerBoundReplacesTheImplicitZero) {
  AddinBook b;
  b.cells = {{"B2", "0"},
             {"C2", "0"},
             {"D2", "0"},
             {"B4", "=B2+C2+D2"},
             {"F1", "=wb(B2, \">=\", -10)"},
             {"F2", "=wb(C2, \">=\", -3)"},
             {"F3", "=wb(C2, \">=\", -7)"},
             {"F4", "=wb(D2, \">=\", -1)"}};
  b.styled = {"B2:D2"};
  b.names = {{"WBMIN", "=Plan!$B$4"}, {"wbbin", "Plan!$D$2"}};
  ASSERT_EQ(load(b), kLoadOk) << failure();
  EXPECT_EQ(var(2).bounds.lo, -10.0);
  EXPECT_EQ(var(3).bounds.lo, -3.0);
  EXPECT_EQ(var(4).bounds.lo, 0.0);
  EXPECT_EQ(var(4).bounds.hi, 1.0);
}

// A marker that refers to a sheet the workbook does not have, on either
// side, stops the import naming the marker's cell.
TEST_F(AddinMarkersTest, MarkerOnAMissingSheetNamesItsCell) {
  AddinBook b = addinPlan();
  b.cells.push_back({"D8", "=wb(Missing!B2, \">=\", 1)"});
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("refers to the sheet Missing, which the workbook does not have"), std::string::npos)
      << failure();
  expectCell(report.imported.failureCell, 8, 4);
  AddinBook c = addinPlan();
  c.cells.push_back({"E9", "=wb(B7, \"<=\", Other!C3)"});
  EXPECT_EQ(reload(c, kReaderImportMarkers), kLoadHostFailure);
  EXPECT_NE(failure().find("refers to the sheet Other"), std::string::npos) << failure();
  expectCell(report.imported.failureCell, 9, 5);
}

TEST_F(AddinMarkersTest, NoStyleFailsTheImport) {
  AddinBook b = addinPlan();
  b.styled.clear();
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("no cell style \"Adjustable\""), std::string::npos) << failure();
}

TEST_F(AddinMarkersTest, MarkerWithTwoArgumentsNamesItsCell) {
  AddinBook b = addinPlan();
  b.cells.push_back({"D8", "=wb(B7, \"<=\")"});
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("has 2 arguments; wb( takes 3"), std::string::npos) << failure();
  expectCell(report.imported.failureCell, 8, 4);
}

TEST_F(AddinMarkersTest, MarkerWithAnUnknownRelationNamesItsCell) {
  AddinBook b = addinPlan();
  b.cells.push_back({"E3", "=wb(B7, \"<>\", 4)"});
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("the relation \"<>\""), std::string::npos) << failure();
  expectCell(report.imported.failureCell, 3, 5);
}

TEST_F(AddinMarkersTest, StyleOnAFormulaCellNamesTheCell) {
  AddinBook b = addinPlan();
  b.styled.push_back("B7");
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("styled \"Adjustable\" but holds the formula =3*B2+2*C2"), std::string::npos) << failure();
  expectCell(report.imported.failureCell, 7, 2);
}

TEST_F(AddinMarkersTest, NamePatternMatchingNoAdjustableCellNamesTheName) {
  AddinBook b = addinPlan();
  b.names.push_back({"wbint", "Plan!$F$2:$F$3"});
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("\"wbint\" lists cells of which none is adjustable"), std::string::npos) << failure();
  expectCell(report.imported.failureCell, 2, 6);
  AddinBook c = addinPlan();
  c.names.push_back({"wbfree", "nowhere"});
  EXPECT_EQ(reload(c, kReaderImportMarkers), kLoadHostFailure);
  EXPECT_NE(failure().find("\"wbfree\" lists \"nowhere\", which is no cell reference"), std::string::npos) << failure();
}

TEST_F(AddinMarkersTest, ObjectiveNameThatIsNoCellFails) {
  AddinBook b = addinPlan();
  b.names = {{"WBMAX", "Plan!$B$2:$C$2"}};
  EXPECT_EQ(load(b), kLoadHostFailure);
  EXPECT_NE(failure().find("\"WBMAX\" holds \"=Plan!$B$2:$C$2\"; the objective must be one cell"), std::string::npos)
      << failure();
}

}  // namespace
