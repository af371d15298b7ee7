// The symbolic face of the gradient family: while the context's symbolic flag
// is set, the kind-6 operations build, instead of numbers, the formula text
// of the value and of each partial derivative (formula texts as the text
// builders make them), so that a caller can read the derivative of a formula
// as a formula of its own. The context's text sink names functions and
// variables, writes squares and powers, and takes over texts that grow too
// long; where the sink declines, built-in forms are used (function names in
// upper case, "X1", "X2" ... for the variables). Results go to the context's
// kind-6 result record, whose texts GradText_init must have made; nothing is
// recorded on a tape and nothing is checked, a division by a zero text still
// giving its text.
#pragma once

#include <cstdint>

#include "values/Grad_Payload.h"

// Sizes the record for n variables with empty texts; false when memory runs
// out (status 2 raised, the record left without partials).
bool GradText_init(GradValue* g, int32_t n, EvalContext* ctx);
// The variable at gradient position p: its name, partial 1 at p, 0 elsewhere.
void GradText_setVar(GradValue* g, int32_t p);
// The constant s: "%g" of s, every partial 0.
void GradText_setConst(GradValue* g, double s);

// op of one operand (negation as kOpSub), of two, and of one operand with a
// number (on the left when numberLeft).
GradValue GradText_unary(int32_t op, const GradValue* x);
GradValue GradText_binary(int32_t op, const GradValue* x, const GradValue* y);
GradValue GradText_mixed(int32_t op, bool numberLeft, const GradValue* x, double s);
