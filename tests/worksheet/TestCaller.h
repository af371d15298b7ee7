// A formula cell's call of a registered worksheet function, with the values
// the test makes, for the worksheet-function tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/TestValues.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "worksheet/Wsf_Registry.h"

// Calls the registered function id on the arguments, in a formula cell.
struct Caller {
  EvalContext* ctx = Vm_createContext();
  TestValues values;
  CellRef cell{1, 5, 3};
  bool arrayFormula = false;
  ~Caller() { Vm_destroyContext(ctx); }
  const Value* call(int32_t id, std::vector<const Value*> args) {
    const WsfCall c{&cell, arrayFormula};
    return Wsf_entry(id)(ctx->buffers.result, static_cast<int>(args.size()), args.data(), &c);
  }
  Value* bound(Value* v) {
    v->context = ctx;
    return v;
  }
  Value* text(const char16_t* t) { return bound(values.text(t)); }
  Value* num(double x) { return bound(values.num(x)); }
  Value* boolean(bool b) { return bound(values.boolean(b)); }
  Value* error(uint32_t code) { return bound(values.error(code)); }
  Value* empty() { return bound(values.make()); }
  // A rows x columns array of the items, row by row.
  Value* array(int rows, int columns, std::vector<const Value*> items) {
    Value* a = values.make();
    a->context = ctx;
    Val_makeArray(a, static_cast<int32_t>(rows), static_cast<int32_t>(columns));
    for (size_t k = 0; k < items.size(); ++k)
      Val_assign(Val_at(a, static_cast<int32_t>(k) / columns, static_cast<int32_t>(k) % columns), items[k]);
    return a;
  }
  Value* grid(int rows, int columns, std::initializer_list<double> xs) { return values.grid(rows, columns, xs); }
};

inline double numberOf(const Value* v) { return v->kind == kValInt || v->kind == kValReal ? v->number : NAN; }
inline std::string textOf(const Value* v) { return v->kind == kValText ? Text_toUtf8(v->text) : "(not a text)"; }
