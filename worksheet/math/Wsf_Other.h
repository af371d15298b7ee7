// The remaining mathematical functions: RAND and RANDBETWEEN, which draw
// from the evaluation context's generator one number per trial (a sample
// vector when the context runs two or more trials), and ROMAN.
#pragma once

#include "values/Val_Value.h"

// The context is the result's.
Value* Wsf_rand(Value* result);
// A whole number from bottom to top; a sample-vector bound gives trial i its
// sample i. "#num!" for bounds that are neither numbers nor sample vectors,
// or with no whole number between them.
Value* Wsf_randbetween(Value* result, const Value* bottom, const Value* top);
// ROMAN(number[, form]): number 0 to 3999, form 0 (classic) to 4 (most
// concise), TRUE as 0 and FALSE as 4; "#value!" outside those.
Value* Wsf_roman(Value* result, int argc, const Value* const* argv);
