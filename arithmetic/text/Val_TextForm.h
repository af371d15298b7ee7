// The text form and the number form of a value, as the text functions and
// the concatenation operator use them. Both build their result in the
// context's result value and return a shallow copy of it.
#pragma once

struct EvalBuffers;
struct Value;

// "TRUE" or "FALSE" for a boolean (NaN is FALSE), a number as the
// worksheet writes it (Text_sheetNumber: 15 significant digits, "1E+15"),
// a copy of a text, and the empty text for any other kind.
Value Val_toText(const Value* value, EvalBuffers* buffers);
// A text that reads whole as a number (blanks around it allowed) becomes
// that number, integer-valued (kind 3) when it is a 32-bit integer, else
// real; the empty text is the integer 0; any other text stays as it is.
Value Val_toNumber(const Value* value, EvalBuffers* buffers);
