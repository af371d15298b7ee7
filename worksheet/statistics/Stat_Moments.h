// Moments of sequences of values through the generic operators, so that the
// statistics built on them (the variance family, SKEW, PEARSON, RSQ, SLOPE,
// STEYX) hold in every evaluation mode: a sequence of gradient values gives
// a gradient, of intervals an interval, of sample vectors a sample vector.
// Deviations are taken about the mean, which keeps sums of squares free of
// cancellation.
#pragma once

#include <vector>

#include "values/Val_Value.h"

using StatValues = std::vector<const Value*>;

// The mean of x (at least one value) into result.
Value* Stat_valMean(Value* result, const StatValues& x, EvalContext* ctx);
// The sum of (x_i - mx)(y_i - my) over the paired sequences into result; x
// may be y, for a sum of squared deviations.
Value* Stat_valCoDeviation(Value* result, const StatValues& x, const Value& mx, const StatValues& y,
                           const Value& my, EvalContext* ctx);
