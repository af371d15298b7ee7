// The inputs the registered-functions fuzz target found, run through its
// entry in the regular build, and what they found: a call short of its
// arguments is #VALUE!, never a read past them; a registered function over
// a block of hundreds of thousands of elements costs the recalculation's
// work by its calls (and a lifted call by the cells each element may read
// again, a lookup over its keys by its table once), so that it ends at the
// cap as #NUM! instead of running for seconds; one within the cap reads its
// other arguments once for all its elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "tests/support/FuzzRegistered.h"

namespace {

CellValue first(const CalcEvalResult& r) { return r.value.values.empty() ? CellValue{} : r.value.values[0]; }

// Each input file of folder by its name, with what the target's entry
// answers for it.
std::map<std::string, CalcEvalResult> runInputsOf(const std::string& folder) {
  std::map<std::string, CalcEvalResult> results;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    results[entry.path().filename().string()] = Fuzz_registeredFormula(text);
  }
  return results;
}

TEST(RegisteredFindings, EveryInputRunsToAnErrorValue) {
  const auto results = runInputsOf(CORVAN_DATA "/fuzz-registered");
  for (const auto& [name, r] : results) EXPECT_EQ(first(r).kind, CellKind::Error) << name;
  EXPECT_EQ(results.size(), 12u);
}

// The project's own inputs of the target: calls whose work grows with an
// argument's value, or that convert a huge or NaN argument to an integer,
// each end with a value (the sanitizer build stops at an undefined
// conversion).
TEST(RegisteredFindings, TheProjectsOwnInputsEnd) {
  const auto results = runInputsOf(CORVAN_SOURCE "/fuzz/seeds/registered");
  for (const auto& [name, r] : results) EXPECT_FALSE(r.value.values.empty()) << name;
  EXPECT_GE(results.size(), 15u);
  // The whole mass of a Poisson law of mean 1 lies far below 1E+12; the
  // value left after 1E+12 periods of a 1E+12-period life at twice the
  // straight-line rate is the cost times e^-2.
  EXPECT_NEAR(first(results.at("poisson-cumulative-huge")).number, 1.0, 1e-15);
  EXPECT_NEAR(first(results.at("ddb-huge-life")).number, 1000 * std::exp(-2.0) * 2e-12, 1e-15);
  // TEXT of the blank rows 1:200000 in a format of 200 bytes: the common
  // text would be copied into each of the array's elements, so it is refused.
  for (const char* name : {"vdb-huge-life", "gcd-nan-draw", "workday-huge-holiday", "negbinomdist-huge",
                           "text-of-whole-rows-long-format"})
    EXPECT_EQ(first(results.at(name)), CellValue::makeError(CellError::Num)) << name;
  // LOOKUP lifted over 204 x 235 blank keys along a column of 444 blank
  // cells, within the cap: each key finds the last blank, which shows as 0.
  const CalcArray& lookup = results.at("lookup-lifted-over-a-block").value;
  EXPECT_EQ(lookup.rows, 204);
  EXPECT_EQ(lookup.cols, 235);
  EXPECT_EQ(std::count(lookup.values.begin(), lookup.values.end(), CellValue::makeNumber(0)), 204 * 235);
}

TEST(RegisteredFindings, ShortCallsAreVALUEAndLargeBlocksEndAtTheCap) {
  for (const char* text : {"=UPPER()", "=DATE(1,2)", "=SLN(1,2)", "=OR(T(),TRUE())", "=DPRODUCT(A1:C4)"})
    EXPECT_EQ(first(Fuzz_registeredFormula(text)), CellValue::makeError(CellError::Value)) << text;
  // 105 x 7460 elements: the built-in sum builds them all, DB is refused.
  const CalcEvalResult sum = Fuzz_registeredFormula("=ABS(KAA110:D6)+A2:D6");
  EXPECT_EQ(sum.value.rows, 105);
  EXPECT_EQ(sum.value.cols, 7460);
  EXPECT_EQ(first(Fuzz_registeredFormula("=DB(KAA110:D6,I4,A2:D6,5%)")), CellValue::makeError(CellError::Num));
  // LOOKUP lifted over 1732 x 24 blank keys along a table of 397 x 26 blank
  // cells, where it ran for seconds: the table read and sorted once, each
  // key finds the last row and shows the blank of its last column as 0.
  const CalcArray lookup = Fuzz_registeredFormula("=LOOKUP(I2265:AF534,G662:AF266)").value;
  EXPECT_EQ(lookup.rows, 1732);
  EXPECT_EQ(lookup.cols, 24);
  EXPECT_EQ(std::count(lookup.values.begin(), lookup.values.end(), CellValue::makeNumber(0)), 1732 * 24);
  // Over 26000 x 26 keys its calls alone cost more than the cap; FORECAST
  // lifted over 2000 x 24 values of x reads its 5000 known pairs again for
  // each: both refused at once.
  for (const char* text : {"=LOOKUP(A1:Z26000,G662:AF266)", "=FORECAST(A1:X2000,B1:B5000,C1:C5000)"})
    EXPECT_EQ(first(Fuzz_registeredFormula(text)), CellValue::makeError(CellError::Num)) << text;
  // Over a small block DB still applies element by element: the fixed rate
  // 1 - 0.1^(1/6), unrounded, for 7 months of the first year, then a year.
  const CalcEvalResult db = Fuzz_registeredFormula("=DB(1000000,100000,6,{1,2},7)");
  ASSERT_EQ(db.value.values.size(), 2u);
  const double rate = 1 - std::pow(0.1, 1 / 6.0), firstYear = 1e6 * rate * 7 / 12;
  EXPECT_NEAR(db.value.values[0].number, firstYear, 1e-6);
  EXPECT_NEAR(db.value.values[1].number, (1e6 - firstYear) * rate, 1e-6);
}

}  // namespace
