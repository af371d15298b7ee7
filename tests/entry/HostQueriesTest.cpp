// Engine index, option flags and options, read through the exports by
// ordinal from a workbook's defined names.
#include <gtest/gtest.h>

#include <tuple>

#include "contract/Host_Queries.h"
#include "tests/support/SessionFixture.h"

namespace {

constexpr std::uint32_t kDefaultFlags = 0x400 | 0x1000 | 0x4000 | 0x400000 | 0x100 | 0x200;

}  // namespace

TEST_F(LoadedLibrary, EngineIndexFollowsSolverEng) {
  auto engineIndex = ordinal<int (*)(LibraryContext*)>(13);
  ASSERT_NE(engineIndex, nullptr);
  EXPECT_EQ(engineIndex(context), 0);  // nothing defined: GRG
  const std::tuple<const char*, const char*, int> cases[] = {
      {"solver_lin", "1", 1},    // "solver_eng" 0 with "solver_lin" 1: LP/quadratic
      {"solver_eng", "0", 1}, {"solver_eng", "3", 2}, {"solver_eng", "5", 4},
      {"solver_eng", "7", 6},    // a plug-in
      {"solver_eng", "-2", -1},  // names no engine
      {"solver_eng", "#N/A", 1}, // an error reads as the default 0
  };
  for (const auto& [option, value, index] : cases) {
    name(option, value);
    EXPECT_EQ(engineIndex(context), index) << option << " " << value;
  }
}

TEST_F(LoadedLibrary, RealAndIntegerOptions) {
  auto realOption = ordinal<int (*)(LibraryContext*, double*, int)>(24);
  auto intOption = ordinal<int (*)(LibraryContext*, int)>(25);
  ASSERT_TRUE(realOption && intOption);
  name("solver_mrt", "0.2");
  double value = 0;
  EXPECT_EQ(realOption(context, &value, RealMutation), 1);
  EXPECT_EQ(value, 0.2);
  EXPECT_EQ(realOption(context, &value, 12), 0);   // no such option: the default of option 0
  EXPECT_EQ(value, 1e-8);
  name("solver_itr", "250.9");
  name("solver_nod", "100000");  // beyond 16 bits: read as a real
  EXPECT_EQ(intOption(context, IntIterations), 250);
  EXPECT_EQ(intOption(context, IntNodes), 100000);
  EXPECT_EQ(intOption(context, 11), 0);
  // Stored "no limit" values read as the top of their range, values below
  // the range as the default; never refused.
  const std::tuple<const char*, const char*, int, int> stored[] = {
      {"solver_tim", "2147483647", IntTime, 2147483647},
      {"solver_tim", "1E+25", IntTime, 2147483647},
      {"solver_itr", "1E+25", IntIterations, 2147483647},
      {"solver_nod", "1E+25", IntNodes, 2147483647},
      {"solver_tim", "-1", IntTime, 1000},
      {"solver_itr", "0", IntIterations, 1000},
      {"solver_mip", "-5", IntIntegerSolutions, 1000},
      {"solver_rsd", "-7", IntRandomSeed, -7},
  };
  for (const auto& [option, text, kind, read] : stored) {
    name(option, text);
    EXPECT_EQ(intOption(context, kind), read) << option << " " << text;
  }
  name("solver_pre", "0");  // a precision of nothing: the default
  EXPECT_EQ(realOption(context, &value, RealPrecision), 1);
  EXPECT_EQ(value, 1e-8);
  name("solver_tol", "7");  // a gap above 100%: 100%
  EXPECT_EQ(realOption(context, &value, RealTolerance), 1);
  EXPECT_EQ(value, 1.0);
}

TEST_F(LoadedLibrary, OptionFlags) {
  auto flags = ordinal<std::uint32_t (*)(LibraryContext*, int)>(14);
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags(context, 0), kDefaultFlags);
  names({{"solver_lin", "1"}, {"solver_est", "2"}, {"solver_drv", "2"}, {"solver_loc", "2"},
         {"solver_rbv", "0"}, {"solver_drf", "1"}});   // "solver_drf" counts only while analysed
  EXPECT_EQ(flags(context, 0), (kDefaultFlags & ~0x600u) | 0x1 | 0x4 | 0x2 | 0x100);
  context->analysed = 1;
  EXPECT_EQ(flags(context, 0) & 0x30, 0x30u);
  name("solver_drf", "2");
  EXPECT_EQ(flags(context, 0) & 0x30, 0x20u);
  name("solver_drf", "9");
  EXPECT_EQ(flags(context, 0) & 0x30, 0x10u);
}

