// The sampled-input functions (ids 1101 to 1117): each call is an input of
// a simulation that takes one draw of a law per trial (a binomial, normal,
// triangular ... number; a correlated vector; a random row or permutation
// of a table), and "xlsim_param" (id 1150), the element of an array of
// prepared values that belongs to the convexity tester's sample point.
// Ids 1101 to 1113 register their cell as uncertain (family 3) in the
// registration pass; the others never register.
#pragma once

#include <cstdint>

#include "simulation/functions/Sim_Entries.h"

// The implementation of an id of the family; null for any other id.
SimEntry Sim_sampledEntry(int32_t id);
