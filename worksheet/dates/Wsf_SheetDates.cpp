// DAYS360 and WEEKDAY through the spreadsheet's worksheet-function object.
#include "worksheet/dates/Wsf_SheetDates.h"

#include <atomic>

#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Args.h"

namespace {

std::atomic<WsfSheetFunction> sheetFunction{nullptr};

bool given(int argc, const Value* const* argv, int i) { return argc > i && argv[i]->kind != kValMissing; }

// The application's answer for the arguments given, or "#num!"; the
// optional last one (method or type) is a boolean when asBool says so.
Value* callSheet(Value* result, int argc, const Value* const* argv, const char16_t* name, bool lastAsBool) {
  if (Date_headList(result, argc, argv)) return result;
  for (int i = 0; i < argc; ++i)
    if (!Wsf_isPlain(argv[i])) return Wsf_error(result, kErrValue);
  const int count = given(argc, argv, argc - 1) ? argc : argc - 1;
  double numbers[3] = {0, 0, 0};
  bool asBool[3] = {false, false, false};
  for (int i = 0; i < count && i < 3; ++i) numbers[i] = argv[i]->number;
  asBool[2] = lastAsBool;
  EvalContext* ctx = result->context;
  const WsfSheetFunction call = sheetFunction.load();
  Val_clear(result);
  if (!call || !ctx || !ctx->host.excel || !call(ctx->host.excel, name, count, numbers, asBool, result))
    return Wsf_error(result, kErrNum);
  return result;
}

}  // namespace

void Wsf_setSheetFunction(WsfSheetFunction call) { sheetFunction.store(call); }

Value* Wsf_days360(Value* result, int argc, const Value* const* argv) {
  return callSheet(result, argc, argv, u"Days360", true);
}

Value* Wsf_weekday(Value* result, int argc, const Value* const* argv) {
  return callSheet(result, argc, argv, u"Weekday", false);
}
