// The worksheet functions that the spreadsheet application computes: their
// arguments go to its worksheet-function object (in the library, through the
// evaluation context's automation object). That layer sits above this
// library, so whoever opens the application hands its call over once with
// Wsf_setApplicationCall.
#pragma once

#include "values/Val_Value.h"

struct EvalContext;
struct EvalHost;

// Calls the application's worksheet function name with argc arguments in
// worksheet order, each passed as missing, boolean, text or real by its
// kind, and converts the answer into out; false when the call fails.
using WsfApplicationCall = bool (*)(const EvalHost& host, const char16_t* name, int argc, const Value* const* argv,
                                    Value* out);
void Wsf_setApplicationCall(WsfApplicationCall call);
// The application's answer into result; false (result untouched) when there
// is no application or it fails.
bool Wsf_callApplication(EvalContext* ctx, const char16_t* name, int argc, const Value* const* argv, Value* result);
