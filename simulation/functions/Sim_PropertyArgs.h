// Property arguments of the distribution functions: small arrays, made by
// the property functions, that follow a law's own parameters and attach a
// name, a correlation, a shift or truncation bounds to the uncertain cell.
// The names and correlations exist only in the registration pass, where they
// go into the model's registry; shift and truncation hold in every pass and
// shape the draws of the one call that carries them.
#pragma once

#include <cmath>
#include <cstdint>

#include "simulation/functions/Sim_Entries.h"
#include "values/Val_Value.h"

struct CellRegistry;

// The first element of a property array: what the property is.
enum SimPropertyCode : int32_t {
  kSimPropMatrixPosition = 2,  // {2, block handle, position}: a member of a correlation matrix
  kSimPropCorrelation = 3,     // {3, name of another cell, coefficient}: a pair
  kSimPropName = 5,            // {5, name}: the cell's name
  kSimPropNameAlias = 7,       // {7, name}: the same
  kSimPropShift = 8,           // {8, shift}
  kSimPropTruncate = 9,        // {9, lower, upper}
};

// What the properties of one call set for its draws.
struct SimProperties {
  double shift = 0;
  double lo = -INFINITY;
  double hi = INFINITY;
};

// Applies the property arguments argv[first..argc-1] of a call from the
// cell, whose names and correlations go into the registry (null: none):
// arrays are read by their code, other arguments skipped. False at the first malformed
// property (a first element that is not a whole number, a wrong shape or
// element kind, truncation bounds that are not increasing, a matrix handle
// the registry does not know or a position outside its block); what was
// applied before stays applied.
bool Sim_parseProperties(CellRegistry* reg, const CellRef& cell, int32_t first, int argc, const Value* const* argv,
                         SimProperties* out);

// The property functions by id (1352 to 1361), null for other ids.
SimEntry Sim_propertyFunction(int32_t id);

// The property functions, each in the simulation library's calling form.
// Correlation matrix (square range, position, optional instance name or
// number): in the registration pass {2, handle, position} of the block the
// range and instance make (found again on later calls); elsewhere 0.
Value* Sim_propCorrMatrix1352(Value* result, int argc, const Value* const* argv, const SimCall* call);
// Correlation with the cell of a name (name, coefficient in [-1, 1]).
Value* Sim_propCorrelation1353(Value* result, int argc, const Value* const* argv, const SimCall* call);
// A name for the cell (1355 and 1357 alike).
Value* Sim_propName1355(Value* result, int argc, const Value* const* argv, const SimCall* call);
Value* Sim_propName1357(Value* result, int argc, const Value* const* argv, const SimCall* call);
// {8, shift} and {9, lower, upper} in every pass.
Value* Sim_propShift1358(Value* result, int argc, const Value* const* argv, const SimCall* call);
Value* Sim_propTruncate1359(Value* result, int argc, const Value* const* argv, const SimCall* call);
// The whole number 0, whatever the arguments.
Value* Sim_propZero1360(Value* result, int argc, const Value* const* argv, const SimCall* call);
// Element k of an array, row by row, for the convexity tester's sample point
// k; "#n/a" past the array's end, for a point below 1 or an array without
// columns. Any other value is copied.
Value* Sim_sampleParam1361(Value* result, int argc, const Value* const* argv, const SimCall* call);
