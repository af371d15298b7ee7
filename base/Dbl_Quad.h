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

// Whether a pivot of an elimination of an n x n matrix is the
// elimination's rounding rather than the matrix's: within n 1E-30 of terms,
// the sum of the magnitudes of the products subtracted from its entry to
// form it, some 10^4 roundings of them. So a pivot is weighed against what
// cancelled in it, not against other rows or columns: a pivot formed
// without subtraction stands at any scale (diagonal 1E+20, 1, 1E-20), and
// one that cancelled to below any pivot of a matrix whose condition the
// doubles can hold counts as none (1 2 3; 4 5 6; 7 8 9 leaves about 1E-33
// of terms near 6): the matrix is singular.
inline bool Dbl_quadLostPivot(DblQuad pivot, DblQuad terms, int n) {
  return Dbl_quadMagnitude(pivot) <= terms * n * 1e-30;
}

// a d - b c, exact but for its one rounding: the determinant of the
// matrix {a, b; c, d}.
inline DblQuad Dbl_crossDifference(double a, double b, double c, double d) {
  return static_cast<DblQuad>(a) * d - static_cast<DblQuad>(b) * c;
}
