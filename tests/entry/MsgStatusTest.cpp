// Status-bar lines, the front end's names, the "Show" macro, the user's
// break and the calculation mode, against the stand-in application.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "entry/Msg_Status.h"
#include "excel/Xl_Calculation.h"
#include "tests/entry/MsgFixture.h"

using MsgNames = MsgFixture;
using MsgLines = MsgFixture;
using MsgShowMacro = MsgFixture;
using MsgCalculation = MsgFixture;

// Labels are texts (a number kept as its text) and one-cell references
// become sheet-local ones. Reading again replaces the list: missing names
// leave their entries empty, and "solver_table" stands in for "solver_tbl".
TEST_F(MsgNames, LabelsReferencesAndMissingNames) {
  addInName("Show", "Corvan!$D$1");
  addInName("msg_fpsetup", "42");
  ASSERT_EQ(Msg_readMessageNames(&context), 1);
  EXPECT_EQ(Msg_getMessageText(&context, MsgFpSetup), "42");
  EXPECT_EQ(Msg_getMessageText(&context, MsgDone), "% done");
  EXPECT_EQ(Msg_getMessageText(&context, MsgShow), "");   // not a label
  const XLOPER* show = Msg_getMessageName(&context, MsgShow);
  ASSERT_TRUE(show && show->xltype == xltypeSRef);
  EXPECT_EQ(show->val.sref.ref.rwFirst, 0);
  EXPECT_EQ(show->val.sref.ref.colFirst, 3);   // D1
  const XLOPER* table = Msg_getMessageName(&context, MsgTable);
  ASSERT_TRUE(table && table->xltype == xltypeRef);
  EXPECT_EQ(testAreasText(table), "A1:B20");
  EXPECT_EQ(Msg_getMessageText(&context, MsgGap), "Gap:");
  EXPECT_EQ(Msg_getMessageName(&context, MessageNameCount), nullptr);

  for (const char* name : {"Show", "msg_fpsetup", "msg_branch", "solver_tbl"}) Wb_deleteName(addIn, name, 0);
  addInName("solver_table", "Corvan!$F$3:$G$9");
  ASSERT_EQ(Msg_readMessageNames(&context), 1);
  for (int k : {MsgShow, MsgFpSetup, MsgBranch}) EXPECT_EQ(Msg_getMessageName(&context, k), nullptr) << k;
  EXPECT_EQ(Msg_getMessageText(&context, MsgTrial), "Trial");
  table = Msg_getMessageName(&context, MsgTable);
  ASSERT_TRUE(table && table->xltype == xltypeRef);
  EXPECT_EQ(testAreasText(table), "F3:G9");
  Wb_deleteName(addIn, "solver_table", 0);
  ASSERT_EQ(Msg_readMessageNames(&context), 1);   // nothing found is no failure
  EXPECT_EQ(Msg_getMessageName(&context, MsgTable), nullptr);
}

TEST_F(MsgNames, SheetToReadFrom) {
  addIn->sheets[0]->name = "Bob's";             // a quote in the sheet's name
  ASSERT_EQ(Msg_readMessageNames(&context), 1);
  EXPECT_EQ(Msg_getMessageText(&context, MsgTrial), "Trial");
  Wb_app().activeWorkbook = -1;
  Xlc_setCallerSheet(nullptr, -1);
  EXPECT_EQ(Msg_readMessageNames(&context), 0);   // no sheet: nothing kept
  EXPECT_EQ(context.frontEndNames, nullptr);
  EXPECT_EQ(Msg_getMessageText(&context, MsgTrial), "");
}

TEST_F(MsgLines, SessionBeginsWithTheSetupTextAndTheThrottleSurvivesAWrap) {
  g_msgFixtureTick = 0xFFFFFF00u;
  openSession();
  Msg_beginStatus(&context);
  EXPECT_EQ(Wb_app().statusBar, "Setting up...");
  EXPECT_EQ(context.status.statusText, "Setting up...");
  advance(700);   // past the wrap, 700 ms later
  Msg_showPercent(&context, MsgFeasible, 1, 2);
  EXPECT_EQ(lastShown(), "Setting up...");
  advance(51);
  Msg_showPercent(&context, MsgFeasible, 1, 2);
  EXPECT_EQ(lastShown(), "Feasible: 50% done");
  EXPECT_EQ(Msg_resetStatus(), 1);
  EXPECT_EQ(Wb_app().statusBar, "");
}

// Values in the objective cell's format; without a format, or without a
// model, as the application writes the number.
TEST_F(MsgLines, IncumbentAndObjectiveTexts) {
  openSession();
  ASSERT_EQ(Msg_formatIncumbent(&context, -3), 1);
  EXPECT_EQ(context.status.incumbentText, "-3.00");
  objectiveFormat("");
  ASSERT_EQ(Msg_formatObjective(&context, 1, 0), 1);
  EXPECT_EQ(context.status.objectiveText, "1234.5");
  Names_freeConstraints(context.constraints);
  context.constraints = nullptr;   // no model: the number as the application writes it
  ASSERT_EQ(Msg_formatObjective(&context, 0, 0.25), 1);
  EXPECT_EQ(context.status.objectiveText, "0.25");
  EXPECT_EQ(Msg_formatObjective(&context, 1, 0), 0);   // no cell to read
  EXPECT_EQ(context.status.objectiveText, "");
}

// Runs of status lines, each after a wait and any label changed: the line
// shown after each call; a line expected unchanged means nothing was shown.
namespace {

struct Line {
  std::vector<std::pair<const char*, std::string>> labels;   // name, text (empty: removed)
  std::uint32_t waitMs;
  std::function<void(LibraryContext*)> show;
  std::string expected;
};
using LineRun = std::vector<Line>;

// An iteration line with the objective read from its cell.
std::function<void(LibraryContext*)> progress(int iteration, int subproblems, int showEach = 0) {
  return [=](LibraryContext* c) { Msg_showProgress(c, showEach, iteration, 1, 0, subproblems, 0, 0, 0, 0); };
}
// A subproblem line with an incumbent and, when `haveBound`, a best bound.
std::function<void(LibraryContext*)> search(int subproblems, double incumbent, int haveBound, double bound) {
  return [=](LibraryContext* c) { Msg_showProgress(c, 0, 0, 1, 0, subproblems, 1, incumbent, haveBound, bound); };
}
// An iteration line of a search that has gone `idle` of its `limit` seconds
// without improving.
std::function<void(LibraryContext*)> stalled(int iteration, int idle, int limit) {
  return [=](LibraryContext* c) {
    Host_progressStall(c, idle, limit);
    progress(iteration, 0)(c);
  };
}
std::function<void(LibraryContext*)> percent(int message, int part, int whole) {
  return [=](LibraryContext* c) { Msg_showPercent(c, message, part, whole); };
}

const std::string kSetup = "Setting up...";

}  // namespace

TEST_F(MsgLines, ProgressAndPercentageLines) {
  const std::string t240(240, 'T'), f250(250, 'F'), f254(254, 'F'), f200(200, 'F');
  const std::string t5 = "Trial 5  Value 1,234.50", t6 = "Trial 6  Value 1,234.50", t8 = "Trial 8  Value 1,234.50";
  const LineRun runs[] = {
      // An iteration is shown once, more than 750 ms after the line before,
      // unless each iteration is to be shown.
      {{{}, 700, progress(5, 0), kSetup},
       {{}, 51, progress(5, 0), t5},
       {{}, 2000, progress(5, 0), t5},
       {{}, 0, progress(6, 0), t6},
       {{}, 750, progress(7, 0), t6},
       {{}, 1, progress(7, 0), "Trial 7  Value 1,234.50"},
       {{}, 0, progress(8, 0, 1), t8},
       {{}, 0, progress(8, 0, 1), t8},
       {{}, 0, progress(8, 1, 1), "Subproblem: 1  " + t8}},
      // A new subproblem count shows the short line, at most every 750 ms.
      {{{}, 751, progress(0, 1), "Subproblem: 1  "},
       {{}, 300, progress(0, 2), "Subproblem: 1  "},
       {{}, 500, progress(0, 2), "Subproblem: 2  "},
       {{}, 751, progress(4, 2), "Subproblem: 2  Trial 4  Value 1,234.50"}},
      // An undefined branch label omits its part: the short line is empty.
      {{{{"msg_branch", ""}}, 751, progress(9, 3), kSetup},
       {{}, 751, progress(10, 3), "Trial 10  Value 1,234.50"}},
      // Parts that would pass 255 characters are left out: 240 + 1 + 10 + 2
      // with the objective part; the trial part alone would reach 258.
      {{{{"msg_trial", t240}}, 751, progress(1234567890, 0), t240 + " 1234567890  "},
       {{{"msg_trial", std::string(245, 'T')}}, 751, progress(1234567891, 0), "Value 1,234.50"}},
      // The best bound and the gap follow the subproblems, in either sense;
      // an incumbent of 0 keeps the gap finite; no bound, no parts.
      {{{}, 751, search(3, 100, 1, 90), "Incumbent: 100.00  Subproblem: 3  Bound: 90.00  Gap: 10.00%  "},
       {{}, 751, search(4, 80, 1, 100), "Incumbent: 80.00  Subproblem: 4  Bound: 100.00  Gap: 25.00%  "},
       {{}, 751, search(5, 0, 1, 0), "Incumbent: 0.00  Subproblem: 5  Bound: 0.00  Gap: 0.00%  "},
       {{}, 751, search(6, 80, 0, 0), "Incumbent: 80.00  Subproblem: 6  "}},
      // Without their labels neither part is shown.
      {{{{"msg_bound", ""}, {"msg_gap", ""}}, 751, search(3, 100, 1, 90), "Incumbent: 100.00  Subproblem: 3  "}},
      // A search that stops after a time without improvement says how long
      // it has gone without; without the label, nothing of it.
      {{{}, 751, stalled(5, 12, 30), t5 + "  No improvement for 12 s of 30  "},
       {{}, 751, stalled(6, 13, 30), t6 + "  No improvement for 13 s of 30  "}},
      {{{{"msg_stall", ""}}, 751, stalled(5, 12, 30), t5}},
      // Percentages are capped at 99 and throttled; unknown labels show nothing.
      {{{}, 751, percent(MsgFeasible, 150, 100), "Feasible: 99% done"},
       {{}, 751, percent(MsgFeasible, 5, 0), "Feasible: 0% done"},
       {{}, 751, percent(MsgLimits, 1, 3), "Limits: 33% done"},
       {{}, 100, percent(MsgLimits, 2, 3), "Limits: 33% done"},
       {{}, 751, percent(MsgFpSetup, 2, 3), "Limits: 33% done"}},
      // A percentage needs the done label.
      {{{{"msg_done", ""}}, 751, percent(MsgFeasible, 50, 100), kSetup}},
      // Percentage lines stay within 255 characters.
      {{{{"msg_feasible", f250}}, 751, percent(MsgFeasible, 42, 100), f250 + "42"},
       {{{"msg_feasible", f254}}, 751, percent(MsgFeasible, 42, 100), f254},
       {{{"msg_feasible", f200}, {"msg_done", std::string(60, 'D')}}, 751, percent(MsgFeasible, 7, 100), f200 + "7"}},
  };
  for (std::size_t r = 0; r < std::size(runs); ++r) {
    restart();
    openSession();
    Msg_beginStatus(&context);
    for (std::size_t k = 0; k < runs[r].size(); ++k) {
      const Line& line = runs[r][k];
      SCOPED_TRACE("run " + std::to_string(r) + ", line " + std::to_string(k));
      for (const auto& [name, text] : line.labels) label(name, text);
      if (!line.labels.empty()) {
        ASSERT_EQ(Msg_readMessageNames(&context), 1);
      }
      const std::string before = lastShown();
      const std::size_t count = shown().size();
      advance(line.waitMs);
      line.show(&context);
      EXPECT_EQ(lastShown(), line.expected);
      EXPECT_TRUE(line.expected != before || shown().size() == count);   // unchanged: nothing shown
      EXPECT_LE(context.status.statusText.size(), StatusTextMax);
    }
  }
}

TEST_F(MsgLines, TheBreakKeyIsSeenOnce) {
  EXPECT_EQ(Msg_pollBreak(), 0);
  Xlc_pressBreak();
  EXPECT_EQ(Msg_pollBreak(), 1);
  EXPECT_EQ(Msg_pollBreak(), 0);
}

// "Show" answers 1 to go on and 2 to stop (the progress callback's runs
// ask it so); a name without a macro, any other answer or no names read
// leave the caller's default.
TEST_F(MsgShowMacro, OtherAnswersLeaveTheDefault) {
  addInName("Show", "Corvan!$D$1");
  ASSERT_EQ(Msg_readMessageNames(&context), 1);
  EXPECT_EQ(Msg_askShowMacro(&context, ShowIntegerLimit, StopIntegerLimit), StopIntegerLimit);
  defineShow(7);
  EXPECT_EQ(Msg_askShowMacro(&context, ShowTimeLimit, StopTimeLimit), StopTimeLimit);
  EXPECT_EQ(reasons, (std::vector<double>{ShowTimeLimit}));
  Msg_freeMessageNames(&context);
  EXPECT_EQ(Msg_askShowMacro(&context, ShowBreak, StopBreak), StopBreak);
}

// Automatic modes are manual for the run and restored afterwards; a manual
// mode is left alone, even when someone changes it during the run.
TEST_F(MsgCalculation, ManualForTheRun) {
  for (CalcMode mode : {CalcMode::Automatic, CalcMode::SemiAutomatic, CalcMode::Manual}) {
    Wb_app().calcMode = mode;
    ASSERT_EQ(Msg_saveCalcMode(&context), 1);
    EXPECT_EQ(Wb_app().calcMode, CalcMode::Manual);
    if (mode == CalcMode::Manual) Wb_app().calcMode = CalcMode::Automatic;
    ASSERT_EQ(Msg_restoreCalcMode(&context), 1);
    EXPECT_EQ(Wb_app().calcMode, mode == CalcMode::Manual ? CalcMode::Automatic : mode);
  }
  EXPECT_EQ(context.savedCalcMode, CalcManual);
  ASSERT_EQ(Xl_setCalcMode(CalcManual), 1);
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Manual);
  formula("C1", "=B5*2");
  number("B5", 1);
  EXPECT_FALSE(valueAt("C1") == CellValue::makeNumber(2));   // manual: calculated only when asked
  ASSERT_EQ(Xl_calculateNow(), 1);
  EXPECT_EQ(valueAt("C1"), CellValue::makeNumber(2));
  ASSERT_EQ(Xl_setCalcMode(9), 1);                // outside the range: automatic
  EXPECT_EQ(Xl_getCalcMode(), CalcAutomatic);
}
