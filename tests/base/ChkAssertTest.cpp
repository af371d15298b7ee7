// The invariant check: silent when its condition holds, and when checks are
// compiled in, an abort that names the condition and its place.
#define CORVAN_CHECKS 1
#include "base/Chk_Assert.h"

#include <gtest/gtest.h>

namespace {

TEST(ChkAssert, AHoldingConditionPassesThrough) {
  int evaluated = 0;
  CORVAN_ASSERT(++evaluated == 1);
  EXPECT_EQ(evaluated, 1);
}

TEST(ChkAssertDeathTest, AFailedConditionAbortsNamingItAndItsPlace) {
  const int rows = 2;
  EXPECT_DEATH(CORVAN_ASSERT(rows > 3), "ChkAssertTest.cpp:[0-9]+: check failed: rows > 3");
}

}  // namespace
