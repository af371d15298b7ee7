// Engine interface: the built-in engines' limits and capabilities as their
// `load` fills them, and the status a pending stop gives a run (engines not
// built in are tried through the registry's rows).
#include <gtest/gtest.h>

#include "entry/Eng_Registry.h"

TEST(EngineInterface, BuiltinLoadsFillTheirLimitsAndCapabilities) {
  struct Expected { EngineOp load; std::int32_t limits[4]; std::uint32_t capabilities, fields; };
  const Expected expected[5] = {
    {Grg_engineLoad, {500, 250, 1000, 500}, 0x4034, 0x1020011},
    {Lp_engineLoad, {2000, 8192, 4000, 2000}, 0x4014, 0x2000022},
    {Evo_engineLoad, {500, 250, 1000, 500}, 0x73C0, 0x2210011},
    {Ia_engineLoad, {500, 250, 1000, 500}, 0x4354, 0x1020011},
    {Socp_engineLoad, {2000, 8192, 4000, 2000}, 0x4B14, 0x1000222},
  };
  for (const Expected& e : expected) {
    EngineInfo info{};
    int owner = 0;
    info.owner = reinterpret_cast<LibraryContext*>(&owner);
    EXPECT_EQ(e.load(&info), 1);
    EXPECT_EQ(info.owner, reinterpret_cast<LibraryContext*>(&owner));  // words 0-1 untouched
    EXPECT_EQ(info.module, nullptr);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(info.limits[k], e.limits[k]);
    EXPECT_EQ(info.value1, 32767);
    EXPECT_EQ(info.value2, 0);
    EXPECT_EQ(info.capabilities, e.capabilities);
    EXPECT_EQ(info.fields, e.fields);
  }
}

TEST(EngineInterface, PendingStopReplacesTheStatus) {
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, StopContinue), StatusSolved);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, StopByUser), StatusSolved);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, StopIterationLimit), StatusIterationLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, StopBreak), StatusUserStop);
  EXPECT_EQ(Eng_statusAfterStop(StatusConverged, StopTimeLimit), StatusTimeLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusInfeasible, StopSubproblemLimit), StatusSubproblemLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusInfeasible, StopIntegerLimit), StatusIntegerLimit);
}
