// The stand-in's calculation against the interpreter on generated formulas
// (every function of the interpreter's table and every operator, arguments
// of every kind) from fixed seeds: both give the same value, and the
// derivative modes the value mode's value and a gradient that matches a
// finite difference, except the documented differences and the open faults
// of differential_open.csv beside this file, which must show exactly as
// often as listed. The fuzz target fuzz_differential runs the same generator
// without end. CORVAN_DIFF_FORMULA="=..." checks that one formula alone and
// prints the outcome.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "tests/support/DiffCheck.h"
#include "tests/support/DiffOpen.h"

namespace {

constexpr std::uint64_t kSeeds[] = {1, 2, 3, 4};
constexpr int kFormulasPerSeed = 25000;
constexpr int kShownPerClass = 5;

// The names a formula calls: the words just before an opening parenthesis.
void noteCalls(const std::string& formula, std::set<std::string>* called) {
  size_t start = 0;
  for (size_t i = 0; i < formula.size(); ++i) {
    const char c = formula[i];
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '.') continue;
    if (c == '(' && i > start) called->insert(formula.substr(start, i - start));
    start = i + 1;
  }
}

struct Tally {
  DiffOpenList open;  // the disagreements outside the documented differences
  std::map<std::string, int> documented;
  std::set<std::string> called;
  int formulas = 0;
};

std::string keyShown(const DiffKey& key) { return key.first + " (" + key.second + ")"; }

void runSeed(Workbook* wb, std::uint64_t seed, const DiffOpenList& listed, Tally* tally) {
  DiffChoices choices = DiffChoices::fromSeed(seed);
  for (int k = 0; k < kFormulasPerSeed; ++k, ++tally->formulas) {
    const DiffFormula formula = Diff_formula(choices);
    noteCalls(formula.text, &tally->called);
    const DiffOutcome out = Diff_check(wb, formula.text);
    if (out.agree) continue;
    if (out.documented) {
      ++tally->documented[out.documented];
      continue;
    }
    const DiffKey key{formula.target, out.kind};
    Diff_noteOpen(&tally->open, key, formula.text);
    if (!listed.count(key) && tally->open[key].formulas <= kShownPerClass)
      ADD_FAILURE() << "seed " << seed << ", a disagreement not listed, " << keyShown(key) << ": " << out.detail;
  }
}

// Every class found is listed with its count, and every listed class shows;
// true when the list stands as it is.
bool sameAsListed(const DiffOpenList& listed, const DiffOpenList& found) {
  bool same = true;
  for (const auto& [key, c] : found)
    if (!listed.count(key)) {
      ADD_FAILURE() << c.formulas << " formulas show " << keyShown(key) << ", not listed: a new fault, e.g. "
                    << c.example;
      same = false;
    }
  for (const auto& [key, c] : listed) {
    const auto at = found.find(key);
    const int now = at == found.end() ? 0 : at->second.formulas;
    if (now == c.formulas) continue;
    if (now == 0) ADD_FAILURE() << keyShown(key) << " no longer shows: mended, take it off the list";
    else
      ADD_FAILURE() << keyShown(key) << " shows in " << now << " formulas, listed with " << c.formulas
                    << (now < c.formulas ? " (partly mended: lower the count)" : " (worsened)");
    same = false;
  }
  return same;
}

// One formula from the environment, for tracing a class found elsewhere.
bool checkedOneFormula(Workbook* wb) {
  const char* formula = std::getenv("CORVAN_DIFF_FORMULA");
  if (!formula) return false;
  const DiffOutcome out = Diff_check(wb, formula);
  std::printf("%s: %s %s\n", formula,
              out.agree        ? "agree"
              : out.documented ? out.documented
                               : out.kind.c_str(),
              out.detail.c_str());
  CellValue interpreted;
  std::string failure;
  const CellValue standIn = diff_detail::standInValue(wb, formula);
  if (!diff_detail::interpreterValue(wb, &interpreted, &failure))
    interpreted = CellValue::makeText("not interpreted: " + failure);
  std::printf("  stand-in %s, interpreter %s\n", Cases_shown(standIn).c_str(), Cases_shown(interpreted).c_str());
  return true;
}

TEST(Differential, GeneratedFormulasAgreeInBothCalculationsButTheDocumentedAndListedDifferences) {
  DiffOpenList listed;
  std::string error;
  ASSERT_TRUE(Diff_readOpen(Diff_openPath(CORVAN_SOURCE), &listed, &error)) << error;
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  if (checkedOneFormula(wb)) return Wb_resetApp();
  Tally tally;
  for (std::uint64_t seed : kSeeds) runSeed(wb, seed, listed, &tally);
  const std::string text = Diff_openText(tally.open);
  if (const char* path = std::getenv("CORVAN_DIFF_OPEN_WRITE")) {
    std::ofstream out(path);
    out << text;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
  }
  if (!sameAsListed(listed, tally.open)) std::printf("differential_open.csv as it stands now:\n%s", text.c_str());
  // Every function is called, and the documented difference still shows
  // (once it no longer does, it is to be dropped).
  for (const std::string& name : Diff_functionNames()) EXPECT_TRUE(tally.called.count(name)) << name << " never called";
  EXPECT_TRUE(tally.documented.count(kDiffPowerZeroZero)) << "the documented difference no longer shows";
  for (const auto& [reason, formulas] : tally.documented)
    std::printf("documented difference \"%s\": %d formulas\n", reason.c_str(), formulas);
  std::printf("%d formulas, %zu open classes of disagreement\n", tally.formulas, tally.open.size());
  Wb_resetApp();
}

}  // namespace

// Texts that differ only in digits of numbers within the check's tolerance
// are the documented difference of a last shown digit; any other
// difference (a number written otherwise, with more digits) is not.
TEST(Differential, TextsDifferingOnlyInALastShownDigitAreDocumented) {
  struct Row {
    const char* a;
    const char* b;
    bool same;
  };
  const Row rows[] = {
      {"-0.536217136303705", "-0.536217136303706", true},
      {"x1.23456789012344y-2", "x1.23456789012345y-2", true},
      {"x1.5y-2", "x1.50000000000001y-2", false},
      {"1.50", "1.5", false},
      {"1E+2", "100", false},
      {"-1", "1", false},
      {"1.5", "1.6", false},
      {"ab", "ac", false},
      {"12", "12a", false},
      {"2.5E+300", "2.5E+301", false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(diff_detail::sameButForCloseNumbers(r.a, r.b), r.same) << r.a << " against " << r.b;
}

// A formula that calls RATE, IRR or XIRR is judged over a step its root
// finder's tolerance allows: the root of the data a step of 1E-6 apart moves
// by 4.6E-9 about the smooth root, and the slope its derivative modes carry
// (0.40071388134140, the implicit slope) is the true one.
TEST(Differential, RootsFoundToAToleranceAreJudgedOverALargerStep) {
  const std::pair<const char*, bool> calls[] = {
      {"=RATE(12,-1,10)", true},   {"=1+IRR(A1:A6)", true},      {"=XIRR(A1:A3,D1:D3)", true},
      {"=MIRR(A1:A6,1,2)", false}, {"=INTRATE(1,2,3,4)", false}, {"=\"RATE\"&1", false},
  };
  for (const auto& [formula, expected] : calls)
    EXPECT_EQ(diff_detail::callsToleranceRoot(formula), expected) << formula;
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  const DiffOutcome out = Diff_check(wb, "=RATE(({1,2;3,4}*-45),A3,0,A1)");
  EXPECT_TRUE(out.agree) << out.detail;
  Wb_resetApp();
}

// The documented 0^0: the stand-in recalculates the formula with the base of
// each POWER whose base and exponent it reads as 0 written as 1, and no
// other power changed (a nudged base of 1E-320 made 0^0.05 1E-16).
TEST(Differential, ZeroToThePowerZeroIsRewrittenCallByCall) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  const std::pair<const char*, const char*> rows[] = {
      {"=POWER(0,0)", "=POWER(1,0)"},
      {"=POWER(,POWER(,Rate))", "=POWER(1,POWER(,Rate))"},
      {"=POWER(2,0)+POWER(B1,A3)", "=POWER(2,0)+POWER(B1,A3)"},
      {"=POWER(POWER(0,0)-1,B8)", "=POWER(POWER(1,0)-1,B8)"},
      {"=\"POWER(0,0)\"&POWER(A1-A1,B5)", "=\"POWER(0,0)\"&POWER(1,B5)"},
      {"=POWER(\"0\",)+POWER(\"abc\",0)", "=POWER(1,)+POWER(\"abc\",0)"},
  };
  for (const auto& [formula, rewritten] : rows) EXPECT_EQ(diff_detail::zeroPowersAsOne(wb, formula), rewritten);
  const DiffOutcome out = Diff_check(wb, "=POWER(,POWER(,Rate))");
  EXPECT_EQ(out.documented, kDiffPowerZeroZero) << out.detail;
  // Inside an array-taking call the powers of a range are rewritten element
  // by element: B1 (0) to the power 0 is 1, the text "abc" in B3 still
  // #VALUE!, which the interpreter gives.
  EXPECT_EQ(diff_detail::zeroPowersAsOneEachElement("=POWER(B1:B2,)"),
            "=power((B1:B2)+(--(B1:B2)=0)*(--(0)=0),(0))");
  for (const char* formula : {"=SUMPRODUCT(POWER(B1:B8,0))", "=SUMPRODUCT(POWER(A1:A6-A1:A6,0))",
                              "=SUMPRODUCT(POWER(POWER(A1:A6-A1:A6,0)-1,A1:A6*0))"}) {
    const DiffOutcome each = Diff_check(wb, formula);
    EXPECT_EQ(each.documented, kDiffPowerZeroZero) << each.detail;
  }
  EXPECT_EQ(Diff_check(wb, "=SUMPRODUCT(POWER(A1:A6,0))").documented, nullptr);
  Wb_resetApp();
}

// A MOD of many periods magnifies its divisor's last bit ten thousand times:
// both calculations turn degrees into radians by one product with the ratio
// rounded once, so the fuzz target's MOD of a RADIANS agrees.
TEST(Differential, AnglesAgreeToTheLastBit) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  for (const char* formula : {"=MOD(255,RADIANS(\"-1.5\"))", "=MOD(1E+6,DEGREES(0.3))"}) {
    const DiffOutcome out = Diff_check(wb, formula);
    EXPECT_TRUE(out.agree) << out.detail;
  }
  Wb_resetApp();
}
