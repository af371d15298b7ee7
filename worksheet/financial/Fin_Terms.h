// The terms of the financial formulas that compute with the generic
// operators, so that one formula serves every evaluation mode: a term owns
// its value (a deep copy of an operator's answer, which the next operator
// would overwrite) and frees it when it goes out of scope. Errors travel
// through the arithmetic; faults are reported by the operators.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// The most periods a schedule takes (VDB, AMORLINC, AMORDEGRC and CUMIPMT
// walk them one by one, CUMPRINC keeps their bound): a later period is
// #NUM!.
constexpr double kFinMaxWalkedPeriods = 1e6;

class FinTerm {
 public:
  // The number x, bound to the context.
  FinTerm(EvalContext* ctx, double x);
  // A deep copy of v (an argument or an operator's answer).
  explicit FinTerm(const Value& v);
  FinTerm(FinTerm&& other) noexcept;
  FinTerm& operator=(FinTerm&& other) noexcept;
  FinTerm(const FinTerm&) = delete;
  FinTerm& operator=(const FinTerm&) = delete;
  ~FinTerm();
  const Value& operator*() const { return v_; }
  const Value* operator->() const { return &v_; }
  EvalContext* context() const { return v_.context; }

 private:
  Value v_;
};

FinTerm operator+(const FinTerm& x, const FinTerm& y);
FinTerm operator-(const FinTerm& x, const FinTerm& y);
FinTerm operator*(const FinTerm& x, const FinTerm& y);
FinTerm operator/(const FinTerm& x, const FinTerm& y);
FinTerm operator-(const FinTerm& x);
FinTerm operator+(const FinTerm& x, double d);
FinTerm operator-(const FinTerm& x, double d);
FinTerm operator*(const FinTerm& x, double d);
FinTerm operator/(const FinTerm& x, double d);
FinTerm operator+(double d, const FinTerm& x);
FinTerm operator-(double d, const FinTerm& x);
FinTerm operator*(double d, const FinTerm& x);
FinTerm operator/(double d, const FinTerm& x);
// x to the power y, as POWER.
FinTerm Fin_power(const FinTerm& x, const FinTerm& y);
FinTerm Fin_power(const FinTerm& x, double y);
// The natural logarithm and the exponential, as LN and EXP.
FinTerm Fin_ln(const FinTerm& x);
FinTerm Fin_exp(const FinTerm& x);
// The result becomes the term's value.
Value* Fin_into(Value* result, const FinTerm& x);
// The context of the first argument bound to one, else the result's.
EvalContext* Fin_context(const Value* result, int argc, const Value* const* argv);
// Whether v holds an enclosure (an interval or affine kind) in which 0 lies.
bool Fin_zeroInside(const Value* v);
