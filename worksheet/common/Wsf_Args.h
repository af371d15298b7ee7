// Argument rules shared by the worksheet functions: the plain kinds, error
// results and passing an error argument on. Every function writes its answer
// into the result slot the caller gives and returns that slot; the caller
// owns the slot and clears it.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

struct EvalContext;
struct EvalFlags;

// Empty, missing, boolean, integer-valued or real: the value is its number.
inline bool Wsf_isPlain(const Value* v) { return v->kind >= kValEmpty && v->kind <= kValReal; }
// Plain but no boolean: a number, or empty or missing (0).
inline bool Wsf_isNumber(const Value* v) { return Wsf_isPlain(v) && v->kind != kValBool; }
// The number of a plain value; empty and missing are 0.
inline double Wsf_number(const Value* v) { return v->kind <= kValMissing ? 0.0 : v->number; }
inline bool Wsf_isError(const Value* v) { return v->kind == kValError; }
// A value of a derivative, tape, interval or affine mode: a function on
// plain numbers refuses it ("#value!"), never skips it.
inline bool Wsf_isModeValue(const Value* v) { return v->kind >= kValGrad && v->kind <= kValAffine; }
// An argument read from a single cell by a reference (not given directly):
// the aggregates skip its booleans and texts as they skip a range's.
inline bool Wsf_isCellReference(const Value* v) { return v->source && v->kind != kValArray; }
// The element count of an argument (1 when it is no array) and its element
// i in row-major order (the argument itself when it is no array).
inline int32_t Wsf_count(const Value* v) { return v->kind == kValArray ? v->array->rows * v->array->columns : 1; }
inline const Value* Wsf_element(const Value* v, int32_t i) {
  return v->kind == kValArray ? Val_at(v, i / v->array->columns, i % v->array->columns) : v;
}
// The result becomes the worksheet error of the code.
Value* Wsf_error(Value* result, uint32_t code);
// The first argument of the error kind, copied into the result; false when
// there is none.
bool Wsf_firstErrorArg(Value* result, int argc, const Value* const* argv);
// The result becomes a copy of v (deep).
Value* Wsf_copy(Value* result, const Value* v);
// The result becomes a copy of v that keeps the range v was read from: a
// function answering with a range it was given answers with the reference,
// which a formula's cell meets as it meets a range given directly.
Value* Wsf_copyReference(Value* result, const Value* v);
// v records range (null: nothing) as the cell or range it was read from.
void Wsf_setSource(Value* v, const RangeRef* range);
// The first argument, or element of an array argument, that the evaluation
// mode could not compute (Val_isNoDerivative), copied into the result;
// false when there is none. A function that tells values apart by their kind
// where it does not pass errors on (counting numbers, matching criteria or
// keys) calls it first: what it would answer in the value mode is not known.
bool Wsf_passNoDerivative(Value* result, int argc, const Value* const* argv);
// A real, or "#num!" when x is not finite (marked as an overflow when x is
// infinite).
Value* Wsf_finite(Value* result, double x);
// The integer n.
Value* Wsf_integer(Value* result, int32_t n);
// The result becomes r, the answer a generic operator or family left in the
// context's result value (nothing to copy when the result is that value).
Value* Wsf_from(Value* result, const Value& r);
// A value of an evaluation mode (kinds 5 to 16) among the arguments or the
// elements of array arguments; its context in *ctx.
bool Wsf_anyModal(int argc, const Value* const* argv, EvalContext** ctx);
// The structure modes' kinds (dependency graph and dependency vector).
inline bool Wsf_isStructural(const Value* v) { return v->kind == kValDegDag || v->kind == kValDegVec; }
// The result becomes a non-smooth dependency on x, a structure-mode value.
Value* Wsf_nonSmoothStructure(Value* result, const Value* x);
// The same for two arguments, at least one of them a structure-mode value.
Value* Wsf_nonSmoothStructure2(Value* result, const Value* a, const Value* b);
// The structure modes and errors of a one-argument function: true with the
// result formed when the argument is a structure-mode value or an error.
bool Wsf_head1(Value* result, const Value* x);
// The structure hooks over every argument: true, with the result formed,
// when the evaluation is in a structure mode and some argument depends on a
// decision variable (the function then returns the result at once).
bool Wsf_structureHooks(Value* result, int argc, const Value* const* argv);
// The structure hooks over two arguments.
bool Wsf_structureHooks2(Value* result, const Value* a, const Value* b);
// The structure hooks of a function that computes value-wise in some of its
// arguments: the hooks over its plain arguments, and when they fire, each
// value-wise argument merged into the result as a smooth nonlinear
// dependency. When they do not fire, the generic operators carry the
// structure modes through the value-wise arguments.
bool Wsf_structureHooksSmooth(Value* result, const std::vector<const Value*>& plain,
                              const std::vector<const Value*>& smooth);
// The dependency-vector pass with trials: a step of the function that one
// of the decisive values settles (which formula runs, whether there is a
// result at all) differs from trial to trial when that value depends on a
// decision variable, so the current function's fixedStructure flag is
// cleared. Does nothing in another mode or without trials.
void Wsf_structureVariesWith(const Value* result, const std::vector<const Value*>& decisive);
// The structure hooks over every argument, then the first error argument:
// true with the result formed by either.
bool Wsf_hooksOrError(Value* result, int argc, const Value* const* argv);
// The arguments in order: the first error is copied into the result and
// the first argument refused(v, i) turns away makes the result the error
// code, whichever comes first. True with the result formed.
template <typename Refused>
bool Wsf_firstRefusedArg(Value* result, int argc, const Value* const* argv, uint32_t code, Refused refused) {
  for (int i = 0; i < argc; ++i) {
    if (Wsf_isError(argv[i])) return Wsf_copy(result, argv[i]), true;
    if (refused(argv[i], i)) return Wsf_error(result, code), true;
  }
  return false;
}
// Whether the flags let non-smooth functions take derivative, interval and
// tape values.
bool Wsf_nonSmoothAllowed(const EvalFlags& flags);

// The frame of the functions on plain numbers: the structure hooks over
// every argument, then the first error argument, then "#value!" for an
// argument of a kind above the plain ones (an evaluation mode's value also
// raises "Unsupported function", which names the cell). False with the
// result formed;
// else true with x[i] the number of argument i (empty and missing 0).
bool Wsf_plainNumbers(Value* result, int argc, const Value* const* argv, double* x);
// Whether argument i was given (present and not of the missing kind).
inline bool Wsf_given(int argc, const Value* const* argv, int i) { return argc > i && argv[i]->kind != kValMissing; }
// A domain test of a value-wise function: a number or evaluation-mode value
// against d by the relation (Op_compareConst); a sample vector fails when
// any trial does, which raises "Unsupported vector operation".
bool Wsf_fails(const Value* v, double d, int32_t relation);
// The result becomes an array of the shape of the array a whose element i
// is f(slot, element i of a); a slot is an empty value of the context. Each
// call may read whole ranges again (a criterion's), so the user's stop is
// asked before each (Vm_stopAsked), which ends it there.
template <typename F>
Value* Wsf_overElements(Value* result, const Value* a, F f) {
  Value out = Val_empty(result->context);
  if (Val_makeArray(&out, static_cast<int32_t>(a->array->rows), static_cast<int32_t>(a->array->columns)) != 0)
    return Wsf_error(result, kErrValue);
  for (int32_t i = 0; i < Wsf_count(a) && !(result->context && Vm_stopAsked(result->context, kVmStopStride)); ++i) {
    Value slot = Val_empty(result->context);
    f(&slot, Wsf_element(a, i));
    Val_assign(Val_at(&out, i / a->array->columns, i % a->array->columns), &slot);
    Val_clear(&slot);
  }
  Val_clear(result);
  *result = out;
  return result;
}
// The result becomes a sample vector of f over the trials of v (kind 5).
Value* Wsf_mapTrials(Value* result, const Value* v, double (*f)(double));

// A value of the function's own, freed when it goes out of scope; it takes
// deep copies of the operators' answers, which the next operator overwrites,
// or with take the answer itself, leaving its former content to the
// context's result record.
struct WsfLocal {
  Value v;
  explicit WsfLocal(EvalContext* ctx) : v(Val_empty(ctx)) {}
  WsfLocal(const WsfLocal&) = delete;
  WsfLocal& operator=(const WsfLocal&) = delete;
  ~WsfLocal() { Val_clear(&v); }
  WsfLocal& operator=(const Value& r) {
    if (&r != &v) Val_assign(&v, &r);
    return *this;
  }
  WsfLocal& take(const Value& r) {
    if (&r != &v) Val_takeResult(&v, r);
    return *this;
  }
  const Value& operator*() const { return v; }
  const Value* operator->() const { return &v; }
};

// The arguments of a function that looks only at kinds (COUNT, ISNUMBER,
// TYPE, ...): a value the mode could not compute whose value-mode answer is
// known (Val_noDerivativeAnswer) stands, itself or as an element of an
// array, as a plain value of that kind, read from where it was read; every
// other argument as it is. With numbersGiven, a text that reads as a number
// given directly stands as a number, as a function of numbers reads it.
class WsfKinds {
 public:
  WsfKinds(int argc, const Value* const* argv, bool numbersGiven = false);
  const Value* const* args() const { return args_.data(); }

 private:
  std::vector<const Value*> args_;
  std::deque<WsfLocal> kept_;
};

