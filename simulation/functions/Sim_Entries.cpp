// Function ids of the simulation library to implementations.
#include "simulation/functions/Sim_Entries.h"

#include "simulation/functions/Sim_Positional.h"
#include "simulation/functions/Sim_PropertyArgs.h"
#include "simulation/functions/Sim_PropertyLaws.h"
#include "simulation/functions/Sim_Random.h"
#include "simulation/functions/Sim_Sampled.h"
#include "simulation/functions/Sim_Statistics.h"
#include "values/Fn_Ids.h"

namespace {

Value* rand(Value* r, int, const Value* const*, const SimCall* call) { return Sim_rand(r, call); }

Value* randbetween(Value* r, int, const Value* const* a, const SimCall* call) {
  return Sim_randbetween(r, a[0], a[1], call);
}

}  // namespace

SimEntry Sim_entry(int32_t id) {
  switch (id) {
    case kIdRand: return rand;
    case kIdRandbetween: return randbetween;
    default: break;
  }
  if (SimEntry e = Sim_sampledEntry(id)) return e;
  if (SimEntry e = Sim_positionalEntry(id)) return e;
  if (SimEntry e = Sim_propertyLaw(id)) return e;
  if (SimEntry e = Sim_propertyFunction(id)) return e;
  return Sim_statistic(id);
}
