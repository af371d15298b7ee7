// The interest a security has accrued: ACCRINT over the coupon periods from
// the issue to the settlement, ACCRINTM over the days from the issue to the
// maturity of a security that pays at maturity. Dates, frequency and basis
// are plain numbers truncated toward zero; the rate and the par value are
// computed value-wise, so they may be of any evaluation mode. A par left
// empty is 1000.
#pragma once

#include "values/Val_Value.h"

// ACCRINT(issue, first_interest, settlement, rate, par, frequency[, basis]).
Value* Wsf_accrint(Value* result, int argc, const Value* const* argv);
// ACCRINTM(issue, settlement, rate[, par][, basis]).
Value* Wsf_accrintm(Value* result, int argc, const Value* const* argv);
