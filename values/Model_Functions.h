// The model's function table as the tapes of the evaluation modes see it: the
// node capacities that the memory pass records. Both are -1 until that pass
// has run, and every tape preparation refuses to start before it.
#pragma once

#include <cstdint>

struct FunctionTable {
  int32_t maxCellTape;      // most operations of one side of one function
  int32_t maxFunctionTape;  // most of both sides of one function, plus one
};

// A table with both capacities -1; null when memory runs out.
FunctionTable* Model_createFunctionTable();
// Frees the table; null-safe.
void Model_freeFunctionTable(FunctionTable* table);
