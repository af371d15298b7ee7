// Dense linear algebra on small square matrices of doubles and of intervals:
// Gauss-Jordan solution with inversion, Cholesky, vector norms, and the
// interval-matrix product, norms and trace with the power iteration that the
// convexity test uses (LU and QR live in numerics/Dense_Factor.h). A matrix
// of order n is n + 1 row pointers with rows 1..n, each of n + 1 elements
// with columns 1..n (slot 0 unused). The caller owns all storage; routines
// allocate only their own work vectors and signal failure by returning
// false. There are no tolerances: singularity is an exact zero pivot.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

void Mat_copyIvl(int32_t n, int32_t m, Interval* const* src, Interval** dst);
// C = A B with outward rounding.
void Mat_mulIvl(int32_t n, Interval* const* a, Interval* const* b, Interval** c);
// Largest column sum of magnitudes max(|lo|, |hi|); 0 for n < 1.
double Mat_norm1Ivl(int32_t n, Interval* const* a);
// As Mat_norm1Ivl, returning as soon as a column sum reaches bound.
double Mat_norm1IvlBounded(int32_t n, Interval* const* a, double bound);
double Mat_normFrobeniusIvl(int32_t n, Interval* const* a);
// Outward-rounded sum of the diagonal.
Interval Mat_traceIvl(int32_t n, Interval* const* a);

// Euclidean norm of x[1..n] with scaling; 0 for a zero or empty vector.
double Mat_vectorNorm2(int32_t n, const double* x);
// Divides x[1..n] by its norm in place; a zero vector stays as it is.
void Mat_normalize(int32_t n, double* x);

// In place: a becomes its inverse and b the solution of A x = b (full
// pivoting); false when singular.
bool Mat_gaussJordan(double** a, int32_t n, double* b);
// In place: the lower triangle L with L L' = A (only the upper triangle of A
// is read; the upper triangle of the result is zeroed); false when A is not
// positive definite.
bool Mat_cholesky(double** a, int32_t n);
// Dominant eigenvalue estimate of A in *lambda and, when v is given, its unit
// vector in v[1..n]; true when the estimate converged within 99 products.
bool Mat_powerIteration(int32_t n, double* const* a, double* lambda, double* v);
