// Cash flows and rate conversions: NPV, XNPV, MIRR and FVSCHEDULE discount
// or compound a series of cash flows, EFFECT and NOMINAL convert between a
// nominal and an effective annual rate, DOLLARDE and DOLLARFR between
// fractional and decimal prices. All but the last two compute with the
// generic operators, so their rates and cash flows may be of any
// evaluation-mode kind. Ranges are read row by row.
#pragma once

#include "values/Val_Value.h"

// NPV(rate, value1, ...): the sum of value_i / (1 + rate)^i. Numbers,
// booleans and errors of a range count, its blanks, booleans and texts do
// not; a blank cell or a text given on its own does not count either.
Value* Wsf_npv(Value* result, int argc, const Value* const* argv);
// XNPV(rate, values, dates): the values discounted from their dates to the
// first date at the annual rate (days / 365); the rate must be above 0.
Value* Wsf_xnpv(Value* result, const Value* rate, const Value* values, const Value* dates);
// MIRR(values, finance_rate, reinvest_rate): negative flows financed at one
// rate, the others reinvested at the other; "#div/0!" without two flows or
// without a negative one.
Value* Wsf_mirr(Value* result, const Value* values, const Value* financeRate, const Value* reinvestRate);
// FVSCHEDULE(principal, schedule): principal times (1 + rate) for each rate
// of the schedule (booleans and texts of a range left out).
Value* Wsf_fvschedule(Value* result, const Value* principal, const Value* schedule);
// EFFECT(nominal_rate, npery) and NOMINAL(effect_rate, npery): npery is
// truncated and must be at least 1, the rate above 0.
Value* Wsf_effect(Value* result, const Value* rate, const Value* npery);
Value* Wsf_nominal(Value* result, const Value* rate, const Value* npery);
// DOLLARDE(fractional_dollar, fraction) and DOLLARFR(decimal_dollar,
// fraction): the digits after the point read as a count of 1/fraction
// parts, and back.
Value* Wsf_dollarde(Value* result, const Value* dollar, const Value* fraction);
Value* Wsf_dollarfr(Value* result, const Value* dollar, const Value* fraction);
