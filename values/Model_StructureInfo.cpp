// The structure record and the scaling check of additions.
#include "values/Model_StructureInfo.h"

#include <cmath>
#include <cstdlib>

#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

StructureInfo* Model_createStructure(EvalErrors* errors) {
  auto* s = static_cast<StructureInfo*>(std::calloc(1, sizeof(StructureInfo)));
  if (!s) return nullptr;
  s->errors = errors;
  s->scalingThreshold = kScalingThreshold;
  return s;
}

// Frees n per-function arrays and the table holding them.
template <class T>
static void freeTable(T** table, int32_t n) {
  for (int32_t i = 0; table && i < n; ++i) std::free(table[i]);
  std::free(table);
}

void Model_freeStructure(StructureInfo* s) {
  if (!s) return;
  std::free(s->variableClasses);
  std::free(s->functionClasses);
  freeTable(s->functionClassArrays, s->functionCount);
  freeTable(s->functionIndexArrays, s->functionCount);
  std::free(s->dependencyCounts);
  std::free(s->convexity);
  List_removeAll(&s->scalingList);
  std::free(s);
}

static int binaryExponent(double x) {
  int e = 0;
  if (x != 0.0 && std::isfinite(x)) std::frexp(x, &e);
  return e;
}

void Model_checkScaling(StructureInfo* s, double a, double b, CellRef cell) {
  if (std::abs(binaryExponent(a) - binaryExponent(b)) <= s->scalingThreshold) return;
  Vm_warn(s->errors, kWarnScaling, 0);
  auto* copy = static_cast<CellRef*>(std::malloc(sizeof(CellRef)));
  if (!copy) return;
  *copy = cell;
  if (!List_append(&s->scalingList, copy)) std::free(copy);
}

void Model_clearScalingCells(StructureInfo* s) { List_removeAll(&s->scalingList); }

void Model_clearScalingList(EvalFlags* flags, StructureInfo* s) {
  flags->scalingCheck = 0;
  if (s) Model_clearScalingCells(s);
}
