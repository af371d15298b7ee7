// Engine runner: runs one engine row on the current model (builds the
// problem, chooses the driver, calls setup, the driver and finish, and turns
// a pending stop into the final status), the direct driver, and the local
// solver with which other engines run the built-in GRG engine on a model
// they supply themselves.
#pragma once

#include <cstdint>

#include "contract/Eng_Engine.h"

struct LibraryContext;

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
