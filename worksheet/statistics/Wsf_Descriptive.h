// Descriptive statistics AVEDEV to LOGEST: averages, counts, deviations,
// moments, correlation, FREQUENCY, LARGE and the regression functions.
// The averages, deviations, moments and correlations compute with the
// generic operators, so they hold in every evaluation mode (a sample vector
// gives a sample vector, or with the context's aggregation a lone sample
// vector reduces over its trials); an error among the counted values
// becomes the result. FREQUENCY, LARGE, LINEST, LOGEST and GROWTH take
// plain numbers.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_avedev(Value* result, int argc, const Value* const* argv);
Value* Wsf_average(Value* result, int argc, const Value* const* argv);
Value* Wsf_averagea(Value* result, int argc, const Value* const* argv);
Value* Wsf_correl(Value* result, const Value* a, const Value* b);
Value* Wsf_count(Value* result, int argc, const Value* const* argv);
Value* Wsf_counta(Value* result, int argc, const Value* const* argv);
Value* Wsf_covar(Value* result, const Value* a, const Value* b);
Value* Wsf_devsq(Value* result, int argc, const Value* const* argv);
Value* Wsf_forecast(Value* result, const Value* x, const Value* knownY, const Value* knownX);
// In the dependency-vector pass with trials, an array argument that depends
// on the variables makes the function's structure differ from trial to
// trial (which values are counted, or compared, varies): FREQUENCY and
// FTEST clear the current function's fixedStructure flag through it.
void Wsf_arraysVaryStructure(Value* result, const Value* a, const Value* b);
Value* Wsf_frequency(Value* result, const Value* data, const Value* bins);
// Any value at or below 0 gives "#num!"; so does a fault raised while the
// product or its root is formed.
Value* Wsf_geomean(Value* result, int argc, const Value* const* argv);
Value* Wsf_growth(Value* result, int argc, const Value* const* argv);
// Any value at or below 0 gives "#num!".
Value* Wsf_harmean(Value* result, int argc, const Value* const* argv);
Value* Wsf_intercept(Value* result, const Value* knownY, const Value* knownX);
Value* Wsf_kurt(Value* result, int argc, const Value* const* argv);
Value* Wsf_linest(Value* result, int argc, const Value* const* argv);
Value* Wsf_logest(Value* result, int argc, const Value* const* argv);
