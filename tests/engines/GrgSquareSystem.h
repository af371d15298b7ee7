// A square linear system solved by elimination with partial pivoting, for
// the GRG tests that find an LP's optimum by enumerating its vertices.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

// Solves a x = b in place of b; false when a is singular.
inline bool GrgTest_solveSquare(std::vector<std::vector<double>> a, std::vector<double>& b) {
  int n = static_cast<int>(b.size());
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    if (std::fabs(a[p][c]) < 1e-9) return false;
    std::swap(a[p], a[c]);
    std::swap(b[p], b[c]);
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      double f = a[r][c] / a[c][c];
      for (int k = c; k < n; ++k) a[r][k] -= f * a[c][k];
      b[r] -= f * b[c];
    }
  }
  for (int i = 0; i < n; ++i) b[i] /= a[i][i];
  return true;
}
