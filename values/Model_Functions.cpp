// Creation and teardown of the function table.
#include "values/Model_Functions.h"

#include <new>

FunctionTable* Model_createFunctionTable() { return new (std::nothrow) FunctionTable(); }

void Model_freeFunctionTable(FunctionTable* table) {
  if (!table) return;
  for (ModelItem* item : table->items) delete item;
  for (ModelItem* item : table->pending) delete item;
  delete table;
}
