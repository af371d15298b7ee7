// What a run's progress needs at session begin and end: the limits armed
// with their clock started, and the calculation mode found at begin kept
// while the run calculates by hand and restored afterwards.
#include <algorithm>

#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Calculation.h"
#include "platform/os/Os.h"

int Msg_saveCalcMode(LibraryContext* context) {
  context->savedCalcMode = Xl_getCalcMode();
  if (context->savedCalcMode == CalcManual) return 1;
  return Xl_setCalcMode(CalcManual);
}

int Msg_restoreCalcMode(LibraryContext* context) {
  if (context->savedCalcMode == CalcManual) return 1;
  return Xl_setCalcMode(context->savedCalcMode);
}

namespace {

// The time limit is kept in milliseconds, so that "solver_tim" may hold
// fractions of a second.
constexpr double kMaxTimeLimitMs = 4.0e9;

}  // namespace

int Msg_armLimits(LibraryContext* context) {
  ProgressState& p = context->progress;
  p.pendingStop = StopContinue;
  p.paused = 0;
  p.breakSeen = 0;
  p.showIterations = Host_queryModel(context, QueryShowIterations);
  for (std::int32_t& armed : p.armed) armed = 1;
  double ms = Names_getRealOption(context, OptTim, Host_getIntOption(context, IntTime)) * 1000.0;
  p.timeLimit = ms > 0 ? static_cast<std::uint32_t>(std::min(ms, kMaxTimeLimitMs)) : 0;
  p.timeStart = Os_tickCount();
  p.iterationLimit = p.iterationsLeft = Host_getIntOption(context, IntIterations);
  p.subproblemLimit = Host_getIntOption(context, IntNodes);
  p.integerLimit = Host_getIntOption(context, IntIntegerSolutions);
  p.lastIteration = 0;
  p.iterationsOfRun = 0;
  p.evaluationsOfRun = 0;
  p.subproblems = 0;
  p.integerSolutions = 0;
  p.incumbent = 0;
  p.incumbentShown = 0;
  p.bound = 0;
  p.boundShown = 0;
  p.stallShown = 0;
  return 1;
}
