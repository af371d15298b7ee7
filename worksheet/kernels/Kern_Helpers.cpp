// Small scalar routines on doubles: integer forms, range-checked integer
// conversion and the plain-number kernels of the model functions.
#include "worksheet/kernels/Kern_Helpers.h"

#include <cmath>

double Kern_absInt(int32_t n) { return std::fabs(static_cast<double>(n)); }
double Kern_acosInt(int32_t n) { return std::acos(static_cast<double>(n)); }
double Kern_asinInt(int32_t n) { return std::asin(static_cast<double>(n)); }

double Kern_lnInt(int32_t n) { return std::log(static_cast<double>(n)); }
double Kern_powIntBase(int32_t base, double exponent) { return std::pow(static_cast<double>(base), exponent); }

double Kern_sqrtInt(int32_t n) { return std::sqrt(static_cast<double>(n)); }

double Kern_gexp(const double* x, const double* a, const double* b, const double* c) {
  return (std::exp(*x * *a) + *b) * *c;
}

double Kern_lx(const double* x) {
  const double rest = 1.0 - *x;
  return Num_lnChecked(*x / rest);
}

double Kern_poly3(const double* x, const double* a, const double* b, const double* c, const double* d) {
  return ((*x * *d + *c) * *x + *b) * *x + *a;
}

bool Kern_isOddTrunc(double x) { return std::fabs(std::fmod(std::trunc(x), 2.0)) == 1.0; }
