// Information worksheet functions: COUNTBLANK, ERROR.TYPE, ISERR, ISNA,
// ISLOGICAL, ISNONTEXT, ISEVEN, ISODD, ISREF, N, NA, TYPE, and HYPERLINK,
// which in a cell shows its friendly text (or the link).
#include <cmath>

#include "platform/calc/Calc_Internal.h"

namespace {

CellValue boolean(bool b) { return CellValue::makeBoolean(b); }

// Empty cells and empty texts of a reference, the unused part of a whole
// column or row included.
void fnCountBlank(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue v;
  Calc_eval(ctx, call.args[0], &v);  // a reference, as the formula around computes it
  if (!v.area) return Calc_setScalar(out, CellValue::makeError(CellError::Value));
  const CalcArea& a = *v.area;
  double n = 0;
  for (const CalcStored& s : a.stored)
    n += s.value->kind == CellKind::Empty || (s.value->kind == CellKind::Text && s.value->text.empty());
  double rows = a.toLastRow ? kCalcLastRow + 1.0 - a.row1 : a.rows();
  double cols = a.toLastCol ? kCalcLastCol + 1.0 - a.col1 : a.cols();
  Calc_setScalar(out, CellValue::makeNumber(n + rows * cols - static_cast<double>(a.stored.size())));
}

CellValue errorType(const CellValue& x) {
  if (x.kind != CellKind::Error) return CellValue::makeError(CellError::NA);
  switch (x.error) {
    case CellError::Null: return CellValue::makeNumber(1);
    case CellError::Div0: return CellValue::makeNumber(2);
    case CellError::Value: return CellValue::makeNumber(3);
    case CellError::Ref: return CellValue::makeNumber(4);
    case CellError::Name: return CellValue::makeNumber(5);
    case CellError::Num: return CellValue::makeNumber(6);
    case CellError::NA: return CellValue::makeNumber(7);
  }
  return CellValue::makeError(CellError::NA);
}

// ISEVEN and ISODD of the whole part of a number; a text is #VALUE!.
CellValue parityOf(const CellValue& x, bool even) {
  double d;
  CellValue err;
  if (x.kind == CellKind::Boolean) return CellValue::makeError(CellError::Value);
  if (!Calc_toNumber(x, &d, &err)) return err;
  return boolean((std::fmod(std::fabs(std::trunc(d)), 2) == 0) == even);
}

CellValue numberOf(const CellValue& x) {
  switch (x.kind) {
    case CellKind::Number: case CellKind::Error: return x;
    case CellKind::Boolean: return CellValue::makeNumber(x.number);
    default: return CellValue::makeNumber(0);
  }
}

#define EACH(NAME, EXPR) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { \
    Calc_mapArgs(ctx, call, out, [](const CellValue* const* items) { const CellValue& x = *items[0]; return EXPR; }); \
  }
EACH(fnErrorType, errorType(x))
EACH(fnIsErr, boolean(x.kind == CellKind::Error && x.error != CellError::NA))
EACH(fnIsNa, boolean(x.kind == CellKind::Error && x.error == CellError::NA))
EACH(fnIsLogical, boolean(x.kind == CellKind::Boolean))
EACH(fnIsNonText, boolean(x.kind != CellKind::Text))
EACH(fnIsEven, parityOf(x, true))
EACH(fnIsOdd, parityOf(x, false))
EACH(fnN, numberOf(x))
#undef EACH

bool isReference(const CalcNode& n) {
  if (n.op == CalcOp::Ref) return true;
  if (n.op != CalcOp::Union && n.op != CalcOp::Intersect) return false;
  for (const CalcNode& a : n.args)
    if (!isReference(a)) return false;
  return true;
}

void fnIsRef(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue v;
  bool ref = isReference(call.args[0]);
  if (!ref && call.args[0].op == CalcOp::Func) {   // INDEX and the like may give references
    Calc_eval(ctx, call.args[0], &v);
    ref = v.area != nullptr;
  }
  Calc_setScalar(out, boolean(ref));
}

void fnNa(const CalcContext&, const CalcNode&, CalcValue* out) {
  Calc_setScalar(out, CellValue::makeError(CellError::NA));
}

void fnType(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue v;
  Calc_eval(ctx, call.args[0], &v);
  if (v.isArray || (v.area && !Calc_single(v))) return Calc_setScalar(out, CellValue::makeNumber(64));
  const CellValue& x = *Calc_single(v);
  double code = x.kind == CellKind::Text ? 2 : x.kind == CellKind::Boolean ? 4 : x.kind == CellKind::Error ? 16 : 1;
  Calc_setScalar(out, CellValue::makeNumber(code));
}

void fnHyperlink(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  Calc_setScalar(out, Calc_evalScalar(ctx, call.args[call.args.size() > 1 ? 1 : 0]));
}

}  // namespace

std::vector<CalcBuiltinInfo> Calc_informationFunctions() {
  return {
    {"COUNTBLANK", 1, 1, fnCountBlank}, {"ERROR.TYPE", 1, 1, fnErrorType}, {"ISERR", 1, 1, fnIsErr},
    {"ISNA", 1, 1, fnIsNa}, {"ISLOGICAL", 1, 1, fnIsLogical}, {"ISNONTEXT", 1, 1, fnIsNonText},
    {"ISEVEN", 1, 1, fnIsEven}, {"ISODD", 1, 1, fnIsOdd}, {"ISREF", 1, 1, fnIsRef}, {"N", 1, 1, fnN},
    {"NA", 0, 0, fnNa}, {"TYPE", 1, 1, fnType}, {"HYPERLINK", 1, 2, fnHyperlink},
  };
}
