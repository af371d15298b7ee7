// A smooth function of one value by its value, slope and curvature at the
// argument's point.
#include "worksheet/statistics/Stat_Smooth.h"

#include <cmath>

#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/Rev_Node.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// The Taylor coefficients of f at a point: value, slope, half curvature.
struct Taylor {
  double at, value, slope, halfCurvature;
};

// value + slope (u - at) + halfCurvature (u - at)^2, the square taken as
// +-(sqrt|halfCurvature| (u - at))^2: u's slopes squared may leave the
// doubles where the term does not (a flat tail, curvature 0, at slopes of
// 1E+300).
Value* secondOrderForm(Value* result, const Value* u, const Taylor& t) {
  WsfLocal d(u->context), form(u->context);
  d = Op_subVS(*u, t.at);
  form = Op_mulVS(*d, std::sqrt(std::fabs(t.halfCurvature)));
  form = Op_mul(*form, *form);
  form = Op_mulVS(*form, t.halfCurvature < 0 ? -1.0 : 1.0);
  d = Op_mulVS(*d, t.slope);
  form = Op_add(*form, *d);
  return Wsf_from(result, Op_addVS(*form, t.value));
}

// The structure modes: a smooth nonlinear function of u. The same steps as
// the second-order form come first, so that the sizing pass, which runs in
// this mode, counts every step the tapes of the derivative modes record.
Value* smoothStructure(Value* result, const Value* u) {
  WsfLocal form(u->context);
  secondOrderForm(&form.v, u, Taylor{0, 0, 1, 1});
  return Wsf_from(result, Op_elementary(kOpExp, *form));
}

}  // namespace

bool Stat_isPointDerivative(int32_t kind) { return kind == kValGrad || kind == kValRev || kind == kValHess; }

double Stat_pointOf(const Value* u) {
  if (u->kind == kValGrad) return static_cast<const GradValue*>(u->payload)->value;
  if (u->kind == kValRev) return static_cast<const RevNode*>(u->payload)->value;
  if (u->kind == kValHess) return static_cast<const HessValue*>(u->payload)->value;
  return Wsf_number(u);
}

Value* Stat_refuseMode(Value* result, const Value* v) {
  if (v->context) Vm_raise(Vm_errorsOf(v->context), kStatusUnsupportedFunction, "mode without derivatives", 0, 0, 0);
  return Wsf_error(result, kErrValue);
}

Value* Stat_smoothOf(Value* result, const Value* u, const StatSmooth& f) {
  if (Wsf_isError(u)) return Wsf_copy(result, u);
  if (Wsf_isPlain(u)) return Wsf_finite(result, f.value(Wsf_number(u)));
  if (u->kind == kValSamples && u->payload) return Wsf_mapTrials(result, u, f.value);
  if (u->kind >= kValIvGrad && u->kind <= kValAffine) return Stat_refuseMode(result, u);
  if (Wsf_isStructural(u)) return smoothStructure(result, u);
  if (!Stat_isPointDerivative(u->kind) || !u->payload) return Wsf_error(result, kErrValue);
  const double at = Stat_pointOf(u), value = f.value(at);
  if (!std::isfinite(value)) return Wsf_error(result, kErrNum);
  return secondOrderForm(result, u, Taylor{at, value, f.slope(at), f.curvature(at) / 2});
}
