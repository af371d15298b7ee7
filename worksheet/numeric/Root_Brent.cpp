// Bracketing by fixed widening and Brent's root finder.
#include "worksheet/numeric/Root_Brent.h"

#include <algorithm>
#include <cmath>

#include "values/Vm_Status.h"

namespace {

constexpr double kWiden = 1.6;
constexpr double kRelative = 6e-9;
constexpr double kAbsolute = 1.5e-8;
constexpr uint32_t kNoBracket = kErrorBase + kErrNum;
constexpr uint32_t kNoConvergence = kErrorBase + kErrNA;

bool signChange(double fa, double fb) { return (fa <= 0 && 0 <= fb) || (fb <= 0 && 0 <= fa); }
bool sameStrictSign(double fa, double fb) { return (fa > 0 && fb > 0) || (fa < 0 && fb < 0); }

// g(x) = f(x) - target.
struct Shifted {
  void* user;
  RootCallback f;
  double target;
  uint32_t operator()(double x, double* out) const {
    const uint32_t status = f(user, x, out);
    *out -= target;
    return status;
  }
};

// The interpolation step p / q of Brent's method.
void interpolate(double a, double b, double w, double fa, double fb, double fw, double xm, double* p, double* q) {
  const double s = fb / fa;
  if (a == w) {
    *p = 2 * xm * s;
    *q = 1 - s;
  } else {
    const double qq = fa / fw, r = fb / fw;
    *p = s * (2 * xm * qq * (qq - r) - (b - a) * (r - 1));
    *q = (qq - 1) * (r - 1) * (s - 1);
  }
  if (*p > 0) *q = -*q;
  *p = std::fabs(*p);
}

}  // namespace

uint32_t Root_bracket(double* a, double* b, void* user, RootCallback f) {
  if (*a == *b) return kNoBracket;
  double f1 = 0, f2 = 0;
  if (uint32_t s = f(user, *a, &f1)) return s;
  if (uint32_t s = f(user, *b, &f2)) return s;
  for (int32_t j = 1; j <= kRootMaxWidenings; ++j) {
    if (signChange(f1, f2)) return 0;
    uint32_t s = 0;
    if (std::fabs(f2) <= std::fabs(f1)) {
      *b += kWiden * (*b - *a);
      s = f(user, *b, &f2);
    } else {
      *a += kWiden * (*a - *b);
      s = f(user, *a, &f1);
    }
    if (s) return s;
  }
  return kNoBracket;
}

uint32_t Root_brent(double a, double b, void* user, RootCallback f, double target, double* root) {
  const Shifted g{user, f, target};
  double fa = 0, fb = 0;
  if (uint32_t s = g(a, &fa)) return s;
  if (uint32_t s = g(b, &fb)) return s;
  if (sameStrictSign(fa, fb)) return kNoBracket;
  double w = b, fw = fb, d = 0, e = 0;
  for (int32_t iteration = 0; iteration < kRootMaxIterations; ++iteration) {
    if (sameStrictSign(fb, fw)) {
      w = a, fw = fa;
      d = e = b - a;
    }
    if (std::fabs(fw) < std::fabs(fb)) {
      a = b, b = w, w = a;
      fa = fb, fb = fw, fw = fa;
    }
    const double tol1 = kRelative * std::fabs(b) + kAbsolute;
    const double xm = (w - b) / 2;
    if (std::fabs(xm) <= tol1 || fb == 0) {
      *root = b;
      return 0;
    }
    double p = 0, q = 0;
    bool interpolated = false;
    if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
      interpolate(a, b, w, fa, fb, fw, xm, &p, &q);
      interpolated = 2 * p < std::min(3 * xm * q - std::fabs(tol1 * q), std::fabs(e * q));
    }
    if (interpolated) {
      e = d;
      d = p / q;
    } else {
      d = xm;
      e = d;
    }
    a = b, fa = fb;
    b += std::fabs(d) > tol1 ? d : (xm > 0 ? tol1 : -tol1);
    if (uint32_t s = g(b, &fb)) return s;
  }
  return kNoConvergence;
}
