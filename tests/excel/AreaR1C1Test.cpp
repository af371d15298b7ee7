// Reading R1C1 reference texts relative to a base cell.
#include <gtest/gtest.h>

#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"
#include "tests/excel/TestRefs.h"

// The areas each text reads to on sheet 7, from base B2 unless given; "fail"
// when refused.
TEST(AreaR1C1, TextsReadRelativeToTheBase) {
  const char* const cases[][3] = {
      {"R[1]C[-1]", "B2", "A3"},      {"R2C3", "B2", "C2"},           {"RC", "B2", "B2"},
      {"R0C0", "B2", "B2"},           {"R1C1:R2C2,R5C5", "B2", "A1:B2,E5"},
      {"R[-1]C:R[2]C[3]", "C3:D9", "C2:F5"},   // base: the first cell
      {"R[-2]C1", "B2", "fail"},      // above row 1
      {"RC[-2]", "B2", "fail"},       // left of column A
      {"R1C256", "B2", "IV1"},        {"R1C257", "B2", "fail"},
      {"R1C[254]", "B2", "IV1"},      {"R1C[255]", "B2", "fail"},
      {"R2C1:R1C1", "B2", "fail"},    {"R1C2:R1C1", "B2", "fail"},    // corners out of order
      {"R1C1:R1C1", "B2", "A1"},
      {"R[+1]C1", "B2", "fail"},      {"R1", "B2", "fail"},
  };
  for (const auto& [text, base, expected] : cases) {
    TestRef ref({base}, 7);
    XlOwned result(Area_fromR1C1(text, ref.get()));
    EXPECT_EQ(result ? testAreasText(result.get()) : "fail", expected) << text;
    EXPECT_TRUE(!result || result->val.mref.idSheet == 7) << text;
  }
  TestRef two({"A1", "B2"});                  // the base must be one area
  EXPECT_EQ(Area_fromR1C1("RC", two.get()), nullptr);
  XLOPER number{};
  number.xltype = xltypeNum;
  EXPECT_EQ(Area_fromR1C1("RC", &number), nullptr);
}

TEST(AreaR1C1, AreaCountsAndMalformedTexts) {
  EXPECT_EQ(Area_countR1C1Areas("R1C1:R2C2,R5C5", 1, 1), 2);
  EXPECT_EQ(Area_countR1C1Areas("R[1]C[-1]", 1, 1), 1);
  EXPECT_EQ(Area_countR1C1Areas("R65536C1", 0, 0), 1);    // the last 16-bit row
  for (const char* text : {"R[+1]C1", "R1", "", "C1", "R1C1,", "R1C1,C1", "R1C1 ", " R1C1", "R[]C1", "R[1C1",
                           "R1C1:", "R1C1:R2", "r1c1", "R1C1;R2C2", "R:C", "R65537C1", "R99999999999999999999C1"})
    EXPECT_EQ(Area_countR1C1Areas(text, 1, 1), 0) << text;
}
