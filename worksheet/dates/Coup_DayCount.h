// Day counts of the securities functions under a day-count basis (0 US
// 30/360, 1 actual/actual, 2 actual/360, 3 actual/365, 4 European 30/360)
// and the length of the year each basis divides by. Dates are serials,
// truncated toward zero; invalid input answers false.
#pragma once

#include <cstdint>

// The bases, as the functions take them.
enum DayCountBasis : int32_t {
  kBasisUs30360 = 0,
  kBasisActualActual = 1,
  kBasisActual360 = 2,
  kBasisActual365 = 3,
  kBasisEuropean30360 = 4,
};

// Whether the day is the last of its month.
bool Coup_isMonthEnd(int64_t day);
// The 30/360 count from p to q: the European rule under basis 4, else the
// US rule, whose February adjustments apply when feb is set (the end on the
// last day of February moves to the 30th when the start is also there, and
// a start on the last day of February moves to the 30th).
double Coup_days30360(int64_t p, int64_t q, int32_t basis, bool feb);
// The US 30/360 count of YEARFRAC's basis 0, as spreadsheet programs make
// it: the first of these rules that applies moves days to the 30th: both
// days the 31st; the start the 31st; the start the 30th and the end the
// 31st; both the last day of February; the start the last day of February.
// So 28 February to 31 March 2023 counts 31 days (30 to 31).
double Coup_yearfracDays360(int64_t p, int64_t q);
// Actual days from p to q.
inline double Coup_daysActual(int64_t p, int64_t q) { return static_cast<double>(q - p); }
// 366 when a 29 February of the start's year lies on or after the start, or
// one of the end's year before the end, else 365.
double Coup_actualYearLength(double start, double end);
// A coupon day placed in month m of year y: the month's last day under the
// end-of-month rule, else d cut to the month's length.
int32_t Coup_adjustDay(int32_t y, int32_t m, int32_t d, bool eom);
// Days and year length of start .. end under the basis; false unless both
// dates are serials, start < end and the basis is 0 to 4.
bool Coup_dayCount(double start, double end, double basis, double* days, double* yearLength);
