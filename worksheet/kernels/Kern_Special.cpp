// Gamma-function logarithm, incomplete gamma and beta functions, erf,
// factorials, binomial coefficients, GCD and LCM, modified Bessel functions.
#include "worksheet/kernels/Kern_Special.h"

#include <algorithm>
#include <cmath>

#include "values/Vm_Status.h"

namespace {
// Steps of the series and continued fractions, and their relative stop: a
// few units in the last place of a double. A stop at single precision
// (3E-7) left the incomplete gamma and beta functions 8 digits, and their
// values jumped where the series hands over to the fraction.
constexpr int kMaxSteps = 1000;
constexpr double kStop = 1e-15;
// Smallest magnitude of a Lentz denominator, and the double nearest its
// reciprocal.
constexpr double kTiny = 1e-30;
constexpr double kHuge = 9.999999999999999e29;
// Downward recurrence of I_n: start above the larger of the order and |x|
// (x beyond the order needs the longer run; above kRecurrenceReach I_n
// overflows anyway) by sqrt(kStartScale times it), rescale past kRescale.
constexpr double kStartScale = 40.0;
constexpr double kRecurrenceReach = 1000.0;
constexpr double kRescale = 1e10;

// exp(-x + a ln x - ln Gamma(a)), the front factor of P and Q.
double gammaFront(double a, double x) { return std::exp(-x + a * std::log(x) - Kern_lnGamma(&a)); }

double awayFromZero(double d) { return std::fabs(d) < kTiny ? kTiny : d; }

// Horner's rule over the coefficients c[0..n-1] at y.
template <int n>
double poly(const double (&c)[n], double y) {
  double v = c[n - 1];
  for (int i = n - 2; i >= 0; --i) v = v * y + c[i];
  return v;
}
}  // namespace

double Kern_lnGamma(const double* x) {
  static const double kCoefficients[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                          -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
  double tmp = *x + 5.5;
  tmp -= (*x + 0.5) * std::log(tmp);
  double ser = 1.000000000190015;
  for (int j = 0; j < 6; ++j) ser += kCoefficients[j] / (*x + j + 1);
  return std::log(2.5066282746310007 * ser / *x) - tmp;
}

bool Kern_factorial(const double* x, double* out) {
  if (!(*x >= 0)) return false;
  // The product itself, rounded step by step as the worksheet forms it; it
  // overflows from 171! on, so a huge argument stops within 171 steps.
  const double n = std::trunc(*x);
  double value = 1.0;
  for (double i = 2; i <= n && std::isfinite(value); ++i) value *= i;
  *out = value;
  return std::isfinite(value);
}

bool Kern_binomialCoefficient(double n, double k, double* out) {
  n = std::trunc(n);
  k = std::trunc(k);
  if (n < 0 || k < 0 || n < k) return false;
  const double a = n + 1, b = k + 1, c = n - k + 1;
  *out = std::floor(std::exp(Kern_lnGamma(&a) - Kern_lnGamma(&b) - Kern_lnGamma(&c)) + 0.5);
  return std::isfinite(*out);
}

double Kern_gcd(const double* a, const double* b) {
  if (!std::isfinite(*a) || !std::isfinite(*b)) return NAN;
  if (*a == 0) return *b;
  if (*b == 0) return *a;
  double x = *a, r = std::fmod(*b, *a);
  while (r != 0) {
    const double next = std::fmod(x, r);
    x = r;
    r = next;
  }
  return x;
}

double Kern_lcm(const double* a, const double* b) {
  if (!std::isfinite(*a) || !std::isfinite(*b)) return NAN;
  if (*a == 0 || *b == 0) return 0.0;
  const double v = *a / Kern_gcd(a, b) * *b;
  double whole;
  const double fraction = std::modf(v, &whole);
  return fraction < 0.5 ? whole : whole + 1;
}

uint32_t Kern_finiteStatus(double x) { return std::isfinite(x) ? 0u : uint32_t{kErrNum}; }

uint32_t Kern_gammaSeries(double a, double x, double* out) {
  if (x == 0) return *out = 0.0, 0;
  double del = 1 / a, sum = del;
  bool converged = false;
  for (int n = 1; n <= kMaxSteps && !converged; ++n) {
    del *= x / (a + n);
    sum += del;
    converged = std::fabs(del) < std::fabs(sum) * kStop;
  }
  if (!converged) return kErrNA;
  *out = sum * gammaFront(a, x);
  return Kern_finiteStatus(*out);
}

uint32_t Kern_gammaContinuedFraction(double a, double x, double* out) {
  double b = x + 1 - a, c = kHuge, d = 1 / b, h = d;
  bool converged = false;
  for (int i = 1; i <= kMaxSteps && !converged; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = 1 / awayFromZero(an * d + b);
    c = awayFromZero(b + an / c);
    const double del = d * c;
    h *= del;
    converged = std::fabs(del - 1) < kStop;
  }
  if (!converged) return kErrNA;
  *out = gammaFront(a, x) * h;
  return Kern_finiteStatus(*out);
}

uint32_t Kern_gammaP(double a, double x, double* out) {
  if (!(x >= 0) || !(a > 0)) return kErrNum;
  if (x < a + 1) return Kern_gammaSeries(a, x, out);
  double q = 0;
  const uint32_t status = Kern_gammaContinuedFraction(a, x, &q);
  if (status == 0) *out = 1 - q;
  return status;
}

uint32_t Kern_gammaQ(double a, double x, double* out) {
  if (!(x >= 0) || !(a > 0)) return kErrNum;
  // The continued fraction gives the upper tail itself, which 1 - P would
  // lose to cancellation.
  if (x >= a + 1) return Kern_gammaContinuedFraction(a, x, out);
  double p = 0;
  const uint32_t status = Kern_gammaSeries(a, x, &p);
  *out = 1 - p;
  return status;
}

uint32_t Kern_erf(double x, double* out) {
  // The C library's, right to the last bits: P(1/2, x^2) by its series and
  // its fraction carries ln Gamma's error, and the two meet with a step.
  *out = std::erf(x);
  return std::isnan(*out) ? uint32_t{kErrNum} : 0u;
}

bool Kern_betaContinuedFraction(double a, double b, double x, double* out) {
  const double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 / awayFromZero(1 - qab * x / qap), h = d;
  const auto step = [&](double aa) {
    d = 1 / awayFromZero(1 + aa * d);
    c = awayFromZero(1 + aa / c);
    h *= d * c;
    return d * c;
  };
  for (int m = 1; m <= kMaxSteps; ++m) {
    const double m2 = 2.0 * m;
    step(m * (b - m) * x / ((qam + m2) * (a + m2)));
    const double del = step(-(a + m) * (qab + m) * x / ((a + m2) * (qap + m2)));
    if (std::fabs(del - 1) < kStop) return *out = h, std::isfinite(h);
  }
  return false;
}

bool Kern_betaIncomplete(double a, double b, double x, double* out) {
  if (!(x >= 0 && x <= 1)) return false;
  const double ab = a + b;
  const double front =
      x == 0 || x == 1
          ? 0.0
          : std::exp(Kern_lnGamma(&ab) - Kern_lnGamma(&a) - Kern_lnGamma(&b) + a * std::log(x) + b * std::log(1 - x));
  double cf = 0;
  if (x < (a + 1) / (a + b + 2)) {
    if (!Kern_betaContinuedFraction(a, b, x, &cf)) return false;
    *out = front * cf / a;
  } else {
    if (!Kern_betaContinuedFraction(b, a, 1 - x, &cf)) return false;
    *out = 1 - front * cf / b;
  }
  return std::isfinite(*out);
}

double Kern_besselI0(double x) {
  static const double kSmall[] = {1.0, 3.5156229, 3.0899424, 1.2067492, 0.2659732, 0.0360768, 0.0045813};
  static const double kLarge[] = {0.39894228,  0.01328592, 0.00225319,  -0.00157565, 0.00916281,
                                  -0.02057706, 0.02635537, -0.01647633, 0.00392377};
  const double ax = std::fabs(x);
  if (ax < 3.75) return poly(kSmall, (x / 3.75) * (x / 3.75));
  return std::exp(ax) / std::sqrt(ax) * poly(kLarge, 3.75 / ax);
}

double Kern_besselI1(double x) {
  static const double kSmall[] = {0.5, 0.87890594, 0.51498869, 0.15084934, 0.02658733, 0.00301532, 0.00032411};
  static const double kLarge[] = {0.39894228, -0.03988024, -0.00362018, 0.00163801, -0.01031555,
                                  0.02282967, -0.02895312, 0.01787654,  -0.00420059};
  const double ax = std::fabs(x);
  if (ax < 3.75) return x * poly(kSmall, (x / 3.75) * (x / 3.75));
  const double v = std::exp(ax) / std::sqrt(ax) * poly(kLarge, 3.75 / ax);
  return x < 0 ? -v : v;
}

double Kern_besselIn(int32_t n, double x) {
  if (x == 0) return 0.0;
  const double tox = 2 / std::fabs(x);
  double bip = 0, bi = 1, answer = 0;
  const int32_t reach = std::max(n, static_cast<int32_t>(std::fmin(std::fabs(x), kRecurrenceReach)));
  for (int32_t j = 2 * (reach + static_cast<int32_t>(std::sqrt(kStartScale * reach))); j > 0; --j) {
    const double bim = bip + j * tox * bi;
    bip = bi;
    bi = bim;
    if (std::fabs(bi) > kRescale) {
      answer /= kRescale;
      bi /= kRescale;
      bip /= kRescale;
    }
    if (j == n) answer = bip;
  }
  answer *= Kern_besselI0(x) / bi;
  return x < 0 && n % 2 == 1 ? -answer : answer;
}

double Kern_besselK0(double x) {
  static const double kSmall[] = {-0.57721566, 0.42278420, 0.23069756, 0.03488590, 0.00262698, 0.00010750, 0.0000074};
  static const double kLarge[] = {1.25331414, -0.07832358, 0.02189568, -0.01062446,
                                  0.00587872, -0.00251540, 0.00053208};
  if (x <= 2) return -std::log(x / 2) * Kern_besselI0(x) + poly(kSmall, x * x / 4);
  return std::exp(-x) / std::sqrt(x) * poly(kLarge, 2 / x);
}

double Kern_besselK1(double x) {
  static const double kSmall[] = {1.0, 0.15443144, -0.67278579, -0.18156897, -0.01919402, -0.00110404, -0.00004686};
  static const double kLarge[] = {1.25331414,  0.23498619, -0.03655620, 0.01504268,
                                  -0.00780353, 0.00325614, -0.00068245};
  if (x <= 2) return std::log(x / 2) * Kern_besselI1(x) + poly(kSmall, x * x / 4) / x;
  return std::exp(-x) / std::sqrt(x) * poly(kLarge, 2 / x);
}

double Kern_besselKn(int32_t n, double x) {
  const double tox = 2 / x;
  double km = Kern_besselK0(x), k = Kern_besselK1(x);
  for (int32_t j = 1; j < n; ++j) {
    const double kp = km + j * tox * k;
    km = k;
    k = kp;
  }
  return k;
}
