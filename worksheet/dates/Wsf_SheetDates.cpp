// DAYS360 and WEEKDAY through the spreadsheet's worksheet-function object.
#include "worksheet/dates/Wsf_SheetDates.h"

#include "worksheet/common/Wsf_Application.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Args.h"

namespace {

bool given(int argc, const Value* const* argv, int i) { return argc > i && argv[i]->kind != kValMissing; }

// The application's answer for the arguments given, or "#num!"; the
// optional last one (method or type) is a boolean when lastAsBool is set.
Value* callSheet(Value* result, int argc, const Value* const* argv, const char16_t* name, bool lastAsBool) {
  if (Date_headList(result, argc, argv)) return result;
  for (int i = 0; i < argc; ++i)
    if (!Wsf_isPlain(argv[i])) return Wsf_error(result, kErrValue);
  const int count = given(argc, argv, argc - 1) ? argc : argc - 1;
  Value numbers[3] = {Val_empty(nullptr), Val_empty(nullptr), Val_empty(nullptr)};
  const Value* pointers[3] = {&numbers[0], &numbers[1], &numbers[2]};
  for (int i = 0; i < count && i < 3; ++i) {
    if (i == 2 && lastAsBool) Val_setBool(&numbers[i], argv[i]->number != 0);
    else Val_setNumber(&numbers[i], argv[i]->number);
  }
  if (!Wsf_callApplication(result->context, name, count, pointers, result)) return Wsf_error(result, kErrNum);
  return result;
}

}  // namespace

Value* Wsf_days360(Value* result, int argc, const Value* const* argv) {
  return callSheet(result, argc, argv, u"Days360", true);
}

Value* Wsf_weekday(Value* result, int argc, const Value* const* argv) {
  return callSheet(result, argc, argv, u"Weekday", false);
}
