// The Krawczyk step on a hand-made system, F(x) = (x1 - 0.5, x2 - 0.25) over
// [0, 1]^2, with Jacobian enclosures from exact to unbounded: an exact one
// narrows the box onto the zero; one with an entry that is not bounded (the
// whole line, as at a jump or from a division through 0; half the line; NaN)
// has no midpoint matrix to invert, so the box stays as it was, holding the
// zero, with no NaN bound and no Newton step counted; values that are NaN
// fail as an evaluation does and leave it too.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_Newton.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kZero1 = 0.5, kZero2 = 0.25;

IaKrawczykSystem shiftedIdentity(const Interval& lowerLeft, const Interval& value2) {
  IaKrawczykSystem sys;
  sys.count = 2;
  sys.passLimit = 5;
  sys.jacobian = {Interval{1, 1}, Interval{0, 0}, lowerLeft, Interval{1, 1}};
  sys.values = [value2](const std::vector<double>& c, std::vector<Interval>& f) {
    f[0] = Ivl_subVS(Interval{c[0], c[0]}, kZero1);
    f[1] = std::isnan(value2.lo) ? value2 : Ivl_subVS(Interval{c[1], c[1]}, kZero2);
    return 0;
  };
  return sys;
}

TEST(IaKrawczyk, KeepsTheBoxWhenAnEntryOrAValueIsNotBounded) {
  const struct {
    const char* name;
    Interval lowerLeft;  // J(2, 1), a valid enclosure of 0
    Interval value2;     // NaN: F2 at the midpoint is not a number
    IaNewtonEnd end;
    int steps;  // inversions counted
  } cases[] = {
      {"exact", {0, 0}, {0, 0}, IaNewtonEnd::Done, 1},
      {"whole line", {-kInf, kInf}, {0, 0}, IaNewtonEnd::Unchanged, 0},
      {"half line", {0, kInf}, {0, 0}, IaNewtonEnd::Unchanged, 0},
      {"NaN entry", {kNaN, kNaN}, {0, 0}, IaNewtonEnd::Unchanged, 0},
      {"NaN value", {-1, 1}, {kNaN, kNaN}, IaNewtonEnd::Unchanged, 1},
  };
  for (const auto& c : cases) {
    IaKrawczykSystem sys = shiftedIdentity(c.lowerLeft, c.value2);
    const std::vector<Interval> start = {{0, 1}, {0, 1}};
    std::vector<Interval> box = start;
    int steps = 0;
    EXPECT_EQ(Ia_krawczykStep(sys, box, 1e-9, &steps), c.end) << c.name;
    EXPECT_TRUE(Ivl_contains(box[0], kZero1) && Ivl_contains(box[1], kZero2)) << c.name;
    for (const Interval& x : box) EXPECT_TRUE(!std::isnan(x.lo) && !std::isnan(x.hi)) << c.name;
    EXPECT_EQ(steps, c.steps) << c.name;
    if (c.end == IaNewtonEnd::Done) {
      EXPECT_LT(box[0].hi - box[0].lo, 1e-9) << c.name;
      continue;
    }
    for (int r = 0; r < 2; ++r) EXPECT_TRUE(box[r].lo == start[r].lo && box[r].hi == start[r].hi) << c.name;
  }
}

}  // namespace
