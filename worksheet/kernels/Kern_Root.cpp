// Brent's method under a caller's stopping rule, and the inverse of a
// distribution kernel by it.
#include "worksheet/kernels/Kern_Root.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "values/Vm_Status.h"

namespace {
// The distribution kernels' rule: the last bits of x, with an absolute part
// for roots at 0; failures as plain codes.
constexpr KernRootRule kKernelRule{2 * DBL_EPSILON, 0.5 * 1e-300, 0};
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
  if (2 * p < std::min(3 * xm * q - std::fabs(tol * q), std::fabs(*e * q))) {
    *e = *d;
    *d = p / q;
  } else {
    *d = *e = xm;
  }
}

// f(x) - target into *out.
uint32_t shifted(void* user, KernRootFn f, double target, double x, double* out) {
  const uint32_t status = f(user, x, out);
  *out -= target;
  return status;
}

// A distribution kernel and its parameters as a root finder's callback.
struct Kernel {
  const DistParams* params;
  DistKernel kernel;
};

uint32_t kernelAt(void* user, double x, double* out) {
  const auto* k = static_cast<const Kernel*>(user);
  return k->kernel(k->params, x, out);
}
}  // namespace

uint32_t Kern_brent(double a, double b, void* user, KernRootFn f, double target, const KernRootRule& rule,
                    double* root) {
  double fa = 0, fb = 0;
  if (uint32_t s = shifted(user, f, target, a, &fa)) return s;
  if (uint32_t s = shifted(user, f, target, b, &fb)) return s;
  if (sameSign(fa, fb)) return rule.statusBase + kErrNum;
  double c = b, fc = fb, d = b - a, e = d;
  for (int32_t iteration = 0; iteration < kRootMaxIterations; ++iteration) {
    if (sameSign(fb, fc)) {
      c = a, fc = fa;
      d = e = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b, b = c, c = a;
      fa = fb, fb = fc, fc = fa;
    }
    const double tol = rule.relative * std::fabs(b) + rule.absolute;
    const double xm = (c - b) / 2;
    if (std::fabs(xm) <= tol || fb == 0) return *root = b, 0;
    nextStep(a, b, c, fa, fb, fc, xm, tol, &d, &e);
    a = b, fa = fb;
    b += std::fabs(d) > tol ? d : (xm > 0 ? tol : -tol);
    if (uint32_t s = shifted(user, f, target, b, &fb)) return s;
  }
  return rule.statusBase + kErrNA;
}

uint32_t Kern_inverse(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                      double* out) {
  Kernel k{params, kernel};
  return Kern_brent(lower, upper, &k, kernelAt, target, kKernelRule, out);
}

uint32_t Kern_inverseOpenAbove(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                               double* out) {
  uint32_t status = Kern_inverse(lower, upper, params, kernel, target, out);
  while (status == kErrNum && upper < kLargestUpperEnd) {
    upper *= kWidening;
    status = Kern_inverse(lower, upper, params, kernel, target, out);
  }
  return status;
}
