// Creation and teardown of the evaluation context.
#include "values/Vm_Context.h"

#include <cstdlib>
#include <new>

#include "values/Aff_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Rand_State.h"
#include "values/Smp_Payload.h"
#include "values/Val_Value.h"

namespace {

template <class T>
bool create(T** slot) {
  *slot = static_cast<T*>(std::calloc(1, sizeof(T)));
  return *slot != nullptr;
}

// Frees a result or scratch record with its family's routine, then the record.
template <class T>
void release(T** slot, void (*freePayload)(T*)) {
  if (*slot) freePayload(*slot);
  std::free(*slot);
  *slot = nullptr;
}

bool createBuffers(EvalContext* ctx) {
  bool ok = create(&ctx->result) && create(&ctx->sampleBuffer) && create(&ctx->gradBuffer) &&
            create(&ctx->hessBuffer) && create(&ctx->ivGradBuffer) && create(&ctx->ivHessBuffer) &&
            create(&ctx->affineBuffers[0]) && create(&ctx->affineBuffers[1]);
  for (int i = 0; ok && i < 4; ++i) ok = create(&ctx->gradScratch[i]) && create(&ctx->ivGradScratch[i]);
  if (!ok) return false;
  ctx->result->context = ctx;
  ctx->ivGradBuffer->curvature = kCurvAffine;
  for (IvGradValue* scratch : ctx->ivGradScratch) scratch->curvature = kCurvAffine;
  return true;
}

// The per-run buffers, tapes and result value.
void freeBuffers(EvalContext* ctx) {
  if (ctx->result) Val_clear(ctx->result);
  std::free(ctx->result);
  ctx->result = nullptr;
  release(&ctx->sampleBuffer, Smp_free);
  release(&ctx->gradBuffer, Grad_free);
  release(&ctx->hessBuffer, Hess_free);
  release(&ctx->ivGradBuffer, IvGrad_free);
  release(&ctx->ivHessBuffer, IvHess_free);
  for (AffineForm*& buffer : ctx->affineBuffers) release(&buffer, Aff_free);
  for (GradValue*& scratch : ctx->gradScratch) release(&scratch, Grad_free);
  for (IvGradValue*& scratch : ctx->ivGradScratch) release(&scratch, IvGrad_free);
  Grad_freeTape(ctx->gradTape, ctx->gradTapeCapacity);
  ctx->gradTape = nullptr;
  IvGrad_freeTape(ctx->ivGradTape, ctx->ivGradTapeCapacity);
  ctx->ivGradTape = nullptr;
  std::free(ctx->affineHalfWidths);
  std::free(ctx->revTape);
  std::free(ctx->ivRevTape);
  std::free(ctx->dagNodes);
  std::free(ctx->ivPropNodes);
  std::free(ctx->variableMarks);
  ctx->affineHalfWidths = nullptr;
  ctx->revTape = nullptr;
  ctx->ivRevTape = nullptr;
  ctx->dagNodes = nullptr;
  ctx->ivPropNodes = nullptr;
  ctx->variableMarks = nullptr;
}

}  // namespace

EvalContext* Vm_createContext() {
  auto* ctx = static_cast<EvalContext*>(std::calloc(1, sizeof(EvalContext)));
  if (!ctx) return nullptr;
  ctx->incremental = 1;
  ctx->nonSmoothAllowed = 1;
  ctx->reverseAllowed = 1;
  ctx->replayAllowed = 1;
  ctx->affineKeepsInterval = 1;
  ctx->structure = Model_createStructure(ctx);
  ctx->rand = new (std::nothrow) RandState{};
  if (ctx->rand) Rnd_seed(ctx->rand->stream, kRandSeed);
  if (!ctx->structure || !ctx->rand || !createBuffers(ctx)) {
    Vm_destroyContext(ctx);
    return nullptr;
  }
  return ctx;
}

// Owned objects go in a fixed order: the text sink, the variable table, the
// per-run buffers and tapes, the structure record, then the context itself.
void Vm_destroyContext(EvalContext* ctx) {
  if (!ctx) return;
  delete ctx->textSink;
  ctx->textSink = nullptr;
  Model_freeVariableTable(ctx->variables);
  ctx->variables = nullptr;
  freeBuffers(ctx);
  Model_freeStructure(ctx->structure);
  ctx->structure = nullptr;
  delete ctx->rand;
  ctx->rand = nullptr;
  std::free(ctx);
}
