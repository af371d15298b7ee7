// The shared head and results of the date and time functions.
#include "worksheet/dates/Date_Args.h"

#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Serial.h"

bool Date_isNumber(const Value* v) { return v->kind == kValEmpty || v->kind == kValInt || v->kind == kValReal; }

bool Date_headList(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return true;
  return Wsf_firstRefusedArg(result, argc, argv, kErrValue, [](const Value* v, int) { return v->kind == kValText; });
}

bool Date_wholeDay(double x, int64_t* day) {
  if (!(x >= 0 && x < kDateLastSerial + 1.0)) return false;
  *day = static_cast<int64_t>(x);
  return true;
}

Value* Date_dayResult(Value* result, int64_t day, int64_t first) {
  if (day < first || day > kDateLastSerial) return Wsf_error(result, kErrNum);
  return Date_intResult(result, day);
}

Value* Date_intResult(Value* result, int64_t n) {
  Val_clear(result);
  return Val_setInt(result, static_cast<int32_t>(n));
}
