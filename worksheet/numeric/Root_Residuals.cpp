// Residuals of IRR, XIRR, RATE and YIELD for the root finders.
#include "worksheet/numeric/Root_Residuals.h"

#include <algorithm>
#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/dates/Date_Serial.h"

namespace {

constexpr uint32_t kNotFinite = kErrorBase + kErrNum;
constexpr double kLowestBase = 0.001;
constexpr double kPerDay = 1.0 / 365;

uint32_t finite(double x, double* out) {
  *out = x;
  return std::isfinite(x) ? 0 : kNotFinite;
}

}  // namespace

uint32_t Root_npvAtRate(void* record, double r, double* out) {
  const auto* v = static_cast<const double*>(record);
  const auto n = static_cast<int64_t>(v[0]);
  const double d = 1 / (1 + r);
  double acc = 0;
  for (int64_t i = n; i >= 1; --i) acc = d * acc + v[i];
  return finite(d * acc, out);
}

double Root_yearsSince(double first, double date) { return (std::trunc(date) - std::trunc(first)) * kPerDay; }

uint32_t Root_xnpvAtRate(void* record, double r, double* out) {
  const auto* v = static_cast<const double*>(record);
  const auto n = static_cast<int64_t>(v[0]);
  const double base = std::max(1 + r, kLowestBase);
  *out = 0;
  if (n < 1) return 0;
  const double first = std::trunc(v[n + 1]);
  double sum = 0;
  for (int64_t i = 1; i <= n; ++i) {
    const double date = std::trunc(v[n + i]);
    if (date < 0 || date > kDateLastSerial || date < first) return kNotFinite;
    sum += v[i] / std::pow(base, Root_yearsSince(v[n + 1], v[n + i]));
    if (!std::isfinite(sum)) return kNotFinite;
  }
  *out = sum;
  return 0;
}

uint32_t Root_annuityBalance(void* record, double r, double* out) {
  const auto* v = static_cast<const double*>(record);
  const double nper = v[0], pmt = v[1], pv = v[2], fv = v[3], type = v[4];
  if (r == 0) return finite(pmt * nper + fv + pv, out);
  const double growth = std::pow(1 + r, nper);
  const double payment = type != 0 ? (1 + r) * pmt : pmt;
  return finite(pv * growth + payment * (growth - 1) / r + fv, out);
}

uint32_t Root_priceAtYield(void* record, double y, double* out) {
  const auto* v = static_cast<const double*>(record);
  const double rate = v[0], redemption = v[1], frequency = v[2], a = v[3], dsc = v[4], e = v[5], n = v[6];
  const double coupon = 100 * rate / frequency, base = 1 + y / frequency;
  double price = redemption / std::pow(base, n - 1 + dsc / e) - coupon * a / e;
  for (double k = 1; k <= n; ++k) price += coupon / std::pow(base, k - 1 + dsc / e);
  *out = price;
  return 0;
}
