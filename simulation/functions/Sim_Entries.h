// The worksheet functions of the simulation library by function id, in one
// calling form, for the interpreter's dispatcher: the result slot, the
// argument count and the arguments as evaluated, and the cell being
// evaluated with its sampled-input number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "values/Model_Refs.h"
#include "values/Val_Value.h"

struct SimCall {
  const CellRef* cell;  // may be null
  int32_t number;       // the cell's sampled-input number, 0 when it has none
  // The formula's area: the cell, or the block of an array formula; null
  // when unknown.
  const RangeRef* area = nullptr;
};

using SimEntry = Value* (*)(Value* result, int argc, const Value* const* argv, const SimCall* call);

// The implementation of a function id; null when this library has none.
SimEntry Sim_entry(int32_t id);

// A row of a family's table of functions: the id and its implementation.
struct SimMember {
  int32_t id;
  SimEntry entry;
};

// The row of a family's table that has the id; null when none has.
template <typename Row, size_t N>
const Row* Sim_rowOf(const Row (&rows)[N], int32_t id) {
  for (const Row& row : rows)
    if (row.id == id) return &row;
  return nullptr;
}
