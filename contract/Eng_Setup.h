// The start that every built-in engine's `setup` shares: checking the run's
// owner context and allocating the engine's record, which the problem
// carries until `finish` frees it.
#pragma once

#include <new>

#include "contract/Eng_Engine.h"

// A new engine record carried by the problem; none, with the problem's
// status set, when the problem has no owner context (bad model) or memory
// runs out.
template <class Record>
Record* Eng_newRecord(EngineProblem* problem) {
  if (!problem->owner) {
    problem->status = StatusBadModel;
    return nullptr;
  }
  auto* rec = new (std::nothrow) Record;
  if (!rec) {
    problem->status = StatusOutOfMemory;
    return nullptr;
  }
  problem->engineRecord = rec;
  return rec;
}
