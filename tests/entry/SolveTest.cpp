// The library's life in the process and the Solve actions, through the
// exports by ordinal. The workbook holds no model, so every action that
// needs one must fail, never succeed.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "contract/Host_Progress.h"
#include "entry/Entry_Context.h"
#include "entry/Entry_Solve.h"
#include "platform/calc/Calc.h"
#include "tests/support/SessionFixture.h"

TEST_F(LoadedLibrary, AttachCreatesTheContextAndDetachFreesIt) {
  EXPECT_EQ(context->moduleHandle, module);
  std::string folder = std::string(CORVAN_OUT) + "/";
  EXPECT_EQ(std::string(context->directory), folder);
  EXPECT_EQ(context->directoryLength, static_cast<int>(folder.size()));

  // A second load shares the context; the last free removes it.
  OsModule again = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
  EXPECT_EQ(Entry_context(), context);
  Os_freeLibrary(again);
  EXPECT_EQ(Entry_context(), context);
  Os_freeLibrary(module);
  module = nullptr;
  EXPECT_EQ(Entry_context(), nullptr);
  double keep = 1;
  EXPECT_EQ(Solve(&keep), 13);  // no context: nothing can be served
}

TEST_F(LoadedLibrary, NamedExportsMatchTheOrdinals) {
  EXPECT_EQ(Os_getProcByName(module, "Solve"), Os_getProcByOrdinal(module, 1));
  EXPECT_EQ(Os_getProcByName(module, "SolveX"), Os_getProcByOrdinal(module, 2));
  EXPECT_EQ(Os_getProcByOrdinal(module, 30), reinterpret_cast<OsProc>(&Host_progressCallback));
  auto solveX = ordinal<int (*)(std::intptr_t)>(2);
  ASSERT_NE(solveX, nullptr);
  context->evalContext = reinterpret_cast<EvalContext*>(0x10);
  EXPECT_EQ(solveX(0x1234), 0);
  EXPECT_EQ(context->handle, 0x1234);
  EXPECT_EQ(context->evalContext, nullptr);
  for (int n = 3; n <= 5; ++n) {
    auto reserved = ordinal<int (*)(std::intptr_t)>(n);
    ASSERT_NE(reserved, nullptr);
    EXPECT_EQ(reserved(7), 0);
  }
}

TEST_F(LoadedLibrary, ActionWithNothingSelectedReturnsMinusThree) {
  name("solver_mda", "0");
  name("solver_ism", "0");
  EXPECT_EQ(solve(ActionDiagnose), -3);
  EXPECT_EQ(solve(-1), -3);     // not an action
  name("robust_num", "3");    // an invalid run mode
  EXPECT_EQ(solve(ActionEngineLimits), -3);  // preparation fails: nothing to do
  EXPECT_EQ(context->robustMode, -1);
}

TEST_F(LoadedLibrary, ActionsNeedingAModelFail) {
  EXPECT_EQ(solve(ActionSolve), 13);
  EXPECT_EQ(solve(12.7), 13);   // an engine's action code, kept for it until the next action
  EXPECT_EQ(query(16), 12);
  EXPECT_EQ(solve(ActionSolveAgain), 13);
  EXPECT_EQ(query(16), 0);
  EXPECT_EQ(solve(ActionFeasibility2), 13);
  EXPECT_EQ(query(9), 0);  // the session's end leaves feasibility mode
  EXPECT_EQ(solve(ActionAnalyse), 13);
  name("solver_mda", "2");
  EXPECT_EQ(solve(ActionDiagnose), 13);
  EXPECT_EQ(solve(ActionModelSize), 13);
  EXPECT_EQ(context->analysed, 0);
  EXPECT_EQ(solve(ActionListEngines), 55);  // listing needs no model: the five built-in engines
  EXPECT_EQ(context->engineCount, 5);
}

TEST_F(LoadedLibrary, AnExceptionInsideSolveReturns999) {
  // A worksheet function of an add-in that fails by throwing, reached while
  // Solve reads "solver_eng".
  Calc_registerFunction("ENTRYTHROWS", [](const std::vector<CalcArray>&) -> CalcArray {
    throw std::runtime_error("add-in failure");
  });
  name("solver_eng", "ENTRYTHROWS()");
  EXPECT_EQ(solve(ActionSolve), 999);
  name("solver_eng", "1");
  EXPECT_EQ(solve(ActionKeep), 1);  // the context still serves
}
