// Keeping the integer variables of the interval search whole.
#include "engines/interval/Ia_Integers.h"

#include <algorithm>
#include <cmath>

#include "base/Chk_Assert.h"

bool Ia_isInteger(const IaIntegerFlags& integer, int i) {
  return i >= 0 && static_cast<std::size_t>(i) < integer.size() && integer[i] != 0;
}

bool Ia_roundIntegerBox(const IaIntegerFlags& integer, double slack, Interval* box) {
  for (int i = 1; i < static_cast<int>(integer.size()); ++i) {
    if (!integer[i]) continue;
    const double lo = std::ceil(box[i].lo - slack), hi = std::floor(box[i].hi + slack);
    if (!(lo <= hi)) return false;
    box[i] = Interval{lo, hi};
  }
  return true;
}

double Ia_nearestWhole(const Interval& x, double v) { return std::clamp(std::round(v), x.lo, x.hi); }

void Ia_roundIntegerPoint(const IaIntegerFlags& integer, const Interval* box, std::vector<double>& p) {
  for (int i = 1; i < static_cast<int>(integer.size()); ++i)
    if (integer[i]) p[i] = Ia_nearestWhole(box[i], p[i]);
}

bool Ia_integersWhole(const IaIntegerFlags& integer, const std::vector<double>& x) {
  for (int i = 1; i < static_cast<int>(integer.size()); ++i)
    if (integer[i] && x[i] != std::round(x[i])) return false;
  return true;
}

void Ia_splitBox(const IaIntegerFlags& integer, int i, IaBox& low, IaBox& high) {
  CORVAN_ASSERT(i >= 1 && static_cast<std::size_t>(i) < low.size());
  high = low;
  const double mid = (low[i].lo + low[i].hi) * 0.5;
  if (Ia_isInteger(integer, i) && low[i].hi - low[i].lo >= 1) {
    low[i].hi = std::floor(mid);
    high[i].lo = low[i].hi + 1;
    return;
  }
  low[i].hi = mid;
  high[i].lo = mid;
}
