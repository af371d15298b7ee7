// Element-by-element arithmetic over sample vectors.
#include "arithmetic/sample/Smp_Ops.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "arithmetic/numeric/Num_Scalar.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

bool truth(double v) { return v != 0.0 && !std::isnan(v); }
double flag(bool b) { return b ? 1.0 : 0.0; }
bool badDivisor(double v) { return v == 0.0 || std::isnan(v); }
bool noCheck(double) { return false; }

// The result record, and the number of trials to process (0 leaves it
// untouched).
SampleVector* result(const SampleVector* x, int32_t* n) {
  SampleVector* out = x->context->sampling.sampleBuffer;
  *n = std::min(x->n, out->capacity);
  if (*n >= 1) {
    out->n = *n;
    out->context = x->context;
  }
  return out;
}

// out_i = f(x_i) for every trial, stopping with status `code` and the
// operand unchanged at the first trial that fails.
template <class F, class Check>
SampleVector map(const SampleVector* x, F f, Check fails, InterpStatus code) {
  int32_t n;
  SampleVector* out = result(x, &n);
  for (int32_t i = 1; i <= n; ++i) {
    if (fails(x->data[i])) {
      Vm_raise(Vm_errorsOf(x->context), code, "Smp", 0, 0, 0);
      return *x;
    }
    out->data[i] = f(x->data[i]);
  }
  return *out;
}

template <class F>
SampleVector map(const SampleVector* x, F f) {
  return map(x, f, noCheck, kStatusOk);
}

// out_i = f(x_i, y_i); the trials of y are checked (divisions).
template <class F, class Check>
SampleVector zip(const SampleVector* x, const SampleVector* y, F f, Check fails, InterpStatus code,
                 const SampleVector* returned) {
  int32_t n;
  SampleVector* out = result(x, &n);
  n = std::min(n, y->n);
  for (int32_t i = 1; i <= n; ++i) {
    if (fails(y->data[i])) {
      Vm_raise(Vm_errorsOf(x->context), code, "Smp", 0, 0, 0);
      return *returned;
    }
    out->data[i] = f(x->data[i], y->data[i]);
  }
  return *out;
}

template <class F>
SampleVector zip(const SampleVector* x, const SampleVector* y, F f) {
  return zip(x, y, f, noCheck, kStatusOk, x);
}

}  // namespace

void Smp_setConst(SampleVector* x, double v) {
  for (int32_t i = 1; x->data && i <= x->n; ++i) x->data[i] = v;
}

double Smp_mean(const SampleVector* x) {
  double sum = 0.0;
  for (int32_t i = 1; i <= x->n; ++i) sum += x->data[i];
  return sum / x->n;
}

double Smp_maxElem(const SampleVector* x) {
  double m = -std::numeric_limits<double>::infinity();
  for (int32_t i = 1; i <= x->n; ++i) m = x->data[i] > m ? x->data[i] : m;
  return m;
}

double Smp_minElem(const SampleVector* x) {
  double m = std::numeric_limits<double>::infinity();
  for (int32_t i = 1; i <= x->n; ++i) m = x->data[i] < m ? x->data[i] : m;
  return m;
}

SampleVector Smp_andVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(truth(a) && truth(d)); }); }
SampleVector Smp_and(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(truth(a) && truth(b)); }); }
SampleVector Smp_orVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(truth(a) || truth(d)); }); }
SampleVector Smp_or(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(truth(a) || truth(b)); }); }
SampleVector Smp_not(const SampleVector* x) { return map(x, [](double a) { return flag(!truth(a)); }); }

SampleVector Smp_eqVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(!(a < d) && !(a > d)); }); }
SampleVector Smp_eq(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(!(a < b) && !(a > b)); }); }
SampleVector Smp_neVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(a < d || a > d); }); }
SampleVector Smp_ne(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(a < b || a > b); }); }
SampleVector Smp_geVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(a >= d); }); }
SampleVector Smp_ge(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(a >= b); }); }
SampleVector Smp_gtVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(a > d); }); }
SampleVector Smp_gt(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(a > b); }); }
SampleVector Smp_leVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(!(a > d)); }); }
SampleVector Smp_le(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(!(a > b)); }); }
SampleVector Smp_ltVS(const SampleVector* x, double d) { return map(x, [d](double a) { return flag(!(a >= d)); }); }
SampleVector Smp_lt(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return flag(!(a >= b)); }); }

SampleVector Smp_neg(const SampleVector* x) { return map(x, [](double a) { return -a; }); }
SampleVector Smp_sub(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return a - b; }); }
SampleVector Smp_subSV(double d, const SampleVector* y) { return map(y, [d](double b) { return d - b; }); }
SampleVector Smp_subVS(const SampleVector* x, double d) { return map(x, [d](double a) { return a - d; }); }
SampleVector Smp_add(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return a + b; }); }
SampleVector Smp_addSV(double d, const SampleVector* y) { return map(y, [d](double b) { return d + b; }); }
SampleVector Smp_addVS(const SampleVector* x, double d) { return map(x, [d](double a) { return a + d; }); }
SampleVector Smp_mul(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return a * b; }); }
SampleVector Smp_mulSV(double d, const SampleVector* y) { return map(y, [d](double b) { return d * b; }); }
SampleVector Smp_mulVS(const SampleVector* x, double d) { return map(x, [d](double a) { return a * d; }); }

SampleVector Smp_div(const SampleVector* x, const SampleVector* y) {
  return zip(x, y, [](double a, double b) { return a / b; }, badDivisor, kStatusDivisionByZero, x);
}

SampleVector Smp_divSV(double d, const SampleVector* y) {
  return map(y, [d](double b) { return d / b; }, badDivisor, kStatusDivisionByZero);
}

SampleVector Smp_divVS(const SampleVector* x, double d) {
  if (badDivisor(d)) {
    Vm_raise(Vm_errorsOf(x->context), kStatusDivisionByZero, "Smp", 0, 0, 0);
    return *x;
  }
  return map(x, [d](double a) { return a / d; });
}

SampleVector Smp_abs(const SampleVector* x) { return map(x, Num_fabs); }

SampleVector Smp_acos(const SampleVector* x) {
  return map(x, [](double a) { return std::acos(a); }, [](double a) { return !(a > -1.0 && a < 1.0); },
             kStatusUnfeasibleArgument);
}

SampleVector Smp_asin(const SampleVector* x) {
  return map(x, [](double a) { return std::asin(a); }, [](double a) { return !(a > -1.0 && a < 1.0); },
             kStatusUnfeasibleArgument);
}

SampleVector Smp_atan(const SampleVector* x) { return map(x, [](double a) { return std::atan(a); }); }
SampleVector Smp_cos(const SampleVector* x) { return map(x, [](double a) { return std::cos(a); }); }
SampleVector Smp_cosh(const SampleVector* x) { return map(x, [](double a) { return std::cosh(a); }); }
SampleVector Smp_exp(const SampleVector* x) { return map(x, [](double a) { return std::exp(a); }); }

SampleVector Smp_ln(const SampleVector* x) {
  return map(x, [](double a) { return std::log(a); }, [](double a) { return !(a > 0.0); }, kStatusUnfeasibleArgument);
}

SampleVector Smp_max(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return b >= a ? b : a; }); }
SampleVector Smp_maxSV(double d, const SampleVector* y) { return map(y, [d](double b) { return b >= d ? b : d; }); }
SampleVector Smp_maxVS(const SampleVector* x, double d) { return map(x, [d](double a) { return a < d ? d : a; }); }
SampleVector Smp_min(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return b <= a ? b : a; }); }
SampleVector Smp_minSV(double d, const SampleVector* y) { return map(y, [d](double b) { return b <= d ? b : d; }); }
SampleVector Smp_minVS(const SampleVector* x, double d) { return map(x, [d](double a) { return a > d ? d : a; }); }
SampleVector Smp_pow(const SampleVector* x, const SampleVector* y) { return zip(x, y, [](double a, double b) { return std::pow(a, b); }); }
SampleVector Smp_powSV(double d, const SampleVector* y) { return map(y, [d](double b) { return std::pow(d, b); }); }
SampleVector Smp_powVS(const SampleVector* x, double d) { return map(x, [d](double a) { return std::pow(a, d); }); }
SampleVector Smp_sign(const SampleVector* x) { return map(x, Num_sign); }
SampleVector Smp_sin(const SampleVector* x) { return map(x, [](double a) { return std::sin(a); }); }
SampleVector Smp_sinh(const SampleVector* x) { return map(x, [](double a) { return std::sinh(a); }); }
SampleVector Smp_sqr(const SampleVector* x) { return map(x, Num_sqrChecked); }

SampleVector Smp_sqrt(const SampleVector* x) {
  return map(x, [](double a) { return std::sqrt(a); }, [](double a) { return !(a >= 0.0); }, kStatusUnfeasibleArgument);
}

SampleVector Smp_tan(const SampleVector* x) { return map(x, [](double a) { return std::tan(a); }); }
SampleVector Smp_tanh(const SampleVector* x) { return map(x, [](double a) { return std::tanh(a); }); }
