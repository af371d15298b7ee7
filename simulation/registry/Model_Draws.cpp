// The model's accessors of the registry's per-trial rows and its
// distribution hook.
#include "simulation/registry/Model_Draws.h"

#include "simulation/registry/CellReg_Registry.h"

const std::vector<std::vector<double>>* Model_getSampleTable(const VariableTable* table) {
  return table && table->registry ? &table->registry->trialRows : nullptr;
}

const double* Model_getDistributionSamples(const VariableTable* table, int32_t k) {
  return table ? CellReg_trialRow(table->registry.get(), k) : nullptr;
}

bool Model_stubFalse(int32_t /*code*/, double /*p1*/, double /*p2*/, double /*p3*/, double /*p4*/, double /*p5*/,
                     double /*p6*/, double /*p7*/, double /*p8*/, double /*p9*/, double /*p10*/) {
  return false;
}
