// Conversions of doubles to integers: a double converts when it is finite and
// its whole part lies in the type's range, truncated towards 0; NaN, the
// infinities and whole parts past either end never do, and leave the target
// as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/Dbl_Whole.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Case {
  double x;
  bool fits;
  int64_t whole;  // what a 32-bit conversion gives when it fits
};

TEST(DblWhole, ThirtyTwoBitsTakeTheirRangeAndNothingElse) {
  const Case cases[] = {
      {-2147483648.9, true, INT32_MIN},
      {2147483647.5, true, INT32_MAX},
      {-0.5, true, 0},
      {7.9, true, 7},
      {2147483648.0, false, 0},
      {-2147483649.0, false, 0},
      {1e15, false, 0},
      {NAN, false, 0},
      {kInf, false, 0},
      {-kInf, false, 0},
      {-1e300, false, 0},
  };
  for (const Case& c : cases) {
    int32_t n = 5;
    EXPECT_EQ(Dbl_toWhole(c.x, &n), c.fits) << c.x;
    EXPECT_EQ(n, c.fits ? c.whole : 5) << c.x;
  }
}

TEST(DblWhole, EachTypeHasItsOwnRange) {
  EXPECT_TRUE(Dbl_fitsWhole<int64_t>(-9223372036854775808.0));
  EXPECT_FALSE(Dbl_fitsWhole<int64_t>(9223372036854775808.0));
  EXPECT_TRUE(Dbl_fitsWhole<int64_t>(1e18));
  EXPECT_TRUE(Dbl_fitsWhole<uint16_t>(65535.9));
  EXPECT_FALSE(Dbl_fitsWhole<uint16_t>(65536));
  EXPECT_TRUE(Dbl_fitsWhole<uint32_t>(-0.9));
  EXPECT_FALSE(Dbl_fitsWhole<uint32_t>(-1));
  EXPECT_FALSE(Dbl_fitsWhole<long>(NAN));
}

}  // namespace
