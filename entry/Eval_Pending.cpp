// Failing answers of the steps whose components are not in the library yet.
#include "entry/Eval_Pending.h"

#include "contract/Eng_Engine.h"

int Eval_loadModel(LibraryContext*, std::intptr_t, int, int, int, int, int, int) {
  return StatusHostFailure;
}
int Eval_diagnoseModel(LibraryContext*, std::intptr_t, int, int, int) { return StatusHostFailure; }
int Eval_freeModel(LibraryContext*) { return 0; }
int Eval_queryModel(LibraryContext*, int) { return 0; }
int Eval_evalAll(LibraryContext*, double*, const double*) { return 0; }
int Eval_evalWithCutoff(LibraryContext*, double*, const double*, double, const int*) { return 0; }
int Eval_evalPerturbPair(LibraryContext*, double*, int, double, int, double) { return 0; }
int Eval_evalPerturbOne(LibraryContext*, double*, int, double) { return 0; }
int Eval_getBounds(LibraryContext*, double*, double*, double*, double*, double, double) { return 0; }
int Eval_getCurvatureClasses(LibraryContext*, int*) { return 0; }
int Eval_getVariableTypes(LibraryContext*, int*) { return 0; }
int Eval_getInitialValues(LibraryContext*, double*) { return 0; }
int Eval_evalObjective(LibraryContext*, double*, double*, const double*) { return 0; }
int Eval_enumDependencies(LibraryContext*, void*, EvalDependencyCallback, void*, int) { return 0; }
int Interpret_Jacobian(LibraryContext*, void*, EvalValueCallback, void*, const double*, int) {
  return 0;
}
int Eval_hessian(LibraryContext*, void*, EvalValueCallback, void*, const double*, int, int) {
  return 0;
}
int Eval_jacobian(LibraryContext*, void*, EvalValueCallback, void*) { return 0; }
int Eval_objectiveHessian(LibraryContext*, void*, EvalValueCallback, void*) { return 0; }
