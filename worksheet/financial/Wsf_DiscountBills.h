// Treasury bills: price, yield and bond-equivalent yield of a bill that
// matures within a year of its settlement, over the actual days between the
// two dates and a 360-day year. The dates are plain numbers truncated
// toward zero; the discount or price is computed value-wise, so it may be
// of any evaluation mode. A discount or price not above 0, dates out of
// order or more than a year apart are "#num!".
#pragma once

#include "values/Val_Value.h"

Value* Wsf_tbilleq(Value* result, const Value* settlement, const Value* maturity, const Value* discount);
Value* Wsf_tbillprice(Value* result, const Value* settlement, const Value* maturity, const Value* discount);
Value* Wsf_tbillyield(Value* result, const Value* settlement, const Value* maturity, const Value* pr);
