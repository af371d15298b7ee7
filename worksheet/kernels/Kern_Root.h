// Brent's root finder (inverse quadratic interpolation and secant steps kept
// inside a bracket that bisection shrinks when they stall), with the
// stopping width and the status words of its own failures set by the caller,
// and its use on the distribution kernels: the x in a bracket at which a
// kernel reaches a target value, the inverse behind the quantile functions.
#pragma once

#include <cstdint>

#include "worksheet/kernels/Kern_Distributions.h"

// f(x) into *out; 0 on success, else a status the finder hands back.
using KernRootFn = uint32_t (*)(void* user, double x, double* out);

constexpr int32_t kRootMaxIterations = 100;

// The stopping width at b is relative |b| + absolute; the finder's own
// failures are statusBase + kErrNum (f minus target keeps its sign over the
// bracket) and statusBase + kErrNA (no convergence in 100 iterations).
struct KernRootRule {
  double relative;
  double absolute;
  uint32_t statusBase;
};

// A root of f(x) - target in [a, b] into *root. A callback's non-zero status
// at either end or on the way ends the search and is handed back unchanged.
uint32_t Kern_brent(double a, double b, void* user, KernRootFn f, double target, const KernRootRule& rule,
                    double* root);
// The x in [lower, upper] with kernel(params, x) = target, to about the
// last bit of x (quantiles far in the tails need it). Statuses are kernel
// statuses or plain codes: kErrNum for a bracket without a sign change,
// kErrNA when the iterations run out.
uint32_t Kern_inverse(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                      double* out);
// As Kern_inverse for a kernel that falls toward the target as x grows
// without bound (an upper tail): while kernel minus target keeps its sign
// over the bracket, the upper end grows by a factor of 1e8, up to 1e300.
uint32_t Kern_inverseOpenAbove(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                               double* out);
