// Sizes, structure counts, added variables and functions, evaluations after
// a change of some variables or with a cut-off, and dependency classes of a
// loaded model.
#include "interpreter/Eval_Queries.h"

#include <cmath>

#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Model_Structure.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

// The structure count behind each structure query (counts 1, 2, 5, 6, 10,
// 11, 12 of the diagnosis).
int32_t countOf(int32_t what) {
  switch (what) {
    case kEvalQueryLinearVariables: return 0;
    case kEvalQueryLinearFunctions: return 1;
    case kEvalQuerySmoothVariables: return 4;
    case kEvalQuerySmoothFunctions: return 5;
    case kEvalQueryConstraintDependencies: return 9;
    case kEvalQueryObjectiveDependencies: return 10;
    default: return 11;
  }
}

bool isObjective(const ModelItem* item) { return item->relation == kRelMinimise || item->relation == kRelMaximise; }

const ModelItem* itemAt(const EvalTables& tables, int32_t i) { return tables.functions->array[static_cast<size_t>(i)]; }

int32_t functionCount(const EvalTables& tables) { return static_cast<int32_t>(tables.functions->array.size()); }
int32_t variableCount(const EvalTables& tables) { return Model_variableCount(tables.variables); }

}  // namespace

bool Eval_diagnosed(const EvalTables& tables) {
  return tables.structure && tables.structure->functionClassArrays && tables.structure->dependencyCounts;
}

int32_t Eval_query(const EvalFlags& flags, const EvalTables& tables, int32_t what) {
  switch (what) {
    case kEvalQueryVariables: return variableCount(tables);
    case kEvalQueryFunctions: return functionCount(tables);
    case kEvalQueryIntegers: {
      int32_t count = 0;
      for (const VarRecord& v : tables.variables->records) count += v.type == kVarBinary || v.type == kVarInteger;
      return count;
    }
    case kEvalQueryClassCode:
      return Eval_diagnosed(tables) ? (flags.compactDerivatives == 1 ? 4 : 2) : (flags.compactDerivatives == 1 ? 3 : 1);
    default: break;
  }
  if (what < kEvalQueryLinearVariables || what > kEvalQueryModelLevel || !Eval_diagnosed(tables)) return 0;
  return tables.structure->counts[countOf(what)];
}

bool Eval_curvatureClasses(const EvalTables& tables, int32_t* classes) {
  if (!Eval_diagnosed(tables) || !tables.structure->convexity) return false;
  for (int32_t i = 0; i < tables.structure->functionCount; ++i) classes[i] = tables.structure->convexity[i];
  return true;
}

void Eval_addedBounds(const EvalTables& tables, int32_t firstVariable, int32_t firstFunction, double* lower,
                      double* upper, double* rowLower, double* rowUpper, double minusInfinity, double plusInfinity) {
  const auto clip = [&](double b) { return std::isinf(b) ? (b < 0 ? minusInfinity : plusInfinity) : b; };
  const std::vector<VarRecord>& vars = tables.variables->records;
  for (size_t j = static_cast<size_t>(std::max(firstVariable, 0)); j < vars.size(); ++j) {
    const bool binary = vars[j].type == kVarBinary;
    lower[j] = binary ? 0.0 : clip(vars[j].bounds.lo);
    upper[j] = binary ? 1.0 : clip(vars[j].bounds.hi);
  }
  for (int32_t i = std::max(firstFunction, 0); i < functionCount(tables); ++i) {
    const ModelItem* item = itemAt(tables, i);
    switch (item->relation) {
      case kRelEqual: rowLower[i] = rowUpper[i] = item->rhs; break;
      case kRelLessEqual:
      case kRelLessEqual2: rowLower[i] = minusInfinity, rowUpper[i] = item->rhs; break;
      case kRelGreaterEqual:
      case kRelGreaterEqual2:
      case kRelCone:
      case kRelRotatedCone: rowLower[i] = item->rhs, rowUpper[i] = plusInfinity; break;
      default: rowLower[i] = minusInfinity, rowUpper[i] = plusInfinity;
    }
  }
}

void Eval_addedTypes(const EvalTables& tables, int32_t firstVariable, int32_t* types) {
  const std::vector<VarRecord>& vars = tables.variables->records;
  for (size_t j = static_cast<size_t>(std::max(firstVariable, 0)); j < vars.size(); ++j)
    types[j] = vars[j].type == kVarBinary ? 2 : vars[j].type == kVarInteger ? 1 : 0;
}

void Eval_addedValues(const EvalTables& tables, int32_t firstVariable, double* x) {
  const std::vector<VarRecord>& vars = tables.variables->records;
  for (size_t j = static_cast<size_t>(std::max(firstVariable, 0)); j < vars.size(); ++j) x[j] = vars[j].value.lo;
}

bool Eval_setVariable(const EvalTables& tables, int32_t j, double x) {
  VarRecord* v = Model_getVariable(tables.variables, j + 1);
  if (!v) return false;
  v->value = Interval{x, x};
  return true;
}

int32_t Eval_valuesNow(const EvalTables& tables, double* f) {
  const int32_t m = functionCount(tables), objective = Eval_objectiveIndex(tables.functions);
  int32_t slot = 0;
  for (int32_t i = 0; i < m; ++i) {
    double* out = i == objective ? &f[m - 1] : &f[slot++];
    if (!Eval_evalReal(tables.program, i, i == 0, out, false)) return i;
  }
  return -1;
}

int32_t Eval_valuesWithCutoff(const EvalTables& tables, double* f, const double* x, double bound,
                              const int32_t* order, double tol) {
  Eval_setPoint(tables, x);
  const int32_t m = functionCount(tables), objective = Eval_objectiveIndex(tables.functions);
  const int32_t first = order ? order[0] : objective;
  if (first < 0 || first >= m) return 0;
  for (int32_t k = -1; k < m; ++k) {
    const int32_t i = k < 0 ? first : order ? order[k] : k;
    if ((k >= 0 && i == first) || i < 0 || i >= m) continue;
    if (!Eval_evalReal(tables.program, i, k < 0, &f[i], false)) return -1 - i;
    const ModelItem* item = itemAt(tables, i);
    const double v = f[i], d = v - item->rhs;
    if (item->relation == kRelMinimise && v > bound) return 0;
    if (item->relation == kRelMaximise && v < bound) return 0;
    if (!order || isObjective(item)) continue;
    const int32_t r = item->relation;
    if (r == kRelEqual && std::fabs(d) > tol) return 0;
    if ((r == kRelLessEqual || r == kRelLessEqual2) && d > tol) return 0;
    if ((r == kRelGreaterEqual || r == kRelGreaterEqual2) && d < -tol) return 0;
  }
  return 1;
}

int32_t Eval_dependencyClass(const EvalTables& tables, int32_t i, int32_t j) {
  if (!Eval_diagnosed(tables) || i < 0 || i >= tables.structure->functionCount) return 0;
  const uint8_t* classes = tables.structure->functionClassArrays[i];
  const int32_t* index = tables.structure->functionIndexArrays ? tables.structure->functionIndexArrays[i] : nullptr;
  if (!classes) return 0;
  if (!index) return j >= 0 && j < variableCount(tables) ? classes[j] : 0;
  for (int32_t k = 0; k < tables.structure->dependencyCounts[i]; ++k)
    if (index[k] == j) return classes[k];
  return 0;
}

bool Eval_forEachDependency(const EvalTables& tables, int32_t flags, EvalDependencyVisit visit, void* user) {
  if (!Eval_diagnosed(tables)) return false;
  const int32_t m = std::min(functionCount(tables), tables.structure->functionCount);
  const int32_t n = variableCount(tables), objective = Eval_objectiveIndex(tables.functions);
  for (int32_t i = 0; i < m; ++i) {
    if (i == objective && !(flags & kDepIncludeObjective)) continue;
    for (int32_t j = 0; j < n; ++j) {
      const int32_t c = Eval_dependencyClass(tables, i, j);
      if (c <= 0) continue;
      const int32_t flag = c == 1   ? 1
                           : c == 2 ? ((flags & kDepQuadraticApart) ? 2 : 4)
                           : c == 3 ? 4
                           : c == 4 ? 8
                                    : 0x80;
      if (!visit(user, i, j, flag)) return false;
    }
  }
  return true;
}
