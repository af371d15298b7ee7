// The sparse vector of the SOCP barrier engine: the non-zero entries of a
// vector of fixed dimension, kept as two parallel arrays in ascending index
// order. Rows of every sparse matrix, the cone data and the scaled rows of
// the interior-point core are such vectors. Indexes are 0-based.
//
// Storage comes from std::vector: a failed allocation throws std::bad_alloc
// and an index outside the dimension throws SparseRangeError; the engine's
// operations catch both and end the run with a status.
#pragma once

#include <memory>
#include <stdexcept>
#include <vector>

struct SparseRangeError : std::out_of_range {
  using std::out_of_range::out_of_range;
};

struct spvec {
  int n = 0;       // dimension: valid indexes are 0 to n-1
  int nnz = 0;     // stored entries, in positions 0 to nnz-1
  int nslots = 0;  // capacity of both arrays
  std::vector<int> idx;     // strictly ascending in positions 0 to nnz-1
  std::vector<double> val;  // value of the entry at the same position
};

using SpVec = std::unique_ptr<spvec>;

// A vector of dimension n with room for `length` entries (at least one).
SpVec SV_create(int n, int length);
// A vector of dimension n with room for 32 entries: how rows are born.
SpVec SV_create32(int n);

// The value at index i; 0.0 when not stored or outside the stored span.
double SV_getVal(const spvec& x, int i);
// The same, searching only stored positions lo to hi-1 (lo < hi).
double SV_getValInRange(const spvec& x, int i, int lo, int hi);
// A position within lo to hi-1 of the ascending array idx: the position of
// i when stored, else of the next smaller index (lo when idx[lo] >= i).
int SV_findPos(const int* idx, int i, int lo, int hi);
// Stores v at index i (explicit zeros too), overwriting or inserting.
spvec& SV_insert(spvec& x, int i, double v);
// The store behind SV_insert, searching stored positions lo to hi-1;
// requires idx[lo] <= i.
spvec& SV_setVal(spvec& x, int i, double v, int lo, int hi);
// Changes the dimension; a smaller one drops the entries at or above it.
void SV_resize(spvec& x, int dim);
// Makes room for `slots` entries without changing the stored ones.
void SV_reserve(spvec& x, int slots);
