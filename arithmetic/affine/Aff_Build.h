// How the affine operations assemble a result: the exact centre and
// coefficients are enclosed in intervals, their midpoints become the form and
// their half widths (scaled by the variables' half widths) join an upward
// bound of the radius. Private to the affine family.
#pragma once

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Round.h"
#include "values/Aff_Payload.h"
#include "values/Vm_Context.h"

// A double inside x: the midpoint, or the finite end of a half-line, or 0.
inline double Aff_mid(const Interval& x) {
  if (std::isfinite(x.lo) && std::isfinite(x.hi)) return 0.5 * x.lo + 0.5 * x.hi;
  if (std::isfinite(x.lo)) return x.lo;
  return std::isfinite(x.hi) ? x.hi : 0.0;
}

// max(x.hi - m, m - x.lo), rounded up.
inline double Aff_radiusAbout(const Interval& x, double m) {
  return Ivl_rounded(FE_UPWARD, [&] { return std::fmax(Ivl_pin(x.hi) - Ivl_pin(m), Ivl_pin(m) - Ivl_pin(x.lo)); });
}

// a + b and a * b rounded up (for the non-negative terms of a radius).
inline double Aff_addUp(double a, double b) {
  return Ivl_rounded(FE_UPWARD, [&] { return Ivl_pin(a) + Ivl_pin(b); });
}
inline double Aff_mulUp(double a, double b) {
  if (a == 0.0 || b == 0.0) return 0.0;
  return Ivl_rounded(FE_UPWARD, [&] { return Ivl_pin(a) * Ivl_pin(b); });
}

inline double Aff_w(const EvalBuffers* buffers, int32_t i) {
  return buffers && buffers->affineHalfWidths ? buffers->affineHalfWidths[i] : 0.0;
}

// Writes into out (bound to shape's context and n) the form with centre
// enclosed by centre, coefficient i enclosed by coef(i) and an upward radius
// bound radius; returns a copy. coef(i) may read operand slot i of out itself
// (it is read before slot i is written).
template <class Coef>
AffineForm Aff_emit(AffineForm* out, const AffineForm* shape, const Interval& centre, double radius, Coef coef) {
  EvalContext* ctx = shape->context;
  const EvalBuffers* buffers = ctx ? &ctx->buffers : nullptr;
  const int32_t n = std::min(shape->n, out->capacity);
  out->n = n;
  out->context = ctx;
  double err = radius;
  for (int32_t i = 1; i <= n; ++i) {
    const Interval a = coef(i);
    const double m = Aff_mid(a);
    out->coef[i] = m;
    if (a.lo != a.hi) err = Aff_addUp(err, Aff_mulUp(Aff_radiusAbout(a, m), Aff_w(buffers, i)));
  }
  out->centre = Aff_mid(centre);
  if (centre.lo != centre.hi) err = Aff_addUp(err, Aff_radiusAbout(centre, out->centre));
  out->radius = err;
  return *out;
}

inline AffineForm* Aff_result(const EvalBuffers& buffers) { return buffers.affineBuffers[0]; }
inline AffineForm* Aff_scratch(const EvalBuffers& buffers) { return buffers.affineBuffers[1]; }
inline bool Aff_keeps(const EvalFlags& flags) { return flags.affineKeepsInterval != 0; }
