// The rates found by root finding: RATE (the periodic rate of an annuity),
// IRR (the rate at which a series of periodic cash flows is worth nothing)
// and XIRR (the same for dated cash flows). The root finders work on plain
// numbers: they bracket from [guess - 0.1, guess + 0.1] (guess 0.1 unless
// given) and end with Brent's method; no bracket is "#num!", no convergence
// "#n/a". RATE (in its payment, present and future values), IRR and XIRR
// (in their cash flows) also take the point-derivative kinds: the root of
// their points with the exact first and second derivatives the implicit
// function gives, and are smooth there in the structure modes; sample
// vectors and interval kinds are refused ("Unsupported function",
// "#value!"), as are XIRR's dates of the point-derivative kinds.
#pragma once

#include "values/Val_Value.h"

// RATE(nper, pmt, pv, [fv], [type], [guess]).
Value* Wsf_rate(Value* result, int argc, const Value* const* argv);
// IRR(values, [guess]): values is a range or array holding a value of each
// sign (0 counts as either).
Value* Wsf_irr(Value* result, int argc, const Value* const* argv);
// XIRR(values, dates, [guess]): as many dates as values, none before the
// first; a negative value and one not negative.
Value* Wsf_xirr(Value* result, int argc, const Value* const* argv);
