// Model diagnosis: dependency classes per function and variable, their
// storage (sparse or dense), the structure counts and level, example cells,
// and the convexity stage.
#include "interpreter/Eval_Diagnosis.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "arithmetic/dependency/DegVec_Ops.h"
#include "contract/Bound_Infinity.h"
#include "interpreter/BigM_Builder.h"
#include "interpreter/Cvx_Tester.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/DegVec_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kConvexityUnknown = kCurvUnknown + 1;

// The worksheet cell of model variable j (sheet 0 for a generated one).
CellRef variableCell(const VariableTable* t, int32_t j) {
  int32_t base = 0;
  for (const RangeRef& r : t->ranges) {
    const int32_t area = Model_rangeArea(r);
    if (j <= base + area) {
      const int32_t k = j - base - 1, columns = r.lastColumn - r.firstColumn + 1;
      return CellRef{r.sheet, static_cast<uint16_t>(r.firstRow + k / columns),
                     static_cast<uint8_t>(r.firstColumn + k % columns)};
    }
    base += area;
  }
  return CellRef{0, 0, 0};
}

std::string addressOf(const CellRef& c) {
  if (c.sheet == 0) return "";
  std::string text;
  for (char16_t ch : Model_rangeText(RangeRef{c.sheet, c.row, c.column, c.row, c.column}))
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

// "(ABS in B9)": the construct a linearisation row stands for and its cell.
std::string addedRowText(const EvalTables& tables, int32_t k) {
  const BigMNote* note = tables.reader ? BigM_noteOf(tables.reader->bigM, k) : nullptr;
  return note ? "(" + std::string(BigM_constructName(note->construct)) + " in " + addressOf(note->cell) + ")" : "";
}

// Whether class c of a pair exceeds the declared model type.
bool exceedsDeclared(int32_t declared, int32_t c, bool objective) {
  switch (declared) {
    case 1: return c > 1;
    case 2: return c > (objective ? 2 : 1);
    case 4: return c > 3;
    case 5: return c > 4;
    default: return false;
  }
}

template <class T>
T* allocate(size_t count) {
  return static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)));
}

// Per-function class arrays of the structure record, sparse when the
// function depends on fewer than a fifth of the variables.
bool storeClasses(StructureInfo* s, int32_t i, const std::vector<int32_t>& classes, const std::vector<int32_t>& deps,
                  int32_t nx) {
  const auto nDep = static_cast<int32_t>(deps.size());
  s->dependencyCounts[i] = nDep;
  if (nDep == 0) return true;
  const bool sparse = nDep < nx / 5;
  const int32_t stored = sparse ? nDep : nx;
  s->functionClassArrays[i] = allocate<uint8_t>(static_cast<size_t>(stored));
  if (!s->functionClassArrays[i]) return false;
  if (!sparse) {
    for (int32_t j = 1; j <= nx; ++j) s->functionClassArrays[i][j - 1] = static_cast<uint8_t>(classes[static_cast<size_t>(j)]);
    return true;
  }
  s->functionIndexArrays[i] = allocate<int32_t>(static_cast<size_t>(nDep));
  if (!s->functionIndexArrays[i]) return false;
  for (int32_t k = 0; k < nDep; ++k) {
    const int32_t j = deps[static_cast<size_t>(k)];
    s->functionIndexArrays[i][k] = j - 1;
    s->functionClassArrays[i][k] = static_cast<uint8_t>(classes[static_cast<size_t>(j)]);
  }
  return true;
}

// The stored (variable, class) pairs of function i.
template <class Visit>
void forEachPair(const StructureInfo* s, int32_t i, int32_t nx, Visit visit) {
  const int32_t nDep = s->dependencyCounts[i];
  if (nDep == 0) return;
  if (s->functionIndexArrays[i]) {
    for (int32_t k = 0; k < nDep; ++k) visit(s->functionIndexArrays[i][k] + 1, s->functionClassArrays[i][k]);
  } else {
    for (int32_t j = 1; j <= nx; ++j) visit(j, s->functionClassArrays[i][j - 1]);
  }
}

// Whether a function's curvature class fits a convex model (1), refutes it
// (-1) or neither (0): an upper limit needs a convex function, a lower limit
// a concave one, a minimised objective convex, a maximised one concave.
int32_t convexitySupport(int32_t relation, int32_t cls) {
  if (cls == kCurvAffine) return 1;
  if (cls == kCurvIndefinite) return -1;
  const bool convex = cls == kCurvConvex || cls == kCurvStrictlyConvex;
  const bool concave = cls == kCurvConcave || cls == kCurvStrictlyConcave;
  switch (relation) {
    case kRelLessEqual:
    case kRelLessEqual2:
    case kRelMinimise: return convex ? 1 : concave ? -1 : 0;
    case kRelGreaterEqual:
    case kRelGreaterEqual2:
    case kRelMaximise: return concave ? 1 : convex ? -1 : 0;
    case kRelEqual: return convex || concave ? -1 : 0;
    default: return 1;  // a row without limits
  }
}

// The convexity stage: codes per function and the verdict; false when
// memory runs out.
bool convexityStage(EvalContext* ctx, const DiagnosisRequest& request, DiagnosisFindings* findings, int32_t* verdict) {
  StructureInfo* s = ctx->tables.structure;
  const FunctionTable* f = ctx->tables.functions;
  const auto nf = static_cast<int32_t>(f->array.size());
  const bool owned = !ctx->tables.convexityTester;
  ConvexityTester* tester = owned ? Cvx_create(ctx, ctx->tables.program) : ctx->tables.convexityTester;
  s->convexity = allocate<int32_t>(static_cast<size_t>(nf));
  if (!tester || !s->convexity) {
    if (owned) Cvx_destroy(tester);
    return false;
  }
  ctx->flags.curvature = 1;
  bool feasible = true, touching = false;
  Cvx_contractBox(tester, &feasible, &touching);
  findings->contraction = !feasible ? kContractionInfeasible : touching ? kContractionTouching : kContractionFeasible;
  std::fill(s->convexity, s->convexity + nf, kConvexityUnknown);
  bool all = true, refuted = false, supported = true;
  for (int32_t i = 0; i < nf; ++i) {
    Model_showProgress(&ctx->host, kProgressConvexity, i + 1);
    const ModelItem* item = f->array[static_cast<size_t>(i)];
    int32_t cls = kCurvAffine;
    // What an unknown function does to its arguments is not known.
    if (s->functionClasses[i] == kDegUnknownFunction) cls = kCurvUnknown;
    else if (s->functionClasses[i] <= kDegLinear) cls = kCurvAffine;
    else if (item->relation == kRelEqual) cls = kCurvIndefinite;
    else if (!Cvx_testFunction(tester, i, true, &cls, true)) cls = kCurvUnknown;
    s->convexity[i] = cls + 1;
    const int32_t support = convexitySupport(item->relation, cls);
    refuted = refuted || support < 0;
    supported = supported && support > 0;
    if (!request.detailed && (cls == kCurvIndefinite || cls == kCurvUnknown) && i + 1 < nf) {
      all = false;
      break;
    }
  }
  Vm_clearErrors(&ctx->errors);
  if (owned) Cvx_destroy(tester);
  *verdict = all && supported ? kVerdictConvex : refuted ? kVerdictNotConvex : kVerdictUndecided;
  return true;
}

// The finite bounds and the integer variables among the model's nx.
void countVariables(VariableTable* variables, int32_t nx, DiagnosisFindings* findings) {
  for (int32_t j = 1; j <= nx; ++j) {
    const VarRecord* v = Model_getVariable(variables, j);
    findings->finiteBounds += (v->bounds.lo > -kBoundInfinity ? 1 : 0) + (v->bounds.hi < kBoundInfinity ? 1 : 0);
    findings->integers += v->type == kVarBinary || v->type == kVarInteger ? 1 : 0;
  }
}

// The structure record's per-function and per-variable class arrays.
bool allocateClasses(StructureInfo* s, int32_t nf, int32_t nx) {
  s->functionCount = nf;
  s->functionClassArrays = allocate<uint8_t*>(static_cast<size_t>(nf));
  s->functionIndexArrays = allocate<int32_t*>(static_cast<size_t>(nf));
  s->dependencyCounts = allocate<int32_t>(static_cast<size_t>(nf));
  s->variableClasses = allocate<uint8_t>(static_cast<size_t>(nx));
  s->functionClasses = allocate<uint8_t>(static_cast<size_t>(nf));
  return s->functionClassArrays && s->functionIndexArrays && s->dependencyCounts && s->variableClasses &&
         s->functionClasses;
}

// Up to DiagExamples pairs of function i whose class exceeds the declared
// model type: the variable's cell and the cell that raised the class.
void noteExamples(const EvalFlags& flags, const VariableTable* variables, const DiagnosisRequest& request, int32_t i,
                  bool objective, const std::vector<int32_t>& classes, const std::vector<int32_t>& deps,
                  const std::vector<VarDegreeNote>& notes, DiagnosisFindings* findings) {
  const int32_t nx = static_cast<int32_t>(classes.size()) - 1;
  const bool compact = flags.compactDerivatives == 1;
  std::vector<DiagnosisExample>& examples = findings->examples[static_cast<size_t>(i)];
  for (int32_t j = 1; j <= nx && examples.size() < DiagExamples; ++j) {
    if (!exceedsDeclared(request.declaredType, classes[static_cast<size_t>(j)], objective)) continue;
    // Notes are kept per slot: the variable's position in a compact list.
    const auto at = compact ? std::find(deps.begin(), deps.end(), j) - deps.begin() + 1 : j;
    const VarDegreeNote& n = notes[static_cast<size_t>(at)];
    examples.push_back(
        {addressOf(variableCell(variables, j)), addressOf(CellRef{n.sheet, n.row, n.column})});
  }
}

// Runs each function in the dependency mode and stores its classes, with
// its cell text and, when detailed, its examples.
int32_t classifyFunctions(EvalContext* ctx, const DiagnosisRequest& request, DiagnosisFindings* findings,
                          int32_t* failedFunction) {
  const int32_t nx = Model_variableCount(ctx->tables.variables);
  const int32_t nf = static_cast<int32_t>(ctx->tables.functions->array.size());
  if (request.detailed) findings->examples.resize(static_cast<size_t>(nf));
  const int32_t objective = Eval_objectiveIndex(ctx->tables.functions);
  const bool compact = ctx->flags.compactDerivatives == 1;
  std::vector<int32_t> classes(static_cast<size_t>(nx) + 1);
  std::vector<VarDegreeNote> notes(static_cast<size_t>(nx) + 1);
  int32_t generated = 0;
  for (int32_t i = 0; i < nf; ++i) {
    Model_showProgress(&ctx->host, kProgressDiagnosing, i + 1);
    const ModelItem* item = ctx->tables.functions->array[static_cast<size_t>(i)];
    findings->cells.push_back(item->generated ? addedRowText(ctx->tables, generated++) : addressOf(item->cell));
    // Each function notes the cells that raise its own classes.
    std::fill(notes.begin(), notes.end(), VarDegreeNote{});
    ctx->tables.diagnosisCells = notes.data();
    const bool ran = Eval_evalDiagnose(ctx->tables.program, i, i == 0, classes.data(), false);
    ctx->tables.diagnosisCells = nullptr;
    findings->unknownFunctions |= ctx->errors.firstWarning == kWarnUnknownFunction;
    if (!ran) {
      *failedFunction = i;
      return kDiagnosisFailed;
    }
    std::vector<int32_t> deps;
    if (compact) deps = item->variables;
    else
      for (int32_t j = 1; j <= nx; ++j)
        if (classes[static_cast<size_t>(j)] != kDegIndependent) deps.push_back(j);
    if (request.detailed)
      noteExamples(ctx->flags, ctx->tables.variables, request, i, i == objective, classes, deps, notes, findings);
    if (!storeClasses(ctx->tables.structure, i, classes, deps, nx)) return kDiagnosisNoMemory;
  }
  return kDiagnosisDone;
}

// One (variable, class) pair of function i: its counts, the maxima of the
// variable and the function, and the model level it implies.
void tallyPair(StructureInfo* s, int32_t i, int32_t j, int32_t c, bool isObj, int32_t declared, int32_t* level) {
  int32_t* counts = s->counts;
  uint8_t& vmax = s->variableClasses[j - 1];
  uint8_t& fmax = s->functionClasses[i];
  auto raise = [&](int32_t to) {
    vmax = static_cast<uint8_t>(std::max<int32_t>(vmax, to));
    fmax = static_cast<uint8_t>(std::max<int32_t>(fmax, to));
  };
  bool exceeds = false;
  switch (c) {
    case kDegLinear:
      ++counts[DiagLinearPairs];
      ++counts[DiagSmoothPairs];
      break;
    case kDegQuadratic:
      ++counts[DiagQuadraticPairs];
      ++counts[DiagSmoothPairs];
      *level = std::max<int32_t>(*level, isObj ? kLevelQuadraticObjective : kLevelQuadraticConstraints);
      exceeds = declared <= (isObj ? 1 : 2);
      raise(kDegQuadratic);
      break;
    case kDegSmooth:
      ++counts[DiagSmoothPairs];
      *level = std::max<int32_t>(*level, kLevelSmooth);
      exceeds = declared <= 2;
      raise(kDegSmooth);
      break;
    case kDegNonSmooth:
      *level = std::max<int32_t>(*level, kLevelNonSmooth);
      exceeds = declared <= 4;
      raise(kDegNonSmooth);
      break;
    case kDegUnknownFunction:
      exceeds = true;
      *level = kLevelUnknownFunctions;
      raise(kDegUnknownFunction);
      --counts[isObj ? DiagObjectiveDependencies : DiagConstraintDependencies];
      break;
    default: break;
  }
  if (exceeds) ++counts[DiagExceeding];
}

// The maxima and pair counts over every stored pair; the model level.
int32_t tallyPairs(StructureInfo* s, int32_t nx, int32_t objective, int32_t declared) {
  const int32_t nf = s->functionCount;
  std::fill(s->variableClasses, s->variableClasses + nx, uint8_t{kDegLinear});
  std::fill(s->functionClasses, s->functionClasses + nf, uint8_t{kDegLinear});
  int32_t level = kLevelLinear;
  for (int32_t i = 0; i < nf; ++i) {
    const bool isObj = i == objective;
    s->counts[isObj ? DiagObjectiveDependencies : DiagConstraintDependencies] += s->dependencyCounts[i];
    forEachPair(s, i, nx, [&](int32_t j, int32_t c) { tallyPair(s, i, j, c, isObj, declared, &level); });
  }
  return level;
}

// The variables and functions of each class maximum.
void countClasses(StructureInfo* s, int32_t nx) {
  int32_t* counts = s->counts;
  for (int32_t j = 0; j < nx; ++j) {
    counts[DiagLinearVariables] += s->variableClasses[j] == kDegLinear;
    counts[DiagQuadraticVariables] += s->variableClasses[j] == kDegQuadratic;
    counts[DiagSmoothVariables] += s->variableClasses[j] < kDegNonSmooth;
  }
  for (int32_t i = 0; i < s->functionCount; ++i) {
    counts[DiagLinearFunctions] += s->functionClasses[i] == kDegLinear;
    counts[DiagQuadraticFunctions] += s->functionClasses[i] == kDegQuadratic;
    counts[DiagSmoothFunctions] += s->functionClasses[i] < kDegNonSmooth;
  }
}

}  // namespace

void Eval_clearDiagnosis(StructureInfo* s) {
  for (int32_t i = 0; i < s->functionCount; ++i) {
    if (s->functionClassArrays) std::free(s->functionClassArrays[i]);
    if (s->functionIndexArrays) std::free(s->functionIndexArrays[i]);
  }
  std::free(s->functionClassArrays);
  std::free(s->functionIndexArrays);
  std::free(s->dependencyCounts);
  std::free(s->convexity);
  std::free(s->variableClasses);
  std::free(s->functionClasses);
  s->functionClassArrays = nullptr;
  s->functionIndexArrays = nullptr;
  s->dependencyCounts = nullptr;
  s->convexity = nullptr;
  s->variableClasses = nullptr;
  s->functionClasses = nullptr;
  s->functionCount = 0;
  s->nonlinearListBuilt = s->fullListBuilt = 0;
}

int32_t Eval_diagnose(EvalContext* ctx, const DiagnosisRequest& request, DiagnosisFindings* findings,
                      int32_t* failedFunction) {
  const int32_t nx = Model_variableCount(ctx->tables.variables);
  const int32_t nf = ctx->tables.functions ? static_cast<int32_t>(ctx->tables.functions->array.size()) : 0;
  if (nx < 1 || nf < 1) return kDiagnosisEmpty;
  if (!ctx->tables.structure && !(ctx->tables.structure = Model_createStructure(&ctx->errors)))
    return kDiagnosisNoMemory;
  StructureInfo* s = ctx->tables.structure;
  Eval_clearDiagnosis(s);
  *findings = DiagnosisFindings{};
  countVariables(ctx->tables.variables, nx, findings);
  if (!allocateClasses(s, nf, nx)) {
    Eval_clearDiagnosis(s);
    return kDiagnosisNoMemory;
  }
  const int32_t classified = classifyFunctions(ctx, request, findings, failedFunction);
  if (classified != kDiagnosisDone) {
    Eval_clearDiagnosis(s);
    return classified;
  }
  int32_t* counts = s->counts;
  std::fill(counts, counts + kStructureCounts, 0);
  counts[DiagLevel] = tallyPairs(s, nx, Eval_objectiveIndex(ctx->tables.functions), request.declaredType);
  countClasses(s, nx);
  counts[DiagDeclaredType] = request.declaredType;
  if (request.convexity && (request.detailed || counts[DiagLevel] < kLevelNonSmooth)) {
    if (!convexityStage(ctx, request, findings, &counts[DiagConvexity])) {
      Eval_clearDiagnosis(s);
      return kDiagnosisNoMemory;
    }
  }
  std::copy(counts, counts + kStructureCounts, findings->counts);
  Model_showProgress(&ctx->host, kProgressClear, 0);
  return kDiagnosisDone;
}

const char* Eval_className(int32_t degClass) {
  static const char* const names[] = {"independent", "linear", "quadratic", "smooth", "non-smooth", "unknown function"};
  static_assert(std::size(names) == kDegUnknownFunction + 1, "one name per dependency class");
  return degClass >= 0 && degClass <= kDegUnknownFunction ? names[degClass] : "";
}

const char* Eval_convexityName(int32_t code) {
  static const char* const names[] = {"strictly concave", "concave", "affine", "convex",
                                      "strictly convex",  "indefinite", "unknown"};
  static_assert(std::size(names) == kConvexityUnknown, "one name per convexity code");
  return code >= 1 && code <= kConvexityUnknown ? names[code - 1] : "";
}
