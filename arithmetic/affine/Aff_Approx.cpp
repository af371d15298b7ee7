// Affine approximations of the elementary functions: f(x) enclosed by
// alpha x + d, alpha the secant slope over the range of x and d an interval
// that covers f(t) - alpha t at the ends of the range and at every tangency
// point or kink inside it, each evaluated with the interval functions.
#include <cmath>
#include <limits>

#include "arithmetic/affine/Aff_Build.h"
#include "arithmetic/affine/Aff_Ops.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "values/Vm_Status.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kPi = std::acos(-1.0);
const double kHalfPi = std::asin(1.0);

Interval point(double d) { return Interval{d, d}; }

// Candidate points of one function (at most a few periods of SIN).
struct Points {
  double t[40];
  int count = 0;
  void add(double u) {
    if (count < 40 && u == u) t[count++] = u;
  }
};

// The result record sized and bound like x.
AffineForm* bound(const AffineForm* x) {
  AffineForm* out = Aff_result(x->context->buffers);
  out->n = std::min(x->n, out->capacity);
  out->context = x->context;
  return out;
}

AffineForm constant(const AffineForm* x, const Interval& value) {
  AffineForm* out = bound(x);
  Aff_setIvl(out, value);
  return *out;
}

AffineForm copyOf(const AffineForm* x) { return Aff_mulSV(1.0, x); }

// A domain fault: status 31 and the constant NaN.
AffineForm fault(const AffineForm* x, const char* label) {
  Vm_raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument, label, 0, 0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return constant(x, Interval{nan, nan});
}

// A negative power's pole at 0 among the argument's values: "Division by
// zero", as the interval modes raise it, and the argument itself.
AffineForm pole(const AffineForm* x, const char* label) {
  Vm_raise(Vm_errorsOf(x->context), kStatusDivisionByZero, label, 0, 0, 0);
  return copyOf(x);
}

double secant(double flo, double fhi, const Interval& r) {
  const double w = r.hi - r.lo;
  const double alpha = w > 0.0 ? (fhi - flo) / w : 0.0;
  return alpha == alpha ? alpha : 0.0;
}

// alpha x + d; the interval fallback (no coefficients) when the slope, the
// intercept or the range is not finite.
AffineForm linearised(const AffineForm* x, const Interval& range, double alpha, const Interval& d,
                      const Interval& fallback, const Interval& enclosure) {
  AffineForm* out = bound(x);
  if (!std::isfinite(alpha) || !Ivl_isFinite(d) || !Ivl_isFinite(range)) {
    Aff_setIvl(out, fallback);
  } else {
    const Interval centre = Ivl_add(Ivl_mulSV(alpha, point(x->centre)), d);
    const double radius = Aff_mulUp(std::fabs(alpha), x->radius);
    Aff_emit(out, x, centre, radius, [&](int32_t i) { return Ivl_mulSV(alpha, point(x->coef[i])); });
  }
  if (Aff_keeps(x->context->flags)) out->enclosure = enclosure;
  return *out;
}

// alpha x + d with d covering F(t) - alpha t over the ends of range and the
// candidate points (cut into the range); the interval F of the whole range
// when the slope or the intercept is not finite.
template <class F>
AffineForm frame(const AffineForm* x, const Interval& range, double alpha, F ivl, const Points& points,
                 const Interval& enclosure) {
  Interval d = Ivl_empty();
  auto visit = [&](double t) {
    const Interval e = Ivl_sub(ivl(point(t)), Ivl_mulSV(alpha, point(t)));
    d = Ivl_isEmpty(d) ? e : Ivl_hull(d, e);
  };
  visit(range.lo);
  visit(range.hi);
  for (int k = 0; k < points.count; ++k) visit(std::fmin(std::fmax(points.t[k], range.lo), range.hi));
  if (points.count > 0) d = Interval{std::nextafter(d.lo, -kInf), std::nextafter(d.hi, kInf)};
  return linearised(x, range, alpha, d, ivl(range), enclosure);
}

// The frame for a function given as a double f and an interval F.
template <class Fd, class F, class Cand>
AffineForm smooth(const AffineForm* x, Interval range, Fd f, F ivl, Cand candidates) {
  const double alpha = secant(f(range.lo), f(range.hi), range);
  Points points;
  candidates(alpha, points);
  return frame(x, range, alpha, ivl, points, ivl(x->enclosure));
}

Interval range(const AffineForm* x) { return Aff_toIvl(x, false); }

// The values x takes: its range cut to its kept enclosure (the range alone
// should the two not meet). A function with a domain is approximated over
// the part of them inside it, and faults only when none lies inside: a box
// partly outside the domain still holds every point inside it.
Interval values(const AffineForm* x) {
  const Interval cut = Aff_toIvl(x, true);
  return cut.lo <= cut.hi ? cut : range(x);
}

// r with its lower end raised to at least floor (its upper end with it).
Interval raised(Interval r, double floor) {
  r.lo = std::fmax(r.lo, floor);
  r.hi = std::fmax(r.hi, r.lo);
  return r;
}

// Both roots +-r of a tangency equation.
void both(Points& p, double r) {
  p.add(r);
  p.add(-r);
}

// SIN over a range of at most a few periods: the tangency points
// +-acos(alpha) + 2 k pi inside it. A wider or unbounded range, or one so far
// out that the period count k no longer steps by one, gets the slope 0 and
// the intercept [-1, 1].
AffineForm sine(const AffineForm* x, const Interval& enclosure) {
  const Interval r = range(x);
  auto ivl = [](const Interval& t) { return Ivl_sin(t); };
  if (!Ivl_isFinite(r) || r.hi - r.lo > 8.0 * kPi || std::fmax(-r.lo, r.hi) > kIvlPeriodsFarOut)
    return linearised(x, r, 0.0, Interval{-1.0, 1.0}, Interval{-1.0, 1.0}, enclosure);
  const double alpha = secant(std::sin(r.lo), std::sin(r.hi), r);
  const double a = std::acos(std::fmin(std::fmax(alpha, -1.0), 1.0));
  Points points;
  const double period = 2.0 * kPi;
  for (double k = std::floor(r.lo / period) - 1.0; k <= std::floor(r.hi / period) + 1.0; k += 1.0)
    for (double u : {k * period + a, k * period - a})
      if (u >= r.lo - 1e-9 && u <= r.hi + 1e-9) points.add(u);
  return frame(x, r, alpha, ivl, points, enclosure);
}

// x^k over a range that avoids 0 when k < 0: every real root of
// k u^(k-1) = alpha.
void powerPoints(Points& p, double alpha, double k) {
  const double q = alpha / k, e = k - 1.0;
  if (e == 0.0) return;
  if (q == 0.0) {
    if (e > 0.0) p.add(0.0);
    return;
  }
  const double r = std::pow(std::fabs(q), 1.0 / e);
  if (std::fmod(e, 2.0) == 0.0) {
    if (q > 0.0) both(p, r);
  } else {
    p.add(q > 0.0 ? r : -r);
  }
}

// MAX (isMax) or MIN of x and c.
AffineForm maxMin(bool isMax, const AffineForm* x, double c) {
  const Interval r = range(x);
  const Interval enc = isMax ? Ivl_maxVS(x->enclosure, c) : Ivl_minVS(x->enclosure, c);
  if (isMax ? r.hi < c : r.lo > c) return constant(x, point(c));
  if (isMax ? r.lo > c : r.hi < c) return copyOf(x);
  auto f = [&](double t) { return isMax ? std::fmax(t, c) : std::fmin(t, c); };
  auto ivl = [&](const Interval& t) { return isMax ? Ivl_maxVS(t, c) : Ivl_minVS(t, c); };
  const double alpha = secant(f(r.lo), f(r.hi), r);
  Points points;
  points.add(c);
  return frame(x, r, alpha, ivl, points, enc);
}

// MAX (isMax) or MIN of two forms: the one that wins over the whole range,
// else the interval of the two ranges.
AffineForm maxMin2(bool isMax, const AffineForm* x, const AffineForm* y) {
  const Interval a = range(x), b = range(y);
  if (a.hi < b.lo) return copyOf(isMax ? y : x);
  if (a.lo > b.hi) return copyOf(isMax ? x : y);
  AffineForm* out = bound(x);
  Aff_setIvl(out, isMax ? Ivl_max(a, b) : Ivl_min(a, b));
  if (Aff_keeps(x->context->flags)) out->enclosure = isMax ? Ivl_max(x->enclosure, y->enclosure) : Ivl_min(x->enclosure, y->enclosure);
  return *out;
}

// x scaled by the interval k and shifted by the interval s.
AffineForm affine(const AffineForm* x, const Interval& k, const Interval& s) {
  AffineForm* out = bound(x);
  const Interval centre = Ivl_add(Ivl_mul(k, point(x->centre)), s);
  const double radius = Aff_mulUp(std::fmax(std::fabs(k.lo), std::fabs(k.hi)), x->radius);
  const Interval enc = Ivl_add(Ivl_mul(k, x->enclosure), s);
  Aff_emit(out, x, centre, radius, [&](int32_t i) { return Ivl_mul(k, point(x->coef[i])); });
  if (Aff_keeps(x->context->flags)) out->enclosure = enc;
  return *out;
}

}  // namespace

AffineForm Aff_atan(const AffineForm* x) {
  return smooth(x, range(x), [](double t) { return std::atan(t); }, [](const Interval& t) { return Ivl_atan(t); },
                [](double a, Points& p) { both(p, std::sqrt(1.0 / a - 1.0)); });
}

AffineForm Aff_acos(const AffineForm* x) {
  const Interval r = Ivl_intersect(values(x), Interval{-1.0, 1.0});
  if (Ivl_isEmpty(r)) return fault(x, "IACOS");
  return smooth(x, r, [](double t) { return std::acos(t); },
                [](Interval t) { return Ivl_acos(&t); },
                [](double a, Points& p) { both(p, std::sqrt(1.0 - 1.0 / (a * a))); });
}

AffineForm Aff_asin(const AffineForm* x) {
  const Interval r = Ivl_intersect(values(x), Interval{-1.0, 1.0});
  if (Ivl_isEmpty(r)) return fault(x, "IASIN");
  return smooth(x, r, [](double t) { return std::asin(t); },
                [](Interval t) { return Ivl_asin(&t); },
                [](double a, Points& p) { both(p, std::sqrt(1.0 - 1.0 / (a * a))); });
}

AffineForm Aff_exp(const AffineForm* x) {
  return smooth(x, range(x), [](double t) { return std::exp(t); }, [](const Interval& t) { return Ivl_exp(t); },
                [](double a, Points& p) { p.add(std::log(a)); });
}

AffineForm Aff_ln(const AffineForm* x) {
  Interval r = values(x);
  if (!(r.hi > 0.0)) return fault(x, "ILN");
  // Values that reach the pole at 0: no line bounds LN from below there.
  if (r.lo <= 0.0) return constant(x, Ivl_ln(&r));
  return smooth(
      x, r, [](double t) { return std::log(t); }, [](Interval t) { return Ivl_ln(&t); },
      [](double a, Points& p) { p.add(1.0 / a); });
}

AffineForm Aff_cosh(const AffineForm* x) {
  return smooth(x, range(x), [](double t) { return std::cosh(t); }, [](const Interval& t) { return Ivl_cosh(t); },
                [](double a, Points& p) { p.add(std::asinh(a)); });
}

AffineForm Aff_sinh(const AffineForm* x) {
  return smooth(x, range(x), [](double t) { return std::sinh(t); }, [](const Interval& t) { return Ivl_sinh(t); },
                [](double a, Points& p) {
                  if (a >= 1.0) both(p, std::acosh(a));
                });
}

AffineForm Aff_tanh(const AffineForm* x) {
  return smooth(x, range(x), [](double t) { return std::tanh(t); }, [](const Interval& t) { return Ivl_tanh(t); },
                [](double a, Points& p) {
                  if (a > 0.0 && a <= 1.0) both(p, std::atanh(std::sqrt(1.0 - a)));
                });
}

AffineForm Aff_tan(const AffineForm* x) {
  const Interval r = values(x);
  // A pole may lie among the values: the whole line, as the interval TAN.
  if (!Ivl_isFinite(r) || !Ivl_isFinite(Ivl_tan(r))) return constant(x, Ivl_whole());
  // The branch of the range: tangency points +-atan(sqrt(alpha - 1)) + k pi.
  const double k = std::nearbyint((0.5 * r.lo + 0.5 * r.hi) / kPi);
  return smooth(x, r, [](double t) { return std::tan(t); }, [](const Interval& t) { return Ivl_tan(t); },
                [&](double a, Points& p) {
                  if (a < 1.0) return;
                  const double v = std::atan(std::sqrt(a - 1.0));
                  p.add(k * kPi + v);
                  p.add(k * kPi - v);
                });
}

AffineForm Aff_sin(const AffineForm* x) { return sine(x, Ivl_sin(x->enclosure)); }

AffineForm Aff_cos(const AffineForm* x) {
  // cos t = sin(pi/2 - t), with pi/2 enclosed by two doubles.
  const Interval enclosure = Ivl_cos(x->enclosure);
  const AffineForm shifted = affine(x, point(-1.0), Interval{kHalfPi, std::nextafter(kHalfPi, 2.0)});
  return sine(&shifted, enclosure);
}

AffineForm Aff_maxVS(const AffineForm* x, double c) { return maxMin(true, x, c); }
AffineForm Aff_maxSV(double c, const AffineForm* x) { return maxMin(true, x, c); }
AffineForm Aff_minVS(const AffineForm* x, double c) { return maxMin(false, x, c); }
AffineForm Aff_minSV(double c, const AffineForm* x) { return maxMin(false, x, c); }
AffineForm Aff_max(const AffineForm* x, const AffineForm* y) { return maxMin2(true, x, y); }
AffineForm Aff_min(const AffineForm* x, const AffineForm* y) { return maxMin2(false, x, y); }

AffineForm Aff_abs(const AffineForm* x) {
  const Interval r = range(x);
  if (r.lo >= 0.0) return copyOf(x);
  if (r.hi <= 0.0) return Aff_neg(x);
  Points kink;
  kink.add(0.0);
  return frame(x, r, secant(-r.lo, r.hi, r), [](const Interval& t) { return Ivl_abs(t); }, kink, Ivl_abs(x->enclosure));
}

AffineForm Aff_sign(const AffineForm* x) {
  const Interval r = range(x);
  const Interval enclosure = Ivl_sign(x->enclosure);
  if (r.lo < 0.0 && r.hi > 0.0) {
    // sign(t) - alpha t stays in [-1, 1] for alpha = 2 / (hi - lo).
    return linearised(x, r, 2.0 / (r.hi - r.lo), Interval{-1.0, 1.0}, Interval{-1.0, 1.0}, enclosure);
  }
  // One-signed, or touching 0 at an end where the sign is 0.
  AffineForm* out = bound(x);
  Aff_setIvl(out, Ivl_sign(r));
  if (Aff_keeps(x->context->flags)) out->enclosure = enclosure;
  return *out;
}

AffineForm Aff_powVI(const AffineForm* x, int32_t k) {
  if (k == 0) return constant(x, point(1.0));
  if (k == 1) return copyOf(x);
  // A negative power is taken over the values alone, which may keep clear
  // of its pole at 0 where the linear form's range does not.
  const Interval r = k < 0 ? values(x) : range(x);
  if (k < 0 && Ivl_contains(r, 0.0)) return pole(x, "IPOW");
  return smooth(x, r, [k](double t) { return std::pow(t, k); }, [k](const Interval& t) { return Ivl_powVI(t, k); },
                [k](double a, Points& p) { powerPoints(p, a, k); });
}

AffineForm Aff_powVS(const AffineForm* x, double e) {
  if (e == 0.0) return constant(x, point(1.0));
  if (Ivl_isIntegerExponent(e)) return Aff_powVI(x, int32_t(e));
  // The domain: [0, inf) for a positive exponent, (0, inf) for a negative one.
  Interval r = values(x);
  if (e > 0.0 ? r.hi < 0.0 : !(r.hi > 0.0)) return fault(x, "IPOW");
  // Values that reach the pole at 0: no line bounds the power from above.
  if (e < 0.0 && r.lo <= 0.0) return constant(x, Ivl_powVS(&r, e));
  return smooth(
      x, raised(r, 0.0), [e](double t) { return std::pow(t, e); }, [e](Interval t) { return Ivl_powVS(&t, e); },
      [e](double a, Points& p) {
        if (a / e > 0.0) p.add(std::pow(a / e, 1.0 / (e - 1.0)));
      });
}

AffineForm Aff_sqrt(const AffineForm* x) { return Aff_powVS(x, 0.5); }

AffineForm Aff_powSV(double c, const AffineForm* x) {
  if (!(c > 0.0)) return fault(x, "IPOW");
  const AffineForm scaled = affine(x, Ivl_lnOpen(point(c)), point(0.0));
  return Aff_exp(&scaled);
}

AffineForm Aff_pow(const AffineForm* x, const AffineForm* y) {
  if (!(values(x).hi > 0.0)) return fault(x, "IPOW");
  AffineForm* scratch = Aff_scratch(x->context->buffers);
  const AffineForm logarithm = Aff_ln(x);
  Aff_set(scratch, &logarithm);
  const AffineForm product = Aff_mul(y, scratch);
  return Aff_exp(&product);
}

AffineForm Aff_sqr(const AffineForm* x) {
  const EvalContext* ctx = x->context;
  AffineForm* out = Aff_result(ctx->buffers);
  const double x0 = x->centre, rx = x->radius;
  Interval centre = Ivl_add(Ivl_sqr(point(x0)), Ivl_mulSV(0.5, Ivl_sqr(point(rx))));
  double sa = 0.0, square = 0.0, cross = 0.0;
  for (int32_t i = 1; i <= x->n; ++i) {
    const double w = Aff_w(&ctx->buffers, i);
    const Interval s = Ivl_mulSV(0.5, Ivl_mul(Ivl_sqr(point(x->coef[i])), Ivl_sqr(point(w))));
    centre = Ivl_add(centre, s);
    square = Aff_addUp(square, s.hi);
    sa = Aff_addUp(sa, Aff_mulUp(std::fabs(x->coef[i]), w));
    for (int32_t j = 1; j <= x->n; ++j)
      if (j != i)
        cross = Aff_addUp(cross, Aff_mulUp(Aff_mulUp(std::fabs(x->coef[i]), std::fabs(x->coef[j])), Aff_mulUp(w, Aff_w(&ctx->buffers, j))));
  }
  double factor = Aff_addUp(Aff_addUp(Aff_mulUp(2.0, std::fabs(x0)), Aff_mulUp(2.0, sa)), Aff_mulUp(0.5, rx));
  const double radius = Aff_addUp(Aff_addUp(Aff_mulUp(factor, rx), square), cross);
  if (Aff_keeps(ctx->flags)) out->enclosure = Ivl_sqr(x->enclosure);
  return Aff_emit(out, x, centre, radius, [&](int32_t i) { return Ivl_mulSV(2.0 * x0, point(x->coef[i])); });
}

AffineForm Aff_gexp(const AffineForm* x, double a, double b, double c) {
  auto ivl = [=](const Interval& t) { return Ivl_mulVS(Ivl_addVS(Ivl_exp(Ivl_mulSV(a, t)), b), c); };
  return smooth(x, range(x), [=](double t) { return (std::exp(a * t) + b) * c; }, ivl, [=](double s, Points& p) {
    if (a != 0.0 && c != 0.0) p.add(std::log(s / a / c) / a);
  });
}

AffineForm Aff_lx(const AffineForm* x) {
  const Interval r = values(x);
  if (!(r.hi > 0.0 && r.lo < 1.0)) return fault(x, "LX");
  auto ivl = [](const Interval& t) {
    Interval q = Ivl_div(t, Ivl_subSV(1.0, t));
    return Ivl_ln(&q);
  };
  // Values that reach a pole, 0 or 1: no line bounds LX there, and its
  // values have no end on that side.
  if (r.lo <= 0.0 || r.hi >= 1.0) {
    Interval v = ivl(Interval{std::fmax(r.lo, kIvlDomainFloor), std::fmin(r.hi, 1.0 - kIvlDomainFloor)});
    if (r.lo <= 0.0) v.lo = -kInf;
    if (r.hi >= 1.0) v.hi = kInf;
    return constant(x, v);
  }
  return smooth(x, r, [](double t) { return std::log(t / (1.0 - t)); }, ivl, [](double s, Points& p) {
    if (s < 4.0) return;
    const double root = std::sqrt(1.0 - 4.0 / s);
    p.add((1.0 - root) * 0.5);
    p.add((1.0 + root) * 0.5);
  });
}

AffineForm Aff_poly3(const AffineForm* x, double a, double b, double c, double d) {
  auto ivl = [=](const Interval& t) {
    return Ivl_addVS(Ivl_mul(Ivl_addVS(Ivl_mul(Ivl_addVS(Ivl_mulSV(d, t), c), t), b), t), a);
  };
  auto f = [=](double t) { return ((d * t + c) * t + b) * t + a; };
  // Tangency points: 3 d u^2 + 2 c u + (b - alpha) = 0, a line when d = 0.
  return smooth(x, range(x), f, ivl, [=](double s, Points& p) {
    if (d == 0.0) {
      if (c != 0.0) p.add((s - b) / (2.0 * c));
      return;
    }
    const double disc = c * c - 3.0 * d * (b - s);
    if (disc < 0.0) return;
    p.add((-c - std::sqrt(disc)) / 3.0 / d);
    p.add((std::sqrt(disc) - c) / 3.0 / d);
  });
}
