// Numbers as the library's report tables and check messages print them:
// fixed point with six truncated decimals, and the infinities of the model
// (anything past 4e9) as words.
#pragma once

#include <string>

// "-INFTY" below -4e9, "+INFTY" above 4e9, "NaN" for NaN, else the sign, the
// integer part and six truncated decimals ("-0.000001" for -0.0000019).
std::string Dbl_fixedText(double v);
