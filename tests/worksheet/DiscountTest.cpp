// The discounted securities, the securities paying interest at maturity and
// the Treasury bills against hand-worked day counts, and each price against
// its discount rate or yield over random securities.
#include <gtest/gtest.h>

#include <random>

#include "tests/worksheet/TestSecurities.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

namespace {

// 10 January to 10 July 2023: 181 actual days, 180 under 30/360.
const double kSettlement = day(2023, 1, 10), kMaturity = day(2023, 7, 10);

TEST(DiscountSecurities, PriceRateAndYieldByHand) {
  SecurityCaller c;
  const double price = 100 * (1 - 0.05 * 181 / 360);
  EXPECT_NEAR(c.value(kIdPricedisc, {kSettlement, kMaturity, 0.05, 100, 2}), price, 1e-12);
  EXPECT_NEAR(c.value(kIdPricedisc, {kSettlement, kMaturity, 0.05, 100}), 100 * (1 - 0.05 * 180 / 360), 1e-12);
  EXPECT_NEAR(c.value(kIdDisc, {kSettlement, kMaturity, price, 100, 2}), 0.05, 1e-15);
  EXPECT_NEAR(c.value(kIdYielddisc, {kSettlement, kMaturity, price, 100, 2}), (100 / price - 1) * 360 / 181, 1e-15);
  EXPECT_NEAR(c.value(kIdIntrate, {kSettlement, kMaturity, price, 100, 3}), (100 / price - 1) * 365 / 181, 1e-15);
  EXPECT_NEAR(c.value(kIdReceived, {kSettlement, kMaturity, price, 0.05, 2}), 100, 1e-12);
  EXPECT_EQ(c.value(kIdDisc, {kSettlement, kMaturity, 100, 100, 2}), 0);
}

TEST(DiscountSecurities, EachPriceInvertsItsRateOverRandomSecurities) {
  std::mt19937 rng(515);
  std::uniform_real_distribution<double> unit(0, 1);
  SecurityCaller c;
  for (int i = 0; i < 200; ++i) {
    const double s = std::floor(day(1990, 1, 1) + 15000 * unit(rng)), m = s + 1 + std::floor(3000 * unit(rng));
    const double basis = i % 5, d = 0.2 * unit(rng) * 360 / (m - s + 10), r = 50 + 100 * unit(rng);
    const double price = c.value(kIdPricedisc, {s, m, d, r, basis});
    ASSERT_GT(price, 0) << s << " " << m << " " << d;
    EXPECT_NEAR(c.value(kIdDisc, {s, m, price, r, basis}), d, 1e-12);
    EXPECT_NEAR(c.value(kIdReceived, {s, m, price, d, basis}), r, 1e-10 * r);
    EXPECT_NEAR(c.value(kIdYielddisc, {s, m, price, r, basis}), c.value(kIdIntrate, {s, m, price, r, basis}), 1e-15);
  }
}

TEST(MaturitySecurities, PriceByHandAndYieldAsItsInverse) {
  // Issued 1 October 2022: 99 days to the settlement, 279 to the maturity
  // and 180 between them under 30/360.
  SecurityCaller c;
  const double issue = day(2022, 10, 1), rate = 0.061, y = 0.07;
  const double price = (100 + 279.0 / 360 * rate * 100) / (1 + 180.0 / 360 * y) - 99.0 / 360 * rate * 100;
  EXPECT_NEAR(c.value(kIdPricemat, {kSettlement, kMaturity, issue, rate, y, 0}), price, 1e-12);
  EXPECT_NEAR(c.value(kIdYieldmat, {kSettlement, kMaturity, issue, rate, price, 0}), y, 1e-14);
  std::mt19937 rng(552);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 100; ++i) {
    const double is = std::floor(day(1990, 1, 1) + 15000 * unit(rng)), s = is + 1 + std::floor(2000 * unit(rng));
    const double m = s + 1 + std::floor(2000 * unit(rng)), basis = i % 5, yi = 0.2 * unit(rng), ri = 0.2 * unit(rng);
    const double p = c.value(kIdPricemat, {s, m, is, ri, yi, basis});
    EXPECT_NEAR(c.value(kIdYieldmat, {s, m, is, ri, p, basis}), yi, 1e-12);
  }
  EXPECT_TRUE(c.fails(kIdPricemat, {kSettlement, kMaturity, issue, -0.01, y, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdYieldmat, {kSettlement, kMaturity, issue, rate, 0, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPricemat, {kMaturity, kSettlement, issue, rate, y, 0}, kErrNum));
}

TEST(DiscountSecurities, RangesAndKinds) {
  SecurityCaller c;
  EXPECT_TRUE(c.fails(kIdDisc, {kSettlement, kSettlement, 97, 100, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdDisc, {kSettlement, kMaturity, 0, 100, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdIntrate, {kSettlement, kMaturity, 1000, -1, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdReceived, {kSettlement, kMaturity, 1000, 0, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdPricedisc, {kSettlement, kMaturity, 0.05, 100, 5}, kErrNum));
  EXPECT_TRUE(isError(c.call(kIdDisc, {c.boolean(true), c.num(kMaturity), c.num(97), c.num(100)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdTbillprice, {c.boolean(true), c.num(kMaturity), c.num(0.05)}), kErrValue));
}

TEST(DiscountSecurities, ASampleVectorPriceOutOfRangeInOneTrialIsRefused) {
  SecurityCaller c;
  c.ctx->flags.mode = kModeSamples;
  SampleVector s{};
  ASSERT_TRUE(Smp_init(&s, 2, c.ctx));
  Smp_setAt(&s, 97, 1);
  Smp_setAt(&s, -97, 2);
  Value* pr = c.empty();
  Val_setSamples(pr, &s);
  Smp_free(&s);
  EXPECT_TRUE(isError(c.call(kIdDisc, {c.num(kSettlement), c.num(kMaturity), pr, c.num(100)}), kErrNum));
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedVector);
}

TEST(TreasuryBills, PriceYieldAndBondEquivalentByHand) {
  SecurityCaller c;
  const double d = 0.05, price = 100 * (1 - d * 181 / 360);
  EXPECT_NEAR(c.value(kIdTbillprice, {kSettlement, kMaturity, d}), price, 1e-12);
  EXPECT_NEAR(c.value(kIdTbillyield, {kSettlement, kMaturity, price}), (100 / price - 1) * 360 / 181, 1e-15);
  EXPECT_NEAR(c.value(kIdTbillyield, {kSettlement, kMaturity, price}), d / (1 - d * 181 / 360), 1e-15);
  EXPECT_NEAR(c.value(kIdTbilleq, {kSettlement, kMaturity, d}), 365 * d / (360 - d * 181), 1e-15);
  EXPECT_NEAR(c.value(kIdTbilleq, {kSettlement, kSettlement + 182, d}), 365 * d / (360 - d * 182), 1e-15);
  // Beyond 182 days the yield r of a bond paying a coupon at half a year:
  // the price p buys 1 at (1 + r/2) (1 + (t - 1/2) r), t the bill's years.
  for (double days : {183.0, 250.0, 365.0}) {
    const double r = c.value(kIdTbilleq, {kSettlement, kSettlement + days, d}), t = days / 365;
    EXPECT_NEAR((1 - d * days / 360) * (1 + r / 2) * (1 + (t - 0.5) * r), 1, 1e-14) << days;
  }
}

TEST(TreasuryBills, AtMostAYearAndAPositivePrice) {
  SecurityCaller c;
  EXPECT_TRUE(c.fails(kIdTbillprice, {kSettlement, kSettlement + 366, 0.05}, kErrNum));
  // 1 March 2023 to 1 March 2024 holds 29 February: 366 days are a year.
  EXPECT_NEAR(c.value(kIdTbillprice, {day(2023, 3, 1), day(2024, 3, 1), 0.05}), 100 * (1 - 0.05 * 366 / 360), 1e-12);
  EXPECT_TRUE(std::isfinite(c.value(kIdTbilleq, {day(2023, 3, 1), day(2024, 3, 1), 0.05})));
  EXPECT_TRUE(c.fails(kIdTbillprice, {kSettlement, kMaturity, 1.99}, kErrNum));
  EXPECT_TRUE(c.fails(kIdTbillprice, {kSettlement, kMaturity, 0}, kErrNum));
  EXPECT_TRUE(c.fails(kIdTbillyield, {kSettlement, kMaturity, -1}, kErrNum));
  EXPECT_TRUE(c.fails(kIdTbilleq, {kMaturity, kSettlement, 0.05}, kErrNum));
}

}  // namespace
