// The interval engine's own statuses and the mapping of a search's ending,
// with the final local-solver run after it, to the engine's status.
#pragma once

#include "contract/Eng_Engine.h"

enum IaEngineStatus : int {
  IaStatusWrongClass = 1000,    // a problem class the engine does not solve
  IaStatusSearchEvalFailed = 1001,
  IaStatusWideResult = 1002,    // the gap or the best box is wider than "solver_acc"
};

// The engine's status after a search that ended with `searchResult` (an
// IaSearchResult) and a final local run from the result that ended with
// `finalLocal` (-1 when it did not run). An infeasible final local run
// means infeasible; so does a search that discarded every box without
// finding a point when the final local run found none either.
int Ia_finalStatus(int searchResult, int finalLocal);
