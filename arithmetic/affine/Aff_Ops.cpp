// Affine forms: range, conversions and the arithmetic operations.
#include "arithmetic/affine/Aff_Ops.h"

#include <cmath>
#include <limits>

#include "arithmetic/affine/Aff_Build.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "values/Pay_Array.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};

Interval point(double d) { return Interval{d, d}; }

// ca * x + cb * y (y may be null) plus the constant k, with the enclosure
// given; the radii scale by the largest magnitudes of ca and cb.
AffineForm combine(const AffineForm* x, const Interval& ca, const AffineForm* y, const Interval& cb, const Interval& k,
                   const Interval& enclosure) {
  AffineForm* out = Aff_result(x->context->buffers);
  Interval centre = Ivl_add(Ivl_mulSV(x->centre, ca), k);
  double radius = Aff_mulUp(std::fmax(std::fabs(ca.lo), std::fabs(ca.hi)), x->radius);
  if (y) {
    centre = Ivl_add(centre, Ivl_mulSV(y->centre, cb));
    radius = Aff_addUp(radius, Aff_mulUp(std::fmax(std::fabs(cb.lo), std::fabs(cb.hi)), y->radius));
  }
  if (Aff_keeps(x->context->flags)) out->enclosure = enclosure;
  return Aff_emit(out, x, centre, radius, [&](int32_t i) {
    const Interval t = Ivl_mulSV(x->coef[i], ca);
    return y ? Ivl_add(t, Ivl_mulSV(y->coef[i], cb)) : t;
  });
}

// The range of a form, cut to its enclosure when it is kept.
Interval cutRange(const AffineForm* x) { return Aff_toIvl(x, true); }

AffineForm copyOf(const AffineForm* x) { return combine(x, point(1.0), nullptr, kZero, kZero, x->enclosure); }

}  // namespace

double Aff_halfWidth(const Interval& box) {
  const double centre = 0.5 * box.lo + 0.5 * box.hi;
  return Aff_radiusAbout(box, centre);
}

Interval Aff_toIvl(const AffineForm* a, bool intersect) {
  const EvalContext* ctx = a->context;
  const EvalBuffers* buffers = ctx ? &ctx->buffers : nullptr;
  Interval r = Ivl_setMidRad(a->centre, a->radius);
  for (int32_t i = 1; i <= a->n; ++i) {
    const double w = Aff_w(buffers, i);
    if (a->coef[i] != 0.0) r = Ivl_add(r, Ivl_mulSV(a->coef[i], Interval{-w, w}));
  }
  if (intersect && ctx && Aff_keeps(ctx->flags)) {
    r.lo = std::fmax(r.lo, a->enclosure.lo);
    r.hi = std::fmin(r.hi, a->enclosure.hi);
  }
  return r;
}

void Aff_setIvl(AffineForm* a, const Interval& x) {
  if (a->context && Aff_keeps(a->context->flags)) a->enclosure = x;
  a->centre = Aff_mid(x);
  a->radius = Ivl_isEmpty(x) ? x.lo : Aff_radiusAbout(x, a->centre);
  Pay_zero(a->coef, a->n);
}

AffineForm Aff_neg(const AffineForm* x) {
  return combine(x, point(-1.0), nullptr, kZero, kZero, Ivl_neg(x->enclosure));
}
AffineForm Aff_add(const AffineForm* x, const AffineForm* y) {
  return combine(x, point(1.0), y, point(1.0), kZero, Ivl_add(x->enclosure, y->enclosure));
}
AffineForm Aff_sub(const AffineForm* x, const AffineForm* y) {
  return combine(x, point(1.0), y, point(-1.0), kZero, Ivl_sub(x->enclosure, y->enclosure));
}
AffineForm Aff_addSV(double c, const AffineForm* x) {
  return combine(x, point(1.0), nullptr, kZero, point(c), Ivl_addSV(c, x->enclosure));
}
AffineForm Aff_addVS(const AffineForm* x, double c) { return Aff_addSV(c, x); }
AffineForm Aff_subSV(double c, const AffineForm* x) {
  return combine(x, point(-1.0), nullptr, kZero, point(c), Ivl_subSV(c, x->enclosure));
}
AffineForm Aff_subVS(const AffineForm* x, double c) {
  return combine(x, point(1.0), nullptr, kZero, point(-c), Ivl_subVS(x->enclosure, c));
}
AffineForm Aff_mulSV(double c, const AffineForm* x) {
  return combine(x, point(c), nullptr, kZero, kZero, Ivl_mulSV(c, x->enclosure));
}
AffineForm Aff_mulVS(const AffineForm* x, double c) { return Aff_mulSV(c, x); }

// x y: the first-order terms exactly, the square terms a_i b_i t_i^2 half in
// the centre and half in the radius, every other second-order term in the
// radius.
AffineForm Aff_mul(const AffineForm* x, const AffineForm* y) {
  const EvalContext* ctx = x->context;
  AffineForm* out = Aff_result(ctx->buffers);
  const int32_t n = std::min(x->n, y->n);
  Interval centre = Ivl_mul(point(x->centre), point(y->centre));
  double sa = 0.0, sb = 0.0, square = 0.0, cross = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const double w = Aff_w(&ctx->buffers, i);
    const Interval ab = Ivl_mul(point(x->coef[i]), point(y->coef[i]));
    centre = Ivl_add(centre, Ivl_mulSV(0.5, Ivl_mul(ab, Ivl_sqr(point(w)))));
    const double abs_ab = std::fmax(std::fabs(ab.lo), std::fabs(ab.hi));
    square = Aff_addUp(square, Aff_mulUp(0.5, Aff_mulUp(abs_ab, Aff_mulUp(w, w))));
    sa = Aff_addUp(sa, Aff_mulUp(std::fabs(x->coef[i]), w));
    sb = Aff_addUp(sb, Aff_mulUp(std::fabs(y->coef[i]), w));
    for (int32_t j = 1; j <= n; ++j)
      if (j != i)
        cross = Aff_addUp(cross, Aff_mulUp(Aff_mulUp(std::fabs(x->coef[i]), std::fabs(y->coef[j])), Aff_mulUp(w, Aff_w(&ctx->buffers, j))));
  }
  double radius = Aff_addUp(Aff_mulUp(std::fabs(x->centre), y->radius), Aff_mulUp(std::fabs(y->centre), x->radius));
  radius = Aff_addUp(radius, Aff_mulUp(Aff_addUp(sb, y->radius), x->radius));
  radius = Aff_addUp(radius, Aff_mulUp(sa, y->radius));
  radius = Aff_addUp(Aff_addUp(radius, square), cross);
  if (Aff_keeps(ctx->flags)) out->enclosure = Ivl_mul(x->enclosure, y->enclosure);
  const double x0 = x->centre, y0 = y->centre;
  return Aff_emit(out, x, centre, radius, [&](int32_t i) {
    return Ivl_add(Ivl_mulSV(x0, point(y->coef[i])), Ivl_mulSV(y0, point(x->coef[i])));
  });
}

AffineForm Aff_div(const AffineForm* x, const AffineForm* y) {
  EvalContext* ctx = x->context;
  if (Ivl_contains(cutRange(y), 0.0)) {
    Vm_raise(Vm_errorsOf(ctx), kStatusDivisionByZero, "DIV", 0, 0, 0);
    return copyOf(y);
  }
  AffineForm* scratch = Aff_scratch(ctx->buffers);
  Aff_set(scratch, x);
  const AffineForm reciprocal = Aff_powVI(y, -1);
  return Aff_mul(scratch, &reciprocal);
}

AffineForm Aff_divSV(double c, const AffineForm* x) {
  if (Ivl_contains(cutRange(x), 0.0)) {
    Vm_raise(Vm_errorsOf(x->context), kStatusDivisionByZero, "DIV", 0, 0, 0);
    return copyOf(x);
  }
  const AffineForm reciprocal = Aff_powVI(x, -1);
  return Aff_mulSV(c, &reciprocal);
}

AffineForm Aff_divVS(const AffineForm* x, double c) {
  if (c == 0.0) {
    Vm_raise(Vm_errorsOf(x->context), kStatusDivisionByZero, "", 0, 0, 0);
    return copyOf(x);
  }
  return combine(x, Ivl_divSV(1.0, point(c)), nullptr, kZero, kZero, Ivl_divVS(x->enclosure, c));
}
