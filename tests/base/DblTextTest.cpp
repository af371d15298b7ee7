// Numbers as report tables print them: six truncated decimals, the model's
// infinities as words, and NaN named rather than converted.
#include "base/Dbl_Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(DblText, PrintsSixTruncatedDecimalsAndNamesWhatHasNone) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{-5e9, "-INFTY"},
               {5e9, "+INFTY"},
               {1e30, "+INFTY"},
               {-std::numeric_limits<double>::infinity(), "-INFTY"},
               {1.25, "1.250000"},
               {-0.0000019, "-0.000001"},
               {0.0, "0.000000"},
               {4e9, "4000000000.000000"},
               {std::nan(""), "NaN"}};
  for (const auto& c : cases) EXPECT_EQ(Dbl_fixedText(c.value), c.text) << c.value;
}

}  // namespace
