// The progress callback: counting iterations, subproblems and set-up steps
// with their status lines, then the checks that may stop the run.
#include "contract/Host_Progress.h"

#include <cstring>

#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "platform/os/Os.h"

namespace {

enum ArmedLimit { ArmedIterations = 0, ArmedTime = 1, ArmedSubproblems = 2, ArmedIntegers = 3 };

std::uint32_t nowMs() { return Os_tickCount(); }

// Milliseconds left of the time limit; the whole limit counts as spent when
// the tick count wrapped since the window started.
std::uint32_t remainingMs(const ProgressState& p, std::uint32_t now) {
  std::uint32_t elapsed = now < p.timeStart ? p.timeLimit : now - p.timeStart;
  return elapsed >= p.timeLimit ? 0 : p.timeLimit - elapsed;
}

double doubleOf(std::uint32_t low, std::uint32_t high) {
  std::uint64_t bits = (static_cast<std::uint64_t>(high) << 32) | low;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void fillSetupTotals(LibraryContext* context) {
  ProgressState& p = context->progress;
  if (p.setupTwiceVariables != 0) return;
  int variables = Host_queryModel(context, QueryVariables);
  p.setupRowsByVariables = Host_queryModel(context, QueryRows) * variables;
  p.setupTwiceVariables = 2 * variables;
}

void showIterationLine(LibraryContext* context, std::int32_t flags, double objective) {
  const ProgressState& p = context->progress;
  Msg_showProgress(context, p.showIterations, p.lastIteration, (flags & ProgressIncumbent) != 0, objective,
                   p.subproblems, p.incumbentShown, p.incumbent, p.boundShown, p.bound);
}

// Feasibility search: the driver's percentage is kept in the mode word,
// which stays nonzero for as long as the search runs.
void showFeasibility(LibraryContext* context, std::int32_t flags, std::int32_t a) {
  if ((flags & ProgressFeasibility) && a != 0) context->feasibilityMode = a;
  Msg_showPercent(context, MsgFeasible, context->feasibilityMode, 100);
}

// Set-up progress; false when the call reports no set-up step.
bool showSetup(LibraryContext* context, std::int32_t flags, std::int32_t a) {
  const ProgressState& p = context->progress;
  if (p.setupSteps > 0) Msg_showPercent(context, MsgLimits, p.setupSteps, p.setupTwiceVariables);
  else if (flags & ProgressSetup) Msg_showPercent(context, MsgSetup, a, p.setupRowsByVariables);
  else if (flags & ProgressSetup2) Msg_showPercent(context, MsgFpSetup, a, p.setupRowsByVariables);
  else return false;
  return true;
}

void count(LibraryContext* context, std::int32_t flags, std::int32_t a, double value) {
  ProgressState& p = context->progress;
  if (context->feasibilityMode != 0) return showFeasibility(context, flags, a);
  if (showSetup(context, flags, a)) return;
  if ((flags & ProgressIterationNumber) && a != p.lastIteration) {
    p.lastIteration = a;
    ++p.iterationsOfRun;
    if (p.iterationsLeft > 0) --p.iterationsLeft;
    showIterationLine(context, flags, value);
  }
  if (flags & ProgressSubproblem) {
    ++p.subproblems;
    p.lastIteration = 0;
    p.integerSolutions = a;
    p.iterationsLeft = p.iterationLimit;
    if (flags & ProgressObjective) {
      p.incumbent = value;
      p.incumbentShown = 1;
    }
    showIterationLine(context, flags, value);
  }
  if (flags & ProgressFeasibility) {
    p.lastIteration = 0;
    p.iterationsLeft = p.iterationLimit;
  }
}

bool limitReached(const ProgressState& p, int limit, std::uint32_t remaining) {
  if (!p.armed[limit]) return false;
  switch (limit) {
    case ArmedIterations: return p.iterationsLeft <= 0;
    case ArmedTime: return remaining == 0;
    case ArmedSubproblems: return p.subproblems >= p.subproblemLimit;
    default: return p.integerSolutions >= p.integerLimit;
  }
}

// What would stop the run now, changing nothing.
int wouldStop(const ProgressState& p, std::uint32_t remaining) {
  if (p.pendingStop != StopContinue) return p.pendingStop;
  if (p.breakSeen) return StopByUser;
  for (int limit = ArmedIterations; limit <= ArmedIntegers; ++limit)
    if (limitReached(p, limit, remaining)) return StopByUser;
  return StopContinue;
}

struct LimitQuestion {
  int reason;
  int defaultCode;
};
constexpr LimitQuestion kQuestions[4] = {{ShowIterationLimit, StopIterationLimit},
                                         {ShowTimeLimit, StopTimeLimit},
                                         {ShowSubproblemLimit, StopSubproblemLimit},
                                         {ShowIntegerLimit, StopIntegerLimit}};

// The user's "Show" macro, which may write cells.
int askShow(LibraryContext* context, int reason, int defaultCode) {
  Host_noteWorkbookWrite(context);
  return Msg_askShowMacro(context, reason, defaultCode);
}

// The break, a shown iteration or a limit reached asks the "Show" macro;
// its first nonzero answer is the stop.
int askIfDue(LibraryContext* context, std::int32_t flags, std::uint32_t remaining) {
  ProgressState& p = context->progress;
  if (p.breakSeen || (p.showIterations && (flags & ProgressIteration))) {
    p.breakSeen = 0;
    if (int answer = askShow(context, ShowBreak, StopBreak)) return answer;
  }
  for (int limit = ArmedIterations; limit <= ArmedIntegers; ++limit) {
    if (!limitReached(p, limit, remaining)) continue;
    p.armed[limit] = 0;
    const LimitQuestion& q = kQuestions[limit];
    if (int answer = askShow(context, q.reason, q.defaultCode)) return answer;
  }
  return StopContinue;
}

int check(LibraryContext* context, std::int32_t flags) {
  ProgressState& p = context->progress;
  if (Msg_pollBreak()) p.breakSeen = 1;
  std::uint32_t now = nowMs();
  std::uint32_t remaining = remainingMs(p, now);
  if ((flags & ProgressQuery) && !p.paused) return wouldStop(p, remaining);
  if (flags & ProgressPause) p.paused = 1;
  if (flags & ProgressResume) {
    p.paused = 0;
    if (p.pendingStop == StopByUser) {
      p.pendingStop = StopContinue;
      return StopByUser;
    }
  }
  // Once a stop is answered every later call answers it, paused or not, so
  // that no loop of an engine runs on past it.
  if (p.pendingStop != StopContinue) return p.pendingStop;
  if (p.paused) return StopContinue;
  int answer = askIfDue(context, flags, remaining);
  if (answer != StopContinue) {
    p.pendingStop = answer;
    return answer;
  }
  p.timeLimit = remaining;   // the window restarts with the time left
  p.timeStart = now;
  return StopContinue;
}

}  // namespace

int Host_progressCallback(LibraryContext* context, std::int32_t flags, std::int32_t a,
                          std::uint32_t low, std::uint32_t high) {
  if (!context) return StopContinue;
  fillSetupTotals(context);
  count(context, flags, a, doubleOf(low, high));
  return check(context, flags);
}

int Host_progressValue(LibraryContext* context, std::int32_t flags, std::int32_t a, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Host_progressCallback(context, flags, a, static_cast<std::uint32_t>(bits),
                               static_cast<std::uint32_t>(bits >> 32));
}

void Host_progressBound(LibraryContext* context, double bound) {
  if (!context) return;
  context->progress.bound = bound;
  context->progress.boundShown = 1;
}

void Host_progressStall(LibraryContext* context, std::int32_t idleSeconds, std::int32_t limitSeconds) {
  if (!context) return;
  context->progress.stallSeconds = idleSeconds;
  context->progress.stallLimit = limitSeconds;
  context->progress.stallShown = 1;
}
