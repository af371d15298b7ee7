// Failing answers of the steps whose components are not in the library yet.
#include "entry/Entry_Pending.h"

#include "entry/Eng_Engine.h"
#include "entry/Entry_Context.h"

int Host_beginSession(LibraryContext*) { return 0; }
// The end always succeeds and leaves feasibility mode.
int Host_endSession(LibraryContext* context) {
  context->feasibilityMode = 0;
  return 1;
}
int Sess_restorePriorValues(LibraryContext*) { return 0; }
int Sess_storeModelSize(LibraryContext*) { return StatusHostFailure; }
int Sess_storeEngineLimits(LibraryContext*) { return StatusHostFailure; }
int Eval_loadModel(LibraryContext*, std::intptr_t, int, int, int, int, int, int) {
  return StatusHostFailure;
}
int Eval_diagnoseModel(LibraryContext*, std::intptr_t, int, int, int) { return StatusHostFailure; }
int Eval_freeModel(LibraryContext*) { return 0; }
int Eval_queryModel(LibraryContext*, int) { return 0; }
int Host_getNamedInt(LibraryContext*, const char*, int fallback) { return fallback; }
int Host_getVariableBounds(LibraryContext*, double*, double*, double*, double*) { return 0; }
int Host_getInitialValues(LibraryContext*, double*) { return 0; }
int Host_evalProblem(LibraryContext*, double*, const double*) { return 0; }
int Host_evalOneChanged(LibraryContext*, double*, int, double) { return 0; }
int Host_extractLinearTerms(LibraryContext*, void*, HostStoreFn, void*) { return 0; }
