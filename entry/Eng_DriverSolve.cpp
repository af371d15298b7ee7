// One engine solve without a snapshot kept, for the feasibility and
// multistart drivers.
#include "entry/Eng_DriverSolve.h"

#include "base/Mem_Heap.h"

namespace {

void dropSnapshot(EngineProblem* problem) {
  if (problem->saved) {
    if (problem->releaseSaved) problem->releaseSaved(problem->saved);
    else Mem_free(problem->saved);
  }
  problem->saved = nullptr;
  problem->releaseSaved = nullptr;
}

}  // namespace

int Eng_solveWithoutSnapshot(EngineOp solve, EngineProblem* problem) {
  problem->saved = nullptr;
  problem->releaseSaved = nullptr;
  int result = solve(problem);
  dropSnapshot(problem);
  return result;
}
