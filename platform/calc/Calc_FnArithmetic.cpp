// Arithmetic worksheet functions beyond the basic ones: multiples (CEILING,
// FLOOR, MROUND, EVEN, ODD, QUOTIENT), factorials and combinations (FACT,
// FACTDOUBLE, COMBIN, MULTINOMIAL), GCD and LCM, SERIESSUM, angle units,
// the inverse hyperbolic functions and SQRTPI.
#include <cmath>
#include <limits>

#include "base/Dbl_Whole.h"
#include "platform/calc/Calc_Internal.h"

namespace {

CellValue num(double d) { return Calc_numberResult(d); }
CellValue error(CellError e) { return CellValue::makeError(e); }

// The multiple k of the step, or the number itself when it is one already
// (k steps would round it: FLOOR(1,1E-300) is 1, not 0.99999999999999989);
// #NUM! for more steps than the doubles count.
CellValue steps(double v, double step, double q, double k) {
  if (!std::isfinite(q)) return error(CellError::Num);
  if (q == k) return num(v);
  return num(k * step == 0 ? 0.0 : k * step);
}

// CEILING (up) and FLOOR: to a multiple of the step, counted in steps (so a
// negative step rounds a negative number by its size); a positive number
// with a negative step is #NUM!.
CellValue multiple(const double* x, bool up) {
  double v = x[0], step = x[1];
  if (step == 0) return up ? num(0) : error(CellError::Div0);
  if (v > 0 && step < 0) return error(CellError::Num);
  if (v == 0) return num(0);
  double q = Dbl_stepQuotient(v, step);
  return steps(v, step, q, up ? std::ceil(q) : std::floor(q));
}

// MROUND: to the nearest multiple, halves away from zero; a number and a
// multiple of opposite signs have no such multiple and give #NUM!.
CellValue mround(const double* x) {
  if (x[1] == 0) return num(0);
  if ((x[0] < 0 && x[1] > 0) || (x[0] > 0 && x[1] < 0)) return error(CellError::Num);
  if (x[0] == 0) return num(0);
  double q = Dbl_stepQuotient(x[0], x[1]), t = std::trunc(q);
  return steps(x[0], x[1], q, q - t >= 0.5 ? t + 1 : t);
}

// EVEN and ODD: away from zero to the next even (odd) whole number.
CellValue parity(double v, bool even) {
  double a = std::ceil(Dbl_stepQuotient(std::fabs(v), 1));
  bool isEven = std::fmod(a, 2) == 0;
  if (even != isEven) a += 1;
  return num(v < 0 ? -a : a);
}

// The products stop once they overflow (from 171! on), so a huge argument
// costs at most a few hundred steps and gives #NUM!.
CellValue factorial(double v) {
  if (v < 0) return error(CellError::Num);
  double r = 1;
  for (double k = 2; k <= std::floor(v) && std::isfinite(r); ++k) r *= k;
  return num(r);
}

CellValue doubleFactorial(double v) {
  if (v <= -1) return error(CellError::Num);
  double r = 1;
  for (double k = std::floor(v); k > 1 && std::isfinite(r); k -= 2) r *= k;
  return num(r);
}

// n choose k by the product of k ratios, exact for the values it can hold.
double choose(double n, double k) {
  k = std::min(k, n - k);
  double r = 1;
  for (double j = 1; j <= k && std::isfinite(r); ++j) r = r * (n - k + j) / j;
  return r < 1e15 ? std::round(r) : r;   // whole while doubles hold every whole number
}

CellValue combin(const double* x) {
  double n = std::trunc(x[0]), k = std::trunc(x[1]);
  if (n < 0 || k < 0 || k > n) return error(CellError::Num);
  return num(choose(n, k));
}

#define NUMERIC(NAME, EXPR) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { \
    Calc_numeric(ctx, call, out, [](const double* x, size_t n) -> CellValue { (void)x; (void)n; return EXPR; }); \
  }

NUMERIC(fnCeiling, multiple(x, true))
NUMERIC(fnFloor, multiple(x, false))
NUMERIC(fnMRound, mround(x))
NUMERIC(fnEven, parity(x[0], true))
NUMERIC(fnOdd, parity(x[0], false))
NUMERIC(fnQuotient, x[1] == 0 ? error(CellError::Div0) : num(std::trunc(x[0] / x[1])))
NUMERIC(fnFact, factorial(x[0]))
NUMERIC(fnFactDouble, doubleFactorial(x[0]))
NUMERIC(fnCombin, combin(x))
// Degrees and radians by one product with the ratio rounded once, so that
// a MOD or a difference that magnifies the last bit sees one value.
constexpr double kDegreesPerRadian = 180 / M_PI;
constexpr double kRadiansPerDegree = M_PI / 180;
NUMERIC(fnDegrees, num(x[0] * kDegreesPerRadian))
NUMERIC(fnRadians, num(x[0] * kRadiansPerDegree))
NUMERIC(fnSqrtPi, x[0] < 0 ? error(CellError::Num) : num(std::sqrt(x[0] * M_PI)))
NUMERIC(fnAcosh, x[0] < 1 ? error(CellError::Num) : num(std::acosh(x[0])))
NUMERIC(fnAsinh, num(std::asinh(x[0])))
NUMERIC(fnAtanh, std::fabs(x[0]) >= 1 ? error(CellError::Num) : num(std::atanh(x[0])))

#undef NUMERIC

// The whole parts of every number the arguments give; #NUM! for a negative one.
bool wholeNumbers(const CalcContext& ctx, const CalcNode& call, std::vector<double>* out, CellValue* err) {
  if (!Calc_numbersOf(ctx, call, false, out, err)) return false;
  for (double& v : *out) {
    if (v < 0) { *err = error(CellError::Num); return false; }
    v = std::trunc(v);
  }
  return true;
}

double gcd(double a, double b) {
  while (b > 0) {
    double r = std::fmod(a, b);
    a = b;
    b = r;
  }
  return a;
}

void fnGcd(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue err;
  if (!wholeNumbers(ctx, call, &v, &err)) return Calc_setScalar(out, err);
  double g = 0;
  for (double x : v) g = gcd(std::max(g, x), std::min(g, x));
  Calc_setScalar(out, num(g));
}

void fnLcm(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue err;
  if (!wholeNumbers(ctx, call, &v, &err)) return Calc_setScalar(out, err);
  double l = 1;
  for (double x : v) {
    if (x == 0) return Calc_setScalar(out, num(0));
    l = l / gcd(std::max(l, x), std::min(l, x)) * x;
  }
  Calc_setScalar(out, num(l));
}

// (a1 + ... + an)! / (a1! ... an!) as a product of binomial coefficients.
void fnMultinomial(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue err;
  if (!wholeNumbers(ctx, call, &v, &err)) return Calc_setScalar(out, err);
  double total = 0, r = 1;
  for (double x : v) {
    // C(total + x, x) by its shorter side, read before the sum: a total that
    // absorbs x (4 + 1E+300) would otherwise leave a side of 0 and a 1.
    const double shorter = std::min(x, total);
    total += x;
    r *= choose(total, shorter);
  }
  Calc_setScalar(out, num(r));
}

// SERIESSUM's coefficients, each keeping its place in the series: a value
// given directly by its number, of a range or array every element, a blank
// as 0 and a logical as its number; a text there is #VALUE!, in order with
// the errors (the first is the fault).
bool seriesCoefficients(const CalcContext& ctx, const CalcNode& arg, std::vector<double>* c, CellValue* err) {
  CalcValue v;
  Calc_eval(ctx, arg, &v);
  if (!v.area && !v.isArray) {
    double d = 0;
    if (!Calc_toNumber(v.array.values[0], &d, err)) return false;
    c->push_back(d);
    return true;
  }
  CalcGrid g(v);
  for (int r = 0; r < g.rows; ++r)
    for (int k = 0; k < g.cols; ++k) {
      const CellValue& x = g.at(r, k);
      if (x.kind == CellKind::Error) return *err = x, false;
      if (x.kind == CellKind::Text) return *err = error(CellError::Value), false;
      c->push_back(x.kind == CellKind::Empty ? 0 : x.number);
    }
  return true;
}

// SERIESSUM(x, n, m, coefficients): the sum of c_i x^(n + i m).
void fnSeriesSum(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  double x[3];
  CellValue err;
  for (int i = 0; i < 3; ++i)
    if (!Calc_toNumber(Calc_evalScalar(ctx, call.args[i]), &x[i], &err)) return Calc_setScalar(out, err);
  std::vector<double> c;
  if (!seriesCoefficients(ctx, call.args[3], &c, &err)) return Calc_setScalar(out, err);
  double sum = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    CellValue term = Calc_power(x[0], x[1] + static_cast<double>(i) * x[2]);
    if (term.kind == CellKind::Error) return Calc_setScalar(out, term);
    sum += c[i] * term.number;
  }
  Calc_setScalar(out, num(sum));
}

}  // namespace

std::vector<CalcBuiltinInfo> Calc_arithmeticFunctions() {
  constexpr int kMany = 255;
  return {
    {"CEILING", 2, 2, fnCeiling}, {"FLOOR", 2, 2, fnFloor}, {"MROUND", 2, 2, fnMRound},
    {"EVEN", 1, 1, fnEven}, {"ODD", 1, 1, fnOdd}, {"QUOTIENT", 2, 2, fnQuotient},
    {"FACT", 1, 1, fnFact}, {"FACTDOUBLE", 1, 1, fnFactDouble}, {"COMBIN", 2, 2, fnCombin},
    {"GCD", 1, kMany, fnGcd}, {"LCM", 1, kMany, fnLcm}, {"MULTINOMIAL", 1, kMany, fnMultinomial},
    {"SERIESSUM", 4, 4, fnSeriesSum, Calc_oneValueArgs({0, 1, 2})},
    {"DEGREES", 1, 1, fnDegrees}, {"RADIANS", 1, 1, fnRadians},
    {"SQRTPI", 1, 1, fnSqrtPi}, {"ACOSH", 1, 1, fnAcosh}, {"ASINH", 1, 1, fnAsinh}, {"ATANH", 1, 1, fnAtanh},
  };
}
