// Reading the model from the front end's names: constraint records, the
// objective, dependence marks and the queries engines ask.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "excel/Names_Model.h"
#include "excel/Xl_Value.h"
#include "tests/excel/ModelFixture.h"

namespace {

class NamesModel : public ModelFixture {
 protected:
  ConstraintList* list = nullptr;
  VariableCells* cells = nullptr;

  void TearDown() override {
    Names_freeConstraints(list);
    Sess_freeVariableCells(cells);
    ModelFixture::TearDown();
  }
  void minimise(const char* cell = "Model!$Z$1") {
    name("solver_opt", cell);
    name("solver_typ", "2");
  }
  void row(int i, const std::string& lhs, int relation, const std::string& rhs) {
    std::string n = std::to_string(i);
    name("solver_lhs" + n, lhs);
    name("solver_rel" + n, std::to_string(relation));
    name("solver_rhs" + n, rhs);
    name("solver_num", n);
  }
  // Reads the variable cells and the constraints, then marks dependence.
  bool readAll() {
    cells = Sess_readVariableCells(nullptr);
    list = Names_readConstraints(nullptr);
    return cells && list && Names_markVariableDependence(list, cells->list);
  }
  const ConstraintRecord& record(int k) { return list->records.at(k); }
  // The constraints read again, replacing the list read before.
  ConstraintList* reread() {
    Names_freeConstraints(list);
    return list = Names_readConstraints(nullptr);
  }
};

}  // namespace

TEST_F(NamesModel, ObjectiveAloneIsAModel) {
  name("solver_num", "0");
  EXPECT_EQ(Names_readConstraints(nullptr), nullptr);    // no record at all
  minimise();
  list = Names_readConstraints(nullptr);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->records.size(), 1u);
  EXPECT_EQ(record(0).relation, RelationMinimise);
  EXPECT_EQ(record(0).row, 0);
  EXPECT_EQ(record(0).flags, RowChecked | RowObjective | RowGrouped);
}

TEST_F(NamesModel, ObjectiveKinds) {
  name("solver_opt", "Model!$Z$1");
  name("solver_typ", "1");
  ASSERT_NE(reread(), nullptr);
  EXPECT_EQ(record(0).relation, RelationMaximise);
  EXPECT_EQ(record(0).flags, 0x1u | 0x4u | 0x8u);
  ASSERT_EQ(Xl_type(record(0).rhs), xltypeNum);
  EXPECT_EQ(record(0).rhs->val.num, 0.0);
  name("solver_typ", "3");
  EXPECT_EQ(reread(), nullptr);   // value-of without "solver_val"
  name("solver_val", "12.5");
  ASSERT_NE(reread(), nullptr);
  EXPECT_EQ(record(0).relation, RelationEqual);
  EXPECT_EQ(record(0).flags, 0x1u | 0x4u);
  EXPECT_EQ(record(0).rhs->val.num, 12.5);
  name("solver_typ", "4");
  EXPECT_EQ(reread(), nullptr);
  name("solver_typ", "2");
  name("solver_opt", "Model!$Z$1:$Z$2");   // not one cell
  EXPECT_EQ(reread(), nullptr);
}

TEST_F(NamesModel, UnknownRelationsFail) {
  minimise();
  row(1, "Model!$A$1", 12, "1");
  EXPECT_EQ(Names_readConstraints(nullptr), nullptr);
  name("solver_rel1", "0");
  EXPECT_EQ(Names_readConstraints(nullptr), nullptr);
  name("solver_num", "-1");
  EXPECT_EQ(Names_readConstraints(nullptr), nullptr);
}

TEST_F(NamesModel, SidesMustMatchInSize) {
  minimise();
  row(1, "Model!$A$1:$A$3", 1, "Model!$B$1:$B$3");
  ASSERT_NE(reread(), nullptr);
  EXPECT_EQ(record(0).flags, RowChecked | RowElementwise);
  name("solver_rhs1", "Model!$B$1:$B$2");
  EXPECT_EQ(reread(), nullptr);
  name("solver_rhs1", "5");
  ASSERT_NE(reread(), nullptr);
  EXPECT_EQ(record(0).flags, RowChecked);
  EXPECT_EQ(record(0).rhs->val.num, 5.0);
  EXPECT_EQ(record(1).row, 0);                                 // the objective comes last
}

TEST_F(NamesModel, IntegerRowsCompareAgainstZero) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$2");
  row(1, "Model!$A$1:$A$2", 4, "integer");
  ASSERT_TRUE(readAll());
  ASSERT_EQ(Xl_type(record(0).rhs), xltypeNum);
  EXPECT_EQ(record(0).rhs->val.num, 0.0);
  EXPECT_EQ(record(0).flags, RowChecked | RowBound);
}

TEST_F(NamesModel, IntegerRowOutsideTheVariablesFailsTheMarks) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$2");
  row(1, "Model!$A$2:$A$3", 4, "integer");
  EXPECT_FALSE(readAll());
}

TEST_F(NamesModel, RightHandSidesThatMoveWithTheVariables) {
  minimise();
  Wb_addSheet(wb, "Other");
  name("solver_adj", "Model!$A$1:$A$3");
  number("B1", 1);
  formula("D1", "=A1*2");        // reads a variable directly
  formula("F1", "=A2");
  formula("E1", "=F1+1");        // through another cell
  formula("G1", "=H1+1");        // through a constant only
  row(1, "Model!$A$1:$A$3", 1, "Model!$B$1");
  row(2, "Model!$C$1", 1, "Model!$D$1");
  row(3, "Model!$C$1", 3, "Model!$E$1");
  row(4, "Model!$A$1", 1, "Model!$G$1");
  row(5, "Model!$A$1", 1, "notanumber");
  row(6, "Model!$A$1", 1, "Other!$B$1");
  row(7, "Model!$A$2", 3, "Model!$A$1");   // a variable as right-hand side
  ASSERT_TRUE(readAll());
  const unsigned B = RowBound, V = RowRhsVaries;
  const unsigned expected[] = {B, V, V, B, V, V, V, 0};   // objective Z1 is no variable
  for (int k = 0; k < 8; ++k) EXPECT_EQ(record(k).flags & (B | V), expected[k]) << "row " << k + 1;
}

TEST_F(NamesModel, BinaryRowsNeedZeroOneBounds) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$2");
  number("B1", 1);
  number("C1", 0);
  row(1, "Model!$A$1", 1, "Model!$B$1");
  row(2, "Model!$A$1", 3, "Model!$C$1");
  row(3, "Model!$A$1", 5, "binary");
  ASSERT_TRUE(readAll());
  double lower[2] = {-1e30, -1e30}, upper[2] = {1e30, 1e30};
  ASSERT_TRUE(Sess_deriveVariableBounds(list, cells->list, lower, upper, -1e30, 1e30));
  EXPECT_EQ((std::vector<double>{lower[0], lower[1], upper[0], upper[1]}), (std::vector<double>{0, -1e30, 1, 1e30}));
  int flags[2] = {0, 0};
  ASSERT_TRUE(Sess_getIntegerFlags(list, cells->list, true, flags));
  EXPECT_EQ((std::vector<int>{flags[0], flags[1]}), (std::vector<int>{2, 0}));

  number("B1", 5);                          // x <= 5 conflicts with binary
  lower[0] = -1e30;
  upper[0] = 1e30;
  EXPECT_FALSE(Sess_deriveVariableBounds(list, cells->list, lower, upper, -1e30, 1e30));
}

TEST_F(NamesModel, AllDifferentGroupsNumberTheirTypes) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$8");
  row(1, "Model!$A$1:$A$4", 6, "alldifferent");
  row(2, "Model!$A$5:$A$7", 6, "alldifferent");
  row(3, "Model!$A$8", 4, "integer");
  ASSERT_TRUE(readAll());
  EXPECT_EQ(list->counts.allDifferentGroups, 2);
  EXPECT_EQ(list->counts.allDifferentCells, 7);

  std::vector<double> lower(8, -1e30), upper(8, 1e30);
  ASSERT_TRUE(Sess_deriveVariableBounds(list, cells->list, lower.data(), upper.data(), -1e30, 1e30));
  EXPECT_EQ(lower, (std::vector<double>{1, 1, 1, 1, 1, 1, 1, -1e30}));
  EXPECT_EQ(upper, (std::vector<double>{4, 4, 4, 4, 3, 3, 3, 1e30}));

  std::vector<int> flags(8, 0);
  ASSERT_TRUE(Sess_getIntegerFlags(list, cells->list, true, flags.data()));
  EXPECT_EQ(flags, (std::vector<int>{3, 3, 3, 3, 4, 4, 4, 1}));
  flags.assign(8, 0);
  ASSERT_TRUE(Sess_getIntegerFlags(list, cells->list, false, flags.data()));
  EXPECT_EQ(flags, (std::vector<int>(8, 1)));

  std::vector<int> starts, members;
  ASSERT_TRUE(Names_allDifferentGroups(list, cells->list, &starts, &members));
  EXPECT_EQ(starts, (std::vector<int>{0, 4, 7}));
  EXPECT_EQ(members, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(NamesModel, ConflictingAllDifferentBoundFails) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$3");
  row(1, "Model!$A$1:$A$3", 6, "alldifferent");
  row(2, "Model!$A$1:$A$3", 3, "0");
  ASSERT_TRUE(readAll());
  std::vector<double> lower(3, -1e30), upper(3, 1e30);
  EXPECT_FALSE(Sess_deriveVariableBounds(list, cells->list, lower.data(), upper.data(), -1e30, 1e30));
}

TEST_F(NamesModel, CountsCellsAndConesOfFilteredRows) {
  minimise();
  name("solver_adj", "Model!$A$1:$B$3");
  row(1, "Model!$C$1:$C$3", 1, "4");
  row(2, "Model!$A$1:$A$3", 7, "0");
  row(3, "Model!$B$1:$B$2", 8, "0");
  row(4, "Model!$B$3:$C$3", 9, "1");
  ASSERT_TRUE(readAll());
  EXPECT_EQ(Names_countCells(list, 0, RowChecked, 0), 3 + 3 + 2 + 2 + 1);
  EXPECT_EQ(Names_countCells(list, RelationLessEqual, RowChecked, RowGrouped), 3);
  EXPECT_EQ(Names_countCells(list, 0, RowGrouped, RowObjective), 2);
  EXPECT_EQ(Names_maxRowCells(list), 3);

  std::vector<int> numbers, sizes;
  ASSERT_TRUE(Names_cellVariables(list, &sizes, 0, RowGrouped, 0, cells->list, &numbers));
  EXPECT_EQ(numbers, (std::vector<int>{5, -1, -1}));          // B3, C3, the objective Z1
  EXPECT_EQ(sizes, (std::vector<int>{2, 2, 1}));

  std::vector<int> starts, kinds, members;
  ASSERT_TRUE(Names_coneConstraints(list, cells->list, &starts, &kinds, &members));
  EXPECT_EQ(kinds, (std::vector<int>{1, 2}));
  EXPECT_EQ(starts, (std::vector<int>{0, 3, 5}));
  EXPECT_EQ(members, (std::vector<int>{0, 2, 4, 1, 3}));
  EXPECT_EQ(list->counts.cones, 2);
  EXPECT_EQ(list->counts.coneCells, 5);
}

TEST_F(NamesModel, RightHandTextsPerCell) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$3");
  row(1, "Model!$A$1:$A$2", 1, "Model!$B$1:$B$2");
  row(2, "Model!$A$3", 3, "2.5");
  row(3, "Model!$C$1", 1, "Model!$A$1+1");
  ASSERT_TRUE(readAll());
  // Cell k: relation, row, sheet row, column and right-hand text.
  const std::tuple<int, int, int, int, std::string> cellsOfRows[] = {
      {1, 1, 1, 0, "R2C2"}, {3, 2, 2, 0, "2.5"}, {1, 3, 0, 2, "Model!$A$1+1"}};
  ConstraintCell cell;
  for (int k = 1; k <= 3; ++k) {
    ASSERT_TRUE(Names_cellOfRows(list, 0, RowChecked, 0, k, &cell));
    EXPECT_EQ(std::make_tuple(cell.relation, cell.row, cell.sheetRow, cell.column, cell.rhsText), cellsOfRows[k - 1])
        << "cell " << k;
  }
  EXPECT_FALSE(Names_cellOfRows(list, 0, RowChecked, 0, 4, &cell));   // the objective
  EXPECT_FALSE(Names_cellOfRows(list, 0, RowChecked, 0, 5, &cell));   // past the end

  ASSERT_TRUE(Sess_getConstraintCell(list, 2, &cell));                // bound rows only
  EXPECT_EQ(cell.row, 2);
}

TEST_F(NamesModel, ReadingLeavesTheWorkbookAsItWas) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$3");
  number("A1", 1);
  number("A2", 2);
  number("A3", 3);
  formula("D1", "=A1*2");
  row(1, "Model!$C$1", 1, "Model!$D$1");
  row(2, "Model!$A$1:$A$3", 4, "integer");
  Wb_app().selection = {CellRange{0, 4, 4, 5, 5}};
  const auto cellsBefore = sheet->cells.size();
  const auto namesBefore = wb->names.size();
  ASSERT_TRUE(readAll());
  double x[3];
  ASSERT_TRUE(Sess_readVariables(cells, x));
  EXPECT_EQ(sheet->cells.size(), cellsBefore);
  EXPECT_EQ(wb->names.size(), namesBefore);
  EXPECT_EQ(valueAt("A2"), CellValue::makeNumber(2));
  ASSERT_EQ(Wb_app().selection.size(), 1u);
  EXPECT_EQ(Wb_app().selection[0].row1, 4);
  EXPECT_EQ(Wb_app().selection[0].col2, 5);
  EXPECT_TRUE(Wb_app().screenUpdating);
}

TEST_F(NamesModel, RunModeFromRobustNum) {
  int mode = 9;
  EXPECT_TRUE(Names_readRobustMode(nullptr, &mode));
  EXPECT_EQ(mode, 0);
  name("robust_num", "2");
  EXPECT_TRUE(Names_readRobustMode(nullptr, &mode));
  EXPECT_EQ(mode, 2);
  name("robust_num", "3");
  EXPECT_FALSE(Names_readRobustMode(nullptr, &mode));
  EXPECT_EQ(mode, -1);
}

TEST_F(NamesModel, ScenarioTableRows) {
  ScenarioTable* table = nullptr;
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));      // "scen_num" 0: no table
  EXPECT_EQ(table, nullptr);

  name("scen_num", "2");
  name("scen_change", "Model!$C$1:$C$2");
  name("scen_value1", "{1;2}");
  name("scen_value2", "{3,4}");
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(Names_getScenarioRowCount(table), 2);
  EXPECT_EQ(Area_cellListDistinct(Names_getScenarioCells(table)), 2);

  auto rowValues = [&table](int row) {
    double x[2] = {-1, -1};
    EXPECT_TRUE(Names_getScenarioRowValues(table, row, x, 0, 2));
    return std::vector<double>{x[0], x[1]};
  };
  EXPECT_EQ(rowValues(1), (std::vector<double>{3, 4}));
  ASSERT_TRUE(Names_setScenarioRowValue(table, 1, 1, 40));
  ASSERT_TRUE(Names_writeScenarioRow(table, 1));
  EXPECT_EQ(valueAt("C1"), CellValue::makeNumber(3));
  EXPECT_EQ(valueAt("C2"), CellValue::makeNumber(40));

  number("C1", 7);
  ASSERT_TRUE(Names_readScenarioRow(table, 0));
  EXPECT_EQ(rowValues(0), (std::vector<double>{7, 40}));
  ASSERT_TRUE(Names_storeScenarioRows(nullptr, table));
  Names_freeScenarioTable(table);
  table = nullptr;

  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));      // the stored rows read back
  EXPECT_EQ(rowValues(0), (std::vector<double>{7, 40}));
  Names_freeScenarioTable(table);

  name("scen_value2", "{3,4,5}");                             // wrong size
  EXPECT_FALSE(Names_readScenarioTable(nullptr, &table));
  name("scen_num", "-1");
  EXPECT_FALSE(Names_readScenarioTable(nullptr, &table));
}

TEST_F(NamesModel, TableDependenceMarks) {
  minimise();
  name("solver_adj", "Model!$A$1:$A$2");
  name("scen_num", "1");
  name("scen_change", "Model!$C$1:$C$2");
  name("scen_value1", "{5;6}");
  formula("D1", "=C1*A1");
  formula("E1", "=C1+1");
  row(1, "Model!$D$1", 1, "Model!$E$1");
  row(2, "Model!$A$1", 1, "3");
  ASSERT_TRUE(readAll());
  ScenarioTable* table = nullptr;
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));
  ASSERT_TRUE(Names_markTableDependence(list, table));
  EXPECT_EQ(record(0).flags & (RowLhsOnTable | RowRhsOnTable), unsigned(RowLhsOnTable | RowRhsOnTable));
  EXPECT_EQ(record(1).flags & (RowLhsOnTable | RowRhsOnTable), 0u);
  EXPECT_TRUE(Names_markTableDependence(list, nullptr));
  Names_freeScenarioTable(table);
}
