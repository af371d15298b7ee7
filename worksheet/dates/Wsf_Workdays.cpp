// Working-day counts and offsets over the weekly calendar.
#include "worksheet/dates/Wsf_Workdays.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/Dbl_Whole.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Args.h"
#include "worksheet/dates/Date_Serial.h"

namespace {

constexpr int32_t kSaturday = 0;
constexpr int32_t kSunday = 1;

// The holidays' whole days in argument order; false with the result formed
// on an error element, a refused kind or a day past every date ("#num!").
bool holidaysOf(Value* result, int argc, const Value* const* argv, std::vector<int64_t>* days) {
  if (argc < 3 || argv[2]->kind == kValMissing) return true;
  const Value* h = argv[2];
  for (int32_t i = 0; i < Wsf_count(h); ++i) {
    const Value* x = Wsf_element(h, i);
    if (Wsf_isError(x)) return Wsf_copy(result, x), false;
    if (!Date_isNumber(x)) return Wsf_error(result, kErrValue), false;
    int64_t day = 0;
    if (!Dbl_toWhole(x->number, &day)) return Wsf_error(result, kErrNum), false;
    days->push_back(day);
  }
  return true;
}

// The head of both: structure modes, errors, kinds; false with the result
// formed when it answers.
bool head(Value* result, int argc, const Value* const* argv, std::vector<int64_t>* holidays) {
  if (Date_headList(result, argc, argv)) return false;
  if (!Date_isNumber(argv[0]) || !Date_isNumber(argv[1])) return Wsf_error(result, kErrValue), false;
  return holidaysOf(result, argc, argv, holidays);
}

// Working days from a to b, both counted, for a <= b.
int64_t workingDays(int64_t a, int64_t b) {
  if (Date_weekday(a) == kSaturday) a += 2;
  else if (Date_weekday(a) == kSunday) a += 1;
  if (Date_weekday(b) == kSaturday) b -= 1;
  else if (Date_weekday(b) == kSunday) b -= 2;
  if (b < a) return 0;
  const int64_t weeks = (b - a) / 7;
  return b - a - 2 * weeks + (Date_weekday(a) > Date_weekday(b) ? -1 : 1);
}

// Sorts the days and drops repeats; the number left.
size_t distinctCount(std::vector<int64_t>* days) {
  std::sort(days->begin(), days->end());
  days->erase(std::unique(days->begin(), days->end()), days->end());
  return days->size();
}

// One step of direction dir from day t to the next working day.
int64_t nextWorkday(int64_t t, int64_t dir) {
  do t += dir;
  while (Date_isWeekend(t));
  return t;
}

}  // namespace

Value* Wsf_networkdays(Value* result, int argc, const Value* const* argv) {
  std::vector<int64_t> holidays;
  if (!head(result, argc, argv, &holidays)) return result;
  int64_t start = 0, end = 0;
  if (!Date_wholeDay(argv[0]->number, &start) || !Date_wholeDay(argv[1]->number, &end))
    return Wsf_error(result, kErrNum);
  const int64_t a = std::min(start, end), b = std::max(start, end);
  int64_t count = workingDays(a, b);
  // Each working day among the holidays once.
  std::vector<int64_t> off;
  for (int64_t h : holidays)
    if (h != 0 && h >= a && h <= b && !Date_isWeekend(h)) off.push_back(h);
  count -= static_cast<int64_t>(distinctCount(&off));
  return Date_intResult(result, end < start ? -count : count);
}

Value* Wsf_workday(Value* result, int argc, const Value* const* argv) {
  std::vector<int64_t> holidays;
  if (!head(result, argc, argv, &holidays)) return result;
  const double x = argv[0]->number, days = argv[1]->number;
  int32_t n = 0;
  if (!(x >= 0 && x + days >= 0 && x <= kDateLastSerial) || !Dbl_toWhole(days, &n)) return Wsf_error(result, kErrNum);
  const auto s = static_cast<int64_t>(x);
  if (n == 0) return Date_intResult(result, s);
  const int64_t dir = n > 0 ? 1 : -1;
  // A weekend start counts from the working day just behind it; then whole
  // weeks of five working days, then the remaining days one by one.
  const int64_t from = Date_isWeekend(s) ? nextWorkday(s, -dir) : s;
  int64_t t = from + int64_t{7} * (n / 5);
  for (int32_t k = 0; k < std::abs(n % 5); ++k) t = nextWorkday(t, dir);
  if (t < 0 || t > kDateLastSerial) return Wsf_error(result, kErrNum);
  // Each holiday met on a working day between the start and t, nearest
  // first, pushes t one working day further; the days added count as well.
  distinctCount(&holidays);
  if (dir < 0) std::reverse(holidays.begin(), holidays.end());
  for (int64_t h : holidays) {
    if (dir * (h - s) <= 0 || Date_isWeekend(h)) continue;
    if (dir * (h - t) > 0) break;
    t = nextWorkday(t, dir);
  }
  if (t < 0 || t > kDateLastSerial) return Wsf_error(result, kErrNum);
  Val_clear(result);
  return Val_setNumber(result, static_cast<double>(t));
}
