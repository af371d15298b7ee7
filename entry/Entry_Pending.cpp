// Failing answers of the steps whose components are not in the library yet.
#include "entry/Entry_Pending.h"

#include "entry/Eng_Engine.h"

int Host_beginSession(LibraryContext*) { return 0; }
int Host_endSession(LibraryContext*) { return 1; }
int Sess_restorePriorValues(LibraryContext*) { return 0; }
int Sess_storeModelSize(LibraryContext*) { return StatusHostFailure; }
int Sess_storeEngineLimits(LibraryContext*) { return StatusHostFailure; }
int Names_readRobustMode(LibraryContext*) { return 0; }
int Names_getScenarioRowCount(LibraryContext*) { return 0; }
int Names_writeScenarioRow(LibraryContext*, int) { return 0; }
int Names_readScenarioRow(LibraryContext*, int) { return 0; }
int Eval_loadModel(LibraryContext*, std::intptr_t, int, int, int, int, int, int) {
  return StatusHostFailure;
}
int Eval_diagnoseModel(LibraryContext*, std::intptr_t, int, int, int) { return StatusHostFailure; }
int Eval_freeModel(LibraryContext*) { return 0; }
int Eval_queryModel(LibraryContext*, int) { return 0; }
int Eval_jacobian(LibraryContext*, void*, CoefficientStore, void*) { return 0; }
int Eval_objectiveHessian(LibraryContext*, void*, CoefficientStore, void*) { return 0; }
int Host_getVariableTypes(LibraryContext*, std::int32_t*) { return 0; }
