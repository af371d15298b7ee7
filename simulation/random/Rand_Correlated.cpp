// Correlated normal and lognormal draws. The caller's matrix is copied and
// factorised on every call and is never changed.
#include "simulation/random/Rand_Correlated.h"

#include <cmath>
#include <vector>

#include "simulation/random/Rand_Continuous.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

// The n x n matrix as 1-based rows, or an empty table when it is malformed.
std::vector<std::vector<double>> copyOf(int32_t n, const double* const* rows, int32_t base) {
  std::vector<std::vector<double>> m(static_cast<size_t>(n) + 1, std::vector<double>(static_cast<size_t>(n) + 1));
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = 1; j <= n; ++j) {
      const double a = rows[i - 1 + base][j - 1 + base], b = rows[j - 1 + base][i - 1 + base];
      if (!std::isfinite(a) || a != b) return {};
      m[static_cast<size_t>(i)][static_cast<size_t>(j)] = a;
    }
  }
  return m;
}

// The correlated normal draws L z + means, through f, into out.
template <typename Map>
RandCorrelation correlated(RandState* s, int32_t n, double* out, const double* means, const double* const* rows,
                           bool zeroBased, Map f) {
  if (n < 1) return kRandCorrelationMalformed;
  const int32_t base = zeroBased ? 0 : 1;
  std::vector<std::vector<double>> m = copyOf(n, rows, base);
  if (m.empty()) return kRandCorrelationMalformed;
  std::vector<double*> factor(static_cast<size_t>(n) + 1);
  for (int32_t i = 1; i <= n; ++i) factor[static_cast<size_t>(i)] = m[static_cast<size_t>(i)].data();
  if (!Mat_cholesky(factor.data(), n)) return kRandCorrelationNotPositiveDefinite;
  std::vector<double> z(static_cast<size_t>(n) + 1);
  Rand_normalVector(s, n, z.data(), 0, 1, false);
  for (int32_t i = 1; i <= n; ++i) {
    double sum = 0;
    for (int32_t j = 1; j <= i; ++j) sum += factor[static_cast<size_t>(i)][j] * z[static_cast<size_t>(j)];
    out[i - 1 + base] = f(means[i - 1 + base] + sum);
  }
  return kRandCorrelationOk;
}

}  // namespace

RandCorrelation Rand_correlatedNormal(RandState* s, int32_t n, double* out, const double* means,
                                      const double* const* rows, bool zeroBased) {
  return correlated(s, n, out, means, rows, zeroBased, [](double x) { return x; });
}

RandCorrelation Rand_correlatedLognormal(RandState* s, int32_t n, double* out, const double* means,
                                         const double* const* rows, bool zeroBased) {
  return correlated(s, n, out, means, rows, zeroBased, [](double x) { return std::exp(x); });
}

void Rand_normalVector(RandState* s, int32_t n, double* out, double mean, double sd, bool zeroBased) {
  const int32_t base = zeroBased ? 0 : 1;
  for (int32_t i = 0; i < n; ++i) out[i + base] = Rand_normal(s, mean, sd, -INFINITY, INFINITY, 0, NAN);
}
