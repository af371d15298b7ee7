// Interval second derivatives by replaying the kind-9 tape backwards
// (forward over reverse): while the context records, every kind-9 operation
// fills one tape record with its result, its operation and its operands; the
// replay carries kind-9 adjoints from the result back to the variables,
// whose adjoints' gradients enclose the rows of the Hessian over the box.
#pragma once

#include <cstdint>

#include "values/IvGrad_Payload.h"

struct EvalContext;

// Sizes the four scratch values and every record for n variables, making the
// tape hold the capacity the memory pass recorded; status 37 before that
// pass, 2 when memory runs out, false in both cases.
bool IvGrad_prepareTape(EvalContext* ctx, int32_t n);
// Adds (or, with subtract, subtracts) an enclosure of the Hessian of the
// value whose reference is result into hessianRows (variable k at row and
// column k, or k - 1 when zeroBased). Recording is switched off. A record
// with an unknown operation raises status 33 and ends the replay.
void IvGrad_reverseHessian(Interval** hessianRows, bool zeroBased, bool subtract, NodeRef result, EvalContext* ctx);
