// Progress texts: the 750 ms throttle, clears never dropped, and the two
// abort checks against the host's stop codes; an entry stops at a hard stop,
// also one asked inside a long element-wise formula.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter/Eval_Entries.h"
#include "interpreter/Model_Progress.h"
#include "tests/support/SheetSource.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

uint32_t gNow = 0;
int gStop = 0;
std::vector<std::string> gShown;

void show(LibraryContext*, int flag, const char* text) { gShown.push_back(std::to_string(flag) + text); }
int stop(LibraryContext*) { return gStop; }
uint32_t ticks() { return gNow; }

TEST(ModelProgress, ThrottlesTextsButNeverAClear) {
  const ModelProgressHost host{show, stop, ticks};
  Model_setProgressHost(&host);
  gShown.clear();
  const struct { uint32_t at; int32_t k; int32_t arg; } asks[] = {
      {1000, kProgressParsing, 3}, {1100, kProgressParsing, 4}, {1100, kProgressClear, 0},
      {1750, kProgressCountCells, 50}, {1751, kProgressCountCells, 60}};
  for (const auto& a : asks) {
    gNow = a.at;
    Model_showProgress(nullptr, a.k, a.arg);
  }
  const std::vector<std::string> want{"1Parsing Problem Function 3", "0", "1Count Cells...60% Done"};
  EXPECT_EQ(gShown, want);
  Model_setProgressHost(nullptr);
}

TEST(ModelProgress, AbortChecksReadTheStopCode) {
  const ModelProgressHost host{show, stop, ticks};
  Model_setProgressHost(&host);
  const struct { int code; bool hard, any; } cases[] = {{0, false, false}, {1, false, true}, {2, true, true}, {6, true, true}};
  for (const auto& c : cases) {
    gStop = c.code;
    EXPECT_EQ(Model_userAbort(nullptr), c.hard) << c.code;
    EXPECT_EQ(Model_userAbortAny(nullptr), c.any) << c.code;
  }
  gStop = 0;
  Model_setProgressHost(nullptr);
  EXPECT_FALSE(Model_userAbortAny(nullptr));
}

TEST(ModelProgress, HardStopInterruptsAnEvaluation) {
  Workbench w;
  w.sheet.set("a1", "=1+2");
  ASSERT_TRUE(w.compile({"a1"}));
  ProgBudget budget{};
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
  const ModelProgressHost host{show, stop, ticks};
  Model_setProgressHost(&host);
  double value = 0;
  gStop = 1;
  EXPECT_TRUE(Eval_evalReal(&w.program, 0, true, &value, false));
  EXPECT_DOUBLE_EQ(value, 3.0);
  gStop = 2;
  EXPECT_FALSE(Eval_evalReal(&w.program, 0, true, &value, false));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusInterrupt);
  gStop = 0;
  Model_setProgressHost(nullptr);
}

// A host that answers a hard stop from its stopAt-th ask on, counting asks.
int gAsks = 0;
int gStopAt = 0;
int stopFromAsk(LibraryContext*) { return ++gAsks >= gStopAt && gStopAt > 0 ? 2 : 0; }

// One formula over a column of 1..n that works element by element (a
// lifted call, a scalar function over an array, an operator, a function
// over an array of criteria, each counted once in the column): a full run
// asks the stop inside the cell at least `asks` times and gives the sum by
// definition; a stop answered halfway through those asks ends the run there,
// asks nothing after it and leaves the cell its former value, and the next
// run gives the full value again.
TEST(ModelProgress, AStopInsideALongElementwiseFormulaEndsIt) {
  constexpr int n = 10000;
  const double sum = n * (n + 1.0) / 2;
  const std::string column = "a1:a" + std::to_string(n);
  const struct { std::string formula; double value; int asks; } cases[] = {
      {"=SUMPRODUCT(RANK(" + column + "," + column + "))", sum, n},  // ranks n..1
      {"=SUMPRODUCT(ABS(" + column + "))", sum, n},
      {"=SUMPRODUCT(" + column + "*2)", 2 * sum, n / kVmStopStride},
      {"=SUMPRODUCT(COUNTIF(" + column + ",a1:a100))", 100, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    Workbench w;
    for (int r = 1; r <= n; ++r) w.sheet.set("a" + std::to_string(r), std::to_string(r));
    w.sheet.set("b1", c.formula);
    ASSERT_TRUE(w.compile({"b1"}));
    const ModelProgressHost host{show, stopFromAsk, ticks};
    Model_setProgressHost(&host);
    gAsks = gStopAt = 0;
    EXPECT_DOUBLE_EQ(w.run(0)->number, c.value);
    const int fullAsks = gAsks;
    EXPECT_GE(fullAsks, c.asks);
    gAsks = 0;
    gStopAt = fullAsks / 2;
    EXPECT_DOUBLE_EQ(w.run(0)->number, c.value);
    EXPECT_EQ(w.ctx->errors.firstError, kStatusInterrupt);
    EXPECT_EQ(gAsks, gStopAt);
    gStopAt = 0;
    Vm_clearErrors(&w.ctx->errors);
    EXPECT_DOUBLE_EQ(w.run(0)->number, c.value);
    EXPECT_EQ(w.ctx->errors.errorCount, 0);
    Model_setProgressHost(nullptr);
  }
}

// Any answer but "continue" stops the compilation and the cell count; only a
// hard stop stops the machine (above).
TEST(ModelProgress, SoftStopEndsCompilingAndCounting) {
  const ModelProgressHost host{show, stop, ticks};
  Model_setProgressHost(&host);
  gStop = 1;
  Workbench w;
  w.sheet.set("a1", "=1+2");
  EXPECT_FALSE(w.compile({"a1"}));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusInterrupt);
  Vm_clearErrors(&w.ctx->errors);
  int32_t formulas = 0;
  int64_t distinct = 0;
  EXPECT_FALSE(Prog_countCells(w.store, &formulas, &distinct));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusInterrupt);
  gStop = 0;
  Model_setProgressHost(nullptr);
}

}  // namespace
