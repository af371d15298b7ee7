// The call into the application's worksheet-function object.
#include "worksheet/common/Wsf_Application.h"

#include <atomic>

#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

std::atomic<WsfApplicationCall> applicationCall{nullptr};

}  // namespace

void Wsf_setApplicationCall(WsfApplicationCall call) { applicationCall.store(call); }

bool Wsf_callApplication(EvalContext* ctx, const char16_t* name, int argc, const Value* const* argv, Value* result) {
  const WsfApplicationCall call = applicationCall.load();
  if (!call || !ctx) return false;
  WsfLocal answer(ctx);
  if (!call(ctx->host, name, argc, argv, &answer.v)) return false;
  Wsf_copy(result, &*answer);
  return true;
}
