// Sparse matrix products: transpose, matrix product, matrix-vector product
// and the compaction of zero columns.
#include "engines/socp/sparse/SM_Matrix.h"

SpMat SM_transpose(const spmat& a) {
  SpMat t = SM_create(a.n, a.m);
  for (int i = 0; i < a.m; ++i) {
    const spvec* row = a.rows[i].get();
    for (int q = 0; row && q < row->nnz; ++q) SM_setVal(*t, row->idx[q], i, row->val[q]);
  }
  return t;
}

namespace {

// Sum of the products of the entries with equal index: a merge of the two
// ascending index lists.
double mergeDot(const spvec& u, const spvec& v) {
  double sum = 0.0;
  int p = 0, q = 0;
  while (p < u.nnz && q < v.nnz) {
    if (u.idx[p] < v.idx[q]) ++p;
    else if (u.idx[p] > v.idx[q]) ++q;
    else sum += u.val[p++] * v.val[q++];
  }
  return sum;
}

}  // namespace

SpMat SM_multiply(const spmat& a, const spmat& b) {
  SpMat p = SM_create(a.m, b.n);
  SpMat bt = SM_transpose(b);
  std::vector<int> idx(b.n);
  std::vector<double> val(b.n);
  for (int i = 0; i < a.m; ++i) {
    int count = 0;
    const spvec* row = a.rows[i].get();
    for (int j = 0; row && j < b.n; ++j) {
      if (!bt->rows[j]) continue;
      double v = mergeDot(*row, *bt->rows[j]);
      if (v == 0.0) continue;
      idx[count] = j;
      val[count++] = v;
    }
    SpVec& out = p->rows[i];
    out = SV_create32(b.n);
    SV_reserve(*out, count);
    std::copy(idx.begin(), idx.begin() + count, out->idx.begin());
    std::copy(val.begin(), val.begin() + count, out->val.begin());
    out->nnz = count;
  }
  return p;
}

double* SM_mulVec(const spmat& a, const double* x, double* y) {
  for (int i = 0; i < a.m; ++i) {
    const spvec* row = a.rows[i].get();
    if (!row) continue;
    double sum = 0.0;
    for (int q = row->nnz - 1; q >= 0; --q) sum += row->val[q] * x[row->idx[q]];
    y[i] = sum;
  }
  return y;
}

SpMat SM_dropZeroColumns(const spmat& a) {
  std::vector<int> kept;
  for (int q = 0; q < a.n; ++q)
    for (int i = a.m - 1; i >= 0; --i)
      if (SM_getVal(a, i, q) != 0.0) {
        kept.push_back(q);
        break;
      }
  if (kept.empty()) return nullptr;
  SpMat out = SM_create(a.m, static_cast<int>(kept.size()));
  for (int i = 0; i < a.m; ++i)
    for (int k = 0; k < out->n; ++k) {
      double v = SM_getVal(a, i, kept[k]);
      if (v != 0.0) SM_setVal(*out, i, k, v);
    }
  return out;
}
