// What a loaded model keeps for the draws of its simulation functions, read
// through its variable table: the per-trial rows of its sampled inputs,
// which the registry of uncertain cells holds, and the hook the distribution
// functions ask before they draw. They sit beside the registry so that the
// simulation functions, below the interpreter, reach them as the model
// structure does.
#pragma once

#include <cstdint>
#include <vector>

#include "values/Model_Variables.h"

// The registry's per-trial rows of the sampled inputs (input k at k - 1),
// null without a registry; the row of input k, 1-based by trial, null
// outside 1..count or when none is stored.
const std::vector<std::vector<double>>* Model_getSampleTable(const VariableTable* table);
const double* Model_getDistributionSamples(const VariableTable* table, int32_t k);
// The hook the distribution functions ask before they compute (a law's code
// and ten parameters): no model takes a draw over, so it always answers
// false.
bool Model_stubFalse(int32_t code, double p1, double p2, double p3, double p4, double p5, double p6, double p7,
                     double p8, double p9, double p10);
