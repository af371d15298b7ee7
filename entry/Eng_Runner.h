// Engine runner: runs one engine row on the current model (builds the
// problem, chooses the driver, calls setup, the driver and finish, and turns
// a pending stop into the final status) and the direct driver. The local
// solver (contract/Host_LocalSolver.h) builds its problem here too.
#pragma once

#include <cstdint>
#include <memory>

#include "contract/Eng_Engine.h"

struct LibraryContext;

// A zeroed problem owned by `owner` (none when memory runs out), released
// with its integer flags.
struct EngineProblemFree {
  void operator()(EngineProblem* problem) const;
};
using OwnedEngineProblem = std::unique_ptr<EngineProblem, EngineProblemFree>;
OwnedEngineProblem Eng_newProblem(LibraryContext* owner);

// Export ordinal 6: runs the engine of `entry`; returns a SolveStatus.
int Eng_runEngine(EngineEntry* entry);

// Export ordinal 7: calls solve(problem) once; returns -2 (the engine's
// status stands).
int Eng_directDriver(EngineOp solve, EngineProblem* problem);

// The other drivers: branch and bound (ordinal 8), feasibility (9),
// multistart (10).
int Eng_branchAndBoundDriver(EngineOp solve, EngineProblem* problem);
int Eng_feasibilityDriver(EngineOp solve, EngineProblem* problem);
int Eng_multiStartDriver(EngineOp solve, EngineProblem* problem);
