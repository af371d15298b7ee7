// The stand-in's own worksheet functions in the part of the spreadsheet
// application for the interpreter: while the command interprets a workbook,
// the text functions the interpreter hands to the application are computed
// by the stand-in's calculation in that workbook.
#include <string>
#include <vector>

#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc_Call.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "worksheet/common/Wsf_Application.h"

namespace {

Workbook* book = nullptr;

// An argument as the calculation takes it; false for a kind it has no form
// for.
bool argumentOf(const Value* v, CalcCallArg* out) {
  CellValue x;
  switch (v->kind) {
    case kValMissing: out->missing = true; return true;
    case kValEmpty: break;
    case kValBool: x = CellValue::makeBoolean(v->number != 0); break;
    case kValInt:
    case kValReal: x = CellValue::makeNumber(v->number); break;
    case kValText: x = CellValue::makeText(Text_toUtf8(v->text ? v->text : u"")); break;
    default: return false;
  }
  out->value = CalcArray{1, 1, {x}};
  return true;
}

bool callStandIn(const EvalHost&, const char16_t* name, int argc, const Value* const* argv, Value* out) {
  std::vector<CalcCallArg> args(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i)
    if (!argumentOf(argv[i], &args[static_cast<size_t>(i)])) return false;
  while (!args.empty() && args.back().missing) args.pop_back();
  CalcArray result;
  if (Calc_callFunction(book, Text_toUtf8(name), args, &result) != CalcCallStatus::Ok || result.values.size() != 1)
    return false;
  const CellValue& v = result.values[0];
  switch (v.kind) {
    case CellKind::Number: Val_setNumber(out, v.number); return true;
    case CellKind::Text: Val_setText(out, Text_fromUtf8(v.text).c_str()); return true;
    case CellKind::Boolean: Val_setBool(out, v.number != 0); return true;
    default: return false;
  }
}

}  // namespace

void Fe_useApplication(Workbook* wb) {
  book = wb;
  Wsf_setApplicationCall(wb ? callStandIn : nullptr);
}
