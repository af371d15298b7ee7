// Dependency-vector mode (kind 16): instead of numbers a formula carries, per
// decision variable, the class of its dependence on that variable (DegClass:
// independent, linear, quadratic, smooth, non-smooth, argument of an unknown
// function). Every rule builds its result in the context's result value and
// adds one to the context's operation counter, whose largest count per
// formula sizes the tapes. Raising a class also notes, in the context's
// per-variable table when there is one, the cell where the variable's class
// first reached its highest value.
#pragma once

#include <cstdint>

#include "values/DegVec_Payload.h"

struct CellRef;
struct EvalContext;
struct EvalErrors;
struct Value;

// One per decision variable: the highest class seen and the cell where it was
// first reached.
struct VarDegreeNote {
  uint8_t sheet;
  uint16_t row;
  uint8_t column;
  int32_t cls;  // DegClass
};

// Stores class c at slot i and raises variable i's note among notes (none
// when notes is null) to c, noting cell when the class rises.
void DegVec_raise(DegVec* v, int32_t i, int32_t c, VarDegreeNote* notes, const CellRef& cell);

// Rules over kind-16 values; a side of another kind is a scalar (kinds 0 to
// 4), and at least one side is kind 16.
// Sum, difference, and product with a scalar: slot-wise maximum (a copy of
// the one vector).
void DegVec_add(const Value* x, const Value* y);
// Product of two vectors: linear slots become quadratic; any slot above
// linear makes the whole product smooth nonlinear.
void DegVec_mul(const Value* x, const Value* y);
void DegVec_sqr(const Value* x);
void DegVec_nonlin(const Value* x);
void DegVec_nonlin2(const Value* x, const Value* y);
void DegVec_nonsmooth(const Value* x, bool warn);
void DegVec_nonsmooth2(const Value* x, const Value* y, bool warn);
void DegVec_unknownArg(const Value* x);

// IF: the result becomes the smooth-nonlinear merge of v (or of each kind-16
// element of an array v); false outside mode 16, else whether the result
// depends on a variable.
bool DegVec_if(const Value* v);
// Merges one argument (or each kind-16 element of an array) into the result
// as non-smooth.
void DegVec_markArg(const Value* argument);
// Hooks at the start of worksheet functions: outside mode 16 false; else the
// result is built from the arguments marked as non-smooth, and the answer is
// whether it depends on a variable (the function then returns it at once).
bool DegVec_markArgs(int32_t count, const Value* arguments, EvalContext* ctx);
// As markArgs for one argument; with shaped, an array argument gives an
// array result of its shape, every element the merged classes.
bool DegVec_markArgShaped(const Value* argument, bool shaped);
bool DegVec_markArgs2(const Value* a, const Value* b);
bool DegVec_markArgs3(const Value* a, const Value* b, const Value* c);
// Handler of a function the interpreter does not know: outside mode 16
// false; else the result is the cell's stored value, or the classes of the
// last dependent argument raised to "unknown function", with warning 4 when
// no warning was counted before; true.
bool DegVec_unknownFunction(int32_t count, const Value* arguments, EvalContext* ctx);
// Warning 1 (non-smooth function) and warning 4 (unknown function) for the
// cell being evaluated.
void DegVec_warnNonsmoothCell(EvalErrors* errors);
void DegVec_warnUnknownFnCell(EvalErrors* errors);
