// The remaining mathematical function of this library: ROMAN. RAND and
// RANDBETWEEN belong to the simulation library.
#pragma once

#include "values/Val_Value.h"

// ROMAN(number[, form]): number 0 to 3999, form 0 (classic) to 4 (most
// concise), TRUE as 0 and FALSE as 4; "#value!" outside those.
Value* Wsf_roman(Value* result, int argc, const Value* const* argv);
