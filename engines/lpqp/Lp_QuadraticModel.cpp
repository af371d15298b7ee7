// The quadratic objective as the LP/quadratic engine sees it: its terms
// captured from the host at setup, and its value and gradient at a point,
// from those terms when they were captured, else from the host's gradient
// service, else by finite differences over model evaluations.
#include <cmath>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

constexpr unsigned kAnalyticDerivatives = OptFlagDrf1;  // 0x30

// Off-diagonal pairs that differ take their mean: x'Qx is unchanged and the
// gradient c + 2Qx holds.
void symmetrise(LpMatrix& t, int n) {
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      double& a = t.row(i)[j];
      double& b = t.row(j)[i];
      if (a != b) a = b = (a + b) / 2;
    }
}

// c0 + c.x + x'Qx and c + 2Qx from the captured terms.
void termsAt(const LpMatrix& t, int n, const double* x, double& f, double* g) {
  const double* c = t.row(0);
  f = c[0];
  for (int j = 1; j <= n; ++j) {
    const double* qj = t.row(j);
    double qx = 0;
    for (int i = 1; i <= n; ++i) qx += qj[i] * x[i];
    f += (c[j] + qx) * x[j];
    g[j] = c[j] + 2 * qx;
  }
}

// The objective with variable j at xj, the host's cells otherwise as last
// given except variable `restore` (0: none), which goes back to x.
bool changedObjective(LpRun& run, int restore, const double* x, int j, double xj, double& f) {
  double* rows = run.hostRows.data();
  const HostServices& h = run.host;
  int ok;
  if (restore == 0) {
    ok = h.evalOneChanged(h.user, rows + 1, j - 1, xj);
  } else if (h.evalTwoChanged) {
    ok = h.evalTwoChanged(h.user, rows + 1, restore - 1, x[restore], j - 1, xj);
  } else {
    ok = h.evalOneChanged(h.user, rows + 1, restore - 1, x[restore]) &&
         h.evalOneChanged(h.user, rows + 1, j - 1, xj);
  }
  f = rows[run.lp.modelRows + 1];
  return ok != 0;
}

// The objective is a quadratic here, whose central difference is exact at
// any step, so every gradient is taken by central differences with the step
// |x_j| + 1: the objective's rounding then stays far below the change it
// measures even when the objective carries a large constant or its centre
// lies far from the point, where a forward difference's small step drowns
// in that rounding (a zero gradient, and the start taken for the answer).
int differenceGradient(LpRun& run, const double* x, double& f, double* g) {
  LpRecord& lp = run.lp;
  const unsigned flags = lp.options.optionFlags[0];
  if (run.host.queryModel(run.host.user, QueryClassCode) != 0 &&
      (flags & kAnalyticDerivatives) != kAnalyticDerivatives)
    return StatusNoCoefficients;
  if (!Lp_objectiveAt(run, x, f)) return StatusEvalError;
  for (int j = 1, restore = 0; j <= lp.n; restore = j++) {
    const double h = std::fabs(x[j]) + 1;
    double up, down;
    if (!changedObjective(run, restore, x, j, x[j] + h, up)) return StatusEvalError;
    if (!changedObjective(run, 0, x, j, x[j] - h, down)) return StatusEvalError;
    g[j] = (up - down) / (2 * h);
    if (const int status = Lp_poll(run)) return status;
  }
  return Lp_queryStop(run);
}

}  // namespace

int Lp_captureQuadratic(LpRun& run) {
  LpRecord& lp = run.lp;
  LpQuadratic& q = lp.quadratic;
  if (!Lp_allocPointSet(q, lp.n)) return StatusOutOfMemory;
  if (!run.host.extractQuadratic) return 0;
  q.terms.rows = lp.n + 2;
  q.terms.cols = lp.n + 1;
  q.terms.a.assign(static_cast<std::size_t>(q.terms.rows) * q.terms.cols, 0.0);
  if (!run.host.extractQuadratic(run.host.user, &run, Lp_storeCoef, &q.terms)) {
    q.terms = LpMatrix{};
    return 0;
  }
  symmetrise(q.terms, lp.n);
  return 0;
}

bool Lp_objectiveAt(LpRun& run, const double* x, double& f) {
  double* rows = run.hostRows.data();
  if (!run.host.evalProblem(run.host.user, rows + 1, x + 1)) return false;
  f = rows[run.lp.modelRows + 1];
  return true;
}

int Lp_objectiveGradient(LpRun& run, const double* x, double& f, double* g) {
  LpRecord& lp = run.lp;
  if (!lp.quadratic.terms.a.empty()) {
    termsAt(lp.quadratic.terms, lp.n, x, f, g);
    return 0;
  }
  if (run.host.objectiveGradient && run.host.objectiveGradient(run.host.user, &f, g + 1, x + 1))
    return Lp_poll(run);
  return differenceGradient(run, x, f, g);
}
