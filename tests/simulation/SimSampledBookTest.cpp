// The sampled-input functions in a workbook written to a file and read back
// through the stand-in's automation: 1,000 trials at the context's fixed
// seed give each law's mean and standard deviation, correlated vectors
// their rank correlation, random rows and permutations the table's
// elements; the registration pass enters each drawing cell once, under
// its law and family 3.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "tests/simulation/LawMoments.h"
#include "tests/simulation/SimBook.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kTrials = 1000;

// The rank correlation asked of the correlated pairs, and the correlation
// of the normal draws that gives it.
constexpr double kRankCorrelation = 0.6;
const double kNormalCorrelation = 2 * std::sin(M_PI * kRankCorrelation / 6);

// A cell, its formula and the law its draws follow.
struct Uncertain {
  const char* cell;
  const char* formula;
  int32_t law;  // the code it registers
  Moments moments;
};

// Weibull of shape 2 and scale 3: mean 3 Gamma(1.5), variance 9 (1 - Gamma(1.5)^2).
const double kWeibullMean = 3 * std::tgamma(1.5);
const double kWeibullSd = 3 * std::sqrt(1 - std::tgamma(1.5) * std::tgamma(1.5));

const Uncertain kLaws[] = {
    {"B2", "=sim.1101(20,0.3)", 5, {6, std::sqrt(4.2), 2.94}},
    {"B3", "=sim.1104(4)", 14, {4, 4, 9}},
    {"B4", "=sim.1105(1,6)", 21, {3.5, std::sqrt(35.0 / 12), 1.73}},
    {"B5", "=sim.1106(10,3)", 25, {10, 3, 4.57}},
    {"B6", "=sim.1108(A6,2)", 31, {50, 2, 3}},
    {"B7", "=sim.1109(3)", 37, {3, std::sqrt(3.0), 3.34}},
    {"B8", "=sim.1110(0,1,4)", 43, {5.0 / 3, std::sqrt(13.0 / 18), 2.4}},
    {"B9", "=sim.1111(2,8)", 45, {5, 6 / std::sqrt(12.0), 1.8}},
    {"B10", "=sim.1112()", 46, {0.5, 1 / std::sqrt(12.0), 1.8}},
    {"B11", "=sim.1113(2,3)", 47, {kWeibullMean, kWeibullSd, 3.25}},
    // Distribution function 0.2 at 1, 0.7 at 2, 1 at 3: an atom of 0.2 at 1,
    // then uniform mass 0.5 on [1, 2] and 0.3 on [2, 3].
    {"B12", "=sim.1102(D2:D4,E2:E4)", 7, {1.7, std::sqrt(7.0 / 6 + 0.2 + 1.9 - 2.89), 3}},
    // Values 1, 2, 5 with weights 1, 2, 1.
    {"B13", "=sim.1103(F2:F4,G2:G4)", 10, {2.5, 1.5, 3}},
};

void fill(SimSheet& s) {
  s.number("A6", 50);
  for (const Uncertain& u : kLaws) s.formula(u.cell, u.formula);
  const double p[] = {0.2, 0.7, 1}, x[] = {1, 2, 3}, v[] = {1, 2, 5}, w[] = {1, 2, 1};
  for (int k = 0; k < 3; ++k) {
    const std::string row = std::to_string(k + 2);
    s.number(("D" + row).c_str(), p[k]);
    s.number(("E" + row).c_str(), x[k]);
    s.number(("F" + row).c_str(), v[k]);
    s.number(("G" + row).c_str(), w[k]);
  }
  // Quartiles 1, 2, 4, clamped to [0.5, 6] in B15.
  s.formula("B14", "=sim.1107(1,2,4)");
  s.formula("B15", "=sim.1107(1,2,4,0.5,6)");
  // Means and the correlation matrix of the correlated pairs.
  s.number("F6", 0);
  s.number("F7", 10);
  s.number("H6", 0);
  s.number("H7", 0.5);
  for (const char* one : {"F9", "G10"}) s.number(one, 1);
  for (const char* off : {"G9", "F10"}) s.number(off, kNormalCorrelation);
  s.arrayFormula("C16", "D16", "=sim.1115(F6:F7,F9:G10)");
  s.arrayFormula("C17", "D17", "=sim.1114(H6:H7,F9:G10)");
  // A table of rows (k, 10 k) and a row to permute.
  for (int k = 1; k <= 3; ++k) {
    s.number(("H" + std::to_string(9 + k)).c_str(), k);
    s.number(("I" + std::to_string(9 + k)).c_str(), 10 * k);
  }
  s.number("H14", 1);
  s.number("I14", 2);
  s.number("J14", 3);
  s.arrayFormula("C18", "D18", "=sim.1116(H10:I12)");
  s.arrayFormula("C19", "E19", "=sim.1117(H14:J14)");
  s.formula("B20", "=xlsim_param(H10:I12)");
  // A normal law whose mean is the uncertain B6.
  s.formula("B21", "=sim.1108(B6,1)");
}

const char* const kRoots[] = {"B2",  "B3",  "B4",  "B5",  "B6",  "B7",  "B8",  "B9",  "B10", "B11",
                              "B12", "B13", "B14", "B15", "C16", "C17", "C18", "C19", "B20", "B21"};

class SampledBook : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(book.opened); }
  bool compile() { return book.compile(std::vector<const char*>(std::begin(kRoots), std::end(kRoots))); }
  // The samples of root k's cell a1 after running its chain.
  std::vector<double> run(size_t k, const char* a1) {
    book.sample(k, kTrials);
    return SimBook_samples(book.cell(a1));
  }
  size_t rootOf(const char* a1) {
    for (size_t k = 0; k < std::size(kRoots); ++k)
      if (std::string(kRoots[k]) == a1) return k;
    return std::size(kRoots);
  }
  SimBook book{"corvan_sampled_inputs.xlsx", fill};
};

TEST_F(SampledBook, EachLawHasItsMeanAndStandardDeviation) {
  ASSERT_TRUE(compile()) << int(book.ctx->errors.firstError);
  for (const Uncertain& u : kLaws) {
    const std::vector<double> x = run(rootOf(u.cell), u.cell);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials)) << u.formula;
    Law_expectMoments(x, u.moments, u.formula);
  }
  EXPECT_EQ(book.ctx->errors.errorCount, 0);
}

// The three-point law's quartiles are its arguments; bounds clamp it.
TEST_F(SampledBook, ThreePointQuartilesAndClampedBounds) {
  ASSERT_TRUE(compile());
  std::vector<double> x = run(rootOf("B14"), "B14");
  ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
  std::sort(x.begin(), x.end());
  EXPECT_NEAR(x[kTrials / 4], 1, 0.2);
  EXPECT_NEAR(x[kTrials / 2], 2, 0.2);
  EXPECT_NEAR(x[3 * kTrials / 4], 4, 0.4);
  Law_expectWithin(run(rootOf("B15"), "B15"), 0.5, 6, "sim.1107 with bounds");
}

// Normal pairs of correlation 2 sin(pi r / 6) have rank correlation r; the
// lognormal pair, exponentials of such normals, the same.
TEST_F(SampledBook, CorrelatedPairsShowTheirRankCorrelation) {
  ASSERT_TRUE(compile());
  const double rank = kRankCorrelation;
  book.sample(rootOf("C16"), kTrials);
  const std::vector<double> a = SimBook_samples(book.element("c16:d16", 0, 0)),
                            b = SimBook_samples(book.element("c16:d16", 0, 1));
  ASSERT_EQ(a.size(), static_cast<size_t>(kTrials));
  ASSERT_EQ(b.size(), static_cast<size_t>(kTrials));
  Law_expectMoments(a, {0, 1}, "sim.1115 first");
  Law_expectMoments(b, {10, 1}, "sim.1115 second");
  // The rank correlation's standard error is about 1 / sqrt(n).
  EXPECT_NEAR(Law_spearman(a, b), rank, 0.08);
  book.sample(rootOf("C17"), kTrials);
  std::vector<double> c = SimBook_samples(book.element("c17:d17", 0, 0)),
                      d = SimBook_samples(book.element("c17:d17", 0, 1));
  ASSERT_EQ(c.size(), static_cast<size_t>(kTrials));
  EXPECT_NEAR(Law_spearman(c, d), rank, 0.08);
  Law_expectMoments(c, {std::exp(0.5), std::sqrt((M_E - 1) * M_E), 114}, "sim.1114 first");
  for (double& v : d) v = std::log(v);
  Law_expectMoments(d, {0.5, 1}, "logarithms of sim.1114 second");
}

// A random row keeps its row together; a permutation keeps the elements.
TEST_F(SampledBook, RandomRowsAndPermutationsKeepTheTable) {
  ASSERT_TRUE(compile());
  book.sample(rootOf("C18"), kTrials);
  const std::vector<double> k = SimBook_samples(book.element("c18:d18", 0, 0)),
                            tens = SimBook_samples(book.element("c18:d18", 0, 1));
  ASSERT_EQ(k.size(), static_cast<size_t>(kTrials));
  for (int t = 0; t < kTrials; ++t) ASSERT_EQ(tens[t], 10 * k[t]);
  Law_expectMoments(k, {2, std::sqrt(2.0 / 3), 1.5}, "sim.1116");
  book.sample(rootOf("C19"), kTrials);
  const std::vector<double> p1 = SimBook_samples(book.element("c19:e19", 0, 0)),
                            p2 = SimBook_samples(book.element("c19:e19", 0, 1)),
                            p3 = SimBook_samples(book.element("c19:e19", 0, 2));
  ASSERT_EQ(p3.size(), static_cast<size_t>(kTrials));
  for (int t = 0; t < kTrials; ++t)
    ASSERT_EQ((std::set<double>{p1[t], p2[t], p3[t]}), (std::set<double>{1, 2, 3})) << "trial " << t + 1;
  Law_expectMoments(p1, {2, std::sqrt(2.0 / 3), 1.5}, "sim.1117 first position");
}

// The registration pass enters every drawing cell once with its law and
// family 3; the vectors, tables and the sample-point parameter never
// register; nothing is drawn.
TEST_F(SampledBook, RegistrationPassRecordsEachUncertainCell) {
  book.ctx->sampling.trialCount = kTrials;
  book.ctx->sampling.registerUncertain = 1;
  ASSERT_TRUE(compile()) << int(book.ctx->errors.firstError);
  std::map<uint32_t, const CellRegRecord*> byKey;
  for (const auto& r : book.registry()->records) byKey[r->key] = r.get();
  EXPECT_EQ(book.registry()->records.size(), std::size(kLaws) + 3);
  for (const Uncertain& u : kLaws) {
    const CellRef c = SimBook::at(u.cell);
    const auto it = byKey.find(CellReg_cellKey(c.sheet, c.row, c.column));
    ASSERT_NE(it, byKey.end()) << u.formula;
    EXPECT_EQ(it->second->law, u.law) << u.formula;
    EXPECT_EQ(it->second->family, kSimFamilySampled) << u.formula;
    EXPECT_EQ(it->second->uncertainArgument, 0) << u.formula;
  }
  for (const char* a1 : {"B14", "B15"}) {
    const CellRef c = SimBook::at(a1);
    ASSERT_TRUE(byKey.count(CellReg_cellKey(c.sheet, c.row, c.column))) << a1;
    EXPECT_EQ(byKey[CellReg_cellKey(c.sheet, c.row, c.column)]->law, 29);
  }
  const CellRef dependent = SimBook::at("B21");
  ASSERT_TRUE(byKey.count(CellReg_cellKey(dependent.sheet, dependent.row, dependent.column)));
  EXPECT_EQ(byKey[CellReg_cellKey(dependent.sheet, dependent.row, dependent.column)]->uncertainArgument, 1);
  for (const char* a1 : {"C16", "C17", "C18", "C19", "B20"}) {
    const CellRef c = SimBook::at(a1);
    EXPECT_FALSE(byKey.count(CellReg_cellKey(c.sheet, c.row, c.column))) << a1;
  }
}

}  // namespace
