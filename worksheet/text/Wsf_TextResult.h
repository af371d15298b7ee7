// What the text functions share: the text form of an argument and a text
// result. A text result stays a text even when it reads as a number (as the
// worksheet keeps "07"); where a number is wanted, the operators and the
// functions of numbers read it as one.
#pragma once

#include <string>

#include "values/Val_Value.h"

// The argument's text: a text as it is, "TRUE" or "FALSE", a number printed,
// the empty text for any other kind.
std::u16string Wsf_textOf(const Value* v);
// The result becomes the text.
Value* Wsf_textResult(Value* result, const std::u16string& text);
// A value of an evaluation mode (a decision variable's derivatives,
// interval, form or samples) among the arguments or their elements has no
// text: the function
// raises status 39 (the cell is the one being evaluated) and gives
// "#value!" instead of reading the empty text. True with the result formed.
// The structure modes are the hooks' and come before.
bool Wsf_refuseModes(Value* result, int argc, const Value* const* argv);
