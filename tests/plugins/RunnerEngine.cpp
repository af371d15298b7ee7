// A plug-in engine for the runner's tests that works only through the host
// library's exports by ordinal, as a third-party engine would: `setup` reads
// the sizes, bounds and start values; `solve` reports iterations to the
// progress callback (without heeding its answers, so the runner's mapping
// of a pending stop shows), moves every variable one unit up from its lower
// bound (or from 0) within its upper bound, and evaluates there; `finish`
// evaluates the final point with the limit checks paused, so that it stays
// in the variable cells. Named values of the active sheet steer it:
// "runeng_iterations" (default 1) iterations to report, "runeng_setup" 0
// makes `setup` fail with status 19, "runeng_local" 1 makes `solve` run the
// host's local solver and take its status.
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_LocalSolver.h"

OS_VERSION_BLOCK("Corvanta", "RUNTEST", "Runner Test Engine", "6.1.0")

namespace {

struct Host {
  OsModule module = nullptr;
  template <typename F>
  F at(int ordinal) const {
    return reinterpret_cast<F>(Os_getProcByOrdinal(module, ordinal));
  }
};

using QueryFn = int (*)(LibraryContext*, int);
using ValuesFn = int (*)(LibraryContext*, double*);
using BoundsFn = int (*)(LibraryContext*, double*, double*, double*, double*);
using EvalFn = int (*)(LibraryContext*, double*, const double*);
using ProgressFn = int (*)(LibraryContext*, std::int32_t, std::int32_t, std::uint32_t,
                           std::uint32_t);
using NamedIntFn = int (*)(LibraryContext*, const char*, int);
using LocalFn = decltype(&Host_runLocalSolver);

struct Record {
  Host host;
  int n = 0, m = 0;
  std::vector<double> x, lower, upper, rowLower, rowUpper, f;
};

Record* recordOf(EngineProblem* problem) { return static_cast<Record*>(problem->engineRecord); }

int named(const Record& r, LibraryContext* context, const char* name, int fallback) {
  return r.host.at<NamedIntFn>(27)(context, name, fallback);
}

bool evaluate(Record& r, LibraryContext* context) {
  return r.host.at<EvalFn>(15)(context, r.f.data(), r.x.data()) == 1;
}

int progress(const Record& r, LibraryContext* context, std::int32_t flags, std::int32_t a) {
  return r.host.at<ProgressFn>(30)(context, flags, a, 0, 0);
}

int load(void* record) {
  auto* info = static_cast<EngineInfo*>(record);
  info->limits[0] = 1000;
  info->limits[1] = 1000;
  info->limits[2] = 1000;
  info->limits[3] = 1000;
  info->value1 = 32767;
  info->value2 = 0;
  info->capabilities = 0;     // the direct driver only
  info->fields = 0x11;
  return 1;
}

int setup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  LibraryContext* context = problem->owner;
  auto* r = new Record;
  problem->engineRecord = r;
  r->host.module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
  if (!r->host.module || named(*r, context, "runeng_setup", 1) == 0) {
    problem->status = StatusBadBounds;
    return 0;
  }
  r->n = r->host.at<QueryFn>(23)(context, 0);
  r->m = r->host.at<QueryFn>(23)(context, 1);
  r->x.assign(r->n, 0.0);
  r->lower.assign(r->n, 0.0);
  r->upper.assign(r->n, 0.0);
  r->rowLower.assign(r->m + 1, 0.0);
  r->rowUpper.assign(r->m + 1, 0.0);
  r->f.assign(r->m + 1, 0.0);
  if (!r->host.at<ValuesFn>(22)(context, r->x.data()) ||
      !r->host.at<BoundsFn>(17)(context, r->lower.data(), r->upper.data(), r->rowLower.data(),
                                r->rowUpper.data())) {
    problem->status = StatusBadBounds;
    return 0;
  }
  problem->variableCount = r->n;
  problem->lower = r->lower.data();
  problem->upper = r->upper.data();
  problem->values = r->x.data();
  problem->status = StatusSolved;
  return 1;
}

// Runs the host's local solver from x within the bounds.
int runLocalSolver(Record& r, LibraryContext* context) {
  double objective = 0;
  return r.host.at<LocalFn>(41)(context, 0, nullptr, nullptr, 0, 0, 1e-6, 1e-4, &objective, r.x.data(), r.lower.data(),
                                r.upper.data());
}

int solve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  LibraryContext* context = problem->owner;
  Record& r = *recordOf(problem);
  if (named(r, context, "runeng_local", 0) == 1) {
    problem->status = runLocalSolver(r, context);
    return 0;
  }
  int iterations = named(r, context, "runeng_iterations", 1);
  for (int k = 1; k <= iterations; ++k) progress(r, context, ProgressIterationNumber, k);
  for (int j = 0; j < r.n; ++j) {
    double start = r.lower[j] > -1e30 ? r.lower[j] : 0.0;
    r.x[j] = start + 1.0 < r.upper[j] ? start + 1.0 : r.upper[j];
  }
  if (!evaluate(r, context)) {
    problem->status = StatusEvalError;
    return 0;
  }
  problem->objective = r.m > 0 ? r.f[r.m - 1] : 0.0;
  problem->status = StatusSolved;
  return 1;
}

int finish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  Record* r = recordOf(problem);
  if (!r) return 1;
  if (r->n > 0) {
    progress(*r, problem->owner, ProgressPause, 0);
    evaluate(*r, problem->owner);
    progress(*r, problem->owner, ProgressResume, 0);
  }
  if (r->host.module) Os_freeLibrary(r->host.module);
  delete r;
  problem->engineRecord = nullptr;
  return 1;
}

int release(void*) { return 1; }

OsProc proc(int (*op)(void*)) { return reinterpret_cast<OsProc>(op); }

}  // namespace

OS_MODULE_EXPORT const OsExport CorvanExports[] = {
  {2, "load", proc(load)},     {3, "setup", proc(setup)},
  {4, "solve", proc(solve)},   {5, "finish", proc(finish)},
  {6, "free", proc(release)},  {0, nullptr, nullptr},
};
