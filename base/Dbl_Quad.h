// Quadruple precision (a 113-bit significand) for the eliminations of
// MDETERM and MINVERSE, whose subtractions cancel: a product of two doubles
// is exact in it, so the determinant of two rows is exact but for one
// rounding, and a larger elimination keeps the digits a double result
// needs until the matrix's condition nears 1E+18. Header only, so that the
// stand-in's calculation, which links nothing of the library, uses the same
// arithmetic.
#pragma once

using DblQuad = __float128;

inline DblQuad Dbl_quadMagnitude(DblQuad x) { return x < 0 ? -x : x; }

// Whether a pivot of an elimination of an n x n matrix whose largest entry
// is largest is the elimination's rounding rather than the matrix's: within
// n 1E-30 of largest, some 10^4 roundings of the largest entry, and below
// any pivot of a matrix whose condition the doubles can hold. The matrix
// counts as singular (1 2 3; 4 5 6; 7 8 9 leaves a pivot of about 1E-33).
inline bool Dbl_quadLostPivot(DblQuad pivot, DblQuad largest, int n) {
  return Dbl_quadMagnitude(pivot) <= largest * n * 1e-30;
}

// a d - b c, exact but for its one rounding: the determinant of the
// matrix {a, b; c, d}.
inline DblQuad Dbl_crossDifference(double a, double b, double c, double d) {
  return static_cast<DblQuad>(a) * d - static_cast<DblQuad>(b) * c;
}
