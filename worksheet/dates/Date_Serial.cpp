// Date serials to calendar dates and back, by counting leap years directly
// rather than walking the years, so that a conversion costs the same at
// 9999 as at 1900.
#include "worksheet/dates/Date_Serial.h"

#include <algorithm>
#include <cmath>

#include "base/Cal_Text.h"

namespace {

constexpr int32_t kBaseYear = 1900;
constexpr int32_t kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// Leap years of the proleptic calendar from year 1 to y.
int64_t gregorianLeaps(int64_t y) { return floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400); }

// The serial of 1 January of year y; 1900 carries its extra day.
int64_t firstOfYear(int64_t y) {
  return 1 + 365 * (y - kBaseYear) + gregorianLeaps(y - 1) - gregorianLeaps(kBaseYear - 1) + (y > kBaseYear ? 1 : 0);
}

bool isLeap(int64_t y) { return y == kBaseYear || (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)); }

int32_t monthLength(int64_t y, int32_t m) { return m == 2 && isLeap(y) ? 29 : kMonthDays[m]; }

// The day of the year's month m (1-based) before the first of that month.
int64_t daysBeforeMonth(int64_t y, int32_t m) {
  int64_t days = 0;
  for (int32_t k = 1; k < m; ++k) days += monthLength(y, k);
  return days;
}

}  // namespace

bool Date_isLeapYear(int32_t year) { return isLeap(year < kBaseYear ? int64_t{year} + kBaseYear : year); }

int32_t Date_monthLength(int32_t year, int32_t month) { return monthLength(year, month); }

void Date_fromSerial(int64_t n, int32_t* year, int32_t* month, int32_t* day) {
  int64_t y = kBaseYear + floorDiv((n - 1) * 400, 146097);
  while (firstOfYear(y) > n) --y;
  while (firstOfYear(y + 1) <= n) ++y;
  int64_t rest = n - firstOfYear(y);
  int32_t m = 1;
  while (m < 12 && rest >= monthLength(y, m)) rest -= monthLength(y, m++);
  *year = static_cast<int32_t>(y);
  *month = m;
  *day = static_cast<int32_t>(rest + 1);
}

int64_t Date_toSerial(int64_t year, int64_t month, int64_t day) {
  const int64_t y = year + floorDiv(month - 1, 12);
  const int32_t m = static_cast<int32_t>(month - 1 - 12 * floorDiv(month - 1, 12)) + 1;
  return firstOfYear(y) + daysBeforeMonth(y, m) + day - 1;
}

int32_t Date_weekday(int64_t n) { return static_cast<int32_t>(n - 7 * floorDiv(n, 7)); }

bool Date_fromText(std::u16string_view text, double* serial) { return Cal_sheetSerial(text, serial); }

void Date_splitTime(double serial, int32_t* hour, int32_t* minute, int32_t* second) {
  constexpr double kSecondsPerDay = 86400;
  constexpr double kSnap = 1e-6;
  double s = (serial - std::trunc(serial)) * kSecondsPerDay;
  const double nearest = std::round(s);
  const double precision = (std::nextafter(serial, HUGE_VAL) - serial) * kSecondsPerDay;
  if (std::fabs(s - nearest) <= std::max(kSnap, precision)) s = nearest;
  if (s >= kSecondsPerDay) s = 0;  // midnight of the next day
  const double whole = std::floor(s);
  const auto w = static_cast<int32_t>(whole);
  *hour = w / 3600;
  *minute = w % 3600 / 60;
  *second = w % 60 + (s > whole ? 1 : 0);
}
