// The quasi-coupon quantities of a security whose first or last period is
// odd (longer or shorter than a regular one), built from coupon schedules
// measured toward the first coupon or on from the last interest date. Bases
// 2 and 3 count as actual/actual here, so that each quasi-period's length is
// its actual days.
#pragma once

#include "worksheet/dates/Coup_Schedule.h"

struct CoupOddFirst {
  double regularCoupons;           // coupons from the first coupon to the maturity
  double settlementDsc;            // days from the settlement to its quasi-period's end
  double quasiPeriods;             // quasi-coupon periods of the odd first period
  double issueDsc;                 // days from the issue to its quasi-period's end
  double issueLength;              // days of the issue's quasi-period
  double periodsAfterSettlement;   // whole quasi-periods from the settlement's to the first coupon
  double periodsBeforeSettlement;  // whole quasi-periods between the issue's and the settlement's
  double issueAccrued;             // accrued days of the issue's quasi-period
  double settlementAccrued;        // days accrued in the settlement's quasi-period
  double settlementLength;         // days of the settlement's quasi-period
};

struct CoupOddLast {
  CoupSchedule atSettlement;  // the settlement's quasi-period, counted on from the last interest date
  CoupSchedule atMaturity;    // the maturity's
  double periods;             // quasi-periods from the settlement to the maturity
  double maturityAccrued;     // accrued days at the maturity
};

// False when one of the schedules refuses its dates, frequency or basis.
bool Coup_oddFirstPeriod(double settlement, double maturity, double issue, double firstCoupon, double frequency,
                         double basis, CoupOddFirst* out);
bool Coup_oddLastPeriod(double settlement, double maturity, double lastInterest, double frequency, double basis,
                        CoupOddLast* out);
