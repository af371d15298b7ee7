// Argument rules shared by the worksheet functions: the plain kinds, error
// results and passing an error argument on. Every function writes its answer
// into the result slot the caller gives and returns that slot; the caller
// owns the slot and clears it.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"
#include "values/Vm_Status.h"

// Empty, missing, boolean, integer-valued or real: the value is its number.
inline bool Wsf_isPlain(const Value* v) { return v->kind >= kValEmpty && v->kind <= kValReal; }
inline bool Wsf_isError(const Value* v) { return v->kind == kValError; }
// The result becomes the worksheet error of the code.
Value* Wsf_error(Value* result, uint32_t code);
// The result becomes a copy of v (deep).
Value* Wsf_copy(Value* result, const Value* v);
// A real, or "#num!" when x is not finite.
Value* Wsf_finite(Value* result, double x);
