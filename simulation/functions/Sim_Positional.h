// The distribution functions of the positional-truncation family (ids 1201
// to 1227): the law's parameters, then an optional lower and upper
// truncation bound and an optional text that changes nothing. Each call
// registers its cell as uncertain (family 4, with the formula's area) in
// the registration pass and otherwise draws once per trial. Ids 1251 to
// 1253, 1255 and 1256 always give "#n/a".
#pragma once

#include <cstdint>

#include "simulation/functions/Sim_Entries.h"

// The implementation of an id of the family; null for any other id.
SimEntry Sim_positionalEntry(int32_t id);
