// Curvature classes: a seven-valued sign algebra. As the sign of a number or
// an interval: 0 negative, 1 non-positive, 2 zero, 3 non-negative, 4
// positive, 5 both signs, 6 unknown. As the curvature of a function over a
// box (the sign of its second derivative): 0 strictly concave, 1 concave, 2
// affine, 3 convex, 4 strictly convex, 5 indefinite, 6 unknown. The
// interval-gradient mode carries one class beside every value and combines
// them by the chain and product rules with signs only; at a kink (ABS, MAX,
// MIN) by the composition rules of convex functions; at SIGN's jump the
// class is unknown.
#pragma once

#include <cstdint>

#include "values/IvGrad_Payload.h"

int32_t Curv_ofNumber(double d);
int32_t Curv_ofInterval(const Interval& x);
inline int32_t Curv_assign(int32_t a) { return a; }
inline bool Curv_equals(int32_t a, int32_t b) { return a == b; }
int32_t Curv_neg(int32_t a);
// The class of a sum and of a product of two values of classes a and b.
int32_t Curv_add(int32_t a, int32_t b);
int32_t Curv_sub(int32_t a, int32_t b);
int32_t Curv_mul(int32_t a, int32_t b);
int32_t Curv_mulIvlClass(const Interval& x, int32_t a);
int32_t Curv_mulClassIvl(int32_t a, const Interval& x);
int32_t Curv_mulNumClass(double d, int32_t a);
int32_t Curv_mulClassNum(int32_t a, double d);
int32_t Curv_divClassNum(int32_t a, double d);
int32_t Curv_divClassIvl(int32_t a, const Interval& x);
// The class of MAX (isMax) or MIN of values enclosed by x and y, of classes
// a and b: the class of the one that lies on the winning side over the whole
// box; where they cross, the kink makes MAX of convex (or affine) values
// convex and MIN of concave (or affine) ones concave, anything else unknown.
int32_t Curv_ofMaxMin(bool isMax, const Interval& x, int32_t a, const Interval& y, int32_t b);
// The class of |f|, f enclosed by x and of class a: MAX(f, -f).
int32_t Curv_ofAbs(const Interval& x, int32_t a);
// The class of SIGN(f), f enclosed by x: affine (a constant) when f keeps
// one side of 0, unknown when the jump at 0 may lie in the box.
int32_t Curv_ofSign(const Interval& x);
// Class of the outer product of the gradient g[1..n] with itself.
int32_t Curv_ofGradient(int32_t n, const Interval* g);
// Class of the cross term gu gv^T + gv gu^T of a product's second derivative.
int32_t Curv_ofCrossTerm(int32_t n, const Interval* gu, const Interval* gv);
