// Engine runner: runs one engine row on the current model (builds the
// problem, chooses the driver, calls setup, the driver and finish, and turns
// a pending stop into the final status), the direct driver, and the local
// solver with which other engines run the built-in GRG engine on a model
// they supply themselves.
#pragma once

#include <cstdint>

#include "entry/Eng_Engine.h"

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

// Export ordinal 41: runs the GRG engine from the start values in x within
// [lower, upper] (n entries each); answer40-42 are what model queries 40-42
// answer meanwhile; modelFlags carries the grouped-row bit 0x2000, the
// scaling bit 0x1000 and the option flags of ordinal 14; precision and
// convergence answer real options 0 and 2. The solution goes back into x and
// its objective into *objective. Returns the GRG engine's status.
int Host_runLocalSolver(LibraryContext* context, std::int32_t answer41, std::int32_t answer40,
                        std::int32_t answer42, std::uint32_t modelFlags, double precision,
                        double convergence, double* objective, double* x, const double* lower,
                        const double* upper);
