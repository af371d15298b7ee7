// Constants in the kind and size of a value of any evaluation mode, and
// the trial-by-trial test of a sample vector against a constant.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// Makes the context's result (the model's) the constant d in the model's
// kind and size: a real for a scalar model (none for a boolean one when
// refuseBoolean is set), a sample vector of the model's trials, a
// derivative or interval value over the model's variables with zero
// derivatives, the point interval, an affine form of the model's size, or
// a copy of a tape node holding the constant. False for any other kind,
// and when memory runs out.
bool Op_makeConstLike(const Value& model, double d, bool refuseBoolean);
// Whether some trial of a sample vector stands in the relation (CompareRel
// 1 to 6) to d; false for an empty vector and for every other kind.
bool Op_testSamples(const Value& x, double d, int32_t relation);
