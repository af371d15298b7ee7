// Which array blocks run cell by cell: those whose COUNTIF or SUMIF takes a
// criterion that may hold several cells.
#include <gtest/gtest.h>

#include "interpreter/Parse_CellPicking.h"
#include "values/Text_Convert.h"

namespace {

bool picks(const char* formula) { return Parse_picksByCell(Text_fromUtf8(formula)); }

TEST(ParseCellPicking, ACriterionOfOneValueRunsTheBlockOnce) {
  EXPECT_FALSE(picks("=COUNTIF(a1:a4,2)*b1:b4"));
  EXPECT_FALSE(picks("=countif(a1:a4,\">\"&$c$1)+b1:b4"));
  EXPECT_FALSE(picks("=SUMIF(a1:a4,\"<=3,x:y{\",b1:b4)*2"));
  EXPECT_FALSE(picks("=SUMIF(a1:a4,MAX(c1,2),b1:b4)"));
  EXPECT_FALSE(picks("=COUNTIF(a1:a4,Sheet2!c1)+COUNTIF(b1:b4,TRUE)"));
  EXPECT_FALSE(picks("=COUNTIF(a1:a4,#N/A)"));
  EXPECT_FALSE(picks("=MMULT(a1:b2,c1:d2)"));
  EXPECT_FALSE(picks("=COUNTIFS(a1:a4,a1:a3)"));
}

TEST(ParseCellPicking, ACriterionThatMayHoldSeveralCellsRunsCellByCell) {
  EXPECT_TRUE(picks("=COUNTIF(a1:a4,a1:a3)"));
  EXPECT_TRUE(picks("=1+SUMIF(a1:a4,{1;2},b1:b4)"));
  EXPECT_TRUE(picks("=COUNTIF(a1:a4,Limits)"));
  EXPECT_TRUE(picks("=COUNTIF(a1:a4,'My sheet'!c1)"));
  EXPECT_TRUE(picks("=COUNTIF(a1:a4,OFFSET(c1,0,0,3,1))"));
  EXPECT_TRUE(picks("=SUM(b1:b4)+COUNTIF(IF(a1:a4>0,a1:a4,0),MAX(c1:c4)-c1:c4)"));
}

}  // namespace
