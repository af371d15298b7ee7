// Normal equations of the SOCP core: the order in which the equality rows
// are kept during a run, the permutation of A, b and y into it and back,
// and the packed factorisation M = Uᵀ·diag(U)⁻¹·U with its solve.
#include <algorithm>
#include <cmath>

#include "engines/socp/Socp_Core.h"

namespace {

constexpr double kPivotTiny = 2.220446049250313e-16;  // 2^-52

struct SocpRowKey {
  int row;
  double sum;  // plain sum of the stored values
  int count;   // stored entries
};

// Rows with a greater sum first; on equal sums, fewer entries first.
bool rowBefore(const SocpRowKey& a, const SocpRowKey& b) {
  if (a.sum != b.sum) return a.sum > b.sum;
  return a.count < b.count;
}

// Puts v[order[i]] at position i (forward) or v[i] at order[i] (back).
template <typename T>
void permute(std::vector<std::int32_t> const& order, T* v, bool forward) {
  std::vector<T> tmp(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (forward) tmp[i] = std::move(v[order[i]]);
    else tmp[order[i]] = std::move(v[i]);
  }
  std::move(tmp.begin(), tmp.end(), v);
}

void permuteAll(socp& s, bool forward) {
  if (s.pRowOrd.empty()) return;
  permute(s.pRowOrd, s.b, forward);
  if (!s.y.empty()) permute(s.pRowOrd, s.y.data(), forward);
  permute(s.pRowOrd, s.A->rows.data(), forward);
}

}  // namespace

std::vector<std::int32_t> Socp_rowOrder(const spmat& a) {
  std::vector<SocpRowKey> keys(a.m);
  for (int i = 0; i < a.m; ++i) {
    const spvec* row = a.rows[i].get();
    keys[i] = {i, 0.0, row ? row->nnz : 0};
    for (int q = 0; row && q < row->nnz; ++q) keys[i].sum += row->val[q];
  }
  std::stable_sort(keys.begin(), keys.end(), rowBefore);
  std::vector<std::int32_t> order;
  bool moved = false;
  for (int i = 0; i < a.m; ++i) moved = moved || keys[i].row != i;
  if (!moved) return order;
  for (const SocpRowKey& k : keys) order.push_back(k.row);
  return order;
}

void Socp_applyRowOrder(socp& s) { permuteAll(s, true); }

void Socp_restoreRowOrder(socp& s) { permuteAll(s, false); }

void Socp_allocNormalMatrix(socp& s) {
  std::size_t m = s.m;
  s.aaBlock.assign(m * (m + 1) / 2, 0.0);
  s.pAA.assign(m, nullptr);
  std::size_t offset = 0;
  for (std::size_t i = 0; i < m; ++i) {
    s.pAA[i] = s.aaBlock.data() + offset;
    offset += m - i;
  }
}

void Socp_factorNormal(double* const* pAA, int m) {
  for (int i = 0; i + 1 < m; ++i) {
    double d = pAA[i][0];
    if (std::fabs(d) <= kPivotTiny) continue;
    for (int j = i + 1; j < m; ++j) {
      double f = pAA[i][j - i] / d;
      if (std::fabs(f) <= kPivotTiny) continue;
      for (int l = j; l < m; ++l) pAA[j][l - j] -= f * pAA[i][l - i];
    }
  }
}

void Socp_solveNormal(const double* const* pAA, double* r, int m) {
  for (int i = 0; i < m; ++i) {
    double d = pAA[i][0];
    double t = d == 0.0 ? 0.0 : r[i] / d;
    r[i] = t;
    for (int j = i + 1; j < m; ++j) r[j] -= t * pAA[i][j - i];
  }
  for (int i = 0; i < m; ++i) r[i] *= pAA[i][0];
  for (int i = m - 1; i >= 0; --i) {
    double d = pAA[i][0];
    if (d == 0.0) {
      r[i] = 0.0;
      continue;
    }
    double sum = r[i];
    for (int k = i + 1; k < m; ++k) sum -= pAA[i][k - i] * r[k];
    r[i] = sum / d;
  }
}
