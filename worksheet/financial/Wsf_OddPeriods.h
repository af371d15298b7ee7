// Bonds whose first or last coupon period is odd, shorter or longer than a
// regular one: ODDFPRICE and ODDLPRICE price them per 100 face value at a
// yield, value-wise in their money and rate arguments (every evaluation
// mode); ODDFYIELD (by Brent's method over ODDFPRICE's formula) and
// ODDLYIELD (in closed form) give the yield at a price, on plain numbers.
// Dates, frequency (1, 2 or 4) and basis (0 to 4, 0 when left out) are
// plain numbers truncated toward zero; quasi-coupon periods under the
// bases 2 and 3 have their actual lengths. Dates out of order (issue or
// last interest, settlement, first coupon, maturity), a negative rate or
// yield, a price or redemption not above 0 or a refused schedule are
// "#num!"; a boolean date, frequency or basis, or one of an evaluation
// mode, is "#value!" (in the yields any such argument).
#pragma once

#include "values/Val_Value.h"

// ODDFPRICE(settlement, maturity, issue, first_coupon, rate, yld,
// redemption, frequency[, basis]).
Value* Wsf_oddfprice(Value* result, int argc, const Value* const* argv);
// ODDFYIELD(settlement, maturity, issue, first_coupon, rate, pr,
// redemption, frequency[, basis]).
Value* Wsf_oddfyield(Value* result, int argc, const Value* const* argv);
// ODDLPRICE(settlement, maturity, last_interest, rate, yld, redemption,
// frequency[, basis]).
Value* Wsf_oddlprice(Value* result, int argc, const Value* const* argv);
// ODDLYIELD(settlement, maturity, last_interest, rate, pr, redemption,
// frequency[, basis]).
Value* Wsf_oddlyield(Value* result, int argc, const Value* const* argv);
