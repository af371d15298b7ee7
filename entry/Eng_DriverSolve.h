// One engine solve as the feasibility and multistart drivers make it: they
// keep no engine snapshot between solves, so each solve starts from the
// problem's values and bounds alone.
#pragma once

#include "contract/Eng_Engine.h"

// Clears the problem's snapshot words, calls solve(problem) and releases any
// snapshot the engine left (through its release routine, else as a block of
// the host's). Returns solve's result (0: the call failed).
int Eng_solveWithoutSnapshot(EngineOp solve, EngineProblem* problem);
