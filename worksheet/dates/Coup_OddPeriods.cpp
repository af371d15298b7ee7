// Odd first and last coupon periods from repeated coupon schedules.
#include "worksheet/dates/Coup_OddPeriods.h"

#include <cmath>

#include "worksheet/dates/Coup_DayCount.h"

namespace {

// Bases 2 and 3 measure quasi-periods in actual days.
double actualBasis(double basis) {
  const double b = std::trunc(basis);
  const bool actual = b == static_cast<double>(kBasisActual360) || b == static_cast<double>(kBasisActual365);
  return actual ? static_cast<double>(kBasisActualActual) : basis;
}

}  // namespace

bool Coup_oddFirstPeriod(double settlement, double maturity, double issue, double firstCoupon, double frequency,
                         double basis, CoupOddFirst* out) {
  const double b = actualBasis(basis);
  CoupSchedule regular{}, atSettlement{}, atIssue{};
  if (!Coup_schedule(firstCoupon, maturity, frequency, b, &regular) ||
      !Coup_schedule(settlement, firstCoupon, frequency, b, &atSettlement) ||
      !Coup_schedule(issue, firstCoupon, frequency, b, &atIssue))
    return false;
  out->regularCoupons = regular.n;
  out->settlementDsc = atSettlement.dsc;
  out->quasiPeriods = atIssue.n;
  out->issueDsc = atIssue.dsc;
  out->issueLength = atIssue.e;
  out->periodsAfterSettlement = atIssue.n - 1;
  out->periodsBeforeSettlement = 0;
  out->issueAccrued = atIssue.next == atSettlement.next ? atIssue.dsc - atSettlement.dsc : atIssue.dsc;
  out->settlementAccrued = 0;
  out->settlementLength = atSettlement.e;
  // The quasi-periods after the issue's, up to the first coupon: the k-th
  // of them, the one that ends with the settlement's, holds the settlement.
  CoupSchedule step = atIssue;
  for (double k = 1; k < atIssue.n; ++k) {
    if (!Coup_schedule(step.next, firstCoupon, frequency, b, &step)) return false;
    if (step.next != atSettlement.next) continue;
    out->periodsAfterSettlement = atIssue.n - 1 - k;
    out->periodsBeforeSettlement = k - 1;
    out->settlementAccrued = step.e - atSettlement.dsc;
    out->settlementLength = step.e;
  }
  return true;
}

bool Coup_oddLastPeriod(double settlement, double maturity, double lastInterest, double frequency, double basis,
                        CoupOddLast* out) {
  const double b = actualBasis(basis);
  if (!Coup_schedule(settlement, lastInterest, frequency, b, &out->atSettlement) ||
      !Coup_schedule(maturity, lastInterest, frequency, b, &out->atMaturity))
    return false;
  out->periods = out->atMaturity.n - out->atSettlement.n;
  out->maturityAccrued = out->atMaturity.a;
  if (out->atSettlement.next == out->atMaturity.next) {
    out->periods = 1;
    out->maturityAccrued = out->atMaturity.a - out->atSettlement.a;
    out->atSettlement.dsc = 0;
  }
  return true;
}
