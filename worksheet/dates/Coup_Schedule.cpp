// The coupon dates around a settlement date and the day counts of its period.
#include "worksheet/dates/Coup_Schedule.h"

#include <cmath>
#include <cstdint>

#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/dates/Date_Serial.h"

namespace {

// The schedule counted in whole periods from the maturity.
struct Coupons {
  int64_t monthIndex;  // year * 12 + month - 1 of the maturity
  int32_t day;
  bool eom;
  int32_t step;  // months per period

  int64_t at(int64_t k) const {
    const int64_t index = monthIndex + k * step;
    const auto y = static_cast<int32_t>(index / 12);
    const auto m = static_cast<int32_t>(index % 12) + 1;
    return Date_toSerial(y, m, Coup_adjustDay(y, m, day, eom));
  }
};

bool validDate(double x) { return x >= 0 && std::trunc(x) <= kDateLastSerial; }

// Periods k from the maturity with at(k) <= s < at(k + 1).
int64_t periodOf(const Coupons& c, int64_t s) {
  int32_t y = 0, m = 0, d = 0;
  Date_fromSerial(s, &y, &m, &d);
  int64_t k = (int64_t{y} * 12 + m - 1 - c.monthIndex) / c.step;
  while (c.at(k) > s) --k;
  while (c.at(k + 1) <= s) ++k;
  return k;
}

}  // namespace

bool Coup_schedule(double settlement, double maturity, double frequency, double basis, CoupSchedule* out) {
  if (!validDate(settlement) || !validDate(maturity)) return false;
  if (frequency != 1 && frequency != 2 && frequency != 4) return false;
  if (!(basis >= 0) || std::trunc(basis) > 4) return false;
  const auto s = static_cast<int64_t>(settlement), mat = static_cast<int64_t>(maturity);
  int32_t y = 0, m = 0, d = 0;
  Date_fromSerial(mat, &y, &m, &d);
  const Coupons c{int64_t{y} * 12 + m - 1, d, Coup_isMonthEnd(mat), 12 / static_cast<int32_t>(frequency)};
  int64_t k = periodOf(c, s);
  // From the maturity on, a settlement on the schedule is its next date.
  if (s >= mat && c.at(k) == s) --k;
  const int64_t previous = c.at(k), next = c.at(k + 1);
  out->previous = static_cast<double>(previous);
  out->next = static_cast<double>(next);
  out->n = static_cast<double>(s < mat ? -k : k + 1);
  const auto b = static_cast<int32_t>(basis);
  if (b == kBasisUs30360 || b == kBasisEuropean30360) {
    out->e = 360 / frequency;
    out->a = Coup_days30360(previous, s, b, c.eom);
    out->dsc = out->e - out->a;
    return true;
  }
  out->a = Coup_daysActual(previous, s);
  out->dsc = Coup_daysActual(s, next);
  out->e = b == kBasisActualActual ? Coup_daysActual(previous, next) : (b == kBasisActual360 ? 360 : 365) / frequency;
  return true;
}
