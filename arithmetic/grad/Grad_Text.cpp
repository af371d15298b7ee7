// Derivative formulas as texts: the symbolic kind-6 operations.
#include "arithmetic/grad/Grad_Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "arithmetic/text/Txt_Build.h"
#include "values/Pay_Array.h"
#include "values/Pay_Tape.h"
#include "values/Fn_Ids.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

using Text = char16_t[kTxtLength];

const char16_t* builtinName(int32_t id) {
  switch (id) {
    case kIdAbs: return u"ABS";
    case kIdAcos: return u"ACOS";
    case kIdAsin: return u"ASIN";
    case kIdAtan: return u"ATAN";
    case kIdCos: return u"COS";
    case kIdCosh: return u"COSH";
    case kIdExp: return u"EXP";
    case kIdLn: return u"LN";
    case kIdSign: return u"SIGN";
    case kIdSin: return u"SIN";
    case kIdSinh: return u"SINH";
    case kIdSqrt: return u"SQRT";
    case kIdTan: return u"TAN";
    case kIdTanh: return u"TANH";
    case kIdMax: return u"MAX";
    default: return u"MIN";
  }
}

// The name of worksheet function id into out (no class digit).
void functionName(FormulaTextSink* sink, int32_t id, char16_t* out) {
  out[0] = 0;
  if (sink && sink->functionName(id, u"", out) && out[0]) return;
  Txt_setText(out, kTxtAtom, builtinName(id));
  std::copy(out + 1, out + Txt_length(out) + 1, out);
}

// Builds "0" name(id) "(" parts joined by "," ")" into out.
void call(FormulaTextSink* sink, int32_t id, const char16_t* a, const char16_t* b, char16_t* out) {
  Text name;
  functionName(sink, id, name);
  std::u16string text = name;
  text += u"(";
  text += a;
  if (b) {
    text += u",";
    text += b;
  }
  text += u")";
  Txt_setText(out, kTxtAtom, text.c_str());
}

// F(id, t): the function applied to a text.
void apply(FormulaTextSink* sink, int32_t id, const char16_t* t, char16_t* out) { call(sink, id, t + 1, nullptr, out); }

void square(FormulaTextSink* sink, const char16_t* t, char16_t* out) {
  if (sink && sink->squareText(t, out) && out[0]) return;
  std::u16string text = Txt_classOf(t) == kTxtAtom ? std::u16string(t + 1) : u"(" + std::u16string(t + 1) + u")";
  Txt_setText(out, kTxtSum, (text + u"^2").c_str());
}

void power(FormulaTextSink* sink, const char16_t* base, const char16_t* exponent, char16_t* out) {
  if (sink && sink->powerText(base, exponent, out) && out[0]) return;
  std::u16string text = Txt_classOf(base) == kTxtAtom ? std::u16string(base + 1) : u"(" + std::u16string(base + 1) + u")";
  text += u"^(" + std::u16string(exponent + 1) + u")";
  Txt_setText(out, kTxtSum, text.c_str());
}

// W: the weight "(0.5-SIGN(d)/2)" of a difference text d, 1 where d < 0, 0
// where d > 0 and 0.5 at a tie.
void weight(FormulaTextSink* sink, const char16_t* difference, char16_t* out) {
  Text sign;
  apply(sink, kIdSign, difference, sign);
  Txt_setText(out, kTxtAtom, (u"(0.5-" + std::u16string(sign + 1) + u"/2)").c_str());
}

GradValue* result(const GradValue* x) {
  GradValue* out = x->context->buffers.gradBuffer;
  out->n = std::min(x->n, out->textCount);
  out->context = x->context;
  return out;
}

int32_t nameLength(FormulaTextSink* sink, int32_t id) {
  Text name;
  functionName(sink, id, name);
  return Txt_length(name);
}

// Identifier and text-length overheads (value; each partial) of a unary
// operation.
struct UnaryText {
  int32_t id;
  int32_t valueOverhead;
  int32_t partialOverhead;
};

UnaryText unaryText(FormulaTextSink* sink, int32_t op) {
  const int32_t L = nameLength(sink, kIdSqrt);
  switch (op) {
    case kOpAbs: return {kIdAbs, nameLength(sink, kIdAbs) + 3, 10};
    case kOpAcos: return {kIdAcos, 10, L + 21};
    case kOpAsin: return {kIdAsin, 10, L + 20};
    case kOpAtan: return {kIdAtan, nameLength(sink, kIdAtan) + 2, 16};
    case kOpCos: return {kIdCos, nameLength(sink, kIdCos) + 2, nameLength(sink, kIdSin) + 6};
    case kOpCosh: return {kIdCosh, 10, 13};
    case kOpExp: return {kIdExp, nameLength(sink, kIdExp) + 3, nameLength(sink, kIdExp) + 6};
    case kOpLn: return {kIdLn, nameLength(sink, kIdLn) + 3, 5};
    case kOpSign: return {kIdSign, nameLength(sink, kIdSign) + 3, 0};
    case kOpSin: return {kIdSin, nameLength(sink, kIdSin) + 3, nameLength(sink, kIdCos) + 4};
    case kOpSinh: return {kIdSinh, 10, 13};
    case kOpSquare: return {0, 10, 8};
    case kOpSqrt: return {kIdSqrt, nameLength(sink, kIdSqrt) + 3, nameLength(sink, kIdSqrt) + 10};
    case kOpTan: return {kIdTan, nameLength(sink, kIdTan) + 3, 23};
    case kOpTanh: return {kIdTanh, 10, 26};
    default: return {0, 3, 3};  // negation
  }
}

// How a unary partial is built from the factor: factor * dx, dx / factor,
// or -dx / factor.
enum FactorForm { kTimes, kOver, kMinusOver };

// The factor of the partial of op at the argument text tx whose value text
// is value, and how the partial uses it.
FactorForm unaryFactor(FormulaTextSink* sink, int32_t op, const char16_t* tx, const char16_t* value, char16_t* factor) {
  Text t1, t2;
  switch (op) {
    case kOpSub: Txt_setText(factor, kTxtAtom, u"-1"); return kTimes;
    case kOpAbs: apply(sink, kIdSign, tx, factor); return kTimes;
    case kOpAcos:
    case kOpAsin:
      square(sink, tx, t1);
      Txt_subSV(1.0, t1, t2);
      apply(sink, kIdSqrt, t2, factor);
      return op == kOpAcos ? kMinusOver : kOver;
    case kOpAtan:
      square(sink, tx, t1);
      Txt_addSV(1.0, t1, factor);
      return kOver;
    case kOpCos:
      apply(sink, kIdSin, tx, t1);
      Txt_setText(factor, kTxtProduct, (u"-" + std::u16string(t1 + 1)).c_str());
      return kTimes;
    case kOpCosh: apply(sink, kIdSinh, tx, factor); return kTimes;
    case kOpExp: Txt_copy(factor, value); return kTimes;
    case kOpLn: Txt_copy(factor, tx); return kOver;
    case kOpSign: Txt_setText(factor, kTxtAtom, u"0"); return kTimes;
    case kOpSin: apply(sink, kIdCos, tx, factor); return kTimes;
    case kOpSinh: apply(sink, kIdCosh, tx, factor); return kTimes;
    case kOpSquare: Txt_mulSV(2.0, tx, factor); return kTimes;
    case kOpSqrt: Txt_mulSV(2.0, value, factor); return kOver;
    case kOpTan:
    case kOpTanh:
      square(sink, value, t1);
      if (op == kOpTan) Txt_addSV(1.0, t1, factor);
      else Txt_subSV(1.0, t1, factor);
      return kTimes;
    default: return kTimes;
  }
}

// Guards every text a binary operation builds from, partials and values,
// before any is built; n partials.
void guardBinary(FormulaTextSink* sink, int32_t op, const GradValue* x, const GradValue* y, int32_t n) {
  char16_t *tx = x->valueText, *ty = y->valueText;
  const int32_t signLength = nameLength(sink, kIdSign);
  for (int32_t k = 1; k <= n; ++k) {
    char16_t *dx = x->partialTexts[k], *dy = y->partialTexts[k];
    switch (op) {
      case kOpSub: Txt_guardLength(sink, 3, dx, dy); break;
      case kOpAdd: Txt_guardLength(sink, 1, dx, dy); break;
      case kOpMul: Txt_guardLength4(sink, 11, 1, tx, 1, dx, 1, ty, 1, dy); break;
      case kOpDiv: Txt_guardLength4(sink, 16, 1, tx, 1, dx, 1, dy, 2, ty); break;
      case kOpPower: Txt_guardLength4(sink, nameLength(sink, kIdLn) + 25, 3, tx, 2, ty, 1, dx, 1, dy); break;
      default: Txt_guardLength4(sink, signLength + 32, 2, tx, 2, ty, 1, dx, 1, dy); break;
    }
  }
  constexpr int32_t valueOverhead[] = {0, 3, 1, 5, 5};  // by code, kOpNone to kOpDiv
  static_assert(std::size(valueOverhead) == kOpDiv + 1 && kOpSub == 1 && kOpAdd == 2 && kOpMul == 3);
  Txt_guardLength(sink, op <= kOpDiv ? valueOverhead[op] : op == kOpPower ? 8 : 10, tx, ty);
}

// As guardBinary, for an operation with a number on one side.
void guardMixed(FormulaTextSink* sink, int32_t op, bool numberLeft, const GradValue* x, int32_t n) {
  char16_t* tx = x->valueText;
  for (int32_t k = 1; k <= n; ++k) {
    char16_t* dx = x->partialTexts[k];
    switch (op) {
      case kOpMul: Txt_guardLength(sink, 24, dx, nullptr); break;
      case kOpDiv:
        if (numberLeft) Txt_guardLength4(sink, 30, 2, tx, 1, dx, 0, nullptr, 0, nullptr);
        else Txt_guardLength(sink, 24, dx, nullptr);
        break;
      case kOpPower: Txt_guardLength(sink, 54, tx, dx); break;
      case kOpMax:
      case kOpMin: Txt_guardLength(sink, nameLength(sink, kIdSign) + 40, tx, dx); break;
      default: break;
    }
  }
  const int32_t valueOverhead = op == kOpMax || op == kOpMin ? 32 : op == kOpPower ? 30 : 24;
  Txt_guardLength(sink, valueOverhead, tx, nullptr);
}

}  // namespace

bool GradText_init(GradValue* g, int32_t n, EvalContext* ctx) {
  bool ok = Grad_init(g, n, ctx);
  if (ok && g->partialTexts && g->textCount < n) {
    Pay_freeRows(g->partialTexts, g->textCount);
    g->partialTexts = nullptr;
    g->textCount = 0;
  }
  if (ok && !g->partialTexts) {
    g->partialTexts = Pay_zeroed<char16_t*>(n);
    ok = g->partialTexts != nullptr;
    for (int32_t k = 1; ok && k <= n; ++k) ok = (g->partialTexts[k] = Pay_zeroed<char16_t>(kTxtLength - 1)) != nullptr;
    if (ok) g->textCount = n;
  }
  if (ok && !g->valueText) ok = (g->valueText = Pay_zeroed<char16_t>(kTxtLength - 1)) != nullptr;
  if (!ok) {
    Grad_free(g);
    Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "Grad", 0, 0, 0);
    return false;
  }
  for (int32_t k = 1; k <= n; ++k) g->partialTexts[k][0] = 0;
  g->valueText[0] = 0;
  return true;
}

void GradText_setVar(GradValue* g, int32_t p) {
  FormulaTextSink* sink = g->context->host.textSink;
  g->valueText[0] = 0;
  if (!(sink && sink->variableText(g->valueText, p - 1) && g->valueText[0])) {
    char name[16];
    std::snprintf(name, sizeof name, "X%d", p);
    std::u16string text(name, name + std::char_traits<char>::length(name));
    Txt_setText(g->valueText, kTxtAtom, text.c_str());
  }
  for (int32_t k = 1; k <= g->n; ++k) Txt_setText(g->partialTexts[k], kTxtAtom, k == p ? u"1" : u"0");
  g->node = -p;
}

void GradText_setConst(GradValue* g, double s) {
  Txt_number(g->valueText, s);
  for (int32_t k = 1; k <= g->n; ++k) Txt_setText(g->partialTexts[k], kTxtAtom, u"0");
}

GradValue GradText_unary(int32_t op, const GradValue* x) {
  FormulaTextSink* sink = x->context->host.textSink;
  GradValue* out = result(x);
  const UnaryText u = unaryText(sink, op);
  // Every text is guarded before any is built, so that what a guard hands
  // over is not already copied into a factor.
  for (int32_t k = 1; u.partialOverhead && k <= out->n; ++k)
    Txt_guardLength(sink, u.partialOverhead, x->valueText, x->partialTexts[k]);
  Txt_guardLength(sink, u.valueOverhead, x->valueText, nullptr);
  char16_t* value = out->valueText;
  switch (op) {
    case kOpSub: Txt_neg(x->valueText, value); break;
    case kOpSquare: square(sink, x->valueText, value); break;
    default: apply(sink, u.id, x->valueText, value); break;
  }
  Text factor, t1;
  const FactorForm form = unaryFactor(sink, op, x->valueText, value, factor);
  for (int32_t k = 1; k <= out->n; ++k) {
    char16_t* dx = x->partialTexts[k];
    if (op == kOpSub) Txt_neg(dx, out->partialTexts[k]);
    else if (form == kTimes) Txt_mul(factor, dx, out->partialTexts[k]);
    else if (form == kOver) Txt_div(dx, factor, out->partialTexts[k]);
    else {
      Txt_neg(dx, t1);
      Txt_div(t1, factor, out->partialTexts[k]);
    }
  }
  return *out;
}

GradValue GradText_binary(int32_t op, const GradValue* x, const GradValue* y) {
  FormulaTextSink* sink = x->context->host.textSink;
  GradValue* out = result(x);
  char16_t *tx = x->valueText, *ty = y->valueText, *value = out->valueText;
  Text q, t1, t2, t3, wx, wy;
  guardBinary(sink, op, x, y, out->n);
  switch (op) {
    case kOpSub: Txt_sub(tx, ty, value); break;
    case kOpAdd: Txt_add(tx, ty, value); break;
    case kOpMul: Txt_mul(tx, ty, value); break;
    case kOpDiv: Txt_div(tx, ty, value); Txt_copy(q, value); break;
    case kOpPower: power(sink, tx, ty, value); break;
    default: {  // MAX, MIN
      call(sink, op == kOpMax ? kIdMax : kIdMin, tx + 1, ty + 1, value);
      Txt_sub(tx, ty, t1);
      Txt_sub(ty, tx, t2);
      // MAX weighs x by W(y - x); MIN by W(x - y).
      weight(sink, op == kOpMax ? t2 : t1, wx);
      weight(sink, op == kOpMax ? t1 : t2, wy);
      break;
    }
  }
  for (int32_t k = 1; k <= out->n; ++k) {
    char16_t *dx = x->partialTexts[k], *dy = y->partialTexts[k], *dk = out->partialTexts[k];
    switch (op) {
      case kOpSub: Txt_sub(dx, dy, dk); break;
      case kOpAdd: Txt_add(dx, dy, dk); break;
      case kOpMul:
        Txt_mul(dx, ty, t1);
        Txt_mul(tx, dy, t2);
        Txt_add(t1, t2, dk);
        break;
      case kOpDiv:
        Txt_mul(dy, q, t1);
        Txt_sub(dx, t1, t2);
        Txt_div(t2, ty, dk);
        break;
      case kOpPower:
        Txt_div(ty, tx, t1);
        Txt_mul(t1, dx, t2);
        apply(sink, kIdLn, tx, t1);
        Txt_mul(t1, dy, t3);
        Txt_add(t2, t3, t1);
        Txt_mul(value, t1, dk);
        break;
      default:
        Txt_mul(wx, dx, t1);
        Txt_mul(wy, dy, t2);
        Txt_add(t1, t2, dk);
        break;
    }
  }
  return *out;
}

GradValue GradText_mixed(int32_t op, bool numberLeft, const GradValue* x, double s) {
  FormulaTextSink* sink = x->context->host.textSink;
  GradValue* out = result(x);
  char16_t *tx = x->valueText, *value = out->valueText;
  Text q, t1, t2, number, factor;
  Txt_number(number, s);
  guardMixed(sink, op, numberLeft, x, out->n);
  switch (op) {
    case kOpSub: numberLeft ? Txt_subSV(s, tx, value) : Txt_subVS(tx, s, value); break;
    case kOpAdd: numberLeft ? Txt_addSV(s, tx, value) : Txt_addVS(tx, s, value); break;
    case kOpMul: numberLeft ? Txt_mulSV(s, tx, value) : Txt_mulVS(tx, s, value); break;
    case kOpDiv:
      if (numberLeft) Txt_divSV(s, tx, value);
      else Txt_divVS(tx, s, value);
      Txt_copy(q, value);
      break;
    case kOpPower:
      if (numberLeft) {
        power(sink, number, tx, value);
        Txt_mulSV(std::log(s), value, factor);
      } else {
        power(sink, tx, number, value);
        Txt_number(t1, s - 1.0);
        power(sink, tx, t1, t2);
        Txt_mulSV(s, t2, factor);
      }
      break;
    default: {  // MAX, MIN
      numberLeft ? call(sink, op == kOpMax ? kIdMax : kIdMin, number + 1, tx + 1, value)
                 : call(sink, op == kOpMax ? kIdMax : kIdMin, tx + 1, number + 1, value);
      if (op == kOpMax) Txt_subSV(s, tx, t1);
      else Txt_subVS(tx, s, t1);
      weight(sink, t1, factor);
      break;
    }
  }
  for (int32_t k = 1; k <= out->n; ++k) {
    char16_t *dx = x->partialTexts[k], *dk = out->partialTexts[k];
    switch (op) {
      case kOpSub: numberLeft ? Txt_neg(dx, dk) : Txt_copy(dk, dx); break;
      case kOpAdd: Txt_copy(dk, dx); break;
      case kOpMul: Txt_mulVS(dx, s, dk); break;
      case kOpDiv:
        if (numberLeft) {
          Txt_mul(dx, q, t1);
          Txt_neg(t1, t2);
          Txt_div(t2, tx, dk);
        } else {
          Txt_divVS(dx, s, dk);
        }
        break;
      default: Txt_mul(factor, dx, dk); break;  // POWER, MAX, MIN
    }
  }
  return *out;
}
