// The financial worksheet functions against the identities they must keep
// over random arguments: PV, FV, PMT and NPER invert one another under the
// annuity identity, RATE recovers the rate that built a payment, IRR and
// XIRR are roots of NPV and XNPV, the principal parts of the payments repay
// pv + fv; with the rules worked by hand beside them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"

namespace {

constexpr int kRounds = 200;

struct Annuity {
  double rate, nper, pv, fv, type;
};

// Calls on plain numbers; NaN when the answer is no number.
struct Money {
  Caller c;
  double call(FunctionId id, std::vector<double> args) {
    std::vector<const Value*> values;
    for (double x : args) values.push_back(c.num(x));
    return numberOf(c.call(id, values));
  }
  double pmt(const Annuity& a) { return call(kIdPmt, {a.rate, a.nper, a.pv, a.fv, a.type}); }
};

Annuity randomAnnuity(std::mt19937& rng) {
  std::uniform_real_distribution<double> rate(0.001, 0.1), money(-1e5, 1e5);
  return Annuity{rate(rng), std::floor(std::uniform_real_distribution<double>(1, 121)(rng)), money(rng), money(rng),
                 static_cast<double>(rng() % 2)};
}

// pv (1 + r)^n + pmt (1 + r type) ((1 + r)^n - 1) / r + fv, relative to its
// largest term.
double annuityResidual(const Annuity& a, double pmt) {
  const double t = std::pow(1 + a.rate, a.nper);
  const double paid = pmt * (1 + a.rate * a.type) * (t - 1) / a.rate;
  return (a.pv * t + paid + a.fv) / std::max({std::fabs(a.pv * t), std::fabs(paid), std::fabs(a.fv)});
}

TEST(Financial, PvFvPmtAndNperInvertOneAnotherUnderTheAnnuityIdentity) {
  std::mt19937 rng(43);
  Money m;
  for (int i = 0; i < kRounds; ++i) {
    const Annuity a = randomAnnuity(rng);
    const double pmt = m.pmt(a);
    EXPECT_LE(std::fabs(annuityResidual(a, pmt)), 1e-10) << i;
    const double pv = m.call(kIdPv, {a.rate, a.nper, pmt, a.fv, a.type});
    EXPECT_LE(std::fabs(annuityResidual(Annuity{a.rate, a.nper, pv, a.fv, a.type}, pmt)), 1e-10) << i;
    const double fv = m.call(kIdFv, {a.rate, a.nper, pmt, a.pv, a.type});
    EXPECT_LE(std::fabs(annuityResidual(Annuity{a.rate, a.nper, a.pv, fv, a.type}, pmt)), 1e-10) << i;
    const double n = m.call(kIdNper, {a.rate, pmt, a.pv, a.fv, a.type});
    EXPECT_LE(std::fabs(annuityResidual(Annuity{a.rate, n, a.pv, a.fv, a.type}, pmt)), 1e-10) << i;
  }
}

TEST(Financial, PaymentsAtTheStartAreTheEndPaymentsDiscountedByOnePeriod) {
  Money m;
  const double end = m.call(kIdPmt, {0.01, 24, 10000, 0, 0}), start = m.call(kIdPmt, {0.01, 24, 10000, 0, 1});
  EXPECT_NEAR(start, end / 1.01, 1e-9);
  // 10000 = P (1 + 1/1.01 + ... + 1/1.01^23) for payments at the start.
  double annuityDue = 0;
  for (int k = 0; k < 24; ++k) annuityDue += std::pow(1.01, -k);
  EXPECT_NEAR(start, -10000 / annuityDue, 1e-9);
}

TEST(Financial, RateRecoversTheRateThatBuiltAPayment) {
  std::mt19937 rng(7);
  Money m;
  for (int i = 0; i < kRounds; ++i) {
    std::uniform_real_distribution<double> rate(0.005, 0.15), loan(1000, 1e5), share(0, 0.5);
    const double pv = loan(rng);
    const Annuity a{rate(rng), std::floor(std::uniform_real_distribution<double>(6, 121)(rng)), pv, -share(rng) * pv,
                    static_cast<double>(rng() % 2)};
    const double found = m.call(kIdRate, {a.nper, m.pmt(a), a.pv, a.fv, a.type});
    EXPECT_NEAR(found, a.rate, 1e-7) << i;
  }
}

TEST(Financial, IrrAndXirrAreRootsOfNpvAndXnpv) {
  std::mt19937 rng(11);
  for (int i = 0; i < kRounds / 4; ++i) {
    Caller c;
    const int n = 3 + static_cast<int>(rng() % 10);
    std::uniform_real_distribution<double> outlay(1000, 5000), gap(10, 120);
    const double first = -outlay(rng);
    std::vector<double> flows{first}, dates{40000};
    for (int k = 1; k < n; ++k) {
      flows.push_back(-first * std::uniform_real_distribution<double>(1.2, 2.0)(rng) / (n - 1));
      dates.push_back(std::floor(dates.back() + gap(rng)));
    }
    double scale = 0;
    for (double v : flows) scale += std::fabs(v);
    Value* values = c.values.grid(n, 1, {});
    Value* days = c.values.grid(n, 1, {});
    for (int k = 0; k < n; ++k) {
      Val_setNumber(Val_at(values, k, 0), flows[static_cast<size_t>(k)]);
      Val_setNumber(Val_at(days, k, 0), dates[static_cast<size_t>(k)]);
    }
    c.bound(values);
    c.bound(days);
    const double irr = numberOf(c.call(kIdIrr, {values}));
    ASSERT_TRUE(std::isfinite(irr)) << i;
    EXPECT_LE(std::fabs(numberOf(c.call(kIdNpv, {c.num(irr), values}))), 1e-6 * scale) << i;
    const double xirr = numberOf(c.call(kIdXirr, {values, days}));
    ASSERT_TRUE(std::isfinite(xirr) && xirr > 0) << i;
    EXPECT_LE(std::fabs(numberOf(c.call(kIdXnpv, {c.num(xirr), values, days}))), 1e-6 * scale) << i;
  }
}

TEST(Financial, ThePrincipalPartsRepayPvPlusFvAndEachPaymentSplitsIntoInterestAndPrincipal) {
  std::mt19937 rng(3);
  Money m;
  for (int i = 0; i < kRounds / 4; ++i) {
    Annuity a = randomAnnuity(rng);
    a.nper = std::floor(std::uniform_real_distribution<double>(1, 61)(rng));
    const double pmt = m.pmt(a);
    double principal = 0;
    for (double per = 1; per <= a.nper; ++per) {
      const double p = m.call(kIdPpmt, {a.rate, per, a.nper, a.pv, a.fv, a.type});
      const double interest = m.call(kIdIpmt, {a.rate, per, a.nper, a.pv, a.fv, a.type});
      EXPECT_NEAR(p + interest, pmt, 1e-9 * std::fabs(pmt) + 1e-9) << i << " period " << per;
      principal += p;
    }
    // Paid at the start, the balance after the last payment still earns a
    // period's interest on its way to fv.
    const double repaid = a.type == 0 ? -(a.pv + a.fv) : -(a.pv + a.fv / (1 + a.rate));
    EXPECT_NEAR(principal, repaid, 1e-9 * (std::fabs(a.pv) + std::fabs(a.fv))) << i;
    if (a.type == 1) {
      double withoutFv = 0;
      for (double per = 1; per <= a.nper; ++per) withoutFv += m.call(kIdPpmt, {a.rate, per, a.nper, a.pv, 0, 1});
      EXPECT_NEAR(withoutFv, -a.pv, 1e-9 * std::fabs(a.pv)) << i;
    }
  }
}

TEST(Financial, PaymentsAtTheStartPayNoInterestInTheFirstPeriod) {
  Money m;
  const double pmt = m.call(kIdPmt, {0.0875 / 12, 36, 5000, 8000, 1});
  EXPECT_EQ(m.call(kIdIpmt, {0.0875 / 12, 1, 36, 5000, 8000, 1}), 0.0);
  EXPECT_NEAR(m.call(kIdPpmt, {0.0875 / 12, 1, 36, 5000, 8000, 1}), pmt, 1e-12 * std::fabs(pmt));
  // The second payment's interest is a period's interest on the balance
  // left after the first: 5000 + pmt.
  EXPECT_NEAR(m.call(kIdIpmt, {0.0875 / 12, 2, 36, 5000, 8000, 1}), -(5000 + pmt) * 0.0875 / 12, 1e-9);
}

TEST(Financial, CumulativeInterestAndPrincipalSumThePeriods) {
  Money m;
  for (double type : {0.0, 1.0}) {
    double interest = 0, principal = 0;
    for (double per = 4; per <= 9; ++per) {
      interest += m.call(kIdIpmt, {0.01, per, 24, 5000, 0, type});
      principal += m.call(kIdPpmt, {0.01, per, 24, 5000, 0, type});
    }
    EXPECT_NEAR(m.call(kIdCumipmt, {0.01, 24, 5000, 4, 9, type}), interest, 1e-9) << type;
    EXPECT_NEAR(m.call(kIdCumprinc, {0.01, 24, 5000, 4, 9, type}), principal, 1e-9) << type;
  }
}

TEST(Financial, RulesWorkedByHand) {
  Money m;
  Caller& c = m.c;
  EXPECT_NEAR(m.call(kIdNpv, {0.1, 110}), 100, 1e-12);
  // A text and a blank in a range do not count; a scalar error is skipped;
  // an error in a range spoils the sum.
  Value* flows = c.array(1, 3, {c.num(110), c.text(u"x"), c.empty()});
  EXPECT_NEAR(numberOf(c.call(kIdNpv, {c.num(0.1), flows, c.error(kErrNA), c.num(121)})), 200, 1e-12);
  EXPECT_TRUE(isError(c.call(kIdNpv, {c.num(0.1), c.array(1, 2, {c.num(1), c.error(kErrNum)})}), kErrNum));
  // A range is read row by row: 1 then 2 in the first row.
  EXPECT_NEAR(numberOf(c.call(kIdNpv, {c.num(1), c.grid(2, 2, {1, 2, 4, 8})})), 0.5 + 0.5 + 0.5 + 0.5, 1e-12);
  EXPECT_TRUE(isError(c.call(kIdNpv, {c.num(0.1)}), kErrNA));
  EXPECT_EQ(numberOf(c.call(kIdXnpv, {c.num(0.1), c.num(250), c.num(40000)})), 250);
  EXPECT_TRUE(isError(c.call(kIdMirr, {c.grid(1, 3, {1, 2, 3}), c.num(0.1), c.num(0.1)}), kErrDiv0));
  EXPECT_NEAR(numberOf(c.call(kIdFvschedule,
                              {c.num(1000), c.array(1, 4, {c.num(0.1), c.boolean(true), c.text(u"x"), c.num(0.2)})})),
              1320, 1e-9);
  EXPECT_EQ(m.call(kIdFvschedule, {100, 0.5}), 150);
  EXPECT_NEAR(m.call(kIdEffect, {0.1, 4.9}), std::pow(1.025, 4) - 1, 1e-15);
  EXPECT_TRUE(isError(c.call(kIdEffect, {c.num(0.1), c.num(0.5)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdEffect, {c.num(0.1), c.boolean(true)}), kErrValue));
  EXPECT_NEAR(m.call(kIdNominal, {m.call(kIdEffect, {0.08, 12}), 12}), 0.08, 1e-15);
  EXPECT_EQ(m.call(kIdDollarde, {1.02, 16}), 1.125);
  EXPECT_NEAR(m.call(kIdDollarfr, {1.125, 16}), 1.02, 1e-15);
  EXPECT_EQ(m.call(kIdDollarde, {1.3, 1}), 1.3);
  EXPECT_TRUE(isError(c.call(kIdDollarde, {c.num(1.3), c.num(-1)}), kErrNum));
  EXPECT_TRUE(std::isnan(m.call(kIdIpmt, {0.01, 0.5, 12, 1000})));
  EXPECT_TRUE(std::isfinite(m.call(kIdIpmt, {0.01, 12.5, 12, 1000})));
  EXPECT_TRUE(isError(c.call(kIdCumipmt, {c.num(0.01), c.num(12), c.num(1000), c.boolean(true), c.num(3), c.num(0)}),
                      kErrValue));
  EXPECT_TRUE(
      isError(c.call(kIdCumipmt, {c.num(0.01), c.num(12), c.num(1000), c.num(1), c.num(3), c.num(2)}), kErrNum));
  EXPECT_NEAR(m.call(kIdCumipmt, {0.01, 12, 1000, 2.9, 2, 0}), m.call(kIdIpmt, {0.01, 2, 12, 1000}), 1e-12);
  EXPECT_TRUE(isError(c.call(kIdIrr, {c.num(-100)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdIrr, {c.grid(1, 2, {100, 50})}), kErrNum));
  // Bracketing closes in on a change of sign, and IRR's and RATE's
  // residuals change sign through their pole at a rate of -1 too: there no
  // rate is a root. 2.5 d - 1.5 d^2 + 0.5 d^3 (d = 1 / (1 + r)) is zero only
  // at d = 0 (the quadratic's discriminant is negative), and a present
  // value of 1 a period before is 1 / (1 + r), never zero.
  EXPECT_TRUE(isError(c.call(kIdIrr, {c.grid(1, 3, {2.5, -1.5, 0.5}), c.num(-1)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdRate, {c.num(-1), c.num(0), c.num(1), c.num(0), c.num(0), c.num(-0.97)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdXirr, {c.grid(1, 1, {-100}), c.grid(1, 1, {40000})}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdXirr, {c.grid(1, 2, {-100, 110}), c.grid(1, 3, {40000, 40100, 40200})}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdXirr, {c.grid(1, 2, {100, 110}), c.grid(1, 2, {40000, 40100})}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdXirr, {c.grid(1, 3, {-100, 60, 60}), c.grid(1, 3, {40000, 39900, 40200})}), kErrNum));
  EXPECT_NEAR(numberOf(c.call(kIdXirr, {c.grid(1, 2, {-100, 110}), c.grid(1, 2, {40000, 40365})})), 0.1, 1e-8);
  EXPECT_TRUE(isError(c.call(kIdRate, {c.num(12), c.text(u"x"), c.num(1000)}), kErrValue));
  EXPECT_NEAR(m.call(kIdSyd, {30000, 7500, 10, 1}), 4090.909090909091, 1e-9);
  EXPECT_EQ(m.call(kIdDdb, {10000, 1000, 5, 1}), 4000);
  EXPECT_EQ(m.call(kIdDdb, {10000, 1000, 5, 1.5}), m.call(kIdDdb, {10000, 1000, 5, 2}));
  EXPECT_EQ(m.call(kIdDb, {10000, 1000, 5, 0.5}), m.call(kIdDb, {10000, 1000, 5, 1}));
  EXPECT_TRUE(isError(c.call(kIdDb, {c.num(10000), c.num(1000), c.num(5), c.num(1), c.num(13)}), kErrNum));
  EXPECT_EQ(m.call(kIdDb, {0, 0, 5, 1}), 0);
  EXPECT_TRUE(isError(c.call(kIdAmordegrc, {c.num(1000), c.num(40000), c.num(40100), c.num(10), c.num(1), c.num(0.5)}),
                      kErrNum));
  EXPECT_TRUE(
      isError(c.call(kIdAmorlinc, {c.num(1000), c.num(40000), c.num(40100), c.num(10), c.num(1), c.num(0.2), c.num(2)}),
              kErrNum));
}

// Schedules of a huge life end at once: DDB and DB hold the value left after
// n periods in closed form (DDB: cost (1 - 2 / life)^(n - 1) before period
// n, at most down to the salvage; DB: the rate of 1 - (salvage / cost)^(1 /
// life) leaves the cost times salvage / cost after the life), the schedules
// and sums walked period by period are "#num!" past their cap, and a NaN
// fraction is "#num!".
TEST(Financial, SchedulesOfAHugeLifeEndWithTheirValue) {
  Money m;
  struct Row {
    FunctionId id;
    std::vector<double> args;
    double want;  // NaN for "#num!"
  };
  // DB's rate is a difference of 1 and a power within 2.3e-12 of it: the
  // power's last bit, raised to the life, moves the answer by about 1e-4.
  constexpr double kRelative = 1e-3;
  const double dbRate = 1 - std::pow(0.1, 1e-12);
  const Row rows[] = {
      {kIdDdb, {1000, 100, 1e12, 1e12}, 1000 * std::exp(-2.0) * 2e-12},
      {kIdDdb, {1000, 100, 1e12, 1e15}, 1000 * std::exp(-2.0) * 2e-12},
      {kIdDdb, {1000, 100, 10, 100}, 1000 * std::pow(0.8, 9) * 0.2},
      {kIdDdb, {1000, 500, 4, 1}, 500},
      {kIdDdb, {1000, 500, 4, 2}, 0},
      {kIdDdb, {1000, 100, 3, 2}, std::min(1000 / 3.0 * 2 / 3, 1000 / 3.0 - 100)},
      {kIdDb, {1000, 100, 1e12, 1e12}, 1000 * 0.1 / (1 - dbRate) * dbRate},
      {kIdVdb, {1000, 100, 1e12, 0, 1e12}, NAN},
      {kIdAmorlinc, {1000, 40000, 40100, 10, 1e12, 1e-12}, NAN},
      {kIdCumipmt, {0.01, 1e9, 1000, 1, 1e9, 0}, NAN},
      {kIdDollarde, {1.5, NAN}, NAN},
  };
  for (const Row& r : rows) {
    const double got = m.call(r.id, r.args);
    if (std::isnan(r.want)) EXPECT_TRUE(std::isnan(got)) << r.id << " " << r.args[2];
    else EXPECT_NEAR(got, r.want, kRelative * std::max(r.want, 1e-6)) << r.id << " " << r.args[2];
  }
}

// A salvage of 0 and a span from period 0 are the common calls of DDB and
// VDB; a span inside one period takes its share of that period.
TEST(Financial, DecliningBalanceFromPeriodZeroToNothingLeft) {
  Money m;
  EXPECT_NEAR(m.call(kIdDdb, {25000, 0, 36, 1}), 25000 * 2.0 / 36, 1e-9);
  EXPECT_EQ(m.call(kIdVdb, {2400, 300, 10, 0, 1}), 480);
  EXPECT_EQ(m.call(kIdVdb, {2400, 0, 10, 0, 1}), 480);
  EXPECT_TRUE(std::isnan(m.call(kIdVdb, {2400, -1, 10, 0, 1})));
  EXPECT_TRUE(std::isnan(m.call(kIdVdb, {2400, 300, 10, -1, 1})));
  const double period8 = m.call(kIdVdb, {100000, 20000, 10, 7, 8});
  EXPECT_NEAR(m.call(kIdVdb, {100000, 20000, 10, 7.25, 7.75}), period8 / 2, 1e-9);
  EXPECT_NEAR(m.call(kIdVdb, {100000, 20000, 10, 7.25, 7.5}) + m.call(kIdVdb, {100000, 20000, 10, 7.5, 7.75}),
              period8 / 2, 1e-9);
  // Factor 1 over 10 years from 100000 to 20000: after three years 72900 is
  // left, and the 52900 to go spread over 7 years beats 10% of 72900.
  EXPECT_NEAR(m.call(kIdVdb, {100000, 20000, 10, 4, 5, 1, 0}), 52900.0 / 7, 1e-9);
  EXPECT_NEAR(m.call(kIdVdb, {100000, 20000, 10, 4, 5, 1, 1}), 6561, 1e-9);
  double whole = 0;
  for (double p = 0; p < 10; ++p) whole += m.call(kIdVdb, {100000, 20000, 10, p, p + 1});
  EXPECT_NEAR(whole, 80000, 1e-6);
}

// In the dependency-vector mode: the arguments listed as variables depend
// on their own variable each, the others are plain numbers.
struct Structure {
  Caller c;
  explicit Structure() { c.ctx->flags.mode = kModeDegVec; }
  const DegVec* classes(FunctionId id, std::vector<double> args, std::vector<int> variables) {
    std::vector<const Value*> values;
    for (size_t i = 0; i < args.size(); ++i) {
      Value* v = c.num(args[i]);
      if (std::find(variables.begin(), variables.end(), static_cast<int>(i)) != variables.end()) {
        DegVec d{};
        DegVec_init(&d, static_cast<int32_t>(args.size()));
        DegVec_setVar(&d, static_cast<int32_t>(i) + 1);
        Val_setDegVec(v, &d);
        DegVec_free(&d);
      }
      values.push_back(v);
    }
    const Value* r = c.call(id, values);
    return r->kind == kValDegVec ? static_cast<const DegVec*>(r->payload) : nullptr;
  }
};

TEST(Financial, MoneyAndRatesAreSmoothInputsAndTheCountsAndDatesNonSmooth) {
  Structure s;
  const DegVec* pv = s.classes(kIdPv, {0.05, 10, -100, 0}, {0, 1, 2, 3});
  ASSERT_NE(pv, nullptr);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(pv->classes[i] >= kDegLinear && pv->classes[i] <= kDegSmooth) << i;
  EXPECT_EQ(pv->classes[1], kDegSmooth);
  const DegVec* timed = s.classes(kIdPmt, {0.05, 10, 1000, 0, 1}, {0, 2, 4});
  ASSERT_NE(timed, nullptr);
  EXPECT_EQ(timed->classes[1], kDegSmooth);
  EXPECT_EQ(timed->classes[3], kDegSmooth);
  EXPECT_EQ(timed->classes[5], kDegNonSmooth);
  const DegVec* cumulative = s.classes(kIdCumipmt, {0.05, 24, 1000, 1, 5, 0}, {0, 1, 2});
  ASSERT_NE(cumulative, nullptr);
  EXPECT_EQ(cumulative->classes[1], kDegSmooth);
  EXPECT_EQ(cumulative->classes[2], kDegNonSmooth);
  EXPECT_EQ(cumulative->classes[3], kDegSmooth);
  const DegVec* rate = s.classes(kIdRate, {10, -100, 800}, {1});
  ASSERT_NE(rate, nullptr);
  EXPECT_EQ(rate->classes[2], kDegSmooth);
  const DegVec* effect = s.classes(kIdEffect, {0.05, 4}, {0, 1});
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->classes[1], kDegSmooth);
  EXPECT_EQ(effect->classes[2], kDegNonSmooth);
  const DegVec* line = s.classes(kIdSln, {1000, 100, 5}, {0, 1});
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->classes[1], kDegLinear);
  EXPECT_EQ(line->classes[2], kDegLinear);
}

}  // namespace
