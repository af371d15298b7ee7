// The evolutionary engine's population list and its helpers, on a record
// without a host: sorted insertion, the duplicate rule, the cap with its
// random removal that spares the new member and the best feasible one, the
// choice of the solution, the rounding of integer variables and the
// alldifferent group check.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engines/evolutionary/Evo_Engine.h"
#include "platform/os/Os.h"

namespace {

class EvoPopulation : public ::testing::Test {
 protected:
  void SetUp() override {
    rec.n = 2;
    rec.popSize = 5;
    rec.settings.precision = 1e-8;
    rec.varScale.assign(2, 1.0);
    rec.lower.assign(2, -10.0);
    rec.upper.assign(2, 10.0);
    Rnd_seed(rec.rng, 11);
    Os_clearMessageBoxes();
  }
  void TearDown() override { Os_clearMessageBoxes(); }
  // A member at (x, x) with the given fitness and objective.
  int add(double fitness, double objective, double x) {
    std::vector<double> point = {x, x};
    return Evo_insert(rec, rec.population, Evo_makeMember(rec, fitness, objective, point.data()));
  }
  std::vector<double> fitnesses() const {
    std::vector<double> out;
    for (const EvoMember* m = rec.population.get(); m; m = m->next.get()) out.push_back(m->fitness);
    return out;
  }
  EvoRecord rec;
};

}  // namespace

TEST_F(EvoPopulation, MembersAreKeptSortedByFitness) {
  EXPECT_EQ(add(3, 3, 1), 1);
  EXPECT_EQ(add(1, 1, 2), 1);
  EXPECT_EQ(add(2, 2, 3), 1);
  EXPECT_EQ(add(5, 1, 4), 1);
  EXPECT_EQ(fitnesses(), (std::vector<double>{1, 2, 3, 5}));
  ASSERT_TRUE(Evo_refreshEnds(rec));
  EXPECT_EQ(rec.best->fitness, 1);
  EXPECT_EQ(rec.worst->fitness, 5);
  EXPECT_EQ(Evo_memberAt(rec.population.get(), 3)->fitness, 3);
  EXPECT_EQ(Evo_memberAt(rec.population.get(), 5), nullptr);
}

TEST_F(EvoPopulation, DuplicatesOfTheHeadOrTheirNeighbourNeverEnter) {
  add(1, 1, 2);
  add(4, 4, 3);
  // Same point, fitness within 10 x precision: rejected.
  EXPECT_EQ(add(1 + 5e-8, 1, 2), 0);
  EXPECT_EQ(add(4, 4, 3 + 5e-9), 0);
  // Same fitness, another point: a new member.
  EXPECT_EQ(add(1, 1, 2.5), 1);
  EXPECT_EQ(Evo_listCount(rec.population.get()), 3);
}

TEST_F(EvoPopulation, TheCapRemovesAMemberButNeverTheNewOneNorTheBestFeasible) {
  for (int trial = 0; trial < 50; ++trial) {
    rec.population.reset();
    for (int k = 0; k < 5; ++k) add(10 + k, 10 + k, k);  // all feasible
    rec.bestFeasible = Evo_memberAt(rec.population.get(), 5);
    EXPECT_EQ(add(20, 1, 9), 1);  // infeasible, worst
    ASSERT_EQ(Evo_listCount(rec.population.get()), 5);
    bool hasNew = false, hasBestFeasible = false, hasHead = false;
    for (const EvoMember* m = rec.population.get(); m; m = m->next.get()) {
      hasNew |= m->fitness == 20;
      hasBestFeasible |= m == rec.bestFeasible;
      hasHead |= m->fitness == 10;
    }
    EXPECT_TRUE(hasNew);
    EXPECT_TRUE(hasBestFeasible);
    EXPECT_TRUE(hasHead);  // position 1 is never a candidate
  }
}

TEST_F(EvoPopulation, TheSolutionIsTheFeasibleMemberWithTheSmallestObjective) {
  add(1, 0.5, 1);  // infeasible, best fitness
  add(3, 3, 2);
  add(2.5, 2.5, 3);
  EXPECT_EQ(Evo_chooseResult(rec)->objective, 2.5);
  // A feasible local optimum wins over the population.
  std::vector<double> point = {7, 7};
  Evo_insert(rec, rec.localOptima, Evo_makeMember(rec, 2.9, 2.9, point.data()));
  EXPECT_EQ(Evo_chooseResult(rec)->objective, 2.9);
}

// The stall clock restarts only for a feasible point better than every one
// found before: not for a worse one that becomes the best feasible member
// after the better one left the population, nor for one that only equals
// the best.
TEST_F(EvoPopulation, OnlyABetterFeasiblePointRestartsTheStallClock) {
  static std::uint32_t now = 0;
  Os_setTickSource([] { return now; });
  std::vector<double> point = {1, 1};
  // (objective, a restart expected)
  const std::pair<double, bool> points[] = {{5, true}, {4, true}, {4.5, false}, {4, false}, {3.9, true}};
  std::uint32_t restarted = 0;
  for (const auto& [objective, restarts] : points) {
    SCOPED_TRACE(objective);
    now += 1000;
    rec.bestFeasible = nullptr;  // the best member left, as a duplicate does
    auto member = Evo_makeMember(rec, objective, objective, point.data());
    Evo_noteFeasible(rec, member.get());
    EXPECT_EQ(rec.bestFeasible, member.get());
    if (restarts) restarted = now;
    EXPECT_EQ(rec.improvedTick, restarted);
    rec.bestFeasible = nullptr;
  }
  // An infeasible point, however low its objective, restarts nothing.
  now += 1000;
  auto infeasible = Evo_makeMember(rec, 9, 1, point.data());
  Evo_noteFeasible(rec, infeasible.get());
  EXPECT_EQ(rec.improvedTick, restarted);
  EXPECT_EQ(rec.feasibleFound, 5);
  Os_setTickSource(nullptr);
}

TEST_F(EvoPopulation, IntegerRoundingStaysInsideTheBounds) {
  rec.types = {1, 0};
  for (int k = 0; k < 20; ++k) {
    std::vector<double> x = {2.4, 2.4};
    Evo_roundIntegers(rec, x.data(), false);
    EXPECT_TRUE(x[0] == 2.0 || x[0] == 3.0) << x[0];
    EXPECT_EQ(x[1], 2.4);  // continuous
  }
  // Neither neighbour inside [2.2, 2.5]: the value stays.
  rec.lower[0] = 2.2;
  rec.upper[0] = 2.5;
  std::vector<double> x = {2.3, 0};
  Evo_roundIntegers(rec, x.data(), false);
  EXPECT_EQ(x[0], 2.3);
  // Within precision of an integer: left as it is.
  x[0] = 3 + 1e-9;
  rec.upper[0] = 10;
  Evo_roundIntegers(rec, x.data(), false);
  EXPECT_EQ(x[0], 3 + 1e-9);
}

TEST_F(EvoPopulation, GroupCheckReportsValuesOutOfRangeAndDuplicates) {
  rec.n = 3;
  rec.varScale.assign(3, 1.0);
  rec.groupStart = {0, 3};
  rec.groupMember = {0, 1, 2};
  std::vector<double> good = {2, 3, 1}, bad = {2, 2, 4};
  Evo_checkGroup(rec, good.data(), 0);
  EXPECT_TRUE(Os_messageBoxes().empty());
  Evo_checkGroup(rec, bad.data(), 0);
  ASSERT_EQ(Os_messageBoxes().size(), 2u);
  EXPECT_EQ(Os_messageBoxes()[0].text, "alldifferent element duplicated!");
  EXPECT_EQ(Os_messageBoxes()[1].text, "alldifferent element out of range!");
  EXPECT_EQ(Os_messageBoxes()[1].caption, "VELENG");
}
