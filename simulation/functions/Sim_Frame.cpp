// The registration pass, per-trial arguments, stored percentiles and
// per-trial results of the simulation functions.
#include "simulation/functions/Sim_Frame.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "base/Chk_Assert.h"
#include "simulation/registry/Model_Draws.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// No stored percentile: the generator draws afresh.
constexpr double kFreshDraw = NAN;
// The parameters the distribution hook takes.
constexpr int kHookParameters = 10;

const SampleVector* samplesOf(const Value* v) { return static_cast<const SampleVector*>(v->payload); }

// A sample vector with fewer than n samples, the value itself or an element
// of it when it is an array.
bool shortSamples(const Value* v, int32_t n) {
  for (int32_t k = 0; k < Wsf_count(v); ++k) {
    const Value* e = Wsf_element(v, k);
    if (e->kind == kValSamples && (!e->payload || samplesOf(e)->n < n)) return true;
  }
  return false;
}

// The stored row of sampled input k, whose first slot is unused.
const std::vector<double>& rowOf(const VariableTable* variables, int32_t k) {
  const std::vector<std::vector<double>>* rows = Model_getSampleTable(variables);
  CORVAN_ASSERT(rows && k >= 1 && static_cast<size_t>(k) <= rows->size());
  return (*rows)[static_cast<size_t>(k) - 1];
}

}  // namespace

CellRef Sim_cellOf(const EvalPosition& position, const SimCall* call) {
  if (call && call->cell) return *call->cell;
  return position.currentCell;
}

int32_t Sim_trials(const EvalSampling& sampling) { return sampling.trialCount > 1 ? sampling.trialCount : 1; }

CellRegistry* Sim_registry(const EvalTables& tables) {
  return tables.variables ? tables.variables->registry.get() : nullptr;
}

bool Sim_registering(int32_t mode, const EvalSampling& sampling) {
  return mode == kModeDegVec && sampling.trialCount > 0 && sampling.registerUncertain;
}

Value* Sim_register(Value* result, const SimCall* call, int32_t law, int32_t family, int argc, const Value* const* argv,
                    const RangeRef* position) {
  EvalContext* ctx = result->context;
  const uint8_t flag = Op_anyArgHasKind(argc, const_cast<Value* const*>(argv), kValDegVec) ? 1 : 0;
  CellRegistry* reg = Sim_registry(ctx->tables);
  const CellRef at = Sim_cellOf(ctx->position, call);
  if (reg && at.sheet > 0 &&
      !CellReg_findOrAdd(reg, CellReg_cellKey(at.sheet, at.row, at.column), law, family, flag, position))
    Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "CellReg_findOrAdd", at.sheet, at.row, at.column);
  Val_clear(result);
  return Val_setKind(result, kValDegVec);
}

double Sim_valueAt(const Value* v, int32_t i) {
  if (v->kind != kValSamples) return v->number;
  const SampleVector* s = samplesOf(v);
  return s && i >= 1 && i <= s->n ? s->data[i] : kFreshDraw;
}

int32_t Sim_whole(double x) {
  if (std::isnan(x)) return 0;
  const double t = std::trunc(x);
  if (t <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (t >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(t);
}

int32_t Sim_count(double x) {
  const double t = std::trunc(x);
  return t >= static_cast<double>(INT32_MIN) && t <= static_cast<double>(INT32_MAX) ? static_cast<int32_t>(t) : 0;
}

bool Sim_samplesCover(Value* result, int argc, const Value* const* argv, int32_t n) {
  for (int k = 0; k < argc; ++k) {
    if (!shortSamples(argv[k], n)) continue;
    const CellRef at = result->context->position.currentCell;
    Vm_raise(Vm_errorsOf(result->context), kStatusUnsupportedVector, "Sim_samplesCover", at.sheet, at.row, at.column);
    Wsf_error(result, kErrNum);
    return false;
  }
  return true;
}

bool Sim_hookTakesOver(int32_t law, int argc, const Value* const* argv) {
  double p[kHookParameters] = {};
  for (int k = 0; k < argc && k < kHookParameters; ++k) p[k] = Sim_valueAt(argv[k], 1);
  return Model_stubFalse(law, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9]);
}

Value* Sim_atSamplePoint(Value* result, const Value* v) {
  if (v->kind != kValArray) return Wsf_copy(result, v);
  const int32_t k = result->context->sampling.sampleIndex, columns = v->array->columns;
  if (k < 1 || columns < 1 || (k - 1) / columns >= v->array->rows) return Wsf_error(result, kErrNA);
  return Wsf_copy(result, Val_at(v, (k - 1) / columns, (k - 1) % columns));
}

bool Sim_beginTrials(Value* result, const SimCall* call, SimTrials* trials) {
  EvalContext* ctx = result->context;
  trials->n = Sim_trials(ctx->sampling);
  trials->single = ctx->sampling.currentTrial > 0 ? ctx->sampling.currentTrial : 1;
  const VariableTable* variables = ctx->tables.variables;
  if (call) trials->row = Model_getDistributionSamples(variables, call->number);
  if (trials->row) trials->stored = static_cast<int32_t>(rowOf(variables, call->number).size()) - 1;
  Val_clear(result);
  if (trials->n == 1) return Val_setNumber(result, 0.0), true;
  auto* s = static_cast<SampleVector*>(Val_setKind(result, kValSamples)->payload);
  if (s && Smp_init(s, trials->n, ctx)) return true;
  Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "Sim_beginTrials", 0, 0, 0);
  Wsf_error(result, kErrNum);
  return false;
}

double Sim_percentileOf(const SimTrials& t, int32_t i) {
  return t.row && i >= 1 && i <= t.stored ? t.row[i] : kFreshDraw;
}

void Sim_storeDraw(Value* result, const SimTrials& t, int32_t i, double x) {
  if (t.n == 1) Val_setNumber(result, x);
  else Smp_setAt(static_cast<SampleVector*>(result->payload), x, i);
}
