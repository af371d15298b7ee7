// Reading the model from the front end's names: constraint records, the
// objective, dependence marks and the queries engines ask; option names read
// and written with the readers' defaults.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "entry/Sess_ModelQueries.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "tests/support/ModelFixture.h"

namespace {

class NamesModel : public ModelFixture {
 protected:
  const ConstraintRecord& record(int k) { return model->list()->records.at(k); }
  // The constraints alone (no variable cells needed); false when refused.
  bool readConstraints() {
    readModel();
    return model->list() != nullptr;
  }
  // The lower bounds of n variables, then their upper bounds.
  std::vector<double> bounds(int n, bool* ok) {
    std::vector<double> lower(n, -1e30), upper(n, 1e30);
    *ok = Sess_deriveVariableBounds(model->list(), model->cells(), lower.data(), upper.data(), -1e30, 1e30);
    lower.insert(lower.end(), upper.begin(), upper.end());
    return lower;
  }
  std::vector<int> integerFlags(int n, bool withAllDifferent) {
    std::vector<int> flags(n, 0);
    EXPECT_TRUE(Sess_getIntegerFlags(model->list(), model->cells(), withAllDifferent, flags.data()));
    return flags;
  }
};

}  // namespace

TEST_F(NamesModel, ObjectiveKinds) {
  name("solver_num", "0");
  EXPECT_FALSE(readConstraints());                 // no objective and no rows: no model
  name("solver_opt", "Model!$Z$1");
  // "solver_typ", "solver_val" (none when empty), relation (0: refused), flags, right-hand side.
  const std::tuple<const char*, const char*, int, unsigned, double> cases[] = {
      {"2", "", RelationMinimise, RowChecked | RowObjective | RowGrouped, 0},
      {"1", "", RelationMaximise, RowChecked | RowObjective | RowGrouped, 0},
      {"3", "", 0, 0, 0},                         // value-of without "solver_val"
      {"3", "12.5", RelationEqual, RowChecked | RowObjective, 12.5},
      {"4", "12.5", 0, 0, 0},
  };
  for (const auto& [typ, val, relation, flags, rhs] : cases) {
    SCOPED_TRACE(typ);
    name("solver_typ", typ);
    if (*val) name("solver_val", val);
    ASSERT_EQ(readConstraints(), relation != 0);
    if (!relation) continue;
    ASSERT_EQ(model->list()->records.size(), 1u);
    EXPECT_EQ(std::make_tuple(record(0).relation, record(0).row, record(0).flags), std::make_tuple(relation, 0, flags));
    ASSERT_EQ(Xl_type(record(0).rhs), xltypeNum);
    EXPECT_EQ(record(0).rhs->val.num, rhs);
  }
  name("solver_typ", "2");
  name("solver_opt", "Model!$Z$1:$Z$2");           // not one cell
  EXPECT_FALSE(readConstraints());
}

TEST_F(NamesModel, RowsRefusedAndSidesMatched) {
  minimise();
  row(1, "Model!$A$1", 12, "1");                  // an unknown relation
  EXPECT_FALSE(readConstraints());
  name("solver_num", "-1");
  EXPECT_FALSE(readConstraints());
  row(1, "Model!$A$1:$A$3", 1, "Model!$B$1:$B$3");
  ASSERT_TRUE(readConstraints());
  EXPECT_EQ(record(0).flags, RowChecked | RowElementwise);
  name("solver_rhs1", "Model!$B$1:$B$2");          // sizes differ
  EXPECT_FALSE(readConstraints());
  name("solver_rhs1", "5");
  ASSERT_TRUE(readConstraints());
  EXPECT_EQ(record(0).flags, RowChecked);
  EXPECT_EQ(record(0).rhs->val.num, 5.0);
  EXPECT_EQ(record(1).row, 0);                     // the objective comes last
}

TEST_F(NamesModel, RightHandSidesThatMoveWithTheVariables) {
  minimise("Model!$A$1:$A$3");
  Wb_addSheet(wb, "Other");
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
  Wb_app().selection = {CellRange{0, 4, 4, 5, 5}};
  ASSERT_TRUE(readModel());
  const unsigned B = RowBound, V = RowRhsVaries;
  const unsigned expected[] = {B, V, V, B, V, V, V, 0};   // objective Z1 is no variable
  for (int k = 0; k < 8; ++k) EXPECT_EQ(record(k).flags & (B | V), expected[k]) << "row " << k + 1;
  // Finding precedents left the selection and screen updating as they were.
  ASSERT_EQ(Wb_app().selection.size(), 1u);
  EXPECT_EQ(std::make_pair(Wb_app().selection[0].row1, Wb_app().selection[0].col2), std::make_pair(4, 5));
  EXPECT_TRUE(Wb_app().screenUpdating);
}

// A right-hand side given as a formula bounds its variables when it gives a
// number and reads no variable, directly or through its cells and the
// names it uses; the bound is the formula's value now.
TEST_F(NamesModel, FormulaRightHandSidesThatDoNotMoveAreBounds) {
  minimise("Model!$A$1:$A$3");
  Wb_addSheet(wb, "Other");
  number("B1", -3);
  formula("E1", "=A2*0+1");  // reads a variable
  name("lim", "2*Model!$A$2+1");      // a defined formula that reads a variable
  name("outer", "lim-1");             // and one that reads it through that name
  name("cap", "Model!$B$1*2");        // a defined formula of a constant cell
  name("cell", "Model!$E$1");         // a cell that reads a variable
  name("loop", "IFERROR(loop,1)");    // a definition that names itself
  const std::pair<const char*, unsigned> cases[] = {
      {"-2*2", RowBound},                  // constants only
      {"Model!$B$1-1", RowBound},          // a cell holding a constant
      {"SUM(Model!$B$1,2)*2", RowBound},   // a function of such a cell
      {"Model!$A$2+1", RowRhsVaries},      // a variable
      {"Model!$E$1*3", RowRhsVaries},      // a cell that reads a variable
      {"INDIRECT(\"A2\")", RowRhsVaries},  // cells its text does not show
      {"\"text\"&1", RowRhsVaries},        // no number
      {"Other!$B$1+1", RowRhsVaries},      // another sheet, whose precedents are not followed
      {"lim", RowRhsVaries},
      {"lim+0", RowRhsVaries},
      {"outer*2", RowRhsVaries},
      {"cell+0", RowRhsVaries},
      {"loop", RowRhsVaries},
      {"cap", RowBound},
      {"cap-1", RowBound},
  };
  for (const auto& [rhs, flag] : cases) {
    SCOPED_TRACE(rhs);
    row(1, "Model!$A$1", 3, rhs);
    ASSERT_TRUE(readModel());
    EXPECT_EQ(record(0).flags & (RowBound | RowRhsVaries), flag);
  }
  row(1, "Model!$A$1:$A$2", 3, "Model!$B$1*2");
  ASSERT_TRUE(readModel());
  bool ok = false;
  std::vector<double> b = bounds(3, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(b[0], -6.0);
  EXPECT_EQ(b[1], -6.0);
  EXPECT_EQ(b[2], -1e30);
}

// Integer rows compare against 0 and must lie on the variable cells; bounds
// an alldifferent row does not imply are a conflict, while a binary cell
// takes its 0 and 1 within the bounds written for it.
TEST_F(NamesModel, IntegerKindsAndTheirBounds) {
  minimise("Model!$A$1:$A$9");
  row(1, "Model!$A$1:$A$4", 6, "alldifferent");
  row(2, "Model!$A$5:$A$7", 6, "alldifferent");
  row(3, "Model!$A$8", 5, "binary");
  row(4, "Model!$A$9", 4, "integer");
  ASSERT_TRUE(readModel());
  ASSERT_EQ(Xl_type(record(3).rhs), xltypeNum);
  EXPECT_EQ(record(3).rhs->val.num, 0.0);
  EXPECT_EQ(record(3).flags, RowChecked | RowBound);
  EXPECT_EQ(model->list()->counts.allDifferentGroups, 2);
  EXPECT_EQ(model->list()->counts.allDifferentCells, 7);
  bool ok = false;
  EXPECT_EQ(bounds(9, &ok), (std::vector<double>{1, 1, 1, 1, 1, 1, 1, 0, -1e30, 4, 4, 4, 4, 3, 3, 3, 1, 1e30}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(integerFlags(9, true), (std::vector<int>{3, 3, 3, 3, 4, 4, 4, 2, 1}));   // each group its type
  EXPECT_EQ(integerFlags(9, false), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 2, 1}));
  std::vector<int> starts, members;
  ASSERT_TRUE(Names_allDifferentGroups(model->list(), model->cells(), &starts, &members));
  EXPECT_EQ(starts, (std::vector<int>{0, 4, 7}));
  EXPECT_EQ(members, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  row(5, "Model!$A$1:$A$3", 1, "5");
  ASSERT_TRUE(readModel());
  bounds(9, &ok);
  EXPECT_FALSE(ok);
  // A binary cell takes 0 or 1 within the bounds its rows give it.
  row(5, "Model!$A$8", 1, "5");
  ASSERT_TRUE(readModel());
  EXPECT_EQ(bounds(9, &ok)[7], 0.0);
  EXPECT_EQ(bounds(9, &ok)[16], 1.0);
  EXPECT_TRUE(ok);
  row(5, "Model!$A$8", 3, "0.5");
  ASSERT_TRUE(readModel());
  EXPECT_EQ(bounds(9, &ok)[7], 1.0);
  EXPECT_TRUE(ok);
  row(5, "Model!$A$8", 3, "-2");
  ASSERT_TRUE(readModel());
  EXPECT_EQ(bounds(9, &ok)[7], 0.0);
  EXPECT_TRUE(ok);
  name("solver_lhs4", "Model!$A$9:$A$10");       // A10 is no variable: the marks fail
  EXPECT_FALSE(readModel());
}

TEST_F(NamesModel, CountsCellsAndConesOfFilteredRows) {
  minimise("Model!$A$1:$B$3");
  row(1, "Model!$C$1:$C$3", 1, "4");
  row(2, "Model!$A$1:$A$3", 7, "0");
  row(3, "Model!$B$1:$B$2", 8, "0");
  row(4, "Model!$B$3:$C$3", 9, "1");
  ASSERT_TRUE(readModel());
  ConstraintList* list = model->list();
  EXPECT_EQ(Names_countCells(list, 0, RowChecked, 0), 3 + 3 + 2 + 2 + 1);
  EXPECT_EQ(Names_countCells(list, RelationLessEqual, RowChecked, RowGrouped), 3);
  EXPECT_EQ(Names_countCells(list, 0, RowGrouped, RowObjective), 2);
  EXPECT_EQ(Names_maxRowCells(list), 3);

  std::vector<int> numbers, sizes;
  ASSERT_TRUE(Names_cellVariables(list, &sizes, 0, RowGrouped, 0, model->cells(), &numbers));
  EXPECT_EQ(numbers, (std::vector<int>{5, -1, -1}));          // B3, C3, the objective Z1
  EXPECT_EQ(sizes, (std::vector<int>{2, 2, 1}));

  std::vector<int> starts, kinds, members;
  ASSERT_TRUE(Names_coneConstraints(list, model->cells(), &starts, &kinds, &members));
  EXPECT_EQ(kinds, (std::vector<int>{1, 2}));
  EXPECT_EQ(starts, (std::vector<int>{0, 3, 5}));
  EXPECT_EQ(members, (std::vector<int>{0, 2, 4, 1, 3}));
  EXPECT_EQ(list->counts.cones, 2);
  EXPECT_EQ(list->counts.coneCells, 5);
}

TEST_F(NamesModel, RightHandTextsPerCell) {
  minimise("Model!$A$1:$A$3");
  row(1, "Model!$A$1:$A$2", 1, "Model!$B$1:$B$2");
  row(2, "Model!$A$3", 3, "2.5");
  row(3, "Model!$C$1", 1, "Model!$A$1+1");
  ASSERT_TRUE(readModel());
  // Cell k: relation, row, sheet row, column and right-hand text.
  const std::tuple<int, int, int, int, std::string> cellsOfRows[] = {
      {1, 1, 1, 0, "R2C2"}, {3, 2, 2, 0, "2.5"}, {1, 3, 0, 2, "Model!$A$1+1"}};
  ConstraintCell cell;
  for (int k = 1; k <= 3; ++k) {
    ASSERT_TRUE(Names_cellOfRows(model->list(), 0, RowChecked, 0, k, &cell));
    EXPECT_EQ(std::make_tuple(cell.relation, cell.row, cell.sheetRow, cell.column, cell.rhsText), cellsOfRows[k - 1])
        << "cell " << k;
  }
  EXPECT_FALSE(Names_cellOfRows(model->list(), 0, RowChecked, 0, 4, &cell));   // the objective
  EXPECT_FALSE(Names_cellOfRows(model->list(), 0, RowChecked, 0, 5, &cell));   // past the end
  ASSERT_TRUE(Sess_getConstraintCell(model->list(), 2, &cell));                // bound rows only
  EXPECT_EQ(cell.row, 2);
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

// Scenario rows read, changed, written to the cells, read back from them
// and stored in the names; rows whose cells depend on the scenario cells
// are marked.
TEST_F(NamesModel, ScenarioTableRows) {
  ScenarioTable* table = nullptr;
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));      // "scen_num" 0: no table
  EXPECT_EQ(table, nullptr);
  name("scen_num", "2");
  name("scen_change", "Model!$C$1:$C$2");
  name("scen_value1", "{1;2}");
  name("scen_value2", "{3,4}");
  auto rowValues = [&table](int row) {
    double x[2] = {-1, -1};
    EXPECT_TRUE(Names_getScenarioRowValues(table, row, x, 0, 2));
    return std::vector<double>{x[0], x[1]};
  };
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(Names_getScenarioRowCount(table), 2);
  EXPECT_EQ(Area_cellListDistinct(Names_getScenarioCells(table)), 2);
  EXPECT_EQ(rowValues(1), (std::vector<double>{3, 4}));
  ASSERT_TRUE(Names_setScenarioRowValue(table, 1, 1, 40));
  ASSERT_TRUE(Names_writeScenarioRow(table, 1));
  EXPECT_EQ(valueAt("C1"), CellValue::makeNumber(3));
  EXPECT_EQ(valueAt("C2"), CellValue::makeNumber(40));
  number("C1", 7);
  ASSERT_TRUE(Names_readScenarioRow(table, 0));
  ASSERT_TRUE(Names_storeScenarioRows(nullptr, table));
  Names_freeScenarioTable(table);
  ASSERT_TRUE(Names_readScenarioTable(nullptr, &table));      // the stored rows read back
  EXPECT_EQ(rowValues(0), (std::vector<double>{7, 40}));
  EXPECT_EQ(rowValues(1), (std::vector<double>{3, 40}));

  minimise("Model!$A$1:$A$2");
  formula("D1", "=C1*A1");
  formula("E1", "=C1+1");
  row(1, "Model!$D$1", 1, "Model!$E$1");
  row(2, "Model!$A$1", 1, "3");
  ASSERT_TRUE(readModel());
  ASSERT_TRUE(Names_markTableDependence(model->list(), table));
  const unsigned onTable = RowLhsOnTable | RowRhsOnTable;
  EXPECT_EQ(record(0).flags & onTable, onTable);
  EXPECT_EQ(record(1).flags & onTable, 0u);
  EXPECT_TRUE(Names_markTableDependence(model->list(), nullptr));
  Names_freeScenarioTable(table);

  name("scen_value2", "{3,4,5}");                             // wrong size
  EXPECT_FALSE(Names_readScenarioTable(nullptr, &table));
  name("scen_num", "-1");
  EXPECT_FALSE(Names_readScenarioTable(nullptr, &table));
}

// Option readers fall back to the caller's default for a missing name, an
// error or a text that does not convert; the writer defines hidden names.
TEST_F(NamesModel, OptionNamesReadAndWritten) {
  number("B3", 43);
  name("solver_num", "3");
  name("solver_itr", "Model!$B$3");
  name("solver_tol", "0.05");
  name("solver_pre", "1/0");       // an error value
  name("solver_sho", "\"abc\"");   // a text that does not convert
  name("solver_rel2", "3");
  name("scen_weight4", "0.25");
  EXPECT_EQ(Names_getOption(nullptr, OptNum, 9), 3);
  EXPECT_EQ(Names_getOption(nullptr, OptItr, 9), 43);  // the referenced cell
  EXPECT_EQ(Names_getOption(nullptr, OptLin, 9), 9);   // missing
  EXPECT_EQ(Names_getOption(nullptr, OptPre, 9), 9);   // error
  EXPECT_EQ(Names_getOption(nullptr, OptSho, 9), 9);   // text
  EXPECT_EQ(Names_getOption(nullptr, OptionCount, 4), 4);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptTol, 1), 0.05);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptPre, 1e-8), 1e-8);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptSho, 2.5), 2.5);
  EXPECT_EQ(Names_getNumberedOption(nullptr, OptRel, 2, 0), 3);
  EXPECT_EQ(Names_getNumberedOption(nullptr, OptRel, 1, 0), 0);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenWeight, 4, 1), 0.25);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenWeight, 3, 1), 1);
  XlOwned rhs(Names_getOptionRef(nullptr, OptRhs, 4));   // none defined: its own name, for the caller
  ASSERT_NE(rhs, nullptr);
  EXPECT_EQ(Xl_textOf(rhs.get()), "!solver_rhs4");

  XlOwned seven(Xl_newZero());
  seven->val.num = 7;
  ASSERT_EQ(Names_defineOption(nullptr, OptScenValue, 2, seven.get()), 1);
  ASSERT_EQ(Names_defineOption(nullptr, OptVal, 0, seven.get()), 1);
  const DefinedName* written = Wb_findName(wb, "scen_value2", 0);  // the active sheet's name
  ASSERT_NE(written, nullptr);
  EXPECT_TRUE(written->hidden);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenValue, 2, 0), 7);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptVal, 0), 7);
  EXPECT_EQ(Names_defineOption(nullptr, OptVal, 0, nullptr), 0);
}

// Values of the options that say what the model is are refused before a run
// (the first refused option is named, with the value as written); every
// other option's stored value is accepted and read as the readers take it.
TEST_F(NamesModel, OptionValuesOutsideWhatTheOptionMeansAreRefused) {
  number("B3", -5);
  const std::tuple<const char*, const char*, int, const char*> cases[] = {
      {"solver_tim", "0.5", -1, ""},
      {"solver_tim", "0", -1, ""},
      {"solver_tim", "-1", -1, ""},
      {"solver_tim", "2147483647", -1, ""},
      {"solver_tim", "1E+25", -1, ""},
      {"solver_itr", "1E+25", -1, ""},
      {"solver_nod", "2.5", -1, ""},
      {"solver_eng", "\"abc\"", OptEng, "\"abc\""},
      {"solver_eng", "0", -1, ""},
      {"solver_num", "1E+9", OptNum, "\"1000000000\""},
      {"solver_num", "\"abc\"", OptNum, "\"abc\""},
      {"solver_typ", "4", OptTyp, "\"4\""},
      {"solver_tol", "1.5", -1, ""},
      {"solver_pre", "0", -1, ""},
      {"solver_sho", "3", -1, ""},
      {"solver_itr", "Model!$B$3", -1, ""},
      {"solver_cvg", "1/0", -1, ""},
      {"solver_kiv", "-1E+30", -1, ""},
  };
  for (const auto& [option, value, refused, shown] : cases) {
    SCOPED_TRACE(std::string(option) + " = " + value);
    name(option, value);
    std::string why;
    ASSERT_EQ(Names_findRefusedOption(nullptr, &why), refused);
    if (refused >= 0) {
      EXPECT_NE(why.find(std::string("\"") + option + "\""), std::string::npos) << why;
      EXPECT_NE(why.find(shown), std::string::npos) << why;
    }
    Wb_deleteName(wb, option, 0);
  }
  // Stored limits meaning "no limit" and values outside an option's range,
  // as the readers take them: the top of the range, or the default below it.
  const std::tuple<const char*, const char*, int, double> reads[] = {
      {"solver_tim", "2147483647", OptTim, 2147483647.0},
      {"solver_tim", "1E+25", OptTim, 2147483647.0},
      {"solver_itr", "1E+25", OptItr, 2147483647.0},
      {"solver_tim", "-1", OptTim, 100},
      {"solver_pre", "0", OptPre, 100},
      {"solver_tol", "1.5", OptTol, 1},
      {"solver_nod", "2.5", OptNod, 2.5},
      {"solver_kiv", "-1E+30", OptKiv, -1e30},
  };
  for (const auto& [option, value, index, read] : reads) {
    SCOPED_TRACE(std::string(option) + " = " + value);
    name(option, value);
    EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, index, 100), read);
    Wb_deleteName(wb, option, 0);
  }
  name("solver_lhs1", "Model!$B$3");   // constraints without "solver_num"
  std::string why;
  EXPECT_EQ(Names_findRefusedOption(nullptr, &why), OptNum);
  EXPECT_NE(why.find("missing"), std::string::npos) << why;
}

TEST(OptionNames, AreThePrefixTheSuffixAndTheRowNumber) {
  auto nameOf = [](int index, unsigned row) {
    XlOwned name(Names_buildOptionName(nullptr, index, row));
    return name ? Xl_textOf(name.get()) : std::string("(none)");
  };
  EXPECT_EQ(nameOf(OptOpt, 0), "!solver_opt");
  EXPECT_EQ(nameOf(OptLhs, 3), "!solver_lhs3");
  EXPECT_EQ(nameOf(OptRhs, 4294967295u), "!solver_rhs4294967295");
  EXPECT_EQ(nameOf(OptScenNum, 0), "!scen_" + std::string(Names_optionSuffix(OptScenNum)));
  EXPECT_EQ(nameOf(OptRobustNum, 12), "!robust_" + std::string(Names_optionSuffix(OptRobustNum)) + "12");
  EXPECT_EQ(nameOf(-1, 0), "!XXXXXX_XXXXXX");
}
