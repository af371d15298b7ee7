// Reading R1C1 reference texts relative to a base cell.
#include <gtest/gtest.h>

#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"
#include "tests/excel/TestRefs.h"

namespace {

std::string read(const char* text, const char* base = "B2") {
  TestRef ref({base}, 7);
  XLOPER* result = Area_fromR1C1(text, ref.get());
  if (!result) return "fail";
  EXPECT_EQ(result->val.mref.idSheet, 7);
  std::string out = testAreasText(result);
  Xl_freeValue(result);
  return out;
}

}  // namespace

TEST(AreaR1C1, RelativeAbsoluteAndBase) {
  EXPECT_EQ(read("R[1]C[-1]"), "A3");
  EXPECT_EQ(read("R2C3"), "C2");
  EXPECT_EQ(read("RC"), "B2");
  EXPECT_EQ(read("R0C0"), "B2");
  EXPECT_EQ(read("R1C1:R2C2,R5C5"), "A1:B2,E5");
  EXPECT_EQ(read("R[-1]C:R[2]C[3]", "C3:D9"), "C2:F5");   // base: the first cell
  EXPECT_EQ(Area_countR1C1Areas("R1C1:R2C2,R5C5", 1, 1), 2);
  EXPECT_EQ(Area_countR1C1Areas("R[1]C[-1]", 1, 1), 1);
}

TEST(AreaR1C1, MalformedTextsAreRefused) {
  for (const char* text : {"R[+1]C1", "R1", "", "C1", "R1C1,", "R1C1,C1", "R1C1 ", " R1C1",
                           "R[]C1", "R[1C1", "R1C1:", "R1C1:R2", "r1c1", "R1C1;R2C2", "R:C"})
    EXPECT_EQ(Area_countR1C1Areas(text, 1, 1), 0) << text;
  EXPECT_EQ(read("R[+1]C1"), "fail");
  EXPECT_EQ(read("R1"), "fail");
}

TEST(AreaR1C1, RowsAndColumnsMustFitAReference) {
  EXPECT_EQ(read("R[-2]C1"), "fail");          // above row 1
  EXPECT_EQ(read("RC[-2]"), "fail");           // left of column A
  EXPECT_EQ(read("R1C256"), "IV1");
  EXPECT_EQ(read("R1C257"), "fail");
  EXPECT_EQ(read("R1C[254]"), "IV1");          // B + 254: the last column
  EXPECT_EQ(read("R1C[255]"), "fail");
  EXPECT_EQ(Area_countR1C1Areas("R65536C1", 0, 0), 1);    // the last 16-bit row
  EXPECT_EQ(Area_countR1C1Areas("R65537C1", 0, 0), 0);
  EXPECT_EQ(Area_countR1C1Areas("R99999999999999999999C1", 0, 0), 0);
}

TEST(AreaR1C1, CornersMustBeInOrder) {
  EXPECT_EQ(read("R2C1:R1C1"), "fail");
  EXPECT_EQ(read("R1C2:R1C1"), "fail");
  EXPECT_EQ(read("R1C1:R1C1"), "A1");
}

TEST(AreaR1C1, BaseMustBeOneArea) {
  TestRef two({"A1", "B2"});
  EXPECT_EQ(Area_fromR1C1("RC", two.get()), nullptr);
  XLOPER number{};
  number.xltype = xltypeNum;
  EXPECT_EQ(Area_fromR1C1("RC", &number), nullptr);
}
