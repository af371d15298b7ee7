// Presolve of the LP/quadratic engine. This build carries its path for
// models without binary variables, where the presolve keeps nothing and
// changes no bound: every solve goes straight to the simplex.
#include "engines/lpqp/Lp_EngineOps.h"

int Lp_presolveSetup(LpRun&, EngineProblem*) { return 1; }

int Lp_presolve(LpRun&) { return 1; }

void Lp_presolveRelease(LpRun&, EngineProblem* problem) {
  problem->engineIntegerCount = 0;
  problem->engineOrder = nullptr;
  problem->engineBinaryStatus = nullptr;
}
