// A newsvendor model in a workbook: the order quantity q is the decision
// variable, demand is normal (mean 100, sd 20) through a positional
// distribution function, and each unit sells at 5 and costs 3, unsold
// units being worth nothing. Over 10,000 trials at the context's fixed seed
// the mean of the profit cell's samples is the expected profit
//   5 (q - (q - m) Phi(z) - s phi(z)) - 3 q,  z = (q - m) / s,
// within 1% at three order quantities around the best one.
#include <gtest/gtest.h>

#include "interpreter/Eval_Interface.h"
#include "tests/simulation/LawMoments.h"
#include "tests/simulation/SimBook.h"

namespace {

constexpr int32_t kTrials = 10000;
constexpr double kPrice = 5, kCost = 3, kMean = 100, kSd = 20;

double expectedProfit(double q) {
  const double z = (q - kMean) / kSd;
  const double sold = q - (q - kMean) * Law_Phi(z) - kSd * Law_phi(z);
  return kPrice * sold - kCost * q;
}

void fill(SimSheet& s) {
  s.number("A1", 90);
  s.formula("B1", "=cb_normal(100,20)");
  s.formula("C1", "=5*MIN(A1,B1)-3*A1");
}

TEST(SimNewsvendor, MeanProfitOverTrialsIsTheExpectedProfit) {
  SimBook book("corvan_newsvendor.xlsx", fill);
  ASSERT_TRUE(book.opened);
  book.variables("A1", "A1");
  ASSERT_TRUE(book.compile({"C1"})) << int(book.ctx->errors.firstError);
  for (double q : {80.0, 95.0, 110.0}) {
    Eval_setPoint(book.ctx->tables, &q);
    const std::vector<double> profit = SimBook_samples(book.sample(0, kTrials));
    ASSERT_EQ(profit.size(), static_cast<size_t>(kTrials)) << "q = " << q;
    const double want = expectedProfit(q);
    EXPECT_NEAR(SimBook_mean(profit), want, 0.01 * want) << "q = " << q;
    // Each trial's profit is that of its own demand.
    const std::vector<double> demand = SimBook_samples(book.cell("B1"));
    ASSERT_EQ(demand.size(), static_cast<size_t>(kTrials));
    for (size_t t = 0; t < demand.size(); ++t)
      ASSERT_NEAR(profit[t], kPrice * std::min(q, demand[t]) - kCost * q, 1e-9) << "trial " << t + 1;
  }
  EXPECT_EQ(book.ctx->errors.errorCount, 0);
}

}  // namespace
