// Option names: the name texts, and reading and writing names of a workbook
// through the callback interface, with the readers' defaults.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "excel/Names_Options.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "tests/excel/ModelFixture.h"

using NamesOptions = ModelFixture;

TEST(OptionTable, NameTextsAreActiveSheetNames) {
  const std::tuple<int, unsigned, std::string> cases[] = {
      {OptLhs, 3, "!solver_lhs3"},      {OptWbr, 0, "!solver_wbr"},     {OptEng, 0, "!solver_eng"},
      {OptScenValue, 12, "!scen_value12"}, {OptRobustPen, 0, "!robust_pen"},
      {OptionCount, 0, "!XXXXXX_XXXXXX"},   // outside the table
  };
  for (const auto& [index, row, expected] : cases) {
    XLOPER* name = Names_buildOptionName(nullptr, index, row);
    ASSERT_NE(name, nullptr) << expected;
    EXPECT_EQ(Xl_textOf(name), expected);
    Xl_freeValue(name);
  }
  EXPECT_STREQ(Names_optionSuffix(OptScenChange), "change");
  EXPECT_STREQ(Names_optionPrefix(-1), "XXXXXX");
}

TEST_F(NamesOptions, ReadersFallBackToTheirDefaults) {
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
}

// References and numbers are copied; a right-hand side that is neither
// comes back as the name's own text, for the caller to evaluate.
TEST_F(NamesOptions, ValuesAndTheRightHandSideRule) {
  name("solver_opt", "Model!$B$2");
  name("solver_val", "7.5");
  name("solver_rhs1", "Model!$B$2:$B$3");
  name("solver_rhs2", "5");
  name("solver_rhs3", "\"integer\"");
  EXPECT_EQ(Names_getOptionRef(nullptr, OptAdj, 0), nullptr);  // not defined
  XlOwned opt(Names_getOptionRef(nullptr, OptOpt, 0)), val(Names_getOptionRef(nullptr, OptVal, 0)),
      ref(Names_getOptionRef(nullptr, OptRhs, 1)), five(Names_getOptionRef(nullptr, OptRhs, 2)),
      text(Names_getOptionRef(nullptr, OptRhs, 3)), missing(Names_getOptionRef(nullptr, OptRhs, 4));
  ASSERT_TRUE(opt && val && ref && five && text && missing);
  ASSERT_EQ(Xl_type(opt.get()), xltypeRef);
  const XLREF& cell = opt->val.mref.lpmref->reftbl[0];
  EXPECT_EQ(std::make_tuple(cell.rwFirst, cell.colFirst, cell.rwLast), std::make_tuple(1, 1, 1));
  ASSERT_EQ(Xl_type(val.get()), xltypeNum);
  EXPECT_EQ(val->val.num, 7.5);
  ASSERT_EQ(Xl_type(ref.get()), xltypeRef);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].rwLast, 2);
  ASSERT_EQ(Xl_type(five.get()), xltypeNum);
  EXPECT_EQ(five->val.num, 5);
  EXPECT_EQ(Xl_textOf(text.get()), "!solver_rhs3");
  EXPECT_EQ(Xl_textOf(missing.get()), "!solver_rhs4");
}

TEST_F(NamesOptions, WriterDefinesHiddenNames) {
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
