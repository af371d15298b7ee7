// The front of CONVERT: argument kinds, then the unit conversion, on plain
// numbers or, step by step with the generic operators, in every evaluation
// mode of the number.
#include "worksheet/engineering/Wsf_Convert.h"

#include "arithmetic/operators/Op_Operators.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/engineering/Conv_Units.h"

namespace {

constexpr int kConvertArgs = 3;

// The conversion's steps taken on a number of an evaluation mode.
Value* convertModal(Value* result, const Value* x, const ConvSteps& steps) {
  WsfLocal y(x->context);
  y = *x;
  for (int i = 0; i < steps.count; ++i) {
    const ConvStep& s = steps.step[i];
    switch (s.op) {
      case kConvMul: y = Op_mulVS(*y, s.c); break;
      case kConvDiv: y = Op_divVS(*y, s.c); break;
      case kConvAdd: y = Op_addVS(*y, s.c); break;
      case kConvSub: y = Op_subVS(*y, s.c); break;
    }
  }
  return Wsf_copy(result, &*y);
}

std::u16string_view unitText(const Value* v) {
  const char16_t* t = v->text ? v->text : u"";
  return {t, Text_length(t)};
}

}  // namespace

Value* Wsf_convert(Value* result, int argc, const Value* const* argv) {
  // The units shape the conversion; the number enters it affinely.
  if (argc > 1 && Wsf_structureHooks(result, argc - 1, argv + 1)) return result;
  if (Wsf_firstErrorArg(result, argc, argv)) return result;
  if (argc < kConvertArgs) return Wsf_error(result, kErrValue);
  const Value* x = argv[0];
  if (x->kind == kValMissing) return Wsf_error(result, kErrNA);
  if (argv[1]->kind != kValText || argv[2]->kind != kValText) return Wsf_error(result, kErrValue);
  if (x->kind >= kValSamples && x->kind <= kValDegVec) {
    ConvSteps steps;
    const uint32_t error = Conv_unitSteps(unitText(argv[1]), unitText(argv[2]), &steps);
    return error ? Wsf_error(result, error) : convertModal(result, x, steps);
  }
  const bool number = x->kind == kValEmpty || x->kind == kValInt || x->kind == kValReal;
  if (!number) return Wsf_error(result, kErrValue);
  return Conv_convertUnits(result, x->kind == kValEmpty ? 0.0 : x->number, unitText(argv[1]), unitText(argv[2]));
}
