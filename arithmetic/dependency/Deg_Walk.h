// What the two structure modes share: the walk over an argument's values
// that depend on a decision variable.
#pragma once

#include <cstdint>

#include "interpreter/Val_Value.h"

// Calls f on the argument when it has the kind, or on each element of that
// kind of an array argument, row by row.
template <class F>
void Deg_forEachOfKind(const Value* argument, int32_t kind, F f) {
  if (argument->kind == kind) {
    f(argument);
    return;
  }
  if (argument->kind != kValArray || !argument->array) return;
  for (int32_t r = 0; r < argument->array->rows; ++r)
    for (int32_t c = 0; c < argument->array->columns; ++c) {
      const Value* element = Val_at(argument, r, c);
      if (element->kind == kind) f(element);
    }
}
