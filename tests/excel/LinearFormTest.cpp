// Linear-form recognition: splitting a call into name and top-level
// arguments, the table of recognised forms, argument normalisation,
// references from R1C1 texts and from EVALUATE, and block reading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "excel/Area_Areas.h"
#include "excel/Lin_LinearForm.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "tests/excel/ModelFixture.h"
#include "tests/excel/TestRefs.h"

namespace {

// Splits a copy of `call`; the pieces (name first) when it succeeds.
bool split(const std::string& call, std::vector<std::string>* pieces) {
  char text[LinearFormChars] = {};
  std::strncpy(text, call.c_str(), LinearFormChars - 1);
  int count = -1;
  if (!Lin_splitCall(text, &count)) return false;
  pieces->clear();
  const char* p = text;
  for (int k = 0; k <= count; ++k, p += std::strlen(p) + 1) pieces->push_back(p);
  return true;
}

using Pieces = std::vector<std::string>;

// The pieces, name first; empty when the call is refused.
TEST(LinearFormSplit, TopLevelArgumentsOnlyAndMalformedCallsRefused) {
  const std::pair<const char*, Pieces> cases[] = {
      {"SUMPRODUCT(R1C1:R1C3,R2C1:R2C3)", {"SUMPRODUCT", "R1C1:R1C3", "R2C1:R2C3"}},
      {"SUM(A1,MAX(B1,(C1+D1)),E1)", {"SUM", "A1", "MAX(B1,(C1+D1))", "E1"}},
      {"QUADPRODUCT(x,,Q)", {"QUADPRODUCT", "x", "", "Q"}},
      {"SUM(,)", {"SUM", "", ""}},
      {"SUM()", {"SUM"}},
      {"F.DIST_2(a)", {"F.DIST_2", "a"}},
      {"SUM(\"a,b\")", {"SUM", "\"a", "b\""}},   // quotes are not special
      {"SUM(A1)+1", {}},                         // a character after the closing ")"
      {"SUM()x", {}},
      {"SUM(A1", {}},                            // the text ends inside the parentheses
      {"SUM(MAX(A1,B1)", {}},
      {"1SUM(A1)", {}},                          // a name begins with a letter
      {"SUM (A1)", {}},                          // "(" right after the name
      {"A1", {}},
      {"", {}},
  };
  for (const auto& [call, expected] : cases) {
    Pieces p;
    EXPECT_EQ(split(call, &p), !expected.empty()) << call;
    if (!expected.empty()) {
      EXPECT_EQ(p, expected) << call;
    }
  }
}

TEST(LinearFormTable, NamesComparedExactly) {
  EXPECT_EQ(Lin_lookupForm("SUM"), 4);
  EXPECT_EQ(Lin_lookupForm("MMULT"), 165);
  EXPECT_EQ(Lin_lookupForm("SUMPRODUCT"), 228);
  EXPECT_EQ(Lin_lookupForm("DOTPRODUCT"), 1000);
  EXPECT_EQ(Lin_lookupForm("QUADPRODUCT"), 1001);
  EXPECT_EQ(Lin_lookupForm("sum"), 0);
  EXPECT_EQ(Lin_lookupForm("SUMSQ"), 0);
  EXPECT_EQ(Lin_lookupForm(""), 0);
}

class LinearFormCells : public ModelFixture {
 protected:
  // A one-cell reference on the model sheet.
  TestRef cell(const char* a1) { return TestRef({a1}, sheetId()); }
  std::string normalised(std::string text, bool* ok) {
    *ok = Lin_normaliseArgument(&text) != 0;
    return text;
  }
};

TEST_F(LinearFormCells, SumProductOfTwoRowsGivesTwoReferences) {
  formula("E5", "=SUMPRODUCT(R1C1:R1C3,R2C1:R2C3)");
  TestRef at = cell("E5");
  LinearForm form;
  ASSERT_EQ(Lin_recogniseFormula(&form, at.get()), FormSumProduct);
  EXPECT_EQ(form.argumentCount, 2);
  EXPECT_STREQ(Lin_argumentPiece(&form, 0), "SUMPRODUCT");
  EXPECT_EQ(Lin_argumentPiece(&form, 3), nullptr);
  XLOPER* first = Lin_getArgument(&form, 1);
  XLOPER* second = Lin_getArgument(&form, 2);
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(Area_isReference(first) && Area_isReference(second));
  EXPECT_EQ(testAreasText(first), "A1:C1");
  EXPECT_EQ(testAreasText(second), "A2:C2");
  EXPECT_EQ(Area_sheetOf(first), sheetId());
  XLOPER* code = Lin_getArgument(&form, 0);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(Xl_type(code), xltypeInt);
  EXPECT_EQ(code->val.w, 228);
  for (XLOPER* v : {first, second, code}) Xl_freeValue(v);
}

// The first argument of a recognised formula: references relative to the
// formula's cell resolved, extra parentheses dropped, a reference to another
// sheet left as text.
TEST_F(LinearFormCells, FirstArgumentsOfRecognisedFormulas) {
  Sheet* other = Wb_addSheet(wb, "Other");
  Wb_setValue(wb, other, 0, 0, CellValue::makeNumber(1));
  const std::tuple<const char*, const char*, int, std::string> cases[] = {
      {"D2", "=SUM(A1:B3)", FormSum, "A1:B3"},   // held as R[-1]C[-3]:R[1]C[-2]
      {"E5", "=SUMPRODUCT((A1:C1),A2:C2)", FormSumProduct, "A1:C1"},
      {"E6", "=SUM(Other!A1:A3)", FormSum, "text"},
  };
  for (const auto& [a1, text, kind, expected] : cases) {
    formula(a1, text);
    TestRef at = cell(a1);
    LinearForm form;
    ASSERT_EQ(Lin_recogniseFormula(&form, at.get()), kind) << text;
    XLOPER* arg = Lin_getArgument(&form, 1);
    ASSERT_NE(arg, nullptr) << text;
    EXPECT_EQ(Area_isReference(arg) ? testAreasText(arg) : Xl_type(arg) == xltypeStr ? "text" : "?", expected)
        << text;
    Xl_freeValue(arg);
  }
}

TEST_F(LinearFormCells, OtherShapesAreNotRecognised) {
  formula("A1", "=SUM(B1:B3)+1");
  formula("A2", "=SUMSQ(B1:B3)");
  number("A3", 5);
  TestRef a1 = cell("A1"), a2 = cell("A2"), a3 = cell("A3"), a4 = cell("A4");
  LinearForm form;
  for (TestRef* r : {&a1, &a2, &a3, &a4}) {
    EXPECT_EQ(Lin_recogniseFormula(&form, r->get()), FormNone);
    EXPECT_EQ(form.length, 0);
    EXPECT_EQ(Lin_argumentPiece(&form, 0), nullptr);
  }
}

TEST_F(LinearFormCells, NamesAndExpressionsAsArguments) {
  name("prices", "Model!$A$1:$C$1");
  formula("E5", "=SUMPRODUCT(prices,A2:C2,,1+2)");
  TestRef at = cell("E5");
  LinearForm form;
  ASSERT_EQ(Lin_recogniseFormula(&form, at.get()), FormSumProduct);
  ASSERT_EQ(form.argumentCount, 4);
  XLOPER* named = Lin_getArgument(&form, 1);
  XLOPER* empty = Lin_getArgument(&form, 3);
  XLOPER* expression = Lin_getArgument(&form, 4);
  ASSERT_TRUE(named && empty && expression);
  ASSERT_TRUE(Area_isReference(named));     // through EVALUATE
  EXPECT_EQ(testAreasText(named), "A1:C1");
  EXPECT_EQ(Xl_type(empty), xltypeMissing);
  ASSERT_EQ(Xl_type(expression), xltypeStr);
  EXPECT_EQ(Xl_textOf(expression), "=1+2");
  for (XLOPER* v : {named, empty, expression}) Xl_freeValue(v);
}

TEST_F(LinearFormCells, SheetPrefixesOfTheActiveSheetAreDropped) {
  Wb_addSheet(wb, "Other");
  // What each text becomes; "" when it is refused.
  const std::pair<const char*, const char*> cases[] = {
      {"((R1C1:R1C3))", "R1C1:R1C3"},
      {"Model!R1C1:R1C3", "R1C1:R1C3"},
      {"Model!R1C1,model!R2C2:Model!R3C3", "R1C1,R2C2:R3C3"},
      {"'Model'!R1C1", "R1C1"},
      {"R1C1", "R1C1"},
      {"Other!R1C1", ""},
      {"Model!R1C1,Other!R2C2", ""},
      {"Mod!R1C1", ""},   // a part of the active sheet's name is another sheet
  };
  for (const auto& [text, expected] : cases) {
    bool ok = false;
    std::string out = normalised(text, &ok);
    EXPECT_EQ(ok, *expected != '\0') << text;
    if (ok) {
      EXPECT_EQ(out, expected) << text;
    }
  }
}

TEST_F(LinearFormCells, LargeColumnReadInTwoBlocks) {
  for (int r = 0; r < 10000; ++r) Wb_setValue(wb, sheet, r, 1, CellValue::makeNumber(r * 0.5));
  TestRef column({"B1:B10000"}, sheetId());
  LinBlocks blocks;
  ASSERT_TRUE(Lin_readBlocks(column.get(), &blocks, 4));
  ASSERT_EQ(blocks.blocks.size(), 2u);
  EXPECT_EQ(blocks.blocks[0].val.array.rows, 6553);
  EXPECT_EQ(blocks.blocks[1].val.array.rows, 3447);
  EXPECT_EQ(Lin_blockCells(&blocks), 10000);
  double v = -1;
  ASSERT_TRUE(Lin_blockValue(&blocks, 6553, &v));
  EXPECT_EQ(v, 6553 * 0.5);
  ASSERT_TRUE(Lin_blockValue(&blocks, 9999, &v));
  EXPECT_EQ(v, 9999 * 0.5);
  EXPECT_FALSE(Lin_blockValue(&blocks, 10000, &v));
  LinBlocks tooFew;
  EXPECT_FALSE(Lin_readBlocks(column.get(), &tooFew, 1));
  EXPECT_TRUE(tooFew.blocks.empty());
}

TEST_F(LinearFormCells, WideAreasAndSeveralAreas) {
  for (int r = 0; r < 4000; ++r)
    for (int c = 0; c < 2; ++c) Wb_setValue(wb, sheet, r, c, CellValue::makeNumber(r * 2 + c));
  TestRef ref({"A1:B4000", "D1"}, sheetId());
  number("D1", -7);
  LinBlocks blocks;
  ASSERT_TRUE(Lin_readBlocks(ref.get(), &blocks, 8));
  ASSERT_EQ(blocks.blocks.size(), 3u);     // 3276 rows of two columns, then 724, then D1
  EXPECT_EQ(blocks.blocks[0].val.array.rows, 3276);
  EXPECT_EQ(Lin_blockCells(&blocks), 8001);
  double v = 0;
  ASSERT_TRUE(Lin_blockValue(&blocks, 7001, &v));
  EXPECT_EQ(v, 7001);
  ASSERT_TRUE(Lin_blockValue(&blocks, 8000, &v));
  EXPECT_EQ(v, -7);
}

TEST_F(LinearFormCells, TextElementIsNoNumber) {
  number("A1", 1);
  text("A2", "two");
  TestRef ref({"A1:A3"}, sheetId());
  LinBlocks blocks;
  ASSERT_TRUE(Lin_readBlocks(ref.get(), &blocks, 2));
  double v = 0;
  EXPECT_TRUE(Lin_blockValue(&blocks, 0, &v));
  EXPECT_FALSE(Lin_blockValue(&blocks, 1, &v));
}

}  // namespace
