// DATE, DATEVALUE, DAY/MONTH/YEAR, EDATE, EOMONTH, WEEKNUM, YEARFRAC, NOW
// and TODAY.
#include "worksheet/dates/Wsf_Dates.h"

#include <cmath>
#include <ctime>

#include "base/Dbl_Whole.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/dates/Date_Args.h"
#include "worksheet/dates/Date_Serial.h"

namespace {

constexpr int32_t kTwoDigitYears = 99;
constexpr int32_t kBaseYear = 1900;
constexpr double kSecondsPerDay = 86400;
// EOMONTH's earliest answer, 31 January 1900.
constexpr int64_t kFirstMonthEnd = 31;

enum Selector { kYear = 1, kMonth = 2, kDay = 3 };

bool optionalGiven(int argc, const Value* const* argv, int i) { return argc > i && argv[i]->kind != kValMissing; }

// The head of EDATE and EOMONTH: errors first, then the structure modes.
bool monthsHead(Value* result, const Value* start, const Value* months) {
  if (Wsf_isError(start)) return Wsf_copy(result, start), true;
  if (Wsf_isError(months)) return Wsf_copy(result, months), true;
  if (!Wsf_isStructural(start) && !Wsf_isStructural(months)) return false;
  Wsf_nonSmoothStructure2(result, start, months);
  return true;
}

// The year and month k months after the start's; false with the result
// formed when the arguments are refused.
bool shiftMonths(Value* result, const Value* start, const Value* months, int64_t* y, int64_t* m, int32_t* d) {
  int64_t day = 0;
  int32_t k = 0, year = 0, month = 0;
  if (!Date_isNumber(start) || !Date_isNumber(months)) return Wsf_error(result, kErrValue), false;
  if (!Date_wholeDay(start->number, &day) || !Dbl_toWhole(months->number, &k)) return Wsf_error(result, kErrNum), false;
  Date_fromSerial(day, &year, &month, d);
  *y = year;
  *m = int64_t{month} + k;
  return true;
}

// Actual/actual: the length of the year a period of at most a year lies in
// (366 when it holds a 29 February), else the mean length of the years it
// touches.
double actualYear(int64_t s, int64_t e, int32_t y1, int32_t m1, int32_t d1, int32_t y2) {
  if (y1 == y2) return Date_isLeapYear(y1) ? 366 : 365;
  if (e <= Date_toSerial(int64_t{y1} + 1, m1, d1)) {
    const auto leapDayWithin = [s, e](int32_t y) {
      const int64_t f = Date_toSerial(y, 2, 29);
      return Date_isLeapYear(y) && s <= f && f <= e;
    };
    return leapDayWithin(y1) || leapDayWithin(y2) ? 366 : 365;
  }
  const int64_t days = Date_toSerial(int64_t{y2} + 1, 1, 1) - Date_toSerial(y1, 1, 1);
  return static_cast<double>(days) / (y2 - y1 + 1);
}

// The local time, broken down.
bool localNow(std::tm* out) {
  const std::time_t now = std::time(nullptr);
  return localtime_r(&now, out) != nullptr;
}

double localSerial(bool withTime) {
  std::tm t{};
  if (!localNow(&t)) return NAN;
  const auto day = static_cast<double>(Date_toSerial(t.tm_year + int64_t{kBaseYear}, t.tm_mon + 1, t.tm_mday));
  return withTime ? day + (t.tm_hour * 3600.0 + t.tm_min * 60.0 + t.tm_sec) / kSecondsPerDay : day;
}

}  // namespace

Value* Wsf_date(Value* result, const Value* year, const Value* month, const Value* day) {
  const Value* const args[] = {year, month, day};
  if (Date_headList(result, 3, args)) return result;
  for (const Value* a : args)
    if (!Wsf_isPlain(a)) return Wsf_error(result, kErrValue);
  int32_t y = 0, m = 0, d = 0;
  if (!Dbl_toWhole(year->number, &y) || !Dbl_toWhole(month->number, &m) || !Dbl_toWhole(day->number, &d))
    return Wsf_error(result, kErrNum);
  return Date_dayResult(result, Date_toSerial(y <= kTwoDigitYears ? int64_t{y} + kBaseYear : y, m, d));
}

Value* Wsf_datevalue(Value* result, const Value* text) {
  if (Wsf_head1(result, text)) return result;
  double serial = 0;
  int64_t day = 0;
  if (text->kind != kValText || !Date_fromText(text->text ? text->text : u"", &serial) || !Date_wholeDay(serial, &day))
    return Wsf_error(result, kErrValue);
  return Date_intResult(result, day);
}

Value* Wsf_day(Value* result, const Value* serial, int32_t selector) {
  if (Wsf_head1(result, serial)) return result;
  if (!Wsf_isPlain(serial)) return Wsf_error(result, kErrValue);
  int64_t day = 0;
  if (!Date_wholeDay(serial->number, &day)) return Wsf_error(result, kErrNum);
  int32_t parts[4] = {0, 0, 0, 0};
  Date_fromSerial(day, &parts[kYear], &parts[kMonth], &parts[kDay]);
  return Date_intResult(result, parts[selector >= kYear && selector <= kDay ? selector : kDay]);
}

Value* Wsf_edate(Value* result, const Value* start, const Value* months) {
  if (monthsHead(result, start, months)) return result;
  int64_t y = 0, m = 0;
  int32_t d = 0;
  if (!shiftMonths(result, start, months, &y, &m, &d)) return result;
  // A day past the end of the target month falls back to its last day.
  const int64_t firstOfNext = Date_toSerial(y, m + 1, 1);
  const int64_t t = Date_toSerial(y, m, d);
  return Date_dayResult(result, t < firstOfNext ? t : firstOfNext - 1);
}

Value* Wsf_eomonth(Value* result, const Value* start, const Value* months) {
  if (monthsHead(result, start, months)) return result;
  int64_t y = 0, m = 0;
  int32_t d = 0;
  if (!shiftMonths(result, start, months, &y, &m, &d)) return result;
  return Date_dayResult(result, Date_toSerial(y, m + 1, 1) - 1, kFirstMonthEnd);
}

Value* Wsf_weeknum(Value* result, int argc, const Value* const* argv) {
  if (Date_headList(result, argc, argv)) return result;
  const bool typed = argc > 1;
  if (!Date_isNumber(argv[0]) || (typed && !Date_isNumber(argv[1]))) return Wsf_error(result, kErrValue);
  int64_t s = 0;
  const double type = typed ? std::trunc(argv[1]->number) : 1;
  if (!Date_wholeDay(argv[0]->number, &s) || (type != 1 && type != 2)) return Wsf_error(result, kErrNum);
  int32_t y = 0, m = 0, d = 0;
  Date_fromSerial(s, &y, &m, &d);
  const int64_t first = Date_toSerial(y, 1, 1);
  // The weekday of 1 January counted 1 for Saturday to 7 for Friday, and
  // the first day of January that begins week 2.
  const int32_t w = Date_weekday(first) + 1;
  int32_t e = static_cast<int32_t>(type) - w + 9;
  if (e > 7) e -= 7;
  const int64_t q = (s - first) / 7;
  const int64_t week = (s - first - 7 * q + 1 < e ? q + 1 : q + 2) - (e == 1 ? 1 : 0);
  return Date_intResult(result, week);
}

Value* Wsf_yearfrac(Value* result, int argc, const Value* const* argv) {
  if (Date_headList(result, argc, argv)) return result;
  const bool hasBasis = optionalGiven(argc, argv, 2);
  if (!Date_isNumber(argv[0]) || !Date_isNumber(argv[1]) || (hasBasis && !Date_isNumber(argv[2])))
    return Wsf_error(result, kErrValue);
  int64_t a = 0, b = 0;
  const double basis = hasBasis ? std::trunc(argv[2]->number) : 0;
  if (!Date_wholeDay(argv[0]->number, &a) || !Date_wholeDay(argv[1]->number, &b) || !(basis >= 0 && basis <= 4))
    return Wsf_error(result, kErrNum);
  const int64_t s = a < b ? a : b, e = a < b ? b : a;
  const auto days = static_cast<double>(e - s);
  int32_t y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
  Date_fromSerial(s, &y1, &m1, &d1);
  Date_fromSerial(e, &y2, &m2, &d2);
  Val_clear(result);
  switch (static_cast<int32_t>(basis)) {
    case kBasisUs30360: return Val_setNumber(result, Coup_yearfracDays360(s, e) / 360);
    case kBasisActualActual: return Val_setNumber(result, days / actualYear(s, e, y1, m1, d1, y2));
    case kBasisActual360: return Val_setNumber(result, days / 360);
    case kBasisActual365: return Val_setNumber(result, days / 365);
    default: return Val_setNumber(result, Coup_days30360(s, e, kBasisEuropean30360, false) / 360);
  }
}

Value* Wsf_now(Value* result) {
  const double now = localSerial(true);
  if (std::isnan(now)) return Wsf_error(result, kErrValue);
  Val_clear(result);
  return Val_setNumber(result, now);
}

Value* Wsf_today(Value* result) {
  const double today = localSerial(false);
  if (std::isnan(today)) return Wsf_error(result, kErrValue);
  return Date_intResult(result, static_cast<int64_t>(today));
}
