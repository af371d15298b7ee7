// The builders of formula texts and their length guards.
#include "arithmetic/text/Txt_Build.h"

#include <cmath>

#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

namespace {

const char16_t kOverlong[] = u"#VALUE!";

// Appends to a text buffer, remembering when something did not fit.
struct Writer {
  char16_t* out;
  int32_t length;
  bool overflow;
};

Writer start(char16_t* out, int32_t cls) {
  Txt_setClass(out, cls);
  return Writer{out, 1, false};
}

void put(Writer& w, const char16_t* s) {
  for (; *s; ++s) {
    if (w.length >= kTxtLength - 1) {
      w.overflow = true;
      return;
    }
    w.out[w.length++] = *s;
  }
}

void putNumber(Writer& w, double s) {
  char16_t text[40];
  Txt_number(text, s);
  put(w, text + 1);
}

// Terminates the text; an overflow leaves the error literal as an atom.
void end(Writer& w) {
  if (!w.overflow) {
    w.out[w.length] = 0;
    return;
  }
  Txt_setClass(w.out, kTxtAtom);
  w = Writer{w.out, 1, false};
  put(w, kOverlong);
  w.out[w.length] = 0;
}

const char16_t* body(const char16_t* t) { return t[0] ? t + 1 : t; }
bool isBody(const char16_t* t, char16_t c) { return t[0] && t[1] == c && t[2] == 0; }
bool Z(const char16_t* t) { return isBody(t, u'0'); }
bool O(const char16_t* t) { return isBody(t, u'1'); }
// A NaN number counts as both 0 and 1 in the simplifications.
bool zero(double s) { return s == 0.0 || std::isnan(s); }
bool one(double s) { return s == 1.0 || std::isnan(s); }

// The body, in parentheses when the text's class is among those given.
void putWrapped(Writer& w, const char16_t* t, bool wrapSum, bool wrapProduct) {
  const int32_t cls = Txt_classOf(t);
  const bool wrap = (cls == kTxtSum && wrapSum) || (cls == kTxtProduct && wrapProduct);
  if (wrap) put(w, u"(");
  put(w, body(t));
  if (wrap) put(w, u")");
}

// P(a): the body, parenthesised when it is a sum.
void putFactor(Writer& w, const char16_t* t) { putWrapped(w, t, true, false); }

void setZero(char16_t* out) { Txt_setText(out, kTxtAtom, u"0"); }

}  // namespace

int32_t Txt_classOf(const char16_t* text) {
  if (text[0] == u'0') return kTxtAtom;
  return text[0] == u'1' ? kTxtSum : kTxtProduct;
}

void Txt_setClass(char16_t* out, int32_t cls) {
  out[0] = cls == kTxtAtom ? u'0' : cls == kTxtProduct ? u'2' : u'1';
  out[1] = 0;
}

void Txt_setText(char16_t* out, int32_t cls, const char16_t* text) {
  Writer w = start(out, cls);
  put(w, text);
  end(w);
}

void Txt_copy(char16_t* out, const char16_t* text) {
  if (out == text) return;
  Txt_setText(out, Txt_classOf(text), body(text));
}

void Txt_number(char16_t* out, double s) {
  out[0] = u'0';
  Text_formatNumber(s, out + 1);
}

int32_t Txt_length(const char16_t* text) {
  int32_t n = 0;
  while (text && text[n]) ++n;
  return n;
}

void Txt_neg(const char16_t* a, char16_t* out) {
  if (Z(a)) return setZero(out);
  Writer w = start(out, kTxtSum);
  put(w, u"-");
  putFactor(w, a);
  end(w);
}

void Txt_sub(const char16_t* a, const char16_t* b, char16_t* out) {
  if (Z(a) && Z(b)) return setZero(out);
  Writer w = start(out, Txt_classOf(a) != kTxtAtom || !Z(b) ? kTxtSum : kTxtAtom);
  if (!Z(a)) put(w, body(a));
  if (!Z(b)) {
    put(w, u"-");
    putFactor(w, b);
  }
  end(w);
}

void Txt_subSV(double s, const char16_t* x, char16_t* out) {
  if (zero(s) && Z(x)) return setZero(out);
  Writer w = start(out, Z(x) ? kTxtAtom : zero(s) ? kTxtProduct : kTxtSum);
  if (!zero(s)) putNumber(w, s);
  if (!Z(x)) {
    put(w, u"-");
    putFactor(w, x);
  }
  end(w);
}

void Txt_subVS(const char16_t* x, double s, char16_t* out) {
  if (Z(x) && zero(s)) return setZero(out);
  Writer w = start(out, Txt_classOf(x) != kTxtAtom || !zero(s) ? kTxtSum : kTxtAtom);
  if (!Z(x)) put(w, body(x));
  if (!zero(s)) {
    put(w, u"-");
    putNumber(w, s);
  }
  end(w);
}

void Txt_add(const char16_t* a, const char16_t* b, char16_t* out) {
  if (Z(a) && Z(b)) return setZero(out);
  const bool sum = Txt_classOf(a) != kTxtAtom || Txt_classOf(b) != kTxtAtom || (!Z(a) && !Z(b));
  Writer w = start(out, sum ? kTxtSum : kTxtAtom);
  if (!Z(a)) put(w, body(a));
  if (!Z(b)) {
    if (!Z(a)) put(w, u"+");
    put(w, body(b));
  }
  end(w);
}

void Txt_addSV(double s, const char16_t* x, char16_t* out) {
  if (zero(s) && Z(x)) return setZero(out);
  const bool atom = Txt_classOf(x) == kTxtAtom && (zero(s) || Z(x));
  Writer w = start(out, atom ? kTxtAtom : kTxtSum);
  if (!zero(s)) putNumber(w, s);
  if (!Z(x)) {
    if (!zero(s)) put(w, u"+");
    put(w, body(x));
  }
  end(w);
}

void Txt_addVS(const char16_t* x, double s, char16_t* out) {
  if (Z(x) && zero(s)) return setZero(out);
  const bool sum = Txt_classOf(x) != kTxtAtom || (!Z(x) && !zero(s));
  Writer w = start(out, sum ? kTxtSum : kTxtAtom);
  if (!Z(x)) put(w, body(x));
  if (!zero(s)) {
    put(w, u"+");
    putNumber(w, s);
  }
  end(w);
}

void Txt_mul(const char16_t* a, const char16_t* b, char16_t* out) {
  if (Z(a) || Z(b)) return setZero(out);
  if (O(a) && O(b)) return Txt_setText(out, kTxtProduct, u"1");
  Writer w = start(out, kTxtProduct);
  if (!O(a)) putFactor(w, a);
  if (!O(b)) {
    if (!O(a)) put(w, u"*");
    putFactor(w, b);
  }
  end(w);
}

void Txt_mulSV(double s, const char16_t* x, char16_t* out) {
  if (zero(s) || Z(x)) return setZero(out);
  if (one(s) && O(x)) return Txt_setText(out, kTxtProduct, u"1");
  Writer w = start(out, kTxtProduct);
  if (!one(s)) putNumber(w, s);
  if (!O(x)) {
    if (!one(s)) put(w, u"*");
    putFactor(w, x);
  }
  end(w);
}

void Txt_mulVS(const char16_t* x, double s, char16_t* out) {
  if (Z(x) || zero(s)) return setZero(out);
  if (O(x) && one(s)) return Txt_setText(out, kTxtProduct, u"1");
  Writer w = start(out, kTxtProduct);
  if (!O(x)) putFactor(w, x);
  if (!one(s)) {
    if (!O(x)) put(w, u"*");
    putNumber(w, s);
  }
  end(w);
}

bool Txt_div(const char16_t* a, const char16_t* b, char16_t* out) {
  const bool ok = !Z(b);
  if (Z(a)) {
    setZero(out);
    return ok;
  }
  if (O(b)) {
    Txt_copy(out, a);
    return ok;
  }
  Writer w = start(out, kTxtProduct);
  putFactor(w, a);
  put(w, u"/");
  putWrapped(w, b, true, true);
  end(w);
  return ok;
}

bool Txt_divSV(double s, const char16_t* x, char16_t* out) {
  const bool ok = !Z(x);
  if (zero(s)) {
    setZero(out);
    return ok;
  }
  Writer w = start(out, O(x) ? kTxtAtom : kTxtProduct);
  putNumber(w, s);
  if (!O(x)) {
    put(w, u"/");
    putWrapped(w, x, true, true);
  }
  end(w);
  return ok;
}

bool Txt_divVS(const char16_t* x, double s, char16_t* out) {
  const bool ok = !zero(s);
  if (Z(x)) {
    setZero(out);
    return ok;
  }
  if (one(s)) {
    Txt_copy(out, x);
    return ok;
  }
  Writer w = start(out, kTxtProduct);
  putFactor(w, x);
  put(w, u"/");
  putNumber(w, s);
  end(w);
  return ok;
}

void Txt_guardLength(FormulaTextSink* sink, int32_t overhead, char16_t* a, char16_t* b) {
  for (int pass = 0; sink && pass < 2; ++pass) {
    const int32_t la = Txt_length(a), lb = Txt_length(b);
    if (la + lb + overhead < kTxtGuardLimit) return;
    sink->spillText(b && la <= lb ? b : a);
    if (!b) return;
  }
}

void Txt_guardLength4(FormulaTextSink* sink, int32_t overhead, int32_t w1, char16_t* t1, int32_t w2, char16_t* t2,
                      int32_t w3, char16_t* t3, int32_t w4, char16_t* t4) {
  char16_t* texts[4] = {t1, t2, t3, t4};
  const int32_t weights[4] = {w1, w2, w3, w4};
  for (int pass = 0; sink && pass < 4; ++pass) {
    int32_t total = overhead, longest = 0;
    for (int i = 0; i < 4; ++i) {
      const int32_t len = Txt_length(texts[i]);
      total += weights[i] * len;
      if (len > Txt_length(texts[longest])) longest = i;
    }
    if (total < kTxtGuardLimit) return;
    sink->spillText(texts[longest]);
  }
}
