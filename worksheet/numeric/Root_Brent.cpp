// Bracketing by fixed widening, and Brent's root finder under the financial
// functions' tolerance and status words.
#include "worksheet/numeric/Root_Brent.h"

#include <cmath>

#include "values/Vm_Status.h"

namespace {

constexpr double kWiden = 1.6;
constexpr KernRootRule kFinancialRule{6e-9, 1.5e-8, kErrorBase};
constexpr uint32_t kNoBracket = kErrorBase + kErrNum;

bool signChange(double fa, double fb) { return (fa <= 0 && 0 <= fb) || (fb <= 0 && 0 <= fa); }

}  // namespace

uint32_t Root_bracket(double* a, double* b, void* user, KernRootFn f) {
  if (*a == *b) return kNoBracket;
  double f1 = 0, f2 = 0;
  if (uint32_t s = f(user, *a, &f1)) return s;
  if (uint32_t s = f(user, *b, &f2)) return s;
  for (int32_t j = 1; j <= kRootMaxWidenings; ++j) {
    if (signChange(f1, f2)) return 0;
    uint32_t s = 0;
    if (std::fabs(f2) <= std::fabs(f1)) {
      *b += kWiden * (*b - *a);
      s = f(user, *b, &f2);
    } else {
      *a += kWiden * (*a - *b);
      s = f(user, *a, &f1);
    }
    if (s) return s;
  }
  return kNoBracket;
}

uint32_t Root_brent(double a, double b, void* user, KernRootFn f, double target, double* root) {
  return Kern_brent(a, b, user, f, target, kFinancialRule, root);
}
