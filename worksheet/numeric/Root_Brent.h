// Roots of a scalar function of one real variable given as a callback:
// Root_bracket widens a starting interval until the function changes sign,
// Root_brent finds the root inside a sign-changing interval by Brent's
// method (inverse quadratic interpolation, secant steps and bisection). The
// tolerance is fixed: 1.5e-8 absolute plus 6e-9 relative. Statuses are 0
// or a worksheet error word (kErrorBase plus the code): "#num!" for a
// degenerate or unbracketed interval, "#n/a" when Brent's method does not
// converge in 100 steps; a callback's own non-zero status ends the search
// and is handed back unchanged.
#pragma once

#include <cstdint>

// f(x) into *out; 0 on success, else a worksheet error word.
using RootCallback = uint32_t (*)(void* user, double x, double* out);

constexpr int32_t kRootMaxWidenings = 50;
constexpr int32_t kRootMaxIterations = 100;

// Widens [*a, *b] by 1.6 times its width on the side of the smaller |f|
// (the upper end on ties) until f(a) and f(b) have opposite signs or one is
// 0, at most 50 times.
uint32_t Root_bracket(double* a, double* b, void* user, RootCallback f);
// A root of f(x) - target in [a, b] into *root.
uint32_t Root_brent(double a, double b, void* user, RootCallback f, double target, double* root);
