// Engine runner: runs one engine row on the current model (builds the
// problem, chooses the driver, calls setup, the driver and finish) and
// turns a pending stop into the final status.
#pragma once

#include "entry/Eng_Engine.h"

// Runs the engine of `entry`; returns a SolveStatus.
int Eng_runEngine(EngineEntry* entry);
