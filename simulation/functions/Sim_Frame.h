// The steps every simulation function that draws shares: the registration
// pass (dependency vectors, trials set, registration asked for), which
// enters the calling cell into the model's registry of uncertain cells and
// draws nothing; the per-trial values of arguments that are sample vectors;
// the cell's stored percentile row; the model's distribution hook; and the
// result, one draw per trial in a sample vector when the context runs two or
// more trials, else one number.
#pragma once

#include <cstdint>

#include "simulation/functions/Sim_Entries.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/Val_Value.h"

struct EvalPosition;
struct EvalSampling;
struct EvalTables;

// The trials of a call: the sampling state's trial count, 1 when it is 0.
int32_t Sim_trials(const EvalSampling& sampling);
// The registry of the loaded model; null without one.
CellRegistry* Sim_registry(const EvalTables& tables);
// The cell of a call: the call's own, else the position's current cell.
CellRef Sim_cellOf(const EvalPosition& position, const SimCall* call);
// Whether the evaluation in the mode (EvalMode) with the sampling state is
// the registration pass.
bool Sim_registering(int32_t mode, const EvalSampling& sampling);
// Registers the calling cell under law and family (flag: some argument, or
// element of an array argument, depends on an uncertain cell; position
// copied when given) and makes the result an empty dependency vector.
Value* Sim_register(Value* result, const SimCall* call, int32_t law, int32_t family, int argc, const Value* const* argv,
                    const RangeRef* position);
// The value of an argument in trial i: sample i of a sample vector (NaN
// past its end), else its number.
double Sim_valueAt(const Value* v, int32_t i);
// A parameter that the law takes as a whole number: x truncated toward
// zero, held within the 32-bit range; 0 for NaN.
int32_t Sim_whole(double x);
// A count a law takes (trials, successes, sizes, degrees of freedom): x
// truncated toward zero; 0, which no law takes, for NaN and for a count
// past the 32-bit range, which is never cut down to one the user did not
// give.
int32_t Sim_count(double x);
// True when every sample-vector argument holds at least n samples; else
// status 42 is raised and the result is "#num!".
bool Sim_samplesCover(Value* result, int argc, const Value* const* argv, int32_t n);

// Asks the model's distribution hook before law draws, with the numbers of
// the call's first ten arguments in the first trial (0 past the last): true
// when the hook answers for the call, which then returns without drawing.
bool Sim_hookTakesOver(int32_t law, int argc, const Value* const* argv);

// The element of an array argument that belongs to the convexity tester's
// current sample point k (row-major, from 1); "#n/a" when k lies outside
// the array. Any other argument is copied as it is.
Value* Sim_atSamplePoint(Value* result, const Value* v);

// The trials of one call: their count, the trial a single draw belongs to
// (the context's current trial, else 1) and the cell's stored percentiles.
struct SimTrials {
  int32_t n = 1;
  int32_t single = 1;
  const double* row = nullptr;  // stored percentiles 1..stored, or null
  int32_t stored = 0;
};

// The trials of the call; the result becomes a sample vector of n samples
// when n >= 2. False, with status 2 raised and the result "#num!", when
// memory runs out.
bool Sim_beginTrials(Value* result, const SimCall* call, SimTrials* trials);
// The trial that draw i of the call belongs to.
inline int32_t Sim_trialOf(const SimTrials& t, int32_t i) { return t.n == 1 ? t.single : i; }
// The stored percentile of trial i; NaN (a fresh draw) without one.
double Sim_percentileOf(const SimTrials& t, int32_t i);
// Stores draw i: sample i of the result, or the result's number.
void Sim_storeDraw(Value* result, const SimTrials& t, int32_t i, double x);

// One draw per trial: draw(trial, percentile) gives the number of a trial.
template <typename Draw>
Value* Sim_drawTrials(Value* result, const SimCall* call, Draw draw) {
  SimTrials t;
  if (!Sim_beginTrials(result, call, &t)) return result;
  for (int32_t i = 1; i <= t.n; ++i) {
    const int32_t trial = Sim_trialOf(t, i);
    Sim_storeDraw(result, t, i, draw(trial, Sim_percentileOf(t, trial)));
  }
  return result;
}
