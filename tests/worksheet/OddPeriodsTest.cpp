// Bonds with an odd first or last coupon period: the prices against their
// payments discounted by hand over hand-counted quasi-coupon periods, a
// regular odd period against PRICE, the clean price's steady course across
// the quasi-coupon dates of a long first period, and each yield as the
// inverse of its price over random bonds.
#include <gtest/gtest.h>

#include <random>

#include "tests/worksheet/TestSecurities.h"

namespace {

// Semiannual coupons on 15 January and 15 July up to 15 January 2030; the
// first on 15 January 2024 after an odd period of three quasi-coupon
// periods from the issue on 1 September 2022, whose first quasi-period has
// 134 of its 180 days (30/360) left; 12 regular coupons follow.
const double kMaturity = day(2030, 1, 15), kFirst = day(2024, 1, 15), kIssue = day(2022, 9, 1);
constexpr double kRate = 0.07, kCoupon = 3.5;

// The clean price of the bond settled x periods before the first coupon,
// with `accrued` coupons earned by then.
double longFirstPrice(double y, double redemption, double x, double accrued) {
  const double v = 1 / (1 + y / 2);
  double dirty = kCoupon * (2 + 134.0 / 180) * std::pow(v, x) + redemption * std::pow(v, x + 12);
  for (int k = 1; k <= 12; ++k) dirty += kCoupon * std::pow(v, x + k);
  return dirty - kCoupon * accrued;
}

TEST(OddFirstPeriod, PriceIsTheDiscountedSumOfThePaymentsInEachQuasiPeriod) {
  SecurityCaller c;
  const double y = 0.06, r = 101;
  // 1 November 2022: 60 days into the first quasi-period, 74 left of it.
  EXPECT_NEAR(c.value(kIdOddfprice, {day(2022, 11, 1), kMaturity, kIssue, kFirst, kRate, y, r, 2, 0}),
              longFirstPrice(y, r, 2 + 74.0 / 180, 60.0 / 180), 1e-10);
  // 1 March 2023: 46 days into the second, 134 left of it.
  EXPECT_NEAR(c.value(kIdOddfprice, {day(2023, 3, 1), kMaturity, kIssue, kFirst, kRate, y, r, 2, 0}),
              longFirstPrice(y, r, 1 + 134.0 / 180, (134.0 + 46) / 180), 1e-10);
  // 1 October 2023: 76 days into the third, 104 left of it.
  EXPECT_NEAR(c.value(kIdOddfprice, {day(2023, 10, 1), kMaturity, kIssue, kFirst, kRate, y, r, 2, 0}),
              longFirstPrice(y, r, 104.0 / 180, 134.0 / 180 + 1 + 76.0 / 180), 1e-10);
}

TEST(OddFirstPeriod, TheCleanPriceMovesSteadilyAcrossTheQuasiCouponDates) {
  SecurityCaller c;
  double last = c.value(kIdOddfprice, {kIssue + 1, kMaturity, kIssue, kFirst, kRate, 0.065, 100, 2, 1});
  for (double s = kIssue + 2; s < kFirst; ++s) {
    const double price = c.value(kIdOddfprice, {s, kMaturity, kIssue, kFirst, kRate, 0.065, 100, 2, 1});
    EXPECT_NEAR(price, last, 0.01) << s;
    last = price;
  }
}

TEST(OddFirstPeriod, ARegularFirstPeriodPricesAsTheRegularBond) {
  SecurityCaller c;
  for (double basis : {0.0, 1.0, 4.0}) {
    const double s = day(2023, 10, 1), issue = day(2023, 7, 15);
    EXPECT_NEAR(c.value(kIdOddfprice, {s, kMaturity, issue, kFirst, kRate, 0.05, 98, 2, basis}),
                c.value(kIdPrice, {s, kMaturity, kRate, 0.05, 98, 2, basis}), 1e-10)
        << basis;
  }
}

// A date months before the 10th of a month.
double monthsBefore(int y, int m, int months) {
  const int index = y * 12 + m - 1 - months;
  return day(index / 12, index % 12 + 1, 10);
}

TEST(OddFirstPeriod, PriceAndYieldInvertEachOtherOverRandomBonds) {
  std::mt19937 rng(530);
  std::uniform_real_distribution<double> unit(0, 1);
  const int frequencies[] = {1, 2, 4};
  SecurityCaller c;
  for (int i = 0; i < 150; ++i) {
    const int f = frequencies[i % 3], months = 12 / f, y0 = 2010 + i % 25, m0 = 1 + i % 12;
    const double maturity = monthsBefore(y0, m0, 0);
    const double first = monthsBefore(y0, m0, months * (1 + static_cast<int>(8 * unit(rng))));
    const double issue = first - 2 - std::floor(unit(rng) * 3 * months * 30);
    const double s = issue + 1 + std::floor(unit(rng) * (first - issue - 1));
    const double rate = 0.12 * unit(rng), y = 0.2 * unit(rng), r = 90 + 20 * unit(rng), basis = i % 5;
    const double price = c.value(kIdOddfprice, {s, maturity, issue, first, rate, y, r, static_cast<double>(f), basis});
    ASSERT_TRUE(std::isfinite(price)) << i;
    EXPECT_NEAR(c.value(kIdOddfyield, {s, maturity, issue, first, rate, price, r, static_cast<double>(f), basis}), y,
                kYieldAccuracy)
        << i;
  }
}

TEST(OddFirstPeriod, RangesAndKinds) {
  SecurityCaller c;
  const double s = day(2023, 3, 1);
  // No yield reaches a price above the undiscounted payments.
  EXPECT_TRUE(c.fails(kIdOddfyield, {s, kMaturity, kIssue, kFirst, kRate, 250, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(std::isfinite(c.value(kIdOddfyield, {s, kMaturity, kIssue, kFirst, 0, 60, 100, 2, 0})));
  EXPECT_TRUE(c.fails(kIdOddfyield, {s, kMaturity, kIssue, kFirst, -0.01, 95, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdOddfprice, {s, kMaturity, kIssue, kFirst, kRate, -0.01, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdOddfprice, {kFirst, kMaturity, kIssue, kFirst, kRate, 0.05, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdOddfprice, {s, kMaturity, kIssue, kFirst, kRate, 0.05, 100, 3, 0}, kErrNum));
  EXPECT_TRUE(isError(c.call(kIdOddfyield, {c.num(s), c.num(kMaturity), c.num(kIssue), c.num(kFirst), c.num(kRate),
                                            c.boolean(true), c.num(100), c.num(2)}),
                      kErrValue));
}

TEST(OddLastPeriod, PriceByHandWithinOneQuasiPeriod) {
  // Last interest 15 January 2023, settled 1 March (46 days on under
  // 30/360), maturing 1 June (136 days on): the final coupon is 136/180 of
  // a regular one, discounted over the 90 days from the settlement.
  SecurityCaller c;
  const double y = 0.045, cp = 100 * 0.05 / 2;
  const double price = (100 + cp * 136 / 180) / (1 + 90.0 / 180 * y / 2) - cp * 46 / 180;
  const double s = day(2023, 3, 1), m = day(2023, 6, 1), last = day(2023, 1, 15);
  EXPECT_NEAR(c.value(kIdOddlprice, {s, m, last, 0.05, y, 100, 2, 0}), price, 1e-12);
  EXPECT_NEAR(c.value(kIdOddlyield, {s, m, last, 0.05, price, 100, 2, 0}), y, 1e-14);
  EXPECT_TRUE(c.fails(kIdOddlprice, {last, m, last, 0.05, y, 100, 2, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdOddlyield, {s, m, last, 0.05, 0, 100, 2, 0}, kErrNum));
}

TEST(OddLastPeriod, ARegularLastPeriodPricesAsTheRegularBond) {
  SecurityCaller c;
  const double s = day(2024, 10, 8), m = day(2024, 10, 24), last = day(2024, 7, 24);
  EXPECT_NEAR(c.value(kIdOddlprice, {s, m, last, 0.08875, 0.0825, 105, 4, 0}),
              c.value(kIdPrice, {s, m, 0.08875, 0.0825, 105, 4, 0}), 1e-11);
}

TEST(OddLastPeriod, PriceAndYieldInvertEachOtherOverRandomBonds) {
  std::mt19937 rng(532);
  std::uniform_real_distribution<double> unit(0, 1);
  const double frequencies[] = {1, 2, 4};
  SecurityCaller c;
  for (int i = 0; i < 150; ++i) {
    const double f = frequencies[i % 3], last = std::floor(day(1995, 1, 1) + 12000 * unit(rng));
    const double m = last + 2 + std::floor(unit(rng) * 3 * 360 / f),
                 s = last + 1 + std::floor(unit(rng) * (m - last - 1));
    const double rate = 0.12 * unit(rng), y = 0.2 * unit(rng), r = 90 + 20 * unit(rng), basis = i % 5;
    const double price = c.value(kIdOddlprice, {s, m, last, rate, y, r, f, basis});
    ASSERT_TRUE(std::isfinite(price)) << i;
    EXPECT_NEAR(c.value(kIdOddlyield, {s, m, last, rate, price, r, f, basis}), y, 1e-11) << i;
  }
}

}  // namespace
