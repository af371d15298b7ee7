// The interval engine's options as read from a host, and its size and bound
// checks.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "engines/interval/Ia_Options.h"

namespace {

struct OptionHost {
  unsigned flags = 0;
  std::map<std::string, int> names;
  int engineAsked = -1;
};

HostServices optionHost(OptionHost& o) {
  HostServices h;
  h.user = &o;
  h.intOption = [](void*, int kind) { return kind == IntMaxNoImprovement ? 30 : 100 + kind; };
  h.realOption = [](void*, double* out, int kind) {
    *out = kind == RealAccuracy ? 1e-4 : kind == RealResolution ? 1e-3 : 99;
    return 1;
  };
  h.optionFlags = [](void* u, int engine) {
    static_cast<OptionHost*>(u)->engineAsked = engine;
    return static_cast<OptionHost*>(u)->flags;
  };
  h.namedInt = [](void* u, const char* name, int fallback) {
    const auto& names = static_cast<OptionHost*>(u)->names;
    const auto it = names.find(name);
    return it == names.end() ? fallback : it->second;
  };
  return h;
}

TEST(IaOptions, NamedSwitchesDefaultToTheEngineOptionFlags) {
  OptionHost o;
  o.flags = OptFlagArs | OptFlagMet | OptFlagLppPhr;
  IaOptions a = Ia_readOptions(optionHost(o));
  EXPECT_EQ(o.engineAsked, EngineInterval);
  EXPECT_EQ(a.timeLimit, 100 + IntTime);
  EXPECT_EQ(a.iterationLimit, 100 + IntIterations);
  EXPECT_EQ(a.noProgressSeconds, 30);
  EXPECT_EQ(a.accuracy, 1e-4);
  EXPECT_EQ(a.resolution, 1e-3);
  EXPECT_TRUE(a.absoluteGapOnly);
  EXPECT_FALSE(a.startBoundsFixed);
  EXPECT_EQ(a.method, IaMethodAffine);
  EXPECT_FALSE(a.lpRelaxation);
  EXPECT_TRUE(a.lpObjective);
  EXPECT_EQ(a.contractionPasses, 4);

  o.names = {{"solver_ars", 0}, {"solver_met", 1}, {"solver_soc", 1}, {"solver_lpt", 1}};
  a = Ia_readOptions(optionHost(o));
  EXPECT_FALSE(a.absoluteGapOnly);
  EXPECT_EQ(a.method, IaMethodInterval);
  EXPECT_TRUE(a.newtonAndClosing);
  EXPECT_TRUE(a.lpRelaxation);
  const IaSearchOptions s = Ia_searchOptions(a, true);
  EXPECT_TRUE(s.maximise);
  EXPECT_EQ(s.accuracy, 1e-4);
  EXPECT_EQ(s.noProgressSeconds, 30);
}

TEST(IaOptions, ChecksSizeAndBounds) {
  EXPECT_EQ(Ia_checkSize(500, 250, false), StatusSolved);
  EXPECT_EQ(Ia_checkSize(501, 0, false), StatusBadModel);
  EXPECT_EQ(Ia_checkSize(0, 0, false), StatusBadModel);
  EXPECT_EQ(Ia_checkSize(2, 251, false), StatusBadModel);
  EXPECT_EQ(Ia_checkSize(2, 251, true), StatusSolved);
  struct Case {
    double lower, upper;
    bool feasibility;
    int status;
  };
  for (const Case& c : {Case{1, 1, false, StatusSolved}, Case{2, 1, false, StatusCrossedBounds},
                        Case{-1e30, 1, false, StatusUnboundedVariable},
                        Case{0, 1e30, false, StatusUnboundedVariable}, Case{0, 1e30, true, StatusSolved},
                        Case{2, 1, true, StatusCrossedBounds}}) {
    const double lower[] = {0, -1, c.lower}, upper[] = {0, 1, c.upper};
    EXPECT_EQ(Ia_checkVariableBounds(2, lower, upper, c.feasibility), c.status) << c.lower << " " << c.upper;
  }
}

}  // namespace
