// Roots of a scalar function of one real variable given as a callback that
// puts f(x) into *out and returns 0, else a worksheet error word:
// Root_bracket widens a starting interval until the function changes sign,
// Root_brent finds the root inside a sign-changing interval by the kernels'
// Brent finder (Kern_brent) under the financial functions' fixed tolerance,
// 1.5e-8 absolute plus 6e-9 relative. Statuses are 0 or a worksheet error
// word (kErrorBase plus the code): "#num!" for a degenerate or unbracketed
// interval, "#n/a" when Brent's method does not converge in 100 steps; a
// callback's own non-zero status ends the search and is handed back
// unchanged.
#pragma once

#include <cstdint>

#include "worksheet/kernels/Kern_Root.h"

constexpr int32_t kRootMaxWidenings = 50;

// Widens [*a, *b] by 1.6 times its width on the side of the smaller |f|
// (the upper end on ties) until f(a) and f(b) have opposite signs or one is
// 0, at most 50 times.
uint32_t Root_bracket(double* a, double* b, void* user, KernRootFn f);
// A root of f(x) - target in [a, b] into *root.
uint32_t Root_brent(double a, double b, void* user, KernRootFn f, double target, double* root);
