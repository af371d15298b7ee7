// Workbooks of the distribution functions with property arguments and of
// the sample statistics, written by the workbook writer, read back and run
// by the interpreter over 1,000 trials at the context's fixed seed, and the
// registration pass over the same books.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "simulation/random/Rand_Correlated.h"
#include "simulation/random/Rand_Generator.h"
#include "tests/simulation/SimPropsBook.h"
#include "tests/support/ScratchTest.h"

namespace {

constexpr int32_t kTrials = 1000;
const double kPi = std::acos(-1.0);

double meanOf(const std::vector<double>& x) { return std::accumulate(x.begin(), x.end(), 0.0) / x.size(); }

double sdOf(const std::vector<double>& x) {
  const double m = meanOf(x);
  double s = 0;
  for (double v : x) s += (v - m) * (v - m);
  return std::sqrt(s / (x.size() - 1));
}

// Ranks 1..n of x (no ties among continuous draws).
std::vector<double> ranksOf(const std::vector<double>& x) {
  std::vector<size_t> order(x.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] < x[b]; });
  std::vector<double> r(x.size());
  for (size_t k = 0; k < order.size(); ++k) r[order[k]] = static_cast<double>(k + 1);
  return r;
}

double rankCorrelation(const std::vector<double>& x, const std::vector<double>& y) {
  const std::vector<double> rx = ranksOf(x), ry = ranksOf(y);
  const double mx = meanOf(rx), my = meanOf(ry);
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < rx.size(); ++i) {
    sxy += (rx[i] - mx) * (ry[i] - my);
    sxx += (rx[i] - mx) * (rx[i] - mx);
    syy += (ry[i] - my) * (ry[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

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
    {"=sim1325a(10,2)", 10, 2},
    {"=sim1322a(5,1.5)", 5, 1.5, 0.15},
    {"=sim1311a(4)", 4, 4, 0.12},
    {"=sim1337a(2,8)", 5, 6 / std::sqrt(12.0)},
    {"=sim1318a(1,6)", 3.5, std::sqrt(35 / 12.0)},
    {"=sim1335a(0,2,5)", 7 / 3.0, std::sqrt(19 / 18.0)},
    {"=sim1313a(3,2)", 6, std::sqrt(12.0), 0.1},
    {"=sim1338a(2,3)", kWeibullMean, std::sqrt(9 * (1 - std::tgamma(1.5) * std::tgamma(1.5)))},
    {"=sim1331a(4)", 4, 2},
    {"=sim1304a(0.3,20)", 6, std::sqrt(4.2)},
    {"=sim1320a(1,2)", 1, 2 * kPi / std::sqrt(3.0), 0.1},
    {"=sim1312a(0,1)", 0.5772156649, kPi / std::sqrt(6.0), 0.12},
    {"=sim1305a(4)", 4, std::sqrt(8.0), 0.12},
    {"=sim1310a(3,2)", 6, std::sqrt(12.0), 0.1},
    {"=sim1315a(0.25)", 3, std::sqrt(12.0), 0.12},
    {"=sim1324a(0.5,3)", 3, std::sqrt(6.0), 0.1},
    {"=sim1332a(2)", 2 * std::sqrt(kPi / 2), std::sqrt((4 - kPi) / 2 * 4)},
    {"=sim1326a(4,1)", 4 / 3.0, std::sqrt(4 / 18.0), 0.3},
    {"=sim1334a(10)", 0, std::sqrt(10 / 8.0), 0.12},
    {"=sim1301a(2,3)", 0.4, 0.2},
    {"=sim1319a(2,6)", 2, std::sqrt(8 / 6.0), 0.15},
    {"=sim1309a(0.5)", 0, 1 / (0.5 * std::sqrt(2.0))},
    {"=sim1321a(0,1,4)", kLogLogisticMean, std::sqrt(kPi / 2 - kLogLogisticMean * kLogLogisticMean), 0.3},
    {"=sim1317a(5,10,30)", 5 / 3.0, std::sqrt(5 * (1 / 3.0) * (2 / 3.0) * (25 / 29.0))},
    {"=sim1307a(D1:D3,E1:E3)", 2.25, std::sqrt(0.6875)},
    {"=sim1308a(D1:D3)", 2, std::sqrt(2 / 3.0)},
    {"=sim1316a(0,4,F1:F2)", 2.5, std::sqrt(13 / 12.0)},
    {"=sim1306a(0,10,G1,H1)", 5, 10 / std::sqrt(12.0)},
    {"=sim1314a(0,4,G2,H2)", 2, 4 / std::sqrt(12.0)},
};

class SimPropertyBook : public ScratchTest {
 protected:
  Workbook* wb = nullptr;
  Sheet* sh = nullptr;
  SimPropsBook book;

  void SetUp() override {
    ScratchTest::SetUp();
    wb = Wb_newWorkbook("book.xlsx");
    sh = Wb_addSheet(wb, "Model");
  }
  void number(const char* a1, double x) {
    int r = 0, c = 0;
    Wb_parseA1(a1, &r, &c);
    Wb_setValue(wb, sh, r, c, CellValue::makeNumber(x));
  }
  void formula(const char* a1, const std::string& f) {
    int r = 0, c = 0;
    Wb_parseA1(a1, &r, &c);
    Wb_setFormula(wb, sh, r, c, f);
  }
  // Writes, reads back and compiles the book with the cells as roots.
  void load(std::initializer_list<const char*> roots) {
    ASSERT_TRUE(book.load(wb, (dir_ / "book.xlsx").string()));
    ASSERT_TRUE(book.compile(roots));
  }
};

TEST_F(SimPropertyBook, EveryLawHasItsMeanAndStandardDeviation) {
  // The lists some laws take: values with weights, bar weights, one point
  // of a distribution function and one of a density.
  const double lists[][2] = {{1, 1}, {2, 1}, {3, 2}};
  for (int i = 0; i < 3; ++i) {
    number(("D" + std::to_string(i + 1)).c_str(), lists[i][0]);
    number(("E" + std::to_string(i + 1)).c_str(), lists[i][1]);
  }
  number("F1", 1);
  number("F2", 3);
  number("G1", 5);
  number("H1", 0.5);
  number("G2", 2);
  number("H2", 1);
  std::vector<std::string> cells;
  for (const LawCase& law : kLaws) {
    cells.push_back("a" + std::to_string(cells.size() + 1));
    formula(cells.back().c_str(), law.formula);
  }
  ASSERT_TRUE(book.load(wb, (dir_ / "book.xlsx").string()));
  for (const std::string& c : cells) {
    CellRef at{};
    SheetSource::parseCell(c, &at);
    Model_addFunction(book.bench.functions, 1, at.column, at.row, kRelFree2, 0.0);
  }
  ASSERT_TRUE(book.compile({}));
  book.run(kModeSamples, kTrials);
  EXPECT_EQ(book.bench.ctx->errors.errorCount, 0);
  for (size_t i = 0; i < cells.size(); ++i) {
    const LawCase& law = kLaws[i];
    SCOPED_TRACE(law.formula);
    const std::vector<double> x = book.samples(cells[i].c_str());
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
    EXPECT_NEAR(meanOf(x), law.mean, 4 * law.sd / std::sqrt(kTrials));
    EXPECT_NEAR(sdOf(x), law.sd, law.sdTolerance * law.sd);
  }
}

// The kernels' moment forms over the sample variance v: S d^3 / (n v^1.5)
// and S d^4 / (n v^2) - 3.
double moment(const std::vector<double>& x, int power) {
  const double m = meanOf(x), v = sdOf(x) * sdOf(x);
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
  const char* cell;
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
double popSd(const std::vector<double>& x) { return sdOf(x) * std::sqrt((x.size() - 1.0) / x.size()); }

const StatCase kStatistics[] = {
    {"b1", "=sim1342a(A1)", "a1", meanOf},
    {"b2", "=sim1348a(A1)", "a1", sdOf},
    {"b3", "=sim1350a(A1)", "a1", [](const std::vector<double>& x) { return sdOf(x) * sdOf(x); }},
    {"b4", "=sim1341a(A1)", "a1", [](const std::vector<double>& x) { return *std::max_element(x.begin(), x.end()); }},
    {"b5", "=sim1343a(A1)", "a1", [](const std::vector<double>& x) { return *std::min_element(x.begin(), x.end()); }},
    {"b6", "=sim1346a(A1)", "a1", range},
    {"b7", "=sim1347a(A1)", "a1", [](const std::vector<double>& x) { return moment(x, 3); }},
    {"b8", "=sim1340a(A1)", "a1", [](const std::vector<double>& x) { return moment(x, 4); }},
    {"b9", "=sim1345a(A1,0.9)", "a1", [](const std::vector<double>& x) { return percentileOf(x, 0.9); }},
    {"b10", "=sim1349a(A1,10)", "a1", fractionBelowTen},
    {"b11", "=sim1339a(A1,7.8)", "a1", [](const std::vector<double>& x) { return x[6]; }},
    {"b12", "=sim1344a(A2)", "a2", modeOf},
    {"c1", "=sim1254a(A1,1)", "a1", [](const std::vector<double>&) { return double(kTrials); }},
    {"c2", "=sim1254b(A1,2)", "a1", meanOf},
    {"c3", "=sim1254c(A2,4)", "a2", modeOf},
    {"c4", "=sim1254d(A1,5)", "a1", sdOf},
    {"c5", "=sim1254e(A1,6)", "a1", [](const std::vector<double>& x) { return sdOf(x) * sdOf(x); }},
    {"c6", "=sim1254f(A1,7)", "a1", [](const std::vector<double>& x) { return moment(x, 3); }},
    {"c7", "=sim1254g(A1,8)", "a1", [](const std::vector<double>& x) { return moment(x, 4); }},
    {"c8", "=sim1254h(A1,10)", "a1",
     [](const std::vector<double>& x) { return *std::min_element(x.begin(), x.end()); }},
    {"c9", "=sim1254i(A1,11)", "a1",
     [](const std::vector<double>& x) { return *std::max_element(x.begin(), x.end()); }},
    {"c10", "=sim1254j(A1,12)", "a1", range},
    {"c11", "=sim1254k(A1,13)", "a1", [](const std::vector<double>& x) { return popSd(x) / std::sqrt(x.size()); }},
};

// Each statistic reduces the sample vector its own evaluation drew: the
// statistics of 1339 to 1350 with the context aggregating sample vectors
// (as their caller asks), 1254 aggregating for its own call and leaving the
// context's flag as it was.
TEST_F(SimPropertyBook, StatisticsAreThoseOfTheVectorItself) {
  formula("A1", "=sim1325a(10,2)");
  formula("A2", "=sim1318a(1,6)");
  for (const StatCase& st : kStatistics) formula(st.cell, st.formula);
  ASSERT_TRUE(book.load(wb, (dir_ / "book.xlsx").string()));
  for (const StatCase& st : kStatistics) {
    CellRef at{};
    SheetSource::parseCell(st.cell, &at);
    Model_addFunction(book.bench.functions, 1, at.column, at.row, kRelFree2, 0.0);
  }
  ASSERT_TRUE(book.compile({}));
  book.run(kModeSamples, kTrials);
  EvalContext* ctx = book.bench.ctx;
  for (size_t i = 0; i < std::size(kStatistics); ++i) {
    const StatCase& st = kStatistics[i];
    SCOPED_TRACE(st.formula);
    const bool selector = st.cell[0] == 'c';
    ctx->flags.aggregate = selector ? 0 : 1;
    book.bench.run(i);
    EXPECT_EQ(ctx->flags.aggregate, selector ? 0 : 1);
    const std::vector<double> x = book.samples(st.data);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
    const Value& v = book.value(st.cell);
    ASSERT_EQ(v.kind, kValReal);
    const double want = st.expected(x);
    EXPECT_NEAR(v.number, want, 1e-12 * std::max(1.0, std::fabs(want)));
  }
  EXPECT_EQ(ctx->errors.errorCount, 0);
}

// Truncation keeps every draw between its bounds and shift moves the whole
// law; the uniform laws move their ends into the bounds.
TEST_F(SimPropertyBook, TruncatedAndShiftedLawsStayInTheirBounds) {
  formula("A1", "=sim1325a(10,2,sim1359a(9,11))");
  formula("A2", "=sim1311a(4,sim1358a(100))");
  formula("A3", "=sim1337a(0,10,sim1359b(2,5),sim1358b(1))");
  formula("A4", "=sim1331a(4,sim1359c(2,6))");
  formula("A5", "=sim1322a(5,1.5,sim1359d(3,6),sim1358c(-3))");
  formula("A6", "=sim1318a(1,10,sim1359e(3,5))");
  load({"a1", "a2", "a3", "a4", "a5", "a6"});
  book.run(kModeSamples, kTrials);
  const struct {
    const char* cell;
    double lo, hi;
  } bounds[] = {{"a1", 9, 11}, {"a2", 100, 1e300}, {"a3", 3, 6}, {"a4", 2, 6}, {"a5", 0, 3}, {"a6", 3, 5}};
  for (const auto& b : bounds) {
    SCOPED_TRACE(b.cell);
    const std::vector<double> x = book.samples(b.cell);
    ASSERT_EQ(x.size(), static_cast<size_t>(kTrials));
    EXPECT_GE(*std::min_element(x.begin(), x.end()), b.lo);
    EXPECT_LE(*std::max_element(x.begin(), x.end()), b.hi);
  }
  // The truncated normal stays centred; the shifted exponential keeps its spread.
  EXPECT_NEAR(meanOf(book.samples("a1")), 10, 0.05);
  EXPECT_NEAR(meanOf(book.samples("a2")), 104, 4 * 4 / std::sqrt(kTrials));
  EXPECT_NEAR(sdOf(book.samples("a2")), 4, 4.5 * 4 * std::sqrt(8.0 / (4 * kTrials)));
  EXPECT_NEAR(meanOf(book.samples("a3")), 4.5, 0.1);
}

// A book of named, correlated and dependent uncertain cells.
class SimRegistrationBook : public SimPropertyBook {
 protected:
  void SetUp() override {
    SimPropertyBook::SetUp();
    formula("A1", "=sim1325a(0,1,sim1355a(\"X\"))");
    formula("A2", "=sim1322a(5,1,sim1353a(\"X\",0.8))");
    number("B1", 1);
    number("C1", 0.5);
    number("B2", 0.5);
    number("C2", 1);
    formula("A3", "=sim1325b(0,1,sim1352a(B1:C2,1))");
    formula("A4", "=sim1337a(0,1,sim1352b(B1:C2,2))");
    formula("A5", "=sim1325c(A1,1)");
    formula("A6", "=sim1254a(A1,2)");
    formula("A7", "=sim1254b(5,2)");
    formula("A8", "=sim1331a(3,sim1357a(\"Y\"))");
    load({"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"});
  }
  static uint32_t key(const char* a1) {
    CellRef at{};
    SheetSource::parseCell(a1, &at);
    return CellReg_cellKey(at.sheet, at.row, at.column);
  }
  // Rows of percentiles for two inputs whose normal scores have the given
  // rank correlation (the outside caller's part of a correlated simulation).
  void correlatedRows(int32_t first, int32_t second, double rank) {
    const double r = 2 * std::sin(kPi * rank / 6);
    const double m0[] = {1, r}, m1[] = {r, 1};
    const double* rows[] = {m0, m1};
    const double means[] = {0, 0};
    std::vector<double> u1(kTrials + 1, 0.0), u2(kTrials + 1, 0.0);
    RandState* rs = book.bench.ctx->sampling.rand;
    for (int32_t t = 1; t <= kTrials; ++t) {
      double z[2];
      ASSERT_EQ(Rand_correlatedNormal(rs, 2, z, means, rows, true), kRandCorrelationOk);
      u1[t] = Rand_normalCdf(z[0]);
      u2[t] = Rand_normalCdf(z[1]);
    }
    ASSERT_TRUE(CellReg_setTrialRow(book.registry(), first, u1.data(), kTrials));
    ASSERT_TRUE(CellReg_setTrialRow(book.registry(), second, u2.data(), kTrials));
  }
};

// The registration pass enters one record per uncertain cell with its law,
// the family and whether its arguments are uncertain, the names, and the
// correlation blocks of the pair and of the matrix; a second pass adds
// nothing. Each call answers a dependency vector, 1254 one only over an
// uncertain argument.
TEST_F(SimRegistrationBook, RegistersEachUncertainCellOnce) {
  const int32_t stream = book.bench.ctx->sampling.rand->stream.state;
  for (int pass = 0; pass < 2; ++pass) {
    book.run(kModeDegVec, kTrials, true);
    EXPECT_EQ(book.bench.ctx->errors.errorCount, 0);
    const CellRegistry* reg = book.registry();
    const struct {
      const char* cell;
      int32_t law;
      uint8_t uncertain;
      const char16_t* name;
    } want[] = {{"a1", 31, 0, u"X"},    {"a2", 25, 0, nullptr}, {"a3", 31, 0, nullptr},
                {"a4", 45, 0, nullptr}, {"a5", 31, 1, nullptr}, {"a8", 37, 0, u"Y"}};
    ASSERT_EQ(reg->records.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
      SCOPED_TRACE(want[i].cell);
      const CellRegRecord& r = *reg->records[i];
      EXPECT_EQ(r.key, key(want[i].cell));
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
    EXPECT_EQ(pair.members[1], key("a2"));
    EXPECT_EQ(pair.members[2], key("a1"));
    EXPECT_EQ(pair.matrix[1][2], 0.8);
    EXPECT_EQ(pair.matrix[2][1], 0.8);
    EXPECT_EQ(*pair.memberNames[2], u"X");
    const CellRegCorrelation& matrix = *reg->correlations[1];
    EXPECT_EQ(matrix.key, key("b1"));
    EXPECT_EQ(matrix.dimension, 2);
    EXPECT_EQ(matrix.members[1], key("a3"));
    EXPECT_EQ(matrix.members[2], key("a4"));
    EXPECT_EQ(matrix.matrix[1][2], 0.5);
    for (const char* c : {"a1", "a2", "a3", "a4", "a5", "a6", "a8"}) EXPECT_EQ(book.value(c).kind, kValDegVec) << c;
    EXPECT_EQ(book.value("a7").kind, kValInt);
    EXPECT_EQ(book.value("a7").number, 0);
  }
  EXPECT_EQ(book.bench.ctx->sampling.rand->stream.state, stream);  // nothing drawn
}

// With percentile rows that follow the registered blocks, the sampled
// evaluation shows each block's rank correlation; the draws are the laws'
// quantiles at the stored percentiles.
TEST_F(SimRegistrationBook, CorrelatedCellsShowTheirRankCorrelation) {
  book.run(kModeDegVec, kTrials, true);
  const CellRegistry* reg = book.registry();
  ASSERT_EQ(reg->correlations.size(), 2u);
  correlatedRows(book.inputOf("sim1322a"), book.inputOf("sim1325a"), reg->correlations[0]->matrix[1][2]);
  correlatedRows(book.inputOf("sim1325b"), book.inputOf("sim1337a"), reg->correlations[1]->matrix[1][2]);
  book.run(kModeSamples, kTrials);
  EXPECT_EQ(book.bench.ctx->errors.errorCount, 0);
  EXPECT_NEAR(rankCorrelation(book.samples("a1"), book.samples("a2")), 0.8, 0.04);
  EXPECT_NEAR(rankCorrelation(book.samples("a3"), book.samples("a4")), 0.5, 0.06);
  const double* row = CellReg_trialRow(reg, book.inputOf("sim1325a"));
  const std::vector<double> a1 = book.samples("a1"), a4 = book.samples("a4");
  const double* uniform = CellReg_trialRow(reg, book.inputOf("sim1337a"));
  for (int32_t t : {1, 500, 1000}) {
    EXPECT_NEAR(a1[t - 1], Rand_inverseNormal(row[t]), 1e-9);
    EXPECT_DOUBLE_EQ(a4[t - 1], uniform[t]);
  }
}

}  // namespace
