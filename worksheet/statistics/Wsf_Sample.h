// Sample statistics: extremes, order statistics, ranks, the variance and
// standard-deviation families, skewness and the paired measures PEARSON,
// RSQ, SLOPE and STEYX. Ranges are gathered by the argument collectors;
// errors among the arguments pass on. The extremes, the variance family,
// SKEW and the paired measures work in every evaluation mode (with the
// context's aggregation, a lone sample vector reduces over its trials);
// the others take plain numbers only.
#pragma once

#include "values/Val_Value.h"

// MAX and MIN of the numbers among the arguments; 0 when there are none.
// Over the evaluation modes the start value 1.7e308 (negated for MAX) takes
// part in the first comparison.
Value* Wsf_max(Value* result, int argc, const Value* const* argv);
Value* Wsf_min(Value* result, int argc, const Value* const* argv);
// As MAX and MIN, counting booleans by their number and texts in ranges as 0.
Value* Wsf_maxa(Value* result, int argc, const Value* const* argv);
Value* Wsf_mina(Value* result, int argc, const Value* const* argv);
Value* Wsf_median(Value* result, int argc, const Value* const* argv);
Value* Wsf_mode(Value* result, int argc, const Value* const* argv);
Value* Wsf_percentile(Value* result, const Value* array, const Value* k);
Value* Wsf_percentrank(Value* result, int argc, const Value* const* argv);
Value* Wsf_quartile(Value* result, const Value* array, const Value* quart);
Value* Wsf_rank(Value* result, int argc, const Value* const* argv);
// The k-th largest and smallest values; an array of ks gives the array of
// their answers, the values sorted once for all of them.
Value* Wsf_large(Value* result, const Value* array, const Value* k);
Value* Wsf_small(Value* result, const Value* array, const Value* k);
Value* Wsf_trimmean(Value* result, const Value* array, const Value* percent);
Value* Wsf_var(Value* result, int argc, const Value* const* argv);
Value* Wsf_vara(Value* result, int argc, const Value* const* argv);
Value* Wsf_varp(Value* result, int argc, const Value* const* argv);
Value* Wsf_varpa(Value* result, int argc, const Value* const* argv);
Value* Wsf_stdev(Value* result, int argc, const Value* const* argv);
Value* Wsf_stdeva(Value* result, int argc, const Value* const* argv);
Value* Wsf_stdevp(Value* result, int argc, const Value* const* argv);
Value* Wsf_stdevpa(Value* result, int argc, const Value* const* argv);
Value* Wsf_skew(Value* result, int argc, const Value* const* argv);
Value* Wsf_pearson(Value* result, const Value* a, const Value* b);
Value* Wsf_rsq(Value* result, const Value* knownY, const Value* knownX);
Value* Wsf_slope(Value* result, const Value* knownY, const Value* knownX);
Value* Wsf_steyx(Value* result, const Value* knownY, const Value* knownX);
