// Krawczyk steps and the affine Newton step.
#include "engines/interval/Ia_Newton.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/numeric/Num_Scalar.h"
#include "numerics/Dense_Factor.h"

namespace {

double Ia_mid(const Interval& x) { return 0.5 * x.lo + 0.5 * x.hi; }

// Whether an interval has no NaN bound (infinite ones still enclose).
bool Ia_isNumber(const Interval& x) { return !std::isnan(x.lo) && !std::isnan(x.hi); }
bool Ia_allFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
}

// Whether a pass narrowed the box enough to run another.
bool Ia_worthAnotherPass(int count, double decrease, double widest, double distance, double accuracy) {
  const double share = static_cast<double>(count + 47) / (5.0 * count + 88.0);
  return decrease > share * widest && !Num_nearlyEqual(&decrease, &widest) && distance > accuracy;
}

}  // namespace

bool Ia_invert(int count, const std::vector<double>& a, std::vector<double>& y) {
  std::vector<std::vector<double>> in(count, std::vector<double>(count)), out = in;
  std::vector<double*> inRows(count), outRows(count);
  for (int r = 0; r < count; ++r) {
    std::copy(a.begin() + r * count, a.begin() + (r + 1) * count, in[r].begin());
    inRows[r] = in[r].data();
    outRows[r] = out[r].data();
  }
  if (!Dense_qrInvert(0, count, inRows.data(), outRows.data())) return false;
  y.assign(static_cast<std::size_t>(count) * count, 0.0);
  for (int r = 0; r < count; ++r) std::copy(out[r].begin(), out[r].end(), y.begin() + r * count);
  return true;
}

IaNewtonEnd Ia_krawczykStep(IaKrawczykSystem& sys, std::vector<Interval>& box, double accuracy, int* newtonSteps) {
  const int count = sys.count;
  std::vector<double> mid(static_cast<std::size_t>(count) * count), y;
  for (std::size_t e = 0; e < mid.size(); ++e) mid[e] = Ia_mid(sys.jacobian[e]);
  // An entry without finite bounds (at a jump or a kink, or from a division
  // by an interval through 0) has no midpoint, and an inverse that
  // overflowed is no real matrix: like a singular one, neither gives a step.
  if (!Ia_allFinite(mid) || !Ia_invert(count, mid, y) || !Ia_allFinite(y)) return IaNewtonEnd::Unchanged;
  ++*newtonSteps;
  std::vector<Interval> m(mid.size(), Interval{0, 0});  // Y J
  for (int r = 0; r < count; ++r)
    for (int c = 0; c < count; ++c)
      for (int k = 0; k < count; ++k)
        m[r * count + c] = Ivl_add(m[r * count + c], Ivl_mulSV(y[r * count + k], sys.jacobian[k * count + c]));
  std::vector<double> c(count);
  std::vector<Interval> f(count);
  for (int pass = 0; pass < std::max(1, sys.passLimit); ++pass) {
    for (int r = 0; r < count; ++r) c[r] = Ia_mid(box[r]);
    // Values that are not numbers fail as an evaluation does.
    if (sys.values(c, f) != 0 || !std::all_of(f.begin(), f.end(), Ia_isNumber))
      return pass == 0 ? IaNewtonEnd::Unchanged : IaNewtonEnd::Done;
    double decrease = 0, widest = 0, distance = 0;
    for (int r = 0; r < count; ++r) {
      Interval k = Interval{c[r], c[r]};
      for (int j = 0; j < count; ++j) {
        k = Ivl_sub(k, Ivl_mulSV(y[r * count + j], f[j]));
        const Interval factor = j == r ? Ivl_subSV(1.0, m[r * count + r]) : Ivl_neg(m[r * count + j]);
        k = Ivl_add(k, Ivl_mul(factor, Ivl_subVS(box[j], c[j])));
      }
      const Interval cut = Ivl_intersect(k, box[r]);
      if (Ivl_isEmpty(cut)) return IaNewtonEnd::Miss;
      const double old = box[r].hi - box[r].lo;
      distance = std::max(distance, Ivl_dist(cut, box[r]));
      if (sys.narrow) sys.narrow(r, cut, box);
      else box[r] = cut;
      widest = std::max(widest, old);
      decrease = std::max(decrease, old - (box[r].hi - box[r].lo));
    }
    if (!Ia_worthAnotherPass(count, decrease, widest, distance, accuracy)) break;
  }
  return IaNewtonEnd::Done;
}

IaFate Ia_krawczykEquations(IaSearchContext& s, Interval* box) {
  const int n = s.n;
  IaKrawczykSystem sys;
  sys.count = n;
  sys.passLimit = 200 / n;
  sys.jacobian.assign(static_cast<std::size_t>(n) * n, Interval{0, 0});
  IaBox gradient(n + 1, Interval{0, 0});
  for (int k = 1; k <= n; ++k) {
    Interval value;
    if (const int rc = Ia_evalIvGradient(s, k, box, &value, gradient.data()))
      return rc == kIaUnfeasibleArgument ? IaFate::Dead : IaFate::Alive;
    for (int i = 1; i <= n; ++i) sys.jacobian[(k - 1) * n + (i - 1)] = gradient[i];
  }
  ++s.counts.hessians;
  std::vector<double> point(n + 1, 0.0);
  sys.values = [&](const std::vector<double>& c, std::vector<Interval>& f) {
    std::copy(c.begin(), c.end(), point.begin() + 1);
    for (int k = 1; k <= n; ++k)
      if (const int rc = Ia_evalAtPoint(s, k, point.data(), &f[k - 1])) return rc;
    return 0;
  };
  std::vector<Interval> x(box + 1, box + n + 1);
  const IaNewtonEnd end = Ia_krawczykStep(sys, x, s.options.accuracy, &s.counts.newton);
  if (end == IaNewtonEnd::Miss) return IaFate::Dead;
  std::copy(x.begin(), x.end(), box + 1);
  return IaFate::Alive;
}

IaFate Ia_affineNewton(IaSearchContext& s, Interval* box, Interval* values) {
  const int n = s.n;
  std::vector<double> a(static_cast<std::size_t>(n) * n), y;
  std::vector<Interval> b(n);
  std::vector<double> mid;
  bool bounded = true, trouble = false;
  for (int j = 1; j <= n; ++j) {
    IaAffineForm form;
    // A row without a form leaves the box as it is (the contraction that
    // follows notes the trouble).
    if (const int rc = Ia_evalAffine(s, j, box, &form)) return Ia_evalTrouble(rc, &trouble);
    values[j] = Ivl_intersect(values[j], Ia_affineRange(form, box, n));
    if (!Ia_rowFeasible(s, j, values[j])) return IaFate::Dead;
    bounded = bounded && Ia_formBounded(form, n);
    for (int i = 1; i <= n; ++i) a[(j - 1) * n + (i - 1)] = -form.coef[i];
    b[j - 1] = Ivl_setMidRad(form.centre, form.radius);
    mid = form.mid;
  }
  // A form that is not bounded gives no linear system to solve.
  if (!bounded || !Ia_invert(n, a, y) || !Ia_allFinite(y)) return IaFate::Alive;
  ++s.counts.newton;
  // With A = -(the forms' coefficients), every zero has x - m = A^-1 B.
  std::vector<Interval> z(n + 1);
  for (int j = 1; j <= n; ++j) {
    z[j] = Interval{mid[j], mid[j]};
    for (int i = 1; i <= n; ++i) z[j] = Ivl_add(z[j], Ivl_mulSV(y[(j - 1) * n + (i - 1)], b[i - 1]));
  }
  for (int j = 1; j <= n; ++j) {
    const Interval cut = Ivl_intersect(z[j], box[j]);
    if (Ivl_isEmpty(cut)) return IaFate::Dead;
    box[j] = cut;
  }
  return IaFate::Alive;
}

namespace {

// Function k's value, gradient and Hessian over the box ((n + 1)^2 Hessian).
struct IaSecondOrder {
  Interval value;
  IaBox gradient;
  std::vector<Interval> hessian;
};

bool Ia_touchesLower(const IaSearchContext& s, int i, const Interval& x) {
  return !s.options.startBoundsFixed && Num_nearlyEqual(&x.lo, &s.start[i].lo);
}
bool Ia_touchesUpper(const IaSearchContext& s, int i, const Interval& x) {
  return !s.options.startBoundsFixed && Num_nearlyEqual(&x.hi, &s.start[i].hi);
}

// The box after a miss: its face on the one start bound it touches, the
// whole box when it touches several, dead when it touches none.
IaFate Ia_afterMiss(const IaSearchContext& s, IaBox& box) {
  int touching = 0, which = 0;
  bool lower = false;
  for (int i = 1; i <= s.n; ++i) {
    const bool lo = Ia_touchesLower(s, i, box[i]), hi = Ia_touchesUpper(s, i, box[i]);
    touching += (lo ? 1 : 0) + (hi ? 1 : 0);
    if (lo || hi) which = i, lower = lo;
  }
  if (touching == 0) return IaFate::Dead;
  if (touching == 1)
    box[which] = lower ? Interval{box[which].lo, box[which].lo} : Interval{box[which].hi, box[which].hi};
  return IaFate::Alive;
}

// The interval Jacobian of the Fritz John conditions over the extended box
// ext (u_0, u_1..u_m, x): fn holds each function's value, gradient and
// Hessian over the box.
std::vector<Interval> Ia_fritzJohnJacobian(const IaSearchContext& s, const std::vector<IaSecondOrder>& fn,
                                           const std::vector<Interval>& ext) {
  const int n = s.n, m = s.m, count = n + m + 1;
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  std::vector<Interval> jacobian(static_cast<std::size_t>(count) * count, Interval{0, 0});
  auto J = [&](int r, int c) -> Interval& { return jacobian[static_cast<std::size_t>(r) * count + c]; };
  J(0, 0) = Interval{1, 1};
  for (int k = 1; k <= m; ++k) {
    const bool eq = Ia_isEquality(s, k);
    J(0, k) = eq ? Ivl_mulSV(2.0, ext[k]) : Interval{1, 1};
    J(k, k) = eq ? Interval{0, 0} : fn[k].value;
    for (int i = 1; i <= n; ++i) J(k, m + i) = eq ? fn[k].gradient[i] : Ivl_mul(ext[k], fn[k].gradient[i]);
  }
  for (int i = 1; i <= n; ++i)
    for (int k = 0; k <= m; ++k) {
      J(m + i, k) = fn[k].gradient[i];
      for (int j = 1; j <= n; ++j)
        J(m + i, m + j) = Ivl_add(J(m + i, m + j), Ivl_mul(ext[k], fn[k].hessian[i * slots + j]));
    }
  return jacobian;
}

// The Fritz John conditions at the point c of the extended space:
// u_0 + sum of w_k - 1 (w_k = u_k^2 for an equality, u_k otherwise),
// u_k g_k (g_k for an equality), and u_0 grad f + sum u_k grad g_k; the
// functions' enclosures at the point make the values enclosures too.
int Ia_fritzJohnSystem(IaSearchContext& s, const std::vector<double>& c, std::vector<Interval>& f) {
  const int n = s.n, m = s.m;
  IaBox point(n + 1, Interval{0, 0}), gradient(n + 1);
  for (int i = 1; i <= n; ++i) point[i] = Interval{c[m + i], c[m + i]};
  f.assign(n + m + 1, Interval{0, 0});
  f[0] = Ivl_subVS(Interval{c[0], c[0]}, 1.0);
  for (int k = 0; k <= m; ++k) {
    Interval value;
    if (const int rc = Ia_evalIvGradient(s, k, point.data(), &value, gradient.data())) return rc;
    const Interval u{c[k], c[k]};
    if (k >= 1) {
      const bool eq = Ia_isEquality(s, k);
      f[0] = Ivl_add(f[0], eq ? Ivl_sqr(u) : u);
      f[k] = eq ? value : Ivl_mul(u, value);
    }
    for (int i = 1; i <= n; ++i) f[m + i] = Ivl_add(f[m + i], Ivl_mul(u, gradient[i]));
  }
  return 0;
}

}  // namespace

IaFate Ia_fritzJohnStep(IaSearchContext& s, IaBox& box) {
  const int n = s.n, m = s.m, count = n + m + 1;
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  std::vector<IaSecondOrder> fn(m + 1, IaSecondOrder{{}, IaBox(slots), std::vector<Interval>(slots * slots)});
  for (int k = 0; k <= m; ++k)
    if (const int rc = Ia_evalIvHessian(s, k, box.data(), &fn[k].value, fn[k].gradient.data(), fn[k].hessian.data()))
      return rc == kIaUnfeasibleArgument ? IaFate::Dead : IaFate::Alive;
  // The extended box: u_0, u_1..u_m, then the variables.
  std::vector<Interval> ext(count);
  ext[0] = Interval{0, 1};
  for (int k = 1; k <= m; ++k) ext[k] = Ia_isEquality(s, k) ? Interval{-1, 1} : Interval{0, 1};
  for (int i = 1; i <= n; ++i) ext[m + i] = box[i];
  IaKrawczykSystem sys;
  sys.count = count;
  sys.passLimit = 200 / count;
  sys.jacobian = Ia_fritzJohnJacobian(s, fn, ext);
  sys.values = [&s](const std::vector<double>& c, std::vector<Interval>& f) { return Ia_fritzJohnSystem(s, c, f); };
  // A variable's end on the start box's bound stays while that bound may be active.
  sys.narrow = [&](int r, const Interval& cut, std::vector<Interval>& x) {
    if (r <= m) {
      x[r] = cut;
      return;
    }
    const int i = r - m;
    x[r] = Interval{Ia_touchesLower(s, i, x[r]) ? x[r].lo : cut.lo, Ia_touchesUpper(s, i, x[r]) ? x[r].hi : cut.hi};
  };
  const IaNewtonEnd end = Ia_krawczykStep(sys, ext, s.options.accuracy, &s.counts.newton);
  if (end == IaNewtonEnd::Miss) return Ia_afterMiss(s, box);
  for (int i = 1; i <= n; ++i) box[i] = ext[m + i];
  return IaFate::Alive;
}
