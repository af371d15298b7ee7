// Steps of a Solve call served by components that this library does not
// carry yet: the run session, the result range, the formula interpreter
// and the host services engines call. Each answers the way a missing piece
// fails (a failed step, status 13, nothing listed), so that no action
// reports success without having done its work.
#pragma once

#include <cstdint>

struct LibraryContext;

int Host_beginSession(LibraryContext* context);     // 1 on success
int Host_endSession(LibraryContext* context);       // always 1
int Sess_restorePriorValues(LibraryContext* context);   // 1 on success
int Sess_storeModelSize(LibraryContext* context);   // the writer's status
int Sess_storeEngineLimits(LibraryContext* context);
int Eval_loadModel(LibraryContext* context, std::intptr_t handle, int run, int trials,
                   int secondAnalysis, int analyseOnly, int diagnose, int iao);
int Eval_diagnoseModel(LibraryContext* context, std::intptr_t handle, int notRun, int extra,
                       int rdp);
int Eval_freeModel(LibraryContext* context);        // 0 on success
int Eval_queryModel(LibraryContext* context, int kind);

// Host services for engines (each fails: 0).
using HostStoreFn = int (*)(LibraryContext* context, void* record, int row, int column,
                            double value, void* extra);
int Host_getNamedInt(LibraryContext* context, const char* name, int fallback);  // the fallback
int Host_getVariableBounds(LibraryContext* context, double* lower, double* upper,
                           double* rowLower, double* rowUpper);
int Host_getInitialValues(LibraryContext* context, double* x);
int Host_evalProblem(LibraryContext* context, double* functions, const double* x);
int Host_evalOneChanged(LibraryContext* context, double* functions, int j, double xj);
int Host_extractLinearTerms(LibraryContext* context, void* record, HostStoreFn store, void* extra);
