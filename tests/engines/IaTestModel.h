// Models for the interval engine's tests, written once as generic functions
// and evaluated at points (double) and over boxes (IvG: an interval value
// with its interval gradient and Hessian, by forward differentiation over the interval
// library). The affine form a test model hands out is the mean-value form.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "engines/interval/Ia_Model.h"

struct IvG {
  Interval v;
  std::vector<Interval> g;  // 1..n
  std::vector<Interval> h;  // (n + 1) x (n + 1), row by row
};

// phi(a) with phi' = d1 and phi'' = d2 over a's value: the chain rule.
inline IvG ivgUnary(const IvG& a, Interval v, Interval d1, Interval d2) {
  IvG r{v, a.g, a.h};
  const std::size_t n = a.g.size();
  for (std::size_t i = 0; i < n; ++i) r.g[i] = Ivl_mul(d1, a.g[i]);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      r.h[i * n + j] = Ivl_add(Ivl_mul(d1, a.h[i * n + j]), Ivl_mul(d2, Ivl_mul(a.g[i], a.g[j])));
  return r;
}
inline IvG ivgLinear(const IvG& a, Interval v, Interval d1) { return ivgUnary(a, v, d1, Interval{0, 0}); }
inline IvG operator+(const IvG& a, const IvG& b) {
  IvG r{Ivl_add(a.v, b.v), a.g, a.h};
  for (std::size_t i = 0; i < r.g.size(); ++i) r.g[i] = Ivl_add(a.g[i], b.g[i]);
  for (std::size_t i = 0; i < r.h.size(); ++i) r.h[i] = Ivl_add(a.h[i], b.h[i]);
  return r;
}
inline IvG operator-(const IvG& a) { return ivgLinear(a, Ivl_neg(a.v), Interval{-1, -1}); }
inline IvG operator-(const IvG& a, const IvG& b) { return a + (-b); }
inline IvG operator*(const IvG& a, const IvG& b) {
  IvG r{Ivl_mul(a.v, b.v), a.g, a.h};
  const std::size_t n = a.g.size();
  for (std::size_t i = 0; i < n; ++i) r.g[i] = Ivl_add(Ivl_mul(a.g[i], b.v), Ivl_mul(a.v, b.g[i]));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      r.h[i * n + j] = Ivl_add(Ivl_add(Ivl_mul(a.h[i * n + j], b.v), Ivl_mul(a.v, b.h[i * n + j])),
                               Ivl_add(Ivl_mul(a.g[i], b.g[j]), Ivl_mul(b.g[i], a.g[j])));
  return r;
}
inline IvG operator+(const IvG& a, double d) { return ivgLinear(a, Ivl_addVS(a.v, d), Interval{1, 1}); }
inline IvG operator+(double d, const IvG& a) { return a + d; }
inline IvG operator-(const IvG& a, double d) { return a + (-d); }
inline IvG operator-(double d, const IvG& a) { return (-a) + d; }
inline IvG operator*(const IvG& a, double d) { return ivgLinear(a, Ivl_mulVS(a.v, d), Interval{d, d}); }
inline IvG operator*(double d, const IvG& a) { return a * d; }
inline IvG sqr(const IvG& a) { return ivgUnary(a, Ivl_sqr(a.v), Ivl_mulSV(2.0, a.v), Interval{2, 2}); }
inline IvG exp(const IvG& a) {
  const Interval e = Ivl_exp(a.v);
  return ivgUnary(a, e, e, e);
}
inline IvG cos(const IvG& a) { return ivgUnary(a, Ivl_cos(a.v), Ivl_neg(Ivl_sin(a.v)), Ivl_neg(Ivl_cos(a.v))); }
inline double sqr(double a) { return a * a; }
// 1/a; over a box through 0 the value and both derivatives are unbounded.
inline IvG inv(const IvG& a) {
  const Interval square = Ivl_sqr(a.v);
  return ivgUnary(a, Ivl_divSV(1.0, a.v), Ivl_neg(Ivl_divSV(1.0, square)), Ivl_divSV(2.0, Ivl_mul(square, a.v)));
}
inline double inv(double a) { return 1.0 / a; }
// |a| with the derivatives the interpreter gives it: the slope [-1, 1]
// wherever a may be 0, the second derivative the whole line over a box
// through the kink.
inline IvG fabs(const IvG& a) {
  const bool kink = a.v.lo < 0 && a.v.hi > 0;
  const Interval d1 = a.v.lo > 0 ? Interval{1, 1} : a.v.hi < 0 ? Interval{-1, -1} : Interval{-1, 1};
  return ivgUnary(a, Ivl_abs(a.v), d1, kink ? Ivl_whole() : Interval{0, 0});
}

// A model of generic functions f(x) (x 1-based), function 0 the objective.
struct IaTestModel {
  std::vector<std::function<double(const std::vector<double>&)>> atPoint;
  std::vector<std::function<IvG(const std::vector<IvG>&)>> overBox;
  IaModel model;

  template <typename F>
  void add(F f) {
    atPoint.push_back([f](const std::vector<double>& x) { return f(x); });
    overBox.push_back([f](const std::vector<IvG>& x) { return f(x); });
  }

  IvG eval(int k, const Interval* box) const {
    const std::size_t slots = static_cast<std::size_t>(model.n) + 1;
    std::vector<IvG> x(slots, IvG{Interval{0, 0}, std::vector<Interval>(slots, Interval{0, 0}),
                                  std::vector<Interval>(slots * slots, Interval{0, 0})});
    for (int i = 1; i <= model.n; ++i) {
      x[i].v = box[i];
      x[i].g[i] = Interval{1, 1};
    }
    return overBox[k](x);
  }

  // Binds the model: n variables, the relations of the constraints.
  const IaModel& bind(int n, int problemClass, std::vector<int> relations) {
    model.user = this;
    model.n = n;
    model.m = static_cast<int>(relations.size());
    model.problemClass = problemClass;
    model.relation = {0};
    model.relation.insert(model.relation.end(), relations.begin(), relations.end());
    model.point = [](void* u, int k, const double* x, double* v) {
      const auto* t = static_cast<IaTestModel*>(u);
      *v = t->atPoint[k](std::vector<double>(x, x + t->model.n + 1));
      return std::isfinite(*v) ? 0 : 26;
    };
    model.box = [](void* u, int k, const Interval* box, Interval* v) {
      *v = static_cast<IaTestModel*>(u)->eval(k, box).v;
      return 0;
    };
    model.boxGradient = [](void* u, int k, const Interval* box, Interval* v, Interval* g) {
      const IvG r = static_cast<IaTestModel*>(u)->eval(k, box);
      *v = r.v;
      for (std::size_t i = 1; i < r.g.size(); ++i) g[i] = r.g[i];
      return 0;
    };
    model.boxHessian = [](void* u, int k, const Interval* box, Interval* v, Interval* g, Interval* h) {
      const IvG r = static_cast<IaTestModel*>(u)->eval(k, box);
      *v = r.v;
      std::copy(r.g.begin(), r.g.end(), g);
      std::copy(r.h.begin(), r.h.end(), h);
      return 0;
    };
    model.affine = [](void* u, int k, const Interval* box, IaAffineForm* form) {
      const auto* t = static_cast<IaTestModel*>(u);
      const int n = t->model.n;
      std::vector<Interval> mid(n + 1, Interval{0, 0});
      for (int i = 1; i <= n; ++i) mid[i] = Ivl_setConst(form->mid[i]);
      const IvG over = t->eval(k, box);
      Ia_meanValueForm(t->eval(k, mid.data()).v, over.g.data(), over.v, box, n, form);
      return 0;
    };
    return model;
  }
};
