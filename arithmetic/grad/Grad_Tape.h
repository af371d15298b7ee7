// Second derivatives by replaying the kind-6 tape backwards (forward over
// reverse): while the context records, every kind-6 operation fills one tape
// record with its result, its operation and its operands; the replay then
// carries kind-6 adjoints from the result back to the variables, whose
// adjoints' gradients are the rows of the Hessian.
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"

struct EvalContext;

// Sizes the four scratch values and every record for n variables, making the
// tape hold the capacity the memory pass recorded; status 37 before that
// pass, 2 when memory runs out, false in both cases.
bool Grad_prepareTape(EvalContext* ctx, int32_t n);
// Adds (or, with subtract, subtracts) the Hessian of the value whose
// reference is result into hessianRows (variable k at row and column k, or
// k - 1 when zeroBased). Recording is switched off. A record with an unknown
// operation raises status 33 and ends the replay.
void Grad_reverseHessian(double** hessianRows, bool zeroBased, bool subtract, NodeRef result, EvalContext* ctx);
