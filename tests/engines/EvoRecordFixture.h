// Test fixture for the evolutionary engine's repair and local search: small
// workbook models, the engine set up on them through its `setup`, and the
// record prepared as the start of the main loop would leave it.
#pragma once

#include <cmath>
#include <string>

#include "engines/evolutionary/Evo_Engine.h"
#include "tests/support/EngineSolveFixture.h"

class EvoRecordFixture : public EngineSolveFixture {
 protected:
  // Two variables in [0, 10] from (0, 0), objective `objective` of A1 and
  // B1, rows D2 = `sum` >= `least` (A1 + B1 >= 6 unless given) and
  // D3 = A1 - B1 <= 1.
  void linearModel(const std::string& objective, const std::string& sum = "A1+B1",
                   double least = 6) {
    twoVariables(objective, 2, 3, 4);
    formula("D2", sum);
    formula("D3", "A1-B1");
    bounds(1, "Model!$A$1:$B$1", 0, 10);
    row(3, "Model!$D$2", 3, least);
    row(4, "Model!$D$3", 1, 1);
  }
  // Opens the run, sets the engine up and prepares what the main loop's
  // start would: weights, tolerances, generator and the linear part.
  EvoRecord& open() {
    EXPECT_EQ(begin(), 1);
    problem.owner = context;
    EXPECT_EQ(ordinal<int (*)(void*)>(61)(&problem), 1);
    EvoRecord& rec = *static_cast<EvoRecord*>(problem.engineRecord);
    rec.settings.precision = 1e-8;
    rec.settings.eqWeight = std::pow(rec.settings.precision, -0.25);
    rec.settings.ineqWeight = std::pow(rec.settings.precision, -0.5);
    rec.popSize = 10;
    rec.infeasiblePeriod = 1000;
    rec.settings.tolerance = 0.05;
    Rnd_seed(rec.rng, 11);
    rec.x0 = rec.x;
    std::fill(rec.x.begin(), rec.x.end(), 0.0);
    EXPECT_EQ(Evo_linearAnalysis(rec), 0);
    rec.settings.equalityTol = 0.01;
    return rec;
  }
  void close() {
    EXPECT_EQ(ordinal<int (*)(void*)>(63)(&problem), 1);
    EXPECT_EQ(end(), 1);
  }
  EngineProblem problem{};
};

