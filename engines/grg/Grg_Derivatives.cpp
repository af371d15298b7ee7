// Derivatives of the GRG engine: the Jacobian of every row by forward or
// central differences, or analytically through the host (optionally checked
// against differences, or backed by them), the constancy counters that let
// linear columns be kept, and the final linearity test.
#include <algorithm>
#include <cmath>

#include "engines/grg/Grg_Engine.h"

namespace {

constexpr int JacobianFlags = 0x500;
// The rounding error of a row value, in units of its size, that a
// difference divides by its step.
constexpr double kRowRounding = 4 * 2.220446049250313e-16;
// A derivative less than this many times its difference's rounding error
// is taken again with a step this many times longer.
constexpr double kNoiseMargin = 1e3;
constexpr double kLongerStep = 1e3;

// Column j's derivatives and the rounding error of each (0 where exact).
void storeColumn(GrgRecord& rec, int j, const std::vector<double>& column, const std::vector<double>& error) {
  bool compare = rec.settings.linearityCheck && rec.iterationsReported && rec.constancy[j] >= 0;
  if (compare) {
    bool same = true;
    for (int i = 1; i <= rec.m && same; ++i) {
      double old = i == rec.objectiveRow ? rec.grad[j] : Grg_jac(rec, i, j);
      same = std::fabs(column[i] - old) <= rec.settings.stp;
    }
    if (same) {
      ++rec.constancy[j];
      return;
    }
    rec.constancy[j] = -1;
  }
  for (int i = 1; i <= rec.m; ++i) {
    Grg_jac(rec, i, j) = static_cast<float>(column[i]);
    Grg_jacError(rec, i, j) = error[i];
  }
  rec.grad[j] = column[rec.objectiveRow];
}

void zeroColumn(GrgRecord& rec, int j) {
  for (int i = 1; i <= rec.m; ++i) {
    Grg_jac(rec, i, j) = 0.0f;
    Grg_jacError(rec, i, j) = 0.0;
  }
  rec.grad[j] = 0.0;
}

// False when the whole difference pass can be skipped (every column constant).
bool startDifferences(GrgRecord& rec) {
  if (!rec.settings.linearityCheck) return true;
  if (!rec.gradientsValid) {
    std::fill(rec.constancy.begin(), rec.constancy.end(), 0);
    return true;
  }
  bool allConstant = true;
  for (int j = 1; j <= rec.n; ++j) {
    Grg_jac(rec, rec.objectiveRow, j) = static_cast<float>(rec.grad[j]);
    allConstant = allConstant && rec.constancy[j] >= 3;
  }
  return !allConstant;
}

bool hostAtBase(GrgRecord& rec) {
  if (rec.hostAtX) return true;
  if (Grg_evaluate(rec, rec.g.data())) return true;
  rec.status = StatusEvalError;
  return false;
}

// The rounding error that the difference of row i over `span` carries.
double roundingError(const GrgRecord& rec, int i, const double* base, double span) {
  return kRowRounding * std::max(std::fabs(rec.gTrial[i]), std::fabs(base[i])) / std::fabs(span);
}

// Column j's elements that the rounding of their rows' values swamps: a
// variable near 0, whose step is then near the difference step itself, in
// rows whose values are in millions (the error of an element of 0.5 reached
// 1E-03, and a basis taken on it was nearly singular). Such elements are
// taken again, by a forward difference over a step kLongerStep times
// longer, when the box allows it. The longer difference replaces an element
// only where the two agree to within that rounding error: where they do
// not, the row bends over the longer step and the short one stands. The
// objective's elements are not a reason for it: near a minimum they are
// small because the objective bends there.
bool noisy(const GrgRecord& rec, int i, double element, double error) {
  double size = std::fabs(element);
  return i != rec.objectiveRow && size > 0.0 && size < kNoiseMargin * error;
}

void refineNoisyElements(GrgRecord& rec, int j, double h, std::vector<double>& column, std::vector<double>& error) {
  bool any = false;
  for (int i = 1; i <= rec.m; ++i) any = any || noisy(rec, i, column[i], error[i]);
  double x = rec.x[j], longer = kLongerStep * std::fabs(h);
  if (x + longer > rec.xu[j]) longer = -longer;
  if (!any || x + longer < rec.xl[j]) return;
  std::vector<double> at(rec.m + 3);
  ++rec.derivativeEvaluations;
  if (!Grg_evaluatePerturbed(rec, j, j, x + longer, at.data())) {
    rec.status = StatusEvalError;
    return;
  }
  for (int i = 1; i <= rec.m; ++i) {
    double again = (at[i] - rec.g[i]) / longer;
    if (!noisy(rec, i, column[i], error[i]) || std::fabs(again - column[i]) > error[i]) continue;
    column[i] = again;
    error[i] = kRowRounding * std::max(std::fabs(at[i]), std::fabs(rec.g[i])) / std::fabs(longer);
  }
}

void differences(GrgRecord& rec, bool central) {
  if (!startDifferences(rec) || !hostAtBase(rec)) return;
  std::vector<double> column(rec.m + 1), error(rec.m + 1, 0.0), minus(rec.m + 3);
  int previous = 0;
  for (int j = 1; j <= rec.n; ++j) {
    if (!rec.iterationsReported) {
      Grg_iterationReport(rec, rec.m * j);
      if (rec.status) return;
    }
    if (rec.fixed[j]) {
      zeroColumn(rec, j);
      continue;
    }
    if (rec.settings.linearityCheck && rec.constancy[j] >= 3) continue;
    double x = rec.x[j], h = (std::fabs(x) + 1) * rec.settings.stp, hMinus = 0.0;
    if (central) {
      if (x + h > rec.xu[j]) h = rec.xu[j] - x;
      hMinus = -(std::fabs(x) + 1) * rec.settings.stp;
      if (x + hMinus < rec.xl[j]) hMinus = rec.xl[j] - x;
    } else if (x + h > rec.xu[j]) {
      h = -h;
    }
    ++rec.derivativeEvaluations;
    if (!Grg_evaluatePerturbed(rec, previous ? previous : j, j, x + h, rec.gTrial.data()) ||
        (central && !Grg_evaluatePerturbed(rec, j, j, x + hMinus, minus.data()))) {
      rec.status = StatusEvalError;
      return;
    }
    previous = j;
    const double* base = central ? minus.data() : rec.g.data();
    double span = h - hMinus;
    for (int i = 1; i <= rec.m; ++i) {
      column[i] = span == 0.0 ? 0.0 : (rec.gTrial[i] - base[i]) / span;
      error[i] = span == 0.0 ? 0.0 : roundingError(rec, i, base, span);
    }
    if (span != 0.0) refineNoisyElements(rec, j, h, column, error);
    if (rec.status) return;
    storeColumn(rec, j, column, error);
  }
}

// The host's Jacobian through the store callback; in checking mode each
// element is compared with the difference value already held.
void analytic(GrgRecord& rec, bool checking) {
  if (!rec.iterationsReported) {
    Grg_iterationReport(rec, 1);
    if (rec.status) return;
  }
  if (!checking) {
    std::fill(rec.jac.begin(), rec.jac.end(), 0.0f);
    std::fill(rec.jacError.begin(), rec.jacError.end(), 0.0);
    std::fill(rec.grad.begin(), rec.grad.end(), 0.0);
  }
  std::vector<double> hx(rec.n);
  for (int j = 1; j <= rec.n; ++j) hx[j - 1] = rec.scaled ? rec.x[j] * rec.scale[j] : rec.x[j];
  rec.analyticRejected = false;
  ++rec.derivativeEvaluations;
  int result = rec.host.evalJacobian
                   ? rec.host.evalJacobian(rec.host.user, Grg_storeJacobianElement, &rec, hx.data(), JacobianFlags)
                   : 0;
  if (result > 0 && !rec.analyticRejected) return;
  Grg_poll(rec);
  if (rec.status == 0) rec.status = result < 0 ? StatusEvalError : StatusNoCoefficients;
}

}  // namespace

int Grg_storeJacobianElement(void*, void* record, int row, int col, double value, double* slot) {
  GrgRecord& rec = *static_cast<GrgRecord*>(record);
  int i = row + 1, j = col + 1;
  if (i < 1 || i > rec.hostRows || j < 1 || j > rec.n) return 0;
  double v = (i == rec.objectiveRow && rec.negateObjective) ? -value : value;
  if (rec.scaled) v *= rec.scale[j] / rec.scale[rec.n + i];
  bool checking = rec.settings.derivativeMode == GrgForwardChecked || rec.settings.derivativeMode == GrgCentralChecked;
  if (checking && !rec.fixed[j]) {
    double d = i == rec.objectiveRow ? rec.grad[j] : Grg_jac(rec, i, j);
    if (slot) *slot = d;
    if (std::fabs((d - v) / (std::fabs(v) + 1)) > 1e-4) {
      rec.analyticRejected = true;
      return 0;
    }
  }
  Grg_jac(rec, i, j) = static_cast<float>(v);
  Grg_jacError(rec, i, j) = 0.0;
  if (i == rec.objectiveRow) rec.grad[j] = v;
  return 1;
}

void Grg_derivatives(GrgRecord& rec) {
  switch (rec.settings.derivativeMode) {
    case GrgForward: differences(rec, false); break;
    case GrgCentral: differences(rec, true); break;
    case GrgAnalytic: analytic(rec, false); break;
    case GrgForwardChecked:
    case GrgCentralChecked:
      differences(rec, rec.settings.derivativeMode == GrgCentralChecked);
      if (rec.status == 0) analytic(rec, true);
      break;
    case GrgAnalyticOrForward:
    case GrgAnalyticOrCentral:
      analytic(rec, false);
      if (rec.status != StatusEvalError) break;
      rec.status = 0;
      differences(rec, rec.settings.derivativeMode == GrgAnalyticOrCentral);
      break;
    default: rec.status = StatusBadModel; break;
  }
  if (rec.status) return;
  rec.gradientsValid = 1;
  if (!rec.iterationsReported) {
    rec.iterationsReported = 1;
    rec.iteration = 0;
  }
}

bool Grg_linearityTest(GrgRecord& rec) {
  if (!Grg_evaluate(rec, rec.gReport.data())) {
    rec.status = StatusEvalError;
    return false;
  }
  int previous = 0;
  for (int j = 1; j <= rec.n; ++j) {
    if (rec.constancy[j] < 3) continue;
    double x = rec.x[j], delta = (std::fabs(x) + 1) * rec.settings.stp;
    if (x + delta > rec.xu[j]) delta = -delta;
    if (!Grg_evaluatePerturbed(rec, previous ? previous : j, j, x + delta, rec.gTrial.data())) {
      rec.status = StatusEvalError;
      return false;
    }
    previous = j;
    for (int i = 1; i <= rec.m; ++i) {
      double quotient = (rec.gTrial[i] - rec.gReport[i]) / delta;
      double stored = i == rec.objectiveRow ? rec.grad[j] : Grg_jac(rec, i, j);
      if (std::fabs(quotient - stored) > rec.settings.stp) return false;
    }
  }
  return true;
}
