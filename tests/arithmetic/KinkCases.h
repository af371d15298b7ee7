// Functions with a kink (ABS, MAX, MIN) of affine, convex and concave pieces
// over boxes that hold the kink and boxes that do not, with their curvature
// class over the box worked out by hand, for every family that adapts the
// expression skeletons (var, un, bin, sv, vs).
#pragma once

#include <cstdint>

#include "arithmetic/interval/Curv_Class.h"
#include "tests/arithmetic/ModeFamilies.h"
#include "values/Ivl_Interval.h"

// A piece over variable p shifted by s: x_p + s, x_p^2 + s, s - x_p^2, or
// the number s.
enum class KinkPiece { kAffine, kConvex, kConcave, kNumber };

struct KinkCase {
  const char* name;
  int32_t op;  // kOpAbs (of x alone), kOpMax or kOpMin
  KinkPiece x, y;
  double sx, sy;
  Interval box1, box2;
  int32_t curvature;  // the CurvClass over the box
  bool kinkInside;    // the pieces may cross inside the box
};

using KP = KinkPiece;
inline const KinkCase kKinkCases[] = {
    {"|x1| through 0", kOpAbs, KP::kAffine, KP::kNumber, 0, 0, {-1, 2}, {0, 0}, kCurvConvex, true},
    {"|x1| above 0", kOpAbs, KP::kAffine, KP::kNumber, 0, 0, {0.5, 2}, {0, 0}, kCurvAffine, false},
    {"|x1| below 0", kOpAbs, KP::kAffine, KP::kNumber, 0, 0, {-2, -0.5}, {0, 0}, kCurvAffine, false},
    {"|x1| from 0", kOpAbs, KP::kAffine, KP::kNumber, 0, 0, {0, 2}, {0, 0}, kCurvAffine, false},
    {"|x1^2 - 1| through 0", kOpAbs, KP::kConvex, KP::kNumber, -1, 0, {-2, 2}, {0, 0}, kCurvUnknown, true},
    {"|x1^2 + 1| above 0", kOpAbs, KP::kConvex, KP::kNumber, 1, 0, {-1, 1}, {0, 0}, kCurvStrictlyConvex, false},
    {"|x1^2 - 4| below 0", kOpAbs, KP::kConvex, KP::kNumber, -4, 0, {-1, 1}, {0, 0}, kCurvStrictlyConcave, false},
    {"|1 - x1^2| above 0", kOpAbs, KP::kConcave, KP::kNumber, 1, 0, {-0.5, 0.5}, {0, 0}, kCurvStrictlyConcave, false},
    {"|1 - x1^2| through 0", kOpAbs, KP::kConcave, KP::kNumber, 1, 0, {-2, 2}, {0, 0}, kCurvUnknown, true},
    {"MAX(x1, x2) crossing", kOpMax, KP::kAffine, KP::kAffine, 0, 0, {-1, 1}, {-1, 1}, kCurvConvex, true},
    {"MAX(x1 + 3, x2) first above", kOpMax, KP::kAffine, KP::kAffine, 3, 0, {-1, 1}, {-1, 1}, kCurvAffine, false},
    {"MAX(x1, x2 + 1) touching", kOpMax, KP::kAffine, KP::kAffine, 0, 1, {0, 1}, {0, 1}, kCurvAffine, false},
    {"MAX(x1^2, x2) crossing", kOpMax, KP::kConvex, KP::kAffine, 0, 0, {-1, 1}, {-1, 1}, kCurvConvex, true},
    {"MAX(x1^2, 0.5 - x2^2) crossing", kOpMax, KP::kConvex, KP::kConcave, 0, 0.5, {-1, 1}, {-1, 1}, kCurvUnknown, true},
    {"MAX(-x1^2, -x2^2) crossing", kOpMax, KP::kConcave, KP::kConcave, 0, 0, {-1, 1}, {-1, 1}, kCurvUnknown, true},
    {"MAX(-x1^2, x2 + 2) second above", kOpMax, KP::kConcave, KP::kAffine, 0, 2, {-1, 1}, {-1, 1}, kCurvAffine, false},
    {"MAX(-x1^2, x2-5) 1st", kOpMax, KP::kConcave, KP::kAffine, 0, -5, {-1, 1}, {-1, 1}, kCurvStrictlyConcave, false},
    {"MAX(x1, 0) crossing", kOpMax, KP::kAffine, KP::kNumber, 0, 0, {-1, 1}, {0, 0}, kCurvConvex, true},
    {"MAX(x1 + 1, 0) from 0", kOpMax, KP::kAffine, KP::kNumber, 1, 0, {-1, 1}, {0, 0}, kCurvAffine, false},
    {"MAX(1 - x1^2, 0) crossing", kOpMax, KP::kConcave, KP::kNumber, 1, 0, {-2, 2}, {0, 0}, kCurvUnknown, true},
    {"MIN(x1, x2) crossing", kOpMin, KP::kAffine, KP::kAffine, 0, 0, {-1, 1}, {-1, 1}, kCurvConcave, true},
    {"MIN(x1^2, x2^2) crossing", kOpMin, KP::kConvex, KP::kConvex, 0, 0, {-1, 1}, {-1, 1}, kCurvUnknown, true},
    {"MIN(-x1^2, x2) crossing", kOpMin, KP::kConcave, KP::kAffine, 0, 0, {-1, 1}, {-1, 1}, kCurvConcave, true},
    {"MIN(x1^2, x2+2) 1st below", kOpMin, KP::kConvex, KP::kAffine, 0, 2, {-1, 1}, {-1, 1}, kCurvStrictlyConvex, false},
    {"MIN(x1, 0) crossing", kOpMin, KP::kAffine, KP::kNumber, 0, 0, {-1, 1}, {0, 0}, kCurvConcave, true},
    {"MIN(x1^2, 1) crossing", kOpMin, KP::kConvex, KP::kNumber, 0, 1, {-2, 2}, {0, 0}, kCurvUnknown, true},
    {"MIN(x1^2 - 5, 0) below", kOpMin, KP::kConvex, KP::kNumber, -5, 0, {-1, 1}, {0, 0}, kCurvStrictlyConvex, false},
};

template <class F>
typename F::T kinkPiece(F& a, KinkPiece kind, int p, double s) {
  switch (kind) {
    case KinkPiece::kAffine: return a.vs(kOpAdd, a.var(p), s);
    case KinkPiece::kConvex: return a.vs(kOpAdd, a.un(kOpSquare, a.var(p)), s);
    default: return a.sv(kOpSub, s, a.un(kOpSquare, a.var(p)));
  }
}

// The case's function in family a; a number y stands on the right, or with
// numberLeft on the left.
template <class F>
typename F::T kinkFunction(F& a, const KinkCase& c, bool numberLeft = false) {
  const auto x = kinkPiece(a, c.x, 1, c.sx);
  if (c.op == kOpAbs) return a.un(kOpAbs, x);
  if (c.y != KinkPiece::kNumber) return a.bin(c.op, x, kinkPiece(a, c.y, 2, c.sy));
  return numberLeft ? a.sv(c.op, c.sy, x) : a.vs(c.op, x, c.sy);
}
