// Securities that pay no periodic coupon: the discounted securities (DISC,
// INTRATE, PRICEDISC, RECEIVED, YIELDDISC) and those that pay their
// interest at maturity (PRICEMAT, YIELDMAT). Time between two dates is the
// day count over the year length of the basis (0 to 4, 0 when left out).
// Dates and basis are plain numbers truncated toward zero; money and rates
// are computed value-wise, so they may be of any evaluation mode. A money
// or rate argument out of range, dates out of order or a refused day count
// are "#num!"; a boolean date or basis, or one of an evaluation mode,
// "#value!".
#pragma once

#include "values/Val_Value.h"

// DISC(settlement, maturity, pr, redemption[, basis]): the discount rate.
Value* Wsf_disc(Value* result, int argc, const Value* const* argv);
// INTRATE(settlement, maturity, investment, redemption[, basis]), also
// YIELDDISC(settlement, maturity, pr, redemption[, basis]): the growth from
// the third argument to the redemption per year.
Value* Wsf_intrate(Value* result, int argc, const Value* const* argv);
// PRICEDISC(settlement, maturity, discount, redemption[, basis]).
Value* Wsf_pricedisc(Value* result, int argc, const Value* const* argv);
// RECEIVED(settlement, maturity, investment, discount[, basis]).
Value* Wsf_received(Value* result, int argc, const Value* const* argv);
// PRICEMAT(settlement, maturity, issue, rate, yld[, basis]): the price per
// 100 of a security issued at the rate that pays its interest at maturity.
Value* Wsf_pricemat(Value* result, int argc, const Value* const* argv);
// YIELDMAT(settlement, maturity, issue, rate, pr[, basis]).
Value* Wsf_yieldmat(Value* result, int argc, const Value* const* argv);
