// The regular coupon bond's functions against hand-worked schedules and
// payments: the schedule queries, PRICE as the discounted sum of the
// payments, YIELD as its inverse over random bonds, DURATION as the payment
// times weighted by present value and MDURATION as the price's relative
// slope; ACCRINT and ACCRINTM against the periods and days accrued.
#include <gtest/gtest.h>

#include <random>

#include "tests/worksheet/TestSecurities.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

namespace {

// The price per 100 of a bond paying cp on each of n coupon dates, the
// first dsc/e periods away, and r with the last, at the periodic discount
// factor v; less the coupon accrued over a/e of a period.
double discountedPayments(double cp, double r, double v, double a, double dsc, double e, int n) {
  double pv = 0, t = dsc / e;
  for (int k = 1; k <= n; ++k, t += 1) pv += cp * std::pow(v, t);
  return pv + r * std::pow(v, t - 1) - cp * a / e;
}

// Semiannual, settled 20 March 2023, maturing 15 September 2026: 7 coupons
// left, the previous one on 15 March 2023 and the next on 15 September
// 2023. Under 30/360 5 days are accrued, 175 left of 180; under
// actual/actual 5 accrued and 179 left of 184.
struct Bond {
  double settlement = day(2023, 3, 20), maturity = day(2026, 9, 15);
};

TEST(CouponBond, TheScheduleQueriesByHand) {
  SecurityCaller c;
  const Bond b;
  EXPECT_EQ(c.value(kIdCoupdaybs, {b.settlement, b.maturity, 2, 0}), 5);
  EXPECT_EQ(c.value(kIdCoupdays, {b.settlement, b.maturity, 2, 0}), 180);
  EXPECT_EQ(c.value(kIdCoupdaysnc, {b.settlement, b.maturity, 2, 0}), 175);
  EXPECT_EQ(c.value(kIdCoupdays, {b.settlement, b.maturity, 2, 1}), 184);
  EXPECT_EQ(c.value(kIdCoupdaysnc, {b.settlement, b.maturity, 2, 1}), 179);
  EXPECT_EQ(c.value(kIdCoupdays, {b.settlement, b.maturity, 2, 3}), 182.5);
  EXPECT_EQ(c.value(kIdCoupncd, {b.settlement, b.maturity, 2, 1}), day(2023, 9, 15));
  EXPECT_EQ(c.value(kIdCouppcd, {b.settlement, b.maturity, 2, 1}), day(2023, 3, 15));
  EXPECT_EQ(c.value(kIdCoupnum, {b.settlement, b.maturity, 2, 1}), 7);
  EXPECT_EQ(c.value(kIdCoupnum, {b.settlement, b.maturity, 4.9, 1.7}), 14);  // truncated: quarterly, basis 1
  EXPECT_TRUE(c.fails(kIdCoupnum, {b.settlement, b.maturity, 3, 1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdCoupnum, {b.maturity, b.maturity, 2, 1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdCoupnum, {b.settlement, b.maturity, 2, 5}, kErrNum));
  EXPECT_TRUE(isError(c.call(kIdCoupnum, {c.num(b.settlement), c.num(b.maturity), c.boolean(true)}), kErrValue));
}

TEST(CouponBond, PriceIsTheDiscountedSumOfItsPayments) {
  SecurityCaller c;
  const Bond b;
  const double rate = 0.06, y = 0.071, r = 102, v = 1 / (1 + y / 2);
  EXPECT_NEAR(c.value(kIdPrice, {b.settlement, b.maturity, rate, y, r, 2, 0}),
              discountedPayments(3, r, v, 5, 175, 180, 7), 1e-11);
  EXPECT_NEAR(c.value(kIdPrice, {b.settlement, b.maturity, rate, y, r, 2, 1}),
              discountedPayments(3, r, v, 5, 179, 184, 7), 1e-11);
  // Under actual/365 the period is 182.5 days, 5 of them accrued.
  EXPECT_NEAR(c.value(kIdPrice, {b.settlement, b.maturity, rate, y, r, 2, 3}),
              discountedPayments(3, r, v, 5, 177.5, 182.5, 7), 1e-11);
}

TEST(CouponBond, WithOnePeriodLeftTheFinalPaymentIsTheRedemptionAndACoupon) {
  // Quarterly, maturing 24 October 2024, settled 8 October: 74 of 90 days
  // accrued under 30/360, 16 left, redeemed at 105.
  SecurityCaller c;
  const double s = day(2024, 10, 8), m = day(2024, 10, 24), rate = 0.08875, y = 0.0825, cp = 100 * rate / 4;
  const double price = (105 + cp) / (1 + 16.0 / 90 * y / 4) - cp * 74 / 90;
  EXPECT_NEAR(c.value(kIdPrice, {s, m, rate, y, 105, 4, 0}), price, 1e-11);
  EXPECT_NEAR(c.value(kIdYield, {s, m, rate, price, 105, 4, 0}), y, 1e-13);
}

TEST(CouponBond, PriceAndYieldInvertEachOtherOverRandomBonds) {
  std::mt19937 rng(43);
  std::uniform_real_distribution<double> unit(0, 1);
  const double frequencies[] = {1, 2, 4};
  SecurityCaller c;
  for (int i = 0; i < 400; ++i) {
    const double s = std::floor(day(2000, 1, 1) + 10000 * unit(rng));
    const double m = s + 1 + std::floor((i % 4 == 0 ? 400 : 11000) * unit(rng));
    const double f = frequencies[i % 3], basis = i % 5;
    const double rate = 0.15 * unit(rng), y = 0.25 * unit(rng), r = 80 + 40 * unit(rng);
    const double price = c.value(kIdPrice, {s, m, rate, y, r, f, basis});
    ASSERT_TRUE(std::isfinite(price)) << s << " " << m << " " << f << " " << basis;
    const double back = c.value(kIdYield, {s, m, rate, price, r, f, basis});
    EXPECT_NEAR(back, y, kYieldAccuracy) << s << " " << m << " f " << f << " basis " << basis;
    EXPECT_NEAR(c.value(kIdPrice, {s, m, rate, back, r, f, basis}), price, 1e-5 * price);
  }
}

TEST(CouponBond, DurationWeighsThePaymentTimesByTheirPresentValues) {
  SecurityCaller c;
  const Bond b;
  const double y = 0.05, v = 1 / (1 + y / 2);
  // Without coupons the duration is the time to the redemption.
  EXPECT_NEAR(c.value(kIdDuration, {b.settlement, b.maturity, 0, y, 2, 0}), (6 + 175.0 / 180) / 2, 1e-13);
  double weighted = 0, total = 0;
  for (int k = 1; k <= 7; ++k) {
    const double t = k - 1 + 175.0 / 180, pv = (k == 7 ? 104 : 4) * std::pow(v, t);
    weighted += t * pv;
    total += pv;
  }
  EXPECT_NEAR(c.value(kIdDuration, {b.settlement, b.maturity, 0.08, y, 2, 0}), weighted / total / 2, 1e-12);
  // Settled on a coupon date nothing is accrued, so the price is the whole
  // present value and the modified duration its relative slope.
  const double s = day(2023, 3, 15), h = 1e-6;
  const double slope = (c.value(kIdPrice, {s, b.maturity, 0.08, y + h, 100, 2, 0}) -
                        c.value(kIdPrice, {s, b.maturity, 0.08, y - h, 100, 2, 0})) /
                       (2 * h);
  const double price = c.value(kIdPrice, {s, b.maturity, 0.08, y, 100, 2, 0});
  EXPECT_NEAR(c.value(kIdMduration, {s, b.maturity, 0.08, y, 2, 0}), -slope / price, 1e-7);
}

TEST(CouponBond, RangesKindsAndErrors) {
  SecurityCaller c;
  const Bond b;
  EXPECT_TRUE(c.fails(kIdPrice, {b.settlement, b.maturity, 0.05, -0.01, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPrice, {b.settlement, b.maturity, -0.05, 0.01, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPrice, {b.settlement, b.maturity, 0.05, 0.01, 0, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPrice, {b.maturity, b.maturity, 0.05, 0.01, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPrice, {b.settlement, b.maturity, 0.05, 0.01, 100, 3, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdDuration, {b.settlement, b.maturity, -0.05, 0.01, 2, 0}, kErrNum));
  EXPECT_TRUE(isError(
      c.call(kIdPrice, {c.num(b.settlement), c.num(b.maturity), c.num(0.05), c.num(0.04), c.num(100), c.boolean(true)}),
      kErrValue));
  // The first error in argument order passes on.
  EXPECT_TRUE(isError(c.call(kIdPrice, {c.num(b.settlement), c.boolean(true), c.num(0.05), c.error(kErrNA), c.num(100),
                                        c.error(kErrDiv0)}),
                      kErrNA));
  // YIELD takes plain numbers only; a price above every payment together
  // is reached by no yield.
  EXPECT_TRUE(isError(
      c.call(kIdYield, {c.num(b.settlement), c.num(b.maturity), c.num(0.05), c.boolean(true), c.num(100), c.num(2)}),
      kErrValue));
  EXPECT_TRUE(c.fails(kIdYield, {b.settlement, b.maturity, 0.05, 200, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdYield, {b.maturity, b.maturity, 0.05, 95, 100, 2, 0}, kErrNum));
}

TEST(CouponBond, ASampleVectorYieldOutOfRangeInOneTrialIsRefused) {
  SecurityCaller c;
  c.ctx->flags.mode = kModeSamples;
  const Bond b;
  SampleVector s{};
  ASSERT_TRUE(Smp_init(&s, 3, c.ctx));
  Smp_setAt(&s, 0.04, 1);
  Smp_setAt(&s, -0.01, 2);
  Smp_setAt(&s, 0.06, 3);
  Value* y = c.empty();
  Val_setSamples(y, &s);
  Smp_free(&s);
  EXPECT_TRUE(isError(c.call(kIdPrice, {c.num(b.settlement), c.num(b.maturity), c.num(0.05), y, c.num(100), c.num(2)}),
                      kErrNum));
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedVector);
  Vm_clearErrors(&c.ctx->errors);
  EXPECT_TRUE(
      isError(c.call(kIdDuration, {c.num(b.settlement), c.num(b.maturity), c.num(0.05), y, c.num(2)}), kErrNum));
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedVector);
  Vm_clearErrors(&c.ctx->errors);
  EXPECT_TRUE(isError(c.call(kIdAccrint, {c.num(day(2023, 2, 10)), c.num(day(2023, 7, 15)), c.num(b.settlement), y,
                                          c.num(1000), c.num(2)}),
                      kErrNum));
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedVector);
}

TEST(AccruedInterest, MaturityInterestOverTheDaysFromTheIssue) {
  SecurityCaller c;
  const double issue = day(2012, 1, 1), s = day(2013, 2, 15);  // 411 days, 404 under 30/360
  EXPECT_NEAR(c.value(kIdAccrintm, {issue, s, 0.065, 5000, 3}), 5000 * 0.065 * 411 / 365, 1e-10);
  EXPECT_NEAR(c.value(kIdAccrintm, {issue, s, 0.065, 5000, 0}), 5000 * 0.065 * 404 / 360, 1e-10);
  EXPECT_NEAR(c.value(kIdAccrintm, {issue, s, 0.065}), 1000 * 0.065 * 404 / 360, 1e-10);
  Value* leftOut = c.empty();
  leftOut->kind = kValMissing;
  EXPECT_NEAR(numberOf(c.call(kIdAccrintm, {c.num(issue), c.num(s), c.num(0.065), leftOut, c.num(3)})),
              1000 * 0.065 * 411 / 365, 1e-10);
  EXPECT_TRUE(c.fails(kIdAccrintm, {issue, s, 0, 1000, 3}, kErrNum));
  EXPECT_TRUE(c.fails(kIdAccrintm, {s, issue, 0.065, 1000, 3}, kErrNum));
}

TEST(AccruedInterest, BeforeTheFirstCouponTheDaysOfEachQuasiPeriod) {
  // Coupons on 15 January and 15 July, the first on 15 July 2023.
  SecurityCaller c;
  const double first = day(2023, 7, 15), s = day(2023, 5, 1), par = 1000, rate = 0.07;
  // Issued 10 February 2023, in the settlement's period: 80 of its 181 days
  // under actual/actual.
  EXPECT_NEAR(c.value(kIdAccrint, {day(2023, 2, 10), first, s, rate, par, 2, 1}), 35 * 80.0 / 181, 1e-11);
  // Issued 1 December 2022: 44 of the 180 days of the period ending 15
  // January, then 106 of the next under 30/360.
  EXPECT_NEAR(c.value(kIdAccrint, {day(2022, 12, 1), first, s, rate, par, 2, 0}), 35 * (44 + 106) / 180.0, 1e-11);
  Value* leftOut = c.empty();
  leftOut->kind = kValMissing;
  EXPECT_NEAR(numberOf(c.call(kIdAccrint, {c.num(day(2022, 12, 1)), c.num(first), c.num(s), c.num(rate), leftOut,
                                           c.num(2), c.num(0)})),
              35 * (44 + 106) / 180.0, 1e-11);
}

TEST(AccruedInterest, AfterTheFirstCouponItKeepsAccruingOnTheCouponDates) {
  SecurityCaller c;
  const double issue = day(2022, 12, 1), first = day(2023, 7, 15), rate = 0.07, par = 1000;
  const double firstPeriod = 44.0 / 180 + 1;  // from the issue to the first coupon
  EXPECT_NEAR(c.value(kIdAccrint, {issue, first, first, rate, par, 2, 0}), 35 * firstPeriod, 1e-11);
  EXPECT_NEAR(c.value(kIdAccrint, {issue, first, day(2024, 1, 15), rate, par, 2, 0}), 35 * (firstPeriod + 1), 1e-11);
  // 1 March 2024 is 46 days into the period from 15 January, whatever the
  // issue's day of the month.
  EXPECT_NEAR(c.value(kIdAccrint, {issue, first, day(2024, 3, 1), rate, par, 2, 0}),
              35 * (firstPeriod + 1 + 46.0 / 180), 1e-11);
  // A day either side of the first coupon differs by a day's interest.
  const double before = c.value(kIdAccrint, {issue, first, first - 1, rate, par, 2, 1});
  const double at = c.value(kIdAccrint, {issue, first, first, rate, par, 2, 1});
  const double after = c.value(kIdAccrint, {issue, first, first + 1, rate, par, 2, 1});
  EXPECT_NEAR(at - before, 35.0 / 181, 1e-11);
  EXPECT_NEAR(after - at, 35.0 / 184, 1e-11);
  // Late in the year 9999 the schedule still holds.
  EXPECT_TRUE(
      std::isfinite(c.value(kIdAccrint, {day(9998, 2, 1), day(9998, 8, 1), day(9999, 10, 1), rate, par, 2, 0})));
}

TEST(AccruedInterest, RangesAndKinds) {
  SecurityCaller c;
  const double issue = day(2023, 2, 10), first = day(2023, 7, 15), s = day(2023, 5, 1);
  EXPECT_TRUE(c.fails(kIdAccrint, {issue, first, s, 0, 1000, 2, 1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdAccrint, {issue, first, s, 0.05, -1000, 2, 1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdAccrint, {issue, first, issue, 0.05, 1000, 2, 1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdAccrint, {issue, issue, s, 0.05, 1000, 2, 1}, kErrNum));
  EXPECT_TRUE(
      isError(c.call(kIdAccrint, {c.num(issue), c.num(first), c.num(s), c.num(0.05), c.num(1000), c.boolean(true)}),
              kErrValue));
  // A boolean rate is its number.
  EXPECT_NEAR(numberOf(c.call(kIdAccrint, {c.num(issue), c.num(first), c.num(s), c.boolean(true), c.num(1000), c.num(2),
                                           c.num(1)})),
              500 * 80.0 / 181, 1e-10);
}

}  // namespace
