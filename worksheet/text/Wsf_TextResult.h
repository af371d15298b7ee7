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
