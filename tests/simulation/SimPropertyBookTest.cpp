// Workbooks of the distribution functions with property arguments and of
// the sample statistics, written by the workbook writer, opened again and
// run by the interpreter over 1,000 trials at the context's fixed seed, and
// the registration pass over the same books.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "interpreter/Eval_Interface.h"
#include "simulation/random/Rand_Correlated.h"
#include "simulation/random/Rand_Generator.h"
#include "tests/simulation/LawMoments.h"
#include "tests/simulation/SimBook.h"

namespace {

constexpr int32_t kTrials = 1000;
const double kPi = std::acos(-1.0);

// The sampled-input number of the k-th call (from 1, in compile order) of a
// function written name ("sim.1325").
int32_t inputOf(const SimBook& book, const std::string& name, int k = 1) {
  for (size_t i = 1; i < book.store->bySerial.size(); ++i) {
    const Symbol* f = book.store->bySerial[i];
    const std::u16string& base = f->definition.empty() ? f->name : f->definition;
    if (f->space == kSpaceFunction && Text_toUtf8(base) == name && --k == 0) return -f->value.reference;
  }
  return 0;
}

uint32_t keyOf(const char* a1) {
  const CellRef c = SimBook::at(a1);
  return CellReg_cellKey(c.sheet, c.row, c.column);
}

// The cell of root i in a book whose roots are cells A1, A2, ...
std::string rowCell(size_t i) { return "A" + std::to_string(i + 1); }

// One law of the family in a cell: its formula, the law's mean and
// standard deviation, and how far the sample's standard deviation may stray
// (relative; heavy tails stray further).
struct LawCase {
  const char* formula;
  double mean, sd, sdTolerance = 0.08;
};

const double kWeibullMean = 3 * std::tgamma(1.5);
const double kLogLogisticMean = (kPi / 4) / std::sin(kPi / 4);

const LawCase kLaws[] = {
    {"=sim.1325(10,2)", 10, 2},
    {"=sim.1322(5,1.5)", 5, 1.5, 0.15},
    {"=sim.1311(4)", 4, 4, 0.12},
    {"=sim.1337(2,8)", 5, 6 / std::sqrt(12.0)},
    {"=sim.1318(1,6)", 3.5, std::sqrt(35 / 12.0)},
    {"=sim.1335(0,2,5)", 7 / 3.0, std::sqrt(19 / 18.0)},
    {"=sim.1313(3,2)", 6, std::sqrt(12.0), 0.1},
    {"=sim.1338(2,3)", kWeibullMean, std::sqrt(9 * (1 - std::tgamma(1.5) * std::tgamma(1.5)))},
    {"=sim.1331(4)", 4, 2},
    {"=sim.1304(0.3,20)", 6, std::sqrt(4.2)},
    {"=sim.1320(1,2)", 1, 2 * kPi / std::sqrt(3.0), 0.1},
    {"=sim.1312(0,1)", 0.5772156649, kPi / std::sqrt(6.0), 0.12},
    {"=sim.1305(4)", 4, std::sqrt(8.0), 0.12},
    {"=sim.1310(3,2)", 6, std::sqrt(12.0), 0.1},
    {"=sim.1315(0.25)", 3, std::sqrt(12.0), 0.12},
    {"=sim.1324(0.5,3)", 3, std::sqrt(6.0), 0.1},
    {"=sim.1332(2)", 2 * std::sqrt(kPi / 2), std::sqrt((4 - kPi) / 2 * 4)},
    {"=sim.1326(4,1)", 4 / 3.0, std::sqrt(4 / 18.0), 0.3},
    {"=sim.1334(10)", 0, std::sqrt(10 / 8.0), 0.12},
    {"=sim.1301(2,3)", 0.4, 0.2},
    {"=sim.1319(2,6)", 2, std::sqrt(8 / 6.0), 0.15},
    {"=sim.1309(0.5)", 0, 1 / (0.5 * std::sqrt(2.0))},
    {"=sim.1321(0,1,4)", kLogLogisticMean, std::sqrt(kPi / 2 - kLogLogisticMean * kLogLogisticMean), 0.3},
    {"=sim.1317(5,10,30)", 5 / 3.0, std::sqrt(5 * (1 / 3.0) * (2 / 3.0) * (25 / 29.0))},
    {"=sim.1307(D1:D3,E1:E3)", 2.25, std::sqrt(0.6875)},
    {"=sim.1308(D1:D3)", 2, std::sqrt(2 / 3.0)},
    {"=sim.1316(0,4,F1:F2)", 2.5, std::sqrt(13 / 12.0)},
    {"=sim.1306(0,10,G1,H1)", 5, 10 / std::sqrt(12.0)},
    {"=sim.1314(0,4,G2,H2)", 2, 4 / std::sqrt(12.0)},
};

// The kernels' moment forms over the sample variance v: S d^3 / (n v^1.5)
// and S d^4 / (n v^2) - 3.
double moment(const std::vector<double>& x, int power) {
  const double m = SimBook_mean(x), v = SimBook_sd(x) * SimBook_sd(x);
  double s = 0;
  for (double e : x) s += std::pow(e - m, power);
  return s / (x.size() * std::pow(v, power / 2.0)) - (power == 4 ? 3 : 0);
}

// The value repeated most often, the first to reach the count winning.
double modeOf(const std::vector<double>& x) {
  std::map<double, int> seen;
  for (double e : x) ++seen[e];
  double best = NAN;
  int count = 1;
  for (double e : x)
    if (seen[e] > count) count = seen[e], best = e;
  return best;
}

double percentileOf(std::vector<double> x, double p) {
  std::sort(x.begin(), x.end());
  const double h = (x.size() - 1) * p;
  const auto k = static_cast<size_t>(h);
  return k + 1 < x.size() ? x[k] + (x[k + 1] - x[k]) * (h - k) : x[k];
}

struct StatCase {
  const char* formula;
  const char* data;
  double (*expected)(const std::vector<double>& x);
};

double fractionBelowTen(const std::vector<double>& x) {
  return std::count_if(x.begin(), x.end(), [](double e) { return e < 10; }) / static_cast<double>(x.size());
}
double range(const std::vector<double>& x) {
  return *std::max_element(x.begin(), x.end()) - *std::min_element(x.begin(), x.end());
}
double popSd(const std::vector<double>& x) { return SimBook_sd(x) * std::sqrt((x.size() - 1.0) / x.size()); }

const StatCase kStatistics[] = {
    {"=riskmean(A1)", "A1", SimBook_mean},
    {"=riskstddev(A1)", "A1", SimBook_sd},
    {"=riskvariance(A1)", "A1", [](const std::vector<double>& x) { return SimBook_sd(x) * SimBook_sd(x); }},
    {"=riskmax(A1)", "A1", [](const std::vector<double>& x) { return *std::max_element(x.begin(), x.end()); }},
    {"=riskmin(A1)", "A1", [](const std::vector<double>& x) { return *std::min_element(x.begin(), x.end()); }},
    {"=riskrange(A1)", "A1", range},
    {"=riskskewness(A1)", "A1", [](const std::vector<double>& x) { return moment(x, 3); }},
    {"=riskkurtosis(A1)", "A1", [](const std::vector<double>& x) { return moment(x, 4); }},
    {"=riskpercentile(A1,0.9)", "A1", [](const std::vector<double>& x) { return percentileOf(x, 0.9); }},
    {"=risktarget(A1,10)", "A1", fractionBelowTen},
    {"=riskdata(A1,7.8)", "A1", [](const std::vector<double>& x) { return x[6]; }},
    {"=riskmode(A2)", "A2", modeOf},
    {"=sim.1254(A1,1)", "A1", [](const std::vector<double>&) { return double(kTrials); }},
    {"=sim.1254(A1,2)", "A1", SimBook_mean},
    {"=sim.1254(A2,4)", "A2", modeOf},
    {"=sim.1254(A1,5)", "A1", SimBook_sd},
    {"=sim.1254(A1,6)", "A1", [](const std::vector<double>& x) { return SimBook_sd(x) * SimBook_sd(x); }},
    {"=sim.1254(A1,7)", "A1", [](const std::vector<double>& x) { return moment(x, 3); }},
    {"=sim.1254(A1,8)", "A1", [](const std::vector<double>& x) { return moment(x, 4); }},
    {"=sim.1254(A1,10)", "a1", [](const std::vector<double>& x) { return *std::min_element(x.begin(), x.end()); }},
    {"=sim.1254(A1,11)", "a1", [](const std::vector<double>& x) { return *std::max_element(x.begin(), x.end()); }},
    {"=sim.1254(A1,12)", "A1", range},
    {"=sim.1254(A1,13)", "A1", [](const std::vector<double>& x) { return popSd(x) / std::sqrt(x.size()); }},
};

// A book of the given formulas in A1, A2, ... with the lists some laws take
// in columns D to H, compiled with a root per formula.
struct LawBook {
  SimBook book;
  LawBook(const char* file, const std::vector<std::string>& formulas)
      : book(file, [&](SimSheet& s) {
          const double lists[][2] = {{1, 1}, {2, 1}, {3, 2}};
          for (int i = 0; i < 3; ++i) {
            s.number(("D" + std::to_string(i + 1)).c_str(), lists[i][0]);
            s.number(("E" + std::to_string(i + 1)).c_str(), lists[i][1]);
          }
          s.number("F1", 1);
          s.number("F2", 3);
          s.number("G1", 5);
          s.number("H1", 0.5);
          s.number("G2", 2);
          s.number("H2", 1);
          for (size_t i = 0; i < formulas.size(); ++i) s.formula(rowCell(i).c_str(), formulas[i]);
        }) {
    std::vector<std::string> cells;
    for (size_t i = 0; i < formulas.size(); ++i) cells.push_back(rowCell(i));
    std::vector<const char*> roots;
    for (const std::string& c : cells) roots.push_back(c.c_str());
    compiled = book.opened && book.compile(roots);
  }
  // Root i over the trials; the samples of its cell.
  std::vector<double> sample(size_t i, int32_t trials = kTrials) {
    book.sample(i, trials);
    return SimBook_samples(book.cell(rowCell(i).c_str()));
  }
  bool compiled = false;
};

TEST(SimPropertyBook, EveryLawHasItsMeanAndStandardDeviation) {
  std::vector<std::string> formulas;
  for (const LawCase& law : kLaws) formulas.push_back(law.formula);
  LawBook laws("corvan_property_laws.xlsx", formulas);
  ASSERT_TRUE(laws.compiled) << int(laws.book.ctx->errors.firstError);
  for (size_t i = 0; i < std::size(kLaws); ++i) {
    const LawCase& law = kLaws[i];
    SCOPED_TRACE(law.formula);
    const std::vector<double> x = laws.sample(i);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
    EXPECT_NEAR(SimBook_mean(x), law.mean, 4 * law.sd / std::sqrt(kTrials));
    EXPECT_NEAR(SimBook_sd(x), law.sd, law.sdTolerance * law.sd);
  }
  EXPECT_EQ(laws.book.ctx->errors.errorCount, 0);
}

// Each statistic reduces the sample vector its own evaluation drew: the
// statistics of 1339 to 1350 with the context aggregating sample vectors
// (as their caller asks), 1254 aggregating for its own call and leaving the
// context's flag as it was.
TEST(SimPropertyBook, StatisticsAreThoseOfTheVectorItself) {
  std::vector<std::string> formulas = {"=sim.1325(10,2)", "=sim.1318(1,6)"};
  for (const StatCase& st : kStatistics) formulas.push_back(st.formula);
  LawBook stats("corvan_property_statistics.xlsx", formulas);
  ASSERT_TRUE(stats.compiled) << int(stats.book.ctx->errors.firstError);
  EvalContext* ctx = stats.book.ctx;
  for (size_t i = 0; i < std::size(kStatistics); ++i) {
    const StatCase& st = kStatistics[i];
    SCOPED_TRACE(st.formula);
    const bool selector = std::string(st.formula).find("1254") != std::string::npos;
    ctx->flags.aggregate = selector ? 0 : 1;
    stats.book.sample(i + 2, kTrials);
    EXPECT_EQ(ctx->flags.aggregate, selector ? 0 : 1);
    const std::vector<double> x = SimBook_samples(stats.book.cell(st.data));
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
    const Value* v = stats.book.cell(rowCell(i + 2).c_str());
    ASSERT_EQ(v->kind, kValReal);
    const double want = st.expected(x);
    EXPECT_NEAR(v->number, want, 1e-12 * std::max(1.0, std::fabs(want)));
  }
  EXPECT_EQ(ctx->errors.errorCount, 0);
}

// Truncation keeps every draw between its bounds and shift moves the whole
// law; the uniform laws move their ends into the bounds.
TEST(SimPropertyBook, TruncatedAndShiftedLawsStayInTheirBounds) {
  LawBook bounded(
      "corvan_property_bounds.xlsx",
      {"=sim.1325(10,2,sim.1359(9,11))", "=sim.1311(4,sim.1358(100))", "=sim.1337(0,10,sim.1359(2,5),sim.1358(1))",
       "=sim.1331(4,sim.1359(2,6))", "=sim.1322(5,1.5,sim.1359(3,6),sim.1358(-3))", "=sim.1318(1,10,sim.1359(3,5))"});
  ASSERT_TRUE(bounded.compiled) << int(bounded.book.ctx->errors.firstError);
  const double bounds[][2] = {{9, 11}, {100, 1e300}, {3, 6}, {2, 6}, {0, 3}, {3, 5}};
  std::vector<std::vector<double>> x;
  for (size_t i = 0; i < std::size(bounds); ++i) {
    x.push_back(bounded.sample(i));
    ASSERT_EQ(x.back().size(), static_cast<size_t>(kTrials)) << i;
    Law_expectWithin(x.back(), bounds[i][0], bounds[i][1], rowCell(i));
  }
  Law_expectMoments(x[0], Law_truncatedNormal(10, 2, 9, 11), "truncated normal");
  Law_expectMoments(x[1], {104, 4, 9}, "shifted exponential");
  Law_expectMoments(x[2], {4.5, 3 / std::sqrt(12.0), 1.8}, "truncated and shifted uniform");
}

// A book of named, correlated and dependent uncertain cells.
void fillCorrelated(SimSheet& s) {
  s.formula("A1", "=sim.1325(0,1,sim.1355(\"X\"))");
  s.formula("A2", "=sim.1322(5,1,sim.1353(\"X\",0.8))");
  s.number("B1", 1);
  s.number("C1", 0.5);
  s.number("B2", 0.5);
  s.number("C2", 1);
  s.formula("A3", "=sim.1325(0,1,sim.1352(B1:C2,1))");
  s.formula("A4", "=sim.1337(0,1,sim.1352(B1:C2,2))");
  s.formula("A5", "=sim.1325(A1,1)");
  s.formula("A6", "=sim.1254(A1,2)");
  s.formula("A7", "=sim.1254(5,2)");
  s.formula("A8", "=sim.1331(3,sim.1357(\"Y\"))");
}

struct CorrelatedBook : ::testing::Test {
  SimBook book{"corvan_property_correlated.xlsx", fillCorrelated};
  const std::vector<const char*> roots = {"A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8"};

  // Compiles the book with the registration pass.
  bool registerCells() {
    book.ctx->sampling.trialCount = kTrials;
    book.ctx->sampling.registerUncertain = 1;
    return book.opened && book.compile(roots);
  }
  // Rows of percentiles for two inputs whose normal scores have the given
  // rank correlation (the outside caller's part of a correlated simulation).
  void correlatedRows(int32_t first, int32_t second, double rank) {
    const double r = 2 * std::sin(kPi * rank / 6);
    const double m0[] = {1, r}, m1[] = {r, 1};
    const double* rows[] = {m0, m1};
    const double means[] = {0, 0};
    std::vector<double> u1(kTrials + 1, 0.0), u2(kTrials + 1, 0.0);
    for (int32_t t = 1; t <= kTrials; ++t) {
      double z[2];
      ASSERT_EQ(Rand_correlatedNormal(book.ctx->sampling.rand, 2, z, means, rows, true), kRandCorrelationOk);
      u1[t] = Rand_normalCdf(z[0]);
      u2[t] = Rand_normalCdf(z[1]);
    }
    ASSERT_TRUE(CellReg_setTrialRow(book.registry(), first, u1.data(), kTrials));
    ASSERT_TRUE(CellReg_setTrialRow(book.registry(), second, u2.data(), kTrials));
  }
  void expectRegistry() {
    const CellRegistry* reg = book.registry();
    const struct {
      const char* cell;
      int32_t law;
      uint8_t uncertain;
      const char16_t* name;
    } want[] = {{"A1", 31, 0, u"X"},    {"A2", 25, 0, nullptr}, {"A3", 31, 0, nullptr},
                {"A4", 45, 0, nullptr}, {"A5", 31, 1, nullptr}, {"A8", 37, 0, u"Y"}};
    ASSERT_EQ(reg->records.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
      SCOPED_TRACE(want[i].cell);
      const CellRegRecord& r = *reg->records[i];
      EXPECT_EQ(r.key, keyOf(want[i].cell));
      EXPECT_EQ(r.law, want[i].law);
      EXPECT_EQ(r.family, kSimFamilyProperty);
      EXPECT_EQ(r.uncertainArgument, want[i].uncertain);
      EXPECT_EQ(r.name.has_value(), want[i].name != nullptr);
      if (want[i].name) {
        EXPECT_EQ(*r.name, want[i].name);
      }
    }
    ASSERT_EQ(reg->correlations.size(), 2u);
    const CellRegCorrelation& pair = *reg->correlations[0];
    EXPECT_EQ(pair.key, 0u);
    EXPECT_EQ(pair.dimension, 2);
    EXPECT_EQ(pair.members[1], keyOf("A2"));
    EXPECT_EQ(pair.members[2], keyOf("A1"));
    EXPECT_EQ(pair.matrix[1][2], 0.8);
    EXPECT_EQ(pair.matrix[2][1], 0.8);
    EXPECT_EQ(*pair.memberNames[2], u"X");
    const CellRegCorrelation& matrix = *reg->correlations[1];
    EXPECT_EQ(matrix.key, keyOf("B1"));
    EXPECT_EQ(matrix.dimension, 2);
    EXPECT_EQ(matrix.members[1], keyOf("A3"));
    EXPECT_EQ(matrix.members[2], keyOf("A4"));
    EXPECT_EQ(matrix.matrix[1][2], 0.5);
  }
};

// The registration pass enters one record per uncertain cell with its law,
// the family and whether its arguments are uncertain, the names, and the
// correlation blocks of the pair and of the matrix; running it again adds
// nothing. Each call answers a dependency vector, 1254 one only over an
// uncertain argument.
TEST_F(CorrelatedBook, RegistrationRecordsEachUncertainCellOnce) {
  ASSERT_TRUE(registerCells()) << int(book.ctx->errors.firstError);
  expectRegistry();
  book.ctx->flags.mode = kModeDegVec;
  for (ModelItem* item : book.functions->array) Prog_runChain(&book.program, item->leftChain);
  EXPECT_EQ(book.ctx->errors.errorCount, 0);
  expectRegistry();
  for (const char* c : {"A1", "A2", "A3", "A4", "A5", "A6", "A8"}) EXPECT_EQ(book.cell(c)->kind, kValDegVec) << c;
  EXPECT_EQ(book.cell("A7")->kind, kValInt);
  EXPECT_EQ(book.cell("A7")->number, 0);
}

// With percentile rows that follow the registered blocks, the sampled
// evaluation shows each block's rank correlation; the draws are the laws'
// quantiles at the stored percentiles.
TEST_F(CorrelatedBook, CorrelatedCellsShowTheirRankCorrelation) {
  ASSERT_TRUE(registerCells()) << int(book.ctx->errors.firstError);
  const CellRegistry* reg = book.registry();
  ASSERT_EQ(reg->correlations.size(), 2u);
  CellReg_setCellCount(book.registry(), 6);
  const int32_t a1 = inputOf(book, "sim.1325"), a2 = inputOf(book, "sim.1322"), a3 = inputOf(book, "sim.1325", 2),
                a4 = inputOf(book, "sim.1337");
  correlatedRows(a2, a1, reg->correlations[0]->matrix[1][2]);
  correlatedRows(a3, a4, reg->correlations[1]->matrix[1][2]);
  std::vector<std::vector<double>> x;
  for (size_t i = 0; i < 4; ++i) {
    book.sample(i, kTrials);
    x.push_back(SimBook_samples(book.cell(rowCell(i).c_str())));
    ASSERT_EQ(x.back().size(), static_cast<size_t>(kTrials)) << i;
  }
  EXPECT_EQ(book.ctx->errors.errorCount, 0);
  EXPECT_NEAR(Law_spearman(x[0], x[1]), 0.8, 0.04);
  EXPECT_NEAR(Law_spearman(x[2], x[3]), 0.5, 0.06);
  const double* normal = CellReg_trialRow(reg, a1);
  const double* uniform = CellReg_trialRow(reg, a4);
  for (int32_t t : {1, 500, 1000}) {
    EXPECT_NEAR(x[0][t - 1], Rand_inverseNormal(normal[t]), 1e-9);
    EXPECT_DOUBLE_EQ(x[3][t - 1], uniform[t]);
  }
}

// A newsvendor whose expected profit is the sample mean function of the
// profit cell: demand uncertain, the order quantity the decision variable,
// 10,000 trials, against the closed form p E[min(q, D)] - c q with
// E[min(q, D)] = mu - sigma (phi(z) - z (1 - Phi(z))), z = (q - mu) / sigma.
TEST(SimPropertyBook, NewsvendorExpectedProfitIsTheMeanFunctionOfTheProfitCell) {
  const double price = 10, cost = 6, mu = 100, sigma = 20;
  SimBook book("corvan_property_newsvendor.xlsx", [](SimSheet& s) {
    s.number("B1", 100);
    s.formula("A1", "=sim.1325(100,20)");
    s.formula("C1", "=10*MIN(B1,A1)-6*B1");
    s.formula("D1", "=riskmean(C1)");
  });
  ASSERT_TRUE(book.opened);
  book.variables("B1", "B1");
  ASSERT_TRUE(book.compile({"D1"})) << int(book.ctx->errors.firstError);
  book.ctx->flags.aggregate = 1;
  for (double q : {80.0, 100.0, 110.0}) {
    SCOPED_TRACE(q);
    Eval_setPoint(book.ctx->tables, &q);
    const Value* profit = book.sample(0, 10000);
    const double z = (q - mu) / sigma;
    const double expected = price * (mu - sigma * (Law_phi(z) - z * (1 - Law_Phi(z)))) - cost * q;
    ASSERT_EQ(profit->kind, kValReal);
    EXPECT_NEAR(profit->number, expected, 0.01 * expected);
  }
}

}  // namespace
