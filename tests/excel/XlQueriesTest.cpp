// Texts of references against the stand-in application (the selection-based
// queries are checked through the dependence marks and the extraction tests
// that rely on them).
#include <gtest/gtest.h>

#include "excel/Xl_Queries.h"
#include "tests/excel/ModelFixture.h"
#include "tests/excel/TestRefs.h"

using XlQueries = ModelFixture;

TEST_F(XlQueries, ReferenceTexts) {
  auto endsWith = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };
  TestRef ref({"B2:C3"}, sheetId());
  std::string text;
  ASSERT_TRUE(Xl_refText(ref.get(), 0, &text));
  EXPECT_TRUE(endsWith(text, "Model!$B$2:$C$3")) << text;
  ASSERT_TRUE(Xl_refText(ref.get(), 1, &text));
  EXPECT_TRUE(endsWith(text, "Model!R2C2:R3C3")) << text;
  ASSERT_TRUE(Xl_cellRefText(sheetId(), 4, 0, 1, &text));
  EXPECT_TRUE(endsWith(text, "R5C1")) << text;
  ASSERT_TRUE(Xl_activeCellRefText(0, 2, 0, &text));
  EXPECT_TRUE(endsWith(text, "$C$1")) << text;
  ASSERT_TRUE(Xl_elementText(ref.get(), 3, &text));       // the fourth cell, row by row
  EXPECT_EQ(text, "R3C3");
  EXPECT_FALSE(Xl_elementText(ref.get(), 4, &text));
  EXPECT_EQ(Xl_substring("abc", 1), "bc");
  EXPECT_EQ(Xl_substring("abc", 3), "");
}
