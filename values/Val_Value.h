// The interpreter's value: every literal, cell content, stack slot, argument
// and result is a Value. It is a plain record copied by value; whoever owns a
// Value frees what hangs on it (text, array, evaluation-mode payload, source
// range) with Val_clear. Kinds 5 to 17 carry the payload of an evaluation
// mode; their records and copies live beside it, their arithmetic in the
// families of the evaluation modes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Chk_Assert.h"
#include "values/Ivl_Interval.h"

struct EvalContext;
struct RangeRef;
struct ValueArray;
struct SampleVector;
struct GradValue;
struct RevNode;
struct HessValue;
struct IvGradValue;
struct IvRevNode;
struct IvHessValue;
struct IvPropNode;
struct AffineForm;
struct DegDagNode;
struct DegVec;
struct Kind17Record;

enum ValueKind : int32_t {
  kValEmpty = 0,
  kValMissing = 1,  // an argument left out
  kValBool = 2,
  kValInt = 3,  // integer-valued number
  kValReal = 4,
  kValSamples = 5,
  kValGrad = 6,
  kValRev = 7,
  kValHess = 8,
  kValIvGrad = 9,
  kValIvRev = 10,
  kValIvHess = 11,
  kValInterval = 12,
  kValIvProp = 13,
  kValAffine = 14,
  kValDegDag = 15,
  kValDegVec = 16,
  kValKind17 = 17,
  kValError = 18,
  kValText = 19,
  kValArray = 20,
};
constexpr int32_t kValFirstPayload = kValSamples;
constexpr int32_t kValLastPayload = kValKind17;

// Largest array: rows are 16-bit and columns 8-bit.
constexpr int32_t kValMaxRows = 65535;
constexpr int32_t kValMaxColumns = 255;

struct Value {
  int32_t kind;      // ValueKind
  uint8_t overflow;      // kind 18: 1 when the error is a result beyond the doubles
  uint8_t noDerivative;  // kind 18: a ValModeAnswer when the error is a value the mode could not compute
  double number;     // kinds 2, 3, 4 and 18 (the error encoding)
  char16_t* text;    // kind 19: own copy
  void* payload;     // kinds 5 to 17: own record of the kind
  ValueArray* array; // kind 20: own descriptor
  RangeRef* source;  // own copy of the cell or range the value was read from
  int32_t reference; // > 0 a decision variable, < 0 minus a sampled input
  EvalContext* context;
};
// Values are copied and stored by the million: the record stays at 64 bytes,
// with the overflow mark in the padding after the kind.
static_assert(sizeof(Value) == 64 && offsetof(Value, number) == 8, "Value must keep its 64-byte layout");

// Array descriptor: the elements in one block, allocatedColumns values per
// allocated row, row after row; the row table points at each row.
struct ValueArray {
  uint16_t rows;
  uint16_t allocatedRows;
  uint8_t columns;
  uint8_t allocatedColumns;
  Value** rowTable;
};

// A scalar kind: the whole content is kind and number (and an error's
// marks).
inline bool Val_isScalar(int32_t kind) { return kind < kValFirstPayload || kind == kValError; }
// An empty value bound to ctx.
inline Value Val_empty(EvalContext* ctx) {
  Value v{};
  v.context = ctx;
  return v;
}
// A scalar of the kind holding the number, bound to no context.
inline Value Val_scalar(int32_t kind, double number) {
  Value v{};
  v.kind = kind;
  v.number = number;
  return v;
}
// Element (row, column), 0-based, of an array value.
inline Value* Val_at(const Value* v, int32_t row, int32_t column) {
  CORVAN_ASSERT(v->array && row >= 0 && row < v->array->allocatedRows && column >= 0 &&
                column < v->array->allocatedColumns);
  return &v->array->rowTable[row][column];
}

// Changes the kind: the payload of the old kind is freed with everything on it
// and kinds 5 to 17 get a fresh zeroed payload. Setting the kind it already
// has keeps the payload (a dependency vector is emptied during the sizing
// pass). Other kinds leave number, text and array for the setters.
Value* Val_setKind(Value* v, int32_t kind);
Value* Val_setBool(Value* v, uint8_t b);
Value* Val_setByte(Value* v, uint8_t x);
Value* Val_setWord(Value* v, uint16_t x);
Value* Val_setInt(Value* v, int32_t x);
Value* Val_setNumber(Value* v, double x);
Value* Val_setText(Value* v, const char16_t* text);
// Kind 18 holding the worksheet error of the given code.
Value* Val_setError(Value* v, uint32_t code);
// Kind 18 "#num!" for a result beyond the doubles: to formulas an error
// value like any other (ISERROR sees it), marked so that an evaluation entry
// whose function gives it reports an overflow (status 26), not an error value.
Value* Val_setOverflow(Value* v);
// Kind 18 "#value!" marked as a value the evaluation mode could not compute
// (a function without derivatives given a value with derivatives, an
// interval, a tape node). It is no worksheet error value: the tests of
// errors pass it on instead of answering (Wsf_Logical.h), so that a guarded
// formula fails its evaluation as the unguarded one does (status 40) rather
// than taking, in that mode alone, the branch the guard keeps for errors.
Value* Val_setNoDerivative(Value* v);
inline bool Val_isNoDerivative(const Value* v) { return v->kind == kValError && v->noDerivative; }
// What the value mode gives where a mode could not compute a value, as far
// as the functions that look only at a value's kind (COUNT, ISNUMBER, TYPE)
// need it: such a function answers with it, a count having no slope.
enum ValModeAnswer : uint8_t {
  kValAnswerUnknown = 1,
  kValAnswerNumber = 2,
  kValAnswerText = 3,         // a text that reads as no number
  kValAnswerNumericText = 4,  // a text that reads as a number ("7.3%")
  kValAnswerLogical = 5,
};
// Val_setNoDerivative, with what the value mode gives there.
Value* Val_setNoDerivativeOf(Value* v, ValModeAnswer answer);
inline ValModeAnswer Val_noDerivativeAnswer(const Value* v) { return static_cast<ValModeAnswer>(v->noDerivative); }

// Payload setters: the kind, then a deep copy of the payload. Running out of
// memory raises status 2 and leaves the payload empty.
Value* Val_setSamples(Value* v, const SampleVector* p);
Value* Val_setGrad(Value* v, const GradValue* p);
Value* Val_setRev(Value* v, const RevNode* p);
Value* Val_setHess(Value* v, const HessValue* p);
Value* Val_setIvGrad(Value* v, const IvGradValue* p);
Value* Val_setIvRev(Value* v, const IvRevNode* p);
Value* Val_setIvHess(Value* v, const IvHessValue* p);
Value* Val_setInterval(Value* v, const Interval* p);
Value* Val_setIvProp(Value* v, const IvPropNode* p);
Value* Val_setAffine(Value* v, const AffineForm* p);
Value* Val_setDegDag(Value* v, const DegDagNode* p);
Value* Val_setDegVec(Value* v, const DegVec* p);
Value* Val_setKind17(Value* v, const Kind17Record* p);

// Makes v an array of rows x columns, reusing its storage when it is large
// enough (elements then keep their contents), else with empty elements bound
// to v's context. Returns 0; status 2 (raised, v left empty) when memory
// runs out; kStatusInvalidArray (not raised, v unchanged) for a size beyond
// kValMaxRows x kValMaxColumns, or below 0, which no array holds.
int32_t Val_makeArray(Value* v, int32_t rows, int32_t columns);
// Makes v of the kind with its payload sized for n variables (a sample
// vector: n trials) and zeroed: kinds 5, 6, 8, 9, 11, 14 and 16 through
// their family's sizing; any other kind only takes the kind. kStatusOk, or
// kStatusNoMemory (raised) when the payload cannot be had.
int32_t Val_initKind(Value* v, int32_t kind, int32_t n);
// Copies src into dst by kind, deeply; a source standing for a decision
// variable or a sampled input becomes what it stands for in the context's
// evaluation mode. An unknown kind or mode raises status 33 and leaves dst.
Value* Val_assign(Value* dst, const Value* src);
// dst gets src's content: when both hold a payload of the same kind the two
// records change places (src keeps dst's former one, to be overwritten), so
// no copy is made and neither aliases the other; otherwise a deep copy as
// Val_assign.
Value* Val_take(Value* dst, Value* src);
// dst gets an operator's answer r, a copy of the context's result record:
// taken from the record as Val_take does while r still holds its payload,
// so that nothing is copied; otherwise a deep copy as Val_assign.
Value* Val_takeResult(Value* dst, const Value& r);
// Whether moving v somewhere gives what Val_assign would: nothing in it
// (itself or an array element) stands for a decision variable or a sampled
// input, which a copy turns into the values of the evaluation mode.
bool Val_movable(const Value* v);
// Kind 0 with nothing owned: payload, text, elements, descriptor and source
// range freed, number and reference zeroed; the context stays.
Value* Val_clear(Value* v);
