// NPV, XNPV, MIRR, FVSCHEDULE, EFFECT, NOMINAL, DOLLARDE and DOLLARFR.
#include "worksheet/financial/Wsf_CashFlows.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Date_Serial.h"
#include "worksheet/financial/Fin_Terms.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

constexpr double kPerDay = 1.0 / 365;
constexpr double kDecimalBase = 10;

// An element of a range that NPV counts: a number, an evaluation-mode
// value or an error.
bool npvElement(const Value* v) { return v->kind >= kValInt && v->kind <= kValError && v->kind != kValKind17; }
// An argument given on its own that NPV counts.
bool npvArgument(const Value* v) { return v->kind >= kValMissing && v->kind <= kValDegVec; }

bool dependsOnVariables(const Value* v) { return Op_hasKind(*v, kValDegDag) || Op_hasKind(*v, kValDegVec); }

// The frame of EFFECT and NOMINAL: true with the result formed, else n.
// The number of periods picks the power.
bool periodsHead(Value* result, const Value* rate, const Value* npery, int32_t* n) {
  Wsf_structureVariesWith(result, {npery});
  if (Wsf_structureHooksSmooth(result, {npery}, {rate})) return true;
  if (Wsf_isError(npery)) return Wsf_copy(result, npery), true;
  if (!Wsf_isNumber(npery)) return Wsf_error(result, kErrValue), true;
  const double periods = std::trunc(Wsf_number(npery));
  if (!(periods >= 1) || periods > INT32_MAX) return Wsf_error(result, kErrNum), true;
  if (Wsf_fails(rate, 0.0, kRelCmpLe)) return Wsf_error(result, kErrNum), true;
  *n = static_cast<int32_t>(periods);
  return false;
}

// The frame of DOLLARDE and DOLLARFR: true with the result formed, else the
// dollar, its integer part, the truncated fraction and the power of ten.
struct Dollar {
  double dollar, whole, parts, scale;
};

bool dollarHead(Value* result, const Value* dollar, const Value* fraction, Dollar* d) {
  const Value* args[] = {dollar, fraction};
  double x[2] = {0, 0};
  if (!Wsf_plainNumbers(result, 2, args, x)) return true;
  if (dollar->kind == kValBool || fraction->kind == kValBool) return Wsf_error(result, kErrValue), true;
  // The powers of ten below never pass a fraction that is not finite.
  if (!(x[1] >= 0 && std::isfinite(x[1]))) return Wsf_error(result, kErrNum), true;
  if (x[1] == 0) return Wsf_error(result, kErrDiv0), true;
  if (x[1] == 1) return Wsf_finite(result, x[0]), true;
  d->dollar = x[0];
  d->whole = std::trunc(x[0]);
  d->parts = std::trunc(x[1]);
  // A fraction between 0 and 1 has no parts to count.
  if (d->parts == 0) return Wsf_error(result, kErrDiv0), true;
  d->scale = kDecimalBase;
  while (std::trunc(d->parts / d->scale) != 0) d->scale *= kDecimalBase;
  return false;
}

}  // namespace

Value* Wsf_npv(Value* result, int argc, const Value* const* argv) {
  if (argc < 2) return Wsf_error(result, kErrNA);
  // NPV leaves errors out; one the mode could not compute is no worksheet
  // error and stands for a value that may count.
  if (Wsf_passNoDerivative(result, argc - 1, argv + 1)) return result;
  EvalContext* ctx = Fin_context(result, 1, argv);
  const FinTerm discount = 1.0 / (1.0 + FinTerm(*argv[0]));
  FinTerm sum(ctx, 0.0);
  for (int i = argc - 1; i >= 1; --i) {
    const Value* a = argv[i];
    if (a->kind == kValArray) {
      for (int32_t k = Wsf_count(a) - 1; k >= 0; --k)
        if (npvElement(Wsf_element(a, k))) sum = sum * discount + FinTerm(*Wsf_element(a, k));
    } else if (npvArgument(a)) {
      sum = sum * discount + FinTerm(*a);
    }
  }
  return Fin_into(result, sum * discount);
}

Value* Wsf_xnpv(Value* result, const Value* rate, const Value* values, const Value* dates) {
  if (dependsOnVariables(dates)) {
    const Value* args[] = {rate, values, dates};
    if (Wsf_structureHooks(result, 3, args)) return result;
  }
  if (Wsf_isError(rate)) return Wsf_copy(result, rate);
  if (rate->kind == kValBool || rate->kind > kValError) return Wsf_error(result, kErrValue);
  if (Wsf_fails(rate, 0.0, kRelCmpLe)) return Wsf_error(result, kErrNum);
  const int32_t n = Wsf_count(values);
  for (int32_t k = 0; k < n; ++k) {
    const Value* v = Wsf_element(values, k);
    if (Wsf_isError(v)) return Wsf_copy(result, v);
    if (v->kind < kValInt || v->kind > kValDegVec) return Wsf_error(result, kErrValue);
  }
  std::vector<double> days;
  if (!Num_gatherNumbers(dates, kCollectStrict, &days, result)) return result;
  if (static_cast<int32_t>(days.size()) - 1 != n) return Wsf_error(result, kErrNum);
  if (values->kind != kValArray) return Wsf_copy(result, values);
  const double first = std::trunc(days[1]);
  const FinTerm base = 1.0 + FinTerm(*rate);
  FinTerm sum(base.context(), 0.0);
  for (int32_t k = 0; k < n; ++k) {
    const double day = std::trunc(days[static_cast<size_t>(k) + 1]);
    if (day < 0 || day > kDateLastSerial || day < first) return Wsf_error(result, kErrNum);
    sum = sum + FinTerm(*Wsf_element(values, k)) / Fin_power(base, (day - first) * kPerDay);
  }
  return Fin_into(result, sum);
}

Value* Wsf_mirr(Value* result, const Value* values, const Value* financeRate, const Value* reinvestRate) {
  // The sign of each flow picks the rate it is taken at.
  Wsf_structureVariesWith(result, {values});
  if (financeRate->kind > kValError || reinvestRate->kind > kValError) return Wsf_error(result, kErrValue);
  const Value* args[] = {values, financeRate, reinvestRate};
  EvalContext* ctx = Fin_context(result, 3, args);
  const FinTerm finance = 1.0 + FinTerm(*financeRate), reinvest = 1.0 + FinTerm(*reinvestRate);
  const FinTerm financed = 1.0 / finance, reinvested = 1.0 / reinvest;
  FinTerm negative(ctx, 0.0), positive(ctx, 0.0);
  int32_t k = 0;
  for (int32_t i = 0; i < Wsf_count(values); ++i) {
    const Value* v = Wsf_element(values, i);
    if (v->kind < kValInt || v->kind > kValError) continue;
    ++k;
    const FinTerm flow(*v), periods(ctx, k);
    // A flow of the dependency modes has no sign yet: it counts on both
    // sides, as the operations of either may run in a trial.
    const bool signless = dependsOnVariables(v), below = Op_compareConst(*v, 0.0, kRelCmpLt);
    if (signless || below) negative = negative + flow * Fin_power(financed, periods);
    if (signless || !below) positive = positive + flow * Fin_power(reinvested, periods);
  }
  if (k < 2 || Op_compareConst(*negative, 0.0, kRelCmpEq)) return Wsf_error(result, kErrDiv0);
  const FinTerm ratio = -positive * Fin_power(reinvest, FinTerm(ctx, k)) / (finance * negative);
  return Fin_into(result, Fin_exp(Fin_ln(ratio) / static_cast<double>(k - 1)) - 1.0);
}

Value* Wsf_fvschedule(Value* result, const Value* principal, const Value* schedule) {
  FinTerm value(*principal);
  if (schedule->kind != kValArray) return Fin_into(result, value * (1.0 + FinTerm(*schedule)));
  for (int32_t i = 0; i < Wsf_count(schedule); ++i) {
    const Value* r = Wsf_element(schedule, i);
    if (r->kind != kValBool && r->kind <= kValError) value = value * (1.0 + FinTerm(*r));
  }
  return Fin_into(result, value);
}

Value* Wsf_effect(Value* result, const Value* rate, const Value* npery) {
  int32_t n = 0;
  if (periodsHead(result, rate, npery, &n)) return result;
  // (1 + rate / n)^n - 1, through the annuity factor, which keeps the
  // digits of a small rate.
  const FinTerm periodic = FinTerm(*rate) / n;
  return Fin_into(result, periodic * Fin_annuity(periodic, FinTerm(periodic.context(), n)));
}

Value* Wsf_nominal(Value* result, const Value* rate, const Value* npery) {
  int32_t n = 0;
  if (periodsHead(result, rate, npery, &n)) return result;
  // ((1 + rate)^(1 / n) - 1) n, through the annuity factor as EFFECT.
  const FinTerm r(*rate);
  return Fin_into(result, r * Fin_annuity(r, FinTerm(r.context(), 1.0 / n)) * n);
}

Value* Wsf_dollarde(Value* result, const Value* dollar, const Value* fraction) {
  Dollar d{};
  if (dollarHead(result, dollar, fraction, &d)) return result;
  return Wsf_finite(result, (d.dollar - d.whole) * d.scale / d.parts + d.whole);
}

Value* Wsf_dollarfr(Value* result, const Value* dollar, const Value* fraction) {
  Dollar d{};
  if (dollarHead(result, dollar, fraction, &d)) return result;
  return Wsf_finite(result, (d.dollar - d.whole) * d.parts / d.scale + d.whole);
}
