// The interpreter's derivative modes on the differential check's workbook
// (variables A1:A6 = 2.5, -1.5, 0.5, 3, 7, 0.25; Rate = 0.05, Word = "abc"):
// wherever the stand-in gives a number, the forward, reverse and
// second-derivative modes give that number and the hand-computed slope in
// one variable, or mark the result as having no derivative where the
// formula has none (a negative base to a varying exponent, a variable where
// a lookup wants a position, a count or a rank, also beside a text read from
// a cell or an error, and element by element in an array result, a join
// of a variable's digits where errors are left out, the closed edge of a
// function's domain, a zero base to a fractional power, an argument that
// has no derivative itself, a step of the formula beyond the doubles where
// the value mode passes it); with a yes/no or a count computed from the
// variables, tiny divisors and tiny bases of constant powers (the reverse
// mode refusing those whose own slope leaves the doubles), defined names
// holding constants, constant powers of a zero base, powers, logarithms and
// roots whose second derivatives pass the doubles' range on the way, the
// angle's quadrant where the structure of a formula cannot tell it, the
// constant parts of complex numbers and the spread of one value among the
// formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/DiffCheck.h"

namespace {

// A formula with its value by hand, and its slope by hand in the variable
// cell A<variable>, or marked when it has no derivative there.
struct Row {
  const char* formula;
  double value;
  int variable;
  double slope;
  bool marked = false;
  // The reverse mode fails with status 26: an operation's slope in its own
  // operand leaves the doubles where the formula's does not.
  bool tapeOverflows = false;
};

const double kPi = std::acos(-1.0);
constexpr double kTolerance = 1e-12;
// The root of 1E-300 EXP(-2.5), times 1E+150.
const double kTinyRoot = std::exp(-1.25);
// POISSON(3, 7, TRUE) and its slope in the mean, minus the term at 3.
const double kPoissonCdf = std::exp(-7.0) * (1 + 7 + 49.0 / 2 + 343.0 / 6);
const double kPoissonSlope = -std::exp(-7.0) * 343.0 / 6;
// PV(r, 3, 1, 0, TRUE) at r = 2.5: -(1 + r)(1 - (1 + r)^-3) / r, and its
// slope (1 - 2r(1 + r)^-3 - (1 + r)^-2) / r^2.
const double kGrown = 3.5;
const double kStartPv = -kGrown * (1 - std::pow(kGrown, -3)) / 2.5;
const double kStartPvSlope = (1 - 5 * std::pow(kGrown, -3) - std::pow(kGrown, -2)) / 6.25;

// ln(2.5E-300); NPER(1, 2.1E-299, 0.5): ln(2.1E-299 / (2.1E-299 + 0.5)) / ln 2.
const double kLn2 = std::log(2.0), kLn10 = std::log(10.0);
const double kLnTiny = std::log(2.5e-300);
const double kTinyNper = std::log(2.1e-299 / (2.1e-299 + 0.5)) / kLn2;
// (1E-200 A1)^-1.5 times 1E-300 at A1 = 2.5.
const double kTinyPower = std::pow(2.5, -1.5);

const Row kRows[] = {
    {"=A1*Rate", 0.125, 1, 0.05},
    {"=Rate-6+A4", -2.95, 4, 1},
    {"=Rate^6*A1", 2.5 * 1.5625e-8, 1, 1.5625e-8},
    {"=A2/Rate", -30, 2, 20},
    {"=AVERAGE(Rate,A4)", 1.525, 4, 0.5},
    {"=LEN(Word)*A1", 7.5, 1, 3},
    {"=COUNTA(A1,Word)+A5", 9, 5, 1},
    {"=0^A6", 0, 6, 0},
    {"=A5+0^A6*A4", 7, 4, 0},
    {"=POWER(0,A5)+A1", 2.5, 5, 0},
    {"=IMAGINARY(A1)+A1", 2.5, 1, 1},
    {"=IMARGUMENT(A2)", kPi, 2, 0},
    {"=IMARGUMENT(A4)*255+A4", 3, 4, 1},
    {"=STDEVP(A5)+A5", 7, 5, 1},
    {"=STDEVPA(A1)*A3", 0, 1, 0},
    {"=A2^A5", -17.0859375, 5, 0, true},
    {"=POWER(-A4,A4)", -27, 4, 0, true},
    {"=LOOKUP(3,A1:A2,A3:A4)", 3, 1, 0, true},
    {"=VLOOKUP(45,A1:B2,B4)", -1.5, 2, 0, true},
    {"=LCM(A4,C1)", 3, 4, 0, true},
    {"=SMALL(A2:A5,Block)", 3, 1, 0, true},
    {"=SUBTOTAL(A1:A3,B6)", 0, 1, 0, true},
    {"=NPV(0.5,A5&1)", 71 / 1.5, 5, 0, true},
    {"=ACOS(1^A1)", 0, 1, 0, true},
    {"=SQRT(A1-A1)", 0, 1, 0, true},
    {"=ATAN2(-7,A4)", kPi - std::atan(3.0 / 7.0), 4, -7.0 / 58.0},
    {"=A3^1E+300", 0, 3, 0},
    {"=GEOMEAN(1E-300,EXP(-A1))*1E+150", kTinyRoot, 1, -kTinyRoot / 2},
    {"=IMARGUMENT(A5%)^0.3", 0, 5, 0, true},
    {"=(A1-A1)^1.5", 0, 1, 0, true},
    {"=(A1-A1)^2+A1", 2.5, 1, 1},
    {"=MIRR(A1:A3,0,0)", std::sqrt(2.0) - 1, 1, 1 / (3 * std::sqrt(2.0))},
    {"=RATE(1,1E+5,0,A2,Rate)", 1.5e-5 - 1, 2, -1e-5},
    {"=RATE(1,0,A1)", -1, 1, 0},
    // a rate of exactly 0 keeps its slope: the annuity factor grows by
    // n (n - 1) / 2 and the growth by n per unit of rate
    {"=FV(A2+1.5,10,-1,A3)", 9.5, 2, 40},
    {"=PMT(A2+1.5,-A2,2)", -4.0 / 3, 2, -23.0 / 9},
    {"=NPER(A2+1.5,-1,100,A1)", 102.5, 2, 5048.125},
    {"=RATE(10,-1,A5+3)", 0, 5, -1.0 / 55},
    // an element 0^0 of varying operands, not shown in the cell, has no
    // slope and fails nothing: the cell is (A4-1)^(A4-1)
    {"=POWER(A4-{1,2,3},A4-{1;2;3})", 4, 4, 4 + 4 * std::log(2.0)},
    // a subnormal base (WEIBULL's density of about 3E-319) to a varying
    // power that underflows: its slope y x^(y-1) is 0, not infinity times 0
    {"=WEIBULL(A5,A1,A3,0)^A1", 0, 1, 0},
    {"=MEDIAN(A4,MDETERM(A2))", 0.75, 4, 0, true},
    {"=EFFECT(B5&A6,A4)", 469.0 / 1728, 6, 0, true},
    {"=FREQUENCY(A2,CEILING(A1,B8))", 1, 2, 0, true},
    {"=NPER(A4,1E-300,0,0)", 0, 4, 0},
    {"=NPER({1,2;3,4},(2&1E-300),A3)", kTinyNper, 3, -2 / kLn2},
    {"=LN(A1*1E-300)", kLnTiny, 1, 0.4},
    // below 1E-308 LN's own slope 1 / x leaves the doubles: the forward and
    // second-derivative modes divide by x, the reverse mode refuses
    {"=LN(A1*1E-300*1E-10)", std::log(2.5e-310), 1, 0.4, false, true},
    {"=LOG(1E-300*A3)", std::log10(5e-301), 3, 2 / kLn10},
    {"=SQRT(A6*1E-300)*1E+150", 0.5, 6, 1},
    // no periods: every rate is a root, so the one found has no derivative
    {"=RATE(0,A1,0)", 0.2, 1, 0, true},
    // one far value among three: standardised, -1.5 and three times 0.5,
    // so 4 / (3 2) (3 0.125 - 3.375) = -2, whatever the others are
    {"=SKEW(A1,24,TRUE,-1E+300)", -2, 1, 0, true},
    {"=POISSON(3,A5,0<A6)", kPoissonCdf, 5, kPoissonSlope},
    {"=PV(A1,3,1,0,A2<0)", kStartPv, 1, kStartPvSlope},
    // the interest at r = 1E-12 is -r 1000 (11 + 66r) / (12 + 66r), to
    // first order -r (11000 / 12)(1 + r / 2), whose slope in r is
    // -(11000 / 12)(1 + r); here r is A6 4E-12 and the value is scaled
    {"=IPMT(A6*4E-12,2,12,1000)*1E+9", -11000.0 / 12 * 1e-3 * (1 + 0.5e-12), 6, -11000.0 / 12 * 4e-3 * (1 + 1e-12)},
    {"=EFFECT(STDEVP(A1,A2),--(A3<=FALSE))", 2, 1, 0.5},
    // 10 / A1 and 10 A1 / A2 through a divisor near 1E-300, and the slope
    // of ln(3 / (3 + 1E+300 A3)) in A3, -1E+300 / (3 + 5E+299): the reverse
    // mode's tape takes the quotient over its divisor scaled to 1
    {"=1/(1E-300*A1)*1E-299", 4, 1, -1.6},
    {"=A1/(A2*1E-300)*1E-299", -25.0 / 1.5, 2, -25.0 / 2.25},
    {"=LN(3/(3+A3*1E+300))", std::log(6e-300), 3, -2},
    {"=LN(A4/(A4+1E+200))", std::log(3e-200), 4, 1.0 / 3},
    // INDEX with row 0 or none is the whole column: a sum and a sum of squares
    {"=SUM(INDEX(A1:A6,0))", 11.75, 3, 1},
    // a division by a divisor that is 0 at the point (A1 = 2.5) is #DIV/0!
    // in every mode, which ISERROR and COUNT look at
    {"=IF(ISERROR(1/(A1-2.5)),1,2)+A2", -0.5, 2, 1},
    {"=COUNT(1/(A1-2.5),A3/(A1-2.5))+A4", 3, 4, 1},
    {"=SUMPRODUCT(INDEX(A1:A6,),A1:A6)", 66.8125, 5, 14},
    {"=SUM(INDEX(A1:A6*2,0,1))", 23.5, 2, 2},
    // a huge even exponent: the power and every derivative underflow to 0,
    // though s (s - 1) leaves the doubles
    {"=POWER(A2,-1E+300%)+A4", 3, 2, 0},
    {"=A3^1E+200+A4", 3, 3, 0},
    // A1^s through a base near 1E-300 / s, whose own slope leaves the doubles
    {"=(1E-300*A1)^-1*1E-299", 4, 1, -1.6, false, true},
    {"=POWER(1E-300*A1,-1)*1E-299", 4, 1, -1.6, false, true},
    {"=(1E-200*A1)^-1.5*1E-300", kTinyPower, 1, -1.5 * kTinyPower / 2.5, false, true},
    {"=(1E-150*A1)^-2*1E-300", 0.16, 1, -0.128, false, true},
};

// A derivative mode's entry as the differential check calls it.
using Entry = bool (*)(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                       bool subtractRhs);

bool secondDerivatives(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                       bool subtractRhs) {
  std::vector<std::vector<double>> rows(kDiffVariables + 1, std::vector<double>(kDiffVariables + 1, 0.0));
  std::vector<double*> hessian;
  for (std::vector<double>& row : rows) hessian.push_back(row.data());
  return Eval_evalHess(p, i, reset, value, gradient, hessian.data(), zeroBased, subtractRhs);
}

struct Mode {
  const char* name;
  Entry entry;
  bool tape = false;
};

const Mode kModes[] = {
    {"forward", Eval_evalRealDeriv}, {"reverse", Eval_evalRevGrad, true}, {"second-derivative", secondDerivatives}};

// One mode of a row's formula: its value and slope, or its mark.
void checkMode(diff_detail::DerivativeBench& bench, const Row& row, const Mode& mode) {
  std::vector<double> gradient(kDiffVariables + 1, 0.0);
  double value = 0;
  const bool computed = mode.entry(&bench.program, 0, true, &value, gradient.data(), false, false);
  if (row.tapeOverflows && mode.tape) {
    EXPECT_FALSE(computed);
    EXPECT_EQ(bench.ctx->errors.firstError, kStatusOverflow);
    return;
  }
  if (row.marked) {
    EXPECT_FALSE(computed);
    EXPECT_TRUE(diff_detail::withoutDerivatives(bench)) << int(bench.ctx->errors.firstError);
    return;
  }
  ASSERT_TRUE(computed) << int(bench.ctx->errors.firstError);
  EXPECT_NEAR(value, row.value, kTolerance);
  EXPECT_NEAR(gradient[static_cast<size_t>(row.variable)], row.slope, kTolerance);
}

// A row's formula by the stand-in and in every derivative mode.
void checkRow(Workbook* wb, const Row& row) {
  const CellValue standIn = diff_detail::standInValue(wb, row.formula);
  ASSERT_EQ(standIn.kind, CellKind::Number) << Cases_shown(standIn);
  EXPECT_NEAR(standIn.number, row.value, kTolerance);
  diff_detail::DerivativeBench bench(wb);
  ASSERT_TRUE(bench.ok) << int(bench.ctx->errors.firstError);
  for (const Mode& mode : kModes) {
    SCOPED_TRACE(mode.name);
    checkMode(bench, row, mode);
  }
}

TEST(DerivativeModes, GiveTheWorkbooksValueAndTheHandSlope) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.formula);
    Fe_useApplication(wb);
    checkRow(wb, row);
    Fe_useApplication(nullptr);
  }
  Wb_resetApp();
}

// A row held as an equality, "formula = rhs", and the box of the variable
// A<variable> that interval propagation keeps of [kBoxLow, kBoxHigh].
struct Narrowing {
  const char* formula;
  double rhs;
  int variable;
  Interval kept;
};

constexpr double kBoxLow = 1, kBoxHigh = 10;

const Narrowing kNarrowings[] = {
    {"=IMAGINARY(A1)+A1", 4, 1, {4, 4}},
    {"=IMARGUMENT(-A1)+A1", kPi + 2, 1, {2, 2}},
    // the whole column: six cells of at least 1 summing to 6 are all 1
    {"=SUM(INDEX(A1:A6,0))", 6, 4, {1, 1}},
};

// The constant parts of complex numbers taken from a variable narrow
// nothing: the box keeps every point at which the row holds; a sum over
// a whole column INDEX gives narrows every cell of it.
TEST(DerivativeModes, IntervalPropagationKeepsEveryPointTheRowAdmits) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  for (const Narrowing& row : kNarrowings) {
    SCOPED_TRACE(row.formula);
    Fe_useApplication(wb);
    diff_detail::standInValue(wb, row.formula);
    diff_detail::DerivativeBench bench(wb);
    ASSERT_TRUE(bench.ok) << int(bench.ctx->errors.firstError);
    std::vector<Interval> box(kDiffVariables + 1, Interval{kBoxLow, kBoxHigh});
    for (int j = 1; j <= kDiffVariables; ++j)
      Model_getVariable(bench.ctx->tables.variables, j)->value = Interval{kBoxLow, kBoxHigh};
    Interval range{};
    ASSERT_TRUE(Eval_evalIvProp(&bench.program, 0, kRelEqual, row.rhs, box.data(), false, &range))
        << int(bench.ctx->errors.firstError);
    const Interval kept = box[static_cast<size_t>(row.variable)];
    EXPECT_NEAR(kept.lo, row.kept.lo, kTolerance);
    EXPECT_NEAR(kept.hi, row.kept.hi, kTolerance);
    Fe_useApplication(nullptr);
  }
  Wb_resetApp();
}

}  // namespace
