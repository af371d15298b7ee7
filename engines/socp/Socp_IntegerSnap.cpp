// Integer variables of a barrier run's point put on whole numbers: the run
// holds its point only to "solver_fea", so an integer variable whose
// optimum is a whole number ends a few 1E-07 from it, where the integer
// search, which calls a value whole only within its precision (1E-08),
// would branch on it again and again, how often depending on the model's
// scale. The point is moved only where the run cannot tell the two apart:
// every row still holds and the objective stays within the run's gap, so
// that the search, which closes the node there, loses nothing it could
// have found below it.
#include <cmath>

#include "engines/socp/Socp_Adapter.h"

namespace {

// Whether every constraint row holds at x within `fea` relative to
// 1 + |side|.
bool rowsHold(const SocpAdapterRecord& rec, const double* x, double fea) {
  for (int i = 0; i < rec.m; ++i) {
    double scale;
    const double v = Socp_rowValue(rec.model[i], x, &scale);
    const double lower = rec.rowLower[i], upper = rec.rowUpper[i];
    if (lower > -kBoundInfinity && v < lower - fea * (1.0 + std::fabs(lower))) return false;
    if (upper < kBoundInfinity && v > upper + fea * (1.0 + std::fabs(upper))) return false;
  }
  return true;
}

}  // namespace

bool Socp_snapIntegers(SocpAdapterRecord& rec, const std::int32_t* integerFlags, const SocpParams& params,
                       double* objective) {
  if (!integerFlags) return false;
  const double fea = params.feaseps;
  std::vector<double> x = rec.x;
  bool moved = false;
  for (int j = 0; j < rec.n; ++j) {
    const double whole = std::round(x[j]);
    if (!integerFlags[j] || whole == x[j] || whole < rec.lower[j] || whole > rec.upper[j]) continue;
    if (std::fabs(x[j] - whole) > fea * (1.0 + std::fabs(whole))) continue;
    x[j] = whole;
    moved = true;
  }
  if (!moved || !rowsHold(rec, x.data(), fea)) return false;
  double scale, value = 0.0;
  if (rec.objectiveRow) value = Socp_rowValue(rec.model[rec.m], x.data(), &scale);
  if (std::fabs(value - *objective) > params.gapeps * (1.0 + std::fabs(*objective))) return false;
  rec.x = x;
  *objective = value;
  return true;
}
