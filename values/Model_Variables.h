// The decision variables and sampled inputs as the value record reads them:
// each variable's current value and bounds as intervals (a point for real
// evaluation), and per sampled input its row of per-trial samples.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "values/Ivl_Interval.h"
#include "values/Model_Refs.h"

enum VarType : int32_t {
  kVarBinary = 2,
  kVarInteger = 3,
  kVarContinuous = 4,
};

struct VarRecord {
  int32_t type;     // VarType
  Interval value;   // current value; a point in the real modes
  Interval bounds;  // IEEE infinities when unbounded
  int32_t link;     // source of a generated variable, 0 otherwise
};

struct CellRegistry;
// The registry of the model's uncertain cells, made by the simulation library
// with the routine that frees it.
using CellRegistryOwner = std::unique_ptr<CellRegistry, void (*)(CellRegistry*)>;

struct VariableTable {
  std::vector<RangeRef> ranges;                // variable ranges in the order added
  int32_t extraCount = 0;                      // generated variables outside every range
  std::vector<VarRecord> records;              // variable j at index j - 1
  std::vector<std::vector<double>> inputSamples;  // sampled input k at k - 1: samples 1..n at 0..n-1
  CellRegistryOwner registry{nullptr, nullptr};   // set by the model loader, freed with the table
};

int32_t Model_variableCount(const VariableTable* table);
// Variable j (1-based), or null outside 1..count.
VarRecord* Model_getVariable(VariableTable* table, int32_t j);
// The samples of sampled input k (1-based): trial t at index t - 1; null when
// the table holds none for k.
const std::vector<double>* Model_getInputSamples(const VariableTable* table, int32_t k);

// An empty table, or null when memory runs out.
VariableTable* Model_createVariableTable();
// Frees the table and its rows; null-safe.
void Model_freeVariableTable(VariableTable* table);
