// Test adaptors of the interval families for the expression skeletons of
// ExpressionCases.h: long-double point values (the independent truth), kind 9
// and kind 11 over a box, and sub-boxes of the skeletons' domain.
#pragma once

#include <cmath>
#include <limits>

#include "IntervalBoxes.h"
#include "arithmetic/interval/Ivl_Elementary.h"
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

// Every unary and binary operation the awkward-box tests ask about:
// check(name, special, floor, make) for each, where `special` is the point
// its boxes of x1 touch or straddle, `floor` the lowest x1 asked about (LN,
// SQRT and the POWER of a variable base cut their operand at
// kIvlDomainFloor) and make(family) writes the operation over the family's
// variables.
template <class Check>
void forEachAwkwardOperation(Check check) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    int32_t op;
    double special;
  } unary[] = {{"neg", kNeg, 0},      {"abs", kOpAbs, 0},    {"acos", kOpAcos, 1},      {"asin", kOpAsin, -1},
               {"atan", kOpAtan, 0},  {"cos", kOpCos, M_PI}, {"cosh", kOpCosh, 0},      {"exp", kOpExp, 0},
               {"ln", kOpLn, 0},      {"sign", kOpSign, 0},  {"sin", kOpSin, M_PI / 2}, {"sinh", kOpSinh, 0},
               {"sqr", kOpSquare, 0}, {"sqrt", kOpSqrt, 0},  {"tan", kOpTan, M_PI / 2}, {"tanh", kOpTanh, 0}};
  for (const auto& u : unary) {
    const double floor = u.op == kOpLn || u.op == kOpSqrt ? kIvlDomainFloor : -inf;
    check(u.name, u.special, floor, [&u](auto& fam) { return fam.un(u.op, fam.var(1)); });
  }
  const struct {
    const char* name;
    int32_t op;
  } binary[] = {{"sub", kOpSub}, {"add", kOpAdd}, {"mul", kOpMul},  {"div", kOpDiv},
                {"max", kOpMax}, {"min", kOpMin}, {"pow", kOpPower}};
  for (const auto& b : binary) {
    const double floor = b.op == kOpPower ? kIvlDomainFloor : -inf;
    check(b.name, 0.0, floor, [&b](auto& fam) { return fam.bin(b.op, fam.var(1), fam.var(2)); });
    check(b.name, 0.0, floor, [&b](auto& fam) { return fam.vs(b.op, fam.var(1), 2.5); });
    check(b.name, 0.0, -inf, [&b](auto& fam) { return fam.sv(b.op, 1.5, fam.var(1)); });
  }
}
