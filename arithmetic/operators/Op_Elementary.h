// The elementary functions of the formula language over the kinds of the
// evaluation modes: each kind 5 to 16 goes to its own family's member, the
// result lands in the context's result value and a copy comes back, as with
// the generic operators. Plain numbers, errors, texts and arrays are the
// caller's to decide (the worksheet functions give them their own rules);
// here they, and kind 17, give "#value!".
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"
#include "values/Val_Value.h"

// op is one of the unary tape codes kOpAbs to kOpTanh (not max, min or
// power). Kinds 5 to 14: the family member ("#num!" where the value leaves
// the doubles, as Op_finiteResult has it). Kinds 15 and 16: a smooth
// nonlinear function of x (a square keeps a linear dependency quadratic).
Value Op_elementary(int32_t op, const Value& x);
// True for the kinds that Op_elementary computes on.
bool Op_isModeKind(int32_t kind);
// The larger or smaller of two values of one family (kinds 5 to 14), or of
// one such value and a plain number (kinds 0 to 4), by the family's member.
Value Op_max(const Value& x, const Value& y);
Value Op_min(const Value& x, const Value& y);
// x to an integer power: the interval kinds (9 to 14) by their integer
// power, which negative bases allow; kinds 5 to 8 and 15 by the real power
// ("#num!" beyond the doubles, as above); kind 16 a square or a smooth
// nonlinear function.
Value Op_powVI(const Value& x, int32_t n);
// The interval a value of kinds 9 to 14 stands for (an affine form's range);
// false for other kinds.
bool Op_intervalOf(const Value& x, Interval* out);
