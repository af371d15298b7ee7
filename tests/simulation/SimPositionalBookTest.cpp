// The positional-truncation family in a workbook written to a file and read
// back through the stand-in's automation: 1,000 trials at the context's
// fixed seed give each law's mean and standard deviation, truncated and
// shifted draws stay within their bounds, a parameter that is itself
// uncertain is taken trial by trial, and the registration pass enters each
// cell once under its law, family 4 and its own area, marking the cell
// whose parameter is uncertain.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tests/simulation/LawMoments.h"
#include "tests/simulation/SimBook.h"
#include "values/Rand_State.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kTrials = 1000;
constexpr double kEuler = 0.5772156649015329;

struct Uncertain {
  const char* cell;
  const char* formula;
  int32_t law;
  Moments moments;
};

// Weibull of shape 2 and scale 3.
const double kWeibullMean = 3 * std::tgamma(1.5);
const double kWeibullSd = 3 * std::sqrt(1 - std::tgamma(1.5) * std::tgamma(1.5));
const double kGumbelSd = M_PI / std::sqrt(6.0);

const Uncertain kLaws[] = {
    {"B2", "=cb_normal(100,15)", 31, {100, 15}},
    {"B3", "=cb_normal(100,15,90,120)", 31, Law_truncatedNormal(100, 15, 90, 120)},
    {"B4", "=cb_uniform(0,10,2,5)", 45, {3.5, 3 / std::sqrt(12.0), 1.8}},
    {"B5", "=cb_triangular(0,2,6)", 43, {8.0 / 3, std::sqrt(28.0 / 18), 2.4}},
    {"B6", "=cb_exponential(0.5)", 14, {2, 2, 9}},
    {"B8", "=cb_poisson(0.25)", 37, {4, 2, 3.25}},
    {"B9", "=cb_binomial(0.4,10)", 5, {4, std::sqrt(2.4), 2.8}},
    {"B10", "=cb_lognormal(5,2)", 25, {5, 2, 5.2}},
    {"B11", "=cb_weibull(10,2,3)", 47, {10 + kWeibullMean, kWeibullSd, 3.25}},
    {"B12", "=cb_gamma(1,2,3)", 15, {7, 3 * std::sqrt(2.0), 6}},
    {"B13", "=cb_beta(2,3,10)", 1, {4, 2, 2.6}},
    {"B14", "=cb_logistic(5,2)", 23, {5, 2 * M_PI / std::sqrt(3.0), 4.2}},
    {"B15", "=cb_pareto(5,2)", 32, {2.5, std::sqrt(5.0 / 12), 74}},
    {"B16", "=cb_maxextreme(0,1)", 27, {kEuler, kGumbelSd, 5.4}},
    {"B17", "=cb_minextreme(0,1)", 28, {-kEuler, kGumbelSd, 5.4}},
    {"B18", "=cb_negbinomial(0.5,3)", 30, {3, std::sqrt(6.0), 5.2}},
    {"B19", "=cb_geometric(0.25)", 17, {3, std::sqrt(12.0), 9.1}},
    // Success probability 0.37 of a population of 10: 3 successes, 4 drawn.
    {"B20", "=cb_hypergeometric(0.37,4,10)", 19, {1.2, std::sqrt(0.56), 3}},
    {"B21", "=sim.1227(0.3)", 48, {0.3, std::sqrt(0.21), 1.8}},
    {"B22", "=sim.1223(5,2,10)", 42, {5, 2 * std::sqrt(10.0 / 8), 4}},
    {"B23", "=sim.1206(1,10,3,6)", 21, {4.5, std::sqrt(15.0 / 12), 1.8}},
    {"B24", "=sim.1216(LN(10),LN(3))", 26, {10, 3, 4.6}},
    {"B25", "=sim.1202(2,6,2,2)", 2, {4, 4 * std::sqrt(0.05), 2.2}},
    // Values 1, 3, 5 with weights 1, 1, 2.
    {"B26", "=cb_custom(D2:E4)", 8, {3.5, std::sqrt(2.75), 2}},
    {"B27", "=sim.1208(0,1)", 28, {-kEuler, kGumbelSd, 5.4}},
    {"B28", "=sim.1209(0,1)", 27, {kEuler, kGumbelSd, 5.4}},
    {"B29", "=sim.1213(4,3,10)", 20, {1.2, std::sqrt(0.56), 3}},
};

// Draws that must stay within bounds: truncated, or truncated and then
// moved by the law's location.
struct Bounded {
  const char* cell;
  const char* formula;
  int32_t law;
  double lo, hi;
};

const Bounded kBounded[] = {
    {"B3", "=cb_normal(100,15,90,120)", 31, 90, 120},    {"B7", "=cb_exponential(0.5,1,3)", 14, 1, 3},
    {"B30", "=cb_lognormal(5,2,3,8)", 25, 3, 8},         {"B31", "=cb_gamma(1,2,3,2,9)", 15, 3, 10},
    {"B32", "=cb_weibull(10,2,3,1,4)", 47, 11, 14},      {"B33", "=cb_beta(2,3,10,0.2,0.6)", 1, 2, 6},
    {"B34", "=cb_normal(0,1,-1,2,\"note\")", 31, -1, 2},
    // A range of one value gives that value; 1E+30 is the usual "no limit".
    {"B40", "=cb_normal(100,15,100,100)", 31, 100, 100}, {"B41", "=cb_uniform(0,10,5,5)", 45, 5, 5},
    {"B42", "=cb_poisson(0.25,0,1E+30)", 37, 0, 1e30},
    // Bounds that leave one whole number of the range give it; a mean of
    // 1E+15 draws at once.
    {"B43", "=sim.1206(1,10,5.5,6.2)", 21, 6, 6},
    {"B44", "=cb_poisson(1E-15,1E+15,1E+30)", 37, 1e15, 1e30},
};

// Bounds that hold no value the law can take: no whole number of the
// range, no count up to the number of trials.
struct Empty {
  const char* cell;
  const char* formula;
};

const Empty kEmpty[] = {{"B45", "=sim.1206(1,10,5.5,5.7)"}, {"B46", "=cb_binomial(0.5,10,11,20)"}};

void fill(SimSheet& s) {
  for (const Uncertain& u : kLaws) s.formula(u.cell, u.formula);
  for (const Bounded& b : kBounded) s.formula(b.cell, b.formula);
  for (const Empty& e : kEmpty) s.formula(e.cell, e.formula);
  const double v[] = {1, 3, 5}, w[] = {1, 1, 2};
  for (int k = 0; k < 3; ++k) {
    s.number(("D" + std::to_string(k + 2)).c_str(), v[k]);
    s.number(("E" + std::to_string(k + 2)).c_str(), w[k]);
  }
  // A law whose mean is the uncertain B2; a table law and a function that
  // has no value.
  s.formula("B35", "=cb_normal(B2,1)");
  s.formula("B36", "=sim.1205(D2:E4)");
  s.formula("B37", "=sim.1251(1)");
  // An array formula over a block keeps the block as its area.
  s.arrayFormula("C38", "D39", "=cb_uniform(0,1)");
}

std::vector<const char*> roots() {
  std::vector<const char*> all;
  for (const Uncertain& u : kLaws) all.push_back(u.cell);
  for (const Bounded& b : kBounded) all.push_back(b.cell);
  for (const Empty& e : kEmpty) all.push_back(e.cell);
  for (const char* more : {"B35", "B36", "B37", "C38"}) all.push_back(more);
  return all;
}

class PositionalBook : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(book.opened); }
  size_t rootOf(const char* a1) {
    const std::vector<const char*> all = roots();
    for (size_t k = 0; k < all.size(); ++k)
      if (std::string(all[k]) == a1) return k;
    return all.size();
  }
  std::vector<double> run(const char* a1) {
    book.sample(rootOf(a1), kTrials);
    return SimBook_samples(book.cell(a1));
  }
  SimBook book{"corvan_positional_truncation.xlsx", fill};
};

TEST_F(PositionalBook, EachLawHasItsMeanAndStandardDeviation) {
  ASSERT_TRUE(book.compile(roots())) << int(book.ctx->errors.firstError);
  for (const Uncertain& u : kLaws) {
    const std::vector<double> x = run(u.cell);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials)) << u.formula;
    Law_expectMoments(x, u.moments, u.formula);
  }
  EXPECT_EQ(book.ctx->errors.errorCount, 0);
}

TEST_F(PositionalBook, TruncatedAndShiftedDrawsStayInTheirBounds) {
  ASSERT_TRUE(book.compile(roots()));
  for (const Bounded& b : kBounded) {
    const std::vector<double> x = run(b.cell);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials)) << b.formula;
    Law_expectWithin(x, b.lo, b.hi, b.formula);
  }
}

// The draw once left its bounds for the whole number or count nearest them.
TEST_F(PositionalBook, BoundsThatHoldNoValueOfTheLawGiveNaN) {
  ASSERT_TRUE(book.compile(roots()));
  for (const Empty& e : kEmpty) {
    const std::vector<double> x = run(e.cell);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials)) << e.formula;
    for (double v : x) ASSERT_TRUE(std::isnan(v)) << e.formula << " drew " << v;
  }
}

// Trial t of B35 draws around trial t of B2: the differences are standard
// normal, the cell's own law has variance 15^2 + 1.
TEST_F(PositionalBook, AnUncertainParameterIsTakenTrialByTrial) {
  ASSERT_TRUE(book.compile(roots()));
  book.sample(rootOf("B35"), kTrials);
  const std::vector<double> mean = SimBook_samples(book.cell("B2")), x = SimBook_samples(book.cell("B35"));
  ASSERT_EQ(mean.size(), static_cast<size_t>(kTrials));
  ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
  std::vector<double> d(x.size());
  for (size_t t = 0; t < x.size(); ++t) d[t] = x[t] - mean[t];
  Law_expectMoments(d, {0, 1}, "cb_normal(B2,1) - B2");
  Law_expectMoments(x, {100, std::sqrt(226.0)}, "cb_normal(B2,1)");
}

TEST_F(PositionalBook, TableAndUnavailableFunctionsHaveNoValue) {
  ASSERT_TRUE(book.compile(roots()));
  for (const char* a1 : {"B36", "B37"}) {
    book.sample(rootOf(a1), kTrials);
    const Value* v = book.cell(a1);
    uint32_t code = 0;
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->kind == kValError && Vm_errorCode(v->number, &code) && code == kErrNA) << a1;
  }
}

TEST_F(PositionalBook, RegistrationPassRecordsEachUncertainCell) {
  book.ctx->sampling.trialCount = kTrials;
  book.ctx->sampling.registerUncertain = 1;
  const int32_t before = book.ctx->sampling.rand->stream.state;
  ASSERT_TRUE(book.compile(roots())) << int(book.ctx->errors.firstError);
  EXPECT_EQ(book.ctx->sampling.rand->stream.state, before);  // nothing drawn
  std::map<uint32_t, const CellRegRecord*> byKey;
  for (const auto& r : book.registry()->records) byKey[r->key] = r.get();
  // Every law, bounded and empty cell (B3 is both law and bounded), B35 and the table B36.
  EXPECT_EQ(book.registry()->records.size(), std::size(kLaws) + std::size(kBounded) + std::size(kEmpty) - 1 + 3);
  const auto expect = [&](const char* a1, int32_t law, uint8_t flag) {
    const CellRef c = SimBook::at(a1);
    const auto it = byKey.find(CellReg_cellKey(c.sheet, c.row, c.column));
    ASSERT_NE(it, byKey.end()) << a1;
    EXPECT_EQ(it->second->law, law) << a1;
    EXPECT_EQ(it->second->family, kSimFamilyBounded) << a1;
    EXPECT_EQ(it->second->uncertainArgument, flag) << a1;
    EXPECT_EQ(it->second->position.sheet, c.sheet) << a1;
    EXPECT_EQ(it->second->position.firstRow, c.row) << a1;
    EXPECT_EQ(it->second->position.lastColumn, c.column) << a1;
  };
  for (const Uncertain& u : kLaws) expect(u.cell, u.law, 0);
  for (const Bounded& b : kBounded) expect(b.cell, b.law, 0);
  expect("B35", 31, 1);
  expect("B36", 9, 0);
  const CellRef corner = SimBook::at("C38");
  const auto block = byKey.find(CellReg_cellKey(corner.sheet, corner.row, corner.column));
  ASSERT_NE(block, byKey.end());
  EXPECT_EQ(block->second->law, 45);
  const RangeRef area = block->second->position;
  EXPECT_EQ((std::vector<int>{area.firstRow, area.firstColumn, area.lastRow, area.lastColumn}),
            (std::vector<int>{38, 3, 39, 4}));
  const CellRef none = SimBook::at("B37");
  EXPECT_FALSE(byKey.count(CellReg_cellKey(none.sheet, none.row, none.column)));
}

}  // namespace
