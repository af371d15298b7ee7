// Deep copies and releases of spreadsheet values: every copy owns its own
// memory, so it outlives and is independent of the value it came from.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "excel/Xl_Value.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

XLOPER number(double d) {
  XLOPER v{};
  v.xltype = xltypeNum;
  v.val.num = d;
  return v;
}

std::string textOf(const XLOPER* v) {
  return std::string(v->val.str + 1, static_cast<unsigned char>(v->val.str[0]));
}

// A two-area reference block laid out as the callback interface publishes it.
struct TwoAreas {
  std::uint16_t count = 2;
  XLREF areas[2] = {{1, 3, 0, 1}, {5, 5, 2, 4}};
};

}  // namespace

TEST(XlValue, ScalarsCopyAsTheyAre) {
  XLOPER source = number(2.5);
  source.xltype |= xlbitXLFree;  // the ownership flag does not travel with the copy
  XLOPER target{};
  ASSERT_EQ(Xl_copyValue(&target, &source), 1);
  EXPECT_EQ(target.xltype, xltypeNum);
  EXPECT_EQ(target.val.num, 2.5);

  XLOPER err{};
  err.xltype = xltypeErr;
  err.val.err = xlerrNA;
  ASSERT_EQ(Xl_copyValue(&target, &err), 1);
  EXPECT_EQ(target.val.err, xlerrNA);

  XLOPER sref{};
  sref.xltype = xltypeSRef;
  sref.val.sref.count = 1;
  sref.val.sref.ref = {4, 9, 2, 3};
  ASSERT_EQ(Xl_copyValue(&target, &sref), 1);
  EXPECT_EQ(target.val.sref.ref.rwLast, 9);
  EXPECT_EQ(target.val.sref.ref.colLast, 3);
}

TEST(XlValue, TextsGetTheirOwnTerminatedBuffer) {
  char empty[] = {0};
  XLOPER source{};
  source.xltype = xltypeStr;
  source.val.str = empty;
  XLOPER target{};
  ASSERT_EQ(Xl_copyValue(&target, &source), 1);
  EXPECT_NE(target.val.str, empty);
  EXPECT_EQ(target.val.str[0], 0);
  EXPECT_EQ(target.val.str[1], 0);
  Xl_releaseValue(&target);
  EXPECT_EQ(target.xltype, 0);
  EXPECT_EQ(target.val.str, nullptr);

  char abc[] = {3, 'a', 'b', 'c'};  // counted, not terminated
  source.val.str = abc;
  XLOPER* copy = Xl_newCopy(&source);
  ASSERT_NE(copy, nullptr);
  abc[1] = 'X';
  EXPECT_EQ(textOf(copy), "abc");
  EXPECT_STREQ(copy->val.str + 1, "abc");
  Xl_freeValue(copy);
}

TEST(XlValue, ReferencesCopyEveryAreaAndTheSheet) {
  TwoAreas block;
  XLOPER source{};
  source.xltype = xltypeRef;
  source.val.mref.lpmref = reinterpret_cast<XLMREF*>(&block);
  source.val.mref.idSheet = 77;
  XLOPER* copy = Xl_newCopy(&source);
  ASSERT_NE(copy, nullptr);
  block.areas[1].rwFirst = 99;
  ASSERT_NE(copy->val.mref.lpmref, source.val.mref.lpmref);
  EXPECT_EQ(copy->val.mref.idSheet, 77);
  ASSERT_EQ(copy->val.mref.lpmref->count, 2);
  EXPECT_EQ(copy->val.mref.lpmref->reftbl[0].rwLast, 3);
  EXPECT_EQ(copy->val.mref.lpmref->reftbl[1].rwFirst, 5);
  EXPECT_EQ(copy->val.mref.lpmref->reftbl[1].colLast, 4);
  Xl_freeValue(copy);
}

TEST(XlValue, ReferenceWithoutAreasAndUnknownTypesFail) {
  TwoAreas block;
  block.count = 0;
  XLOPER source{};
  source.xltype = xltypeRef;
  source.val.mref.lpmref = reinterpret_cast<XLMREF*>(&block);
  XLOPER target = number(1);
  EXPECT_EQ(Xl_copyValue(&target, &source), 0);
  EXPECT_EQ(target.xltype, 0);
  source.val.mref.lpmref = nullptr;
  EXPECT_EQ(Xl_newCopy(&source), nullptr);

  XLOPER odd{};
  odd.xltype = 0x0200;
  EXPECT_EQ(Xl_copyValue(&target, &odd), 0);
  EXPECT_EQ(Xl_newCopy(nullptr), nullptr);
}

TEST(XlValue, ArraysCopyEachElement) {
  char hi[] = {2, 'h', 'i'};
  XLOPER elements[6] = {number(1), number(2), number(3), number(4), {}, number(6)};
  elements[4].xltype = xltypeStr;
  elements[4].val.str = hi;
  XLOPER source{};
  source.xltype = xltypeMulti;
  source.val.array = {elements, 2, 3};
  XLOPER* copy = Xl_newCopy(&source);
  ASSERT_NE(copy, nullptr);
  elements[0].val.num = -1;
  hi[1] = 'H';
  EXPECT_EQ(copy->val.array.rows, 2);
  EXPECT_EQ(copy->val.array.columns, 3);
  EXPECT_EQ(copy->val.array.lparray[0].val.num, 1);
  EXPECT_EQ(copy->val.array.lparray[5].val.num, 6);
  EXPECT_EQ(textOf(&copy->val.array.lparray[4]), "hi");
  Xl_freeValue(copy);
}

TEST(XlValue, ArrayWithAFailingElementFailsWhole) {
  char hi[] = {2, 'h', 'i'};
  XLOPER elements[3] = {{}, number(2), {}};
  elements[0].xltype = xltypeStr;   // copied first, then released again
  elements[0].val.str = hi;
  elements[2].xltype = xltypeRef;   // no area block: cannot be copied
  XLOPER source{};
  source.xltype = xltypeMulti;
  source.val.array = {elements, 1, 3};
  XLOPER target{};
  EXPECT_EQ(Xl_copyValue(&target, &source), 0);
  EXPECT_EQ(target.xltype, 0);
  source.val.array = {elements, 0, 3};
  EXPECT_EQ(Xl_copyValue(&target, &source), 0);
}

TEST(XlValue, OwnedDefaultsTextsAndLists) {
  XLOPER* zero = Xl_newZero();
  XLOPER* missing = Xl_newMissing();
  XLOPER* text = Xl_newText("solver_opt", 10);
  ASSERT_TRUE(zero && missing && text);
  EXPECT_EQ(zero->xltype, xltypeNum);
  EXPECT_EQ(zero->val.num, 0.0);
  EXPECT_EQ(missing->xltype, xltypeMissing);
  EXPECT_EQ(textOf(text), "solver_opt");
  EXPECT_EQ(Xl_newText(std::string(256, 'a').c_str(), 256), nullptr);   // longer than a counted text holds
  Xl_freeValue(missing);
  Xl_freeValue(nullptr);

  EXPECT_EQ(Xl_newValueList(0), nullptr);
  XlValueList* list = Xl_newValueList(3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->items, (std::vector<XLOPER*>{nullptr, nullptr, nullptr}));
  list->items[0] = text;
  list->items[2] = zero;
  Xl_freeValueList(list);   // frees its values: the sanitizer build checks nothing leaks
  Xl_freeValueList(nullptr);
}

// Values the application hands out stay valid in the library's copies after
// they are given back.
class XlValueFromApplication : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    book = Wb_newWorkbook("Book1.xlsx");
    Sheet* sheet = Wb_addSheet(book, "Model");
    Wb_setValue(book, sheet, 0, 0, CellValue::makeText("twelve"));
    Wb_setValue(book, sheet, 1, 0, CellValue::makeNumber(12));
  }
  void TearDown() override { Wb_resetApp(); }

  // EVALUATE of a formula text, as the application answers it.
  bool evaluate(const char* formula, XLOPER* result) {
    XLOPER* text = Xl_newText(formula, std::strlen(formula));
    bool ok = Excel4(xlfEvaluate, result, 1, text) == xlretSuccess;
    Xl_freeValue(text);
    return ok;
  }

  Workbook* book = nullptr;
};

TEST_F(XlValueFromApplication, CopiesOutliveTheGivenBackResult) {
  XLOPER result{};
  ASSERT_TRUE(evaluate("=Model!$A$1:$B$3", &result));
  ASSERT_EQ(Xl_type(&result), xltypeRef);
  XLOPER* ref = Xl_newCopy(&result);
  Xl_giveBack(&result);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].rwLast, 2);
  EXPECT_EQ(ref->val.mref.lpmref->reftbl[0].colLast, 1);

  XLOPER* values = Xl_coerce(ref, xltypeMulti);
  ASSERT_NE(values, nullptr);
  ASSERT_EQ(values->val.array.rows, 3);
  ASSERT_EQ(values->val.array.columns, 2);
  EXPECT_EQ(textOf(&values->val.array.lparray[0]), "twelve");
  EXPECT_EQ(values->val.array.lparray[2].val.num, 12);
  Xl_freeValue(values);
  Xl_freeValue(ref);
}

TEST_F(XlValueFromApplication, CoercionGivesTheRequestedTypeOrNothing) {
  XLOPER* abc = Xl_newText("abc", 3);
  XLOPER* digits = Xl_newText("12.5", 4);
  EXPECT_EQ(Xl_coerce(abc, xltypeNum), nullptr);
  XLOPER* number = Xl_coerce(digits, xltypeNum);
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->val.num, 12.5);
  XLOPER* integer = Xl_coerce(number, xltypeInt);
  ASSERT_NE(integer, nullptr);
  EXPECT_EQ(integer->xltype, xltypeInt);
  for (XLOPER* v : {abc, digits, number, integer}) Xl_freeValue(v);
}

TEST_F(XlValueFromApplication, SheetReferenceWithoutAreasDoesNotCopy) {
  XLOPER sheetRef{};
  ASSERT_EQ(Excel4(xlSheetId, &sheetRef, 0), xlretSuccess);
  EXPECT_EQ(Xl_newCopy(&sheetRef), nullptr);
  Xl_giveBack(&sheetRef);
}
