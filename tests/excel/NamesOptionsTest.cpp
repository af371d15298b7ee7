// Option names: reading and writing names of a workbook through the callback
// interface, with the readers' defaults (the model's own names are read in
// the model reader's tests).
#include <gtest/gtest.h>

#include "excel/Names_Options.h"
#include "excel/Xl_Value.h"
#include "tests/excel/ModelFixture.h"

using NamesOptions = ModelFixture;

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
