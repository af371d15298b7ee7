// Steps of a Solve call served by components that this library does not
// carry yet: the run session, the result range, the scenario table and the
// formula interpreter. Each answers the way a missing piece fails (a failed
// step, status 13, nothing listed), so that no action reports success
// without having done its work.
#pragma once

#include <cstdint>

#include "entry/Host_Extract.h"

struct LibraryContext;

int Host_beginSession(LibraryContext* context);     // 1 on success
int Host_endSession(LibraryContext* context);       // always 1
int Sess_restorePriorValues(LibraryContext* context);   // 1 on success
int Sess_storeModelSize(LibraryContext* context);   // the writer's status
int Sess_storeEngineLimits(LibraryContext* context);
int Names_readRobustMode(LibraryContext* context);  // 1 on success
int Names_getScenarioRowCount(LibraryContext* context);
int Names_writeScenarioRow(LibraryContext* context, int row);   // 1 on success
int Names_readScenarioRow(LibraryContext* context, int row);    // 1 on success
int Eval_loadModel(LibraryContext* context, std::intptr_t handle, int run, int trials,
                   int secondAnalysis, int analyseOnly, int diagnose, int iao);
int Eval_diagnoseModel(LibraryContext* context, std::intptr_t handle, int notRun, int extra,
                       int rdp);
int Eval_freeModel(LibraryContext* context);        // 0 on success
int Eval_queryModel(LibraryContext* context, int kind);
// The interpreter's coefficients of an analysed model through a store
// callback: linear terms of every row, and the objective's quadratic terms.
int Eval_jacobian(LibraryContext* context, void* user, CoefficientStore store, void* extra);
int Eval_objectiveHessian(LibraryContext* context, void* user, CoefficientStore store,
                          void* extra);
// Export ordinal 19: the integer kind of every variable (0 continuous, 1
// integer, 2 binary, 3 + g member of alldifferent group g); 1 on success.
int Host_getVariableTypes(LibraryContext* context, std::int32_t* types);
