// Least-squares fitting behind LINEST and LOGEST, TREND and GROWTH, on
// plain numbers: the normal equations of the design matrix solved by
// Gauss-Jordan elimination. "#value!" for a non-numeric argument, "#num!"
// for disagreeing shapes, too few observations, a non-positive y of the
// logarithmic forms or a singular normal matrix.
#pragma once

#include "values/Val_Value.h"

// LINEST (logarithmic false) or LOGEST: (known_y, [known_x], [const], [stats]).
Value* Stat_fitLinest(Value* result, int argc, const Value* const* argv, bool logarithmic);
// TREND (logarithmic false) or GROWTH: (known_y, [known_x], [new_x], [const]).
Value* Stat_fitTrend(Value* result, int argc, const Value* const* argv, bool logarithmic);
// TREND as a worksheet function.
Value* Wsf_trend(Value* result, int argc, const Value* const* argv);
