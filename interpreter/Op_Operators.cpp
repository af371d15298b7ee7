// Operators over value kinds. The scalar kinds compute here; errors pass,
// left first; texts and arrays give "#value!" in arithmetic; the kinds of the
// evaluation modes answer "#value!" until their family is linked in.
#include "interpreter/Op_Operators.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <string>

#include "interpreter/Prog_Program.h"
#include "values/Model_StructureInfo.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

enum class Arith { kAdd, kSub, kMul, kDiv };

bool isScalar(int32_t kind) { return kind >= kValEmpty && kind <= kValReal; }
bool isError(const Value& v) { return v.kind == kValError; }
double numberOf(const Value& v) { return v.kind == kValEmpty || v.kind == kValMissing ? 0.0 : v.number; }

EvalContext* contextOf(const Value& x, const Value& y) { return x.context ? x.context : y.context; }

// The context's result, or a private one for values bound to no context.
Value* resultOf(EvalContext* ctx) {
  thread_local Value loose{};
  if (ctx && ctx->result) return ctx->result;
  loose.context = nullptr;
  return &loose;
}

Value finish(Value* result) { return *result; }

Value copyOf(Value* result, const Value& v) {
  Val_assign(result, &v);
  return *result;
}

Value error(EvalContext* ctx, uint32_t code) { return finish(Val_setError(resultOf(ctx), code)); }

// A result beyond the doubles is "#num!", as the worksheet reports it.
Value number(EvalContext* ctx, int32_t kind, double x) {
  if (!std::isfinite(x)) return error(ctx, kErrNum);
  Value* r = resultOf(ctx);
  Val_setNumber(r, x);
  r->kind = kind;
  return *r;
}

Value boolean(EvalContext* ctx, bool b) { return finish(Val_setBool(resultOf(ctx), b ? 1 : 0)); }

void checkScaling(EvalContext* ctx, double a, double b) {
  if (!ctx || ctx->scalingCheck != 1 || !ctx->structure) return;
  const CellRef cell = ctx->currentSymbol ? Prog_symbolCell(ctx->currentSymbol) : CellRef{};
  Model_checkScaling(ctx->structure, a, b, cell);
}

Value scalarArith(EvalContext* ctx, Arith op, int32_t kx, double x, int32_t ky, double y) {
  const int32_t kind = std::max(std::max(kx, ky), static_cast<int32_t>(kValBool));
  switch (op) {
    case Arith::kAdd: checkScaling(ctx, x, y); return number(ctx, kind, x + y);
    case Arith::kSub: checkScaling(ctx, x, y); return number(ctx, kind, x - y);
    case Arith::kMul: return number(ctx, kind, x * y);
    case Arith::kDiv: return y == 0.0 ? error(ctx, kErrDiv0) : number(ctx, kValReal, x / y);
  }
  return error(ctx, kErrValue);
}

// A text operand that reads as a number ("4", "50%", "1/31/2024") counts as
// that real in arithmetic, as in the worksheet.
bool numericText(const Value& v, double* out) {
  if (v.kind != kValText || !v.text) return false;
  std::u16string t(v.text);
  const bool percent = !t.empty() && t.back() == u'%';
  if (percent) t.pop_back();
  if (!Text_toDouble(t, out) && (percent || !Text_toDate(t, out))) return false;
  if (percent) *out /= 100.0;
  return true;
}

// The kind and number of an arithmetic operand; false when it has none.
bool scalarOperand(const Value& v, int32_t* kind, double* x) {
  if (isScalar(v.kind)) {
    *kind = v.kind;
    *x = numberOf(v);
    return true;
  }
  *kind = kValReal;
  return numericText(v, x);
}

Value arith(Arith op, const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isError(y)) return copyOf(resultOf(ctx), y);
  int32_t kx = 0, ky = 0;
  double a = 0.0, b = 0.0;
  if (scalarOperand(x, &kx, &a) && scalarOperand(y, &ky, &b)) return scalarArith(ctx, op, kx, a, ky, b);
  if (op == Arith::kDiv && isScalar(y.kind) && numberOf(y) == 0.0) return error(ctx, kErrDiv0);
  return error(ctx, kErrValue);
}

Value arithVS(Arith op, const Value& x, double d) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (op == Arith::kDiv && d == 0.0 && (isScalar(x.kind) || x.kind < kValDegVec)) return error(ctx, kErrDiv0);
  if (isScalar(x.kind)) return scalarArith(ctx, op, kValReal, numberOf(x), kValReal, d);
  return error(ctx, kErrValue);
}

Value arithSV(Arith op, double d, const Value& x) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isScalar(x.kind)) return scalarArith(ctx, op, kValReal, d, kValReal, numberOf(x));
  return error(ctx, kErrValue);
}

// Text of a value for joining: booleans TRUE/FALSE, integers "%d", reals
// with the worksheet's 15 significant digits, texts as they are, anything
// else empty.
std::u16string textOf(const Value& v) {
  char buffer[64];
  switch (v.kind) {
    case kValBool: return v.number != 0.0 ? u"TRUE" : u"FALSE";
    case kValInt: std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(v.number)); break;
    case kValReal: std::snprintf(buffer, sizeof buffer, "%.15g", v.number); break;
    case kValText: return v.text ? std::u16string(v.text) : std::u16string();
    default: return std::u16string();
  }
  return Text_fromUtf8(buffer);
}

// Case-blind comparison of two texts: negative, zero or positive.
int compareTexts(const std::u16string& a, const std::u16string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t ca = Text_foldCase(a[i]), cb = Text_foldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool relationHolds(int cmp, int32_t rel) {
  switch (rel) {
    case kRelCmpEq: return cmp == 0;
    case kRelCmpNe: return cmp != 0;
    case kRelCmpLt: return cmp < 0;
    case kRelCmpLe: return cmp <= 0;
    case kRelCmpGt: return cmp > 0;
    case kRelCmpGe: return cmp >= 0;
    default: return false;
  }
}

int32_t mirror(int32_t rel) {
  switch (rel) {
    case kRelCmpLt: return kRelCmpGt;
    case kRelCmpGt: return kRelCmpLt;
    case kRelCmpLe: return kRelCmpGe;
    case kRelCmpGe: return kRelCmpLe;
    default: return rel;
  }
}

// Text order: an empty operand is the empty text; numbers and booleans come
// before every text.
bool textRelation(const Value& x, const Value& y, int32_t rel, bool* out) {
  const bool xt = x.kind == kValText || x.kind == kValEmpty, yt = y.kind == kValText || y.kind == kValEmpty;
  const bool xn = x.kind >= kValMissing && x.kind <= kValHess, yn = y.kind >= kValMissing && y.kind <= kValHess;
  if (xt && yt) {
    *out = relationHolds(compareTexts(textOf(x), textOf(y)), rel);
  } else if (x.kind == kValText && yn) {
    *out = relationHolds(1, rel);
  } else if (xn && y.kind == kValText) {
    *out = relationHolds(-1, rel);
  } else {
    return false;
  }
  return true;
}

Value compare(const Value& x, const Value& y, int32_t rel) {
  EvalContext* ctx = contextOf(x, y);
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isError(y)) return copyOf(resultOf(ctx), y);
  const bool structural = x.kind == kValDegDag || x.kind == kValDegVec || y.kind == kValDegDag || y.kind == kValDegVec;
  if (structural) return error(ctx, kErrValue);
  if (ctx && ctx->nonSmoothAllowed == 0 && (x.kind >= kValGrad || y.kind >= kValGrad)) {
    Vm_raise(ctx, kStatusNonSmoothSpecial, "compare", 0, 0, 0);
    return error(ctx, kErrValue);
  }
  if (x.kind <= kValHess && x.kind != kValSamples && isScalar(y.kind) && x.kind != kValText)
    return boolean(ctx, Op_compareConst(x, numberOf(y), rel));
  if (y.kind <= kValHess && y.kind != kValSamples && isScalar(x.kind))
    return boolean(ctx, Op_compareConst(y, numberOf(x), mirror(rel)));
  bool b = false;
  if (textRelation(x, y, rel, &b)) return boolean(ctx, b);
  return error(ctx, kErrValue);
}

}  // namespace

Value Op_add(const Value& x, const Value& y) { return arith(Arith::kAdd, x, y); }
Value Op_sub(const Value& x, const Value& y) { return arith(Arith::kSub, x, y); }
Value Op_mul(const Value& x, const Value& y) { return arith(Arith::kMul, x, y); }
Value Op_div(const Value& x, const Value& y) { return arith(Arith::kDiv, x, y); }
Value Op_addVS(const Value& x, double d) { return arithVS(Arith::kAdd, x, d); }
Value Op_subVS(const Value& x, double d) { return arithVS(Arith::kSub, x, d); }
Value Op_mulVS(const Value& x, double d) { return arithVS(Arith::kMul, x, d); }
Value Op_divVS(const Value& x, double d) { return arithVS(Arith::kDiv, x, d); }
Value Op_addSV(double d, const Value& x) { return arithSV(Arith::kAdd, d, x); }
Value Op_subSV(double d, const Value& x) { return arithSV(Arith::kSub, d, x); }
Value Op_mulSV(double d, const Value& x) { return arithSV(Arith::kMul, d, x); }

Value Op_divSV(double d, const Value& x) {
  if (isScalar(x.kind) && numberOf(x) == 0.0) return error(x.context, kErrDiv0);
  return arithSV(Arith::kDiv, d, x);
}

Value Op_pow(const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isError(y)) return copyOf(resultOf(ctx), y);
  if (!isScalar(x.kind) || !isScalar(y.kind)) return error(ctx, kErrValue);
  const double a = numberOf(x), b = numberOf(y);
  if (a == 0.0 && b < 0.0) return error(ctx, kErrDiv0);
  if (a == 0.0 && b == 0.0) return error(ctx, kErrNum);
  const double r = std::pow(a, b);
  if (!std::isfinite(r)) return error(ctx, kErrNum);
  return number(ctx, kValReal, r);
}

Value Op_neg(const Value& x) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isScalar(x.kind)) return number(ctx, x.kind == kValEmpty || x.kind == kValMissing ? kValInt : x.kind, -numberOf(x));
  return error(ctx, kErrValue);
}

Value Op_concat(const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (isError(x)) return copyOf(resultOf(ctx), x);
  if (isError(y)) return copyOf(resultOf(ctx), y);
  if (x.kind == kValDegDag || x.kind == kValDegVec || y.kind == kValDegDag || y.kind == kValDegVec)
    return error(ctx, kErrValue);
  // A join is a text even when it reads as a number ("1" & "2" is "12"),
  // so that it compares and joins further as the worksheet does.
  const std::u16string joined = textOf(x) + textOf(y);
  if (joined.size() >= kOpMaxTextLength) return error(ctx, kErrValue);
  return finish(Val_setText(resultOf(ctx), joined.c_str()));
}

Value Op_eq(const Value& x, const Value& y) { return compare(x, y, kRelCmpEq); }
Value Op_ne(const Value& x, const Value& y) { return compare(x, y, kRelCmpNe); }
Value Op_lt(const Value& x, const Value& y) { return compare(x, y, kRelCmpLt); }
Value Op_gt(const Value& x, const Value& y) { return compare(x, y, kRelCmpGt); }
Value Op_le(const Value& x, const Value& y) { return compare(x, y, kRelCmpLe); }
Value Op_ge(const Value& x, const Value& y) { return compare(x, y, kRelCmpGe); }

bool Op_compareConst(const Value& x, double d, int32_t relation) {
  if (isScalar(x.kind)) {
    const double v = numberOf(x);
    if (relation == kRelCmpContains) return v == d;
    return relationHolds(v < d ? -1 : v > d ? 1 : 0, relation);
  }
  if (x.kind == kValInterval && x.payload) {
    const Interval& i = *static_cast<const Interval*>(x.payload);
    switch (relation) {
      case kRelCmpEq: return i.lo == d && i.hi == d;
      case kRelCmpNe: return !(i.lo == d && i.hi == d);
      case kRelCmpLt: return i.hi < d;
      case kRelCmpLe: return i.hi <= d;
      case kRelCmpGt: return i.lo > d;
      case kRelCmpGe: return i.lo >= d;
      case kRelCmpContains: return i.lo <= d && d <= i.hi;
      default: return false;
    }
  }
  return false;
}

bool Op_hasKind(const Value& x, int32_t kind) {
  if (x.kind == kind) return true;
  if (x.kind != kValArray || !x.array) return false;
  for (int32_t i = 0; i < x.array->rows; ++i)
    for (int32_t j = 0; j < x.array->columns; ++j)
      if (Val_at(&x, i, j)->kind == kind) return true;
  return false;
}

bool Op_anyArgHasKind(int32_t n, Value* const* args, int32_t kind) {
  for (int32_t i = 0; i < n; ++i)
    if (Op_hasKind(*args[i], kind)) return true;
  return false;
}
