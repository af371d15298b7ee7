// Terms of the financial formulas over the generic operators.
#include "worksheet/financial/Fin_Terms.h"

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

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

Value* Fin_into(Value* result, const FinTerm& x) { return Wsf_copy(result, &*x); }

EvalContext* Fin_context(const Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (argv[i]->context) return argv[i]->context;
  return result->context;
}

bool Fin_zeroInside(const Value* v) { return enclosureKind(v->kind) && Op_compareConst(*v, 0.0, kRelCmpContains); }
