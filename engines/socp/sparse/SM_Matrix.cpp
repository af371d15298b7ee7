// Sparse matrix: life cycle, element access and the structural edits with
// which the engine assembles its cone programs.
#include <algorithm>

#include "engines/socp/sparse/SM_Matrix.h"

SpMat SM_create(int m, int n) {
  auto a = std::make_unique<spmat>();
  a->m = m;
  a->n = n;
  a->rows.resize(m);
  return a;
}

spmat& SM_growRows(spmat& a, int newM, int newN) {
  if (newM != a.m) a.rows.resize(newM);
  if (newN != a.n)
    for (SpVec& row : a.rows)
      if (row) SV_resize(*row, newN);
  a.m = newM;
  a.n = newN;
  return a;
}

void SM_copyRows(const spmat& src, spmat& dst) {
  if (&src == &dst) return;
  if (src.m != dst.m || src.n != dst.n) SM_growRows(dst, src.m, src.n);
  for (int i = 0; i < src.m; ++i) {
    const spvec* s = src.rows[i].get();
    SpVec& d = dst.rows[i];
    if (!s) {
      if (d) d->nnz = 0;
      continue;
    }
    if (!d) d = SV_create(src.n, s->nslots);
    SV_reserve(*d, s->nslots);
    d->n = src.n;
    d->nnz = s->nnz;
    std::copy(s->idx.begin(), s->idx.begin() + s->nnz, d->idx.begin());
    std::copy(s->val.begin(), s->val.begin() + s->nnz, d->val.begin());
  }
}

SpMat SM_clone(const spmat& a) {
  SpMat copy = SM_create(a.m, a.n);
  SM_copyRows(a, *copy);
  return copy;
}

double SM_getVal(const spmat& a, int i, int j) {
  if (i < 0 || i >= a.m) throw SparseRangeError("Dimension mismatch in SM_getVal()");
  const spvec* row = a.rows[i].get();
  return row ? SV_getVal(*row, j) : 0.0;
}

spmat& SM_setVal(spmat& a, int i, int j, double v) {
  SpVec& row = a.rows[i];
  if (!row) {
    if (v == 0.0) return a;
    row = SV_create32(a.n);
  }
  SV_insert(*row, j, v);
  return a;
}

void SM_insertColumn(spmat& a, int j) {
  for (SpVec& row : a.rows) {
    if (!row) continue;
    row->n += 1;
    for (int q = 0; q < row->nnz; ++q)
      if (row->idx[q] >= j) row->idx[q] += 1;
  }
  a.n += 1;
}

void SM_deleteColumn(spmat& a, int j) {
  for (SpVec& row : a.rows) {
    if (!row) continue;
    int out = 0;
    for (int q = 0; q < row->nnz; ++q) {
      int k = row->idx[q];
      if (k == j) continue;
      row->idx[out] = k > j ? k - 1 : k;
      row->val[out++] = row->val[q];
    }
    row->nnz = out;
    row->n -= 1;
  }
  a.n -= 1;
}

void SM_swapColumns(spmat& a, int j1, int j2) {
  if (j1 == j2) return;
  for (int i = 0; i < a.m; ++i) {
    double v1 = SM_getVal(a, i, j1), v2 = SM_getVal(a, i, j2);
    SM_setVal(a, i, j1, v2);
    SM_setVal(a, i, j2, v1);
  }
}

void SM_insertRow(spmat& a, int r) {
  a.rows.insert(a.rows.begin() + r, SpVec());
  a.m += 1;
}

void SM_deleteRow(spmat& a, int r) {
  a.rows.erase(a.rows.begin() + r);
  a.m -= 1;
}

bool SM_appendScaledColumns(SpMat& a, const spmat& b, double s) {
  if (!a) {
    a = SM_create(b.m, b.n);
    for (int i = 0; i < b.m; ++i)
      for (int q = 0; b.rows[i] && q < b.rows[i]->nnz; ++q)
        SM_setVal(*a, i, b.rows[i]->idx[q], s * b.rows[i]->val[q]);
    return true;
  }
  if (a->m != b.m) return false;
  int old = a->n;
  SM_growRows(*a, a->m, a->n + b.n);
  for (int i = 0; i < b.m; ++i)
    for (int q = 0; q < b.n; ++q) {
      double v = s * SM_getVal(b, i, q);
      if (v != 0.0) SM_setVal(*a, i, old + q, v);
    }
  return true;
}

bool SM_appendColumns(SpMat& a, const spmat& b) { return SM_appendScaledColumns(a, b, 1.0); }
