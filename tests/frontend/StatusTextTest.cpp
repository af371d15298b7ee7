// Every status the library or one of its engines can return has a text of
// its own in the command's results.
#include <gtest/gtest.h>

#include <string>

#include "contract/Eng_Engine.h"
#include "engines/interval/Ia_Status.h"
#include "engines/socp/Socp_Adapter.h"
#include "frontend/Fe_Words.h"

namespace {

const std::string kUnknown = "unknown status";

TEST(StatusText, EveryStatusOfTheLibraryAndItsEnginesHasItsText) {
  const int codes[] = {StatusNothingRun,          StatusSolved,
                       StatusConverged,           StatusNoProgress,
                       StatusIterationLimit,      StatusUnbounded,
                       StatusInfeasible,          StatusUserStop,
                       StatusNotLinear,           StatusBadModel,
                       StatusEvalError,           StatusTimeLimit,
                       StatusOutOfMemory,         StatusCompileFailed,
                       StatusHostFailure,         StatusHeuristicInteger,
                       StatusSubproblemLimit,     StatusIntegerLimit,
                       StatusMultistartEnd,       StatusUnboundedVariable,
                       StatusBadBounds,           StatusCrossedBounds,
                       StatusNoCoefficients,      StatusException,
                       IaStatusWrongClass,        IaStatusSearchEvalFailed,
                       IaStatusWideResult,        SocpStatusClassRefused,
                       SocpStatusQuadraticRefused};
  for (int code : codes) EXPECT_NE(Fe_statusMeaning(code), kUnknown) << code;
}

TEST(StatusText, TheEnginesOwnStatusesSayWhichEngineAndWhy) {
  EXPECT_NE(std::string(Fe_statusMeaning(IaStatusWrongClass)).find("interval"), std::string::npos);
  EXPECT_NE(std::string(Fe_statusMeaning(IaStatusSearchEvalFailed)).find("evaluation failed"), std::string::npos);
  EXPECT_NE(std::string(Fe_statusMeaning(IaStatusWideResult)).find("wider"), std::string::npos);
  EXPECT_NE(std::string(Fe_statusMeaning(SocpStatusClassRefused)).find("SOCP"), std::string::npos);
  EXPECT_NE(std::string(Fe_statusMeaning(SocpStatusQuadraticRefused)).find("non-convex"), std::string::npos);
}

TEST(StatusText, ACodeNoOneReturnsIsUnknown) {
  EXPECT_EQ(Fe_statusMeaning(1003), kUnknown);
  EXPECT_EQ(Fe_statusMeaning(-1), kUnknown);
}

}  // namespace
