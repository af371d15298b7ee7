// Areas: reference geometry, cell lists and their renumberings, references
// read from R1C1 texts (on references built by hand), and the session's
// variable cells read from "solver_adj" and its continuations.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "entry/Sess_Variables.h"
#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"
#include "tests/support/ModelFixture.h"

TEST(AreaGeometry, CountsSingleAreasAndBlocks) {
  TestRef two({"A1:B3", "C5"}, 7), block({"B2:D3"}), cell({"C5"});
  EXPECT_EQ(Area_totalCells(two.get()), 7);
  XLOPER number{};
  number.xltype = xltypeNum;
  EXPECT_EQ(Area_totalCells(&number), 0);
  int rows, columns, row, column;
  EXPECT_FALSE(Area_singleAreaSize(two.get(), &rows, &columns));
  ASSERT_TRUE(Area_singleAreaSize(block.get(), &rows, &columns));
  EXPECT_EQ(std::make_pair(rows, columns), std::make_pair(2, 3));
  ASSERT_TRUE(Area_cellOfSingleArea(block.get(), 4, &row, &column));   // second row, middle: C3
  EXPECT_EQ(std::make_pair(row, column), std::make_pair(2, 2));
  EXPECT_FALSE(Area_cellOfSingleArea(block.get(), 6, &row, &column));
  EXPECT_FALSE(Area_isSingleCell(block.get()));
  EXPECT_TRUE(Area_isSingleCell(cell.get()));

  XlOwned topLeft(Area_topLeftBlock(two.get(), 2, 3));   // from the first area's corner, same sheet
  ASSERT_NE(topLeft, nullptr);
  EXPECT_EQ(testAreasText(topLeft.get()), "A1:C2");
  EXPECT_EQ(Area_sheetOf(topLeft.get()), 7);
  EXPECT_EQ(Area_topLeftBlock(two.get(), 0, 1), nullptr);
  EXPECT_EQ(Area_topLeftBlock(two.get(), 1, 300), nullptr);
}

TEST(AreaGeometry, EqualityContainmentAndOverlap) {
  TestRef a({"A1:B2", "C1:C2"}), same({"A1:B2", "C1:C2"}), otherSheet({"A1:B2", "C1:C2"}, 2);
  EXPECT_TRUE(Area_sameAreas(a.get(), same.get()));
  EXPECT_FALSE(Area_sameAreas(a.get(), otherSheet.get()));
  EXPECT_TRUE(Area_containsCell(a.get(), 1, 2));     // C2
  EXPECT_FALSE(Area_containsCell(a.get(), 2, 0));    // A3
  EXPECT_TRUE(Area_hasArea(a.get(), testArea("C1:C2")));
  EXPECT_FALSE(Area_hasArea(a.get(), testArea("C1")));

  TestRef acrossAreas({"A1:C1"}), tooWide({"A1:D1"});
  EXPECT_TRUE(Area_within(a.get(), acrossAreas.get()));
  EXPECT_FALSE(Area_within(a.get(), tooWide.get()));

  TestRef far({"E5:F9"}), touching({"C2:E4"});
  EXPECT_FALSE(Area_intersects(a.get(), far.get()));
  EXPECT_TRUE(Area_intersects(a.get(), touching.get()));
  EXPECT_TRUE(Area_intersects(touching.get(), a.get()));
}

TEST(AreaCellList, OverlappingAreasShareNumbers) {
  // "solver_adj" A1:A3 continued by A2:B2: A2 occurs twice.
  TestRef adj({"A1:A3", "A2:B2"});
  CellList* list = Area_buildCellList(adj.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Area_cellListPositions(list), 5);
  EXPECT_EQ(Area_cellListDistinct(list), 4);
  EXPECT_EQ(list->order, (std::vector<int>{0, 1, 2, 1, 3}));
  EXPECT_EQ(Area_variableOfPosition(list, 3), Area_variableOfPosition(list, 1));
  EXPECT_EQ(Area_variableOfPosition(list, 5), -1);
  EXPECT_EQ(Area_positionOfVariable(list, 3), 4);
  EXPECT_EQ(Area_positionOfVariable(list, 4), -1);
  EXPECT_EQ(Area_positionOfCell(list, 1, 1), 4);     // B2
  EXPECT_EQ(Area_positionOfCell(list, 1, 0), 1);     // A2: first area that holds it
  EXPECT_EQ(Area_positionOfCell(list, 5, 5), -1);
  AreaCell cell;
  ASSERT_TRUE(Area_getVariableCell(list, 3, &cell));
  EXPECT_EQ(cell.area, 1);
  EXPECT_EQ(cell.row, 1);
  EXPECT_EQ(cell.column, 1);
  EXPECT_FALSE(Area_getVariableCell(list, 4, &cell));

  TestRef probe({"A2:B3"});
  int numbers[4];
  ASSERT_EQ(Area_cellVariables(list, probe.get(), numbers), 4);
  EXPECT_EQ(std::vector<int>(numbers, numbers + 4), (std::vector<int>{1, 3, 2, -1}));
  Area_freeCellList(list);

  XLOPER text{};
  text.xltype = xltypeStr;
  EXPECT_EQ(Area_buildCellList(&text), nullptr);
}

// The variable numbers of a reference's cells, worked out area by area,
// agree cell by cell with the position lookup: where the list's areas
// overlap the first one's number holds, cells outside every area get -1,
// and a renumbered list answers its renumbering.
TEST(AreaCellList, CellVariablesAgreeWithThePositionOfEveryCell) {
  TestRef adj({"B2:D4", "C3:E3", "A6", "D4:D6"});
  CellList* list = Area_buildCellList(adj.get());
  ASSERT_NE(list, nullptr);
  Area_rotateVariables(list, 3);
  TestRef probe({"A1:F7", "C3", "D5:E6"});
  const int cells = Area_totalCells(probe.get());
  std::vector<int> numbers(cells, -7), expected;
  const XLREF* areas;
  int count;
  ASSERT_TRUE(Area_areasOf(probe.get(), &areas, &count));
  for (int i = 0; i < count; ++i)
    for (int r = areas[i].rwFirst; r <= areas[i].rwLast; ++r)
      for (int c = areas[i].colFirst; c <= areas[i].colLast; ++c) {
        int p = Area_positionOfCell(list, r, c);
        expected.push_back(p < 0 ? -1 : Area_variableOfPosition(list, p));
      }
  ASSERT_EQ(Area_cellVariables(list, probe.get(), numbers.data()), cells);
  EXPECT_EQ(numbers, expected);
  EXPECT_EQ(numbers[2 * 6 + 2], numbers[42]);  // C3 in the first probe area and alone
  EXPECT_EQ(numbers[0], -1);                   // A1
  Area_freeCellList(list);
}

// The variables of a reference's cells, found area by area, are those each
// cell's own position gives, also where the list's areas overlap and in a
// renumbered list.
TEST(AreaCellList, CellVariablesAgreeWithEachCellsPosition) {
  std::mt19937 random(23);
  auto area = [&random] {
    const int row = static_cast<int>(random() % 12), column = static_cast<int>(random() % 12);
    return XLREF{static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(row + random() % 4),
                 static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(column + random() % 5)};
  };
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<XLREF> adjAreas(1 + random() % 4), probeAreas(1 + random() % 3);
    for (XLREF& a : adjAreas) a = area();
    for (XLREF& a : probeAreas) a = area();
    TestRef adj(adjAreas), probe(probeAreas);
    CellList* list = Area_buildCellList(adj.get());
    ASSERT_NE(list, nullptr);
    if (trial % 2) Area_rotateVariables(list, Area_cellListDistinct(list) / 2);
    std::vector<int> found(static_cast<size_t>(Area_totalCells(probe.get()))), want;
    ASSERT_EQ(Area_cellVariables(list, probe.get(), found.data()), static_cast<int>(found.size()));
    for (const XLREF& a : probeAreas)
      for (int r = a.rwFirst; r <= a.rwLast; ++r)
        for (int c = a.colFirst; c <= a.colLast; ++c) {
          const int p = Area_positionOfCell(list, r, c);
          want.push_back(p < 0 ? -1 : Area_variableOfPosition(list, p));
        }
    EXPECT_EQ(found, want) << "trial " << trial;
    Area_freeCellList(list);
  }
}

// Swaps and rotations keep the identity compact (no table); aligning two
// lists numbers their shared cells first, in the shorter list's order.
TEST(AreaCellList, RenumberingAndAlignment) {
  TestRef column({"A1:A4"}), scenario({"C1", "A3", "A1"});
  CellList* first = Area_buildCellList(column.get());
  CellList* second = Area_buildCellList(scenario.get());
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->order.empty());
  Area_swapVariables(first, 0, 2);
  EXPECT_EQ(first->order, (std::vector<int>{2, 1, 0, 3}));
  Area_swapVariables(first, 2, 0);
  Area_rotateVariables(first, 4);                     // a multiple of distinct: nothing
  EXPECT_EQ(first->order, (std::vector<int>{0, 1, 2, 3}));
  Area_rotateVariables(first, 5);
  EXPECT_EQ(first->order, (std::vector<int>{1, 2, 3, 0}));
  Area_rotateVariables(first, 3);                     // back to the identity: table dropped
  EXPECT_TRUE(first->order.empty());
  ASSERT_EQ(Area_alignCellLists(first, second), 2);   // A3 gets 0 and A1 gets 1 in both lists
  EXPECT_EQ(first->order, (std::vector<int>{1, 2, 0, 3}));
  EXPECT_EQ(second->order, (std::vector<int>{2, 0, 1}));
  Area_rotateVariables(first, 4 - 2);                 // distinct - shared: the shared cells last
  EXPECT_EQ(first->order, (std::vector<int>{3, 0, 2, 1}));
  Area_freeCellList(first);
  Area_freeCellList(second);
}

TEST(AreaGeometry, AreasWithCornersOutOfOrderAreRefused) {
  TestRef reversed({"A1", "B3:A1"});
  EXPECT_EQ(Area_totalCells(reversed.get()), 0);
  EXPECT_EQ(Area_buildCellList(reversed.get()), nullptr);
  EXPECT_FALSE(Area_containsCell(reversed.get(), 0, 0));
  EXPECT_EQ(Area_topLeftBlock(reversed.get(), 1, 1), nullptr);
  EXPECT_EQ(Sess_variableOfCell(nullptr, 0, 0), -1);
  EXPECT_FALSE(Sess_readVariables(nullptr, nullptr));
}

// The areas each text reads to on sheet 7, from base B2 unless given; "fail"
// when refused.
TEST(AreaR1C1, TextsReadRelativeToTheBase) {
  const char* const cases[][3] = {
      {"R[1]C[-1]", "B2", "A3"},      {"R2C3", "B2", "C2"},           {"RC", "B2", "B2"},
      {"R0C0", "B2", "B2"},           {"R1C1:R2C2,R5C5", "B2", "A1:B2,E5"},
      {"R[-1]C:R[2]C[3]", "C3:D9", "C2:F5"},   // base: the first cell
      {"R[-2]C1", "B2", "fail"},      // above row 1
      {"RC[-2]", "B2", "fail"},       // left of column A
      {"R1C256", "B2", "IV1"},        {"R1C257", "B2", "fail"},
      {"R1C[254]", "B2", "IV1"},      {"R1C[255]", "B2", "fail"},
      {"R2C1:R1C1", "B2", "fail"},    {"R1C2:R1C1", "B2", "fail"},    // corners out of order
      {"R1C1:R1C1", "B2", "A1"},
      {"R[+1]C1", "B2", "fail"},      {"R1", "B2", "fail"},
  };
  for (const auto& [text, base, expected] : cases) {
    TestRef ref({base}, 7);
    XlOwned result(Area_fromR1C1(text, ref.get()));
    EXPECT_EQ(result ? testAreasText(result.get()) : "fail", expected) << text;
    EXPECT_TRUE(!result || result->val.mref.idSheet == 7) << text;
  }
  TestRef two({"A1", "B2"});                  // the base must be one area
  EXPECT_EQ(Area_fromR1C1("RC", two.get()), nullptr);
  XLOPER number{};
  number.xltype = xltypeNum;
  EXPECT_EQ(Area_fromR1C1("RC", &number), nullptr);
}

TEST(AreaR1C1, AreaCountsAndMalformedTexts) {
  EXPECT_EQ(Area_countR1C1Areas("R1C1:R2C2,R5C5", 1, 1), 2);
  EXPECT_EQ(Area_countR1C1Areas("R[1]C[-1]", 1, 1), 1);
  EXPECT_EQ(Area_countR1C1Areas("R65536C1", 0, 0), 1);    // the last 16-bit row
  for (const char* text : {"R[+1]C1", "R1", "", "C1", "R1C1,", "R1C1,C1", "R1C1 ", " R1C1", "R[]C1", "R[1C1",
                           "R1C1:", "R1C1:R2", "r1c1", "R1C1;R2C2", "R:C", "R65537C1", "R99999999999999999999C1"})
    EXPECT_EQ(Area_countR1C1Areas(text, 1, 1), 0) << text;
}

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

// The sides of a constraint read a blank cell as 0 and leave it blank; a
// text still stops the read.
TEST_F(AreaVariables, ConstraintSidesReadBlanksAsZero) {
  TestRef ref({"B2:C2", "E1"}, sheetId());
  number("B2", 4);
  double out[3] = {9, 9, 9};
  EXPECT_EQ(Area_readValues(ref.get(), out), 0);
  ASSERT_EQ(Area_readSideValues(ref.get(), out), 3);
  EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{4, 0, 0}));
  EXPECT_EQ(valueAt("C2"), CellValue{});
  text("E1", "x");
  EXPECT_EQ(Area_readSideValues(ref.get(), out), 2);
}

// Values move one area per call; a text stops a read at its area (the areas
// before it count) and is no blank to fill.
TEST_F(AreaVariables, ValuesMoveAreaByArea) {
  TestRef ref({"B2:C3", "E1"}, sheetId());
  const double x[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(Area_writeValues(ref.get(), x), 5);
  EXPECT_EQ(valueAt("B3"), CellValue::makeNumber(3));
  double out[5] = {};
  ASSERT_EQ(Area_readValues(ref.get(), out), 5);
  EXPECT_EQ(std::vector<double>(out, out + 5), std::vector<double>(x, x + 5));
  text("E1", "x");
  EXPECT_EQ(Area_readValues(ref.get(), out), 4);
  EXPECT_EQ(Area_readValuesFilling(ref.get(), out), 4);
  EXPECT_EQ(valueAt("E1"), CellValue::makeText("x"));
}
