// The names formulas call the simulation functions by: each reaches an
// implementation, the formula reader's table gives its argument counts and
// volatility, and names outside both lists stay unknown.
#include <gtest/gtest.h>

#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Fn_Table.h"
#include "simulation/functions/Sim_Entries.h"
#include "simulation/functions/Sim_Names.h"

namespace {

TEST(SimNames, EveryNameReachesAnImplementation) {
  for (const char16_t* name : {u"sim.1101", u"sim.1117", u"xlsim_param", u"cb_beta", u"cb_normal", u"cb_weibull",
                               u"sim.1202", u"sim.1227", u"sim.1256"}) {
    const SimName* n = Sim_findName(name);
    ASSERT_NE(n, nullptr);
    EXPECT_NE(Sim_entry(n->id), nullptr) << n->id;
    EXPECT_TRUE(Fn_hasImplementation(n->id)) << n->id;
  }
  for (int32_t id = 1101; id <= 1256; ++id) {
    const bool family = (id >= 1101 && id <= 1117) || id == 1150 || (id >= 1201 && id <= 1227) ||
                        (id >= 1251 && id <= 1256);
    EXPECT_EQ(Sim_entry(id) != nullptr, family) << id;
  }
}

TEST(SimNames, TheReaderLooksThemUpAfterItsOwnList) {
  FunctionRecord r{};
  ASSERT_TRUE(Fn_lookup(u"cb_normal", &r));
  EXPECT_EQ(r.id, 1220);
  EXPECT_EQ(r.argumentCount, 5);
  EXPECT_EQ(r.optional, 3);
  EXPECT_EQ(r.isVolatile, 1);
  ASSERT_TRUE(Fn_lookup(u"sim.1115", &r));
  EXPECT_EQ(r.id, 1115);
  EXPECT_EQ(r.isVolatile, 0);
  ASSERT_TRUE(Fn_lookup(u"sum", &r));
  EXPECT_EQ(r.id, 51);
  EXPECT_FALSE(Fn_lookup(u"cb_nothing", &r));
  EXPECT_EQ(r.id, 0);
  EXPECT_EQ(Sim_findName(u"CB_NORMAL"), nullptr);  // the reader folds names to lower case first
}

}  // namespace
