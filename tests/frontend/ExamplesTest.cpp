// The example workbooks a newcomer solves first reach their known optima:
// the product mix its published 280, the rota 23 staff (the integer optimum
// of the classic five-days-in-a-row problem) and the pricing model the
// closed-form prices' profit 9470.
#include <gtest/gtest.h>

#include <string>

#include "tests/frontend/CliFixture.h"

TEST(Examples, EachSolvesToItsKnownOptimum) {
  struct Case {
    const char* book;
    const char* objective;  // the objective line's end
  };
  const Case cases[] = {{"product-mix.xlsx", "Total profit = 280\n"},
                        {"rota.xlsx", "Staff = 23\n"},
                        {"pricing.xlsx", "Total profit = 9470\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.book);
    const CliRun r = corvan("solve --quiet " + std::string(CORVAN_SOURCE) + "/examples/" + c.book);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has("status 0: solved")) << r.out;
    EXPECT_TRUE(r.has(c.objective)) << r.out;
  }
}
