// Creation and teardown of the function table.
#include "values/Model_Functions.h"

#include <new>

FunctionTable* Model_createFunctionTable() { return new (std::nothrow) FunctionTable{-1, -1}; }

void Model_freeFunctionTable(FunctionTable* table) { delete table; }
