// Linear-form recognition: splitting a call into name and top-level
// arguments, recognised forms, argument normalisation, references from R1C1
// texts and from EVALUATE, and block reading.
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
#include "tests/support/ModelFixture.h"

namespace {

using Pieces = std::vector<std::string>;

// The pieces of a copy of `call`, name first; none when it is refused.
Pieces split(const std::string& call) {
  char text[LinearFormChars] = {};
  std::strncpy(text, call.c_str(), LinearFormChars - 1);
  int count = -1;
  Pieces pieces;
  const char* p = text;
  if (Lin_splitCall(text, &count))
    for (int k = 0; k <= count; ++k, p += std::strlen(p) + 1) pieces.push_back(p);
  return pieces;
}

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
      {"SUM(A1", {}},                            // the text ends inside the parentheses
      {"1SUM(A1)", {}},                          // a name begins with a letter
      {"SUM (A1)", {}},                          // "(" right after the name
      {"A1", {}},
      {"", {}},
  };
  for (const auto& [call, expected] : cases) EXPECT_EQ(split(call), expected) << call;
}

class LinearFormCells : public ModelFixture {
 protected:
  // A one-cell reference on the model sheet.
  TestRef cell(const char* a1) { return TestRef({a1}, sheetId()); }
};

// What an argument became: the form's code, a reference's areas, a missing
// value, or the text of an expression.
std::string describe(const XLOPER* v) {
  if (!v) return "none";
  if (Area_isReference(v)) return testAreasText(v);
  if (Xl_type(v) == xltypeInt) return "code " + std::to_string(v->val.w);
  return Xl_type(v) == xltypeMissing ? "missing" : Xl_textOf(v);
}

// The arguments of a formula, argument 0 being the form's code: references
// relative to the formula's cell resolved, extra parentheses dropped, names
// through EVALUATE, a reference to another sheet and other expressions kept
// as text; other shapes, constants and blank cells are no form.
TEST_F(LinearFormCells, ArgumentsOfRecognisedFormulas) {
  Sheet* other = Wb_addSheet(wb, "Other");
  Wb_setValue(wb, other, 0, 0, CellValue::makeNumber(1));
  name("prices", "Model!$A$1:$C$1");
  number("A3", 5);
  const std::tuple<const char*, const char*, std::vector<std::string>> cases[] = {
      {"D2", "=SUM(A1:B3)", {"code 4", "A1:B3"}},   // held as R[-1]C[-3]:R[1]C[-2]
      {"E5", "=SUMPRODUCT((A1:C1),A2:C2)", {"code 228", "A1:C1", "A2:C2"}},
      {"E6", "=SUM(Other!A1:A3)", {"code 4", "=Other!R[-5]C[-4]:R[-3]C[-4]"}},
      {"E7", "=SUMPRODUCT(prices,R2C1:R2C3,,1+2)", {"code 228", "A1:C1", "A2:C2", "missing", "=1+2"}},
      {"A1", "=SUM(B1:B3)+1", {}},
      {"A2", "=SUMSQ(B1:B3)", {}},
      {"A3", "", {}},
      {"A4", "", {}},
  };
  for (const auto& [a1, text, expected] : cases) {
    SCOPED_TRACE(a1);
    if (*text) formula(a1, text);
    TestRef at = cell(a1);
    LinearForm form;
    const int code = Lin_recogniseFormula(&form, at.get());
    std::vector<std::string> got;
    for (int k = 0; code && k <= form.argumentCount; ++k)
      got.push_back(describe(XlOwned(Lin_getArgument(&form, k)).get()));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(form.length == 0, code == FormNone);
    EXPECT_EQ(Lin_argumentPiece(&form, 0) != nullptr, code != FormNone);
    EXPECT_EQ(Lin_argumentPiece(&form, form.argumentCount + 1), nullptr);
  }
  EXPECT_EQ(Lin_lookupForm("sum"), FormNone);   // names are compared exactly
  EXPECT_EQ(Lin_lookupForm("QUADPRODUCT"), FormQuadProduct);
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
    std::string out = text;
    const bool ok = Lin_normaliseArgument(&out) != 0;
    EXPECT_EQ(ok ? out : "", expected) << text;
  }
}

// Blocks hold at most 6553 cells: 3276 rows of two columns, then 724, then
// the one-cell area D1.
TEST_F(LinearFormCells, AreasReadInBlocks) {
  for (int r = 0; r < 4000; ++r)
    for (int c = 0; c < 2; ++c) Wb_setValue(wb, sheet, r, c, CellValue::makeNumber(r * 2 + c));
  text("D1", "x");
  TestRef ref({"A1:B4000", "D1"}, sheetId());
  LinBlocks blocks;
  ASSERT_TRUE(Lin_readBlocks(ref.get(), &blocks, 3));
  ASSERT_EQ(blocks.blocks.size(), 3u);
  EXPECT_EQ(blocks.blocks[0].val.array.rows, 3276);
  EXPECT_EQ(blocks.blocks[1].val.array.rows, 724);
  EXPECT_EQ(Lin_blockCells(&blocks), 8001);
  double v = 0;
  ASSERT_TRUE(Lin_blockValue(&blocks, 7001, &v));
  EXPECT_EQ(v, 7001);
  EXPECT_FALSE(Lin_blockValue(&blocks, 8000, &v));   // a text is no number
  EXPECT_FALSE(Lin_blockValue(&blocks, 8001, &v));
  std::vector<double> numbers(8001, -1.0);
  EXPECT_FALSE(Lin_blockNumbers(&blocks, numbers.data()));   // the text in D1
  EXPECT_EQ(numbers[7999], 7999);
  Lin_freeBlocks(&blocks);
  EXPECT_TRUE(blocks.blocks.empty());
  LinBlocks tooFew;
  EXPECT_FALSE(Lin_readBlocks(ref.get(), &tooFew, 2));
  EXPECT_TRUE(tooFew.blocks.empty());
}

// All numbers over several blocks come out in reading order.
TEST_F(LinearFormCells, BlockNumbersInOrder) {
  for (int r = 0; r < 4000; ++r)
    for (int c = 0; c < 2; ++c) Wb_setValue(wb, sheet, r, c, CellValue::makeNumber(r * 2 + c));
  TestRef ref({"A1:B4000", "A2"}, sheetId());
  LinBlocks blocks;
  ASSERT_TRUE(Lin_readBlocks(ref.get(), &blocks, 3));
  ASSERT_EQ(Lin_blockCells(&blocks), 8001);
  std::vector<double> numbers(8001, -1.0);
  ASSERT_TRUE(Lin_blockNumbers(&blocks, numbers.data()));
  for (int k = 0; k < 8000; ++k) ASSERT_EQ(numbers[k], k);
  EXPECT_EQ(numbers[8000], 2);
}

}  // namespace
