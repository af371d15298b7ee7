// RAND and RANDBETWEEN over the context's generator and the model's
// registry of uncertain cells.
#include "simulation/functions/Sim_Random.h"

#include <cmath>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/random/Rand_Generator.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// A single draw that is not finite (no whole number between the bounds)
// is "#num!"; a trial of a sample vector keeps its NaN.
Value* finiteSingle(Value* result) {
  if (result->kind == kValReal && !std::isfinite(result->number)) return Wsf_error(result, kErrNum);
  return result;
}

}  // namespace

Value* Sim_rand(Value* result, const SimCall* call) {
  EvalContext* ctx = result->context;
  if (!ctx || !ctx->sampling.rand) return Wsf_error(result, kErrNum);
  if (Sim_registering(ctx->flags.mode, ctx->sampling))
    return Sim_register(result, call, kSimLawUnitUniform, kSimFamilyRandom, 0, nullptr, nullptr);
  return Sim_drawTrials(result, call,
                        [&](int32_t, double u) { return Rand_uniform(ctx->sampling.rand, 0, 1, false, u); });
}

Value* Sim_randbetween(Value* result, const Value* bottom, const Value* top, const SimCall* call) {
  EvalContext* ctx = result->context;
  const Value* const bounds[] = {bottom, top};
  if (ctx && ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, 2, bounds)) return result;
  if (ctx && Sim_registering(ctx->flags.mode, ctx->sampling))
    return Sim_register(result, call, kSimLawIntegerUniform, kSimFamilyRandom, 2, bounds, nullptr);
  if (Wsf_isError(bottom)) return Wsf_copy(result, bottom);
  if (Wsf_isError(top)) return Wsf_copy(result, top);
  const auto usable = [](const Value* v) { return Wsf_isPlain(v) || (v->kind == kValSamples && v->payload); };
  if (!ctx || !ctx->sampling.rand || !usable(bottom) || !usable(top)) return Wsf_error(result, kErrNum);
  const bool samples = bottom->kind == kValSamples || top->kind == kValSamples;
  if (!samples && std::ceil(bottom->number) > std::floor(top->number)) return Wsf_error(result, kErrNum);
  if (!Sim_samplesCover(result, 2, bounds, Sim_trials(ctx->sampling))) return result;
  // A trial whose bounds hold no whole number gets NaN, as a failed trial.
  Sim_drawTrials(result, call, [&](int32_t i, double u) {
    const double lo = Sim_valueAt(bottom, i), hi = Sim_valueAt(top, i);
    return std::ceil(lo) <= std::floor(hi) ? Rand_uniform(ctx->sampling.rand, lo, hi, true, u) : NAN;
  });
  return finiteSingle(result);
}
