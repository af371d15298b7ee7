// Text and number forms of values.
#include "arithmetic/text/Val_TextForm.h"

#include <cmath>
#include <string>

#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

Value Val_toText(const Value* value, EvalBuffers* buffers) {
  std::u16string digits;
  const char16_t* text = u"";
  switch (value->kind) {
    case kValBool: text = value->number != 0.0 && !std::isnan(value->number) ? u"TRUE" : u"FALSE"; break;
    case kValInt:
    case kValReal:
      digits = Text_sheetNumber(value->number);
      text = digits.c_str();
      break;
    case kValText: text = value->text ? value->text : u""; break;
    default: break;
  }
  if (value == buffers->result && value->kind == kValText) return *buffers->result;
  Val_setText(buffers->result, text);
  return *buffers->result;
}

Value Val_toNumber(const Value* value, EvalBuffers* buffers) {
  const std::u16string text = value->text ? value->text : u"";
  double x = 0.0;
  const bool blank = text.find_first_not_of(u" \t") == std::u16string::npos;
  if (!blank && !Text_toDouble(text, &x)) {
    if (value != buffers->result) Val_setText(buffers->result, text.c_str());
    return *buffers->result;
  }
  if (x >= -2147483648.0 && x <= 2147483647.0 && x == std::trunc(x))
    Val_setInt(buffers->result, static_cast<int32_t>(x));
  else Val_setNumber(buffers->result, x);
  return *buffers->result;
}
