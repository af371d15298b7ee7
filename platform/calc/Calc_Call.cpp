// Worksheet functions called by name with values: the call is built as a
// formula tree whose arguments are constants, and evaluated as a formula.
#include "platform/calc/Calc_Call.h"

#include "platform/calc/Calc_Internal.h"

CalcCallStatus Calc_callFunction(Workbook* wb, const std::string& name, const std::vector<CalcCallArg>& args,
                                 CalcArray* out) {
  int index = Calc_findBuiltin(name);
  if (index < 0) return CalcCallStatus::UnknownFunction;
  const CalcBuiltinInfo& info = Calc_builtin(index);
  int n = static_cast<int>(args.size());
  if (n < info.minArgs || n > info.maxArgs) return CalcCallStatus::BadArgumentCount;
  CalcNode call;
  call.op = CalcOp::Func;
  call.text = info.name;
  call.func = index;
  call.height = 2;
  for (const CalcCallArg& a : args) {
    CalcNode arg;
    if (a.missing) {
      arg.op = CalcOp::Missing;
    } else if (a.value.values.size() == 1) {
      arg.op = CalcOp::Literal;
      arg.value = a.value.values[0];
    } else {
      arg.op = CalcOp::ArrayConst;
      arg.array = a.value;
    }
    call.args.push_back(std::move(arg));
  }
  static Workbook standalone;   // for calls without an open workbook
  Workbook* context = wb ? wb : &standalone;
  int sheet = wb && Wb_activeSheet(wb) ? wb->activeSheet : 0;
  CalcContext ctx{context, sheet, 0, 0, false};
  CalcValue v;
  Calc_eval(ctx, call, &v);
  *out = Calc_valuesOf(v);
  return CalcCallStatus::Ok;
}

std::vector<std::string> Calc_functionNames() {
  std::vector<std::string> names;
  for (int i = 0; i < Calc_builtinCount(); ++i) {
    std::string s = Calc_builtin(i).name;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    names.push_back(s);
  }
  return names;
}
