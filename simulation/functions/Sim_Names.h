// The names by which formulas call the simulation library's functions that
// the worksheet-function list does not name: the names of the
// positional-truncation family ("cb_normal" ...), "xlsim_param", the
// statistics of a cell's samples ("riskdata" ... "riskvariance"), and
// "sim." followed by the identifier for a function known by identifier
// only ("sim.1108"). The formula reader asks here for a name its own list
// does not hold.
#pragma once

#include <cstdint>

struct SimName {
  const char16_t* name;  // lower case
  int16_t id;
  int16_t count;      // arguments at most; -1 for any number
  uint16_t optional;  // trailing arguments that may be left out
};

// The entry of a lower-case name; null when the library has none.
const SimName* Sim_findName(const char16_t* name);

// The table's entries in order, for a host that registers every name.
int32_t Sim_nameCount();
const SimName* Sim_nameAt(int32_t i);
