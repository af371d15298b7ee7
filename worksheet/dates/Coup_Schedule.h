// The coupon schedule of a bond at a settlement date: coupons fall every
// 12/frequency months counted back (and on) from the maturity, on the
// maturity's day of the month cut to each month's length, or on each month's
// last day when the maturity is the last day of its month.
#pragma once

struct CoupSchedule {
  double a;         // days from the previous coupon date to the settlement
  double dsc;       // days from the settlement to the next coupon date
  double e;         // days of the coupon period
  double next;      // the next coupon date
  double previous;  // the previous coupon date
  double n;         // coupons after the settlement up to the maturity
};

// The schedule at the settlement. Before the maturity the previous coupon
// date is the last one on or before the settlement; from the maturity on,
// the schedule runs past it and the next coupon date is the first one on or
// after the settlement, n counting the periods from the maturity to it.
// False unless both dates are serials, the frequency is 1, 2 or 4 and the
// basis 0 to 4.
bool Coup_schedule(double settlement, double maturity, double frequency, double basis, CoupSchedule* out);
