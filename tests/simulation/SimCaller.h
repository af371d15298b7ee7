// A context with a model's variable table and registry of uncertain cells,
// the values a test makes on it, and calls of the simulation functions as
// the dispatcher makes them, from a formula cell with its sampled-input
// number: the fixture the simulation-function tests share.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "simulation/functions/Sim_Entries.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/support/TestValues.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

struct SimCaller : ::testing::Test {
  EvalContext* ctx = Vm_createContext();
  TestValues values{ctx};
  CellRef cell{1, 3, 1};

  SimCaller() {
    ctx->tables.variables = Model_createVariableTable();
    ctx->tables.variables->registry = CellReg_create();
    ctx->flags.mode = kModeReal;
  }
  ~SimCaller() override {
    values.clear();
    Vm_destroyContext(ctx);
  }
  CellRegistry* reg() { return ctx->tables.variables->registry.get(); }
  Value* num(double x) { return values.num(x); }
  Value* text(const char16_t* t) { return values.text(t); }
  Value* samples(std::initializer_list<double> xs) { return values.samples(xs); }
  // The entry on the arguments, called from the cell with the sampled-input
  // number (0 for none); by function id through the dispatcher's table.
  const Value* call(SimEntry entry, std::initializer_list<Value*> args, int32_t number = 0) {
    const std::vector<const Value*> a(args.begin(), args.end());
    const SimCall c{&cell, number};
    return entry(ctx->buffers.result, static_cast<int>(a.size()), a.data(), &c);
  }
  const Value* call(int32_t id, std::initializer_list<Value*> args, int32_t number = 0) {
    return call(Sim_entry(id), args, number);
  }
  // The registration pass of a run of the trials.
  void registration(int32_t trials = 10) {
    ctx->flags.mode = kModeDegVec;
    ctx->sampling.trialCount = trials;
    ctx->sampling.registerUncertain = 1;
  }
  // A sampled run of the trials: sample vectors, or numbers for one trial.
  void sampled(int32_t trials) {
    ctx->flags.mode = trials > 1 ? kModeSamples : kModeReal;
    ctx->sampling.trialCount = trials;
    ctx->sampling.registerUncertain = 0;
  }
};

inline const SampleVector* samplesOf(const Value* v) { return static_cast<const SampleVector*>(v->payload); }
