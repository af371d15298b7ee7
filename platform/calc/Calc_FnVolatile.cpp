// Worksheet functions whose value changes from one recalculation to the
// next: TODAY and NOW (date serials of the local clock, days since
// 1899-12-30), RAND and RANDBETWEEN.
#include <chrono>
#include <cmath>
#include <ctime>
#include <random>

#include "base/Dbl_Whole.h"
#include "platform/calc/Calc_Internal.h"

namespace {

// The local date and time as a serial number.
double nowSerial() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  // Days from 1899-12-30 to the local date, by the civil calendar.
  int y = local.tm_year + 1900, m = local.tm_mon + 1, d = local.tm_mday;
  y -= m <= 2;
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  double days = era * 146097.0 + doe - 719468 + 25569;   // 1970-01-01 is day 25569
  return days + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

std::mt19937_64& generator() {
  static std::mt19937_64 g(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return g;
}

void fnToday(const CalcContext&, const CalcNode&, CalcValue* out) {
  Calc_setScalar(out, CellValue::makeNumber(std::floor(nowSerial())));
}

void fnNow(const CalcContext&, const CalcNode&, CalcValue* out) {
  Calc_setScalar(out, CellValue::makeNumber(nowSerial()));
}

void fnRand(const CalcContext&, const CalcNode&, CalcValue* out) {
  Calc_setScalar(out, CellValue::makeNumber(std::uniform_real_distribution<double>(0.0, 1.0)(generator())));
}

void fnRandBetween(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  Calc_numeric(
      ctx, call, out,
      [](const double* x, size_t) {
        const double lo = std::ceil(x[0]), hi = std::floor(x[1]);
        long long a = 0, b = 0;
        if (lo > hi || std::fabs(lo) > 9e15 || std::fabs(hi) > 9e15 || !Dbl_toWhole(lo, &a) || !Dbl_toWhole(hi, &b))
          return CellValue::makeError(CellError::Num);
        auto k = std::uniform_int_distribution<long long>(a, b)(generator());
        return CellValue::makeNumber(static_cast<double>(k));
      },
      false);  // a draw for each element
}

}  // namespace

std::vector<CalcBuiltinInfo> Calc_volatileFunctions() {
  return {
    {"TODAY", 0, 0, fnToday}, {"NOW", 0, 0, fnNow}, {"RAND", 0, 0, fnRand}, {"RANDBETWEEN", 2, 2, fnRandBetween},
  };
}
