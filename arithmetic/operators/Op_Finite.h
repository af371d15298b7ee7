// Results of the evaluation modes that leave the doubles. The value mode
// makes such a number "#num!", an error value a formula may test (ISERROR,
// IF), marked as an overflow. The point kinds of the other modes give the
// same error where their value leaves the doubles, so every mode sees the
// function the value mode sees: a value with derivatives or a reverse tape
// node becomes that "#num!", and a sample vector's trial holds NaN, as every
// trial whose evaluation gave an error value does. The interval kinds keep
// their enclosures: an infinite end still bounds every value over the box,
// and an error value would also stand for the box's points where the value
// is finite.
#pragma once

#include "values/Val_Value.h"

// v holds a family's result just made. A value of kinds 6 to 8 that is
// infinite becomes "#num!" marked as an overflow, one that is NaN plain
// "#num!"; a sample vector's infinite trials become NaN. Other kinds are
// left as they are. Returns v.
Value* Op_finiteResult(Value* v);

// The value part of a point kind with derivatives (a value with
// derivatives, a reverse tape node, a value with second derivatives), or
// null for other kinds.
const double* Op_pointValue(const Value& v);
