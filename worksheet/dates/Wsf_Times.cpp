// HOUR, MINUTE, SECOND, TIME and TIMEVALUE.
#include "worksheet/dates/Wsf_Times.h"

#include <cmath>

#include "base/Dbl_Whole.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Args.h"
#include "worksheet/dates/Date_Serial.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;

enum Part { kHour, kMinute, kSecond };

Value* partOf(Value* result, const Value* x, Part part) {
  if (Wsf_head1(result, x)) return result;
  if (!Wsf_isPlain(x)) return Wsf_error(result, kErrValue);
  if (!(x->number >= 0 && x->number <= kDateLastSerial)) return Wsf_error(result, kErrNum);
  int32_t parts[3] = {0, 0, 0};
  Date_splitTime(x->number, &parts[kHour], &parts[kMinute], &parts[kSecond]);
  return Date_intResult(result, parts[part]);
}

}  // namespace

Value* Wsf_hour(Value* result, const Value* serial) { return partOf(result, serial, kHour); }
Value* Wsf_minute(Value* result, const Value* serial) { return partOf(result, serial, kMinute); }
Value* Wsf_second(Value* result, const Value* serial) { return partOf(result, serial, kSecond); }

Value* Wsf_time(Value* result, const Value* hour, const Value* minute, const Value* second) {
  const Value* const args[] = {hour, minute, second};
  if (Date_headList(result, 3, args)) return result;
  int32_t h = 0, m = 0, s = 0;
  for (const Value* a : args)
    if (!Wsf_isPlain(a)) return Wsf_error(result, kErrValue);
  if (!Dbl_toWhole(hour->number, &h) || !Dbl_toWhole(minute->number, &m) || !Dbl_toWhole(second->number, &s))
    return Wsf_error(result, kErrNum);
  const int64_t total = ((int64_t{h} * 60 + m) * 60 + s) % kSecondsPerDay;
  Val_clear(result);
  return Val_setNumber(result, static_cast<double>(total) / kSecondsPerDay);
}

Value* Wsf_timevalue(Value* result, const Value* text) {
  if (Wsf_head1(result, text)) return result;
  double serial = 0;
  if (text->kind != kValText || !Date_fromText(text->text ? text->text : u"", &serial))
    return Wsf_error(result, kErrValue);
  // A text that carries a date as well gives its time of day alone.
  Val_clear(result);
  return Val_setNumber(result, serial - std::trunc(serial));
}
