// Day counts and year lengths of the day-count bases.
#include "worksheet/dates/Coup_DayCount.h"

#include <cmath>

#include "worksheet/dates/Date_Serial.h"

namespace {

constexpr int32_t kFebruary = 2;

bool isLastOfFebruary(int32_t y, int32_t m, int32_t d) { return m == kFebruary && d == Date_monthLength(y, m); }

// A serial that lies in 0 .. the last serial, truncated.
bool serialDay(double x, int64_t* day) {
  if (!(x >= 0) || std::trunc(x) > kDateLastSerial) return false;
  *day = static_cast<int64_t>(x);
  return true;
}

}  // namespace

bool Coup_isMonthEnd(int64_t day) {
  int32_t y = 0, m = 0, d = 0;
  Date_fromSerial(day, &y, &m, &d);
  return d >= 28 && d == Date_monthLength(y, m);
}

double Coup_days30360(int64_t p, int64_t q, int32_t basis, bool feb) {
  int32_t y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
  Date_fromSerial(p, &y1, &m1, &d1);
  Date_fromSerial(q, &y2, &m2, &d2);
  if (basis == kBasisEuropean30360) {
    if (d1 == 31) d1 = 30;
    if (d2 == 31) d2 = 30;
  } else {
    if (feb && isLastOfFebruary(y1, m1, d1)) {
      if (isLastOfFebruary(y2, m2, d2)) d2 = 30;
      d1 = 30;
    }
    if (d2 == 31 && d1 >= 30) d2 = 30;
    if (d1 == 31) d1 = 30;
  }
  return ((y2 - y1) * 12.0 - m1 + m2) * 30.0 - d1 + d2;
}

double Coup_yearfracDays360(int64_t p, int64_t q) {
  int32_t y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
  Date_fromSerial(p, &y1, &m1, &d1);
  Date_fromSerial(q, &y2, &m2, &d2);
  const bool febStart = isLastOfFebruary(y1, m1, d1), febEnd = isLastOfFebruary(y2, m2, d2);
  if (d1 == 31 && d2 == 31) d1 = d2 = 30;
  else if (d1 == 31) d1 = 30;
  else if (d1 == 30 && d2 == 31) d2 = 30;
  else if (febStart && febEnd) d1 = d2 = 30;
  else if (febStart) d1 = 30;
  return ((y2 - y1) * 12.0 - m1 + m2) * 30.0 - d1 + d2;
}

double Coup_actualYearLength(double start, double end) {
  const auto s = static_cast<int64_t>(start), e = static_cast<int64_t>(end);
  int32_t ys = 0, ye = 0, m = 0, d = 0;
  Date_fromSerial(s, &ys, &m, &d);
  Date_fromSerial(e, &ye, &m, &d);
  const auto leapDay = [](int32_t y) { return Date_toSerial(y, kFebruary, 29); };
  const bool leapS = Date_isLeapYear(ys), leapE = Date_isLeapYear(ye);
  if (ys == ye) return leapS && s <= leapDay(ys) && leapDay(ys) < e ? 366 : 365;
  return (leapS && s <= leapDay(ys)) || (leapE && e > leapDay(ye)) ? 366 : 365;
}

int32_t Coup_adjustDay(int32_t y, int32_t m, int32_t d, bool eom) {
  if (m < 1 || m > 12) return d;
  const int32_t length = Date_monthLength(y, m);
  return eom || d > length ? length : d;
}

bool Coup_dayCount(double start, double end, double basis, double* days, double* yearLength) {
  int64_t s = 0, e = 0;
  if (!serialDay(start, &s) || !serialDay(end, &e) || !(start < end) || !(basis >= 0) || std::trunc(basis) > 4)
    return false;
  switch (static_cast<int32_t>(basis)) {
    case kBasisUs30360:
    case kBasisEuropean30360:
      *days = Coup_days30360(s, e, static_cast<int32_t>(basis), Coup_isMonthEnd(e));
      *yearLength = 360;
      return true;
    case kBasisActualActual:
      *days = Coup_daysActual(s, e);
      *yearLength = Coup_actualYearLength(start, end);
      return true;
    case kBasisActual360: *days = Coup_daysActual(s, e), *yearLength = 360; return true;
    default: *days = Coup_daysActual(s, e), *yearLength = 365; return true;
  }
}
