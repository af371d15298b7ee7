// What the aggregates count, as the worksheet counts it: booleans and texts
// given directly against those read from a single cell or a range (a text
// that reads as a number reaches them as that number, read by the
// dispatcher), SUMPRODUCT
// over booleans, MIN and MAX of a cell holding a text or a boolean. Each
// expected value is the worksheet's, worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"
#include "values/Model_Refs.h"

namespace {

// The value as a reference to one cell (L4) reads it.
Value* fromCell(Value* v) {
  v->source = static_cast<RangeRef*>(std::malloc(sizeof(RangeRef)));
  *v->source = RangeRef{1, 4, 12, 4, 12};
  return v;
}

TEST(WorksheetCounting, DirectValuesCellsAndRanges) {
  Caller c;
  Value* cellTrue = fromCell(c.boolean(true));
  Value* cellText = fromCell(c.text(u"abc"));
  Value* cellNumberText = fromCell(c.text(u"3"));
  Value* bools = c.array(1, 3, {c.boolean(true), c.boolean(false), c.boolean(true)});
  Value* ones = c.grid(1, 3, {1, 1, 1});
  Value* mixed = c.array(1, 6, {c.num(1), c.num(2), c.num(3), c.boolean(true), c.text(u"abc"), c.num(4)});
  const struct {
    const char* formula;
    int32_t id;
    std::vector<const Value*> args;
    double want;  // NaN: "#value!"
  } cases[] = {
      {"AVERAGE(TRUE,3)", kIdAverage, {c.boolean(true), c.num(3)}, 2},
      {"AVERAGE(L4,1) with TRUE in L4", kIdAverage, {cellTrue, c.num(1)}, 1},
      {"COUNT(TRUE,2,\"x\")", kIdCount, {c.boolean(true), c.num(2), c.text(u"x")}, 2},
      {"COUNT(L4,2) with TRUE in L4", kIdCount, {cellTrue, c.num(2)}, 1},
      {"SUM(L4,2) with TRUE in L4", kIdSum, {cellTrue, c.num(2)}, 2},
      {"SUM(L4,2) with \"3\" in L4", kIdSum, {cellNumberText, c.num(2)}, 2},
      {"SUM(TRUE,2)", kIdSum, {c.boolean(true), c.num(2)}, 3},
      {"PRODUCT(L4,3) with TRUE in L4", kIdProduct, {cellTrue, c.num(3)}, 3},
      {"MIN(L4) with \"abc\" in L4", kIdMin, {cellText}, 0},
      {"MIN(L4,5) with \"abc\" in L4", kIdMin, {cellText, c.num(5)}, 5},
      {"MAX(L4) with TRUE in L4", kIdMax, {cellTrue}, 0},
      {"MAX(L4,-1) with TRUE in L4", kIdMax, {cellTrue, c.num(-1)}, -1},
      {"MAX(TRUE,-1)", kIdMax, {c.boolean(true), c.num(-1)}, 1},
      {"MIN(\"abc\",5)", kIdMin, {c.text(u"abc"), c.num(5)}, NAN},
      {"MEDIAN(L4,1,2) with TRUE in L4", kIdMedian, {cellTrue, c.num(1), c.num(2)}, 1.5},
      {"MEDIAN(TRUE,1,2)", kIdMedian, {c.boolean(true), c.num(1), c.num(2)}, 1},
      {"VAR(TRUE,1,3)", kIdVar, {c.boolean(true), c.num(1), c.num(3)}, 4.0 / 3.0},
      {"VAR(L4,1,3) with TRUE in L4", kIdVar, {cellTrue, c.num(1), c.num(3)}, 2},
      {"SUMPRODUCT({TRUE,FALSE,TRUE},{1,1,1})", kIdSumproduct, {bools, ones}, 0},
      {"SUMPRODUCT({TRUE,FALSE,TRUE})", kIdSumproduct, {bools}, 0},
      {"COUNTIF({1,2,3,TRUE,\"abc\",4},TRUE)", kIdCountif, {mixed, c.boolean(true)}, 1},
      {"COUNTIF({1,2,3,TRUE,\"abc\",4},1)", kIdCountif, {mixed, c.num(1)}, 1},
      {"COUNTIF({1,2,3,TRUE,\"abc\",4},\"TRUE\")", kIdCountif, {mixed, c.text(u"TRUE")}, 1},
      {"COUNTIF({1,2,3,TRUE,\"abc\",4},\"<>true\")", kIdCountif, {mixed, c.text(u"<>true")}, 5},
      {"AVERAGE(\"x\",1)", kIdAverage, {c.text(u"x"), c.num(1)}, NAN},
      {"AVERAGE(L4,1) with \"abc\" in L4", kIdAverage, {cellText, c.num(1)}, 1},
  };
  for (const auto& t : cases) {
    const Value* r = c.call(t.id, t.args);
    if (std::isnan(t.want)) EXPECT_TRUE(isError(r, kErrValue)) << t.formula;
    else EXPECT_NEAR(numberOf(r), t.want, 1e-12) << t.formula;
  }
}

}  // namespace
