// Argument rules shared by the lookup and reference functions: the key
// kinds and the element a lookup answers with.
#pragma once

#include "values/Val_Value.h"

// A search key: empty, missing, boolean, number or text.
inline bool Lkp_isKey(const Value* v) { return v->kind <= kValReal || v->kind == kValText; }
// The chosen element as the result: texts, errors, logicals and kind 17 as
// they are, a range as the reference it is; anything else plus 0, so that an
// empty cell answers as a number and a value of an evaluation mode keeps its
// own derivative.
Value* Lkp_pick(Value* result, const Value* element);
