// Dense LU and QR factorisation of small square matrices of doubles: Crout
// LU with implicit row scaling and its back substitution, Householder QR
// with its solve, and the QR inverse. A matrix of order n is n + 1 row
// pointers with rows 1..n, each of n + 1 elements with columns 1..n (slot 0
// unused); only Dense_qrInvert also takes base 0. The caller owns all
// storage; routines allocate only their own work vectors and signal failure
// by returning false. There are no tolerances: singularity is an exact zero
// pivot.
#pragma once

#include <cstdint>

#include "base/Dbl_Quad.h"

// In place Crout LU with implicit row scaling: p[j] the row swapped with j,
// *d the parity of the swaps; false when singular. The quadruple forms
// serve the worksheet's MDETERM and MINVERSE, whose eliminations cancel:
// their extra digits keep the doubles' result.
bool Dense_luDecompose(double** a, int32_t n, int32_t* p, double* d);
bool Dense_luDecompose(DblQuad** a, int32_t n, int32_t* p, double* d);
// b becomes the solution of A x = b from the factors of Dense_luDecompose.
void Dense_luBackSubstitute(double* const* a, int32_t n, const int32_t* p, double* b);
void Dense_luBackSubstitute(DblQuad* const* a, int32_t n, const int32_t* p, DblQuad* b);
// max over rows i = k..n of |A(i, k)|.
double Dense_columnMax(int32_t k, int32_t n, double* const* a);
// In place Householder QR with the factor vectors c and d (n + 1 each); true
// when A is not singular.
bool Dense_qrDecompose(int32_t n, double** a, double* c, double* d);
void Dense_qrSolveVector(int32_t n, double* const* a, const double* c, const double* d, double* b);
// x = inverse of A by QR, both addressed from row and column base (0 or 1);
// A is not changed; false when singular (x then untouched).
bool Dense_qrInvert(int32_t base, int32_t n, double* const* a, double** x);
