// Text forms of arguments and results of the text functions.
#include "worksheet/text/Wsf_TextResult.h"

#include "arithmetic/text/Val_TextForm.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

std::u16string Wsf_textOf(const Value* v) {
  if (v->kind == kValText) return v->text ? v->text : u"";
  WsfLocal scratch(v->context);
  if (!v->context) return u"";
  scratch = Val_toText(v, &v->context->buffers);
  return scratch->text ? scratch->text : u"";
}

Value* Wsf_textResult(Value* result, const std::u16string& text) {
  Val_clear(result);
  return Val_setText(result, text.c_str());
}

bool Wsf_refuseModes(Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k) {
      const Value* v = Wsf_element(argv[i], k);
      if (v->kind < kValSamples || v->kind > kValAffine) continue;
      Vm_raise(Vm_errorsOf(v->context), kStatusUnsupportedFunction, "text of an evaluation mode", 0, 0, 0);
      Wsf_error(result, kErrValue);
      return true;
    }
  return false;
}
