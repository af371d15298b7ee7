// The terms of the financial formulas that compute with the generic
// operators, so that one formula serves every evaluation mode: a term owns
// its value (a deep copy of an operator's answer, which the next operator
// would overwrite) and frees it when it goes out of scope. Errors travel
// through the arithmetic; faults are reported by the operators.
#pragma once

#include <cstdint>
#include <initializer_list>

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
// (1 + rate)^nper. Over plain numbers and the derivative kinds, a rate
// within 1E-4 of 0 grows as e^(nper ln(1 + rate)) with ln(1 + rate) from its
// series: 1 + rate as rounded would keep too few of the rate's digits.
FinTerm Fin_growth(const FinTerm& rate, const FinTerm& nper);
// ((1 + rate)^nper - 1) / rate: what payments of 1 at the end of each of
// nper periods come to at their end; nper at a rate of 0. Over plain
// numbers and the derivative kinds, at a rate above -1 that is within 1E-4
// of 0 or grows by less than 1E-4 over the periods, it is formed from
// ln(1 + x) / x and (e^u - 1) / u, each smooth through 0: it keeps its
// digits where (1 + rate)^nper is near 1 (a rate of 3E-15, 1E-300 periods)
// and its slope in the rate at a rate of exactly 0.
FinTerm Fin_annuity(const FinTerm& rate, const FinTerm& nper);
// The slope of Fin_annuity in the rate, in the same forms: nper (nper - 1)
// / 2 at a rate of 0.
FinTerm Fin_annuitySlope(const FinTerm& rate, const FinTerm& nper);
// ln(1 + x) / x, 1 at 0, from its series within 1E-4 of 0; over plain
// numbers and the derivative kinds.
FinTerm Fin_lnRatio(const FinTerm& x);
// Whether x is a plain number or of a derivative kind within 1E-4 of 0.
bool Fin_small(const FinTerm& x);
// Whether each term is a plain number or of a derivative kind.
bool Fin_points(std::initializer_list<const FinTerm*> terms);
// The result becomes the term's value.
Value* Fin_into(Value* result, const FinTerm& x);
// The context of the first argument bound to one, else the result's.
EvalContext* Fin_context(const Value* result, int argc, const Value* const* argv);
// Whether v holds an enclosure (an interval or affine kind) in which 0 lies.
bool Fin_zeroInside(const Value* v);
