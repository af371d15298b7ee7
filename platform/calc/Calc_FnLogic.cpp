// Logical and information worksheet functions: IF, IFERROR, AND, OR, NOT,
// TRUE, FALSE, ISBLANK, ISNUMBER, ISERROR and ISTEXT.
#include "platform/calc/Calc_Internal.h"

namespace {

CellValue error(CellError e) { return CellValue::makeError(e); }

void fnIf(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue cond;
  Calc_eval(ctx, call.args[0], &cond);
  Calc_intersect(ctx, &cond);
  if (const CellValue* c = Calc_single(cond)) {
    bool yes;
    CellValue err;
    if (!Calc_toBool(*c, &yes, &err)) return Calc_setScalar(out, err);
    if (yes) return Calc_evalChosen(ctx, call.args[1], out);
    if (call.args.size() > 2) return Calc_evalChosen(ctx, call.args[2], out);
    return Calc_setScalar(out, CellValue::makeBoolean(false));
  }
  // A block of conditions chooses element by element; outside array
  // evaluation a range given for a branch meets the formula's row or column
  // first, as any range given where one value is wanted.
  std::vector<CalcArray> blocks{Calc_valuesOf(cond)};
  for (size_t i = 1; i < 3; ++i) {
    CalcValue v;
    if (i < call.args.size()) Calc_evalChosen(ctx, call.args[i], &v);
    else Calc_setScalar(&v, CellValue::makeBoolean(false));
    Calc_intersect(ctx, &v);
    blocks.push_back(Calc_valuesOf(v));
  }
  out->area = nullptr;
  out->isArray = true;
  Calc_mapValues(blocks, &out->array, [](const CellValue* const* x) {
    bool yes;
    CellValue err;
    if (!Calc_toBool(*x[0], &yes, &err)) return err;
    return yes ? *x[1] : *x[2];
  });
}

void fnIfError(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue v;
  Calc_eval(ctx, call.args[0], &v);
  Calc_intersect(ctx, &v);
  if (const CellValue* x = Calc_single(v)) {
    if (x->kind == CellKind::Error) return Calc_evalChosen(ctx, call.args[1], out);
    *out = std::move(v);
    return;
  }
  CalcValue alt;
  Calc_evalChosen(ctx, call.args[1], &alt);
  std::vector<CalcArray> blocks{Calc_valuesOf(v), Calc_valuesOf(alt)};
  out->area = nullptr;
  out->isArray = true;
  Calc_mapValues(blocks, &out->array, [](const CellValue* const* x) {
    return x[0]->kind == CellKind::Error ? *x[1] : *x[0];
  });
}

// AND (all) and OR: ranges give their booleans and numbers; no logical value at all is #VALUE!.
void logical(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool all) {
  bool result = all, seen = false;
  CellValue err;
  bool ok = Calc_eachValue(ctx, call, [&](const CellValue& x, bool fromRange) {
    if (x.kind == CellKind::Error) { err = x; return false; }
    bool b;
    if (fromRange) {
      if (x.kind != CellKind::Number && x.kind != CellKind::Boolean) return true;
      b = x.number != 0;
    } else {
      if (x.kind == CellKind::Empty) return true;
      if (!Calc_toBool(x, &b, &err)) return false;
    }
    seen = true;
    result = all ? (result && b) : (result || b);
    return true;
  });
  if (!ok) return Calc_setScalar(out, err);
  Calc_setScalar(out, seen ? CellValue::makeBoolean(result) : error(CellError::Value));
}
void fnAnd(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { logical(ctx, call, out, true); }
void fnOr(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { logical(ctx, call, out, false); }

void fnNot(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  Calc_mapArgs(ctx, call, out, [](const CellValue* const* x) {
    bool b;
    CellValue err;
    return Calc_toBool(*x[0], &b, &err) ? CellValue::makeBoolean(!b) : err;
  });
}

void fnTrue(const CalcContext&, const CalcNode&, CalcValue* out) { Calc_setScalar(out, CellValue::makeBoolean(true)); }
void fnFalse(const CalcContext&, const CalcNode&, CalcValue* out) { Calc_setScalar(out, CellValue::makeBoolean(false)); }

#define IS_KIND(NAME, KIND) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { \
    Calc_mapArgs(ctx, call, out, [](const CellValue* const* x) { return CellValue::makeBoolean(x[0]->kind == KIND); }); \
  }
IS_KIND(fnIsBlank, CellKind::Empty)
IS_KIND(fnIsNumber, CellKind::Number)
IS_KIND(fnIsError, CellKind::Error)
IS_KIND(fnIsText, CellKind::Text)
#undef IS_KIND

}  // namespace

std::vector<CalcBuiltinInfo> Calc_logicFunctions() {
  return {
    {"IF", 2, 3, fnIf}, {"IFERROR", 2, 2, fnIfError}, {"AND", 1, 255, fnAnd}, {"OR", 1, 255, fnOr},
    {"NOT", 1, 1, fnNot}, {"TRUE", 0, 0, fnTrue}, {"FALSE", 0, 0, fnFalse},
    {"ISBLANK", 1, 1, fnIsBlank}, {"ISNUMBER", 1, 1, fnIsNumber}, {"ISERROR", 1, 1, fnIsError},
    {"ISTEXT", 1, 1, fnIsText},
  };
}
