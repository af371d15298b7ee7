// A host for the LP/quadratic engine's quadratic path: the in-memory model
// of LpFakeHost.h with the objective c0 + c.x + x'Qx over its linear rows,
// and the services a quadratic objective may use: the delivery of its
// terms, an analytic gradient, and evaluations with two variables changed.
#pragma once

#include <vector>

#include "tests/support/LpFakeHost.h"

struct LpQuadFake : LpFakeModel {
  std::vector<double> q;  // n x n, row-major, as delivered (need not be symmetric)
  std::vector<double> c;  // n
  double c0 = 0;
  bool termsDelivered = true;    // extraction of the quadratic terms succeeds
  bool gradientService = false;  // the host computes the gradient
  int gradientCalls = 0;
};

inline double LpQuad_value(const LpQuadFake& m, const std::vector<double>& x) {
  double f = m.c0;
  for (int i = 0; i < m.n; ++i) {
    f += m.c[i] * x[i];
    for (int j = 0; j < m.n; ++j) f += x[i] * m.q[i * m.n + j] * x[j];
  }
  return f;
}

// Rows of the model are linear; the objective (last) is the quadratic one.
inline void LpQuad_bindObjective(LpQuadFake& m) {
  m.function = [&m](int i, const std::vector<double>& x) {
    if (i == static_cast<int>(m.rows.size())) return LpQuad_value(m, x);
    const LpFakeRow& r = m.rows[i];
    double v = r.constant;
    for (const auto& [j, a] : r.terms) v += a * x[j];
    return v;
  };
}

inline LpQuadFake& LpQuad_of(void* user) { return static_cast<LpQuadFake&>(*static_cast<LpFakeModel*>(user)); }

// A model whose `function` was set by the test keeps it.
inline HostServices LpQuad_host(LpQuadFake& m) {
  if (!m.function) LpQuad_bindObjective(m);
  HostServices h = LpFake_host(m);
  h.extractQuadratic = [](void* u, void* record, CoefficientStore store, void* extra) {
    LpQuadFake& f = LpQuad_of(u);
    if (!f.termsDelivered) return 0;
    if (f.c0 != 0 && !store(nullptr, record, -1, -1, f.c0, extra)) return 0;
    for (int j = 0; j < f.n; ++j)
      if (f.c[j] != 0 && !store(nullptr, record, -1, j, f.c[j], extra)) return 0;
    for (int p = 0; p < f.n * f.n; ++p)
      if (f.q[p] != 0 && !store(nullptr, record, p / f.n, p % f.n, f.q[p], extra)) return 0;
    return 1;
  };
  h.objectiveGradient = [](void* u, double* value, double* gradient, const double* x) {
    LpQuadFake& f = LpQuad_of(u);
    if (!f.gradientService) return 0;
    ++f.gradientCalls;
    const std::vector<double> point(x, x + f.n);
    *value = LpQuad_value(f, point);
    for (int i = 0; i < f.n; ++i) {
      gradient[i] = f.c[i];
      for (int j = 0; j < f.n; ++j) gradient[i] += (f.q[i * f.n + j] + f.q[j * f.n + i]) * x[j];
    }
    return 1;
  };
  return h;
}

// setup, solve and finish; the solution stays in the model's cells.
inline LpFakeRun LpQuad_run(LpQuadFake& model) { return LpFake_runWith(LpQuad_host(model)); }
