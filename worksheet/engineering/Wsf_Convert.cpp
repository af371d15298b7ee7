// The front of CONVERT: argument kinds, then the unit conversion.
#include "worksheet/engineering/Wsf_Convert.h"

#include "values/Text_Convert.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/engineering/Conv_Units.h"

Value* Wsf_convert(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  if (argc < 3) return Wsf_error(result, kErrValue);
  const Value* x = argv[0];
  if (x->kind == kValMissing) return Wsf_error(result, kErrNA);
  const bool number = x->kind == kValEmpty || x->kind == kValInt || x->kind == kValReal;
  if (!number || argv[1]->kind != kValText || argv[2]->kind != kValText) return Wsf_error(result, kErrValue);
  const char16_t* from = argv[1]->text ? argv[1]->text : u"";
  const char16_t* to = argv[2]->text ? argv[2]->text : u"";
  return Conv_convertUnits(result, x->kind == kValEmpty ? 0.0 : x->number, {from, Text_length(from)},
                           {to, Text_length(to)});
}
