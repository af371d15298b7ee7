// Spreadsheet values: deep copies and releases (every copy owns its own
// memory, so it outlives and is independent of the value it came from), and
// texts of references against the stand-in application (the selection-based
// queries are checked through the dependence marks and the extraction that
// rely on them).
#include <gtest/gtest.h>

#include <string>

#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "tests/support/ModelFixture.h"

namespace {

XLOPER value(XLTYPE type) {
  XLOPER v{};
  v.xltype = type;
  return v;
}

XLOPER number(double d) {
  XLOPER v = value(xltypeNum);
  v.val.num = d;
  return v;
}

XLOPER text(char* counted) {
  XLOPER v = value(xltypeStr);
  v.val.str = counted;
  return v;
}

// A two-area reference block laid out as the callback interface publishes it.
struct TwoAreas {
  std::uint16_t count = 2;
  XLREF areas[2] = {{1, 3, 0, 1}, {5, 5, 2, 4}};
};

}  // namespace

// Each source is changed after copying: the copy keeps what it had, texts
// in terminated buffers of their own, without the ownership flags.
TEST(XlValue, CopiesAreDeepAndIndependent) {
  TwoAreas block;
  XLOPER ref = value(xltypeRef);
  ref.val.mref.lpmref = reinterpret_cast<XLMREF*>(&block);
  ref.val.mref.idSheet = 77;
  char empty[] = {0}, hi[] = {2, 'h', 'i'};  // counted, not terminated
  XLOPER elements[4] = {number(2.5), text(empty), text(hi), ref};
  elements[0].xltype |= xlbitXLFree;
  XLOPER array = value(xltypeMulti);
  array.val.array = {elements, 2, 2};
  XLOPER copy{};
  ASSERT_EQ(Xl_copyValue(&copy, &array), 1);
  elements[0].val.num = -1;
  hi[1] = 'H';
  block.areas[1].rwFirst = 99;
  const XLOPER* got = copy.val.array.lparray;
  EXPECT_EQ(copy.val.array.rows, 2);
  EXPECT_EQ(copy.val.array.columns, 2);
  EXPECT_EQ(got[0].xltype, xltypeNum);
  EXPECT_EQ(got[0].val.num, 2.5);
  EXPECT_NE(got[1].val.str, empty);
  EXPECT_EQ(got[1].val.str[1], 0);
  EXPECT_STREQ(got[2].val.str + 1, "hi");
  const XLMREF* areas = got[3].val.mref.lpmref;
  EXPECT_EQ(got[3].val.mref.idSheet, 77);
  ASSERT_EQ(areas->count, 2);
  EXPECT_EQ(areas->reftbl[0].rwLast, 3);
  EXPECT_EQ(areas->reftbl[1].rwFirst, 5);
  EXPECT_EQ(areas->reftbl[1].colLast, 4);
  Xl_releaseValue(&copy);
  EXPECT_EQ(copy.xltype, 0);
  EXPECT_EQ(copy.val.array.lparray, nullptr);
}

// A failed copy leaves its target zeroed, with what it copied released.
TEST(XlValue, UncopyableValuesFail) {
  TwoAreas block;
  block.count = 0;
  XLOPER noAreas = value(xltypeRef);
  noAreas.val.mref.lpmref = reinterpret_cast<XLMREF*>(&block);
  XLOPER noBlock = value(xltypeRef);
  char hi[] = {2, 'h', 'i'};
  XLOPER elements[3] = {text(hi), number(2), noBlock};   // the text is copied, then released
  XLOPER failingArray = value(xltypeMulti);
  failingArray.val.array = {elements, 1, 3};
  XLOPER emptyArray = value(xltypeMulti);
  emptyArray.val.array = {elements, 0, 3};
  for (const XLOPER& source : {noAreas, noBlock, value(0x0200), failingArray, emptyArray}) {
    XLOPER target = number(1);
    EXPECT_EQ(Xl_copyValue(&target, &source), 0) << source.xltype;
    EXPECT_EQ(target.xltype, 0) << source.xltype;
    EXPECT_EQ(Xl_newCopy(&source), nullptr) << source.xltype;
  }
  EXPECT_EQ(Xl_newCopy(nullptr), nullptr);
  EXPECT_EQ(Xl_newText(std::string(256, 'a').c_str(), 256), nullptr);   // longer than a counted text holds
  EXPECT_EQ(Xl_newValueList(0), nullptr);
}

using XlQueries = ModelFixture;

TEST_F(XlQueries, ReferenceTexts) {
  TestRef ref({"B2:C3"}, sheetId());
  std::string text;
  ASSERT_TRUE(Xl_refText(ref.get(), 0, &text));
  EXPECT_TRUE(text.ends_with("Model!$B$2:$C$3")) << text;
  ASSERT_TRUE(Xl_refText(ref.get(), 1, &text));
  EXPECT_TRUE(text.ends_with("Model!R2C2:R3C3")) << text;
  ASSERT_TRUE(Xl_cellRefText(sheetId(), 4, 0, 1, &text));
  EXPECT_TRUE(text.ends_with("R5C1")) << text;
  ASSERT_TRUE(Xl_activeCellRefText(0, 2, 0, &text));
  EXPECT_TRUE(text.ends_with("$C$1")) << text;
  ASSERT_TRUE(Xl_elementText(ref.get(), 3, &text));       // the fourth cell, row by row
  EXPECT_EQ(text, "R3C3");
  EXPECT_FALSE(Xl_elementText(ref.get(), 4, &text));
  EXPECT_EQ(Xl_activeSheetId(), sheetId());
  ASSERT_TRUE(Xl_sheetNameOfRef(ref.get(), &text));
  EXPECT_TRUE(text.ends_with("Model")) << text;
  ASSERT_TRUE(Xl_activeSheetName(&text));
  EXPECT_TRUE(text.ends_with("Model")) << text;
  EXPECT_EQ(Xl_substring("abc", 1), "bc");
  EXPECT_EQ(Xl_substring("abc", 3), "");
}

// A reference the application hands out without areas (a sheet's own) is
// not copied; the result is still given back.
TEST_F(XlQueries, SheetReferenceWithoutAreasIsNotCopied) {
  XLOPER sheetRef{};
  ASSERT_EQ(Excel4(xlSheetId, &sheetRef, 0), xlretSuccess);
  EXPECT_EQ(Xl_newCopy(&sheetRef), nullptr);
  Xl_giveBack(&sheetRef);
}

// A blank cell has no formula, an empty text stands for none, a selection
// type must be known; no precedents and no array block are successes
// answering none.
TEST_F(XlQueries, EmptyAnswers) {
  TestRef a1({"A1"}, sheetId());
  std::string text;
  EXPECT_FALSE(Xl_cellFormula(a1.get(), &text));
  EXPECT_FALSE(Xl_formulaTextOf(XlOwned(Xl_newText("", 0)).get(), &text));
  XLOPER* found = nullptr;
  EXPECT_FALSE(Xl_selectRelated(3, a1.get(), &found));
  number("A1", 5);
  ASSERT_TRUE(Xl_getPrecedents(a1.get(), &found));
  EXPECT_EQ(found, nullptr);
  int index = -1;
  ASSERT_TRUE(Xl_getArrayPosition(a1.get(), &found, &index));
  EXPECT_EQ(found, nullptr);
}
