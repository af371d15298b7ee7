// The evolutionary engine's operations as the library exports them
// (`setup`, `solve`, `finish`) and its two store callbacks: reading the model
// and the options into the engine's record, scaling around the main loop,
// and the final evaluation that leaves the solution in the variable cells.
#include <algorithm>
#include <cmath>
#include <new>

#include "contract/Eng_Engine.h"
#include "contract/Eng_Setup.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "engines/evolutionary/Evo_Engine.h"

namespace {

int readOptions(EvoRecord& rec) {
  LibraryContext* c = rec.context;
  EvoOptions& o = rec.options;
  o.objectiveRow = Host_queryModel(c, QueryObjectiveRow) != 0;
  rec.groupCount = Host_queryModel(c, QueryAllDifferentGroups);
  rec.allDiffCells = Host_queryModel(c, QueryAllDifferentCells);
  if (rec.groupCount < 0 || rec.allDiffCells < 0) return StatusBadModel;
  rec.maximise = Host_queryModel(c, QueryMaximise) != 0;
  o.showIterations = Host_queryModel(c, QueryShowIterations);
  rec.settings.useScaling = Host_queryModel(c, QueryScaling);
  o.reports = Host_queryModel(c, QueryReports);
  o.populationSize = Host_getIntOption(c, IntPopulation);
  o.seed = Host_getIntOption(c, IntRandomSeed);
  o.nodes = Host_getIntOption(c, IntNodes);
  o.stallSeconds = Host_getIntOption(c, IntMaxNoImprovement);
  o.iterations = Host_getIntOption(c, IntIterations);
  o.flags = Host_getEngineOptionFlags(c, EngineEvolutionary);
  Host_getRealOption(c, &o.convergence, RealConvergence);
  Host_getRealOption(c, &o.precision, RealPrecision);
  Host_getRealOption(c, &o.tolerance, RealTolerance);
  Host_getRealOption(c, &o.mutationRate, RealMutation);
  Host_getRealOption(c, &o.extinction, RealCrossover);
  return 0;
}

void allocate(EvoRecord& rec) {
  std::size_t n = rec.n, rows = rec.m + 1;
  for (auto* a : {&rec.rowValues, &rec.rowValuesSaved, &rec.rowWork, &rec.shownValues})
    a->assign(rows, 0.0);
  rec.rowLower.assign(rows, -kBoundInfinity);
  rec.rowUpper.assign(rows, kBoundInfinity);
  rec.rowScale.assign(rows, 1.0);
  rec.hostRows.assign(rec.hostRowCount + 2, 0.0);
  for (auto* a : {&rec.x, &rec.x0, &rec.trial, &rec.incumbent}) a->assign(n, 0.0);
  rec.lower.assign(n, -kBoundInfinity);
  rec.upper.assign(n, kBoundInfinity);
  rec.varScale.assign(n, 1.0);
}

// Sizes, options, arrays, bounds and start values.
int readModel(EvoRecord& rec) {
  LibraryContext* c = rec.context;
  rec.n = Host_queryModel(c, QueryVariables);
  if (rec.n < 1) return StatusBadModel;
  rec.hostRowCount = Host_queryModel(c, QueryRows);
  if (rec.hostRowCount < 0) return StatusBadModel;
  if (int status = readOptions(rec)) return status;
  rec.m = rec.options.objectiveRow ? rec.hostRowCount - 1 : rec.hostRowCount;
  if (rec.m < 0) return StatusBadModel;
  allocate(rec);
  std::vector<double> rowLower(rec.hostRowCount + 1, -kBoundInfinity), rowUpper(rec.hostRowCount + 1, kBoundInfinity);
  if (!Host_getVariableBounds(c, rec.lower.data(), rec.upper.data(), rowLower.data(),
                              rowUpper.data()))
    return StatusBadBounds;
  std::copy(rowLower.begin(), rowLower.begin() + rec.m, rec.rowLower.begin());
  std::copy(rowUpper.begin(), rowUpper.begin() + rec.m, rec.rowUpper.begin());
  if (!Host_getInitialValues(c, rec.x.data())) return StatusBadModel;
  return 0;
}

// The size, bound and group checks of `setup`.
int checkModel(EvoRecord& rec, const EngineProblem& problem) {
  LibraryContext* c = rec.context;
  if (!(problem.flags & ProblemFeasibility) &&
      (rec.n > 500 || rec.hostRowCount > 251 || Host_queryModel(c, QueryIntegers) > 500))
    return StatusBadModel;
  if (rec.options.flags & OptFlagRbv)
    for (int j = 0; j < rec.n; ++j)
      if (rec.lower[j] <= -kBoundInfinity || rec.upper[j] >= kBoundInfinity) return StatusUnboundedVariable;
  for (int i = 0; i < rec.m; ++i)
    if (rec.rowLower[i] > rec.rowUpper[i]) return StatusInfeasible;
  for (int j = 0; j < rec.n; ++j)
    if (rec.lower[j] > rec.upper[j]) return StatusCrossedBounds;
  rec.groupStart.assign(rec.groupCount + 1, 0);
  rec.groupMember.assign(std::max(rec.allDiffCells, 1), 0);
  if (!Host_getConstraintTypes(c, rec.groupStart.data(), rec.groupMember.data()))
    return StatusBadBounds;
  for (int g = 0; g < rec.groupCount; ++g) {
    int start = rec.groupStart[g], end = rec.groupStart[g + 1];
    if (start < 0 || end < start || end > rec.allDiffCells) return StatusBadBounds;
    for (int p = start; p < end; ++p)
      if (rec.groupMember[p] < 0 || rec.groupMember[p] >= rec.n) return StatusBadBounds;
    rec.largestGroup = std::max(rec.largestGroup, end - start);
  }
  return 0;
}

int localModeOf(std::uint32_t flags) {
  switch (flags & (OptFlagLoc2 | OptFlagLoc3)) {
    case 0: return EvoLocalNone;
    case OptFlagLoc2: return EvoLocalCoordinate;
    case OptFlagLoc3: return EvoLocalGrg;
    default: return EvoLocalByKind;
  }
}

int resolveLocalMode(int problemKind) {
  if (problemKind == 1 || problemKind == 3) return EvoLocalLinear;
  if (problemKind == 2 || problemKind == 4) return EvoLocalGrg;
  return EvoLocalNone;
}

int setup(EvoRecord& rec, EngineProblem& problem) {
  if (int status = readModel(rec)) return status;
  rec.settings.localMode = localModeOf(rec.options.flags);
  if (int status = checkModel(rec, problem)) return status;
  problem.variableCount = rec.n;
  problem.upper = rec.upper.data();
  problem.lower = rec.lower.data();
  problem.values = rec.x.data();
  if (int status = Evo_classify(rec)) return status;
  if (rec.settings.localMode == EvoLocalByKind)
    rec.settings.localMode = resolveLocalMode(rec.problemKind);
  return StatusConverged;
}

bool rowsCross(const EvoRecord& rec) {
  for (int i = 0; i < rec.m; ++i)
    if (rec.rowLower[i] > rec.rowUpper[i]) return true;
  return false;
}

void scaleBound(double& bound, double factor) {
  if (std::fabs(bound) < kBoundInfinity) bound *= factor;
}

// Divides (or multiplies back) the points, bounds and rows by their scales.
void applyScales(EvoRecord& rec, bool divide) {
  for (int j = 0; j < rec.n; ++j) {
    double f = divide ? 1.0 / rec.varScale[j] : rec.varScale[j];
    rec.x[j] *= f;
    rec.x0[j] *= f;
    scaleBound(rec.lower[j], f);
    scaleBound(rec.upper[j], f);
  }
  for (int i = 0; i <= rec.m; ++i) {
    double f = divide ? 1.0 / rec.rowScale[i] : rec.rowScale[i];
    rec.rowValues[i] *= f;
    rec.rowValuesSaved[i] *= f;
    scaleBound(rec.rowLower[i], f);
    scaleBound(rec.rowUpper[i], f);
  }
  rec.scaled = divide;
}

bool scale(EvoRecord& rec) {
  if (!Evo_evaluate(rec, rec.x.data(), rec.rowValues.data())) return false;
  for (int j = 0; j < rec.n; ++j)
    rec.varScale[j] = std::fabs(rec.x[j]) < rec.options.convergence ? 1.0 : std::fabs(rec.x[j]);
  for (int i = 0; i <= rec.m; ++i) {
    double v = std::fabs(rec.rowValues[i]);
    rec.rowScale[i] = v < rec.options.convergence ? 1.0 : v;
  }
  rec.rowValuesSaved = rec.rowValues;
  applyScales(rec, true);
  return true;
}

// The search lets an integer gene stay within its precision of a whole
// number; the point it reports holds the whole number where the bounds
// allow it.
void makeIntegersWhole(EvoRecord& rec) {
  for (int j = 0; j < rec.n; ++j) {
    if (rec.types[j] == 0) continue;
    const double whole = std::round(rec.x[j]) + 0.0;  // + 0.0: no negative zero
    if (std::fabs(rec.x[j] - whole) <= rec.settings.precision && whole >= rec.lower[j] && whole <= rec.upper[j])
      rec.x[j] = whole;
  }
}

int solve(EvoRecord& rec, EngineProblem& problem) {
  problem.saved = nullptr;
  problem.releaseSaved = nullptr;
  if (rowsCross(rec)) {
    problem.status = StatusInfeasible;
    return 1;
  }
  rec.types.assign(rec.n, 0);
  if (problem.integerFlags) std::copy(problem.integerFlags, problem.integerFlags + rec.n, rec.types.begin());
  rec.x0 = rec.x;
  if (rec.settings.useScaling && !scale(rec)) {
    problem.status = StatusEvalError;
    return 0;
  }
  int result = Evo_mainLoop(rec, &problem.objective);
  if (rec.scaled) applyScales(rec, false);
  makeIntegersWhole(rec);
  if (result == 0) result = StatusConverged;
  problem.status = result;
  return result == StatusConverged || result == StatusNoProgress || result == StatusUnbounded ||
         result == StatusInfeasible;
}

// The run's final point through the application, so that it stays in the cells.
void finalEvaluation(EvoRecord& rec) {
  Evo_progress(rec, ProgressPause, 0, 0.0);
  Evo_writePopulationReport(rec);
  Host_evalProblem(rec.context, rec.hostRows.data(), rec.x.data());
  Evo_progress(rec, ProgressResume, 0, 0.0);
}

}  // namespace

int Evo_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  auto* rec = Eng_newRecord<EvoRecord>(problem);
  if (!rec) return 0;
  rec->context = problem->owner;
  try {
    problem->status = setup(*rec, *problem);
  } catch (const std::bad_alloc&) {
    problem->status = StatusOutOfMemory;
  }
  return problem->status == StatusConverged;
}

int Evo_engineSolve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  auto* rec = static_cast<EvoRecord*>(problem->engineRecord);
  if (!rec || rec->x.empty()) {
    problem->status = StatusBadModel;
    return 0;
  }
  try {
    return solve(*rec, *problem);
  } catch (const std::bad_alloc&) {
    problem->status = StatusOutOfMemory;
    return 0;
  }
}

int Evo_engineFinish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 1;
  auto* rec = static_cast<EvoRecord*>(problem->engineRecord);
  if (!rec) return 1;
  if (!rec->rowValues.empty() && !rec->x.empty()) {
    try {
      finalEvaluation(*rec);
    } catch (const std::bad_alloc&) {
      problem->status = StatusOutOfMemory;
    }
  }
  delete rec;
  problem->engineRecord = nullptr;
  problem->upper = problem->lower = problem->values = nullptr;
  return 1;
}

int Evo_storeValue(LibraryContext* context, void*, int row, int col, double value, void* table) {
  auto** rows = static_cast<double**>(table);
  if (!rows || row < -1 || col < -1) return 0;
  rows[row + 1][col + 1] = value;
  if (row != -1) return 1;
  return Host_progressCallback(context, ProgressQuery, 0, 0, 0) == StopBreak ? 0 : 1;
}

int Evo_storeDepClass(LibraryContext* context, void*, int row, int col, int flag, void* table) {
  auto** rows = static_cast<char**>(table);
  if (!rows || row < 0 || col < 0) return 0;
  char c = flag == 1 ? 'L' : flag == 4 ? 'S' : flag == 8 ? 'N' : 0;
  if (c) rows[row][col] = c;
  if (row != 0) return 1;
  return Host_progressCallback(context, ProgressQuery, 0, 0, 0) == StopBreak ? 0 : 1;
}
