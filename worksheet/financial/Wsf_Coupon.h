// The functions of a bond that pays a regular coupon: the coupon-schedule
// queries COUPDAYBS to COUPPCD, PRICE, its inverse YIELD, DURATION and
// MDURATION. Dates, frequency (1, 2 or 4) and basis (0 to 4, 0 when left
// out) are plain numbers truncated toward zero; PRICE, DURATION and
// MDURATION compute value-wise in their money and rate arguments, so they
// work in every evaluation mode, while the queries and YIELD take plain
// numbers only. A settlement not before the maturity, a refused schedule or
// a rate out of range is "#num!"; a boolean date, frequency or basis, or
// one of an evaluation mode, is "#value!".
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// The schedule query of the selector: 1 days from the previous coupon to
// the settlement, 2 days of the coupon period, 3 days to the next coupon,
// 4 the next coupon date, 5 the coupons left, 6 the previous coupon date.
Value* Wsf_coupdaybs(Value* result, int argc, const Value* const* argv, int32_t selector);
// PRICE(settlement, maturity, rate, yld, redemption, frequency[, basis]):
// the price per 100 face value, each payment discounted at the yield.
Value* Wsf_price(Value* result, int argc, const Value* const* argv);
// YIELD(settlement, maturity, rate, pr, redemption, frequency[, basis]):
// the yield at which PRICE gives pr.
Value* Wsf_yield(Value* result, int argc, const Value* const* argv);
// DURATION(settlement, maturity, coupon, yld, frequency[, basis]): the
// Macaulay duration in years of a bond redeemed at 100.
Value* Wsf_duration(Value* result, int argc, const Value* const* argv);
// MDURATION: the duration divided by 1 + yld / frequency.
Value* Wsf_mduration(Value* result, int argc, const Value* const* argv);
