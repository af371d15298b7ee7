// The sum and product tables of the curvature classes.
#include "arithmetic/interval/Curv_Class.h"

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"

namespace {

constexpr int32_t kClassCount = 7;

// Sum: equal classes stay, affine is neutral, a convex and a strictly convex
// term make a strictly convex sum (likewise concave), all else is unknown.
constexpr int32_t kSum[kClassCount][kClassCount] = {
    {0, 0, 0, 6, 6, 6, 6}, {0, 1, 1, 6, 6, 6, 6}, {0, 1, 2, 3, 4, 5, 6}, {6, 6, 3, 3, 4, 6, 6},
    {6, 6, 4, 4, 4, 6, 6}, {6, 6, 5, 6, 6, 5, 6}, {6, 6, 6, 6, 6, 6, 6}};

// Product of signs: zero wins, then unknown, a positive factor keeps the other.
constexpr int32_t kProduct[kClassCount][kClassCount] = {
    {4, 3, 2, 1, 0, 6, 6}, {3, 3, 2, 1, 1, 6, 6}, {2, 2, 2, 2, 2, 2, 2}, {1, 1, 2, 3, 3, 6, 6},
    {0, 1, 2, 3, 4, 5, 6}, {6, 6, 2, 6, 5, 6, 6}, {6, 6, 2, 6, 6, 6, 6}};

bool valid(int32_t a) { return a >= 0 && a < kClassCount; }
bool convexOrAffine(int32_t a) { return a == kCurvAffine || a == kCurvConvex || a == kCurvStrictlyConvex; }
bool isZero(const Interval& x) { return x.lo == 0.0 && x.hi == 0.0; }

}  // namespace

int32_t Curv_ofNumber(double d) {
  if (d > 0.0) return kCurvStrictlyConvex;
  return d == 0.0 ? kCurvAffine : kCurvStrictlyConcave;
}

int32_t Curv_ofInterval(const Interval& x) {
  if (isZero(x)) return kCurvAffine;
  if (x.lo > 0.0) return kCurvStrictlyConvex;
  if (x.lo >= 0.0) return kCurvConvex;
  if (x.hi < 0.0) return kCurvStrictlyConcave;
  if (x.hi <= 0.0) return kCurvConcave;
  return kCurvUnknown;
}

int32_t Curv_neg(int32_t a) { return a >= 0 && a <= 4 ? 4 - a : a; }

int32_t Curv_add(int32_t a, int32_t b) { return valid(a) && valid(b) ? kSum[a][b] : kCurvUnknown; }
int32_t Curv_sub(int32_t a, int32_t b) { return Curv_add(a, Curv_neg(b)); }
int32_t Curv_mul(int32_t a, int32_t b) { return valid(a) && valid(b) ? kProduct[a][b] : kCurvUnknown; }
int32_t Curv_mulIvlClass(const Interval& x, int32_t a) { return Curv_mul(Curv_ofInterval(x), a); }
int32_t Curv_mulClassIvl(int32_t a, const Interval& x) { return Curv_mul(a, Curv_ofInterval(x)); }
int32_t Curv_mulNumClass(double d, int32_t a) { return Curv_mul(Curv_ofNumber(d), a); }
int32_t Curv_mulClassNum(int32_t a, double d) { return Curv_mul(a, Curv_ofNumber(d)); }
int32_t Curv_divClassNum(int32_t a, double d) { return Curv_mul(a, Curv_ofNumber(1.0 / d)); }
int32_t Curv_divClassIvl(int32_t a, const Interval& x) { return Curv_mul(a, Curv_ofInterval(Ivl_divSV(1.0, x))); }

int32_t Curv_ofMaxMin(bool isMax, const Interval& x, int32_t a, const Interval& y, int32_t b) {
  // MIN(x, y) = -MAX(-x, -y)
  if (!isMax) return Curv_neg(Curv_ofMaxMin(true, Ivl_neg(x), Curv_neg(a), Ivl_neg(y), Curv_neg(b)));
  if (!Ivl_maxMinCrosses(x, y)) return x.lo >= y.hi ? a : b;
  return convexOrAffine(a) && convexOrAffine(b) ? kCurvConvex : kCurvUnknown;
}

int32_t Curv_ofAbs(const Interval& x, int32_t a) { return Curv_ofMaxMin(true, x, a, Ivl_neg(x), Curv_neg(a)); }

int32_t Curv_ofSign(const Interval& x) { return Ivl_signJumps(x) ? kCurvUnknown : kCurvAffine; }

int32_t Curv_ofGradient(int32_t n, const Interval* g) {
  int32_t nonZero = 0;
  for (int32_t i = 1; i <= n && nonZero < 2; ++i)
    if (!isZero(g[i])) ++nonZero;
  return nonZero == 0 ? kCurvAffine : nonZero == 1 ? kCurvStrictlyConvex : kCurvConvex;
}

int32_t Curv_ofCrossTerm(int32_t n, const Interval* gu, const Interval* gv) {
  if (n < 1) return kCurvAffine;
  int32_t i = 1;
  if (n >= 2) {
    while (i <= n && isZero(gu[i])) ++i;
    if (i > n) return kCurvAffine;
    for (int32_t j = 1; j <= n; ++j)
      if (j != i && !isZero(gv[j])) return kCurvUnknown;
  }
  const int32_t k = Curv_mul(Curv_ofInterval(gu[i]), Curv_ofInterval(gv[i]));
  if (k == kCurvStrictlyConvex) return kCurvConvex;
  return k == kCurvStrictlyConcave ? kCurvConcave : k;
}
