// What the text functions share: the text form of an argument and a text
// result, turned into a number when it reads whole as one.
#pragma once

#include <string>

#include "values/Val_Value.h"

// The argument's text: a text as it is, "TRUE" or "FALSE", a number printed,
// the empty text for any other kind.
std::u16string Wsf_textOf(const Value* v);
// The result becomes the text; with toNumber a text that reads whole as a
// number becomes that number (the empty text stays a text).
Value* Wsf_textResult(Value* result, const std::u16string& text, bool toNumber);
// A value of an evaluation mode (a decision variable's derivatives,
// interval, form or samples) among the arguments or their elements has no
// text: the function
// raises status 39 (the cell is the one being evaluated) and gives
// "#value!" instead of reading the empty text. True with the result formed.
// The structure modes are the hooks' and come before.
bool Wsf_refuseModes(Value* result, int argc, const Value* const* argv);
