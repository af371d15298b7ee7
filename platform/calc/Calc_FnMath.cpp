// Numeric worksheet functions: rounding, MOD, powers, logarithms and the
// trigonometric and hyperbolic functions. Each applies element by element
// to blocks; texts that read as numbers and booleans are converted.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/calc/Calc_Internal.h"

namespace {

CellValue num(double d) { return Calc_numberResult(d); }
CellValue error(CellError e) { return CellValue::makeError(e); }

enum class RoundMode { Nearest, Up, Down };

// Rounds to `digits` decimals on the number's 15-digit decimal form, halves
// away from zero, so that 2.675 rounds to 2.68 as it reads.
double roundDecimal(double x, double digitsArg, RoundMode mode) {
  if (x == 0 || !std::isfinite(x)) return x;
  int digits = static_cast<int>(std::trunc(std::max(-400.0, std::min(400.0, digitsArg))));
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
  std::string mant;
  for (const char* p = buf; *p && *p != 'e'; ++p)
    if (*p != '.') mant += *p;
  int exp10 = std::atoi(std::strchr(buf, 'e') + 1);
  int keep = exp10 + 1 + digits;  // significant digits kept
  if (keep >= 15) return x;
  bool restNonZero = false;
  for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < mant.size(); ++i) restNonZero = restNonZero || mant[i] != '0';
  long long kept = 0;
  for (int i = 0; i < keep; ++i) kept = kept * 10 + (mant[i] - '0');
  bool bump = mode == RoundMode::Up ? restNonZero
            : mode == RoundMode::Nearest ? (keep >= 0 && mant[keep] >= '5') : false;
  if (bump) ++kept;
  std::snprintf(buf, sizeof buf, "%llde%d", kept, -digits);
  double r = std::strtod(buf, nullptr);
  return x < 0 ? -r : r;
}

CellValue roundWith(const double* x, size_t n, RoundMode mode) {
  return num(roundDecimal(x[0], n > 1 ? x[1] : 0, mode));
}

CellValue logOf(const double* x, size_t n) {
  double base = n > 1 ? x[1] : 10;
  if (x[0] <= 0 || base <= 0) return error(CellError::Num);
  if (base == 1) return error(CellError::Div0);
  if (base == 10) return num(std::log10(x[0]));
  if (base == 2) return num(std::log2(x[0]));
  return num(std::log(x[0]) / std::log(base));
}

CellValue mod(const double* x, size_t) {
  if (x[1] == 0) return error(CellError::Div0);
  return num(x[0] - x[1] * std::floor(x[0] / x[1]));
}

CellValue inDomain(double v, bool ok) { return ok ? num(v) : error(CellError::Num); }

// Angles from 2^27 on have too few bits below the period to mean anything.
constexpr double kMaxAngle = 134217728.0;

#define NUMERIC(NAME, EXPR) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { \
    Calc_numeric(ctx, call, out, [](const double* x, size_t n) -> CellValue { (void)x; (void)n; return EXPR; }); \
  }

NUMERIC(fnAbs, num(std::fabs(x[0])))
NUMERIC(fnSign, num(x[0] > 0 ? 1.0 : x[0] < 0 ? -1.0 : 0.0))
NUMERIC(fnRound, roundWith(x, n, RoundMode::Nearest))
NUMERIC(fnRoundUp, roundWith(x, n, RoundMode::Up))
NUMERIC(fnRoundDown, roundWith(x, n, RoundMode::Down))
NUMERIC(fnInt, num(std::floor(x[0])))
NUMERIC(fnMod, mod(x, n))
NUMERIC(fnExp, num(std::exp(x[0])))
NUMERIC(fnLn, inDomain(std::log(std::fabs(x[0])), x[0] > 0))
NUMERIC(fnLog, logOf(x, n))
NUMERIC(fnLog10, inDomain(std::log10(std::fabs(x[0])), x[0] > 0))
NUMERIC(fnSqrt, inDomain(std::sqrt(std::fabs(x[0])), x[0] >= 0))
NUMERIC(fnPower, Calc_power(x[0], x[1]))
NUMERIC(fnPi, num(M_PI))
NUMERIC(fnSin, inDomain(std::sin(x[0]), std::fabs(x[0]) < kMaxAngle))
NUMERIC(fnCos, inDomain(std::cos(x[0]), std::fabs(x[0]) < kMaxAngle))
NUMERIC(fnTan, inDomain(std::tan(x[0]), std::fabs(x[0]) < kMaxAngle))
NUMERIC(fnAsin, inDomain(std::asin(std::fmax(-1.0, std::fmin(1.0, x[0]))), std::fabs(x[0]) <= 1))
NUMERIC(fnAcos, inDomain(std::acos(std::fmax(-1.0, std::fmin(1.0, x[0]))), std::fabs(x[0]) <= 1))
NUMERIC(fnAtan, num(std::atan(x[0])))
// A worksheet has no negative zero: a zero y is +0, so a negative x gives +pi.
NUMERIC(fnAtan2, x[0] == 0 && x[1] == 0 ? error(CellError::Div0) : num(std::atan2(x[1] == 0 ? 0.0 : x[1], x[0])))
NUMERIC(fnSinh, num(std::sinh(x[0])))
NUMERIC(fnCosh, num(std::cosh(x[0])))
NUMERIC(fnTanh, num(std::tanh(x[0])))

#undef NUMERIC

}  // namespace

void Calc_numeric(const CalcContext& ctx, const CalcNode& call, CalcValue* out, CalcNumericFn fn, bool pure) {
  size_t n = std::min<size_t>(call.args.size(), 3);
  Calc_mapArgs(ctx, call, out, [fn, n](const CellValue* const* items) {
    double x[3] = {0, 0, 0};
    CellValue err;
    for (size_t k = 0; k < n; ++k)
      if (!Calc_toNumber(*items[k], &x[k], &err)) return err;
    return fn(x, n);
  }, pure);
}

double Calc_round(double x, double digits) {
  double r = roundDecimal(x, digits, RoundMode::Nearest);
  return r == 0 ? 0.0 : r;   // no negative zero
}

double Calc_roundDown(double x, double digits) {
  double r = roundDecimal(x, digits, RoundMode::Down);
  return r == 0 ? 0.0 : r;
}

std::vector<CalcBuiltinInfo> Calc_mathFunctions() {
  return {
    {"ABS", 1, 1, fnAbs}, {"SIGN", 1, 1, fnSign},
    {"ROUND", 2, 2, fnRound}, {"ROUNDUP", 2, 2, fnRoundUp}, {"ROUNDDOWN", 2, 2, fnRoundDown},
    {"INT", 1, 1, fnInt}, {"TRUNC", 1, 2, fnRoundDown}, {"MOD", 2, 2, fnMod},
    {"EXP", 1, 1, fnExp}, {"LN", 1, 1, fnLn}, {"LOG", 1, 2, fnLog}, {"LOG10", 1, 1, fnLog10},
    {"SQRT", 1, 1, fnSqrt}, {"POWER", 2, 2, fnPower}, {"PI", 0, 0, fnPi},
    {"SIN", 1, 1, fnSin}, {"COS", 1, 1, fnCos}, {"TAN", 1, 1, fnTan},
    {"ASIN", 1, 1, fnAsin}, {"ACOS", 1, 1, fnAcos}, {"ATAN", 1, 1, fnAtan}, {"ATAN2", 2, 2, fnAtan2},
    {"SINH", 1, 1, fnSinh}, {"COSH", 1, 1, fnCosh}, {"TANH", 1, 1, fnTanh},
  };
}
