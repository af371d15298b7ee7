// Brent's root finder over the distribution kernels: the x in a bracket at
// which a kernel reaches a target value, the inverse behind the quantile
// functions. It stops at the last bits of x, as quantiles far in the tails
// need; the root finder of the financial functions stops at 1.5e-8.
#pragma once

#include <cstdint>

#include "worksheet/kernels/Kern_Distributions.h"

// The x in [lower, upper] with kernel(params, x) = target, to about the
// last bit of x, in at most 100 iterations. A kernel status at either end
// or on the way is returned at once; kErrNum when kernel minus target keeps
// its sign over the bracket, kErrNA when the iterations run out.
uint32_t Kern_brent(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                    double* out);
// As Kern_brent for a kernel that falls toward the target as x grows
// without bound (an upper tail): while kernel minus target keeps its sign
// over the bracket, the upper end grows by a factor of 1e8, up to 1e300.
uint32_t Kern_brentOpenAbove(double lower, double upper, const DistParams* params, DistKernel kernel, double target,
                             double* out);
