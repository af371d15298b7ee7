// The distribution functions with property arguments (ids 1301 to 1338):
// each draws from one law, its own parameters first (a sample-vector
// parameter gives trial i its sample i; some laws take lists of values),
// then property arguments that name the cell, correlate it, shift it or
// truncate it. In the registration pass the call registers its cell under
// its law and draws nothing; otherwise it draws once per trial, at the
// trial's stored percentile when the model holds a row of them for the cell.
#pragma once

#include <cstdint>

#include "simulation/functions/Sim_Entries.h"

// The law codes the family registers its cells under, by id; 0 for an id
// the family does not have.
int32_t Sim_propertyLawCode(int32_t id);
// The distribution function of an id, null for an id the family does not have.
SimEntry Sim_propertyLaw(int32_t id);
