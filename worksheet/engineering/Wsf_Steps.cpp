// DELTA and GESTEP.
#include "worksheet/engineering/Wsf_Steps.h"

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// The two numbers of a step test; false with the result formed.
bool operands(Value* result, int argc, const Value* const* argv, double* x, double* y) {
  const auto refused = [](const Value* v, int i) {
    const bool missingSecond = i == 1 && v->kind == kValMissing;
    return v->kind != kValEmpty && v->kind != kValInt && v->kind != kValReal && !missingSecond;
  };
  if (Wsf_structureHooks(result, argc, argv) || Wsf_firstRefusedArg(result, argc, argv, kErrValue, refused))
    return false;
  *x = argv[0]->kind == kValEmpty ? 0.0 : argv[0]->number;
  *y = Wsf_given(argc, argv, 1) && argv[1]->kind != kValEmpty ? argv[1]->number : 0.0;
  return true;
}

}  // namespace

Value* Wsf_delta(Value* result, int argc, const Value* const* argv) {
  double x = 0, y = 0;
  return operands(result, argc, argv, &x, &y) ? Wsf_integer(result, x == y ? 1 : 0) : result;
}

Value* Wsf_gestep(Value* result, int argc, const Value* const* argv) {
  double x = 0, step = 0;
  return operands(result, argc, argv, &x, &step) ? Wsf_integer(result, x >= step ? 1 : 0) : result;
}
