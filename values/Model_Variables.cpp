// Access to the decision variables and sampled inputs.
#include "values/Model_Variables.h"

#include <cstddef>
#include <new>

int32_t Model_variableCount(const VariableTable* table) {
  return table ? static_cast<int32_t>(table->records.size()) : 0;
}

VarRecord* Model_getVariable(VariableTable* table, int32_t j) {
  if (!table || j < 1 || j > Model_variableCount(table)) return nullptr;
  return &table->records[static_cast<std::size_t>(j) - 1];
}

const std::vector<double>* Model_getInputSamples(const VariableTable* table, int32_t k) {
  if (!table || k < 1 || k > static_cast<int32_t>(table->inputSamples.size())) return nullptr;
  const std::vector<double>& row = table->inputSamples[static_cast<std::size_t>(k) - 1];
  return row.empty() ? nullptr : &row;
}

VariableTable* Model_createVariableTable() { return new (std::nothrow) VariableTable(); }

void Model_freeVariableTable(VariableTable* table) { delete table; }
