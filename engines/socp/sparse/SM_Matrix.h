// The row-wise sparse matrix of the SOCP barrier engine: m rows of n
// columns, each row a sparse vector or absent (all zero). Life cycle,
// element access, structural edits, products, and the symmetric square root
// of a positive semidefinite matrix. Indexes are 0-based.
//
// Zero rule of every writer: a row is created only when a non-zero value is
// to be written into an absent row; a value written into a present row is
// stored even when it is 0.0.
#pragma once

#include <memory>
#include <vector>

#include "engines/socp/sparse/SV_Vector.h"

struct spmat {
  int m = 0;
  int n = 0;
  std::vector<SpVec> rows;  // m rows, each of dimension n, or absent
};

using SpMat = std::unique_ptr<spmat>;

SpMat SM_create(int m, int n);
SpMat SM_clone(const spmat& a);
// Makes dst an entry-for-entry copy of src (resized first when needed).
void SM_copyRows(const spmat& src, spmat& dst);
// New sizes: rows beyond newM are released, new rows are absent, present
// rows take the new column count.
spmat& SM_growRows(spmat& a, int newM, int newN);

// Row i outside 0 to m-1 throws SparseRangeError; an absent row reads 0.0.
double SM_getVal(const spmat& a, int i, int j);
spmat& SM_setVal(spmat& a, int i, int j, double v);

void SM_insertColumn(spmat& a, int j);
void SM_deleteColumn(spmat& a, int j);
void SM_swapColumns(spmat& a, int j1, int j2);
void SM_insertRow(spmat& a, int r);
void SM_deleteRow(spmat& a, int r);
// A := [A, s·B]; an absent A becomes s·B. False (nothing changed) when the
// row counts differ.
bool SM_appendScaledColumns(SpMat& a, const spmat& b, double s);
bool SM_appendColumns(SpMat& a, const spmat& b);

SpMat SM_transpose(const spmat& a);
// A·B; every row of the product is present, possibly empty.
SpMat SM_multiply(const spmat& a, const spmat& b);
// Dense y = A·x; y[i] of an absent row is left as it was.
double* SM_mulVec(const spmat& a, const double* x, double* y);
// The columns holding a non-zero value, renumbered from 0; none when there
// is no such column.
SpMat SM_dropZeroColumns(const spmat& a);

// The symmetric square root F = V·√D·Vᵀ of a symmetric matrix with FᵀF = Q,
// computed on the rows and columns of Q that hold a non-zero value and
// expanded back to Q's size; singular semidefinite matrices have one too.
// None when Q has no non-zero value, is not symmetric or its eigen
// iteration does not converge. Negative eigenvalues are clipped to zero:
// F·F misses an indefinite Q, which the caller checks.
SpMat SM_sqrtPsd(const spmat& q);
bool SM_isSymmetric(const spmat& a, double tol);
bool SM_isSymmetricDefault(const spmat& a);
bool SM_isCholeskyFactorable(const spmat& a);
// Eigen decompositions: V's columns are eigenvectors, D the diagonal of
// eigenvalues. Jacobi rotations (below 10 rows) and Householder reduction
// with shifted QR (10 rows and more).
bool SM_eigenJacobi(const spmat& a, SpMat& v, SpMat& d);
bool SM_eigenTridiagonal(const spmat& a, SpMat& v, SpMat& d);
bool SM_symmetricSqrt(const spmat& a, SpMat& f, SpMat& v, SpMat& d);
