// The stand-in's calculation against the interpreter on generated formulas
// (every function of the interpreter's table and every operator, arguments
// of every kind) from fixed seeds: both give the same value, and the
// derivative modes the value mode's value and a gradient that matches a
// finite difference, except the documented differences. The fuzz target
// fuzz_differential runs the same generator without end.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "tests/support/DiffCheck.h"

namespace {

constexpr std::uint64_t kSeeds[] = {1, 2, 3, 4};
constexpr int kFormulasPerSeed = 25000;
constexpr int kShownPerKind = 5;

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
  std::map<std::string, int> disagreements, documented;
  std::set<std::string> called;
  int formulas = 0;
};

void runSeed(Workbook* wb, std::uint64_t seed, Tally* tally) {
  DiffChoices choices = DiffChoices::fromSeed(seed);
  for (int k = 0; k < kFormulasPerSeed; ++k, ++tally->formulas) {
    const std::string formula = Diff_formula(choices);
    noteCalls(formula, &tally->called);
    const DiffOutcome out = Diff_check(wb, formula);
    if (out.agree) continue;
    if (out.documented) {
      ++tally->documented[out.documented];
      continue;
    }
    if (++tally->disagreements[out.kind] <= kShownPerKind) ADD_FAILURE() << "seed " << seed << ": " << out.detail;
  }
}

TEST(Differential, GeneratedFormulasAgreeInBothCalculationsButTheDocumentedDifferences) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  Tally tally;
  for (std::uint64_t seed : kSeeds) runSeed(wb, seed, &tally);
  for (const auto& [kind, count] : tally.disagreements) ADD_FAILURE() << count << " formulas differ in " << kind;
  // Every function is called, and every documented difference still shows
  // (one that no longer does is to be taken off the list).
  for (const std::string& name : Diff_functionNames()) EXPECT_TRUE(tally.called.count(name)) << name << " never called";
  for (const DiffDocumented& d : kDiffDocumented) {
    EXPECT_TRUE(tally.documented.count(d.name)) << "the documented difference \"" << d.name << "\" no longer shows";
    std::printf("documented difference \"%s\": %d formulas\n", d.name, tally.documented[d.name]);
  }
  std::printf("%d formulas\n", tally.formulas);
  Wb_resetApp();
}

}  // namespace
