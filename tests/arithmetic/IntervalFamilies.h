// Test adaptors of the interval families for the expression skeletons of
// ExpressionCases.h: long-double point values (the independent truth), kind 9
// and kind 11 over a box, and sub-boxes of the skeletons' domain.
#pragma once

#include <cmath>

#include "IntervalBoxes.h"
#include "arithmetic/ivgrad/IvGrad_Ops.h"
#include "arithmetic/ivhess/IvHess_Ops.h"
#include "tests/arithmetic/ExpressionCases.h"

MODE_OP_TABLES(IvGrad, IvGradValue)
MODE_OP_TABLES(IvHess, IvHessValue)

// Point values in long double.
using LongFamily = PlainFamilyOf<long double>;

// A forward family over boxes: variable p is seeded over box[p].
template <class P, bool (*Copy)(P*, const P*), void (*Free)(P*), P (*Un(int32_t))(const P*),
          P (*Bin(int32_t))(const P*, const P*), P (*Left(int32_t))(double, const P*),
          P (*Right(int32_t))(const P*, double), bool (*Init)(P*, int32_t, EvalContext*),
          void (*SetVar)(P*, Interval, int32_t)>
struct BoxFamily : ForwardFamily<P, Copy, Free, Un, Bin, Left, Right> {
  EvalContext* ctx;
  const Interval* box;
  int32_t n;
  const P* var(int p) {
    P v{};
    Init(&v, n, ctx);
    SetVar(&v, box[p], p);
    const P* kept = this->keep(v);
    Free(&v);
    return kept;
  }
};

using IvGradFamily = BoxFamily<IvGradValue, IvGrad_set, IvGrad_free, IvGrad_unaryOf, IvGrad_binaryOf, IvGrad_leftOf,
                               IvGrad_rightOf, IvGrad_init, IvGrad_setVar>;
using IvHessFamily = BoxFamily<IvHessValue, IvHess_set, IvHess_free, IvHess_unaryOf, IvHess_binaryOf, IvHess_leftOf,
                               IvHess_rightOf, IvHess_init, IvHess_setVar>;

// A sub-box of [-0.8, 0.8]: a point, a narrow one, one touching or
// straddling 0, or the whole range.
inline Interval skeletonBox(BoxGenerator& gen) {
  const double a = gen.uniform(-0.8, 0.8), b = gen.uniform(-0.8, 0.8);
  switch (gen.pick(6)) {
    case 0: return Interval{a, a};
    case 1: return Interval{std::fmin(a, b), std::fmin(a, b) + 1e-6};
    case 2: return Interval{0.0, std::fabs(a)};
    case 3: return Interval{-std::fabs(a), std::fabs(b)};
    case 4: return Interval{-0.8, 0.8};
    default: return Interval{std::fmin(a, b), std::fmax(a, b)};
  }
}

// v within x, allowing a relative slack for a point derivative computed in
// double precision.
inline bool nearlyInside(const Interval& x, double v) {
  const double slack = 1e-9 * (1.0 + std::fabs(v));
  return x.lo - slack <= v && v <= x.hi + slack;
}

#include "arithmetic/affine/Aff_Ops.h"

MODE_OP_TABLES(Aff, AffineForm)

using AffFamily =
    BoxFamily<AffineForm, Aff_set, Aff_free, Aff_unaryOf, Aff_binaryOf, Aff_leftOf, Aff_rightOf, Aff_init, Aff_setVar>;

// Sizes the affine records of ctx for n variables over box[1..n].
inline void setAffineBox(EvalContext* ctx, int32_t n, const Interval* box) {
  Aff_init(ctx->buffers.affineBuffers[0], n, ctx);
  Aff_init(ctx->buffers.affineBuffers[1], n, ctx);
  std::free(ctx->buffers.affineHalfWidths);
  ctx->buffers.affineHalfWidths = static_cast<double*>(std::calloc(static_cast<size_t>(n) + 1, sizeof(double)));
  for (int32_t i = 1; i <= n; ++i) ctx->buffers.affineHalfWidths[i] = Aff_halfWidth(box[i]);
}

#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/propagate/IvProp_Ops.h"

MODE_OP_TABLES(IvRev, IvRevNode)
MODE_OP_TABLES(IvProp, IvPropNode)

// The two interval tapes: values are copies of their nodes.
template <class N, N (*Un(int32_t))(const N*), N (*Bin(int32_t))(const N*, const N*),
          N (*Left(int32_t))(double, const N*), N (*Right(int32_t))(const N*, double)>
struct TapeFamily {
  using T = N;
  EvalContext* ctx;
  const Interval* box;
  static T un(int32_t op, T a) { return Un(op)(&a); }
  static T bin(int32_t op, T a, T b) { return Bin(op)(&a, &b); }
  static T sv(int32_t op, double s, T b) { return Left(op)(s, &b); }
  static T vs(int32_t op, T a, double s) { return Right(op)(&a, s); }
};

struct IvRevFamily : TapeFamily<IvRevNode, IvRev_unaryOf, IvRev_binaryOf, IvRev_leftOf, IvRev_rightOf> {
  T var(int p) const { return IvRevNode{box[p], {0, 0}, {0, 0}, 0, 0, -p, ctx}; }
};

struct IvPropFamily : TapeFamily<IvPropNode, IvProp_unaryOf, IvProp_binaryOf, IvProp_leftOf, IvProp_rightOf> {
  T var(int p) const { return IvPropNode{box[p], {0, 0}, 0, 0, 0, -p, ctx}; }
};
