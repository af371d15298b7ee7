// Sparse vector: creation, halving search, element reads and writes that
// keep the indexes ascending, growth by doubling.
#include "engines/socp/sparse/SV_Vector.h"

#include <algorithm>

namespace {

constexpr int kLinearSpan = 8;  // spans below twice this are scanned

void checkIndex(const spvec& x, int i, const char* where) {
  if (i < 0 || i >= x.n) throw SparseRangeError(where);
}

// Insertion at position q: the later entries move up; a full vector doubles.
void insertAt(spvec& x, int q, int i, double v) {
  if (x.nnz == x.nslots) SV_reserve(x, std::max(1, 2 * x.nslots));
  std::copy_backward(x.idx.begin() + q, x.idx.begin() + x.nnz, x.idx.begin() + x.nnz + 1);
  std::copy_backward(x.val.begin() + q, x.val.begin() + x.nnz, x.val.begin() + x.nnz + 1);
  x.idx[q] = i;
  x.val[q] = v;
  ++x.nnz;
}

}  // namespace

SpVec SV_create(int n, int length) {
  auto x = std::make_unique<spvec>();
  x->n = n;
  SV_reserve(*x, std::max(1, length));
  return x;
}

SpVec SV_create32(int n) { return SV_create(n, 32); }

void SV_reserve(spvec& x, int slots) {
  if (slots <= x.nslots) return;
  x.idx.resize(slots);
  x.val.resize(slots);
  x.nslots = slots;
}

int SV_findPos(const int* idx, int i, int lo, int hi) {
  if (idx[lo] >= i) return lo;
  for (int step = (hi - lo) / 2; step >= kLinearSpan; step /= 2) {
    int p = lo + step;
    if (idx[p] == i) return p;
    if (idx[p] < i) lo = p;
  }
  int q = lo;
  while (q < hi && idx[q] < i) ++q;
  return q < hi && idx[q] == i ? q : q - 1;
}

double SV_getValInRange(const spvec& x, int i, int lo, int hi) {
  checkIndex(x, i, "Index out of range in SV_getVal()");
  int p = SV_findPos(x.idx.data(), i, lo, hi);
  return x.idx[p] == i ? x.val[p] : 0.0;
}

double SV_getVal(const spvec& x, int i) {
  if (x.nnz == 0 || i < x.idx[0] || i > x.idx[x.nnz - 1]) return 0.0;
  return SV_getValInRange(x, i, 0, x.nnz);
}

spvec& SV_setVal(spvec& x, int i, double v, int lo, int hi) {
  checkIndex(x, i, "Index out of range in SV_setVal()");
  int p = SV_findPos(x.idx.data(), i, lo, hi);
  if (x.idx[p] == i) x.val[p] = v;
  else insertAt(x, p + 1, i, v);
  return x;
}

spvec& SV_insert(spvec& x, int i, double v) {
  if (x.nnz == 0 || i < x.idx[0]) {
    checkIndex(x, i, "Index out of range in SV_setVal()");
    insertAt(x, 0, i, v);
  } else if (i > x.idx[x.nnz - 1]) {
    checkIndex(x, i, "Index out of range in SV_setVal()");
    insertAt(x, x.nnz, i, v);
  } else {
    SV_setVal(x, i, v, 0, x.nnz);
  }
  return x;
}

void SV_resize(spvec& x, int dim) {
  if (dim < x.n) {
    int keep = 0;
    while (keep < x.nnz && x.idx[keep] < dim) ++keep;
    x.nnz = keep;
  }
  x.n = dim;
}
