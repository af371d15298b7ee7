// The stand-in's calculation against the interpreter on generated formulas
// (every function of the interpreter's table and every operator, arguments
// of every kind) from fixed seeds: both give the same value, and the
// derivative modes the value mode's value and a gradient that matches a
// finite difference, except the documented differences. The fuzz target
// fuzz_differential runs the same generator without end.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "tests/support/DiffCheck.h"

namespace {

constexpr std::uint64_t kSeeds[] = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr int kFormulasPerSeed = 25000;
constexpr int kShownPerKind = 5;

TEST(Differential, GeneratedFormulasAgreeInBothCalculationsButTheDocumentedDifferences) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  std::map<std::string, int> disagreements, documented;
  int formulas = 0;
  for (std::uint64_t seed : kSeeds) {
    DiffChoices choices = DiffChoices::fromSeed(seed);
    for (int k = 0; k < kFormulasPerSeed; ++k, ++formulas) {
      const std::string formula = Diff_formula(choices);
      const DiffOutcome out = Diff_check(wb, formula);
      if (out.agree) continue;
      if (out.documented) {
        ++documented[out.documented];
        continue;
      }
      if (++disagreements[out.kind] <= kShownPerKind) ADD_FAILURE() << "seed " << seed << ": " << out.detail;
    }
  }
  for (const auto& [kind, count] : disagreements) ADD_FAILURE() << count << " formulas differ in " << kind;
  for (const auto& [name, count] : documented) std::printf("documented difference \"%s\": %d\n", name.c_str(), count);
  std::printf("%d formulas\n", formulas);
  Wb_resetApp();
}

}  // namespace
