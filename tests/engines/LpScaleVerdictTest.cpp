// The LP/quadratic engine's verdict on small quadratic models does not hang
// on their scale: the same model with its variables, bounds and objective
// multiplied by a factor gets the same status, solved by the library in
// process and by `corvan solve` with the interpreter's analysis ("solver_dia"
// 2). Each model's optimum is worked out by hand; a model with a quadratic
// row is refused as not linear.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/engines/LpVerdictBook.h"

namespace {

using lpbook::Case;
using lpbook::kCells;
using lpbook::kFree;

// (x - c)^2 on [0, 2.5 c] from 0 is the same model at every c > 0, as is
// each of the others at the factor its variants are written with.
const std::vector<Case>& cases() {
  static const std::vector<Case> list = {
      {"bounded centre 4", 2, {{0, 0, 10}}, "1*(B2-4)^2", {}, 0, {4}, 0},
      {"bounded centre 4000", 2, {{0, 0, 1e4}}, "1*(B2-4000)^2", {}, 0, {4000}, 0},
      {"bounded centre 4E+05", 2, {{0, 0, 1e6}}, "1*(B2-4E+05)^2", {}, 0, {4e5}, 0},
      {"bounded centre 4E+07", 2, {{0, 0, 1e8}}, "1*(B2-4E+07)^2", {}, 0, {4e7}, 0},
      {"half-line centre 3", 2, {{0, 0, kFree}}, "1*(B2-3)^2", {}, 0, {3}, 0},
      {"half-line centre 350000", 2, {{0, 0, kFree}}, "1*(B2-350000)^2", {}, 0, {350000}, 0},
      {"half-line centre 3.5E+07", 2, {{0, 0, kFree}}, "1*(B2-3.5E+07)^2", {}, 0, {3.5e7}, 0},
      // Rows from 5E-04 to 3000: D2 = 2 by the equality, and B2 = 4 then
      // needs C2 >= 2 beyond its bound, where B2 = 3 leaves C2 <= 0.2 by the
      // third row. Phase 1 carried the small rows past their ends through
      // entries below the pivot tolerance; the vertex must not stand.
      {"badly scaled rows infeasible",
       2,
       {{0, 4, 4}, {0, 0, 1}, {-2, 1, 5}},
       "3.5*(B2-3.75)^2+2*(C2-1)^2+4*D2^2",
       {{"-3000*D2", 1, -5000},
        {"-5E-04*D2", 2, -0.001},
        {"3*B2-2.5*C2", 3, 8.5},
        {"0.002*B2-5E-04*C2-0.0015*D2", 1, 0.004}},
       StatusInfeasible,
       {},
       0},
      // 3.5 * 0.75^2 + 2 * 0.8^2 + 4 * 2^2 = 19.24875.
      {"badly scaled rows feasible",
       2,
       {{0, 3, 3}, {0, 0, 1}, {-2, 1, 5}},
       "3.5*(B2-3.75)^2+2*(C2-1)^2+4*D2^2",
       {{"-3000*D2", 1, -5000},
        {"-5E-04*D2", 2, -0.001},
        {"3*B2-2.5*C2", 3, 8.5},
        {"0.002*B2-5E-04*C2-0.0015*D2", 1, 0.004}},
       StatusSolved,
       {3, 0.2, 2},
       19.24875},
      // The minimiser (0.01, -0.03, -0.025, 0) with C2 held at 0.015:
      // 2.5 * 0.045^2 = 0.0050625.
      {"separable at 0.01",
       2,
       {{-0.01, -0.03, kFree}, {0, 0.015, 0.045}, {0.01, -kFree, kFree}, {0, -0.03, 0.005}},
       "2*(B2-0.01)^2+2.5*(C2+0.03)^2+1.5*(D2+0.025)^2+1.5*E2^2",
       {},
       0,
       {0.01, 0.015, -0.025, 0},
       0.0050625},
      {"separable at 1",
       2,
       {{-1, -3, kFree}, {0, 1.5, 4.5}, {1, -kFree, kFree}, {0, -3, 0.5}},
       "2*(B2-1)^2+2.5*(C2+3)^2+1.5*(D2+2.5)^2+1.5*E2^2",
       {},
       0,
       {1, 1.5, -2.5, 0},
       50.625},
      {"separable at 100",
       2,
       {{-100, -300, kFree}, {0, 150, 450}, {100, -kFree, kFree}, {0, -300, 50}},
       "2*(B2-100)^2+2.5*(C2+300)^2+1.5*(D2+250)^2+1.5*E2^2",
       {},
       0,
       {100, 150, -250, 0},
       506250},
      // Boxes where one variable has no lower bound: at a thousandth, a box
      // of 100 around it held the combination at its far corner, and the
      // path stopped at (5E-04, 0.0015, 5E-04) and 3.7E-05.
      {"box at 0.001",
       2,
       {{-0.00175, -0.0025, 5e-4}, {0.001, -kFree, 0.003}, {0.0045, 5e-4, 0.0015}},
       "3*(B2-0.0035)^2+3.5*(C2-0.0015)^2+2.5*(D2-0.0025)^2",
       {},
       0,
       {5e-4, 0.0015, 0.0015},
       2.95e-5},
      {"box at 1",
       2,
       {{-1.75, -2.5, 0.5}, {1, -kFree, 3}, {4.5, 0.5, 1.5}},
       "3*(B2-3.5)^2+3.5*(C2-1.5)^2+2.5*(D2-2.5)^2",
       {},
       0,
       {0.5, 1.5, 1.5},
       29.5},
      // Maximised: -(0.5 * 0.0005^2 + 0.0015^2) = -2.375E-06 at a thousandth.
      {"concave box at 0.001",
       1,
       {{0.001, -kFree, 0.004}, {0.002, -5e-4, 0.002}, {0.0025, 0.0015, 0.0025}, {0.001, -0.002, 0.002}},
       "-3*(B2-0.002)^2-0.5*(C2+0.001)^2-1*(D2-0.004)^2-1*(E2+5E-04)^2",
       {},
       0,
       {0.002, -5e-4, 0.0025, -5e-4},
       -2.375e-6},
      {"concave box at 1",
       1,
       {{1, -kFree, 4}, {2, -0.5, 2}, {2.5, 1.5, 2.5}, {1, -2, 2}},
       "-3*(B2-2)^2-0.5*(C2+1)^2-1*(D2-4)^2-1*(E2+0.5)^2",
       {},
       0,
       {2, -0.5, 2.5, -0.5},
       -2.375},
      // A constant beside the terms: the path still reaches the nearest
      // point of the row, (3, 2), where the objective is 1E+12 + 2.
      {"objective offset 1E+12",
       2,
       {{0, 0, 10}, {0, 0, 10}},
       "1E+12+(B2-4)^2+(C2-3)^2",
       {{"B2+C2", 1, 5}},
       0,
       {3, 2},
       1e12 + 2},
      // The vertex (3, 1, 4) on the row of 1000s prices its slack at -1E-05
      // a unit, at the reduced-cost tolerance, but 1000 units on z reaches
      // 5 (the second row binding) and lowers the objective by 0.01: by
      // hand, x and y at their upper bounds and z at 0.025 / 0.005.
      {"slack of a row of 1000s priced at the tolerance",
       2,
       {{0, 0, 3}, {1, 0, 1}, {1, 2, kFree}},
       "-2*B2-C2-0.01*D2",
       {{"1000*B2-1500*C2+1000*D2", 3, 5500}, {"0.005*D2", 1, 0.025}},
       0,
       {3, 1, 5},
       -7.05},
      // A weight of 2E-11 bends the objective by 3.2E-10 over 0, 4, 8, which
      // the linear test lets pass beside 1; over the box it is a parabola:
      // -2E-11 * 1500^2 = -4.5E-05 at x = -19000.
      {"tiny weight, centre far from 0",
       1,
       {{0, -20000, -19000}},
       "-2E-11*(B2+17500)^2",
       {{"-2E-06*B2", 3, 0.038}},
       0,
       {-19000},
       -4.5e-5},
      {"quadratic row offset 3", 1, {{0, -kFree, kFree}}, "-B2", {{"1*(B2+3)^2", 1, 4}}, StatusNotLinear, {}, 0},
      {"quadratic row offset 35000",
       1,
       {{0, -kFree, kFree}},
       "-B2",
       {{"1*(B2+35000)^2", 1, 4e8}},
       StatusNotLinear,
       {},
       0},
      {"quadratic row offset 3.5E+07",
       1,
       {{0, -kFree, kFree}},
       "-B2",
       {{"1*(B2+3.5E+07)^2", 1, 4e14}},
       StatusNotLinear,
       {},
       0},
      // LN(x) = 1 with y >= x, x within [e/8, 8e]: the kind test and the
      // capture evaluate at 0, outside x's bounds, where LN gives an error
      // value; a linear model gives a number everywhere, so the model is
      // not linear.
      {"LN row, cell bounds positive",
       2,
       {{2, 0.33978523699212955, 21.746254934059934}, {0, -kFree, kFree}},
       "C2",
       {{"LN(B2)", 2, 1}, {"C2-B2", 3, 0}},
       StatusNotLinear,
       {},
       0},
      // LN(5 - x) = 0 with x within [0, 4]: at x = 8, beyond the upper bound.
      {"LN row, error beyond the upper bound",
       1,
       {{1, 0, 4}, {0, -kFree, kFree}},
       "-C2",
       {{"LN(5-B2)", 2, 0}, {"C2-B2", 3, 0}},
       StatusNotLinear,
       {},
       0},
      // The same row with x from 0: the error at 0 is the model's own, at
      // a point within its bounds.
      {"LN row, cell bounds from 0",
       2,
       {{2, 0, 21.746254934059934}, {0, -kFree, kFree}},
       "C2",
       {{"LN(B2)", 2, 1}, {"C2-B2", 3, 0}},
       StatusEvalError,
       {},
       0},
  };
  return list;
}

class LpScaleVerdict : public LpVerdictBook {};

}  // namespace

TEST_F(LpScaleVerdict, SameModelAtAnotherScaleGetsTheSameVerdict) {
  for (const Case& c : cases()) {
    build(c);
    const lpbook::Printed printed = analysed();
    const int status = solve(0);
    EXPECT_EQ(printed.status, c.status) << c.what << " (dia=2)";
    EXPECT_EQ(status, c.status) << c.what;
    if (c.status != StatusSolved) continue;
    // (x - c)^2 off by a share r of c is off by r^2 c^2: the tolerances
    // follow the size of the variables.
    double size = 0;
    for (double v : c.optimum) size = std::max(size, std::fabs(v));
    const double objectiveTolerance = 1e-9 * (std::fabs(c.value) + size * size);
    EXPECT_NEAR(printed.objective, c.value, objectiveTolerance) << c.what << " (dia=2)";
    EXPECT_NEAR(valueAt("B6"), c.value, objectiveTolerance) << c.what;
    for (std::size_t j = 0; j < c.optimum.size(); ++j)
      EXPECT_NEAR(valueAt(kCells[j]), c.optimum[j], 1e-6 * (std::fabs(c.optimum[j]) + size)) << c.what << " " << j;
  }
}
