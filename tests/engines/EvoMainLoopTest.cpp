// The evolutionary engine's main loop on populations made by hand: every
// column of the population report (mean, standard deviation, largest and
// smallest value over the feasible members), and the breeding round's
// crossover child after a mutation child that did not enter.
#include "platform/os/Os.h"
#include "tests/engines/EvoRecordFixture.h"

namespace {

class EvoMainLoop : public EvoRecordFixture {
 protected:
  // min A1 over the integers 1..4, with (`filled`) a population of every
  // one of them.
  EvoRecord& integerLine(bool filled = true) {
    newModel();
    number("A1", 1);
    formula("C1", "A1");
    name("solver_adj", "Model!$A$1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", "2");
    name("solver_eng", "3");
    name("solver_num", "2");
    bounds(1, "Model!$A$1", 1, 4);
    EvoRecord& rec = open();
    rec.types = {1};
    if (!filled) return rec;
    rec.popSize = 4;
    rec.mutationPicks.assign(4, 0);
    rec.crossoverPicks.assign(4, 0);
    for (double v = 1; v <= 4; ++v)
      Evo_insert(rec, rec.population, Evo_makeMember(rec, v, v, &v));
    Evo_refreshEnds(rec);
    return rec;
  }
};

TEST_F(EvoMainLoop, ColumnsSummariseTheFeasibleMembers) {
  // min x + 2y over x + y >= 6 (D2), x - y <= 1 (D3), [0, 10]^2.
  linearModel("A1+2*B1");
  name("solver_rep", "2");
  EvoRecord& rec = open();
  ASSERT_EQ(rec.options.reports, 1);
  // Three feasible members and one infeasible member, which is left out.
  const double points[4][2] = {{4, 3}, {3, 4}, {2, 5}, {0, 0}};
  for (const auto& p : points) {
    const double objective = p[0] + 2 * p[1];
    const double fitness = p[0] == 0 ? 1e6 : objective;
    ASSERT_EQ(Evo_insert(rec, rec.population, Evo_makeMember(rec, fitness, objective, p)), 1);
  }
  rec.finalStatus = StatusConverged;
  Evo_writePopulationReport(rec);
  EXPECT_EQ(tableAt(0, 4), 11);  // columns of a report row
  // Per report row (x, y, D2, D3): mean, standard deviation (k - 1 = 2),
  // largest, smallest: x 4, 3, 2; y 3, 4, 5; D2 7, 7, 7; D3 1, -1, -3.
  const double expected[4][4] = {{3, 1, 4, 2}, {4, 1, 5, 3}, {7, 0, 7, 7}, {-1, 2, 1, -3}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(tableAt(1 + r, 6 + c), expected[r][c], 1e-12) << "row " << r << " column " << c;
  close();
}

TEST_F(EvoMainLoop, CrossoverFollowsAMutationChildThatDidNotEnter) {
  // Every child is one of the four points already held, so no mutation
  // child enters and every round goes on to a crossover child.
  movingClock(0);   // no stall on a clock that stands still
  EvoRecord& rec = integerLine();
  rec.settings.mutationRate = 1.0;
  rec.settings.rejectLimit = 1000;
  for (int round = 0; round < 20; ++round) {
    EvoMember* made = nullptr;
    const int result = Evo_breedChild(rec, &made);
    ASSERT_TRUE(result == EvoAccepted || result == EvoRejected) << result;
    EXPECT_EQ(made, nullptr);
  }
  EXPECT_EQ(rec.stats.mutations, 20);
  EXPECT_GT(rec.stats.mutantsKept, 0);  // kept children, all duplicates
  EXPECT_EQ(rec.stats.crossovers, 20);
  EXPECT_EQ(Evo_listCount(rec.population.get()), 4);
  close();
}

TEST_F(EvoMainLoop, FillEndsWhenTheModelHasFewerPointsThanThePopulation) {
  // Four distinct points for a population of ten: once candidates keep
  // coming back as duplicates the fill ends with the four, and the rank
  // draws are held to the positions they fill.
  EvoRecord& rec = integerLine(false);
  rec.popSize = 10;
  rec.mutationPicks.assign(10, 0);
  rec.crossoverPicks.assign(10, 0);
  ASSERT_EQ(Evo_fillPopulation(rec), 0);
  EXPECT_EQ(Evo_listCount(rec.population.get()), 4);
  EXPECT_EQ(rec.popSize, 4);
  close();
}

}  // namespace
