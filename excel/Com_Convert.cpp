// Values read through automation, turned into the interpreter's values.
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "excel/Com_Automation.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

namespace {

// A number as the integer kind when it is whole, else as a real.
void setWholeOrReal(Value* out, double x) {
  if (x == std::trunc(x) && std::fabs(x) <= 2147483647.0) Val_setKind(out, kValInt)->number = x;
  else Val_setNumber(out, x);
}

// A text that reads as a date or a number becomes that number.
void setText(Value* out, const AutoChar* text) {
  const std::u16string_view s(text ? text : u"", Auto_stringLen(text));
  double x = 0.0;
  int32_t n = 0;
  if (Text_toDate(s, &x)) Val_setNumber(out, x);
  else if (Text_toInt32(s, &n)) Val_setInt(out, n);
  else if (Text_toDouble(s, &x)) Val_setNumber(out, x);
  else Val_setText(out, std::u16string(s).c_str());
}

}  // namespace

bool Com_variantToValue(const AutoVariant* v, Value* out) {
  const int32_t oldKind = out->kind;
  const double oldNumber = out->number;
  const std::u16string oldText = out->kind == kValText && out->text ? out->text : u"";
  switch (v->vt) {
    case Auto_vtEmpty: Val_setKind(out, kValEmpty)->number = 0.0; break;
    case Auto_vtI2: Val_setInt(out, v->i2); break;
    case Auto_vtI4: Val_setInt(out, v->i4); break;
    case Auto_vtR4: Val_setNumber(out, v->r4); break;
    case Auto_vtR8: Val_setNumber(out, v->r8); break;
    case Auto_vtCurrency: {
      AutoVariant real;
      Auto_variantInit(&real);
      if (Auto_failed(Auto_variantChangeType(&real, v, 0, Auto_vtR8))) Val_setError(out, kErrValue);
      else Val_setNumber(out, real.r8);
      break;
    }
    case Auto_vtDate: setWholeOrReal(out, v->date); break;
    case Auto_vtString: setText(out, v->str); break;
    case Auto_vtError:
      Val_setKind(out, kValError)->number =
          static_cast<double>(static_cast<int32_t>(Vm_mapComError(static_cast<uint32_t>(v->error))));
      break;
    case Auto_vtBool: Val_setBool(out, v->boolean != 0); break;
    default: Val_setError(out, kErrValue); break;
  }
  if (out->kind != oldKind) return true;
  if (out->kind == kValText) return !Text_equalsNoCase(oldText, out->text ? out->text : u"");
  return out->number != oldNumber && !(std::isnan(out->number) && std::isnan(oldNumber));
}
