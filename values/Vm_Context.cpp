// Creation and teardown of the evaluation context, and the user's stop
// asked inside a long formula.
#include "values/Vm_Context.h"

#include <cstdlib>
#include <new>

#include "values/Aff_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/Model_Functions.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Rand_State.h"
#include "values/Smp_Payload.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

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
  bool ok = create(&ctx->buffers.result) && create(&ctx->sampling.sampleBuffer) && create(&ctx->buffers.gradBuffer) &&
            create(&ctx->buffers.hessBuffer) && create(&ctx->buffers.ivGradBuffer) &&
            create(&ctx->buffers.ivHessBuffer) && create(&ctx->buffers.affineBuffers[0]) &&
            create(&ctx->buffers.affineBuffers[1]);
  for (int i = 0; ok && i < 4; ++i) ok = create(&ctx->buffers.gradScratch[i]) && create(&ctx->buffers.ivGradScratch[i]);
  if (!ok) return false;
  ctx->buffers.result->context = ctx;
  ctx->buffers.ivGradBuffer->curvature = kCurvAffine;
  for (IvGradValue* scratch : ctx->buffers.ivGradScratch) scratch->curvature = kCurvAffine;
  return true;
}

// The per-run buffers, tapes and result value.
void freeBuffers(EvalContext* ctx) {
  if (ctx->buffers.result) Val_clear(ctx->buffers.result);
  std::free(ctx->buffers.result);
  ctx->buffers.result = nullptr;
  release(&ctx->sampling.sampleBuffer, Smp_free);
  release(&ctx->buffers.gradBuffer, Grad_free);
  release(&ctx->buffers.hessBuffer, Hess_free);
  release(&ctx->buffers.ivGradBuffer, IvGrad_free);
  release(&ctx->buffers.ivHessBuffer, IvHess_free);
  for (AffineForm*& buffer : ctx->buffers.affineBuffers) release(&buffer, Aff_free);
  for (GradValue*& scratch : ctx->buffers.gradScratch) release(&scratch, Grad_free);
  for (IvGradValue*& scratch : ctx->buffers.ivGradScratch) release(&scratch, IvGrad_free);
  Grad_freeTape(ctx->buffers.gradTape, ctx->buffers.gradTapeCapacity);
  ctx->buffers.gradTape = nullptr;
  IvGrad_freeTape(ctx->buffers.ivGradTape, ctx->buffers.ivGradTapeCapacity);
  ctx->buffers.ivGradTape = nullptr;
  std::free(ctx->buffers.affineHalfWidths);
  std::free(ctx->buffers.revTape);
  std::free(ctx->buffers.ivRevTape);
  std::free(ctx->buffers.dagNodes);
  std::free(ctx->buffers.ivPropNodes);
  std::free(ctx->position.variableMarks);
  ctx->buffers.affineHalfWidths = nullptr;
  ctx->buffers.revTape = nullptr;
  ctx->buffers.ivRevTape = nullptr;
  ctx->buffers.dagNodes = nullptr;
  ctx->buffers.ivPropNodes = nullptr;
  ctx->position.variableMarks = nullptr;
}

}  // namespace

EvalContext* Vm_createContext() {
  auto* ctx = static_cast<EvalContext*>(std::calloc(1, sizeof(EvalContext)));
  if (!ctx) return nullptr;
  ctx->flags.incremental = 1;
  ctx->flags.nonSmoothAllowed = 1;
  ctx->flags.reverseAllowed = 1;
  ctx->flags.replayAllowed = 1;
  ctx->flags.affineKeepsInterval = 1;
  ctx->tables.structure = Model_createStructure(&ctx->errors);
  ctx->sampling.sampleIndex = 1;
  ctx->sampling.rand = new (std::nothrow) RandState{};
  if (ctx->sampling.rand) Rnd_seed(ctx->sampling.rand->stream, kRandSeed);
  if (!ctx->tables.structure || !ctx->sampling.rand || !createBuffers(ctx)) {
    Vm_destroyContext(ctx);
    return nullptr;
  }
  return ctx;
}

// Owned objects go in a fixed order: the text sink, the variable table, the
// per-run buffers and tapes, the structure record, then the context itself.
void Vm_destroyContext(EvalContext* ctx) {
  if (!ctx) return;
  delete ctx->host.textSink;
  ctx->host.textSink = nullptr;
  Model_freeVariableTable(ctx->tables.variables);
  ctx->tables.variables = nullptr;
  freeBuffers(ctx);
  Model_freeStructure(ctx->tables.structure);
  ctx->tables.structure = nullptr;
  delete ctx->sampling.rand;
  ctx->sampling.rand = nullptr;
  std::free(ctx);
}

ModelItem* Vm_currentItem(const EvalTables& tables, const EvalPosition& position) {
  const FunctionTable* t = tables.functions;
  const int32_t i = position.currentFunction;
  if (!t || i < 0 || i >= static_cast<int32_t>(t->array.size())) return nullptr;
  return t->array[static_cast<size_t>(i)];
}

void Vm_clearFixedStructure(EvalContext* ctx) {
  if (ctx->flags.mode != kModeDegVec || ctx->sampling.trialCount == 0) return;
  if (ModelItem* item = Vm_currentItem(ctx->tables, ctx->position)) item->fixedStructure = 0;
}

bool Vm_stopCheckNow(EvalContext* ctx) {
  ctx->stop.unchecked = 0;
  if (!ctx->stop.check || !ctx->stop.check(&ctx->host)) return false;
  Vm_raise(&ctx->errors, kStatusInterrupt, "Vm_stopCheckNow", 0, 0, 0);
  return true;
}
