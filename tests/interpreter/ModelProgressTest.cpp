// Progress texts: the 750 ms throttle, clears never dropped, and the two
// abort checks against the host's stop codes; an entry stops at a hard stop.
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
