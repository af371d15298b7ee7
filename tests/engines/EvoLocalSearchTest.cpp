// The evolutionary engine's local-search step on workbook models: the GRG
// engine as local solver taking a point to the known minimum of a smooth
// function and recording it, the merit threshold with its skip count, and
// the distance rule around recorded optima.
#include <cmath>

#include "engines/evolutionary/Evo_Repair.h"
#include "entry/Eng_Registry.h"
#include "tests/engines/EvoRecordFixture.h"

namespace {

class EvoLocalSearch : public EvoRecordFixture {
 protected:
  // min (x - 1)^2 + (y - 2)^2 + 3 over [-10, 10]^2 from (5, 5).
  void smoothModel() {
    twoVariables("(A1-1)^2+(B1-2)^2+3", 2, 3, 2, 5, 5);
    bounds(1, "Model!$A$1:$B$1", -10, 10);
  }
};

TEST_F(EvoLocalSearch, GrgModeReachesTheMinimumAndRecordsIt) {
  smoothModel();
  EvoRecord& rec = open();
  // The GRG engine as the run's local solver, released at the session's end
  // because the current engine (the evolutionary one) says it uses it.
  Eng_registerBuiltins(context, context);
  context->currentEngine = 2;
  ASSERT_EQ(Evo_engineLoad(&context->engineInfos[2]), 1);
  rec.settings.localMode = EvoLocalGrg;
  rec.settings.convergence = 1e-6;
  // The engine's own option word (48) asks the GRG engine for the
  // interpreter's Jacobian, which a model read only from the cells lacks
  // (status 21); forward differences serve here.
  rec.settings.localOptions = 0;
  std::vector<double> x = {5.0, 5.0};
  double merit = 0.0;
  ASSERT_EQ(Evo_evaluateFitness(rec, x.data(), &merit), EvoAccepted);
  EXPECT_EQ(merit, 28.0);
  EXPECT_EQ(Evo_localSearch(rec, x.data(), &merit, false), EvoKeptOptimum);
  EXPECT_NEAR(x[0], 1.0, 1e-3);
  EXPECT_NEAR(x[1], 2.0, 1e-3);
  EXPECT_NEAR(merit, 3.0, 1e-5);
  // The optimum is recorded with its distance from the start (5 from (5, 5)).
  ASSERT_NE(rec.localOptima, nullptr);
  EXPECT_EQ(rec.localOptima->next, nullptr);
  EXPECT_NEAR(rec.localOptima->radius, 5.0, 1e-3);
  EXPECT_EQ(rec.localOptima->fitness, merit);
  EXPECT_EQ(rec.stats.localOptimaFound, 1);
  EXPECT_EQ(rec.feasibleFound, 1);
  EXPECT_EQ(rec.meritThreshold, merit);
  // A start within 0.8 of that radius is not searched again.
  std::vector<double> near = {2.0, 3.0};
  double nearMerit = 5.0;
  const int evaluations = rec.stats.evaluations;
  EXPECT_EQ(Evo_localSearch(rec, near.data(), &nearMerit, false), EvoRejected);
  EXPECT_EQ(rec.stats.evaluations, evaluations);
  EXPECT_EQ(near, (std::vector<double>{2.0, 3.0}));
  close();
}

TEST_F(EvoLocalSearch, MeritAboveTheThresholdIsSearchedEveryTwentiethTime) {
  smoothModel();
  EvoRecord& rec = open();
  rec.settings.localMode = EvoLocalCoordinate;
  rec.meritThreshold = 10.0;
  std::vector<double> x = {5.0, 5.0};
  const int evaluations = rec.stats.evaluations;
  for (int call = 1; call < 20; ++call) {
    double merit = 28.0;
    EXPECT_EQ(Evo_localSearch(rec, x.data(), &merit, false), EvoRejected);
    EXPECT_EQ(rec.skipCount, call);
  }
  EXPECT_EQ(rec.stats.evaluations, evaluations);
  // The twentieth raises the threshold by 0.2 x (10 + 1) = 2.2: still below 28.
  double merit = 28.0;
  EXPECT_EQ(Evo_localSearch(rec, x.data(), &merit, false), EvoRejected);
  EXPECT_EQ(rec.skipCount, 0);
  EXPECT_NEAR(rec.meritThreshold, 12.2, 1e-12);
  EXPECT_EQ(rec.stats.evaluations, evaluations);
  close();
}

TEST_F(EvoLocalSearch, PointsInGroupsOnlyAreNeverSearched) {
  smoothModel();
  EvoRecord& rec = open();
  rec.settings.localMode = EvoLocalCoordinate;
  rec.allDiffCells = rec.n;
  std::vector<double> x = {5.0, 5.0};
  double merit = 28.0;
  EXPECT_EQ(Evo_localSearch(rec, x.data(), &merit, true), EvoRejected);
  EXPECT_EQ(x, (std::vector<double>{5.0, 5.0}));
  close();
}

}  // namespace
