// Helpers of the engine interface shared by the runner and the built-in
// engines: the status a pending stop gives a run, the do-nothing `free`, the
// built-in engines' `load`, and the operations of engines not built in.
#include "contract/Eng_Engine.h"

int Eng_stopStatus(int stop, bool countLimits) {
  switch (stop) {
    case StopIterationLimit: return StatusIterationLimit;
    case StopBreak: return StatusUserStop;
    case StopTimeLimit: return StatusTimeLimit;
    case StopSubproblemLimit: return countLimits ? StatusSubproblemLimit : 0;
    case StopIntegerLimit: return countLimits ? StatusIntegerLimit : 0;
    default: return 0;
  }
}

int Eng_statusAfterStop(int status, int stop) {
  const int stopped = Eng_stopStatus(stop, true);
  return stopped != 0 ? stopped : status;
}

int Eng_freeNothing(void*) { return 1; }

int Eng_fillBuiltinInfo(void* info, const std::int32_t (&limits)[4], std::uint32_t capabilities,
                        std::uint32_t fields) {
  auto* record = static_cast<EngineInfo*>(info);
  for (int i = 0; i < 4; ++i) record->limits[i] = limits[i];
  record->value1 = 32767;
  record->value2 = 0;
  record->capabilities = capabilities;
  record->fields = fields;
  return 1;
}

int Eng_engineNotBuilt(void* problem) {
  static_cast<EngineProblem*>(problem)->status = StatusBadModel;
  return 0;
}
