// RAND and RANDBETWEEN over the context's generator and the model's
// registry of uncertain cells.
#include "simulation/functions/Sim_Random.h"

#include <cmath>

#include "arithmetic/operators/Op_Operators.h"
#include "simulation/random/Rand_Generator.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// No stored percentile: the draw takes a fresh number.
constexpr double kFreshDraw = NAN;

// Number i of a bound: its sample i, or its number.
double boundAt(const Value* v, int32_t i) {
  if (v->kind != kValSamples) return v->number;
  const auto* s = static_cast<const SampleVector*>(v->payload);
  return i <= s->n ? s->data[i] : NAN;
}

CellRegistry* registryOf(const EvalContext* ctx) {
  return ctx->tables.variables ? ctx->tables.variables->registry.get() : nullptr;
}

// In the registration pass: registers the cell under law and returns the
// result as an empty dependency vector; false in every other pass.
bool registers(Value* result, EvalContext* ctx, const SimCall* call, int32_t law, uint8_t flag) {
  if (ctx->flags.mode != kModeDegVec || ctx->sampling.trialCount <= 0 || !ctx->sampling.registerUncertain) return false;
  CellRegistry* reg = registryOf(ctx);
  if (reg && call && call->cell) {
    const CellRef& at = *call->cell;
    if (!CellReg_findOrAdd(reg, CellReg_cellKey(at.sheet, at.row, at.column), law, kSimFamilyRandom, flag, nullptr))
      Vm_raise(ctx, kStatusNoMemory, "CellReg_findOrAdd", at.sheet, at.row, at.column);
  }
  Val_clear(result);
  Val_setKind(result, kValDegVec);
  return true;
}

// The stored percentile of trial i for the cell, or a fresh draw.
double percentileOf(const EvalContext* ctx, const SimCall* call, int32_t i) {
  const double* row = call ? CellReg_trialRow(registryOf(ctx), call->number) : nullptr;
  return row ? row[i] : kFreshDraw;
}

// One draw per trial into a sample vector when the context runs several
// trials, else one real at the current trial; draw(i) gives trial i's number.
template <typename Draw>
Value* perTrial(Value* result, EvalContext* ctx, Draw draw) {
  const int32_t n = ctx->sampling.trialCount > 1 ? ctx->sampling.trialCount : 1;
  if (n == 1) return Wsf_finite(result, draw(ctx->sampling.currentTrial > 0 ? ctx->sampling.currentTrial : 1));
  SampleVector draws{};
  if (!Smp_init(&draws, n, ctx)) {
    Vm_raise(ctx, kStatusNoMemory, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrNum);
  }
  for (int32_t i = 1; i <= n; ++i) Smp_setAt(&draws, draw(i), i);
  Val_clear(result);
  Val_setSamples(result, &draws);
  Smp_free(&draws);
  return result;
}

}  // namespace

Value* Sim_rand(Value* result, const SimCall* call) {
  EvalContext* ctx = result->context;
  if (!ctx || !ctx->sampling.rand) return Wsf_error(result, kErrNum);
  if (registers(result, ctx, call, kSimLawUnitUniform, 0)) return result;
  return perTrial(result, ctx,
                  [&](int32_t i) { return Rand_uniform(ctx->sampling.rand, 0, 1, false, percentileOf(ctx, call, i)); });
}

Value* Sim_randbetween(Value* result, const Value* bottom, const Value* top, const SimCall* call) {
  EvalContext* ctx = result->context;
  const Value* const bounds[] = {bottom, top};
  if (ctx && ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, 2, bounds)) return result;
  Value* const args[] = {const_cast<Value*>(bottom), const_cast<Value*>(top)};
  const uint8_t uncertain = Op_anyArgHasKind(2, args, kValDegVec) ? 1 : 0;
  if (ctx && registers(result, ctx, call, kSimLawIntegerUniform, uncertain)) return result;
  if (Wsf_isError(bottom)) return Wsf_copy(result, bottom);
  if (Wsf_isError(top)) return Wsf_copy(result, top);
  const auto usable = [](const Value* v) { return Wsf_isPlain(v) || (v->kind == kValSamples && v->payload); };
  if (!ctx || !ctx->sampling.rand || !usable(bottom) || !usable(top)) return Wsf_error(result, kErrNum);
  const bool samples = bottom->kind == kValSamples || top->kind == kValSamples;
  if (!samples && std::ceil(bottom->number) > std::floor(top->number)) return Wsf_error(result, kErrNum);
  // A trial whose bounds hold no whole number gets NaN, as a failed trial.
  return perTrial(result, ctx, [&](int32_t i) {
    const double lo = boundAt(bottom, i), hi = boundAt(top, i);
    return std::ceil(lo) <= std::floor(hi) ? Rand_uniform(ctx->sampling.rand, lo, hi, true, percentileOf(ctx, call, i))
                                           : NAN;
  });
}
