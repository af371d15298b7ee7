// Terms of the financial formulas over the generic operators.
#include "worksheet/financial/Fin_Terms.h"

#include <cmath>
#include <optional>
#include <utility>

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

// Below this magnitude ln(1 + x) / x and (e^x - 1) / x take their series,
// whose first left-out term is under 1E-20 of the sum; and of a rate below
// it 1 + rate as rounded keeps fewer than 12 digits, so growth is taken
// from ln(1 + rate) / rate instead.
constexpr double kSmall = 1e-4;

// ln(1 + x) / x at x's point p (above -1): its series near 0.
FinTerm lnRatioAt(const FinTerm& x, double p) {
  if (std::fabs(p) < kSmall) return 1.0 + x * (-0.5 + x * (1.0 / 3 + x * (-0.25 + x * 0.2)));
  return Fin_ln(1.0 + x) / x;
}

// (e^u - 1) / u at u's point q: its series near 0; up to 1, (e - 1) / ln(e)
// with e = e^u as rounded, whose errors cancel; beyond, no digits are lost.
FinTerm expRatioAt(const FinTerm& u, double q) {
  if (std::fabs(q) < kSmall) return 1.0 + u * (0.5 + u * (1.0 / 6 + u * (1.0 / 24 + u / 120.0)));
  const FinTerm e = Fin_exp(u);
  return std::fabs(q) <= 1.0 ? (e - 1.0) / Fin_ln(e) : (e - 1.0) / u;
}

// The slopes of the two ratios: d/dx ln(1 + x) / x = (1 / (1 + x) - ratio)
// / x and d/du (e^u - 1) / u = (e^u - ratio) / u, from their series near 0.
FinTerm lnRatioSlopeAt(const FinTerm& x, double p, const FinTerm& ratio) {
  if (std::fabs(p) < kSmall) return -0.5 + x * (2.0 / 3 + x * (-0.75 + x * 0.8));
  return (1.0 / (1.0 + x) - ratio) / x;
}

FinTerm expRatioSlopeAt(const FinTerm& u, double q, const FinTerm& ratio) {
  if (std::fabs(q) < kSmall) return 0.5 + u * (1.0 / 3 + u * (0.125 + u * (1.0 / 30)));
  return (Fin_exp(u) - ratio) / u;
}

// Whether rate and nper take the smooth forms: both plain numbers or of a
// derivative kind, with the rate's point *r above -1.
bool smoothTerms(const FinTerm& rate, const FinTerm& nper, double* r) {
  return Fin_points({&rate, &nper}) && Op_pointNumber(*rate, r) && *r > -1;
}

// form(ratio, u, r, q) of the annuity's smooth forms, where they hold: the
// rate within 1E-4 of 0, or the growth u = nper ln(1 + rate) (ratio =
// ln(1 + rate) / rate, r and q the points of rate and u). Empty elsewhere.
template <typename Form>
std::optional<FinTerm> smoothAnnuity(const FinTerm& rate, const FinTerm& nper, Form form) {
  double r = 0, q = 0;
  if (!smoothTerms(rate, nper, &r)) return std::nullopt;
  const FinTerm ratio = lnRatioAt(rate, r), u = nper * rate * ratio;
  Op_pointNumber(*u, &q);
  if (std::fabs(r) >= kSmall && std::fabs(q) >= kSmall) return std::nullopt;
  return form(ratio, u, r, q);
}

// The kinds whose value is an enclosure.
bool enclosureKind(int32_t kind) { return kind >= kValIvGrad && kind <= kValAffine; }

// A term from a function that writes its answer into a slot.
template <typename F>
FinTerm byFunction(EvalContext* ctx, F f) {
  Value slot = Val_empty(ctx);
  f(&slot);
  FinTerm t(slot);
  Val_clear(&slot);
  return t;
}

}  // namespace

FinTerm::FinTerm(EvalContext* ctx, double x) : v_(Val_empty(ctx)) { Val_setNumber(&v_, x); }

FinTerm::FinTerm(const Value& v) : v_(Val_empty(v.context)) { Val_assign(&v_, &v); }

FinTerm::FinTerm(FinTerm&& other) noexcept : v_(other.v_) { other.v_ = Val_empty(v_.context); }

FinTerm& FinTerm::operator=(FinTerm&& other) noexcept {
  if (this != &other) {
    Val_clear(&v_);
    v_ = other.v_;
    other.v_ = Val_empty(v_.context);
  }
  return *this;
}

FinTerm::~FinTerm() { Val_clear(&v_); }

FinTerm operator+(const FinTerm& x, const FinTerm& y) { return FinTerm(Op_add(*x, *y)); }
FinTerm operator-(const FinTerm& x, const FinTerm& y) { return FinTerm(Op_sub(*x, *y)); }
FinTerm operator*(const FinTerm& x, const FinTerm& y) { return FinTerm(Op_mul(*x, *y)); }
FinTerm operator/(const FinTerm& x, const FinTerm& y) { return FinTerm(Op_div(*x, *y)); }
FinTerm operator-(const FinTerm& x) { return FinTerm(Op_neg(*x)); }
FinTerm operator+(const FinTerm& x, double d) { return FinTerm(Op_addVS(*x, d)); }
FinTerm operator-(const FinTerm& x, double d) { return FinTerm(Op_subVS(*x, d)); }
FinTerm operator*(const FinTerm& x, double d) { return FinTerm(Op_mulVS(*x, d)); }
FinTerm operator/(const FinTerm& x, double d) { return FinTerm(Op_divVS(*x, d)); }
FinTerm operator+(double d, const FinTerm& x) { return FinTerm(Op_addSV(d, *x)); }
FinTerm operator-(double d, const FinTerm& x) { return FinTerm(Op_subSV(d, *x)); }
FinTerm operator*(double d, const FinTerm& x) { return FinTerm(Op_mulSV(d, *x)); }
FinTerm operator/(double d, const FinTerm& x) { return FinTerm(Op_divSV(d, *x)); }

FinTerm Fin_power(const FinTerm& x, const FinTerm& y) {
  return byFunction(x.context(), [&](Value* slot) { Wsf_power(slot, &*x, &*y); });
}

FinTerm Fin_power(const FinTerm& x, double y) { return Fin_power(x, FinTerm(x.context(), y)); }

FinTerm Fin_ln(const FinTerm& x) {
  return byFunction(x.context(), [&](Value* slot) { Wsf_ln(slot, &*x); });
}

FinTerm Fin_exp(const FinTerm& x) {
  return byFunction(x.context(), [&](Value* slot) { Wsf_exp(slot, &*x); });
}

bool Fin_points(std::initializer_list<const FinTerm*> terms) {
  double p = 0;
  for (const FinTerm* t : terms)
    if (!Op_pointNumber(**t, &p)) return false;
  return true;
}

FinTerm Fin_lnRatio(const FinTerm& x) {
  double p = 0;
  Op_pointNumber(*x, &p);
  return lnRatioAt(x, p);
}

bool Fin_small(const FinTerm& x) {
  double p = 0;
  return Op_pointNumber(*x, &p) && std::fabs(p) < kSmall;
}

FinTerm Fin_growth(const FinTerm& rate, const FinTerm& nper) {
  double r = 0;
  if (smoothTerms(rate, nper, &r) && std::fabs(r) < kSmall) return Fin_exp(nper * rate * lnRatioAt(rate, r));
  return Fin_power(1.0 + rate, nper);
}

FinTerm Fin_annuity(const FinTerm& rate, const FinTerm& nper) {
  if (auto smooth = smoothAnnuity(rate, nper, [&](const FinTerm& ratio, const FinTerm& u, double, double q) {
        return nper * ratio * expRatioAt(u, q);
      }))
    return std::move(*smooth);
  // Elsewhere (1 + rate)^nper - 1 loses at most 12 digits, as the
  // workbook's own formula does; enclosures and sample vectors, and rates
  // of -1 or below, where a whole number of periods still has a growth,
  // take it as it stands.
  if (Op_compareConst(*rate, 0.0, kRelCmpEq)) return FinTerm(*nper);
  return (Fin_power(1.0 + rate, nper) - 1.0) / rate;
}

FinTerm Fin_annuitySlope(const FinTerm& rate, const FinTerm& nper) {
  // nper ratio(rate) growth(u), u = nper ln(1 + rate), by the product and
  // chain rules: du / drate = nper / (1 + rate).
  if (auto smooth = smoothAnnuity(rate, nper, [&](const FinTerm& ratio, const FinTerm& u, double r, double q) {
        const FinTerm grown = expRatioAt(u, q);
        return nper * (lnRatioSlopeAt(rate, r, ratio) * grown +
                       ratio * expRatioSlopeAt(u, q, grown) * nper / (1.0 + rate));
      }))
    return std::move(*smooth);
  const FinTerm g = Fin_power(1.0 + rate, nper), dg = nper * Fin_power(1.0 + rate, nper - 1.0);
  return (dg * rate - (g - 1.0)) / (rate * rate);
}

Value* Fin_into(Value* result, const FinTerm& x) { return Wsf_copy(result, &*x); }

EvalContext* Fin_context(const Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (argv[i]->context) return argv[i]->context;
  return result->context;
}

bool Fin_zeroInside(const Value* v) { return enclosureKind(v->kind) && Op_compareConst(*v, 0.0, kRelCmpContains); }
