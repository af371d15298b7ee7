// Option names: the table, the name texts, and reading and writing names of
// a workbook through the callback interface, with the readers' defaults.
#include <gtest/gtest.h>

#include <string>

#include "excel/Names_Options.h"
#include "excel/Xl_Value.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

std::string textOf(const XLOPER* v) {
  return std::string(v->val.str + 1, static_cast<unsigned char>(v->val.str[0]));
}

class NamesOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    book = Wb_newWorkbook("Book1.xlsx");
    sheet = Wb_addSheet(book, "Model");
    Wb_setValue(book, sheet, 1, 1, CellValue::makeNumber(42));   // B2
    Wb_setValue(book, sheet, 2, 1, CellValue::makeNumber(43));   // B3
  }
  void TearDown() override { Wb_resetApp(); }

  void define(const std::string& name, const std::string& definition) {
    Wb_defineName(book, DefinedName{name, definition, -1, false});
  }

  Workbook* book = nullptr;
  Sheet* sheet = nullptr;
};

}  // namespace

TEST(OptionTable, SuffixesAndPrefixesByIndex) {
  EXPECT_STREQ(Names_optionSuffix(OptTyp), "typ");
  EXPECT_STREQ(Names_optionSuffix(40), "wbr");
  EXPECT_STREQ(Names_optionSuffix(69), "ifs");
  EXPECT_STREQ(Names_optionSuffix(OptEng), "eng");
  EXPECT_STREQ(Names_optionPrefix(OptEng), "solver");
  EXPECT_STREQ(Names_optionSuffix(OptScenChange), "change");
  EXPECT_STREQ(Names_optionPrefix(OptScenWeight), "scen");
  EXPECT_STREQ(Names_optionSuffix(OptRobustNum), "num");
  EXPECT_STREQ(Names_optionPrefix(OptRobustNum), "robust");
  EXPECT_STREQ(Names_optionSuffix(96), "pen");
  EXPECT_STREQ(Names_optionSuffix(97), "XXXXXX");
  EXPECT_STREQ(Names_optionPrefix(97), "XXXXXX");
  EXPECT_STREQ(Names_optionPrefix(-1), "XXXXXX");
}

TEST(OptionTable, NameTextsAreActiveSheetNames) {
  XLOPER* lhs = Names_buildOptionName(nullptr, OptLhs, 3);
  XLOPER* value = Names_buildOptionName(nullptr, OptScenValue, 12);
  XLOPER* plain = Names_buildOptionName(nullptr, OptRobustPen, 0);
  XLOPER* unknown = Names_buildOptionName(nullptr, 97, 0);
  ASSERT_TRUE(lhs && value && plain && unknown);
  EXPECT_EQ(textOf(lhs), "!solver_lhs3");
  EXPECT_EQ(textOf(value), "!scen_value12");
  EXPECT_EQ(textOf(plain), "!robust_pen");
  EXPECT_EQ(textOf(unknown), "!XXXXXX_XXXXXX");
  for (XLOPER* v : {lhs, value, plain, unknown}) Xl_freeValue(v);
}

TEST_F(NamesOptions, ReferencesAndValuesAreCopied) {
  define("solver_opt", "Model!$B$2");
  define("solver_val", "7.5");
  XLOPER* ref = Names_getOptionRef(nullptr, OptOpt, 0);
  ASSERT_NE(ref, nullptr);
  ASSERT_EQ(Xl_type(ref), xltypeRef);
  EXPECT_EQ(ref->val.mref.lpmref->count, 1);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].rwFirst, 1);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].colFirst, 1);
  XLOPER* val = Names_getOptionRef(nullptr, OptVal, 0);
  ASSERT_NE(val, nullptr);
  EXPECT_EQ(Xl_type(val), xltypeNum);
  EXPECT_EQ(val->val.num, 7.5);
  EXPECT_EQ(Names_getOptionRef(nullptr, OptAdj, 0), nullptr);  // not defined
  Xl_freeValue(ref);
  Xl_freeValue(val);
}

TEST_F(NamesOptions, ReadersFallBackToTheirDefaults) {
  define("solver_num", "3");
  define("solver_itr", "Model!$B$3");
  define("solver_tol", "0.05");
  define("solver_pre", "1/0");       // an error value
  define("solver_sho", "\"abc\"");   // a text that does not convert
  EXPECT_EQ(Names_getOption(nullptr, OptNum, 9), 3);
  EXPECT_EQ(Names_getOption(nullptr, OptItr, 9), 43);  // the referenced cell
  EXPECT_EQ(Names_getOption(nullptr, OptLin, 9), 9);   // missing
  EXPECT_EQ(Names_getOption(nullptr, OptPre, 9), 9);   // error
  EXPECT_EQ(Names_getOption(nullptr, OptSho, 9), 9);   // text
  EXPECT_EQ(Names_getOption(nullptr, 97, 4), 4);       // outside the table
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptTol, 1), 0.05);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptPre, 1e-8), 1e-8);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptSho, 2.5), 2.5);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptCvg, 1e-5), 1e-5);
}

TEST_F(NamesOptions, NumberedNamesReadTheirRow) {
  define("solver_rel2", "3");
  define("scen_weight4", "0.25");
  EXPECT_EQ(Names_getNumberedOption(nullptr, OptRel, 2, 0), 3);
  EXPECT_EQ(Names_getNumberedOption(nullptr, OptRel, 1, 0), 0);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenWeight, 4, 1), 0.25);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenWeight, 3, 1), 1);
}

TEST_F(NamesOptions, RightHandSideRule) {
  define("solver_rhs1", "Model!$B$2:$B$3");
  define("solver_rhs2", "5");
  define("solver_rhs3", "\"integer\"");
  XLOPER* ref = Names_getOptionRef(nullptr, OptRhs, 1);
  XLOPER* five = Names_getOptionRef(nullptr, OptRhs, 2);
  XLOPER* text = Names_getOptionRef(nullptr, OptRhs, 3);
  XLOPER* missing = Names_getOptionRef(nullptr, OptRhs, 4);
  ASSERT_TRUE(ref && five && text && missing);
  EXPECT_EQ(Xl_type(ref), xltypeRef);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].rwLast, 2);
  ASSERT_EQ(Xl_type(five), xltypeNum);
  EXPECT_EQ(five->val.num, 5);
  ASSERT_EQ(Xl_type(text), xltypeStr);   // the name's own text, for the caller
  EXPECT_EQ(textOf(text), "!solver_rhs3");
  EXPECT_EQ(textOf(missing), "!solver_rhs4");
  for (XLOPER* v : {ref, five, text, missing}) Xl_freeValue(v);
}

TEST_F(NamesOptions, WriterDefinesHiddenNames) {
  XLOPER* seven = Xl_newZero();
  seven->val.num = 7;
  ASSERT_EQ(Names_defineOption(nullptr, OptScenValue, 2, seven), 1);
  ASSERT_EQ(Names_defineOption(nullptr, OptVal, 0, seven), 1);
  Xl_freeValue(seven);
  const DefinedName* written = Wb_findName(book, "scen_value2", 0);  // the active sheet's name
  ASSERT_NE(written, nullptr);
  EXPECT_TRUE(written->hidden);
  EXPECT_DOUBLE_EQ(Names_getNumberedReal(nullptr, OptScenValue, 2, 0), 7);
  EXPECT_DOUBLE_EQ(Names_getRealOption(nullptr, OptVal, 0), 7);
  EXPECT_EQ(Names_defineOption(nullptr, OptVal, 0, nullptr), 0);
}
