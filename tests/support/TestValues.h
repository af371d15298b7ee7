// Values made and owned by a test, bound to a context when given one and
// cleared at its end (or by clear, before the context goes), and the error
// check the tests of the worksheet and simulation functions share.
#pragma once

#include <cmath>
#include <initializer_list>
#include <vector>

#include "values/Smp_Payload.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

struct TestValues {
  explicit TestValues(EvalContext* ctx = nullptr) : context(ctx) {}
  ~TestValues() { clear(); }
  TestValues(const TestValues&) = delete;
  TestValues& operator=(const TestValues&) = delete;

  EvalContext* context;
  std::vector<Value*> owned;

  void clear() {
    for (Value* v : owned) {
      Val_clear(v);
      delete v;
    }
    owned.clear();
  }
  Value* make() {
    owned.push_back(new Value(Val_empty(context)));
    return owned.back();
  }
  Value* num(double x) { return Val_setNumber(make(), x); }
  Value* integer(int32_t x) { return Val_setInt(make(), x); }
  Value* boolean(bool b) { return Val_setBool(make(), b); }
  Value* text(const char16_t* t) { return Val_setText(make(), t); }
  Value* error(uint32_t code) { return Val_setError(make(), code); }
  // A rows x columns array of numbers; NaN stands for an empty cell.
  Value* grid(int rows, int columns, std::initializer_list<double> xs) {
    Value* a = make();
    Val_makeArray(a, static_cast<int32_t>(rows), static_cast<int32_t>(columns));
    int k = 0;
    for (double x : xs) {
      if (!std::isnan(x)) Val_setNumber(Val_at(a, k / columns, k % columns), x);
      ++k;
    }
    return a;
  }
  // A one-row array holding copies of the items.
  Value* row(std::initializer_list<Value*> items) {
    Value* a = make();
    Val_makeArray(a, 1, static_cast<int32_t>(items.size()));
    int32_t c = 0;
    for (Value* item : items) Val_assign(Val_at(a, 0, c++), item);
    return a;
  }
  // A sample vector of the numbers, samples 1 to n (needs the context).
  Value* samples(std::initializer_list<double> xs) {
    SampleVector s{};
    Smp_init(&s, static_cast<int32_t>(xs.size()), context);
    int32_t i = 1;
    for (double x : xs) Smp_setAt(&s, x, i++);
    Value* v = Val_setSamples(make(), &s);
    Smp_free(&s);
    return v;
  }
};

inline bool isError(const Value* v, uint32_t code) {
  uint32_t got = 0;
  return v->kind == kValError && Vm_errorCode(v->number, &got) && got == code;
}
