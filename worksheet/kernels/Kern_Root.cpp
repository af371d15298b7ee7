// Brent's method: inverse quadratic interpolation and secant steps kept
// inside a bracket that bisection shrinks when they stall.
#include "worksheet/kernels/Kern_Root.h"

#include <cfloat>
#include <cmath>

#include "values/Vm_Status.h"

namespace {
constexpr int kMaxIterations = 100;
// The absolute part of the stopping width, for roots at 0.
constexpr double kAbsoluteWidth = 1e-300;
// The open bracket's growth and its last upper end.
constexpr double kWidening = 1e8;
constexpr double kLargestUpperEnd = 1e300;

bool sameSign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

// The step from b: interpolation when it stays well inside the bracket and
// shrinks fast enough, else bisection. e and d are the last two steps.
void nextStep(double a, double b, double c, double fa, double fb, double fc, double xm, double tol, double* d,
              double* e) {
  if (std::fabs(*e) < tol || std::fabs(fa) <= std::fabs(fb)) {
    *d = *e = xm;
    return;
  }
  const double s = fb / fa;
  double p, q;
  if (a == c) {
    p = 2 * xm * s;
    q = 1 - s;
  } else {
    const double qa = fa / fc, r = fb / fc;
    p = s * (2 * xm * qa * (qa - r) - (b - a) * (r - 1));
    q = (qa - 1) * (r - 1) * (s - 1);
  }
  if (p > 0) q = -q;
  p = std::fabs(p);
  if (2 * p < std::fmin(3 * xm * q - std::fabs(tol * q), std::fabs(*e * q))) {
    *e = *d;
    *d = p / q;
  } else {
    *d = *e = xm;
  }
}
}  // namespace

uint32_t Kern_brent(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                    double* out) {
  double a = lower, b = upper, fa = 0, fb = 0;
  if (uint32_t s = kernel(params, a, &fa)) return s;
  if (uint32_t s = kernel(params, b, &fb)) return s;
  fa -= target;
  fb -= target;
  if (sameSign(fa, fb)) return kErrNum;
  double c = b, fc = fb, d = b - a, e = d;
  for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
    if (sameSign(fb, fc)) {
      c = a;
      fc = fa;
      d = e = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b, b = c, c = a;
      fa = fb, fb = fc, fc = fa;
    }
    const double tol = 2 * DBL_EPSILON * std::fabs(b) + 0.5 * kAbsoluteWidth;
    const double xm = 0.5 * (c - b);
    if (std::fabs(xm) <= tol || fb == 0) return *out = b, 0;
    nextStep(a, b, c, fa, fb, fc, xm, tol, &d, &e);
    a = b;
    fa = fb;
    b += std::fabs(d) > tol ? d : std::copysign(tol, xm);
    if (uint32_t s = kernel(params, b, &fb)) return s;
    fb -= target;
  }
  return kErrNA;
}

uint32_t Kern_brentOpenAbove(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                             double* out) {
  uint32_t status = Kern_brent(lower, upper, params, kernel, target, out);
  while (status == kErrNum && upper < kLargestUpperEnd) {
    upper *= kWidening;
    status = Kern_brent(lower, upper, params, kernel, target, out);
  }
  return status;
}
