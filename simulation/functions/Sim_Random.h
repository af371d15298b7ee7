// RAND and RANDBETWEEN, which draw from the evaluation context's generator
// one number per trial (a sample vector when the context runs two or more
// trials), at the trial's stored percentile when the model holds a row of
// them for the cell. In the registration pass (dependency vectors, trials
// set, registration asked for) they register their cell as uncertain and
// draw nothing. The context is the result's.
#pragma once

#include "simulation/functions/Sim_Entries.h"
#include "values/Val_Value.h"

Value* Sim_rand(Value* result, const SimCall* call);
// A whole number from bottom to top; a sample-vector bound gives trial i its
// sample i. "#num!" for bounds that are neither numbers nor sample vectors,
// or with no whole number between them.
Value* Sim_randbetween(Value* result, const Value* bottom, const Value* top, const SimCall* call);
