// Capture of a model through the host: evaluations converted into the
// engine's layout, the test that decides whether the model is linear or
// quadratic, the coefficient matrix from the host's extraction (or, when the
// extraction fails, from perturbing one variable at a time) and the store
// callbacks that the extraction calls.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

constexpr double kShortStretch = 8;       // the kind test's first points: 0, 4, 8
constexpr double kLongestStretch = 1e15;  // farthest the test goes along the diagonal

// The host's count of workbook writes.
unsigned workbookWrites(const LpRun& run) {
  if (!run.host.queryModel) return 0;
  return static_cast<unsigned>(run.host.queryModel(run.host.user, QueryWorkbookWrites));
}

// Whether two host points have the same variables, bit for bit (slot 0 is
// no variable).
bool samePoint(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && !a.empty() &&
         std::memcmp(a.data() + 1, b.data() + 1, sizeof(double) * (a.size() - 1)) == 0;
}

// Slot of the objective after an evaluation: after the cut room.
int objectiveSlot(const LpRecord& lp) { return lp.m + 1; }

// The host wrote the model rows and then the objective (slot m'+1); the
// objective moves to slot m+1, the cut room reads 0, and the values go into
// the scaled space.
void placeValues(const LpRun& run, double* rows) {
  const LpRecord& lp = run.lp;
  const double objective = lp.noObjective ? 0.0 : rows[lp.modelRows + 1];
  std::fill(rows + lp.modelRows + 1, rows + lp.m + 2, 0.0);
  rows[objectiveSlot(lp)] = objective;
  Lp_scaleRows(lp.scaling, rows);
}

void setHostPoint(LpRun& run, double value) {
  std::fill(run.hostX.begin() + 1, run.hostX.end(), value);
}

// The status of an evaluation that failed at the test or capture point x
// (host space): a linear model's cells give a number everywhere, so an error
// value outside the variables' bounds (LN of a cell whose bounds are
// positive, evaluated at 0) says that the model is not linear; within the
// bounds the model itself failed to evaluate.
int failedAt(const LpRecord& lp, const std::vector<double>& x) {
  for (int j = 1; j <= lp.n; ++j)
    if (x[j] < lp.lower[j] || x[j] > lp.upper[j]) return StatusNotLinear;
  return StatusEvalError;
}

bool evaluateAt(LpRun& run, double value, std::vector<double>& rows) {
  setHostPoint(run, value);
  return Lp_evaluate(run, rows.data());
}

// Every model row and the objective: slots 1..m' and the objective slot.
template <typename F>
void forEachSlot(const LpRecord& lp, F f) {
  for (int i = 1; i <= lp.modelRows; ++i) f(i, i);
  f(objectiveSlot(lp), lp.modelRows + 1);  // (value slot, matrix row)
}

int kindFromValues(const LpRun& run, const std::vector<double>& f0, const std::vector<double>& f4,
                   const std::vector<double>& f8) {
  const LpRecord& lp = run.lp;
  for (int i = 1; i <= lp.modelRows; ++i)
    if (!Lp_slotIsLinear(f0[i], f4[i], f8[i], lp.precision)) return 0;
  const int o = objectiveSlot(lp);
  return Lp_slotIsLinear(f0[o], f4[o], f8[o], lp.precision) ? 1 : 2;
}

// The slots that passed the linear test at 0, 4, 8 with a bend there (value
// slots: rows 1..m', then the objective's).
std::vector<int> bentSlots(const LpRecord& lp, const std::vector<double>& f0, const std::vector<double>& f4,
                           const std::vector<double>& f8) {
  std::vector<int> slots;
  forEachSlot(lp, [&](int s, int) {
    if (Lp_slotHidesBend(f0[s], f4[s], f8[s], lp.precision)) slots.push_back(s);
  });
  return slots;
}

// The stretch over which the model lives: its largest start value and
// finite bound, and for each slot in `slots` the distance along which its
// slope moves it by its own value at 0 (for (t - c)^2, half the way to c).
double modelStretch(const LpRecord& lp, const std::vector<int>& slots, const std::vector<double>& f0,
                    const std::vector<double>& f8) {
  double span = 0;
  for (int j = 1; j <= lp.n; ++j) {
    span = std::max(span, std::fabs(lp.xStart[j]));
    if (Lp_isFinite(lp.lower[j])) span = std::max(span, std::fabs(lp.lower[j]));
    if (Lp_isFinite(lp.upper[j])) span = std::max(span, std::fabs(lp.upper[j]));
  }
  for (int s : slots) {
    const double slope = (f8[s] - f0[s]) / kShortStretch;
    if (slope != 0) span = std::max(span, std::fabs(f0[s] / slope));
  }
  return std::min(span, kLongestStretch);
}

// The kind after the bent slots are tested again over the model's stretch
// (every variable at a quarter, half and all of it): a bent row makes the
// model nonlinear (0), a bent objective quadratic (2) when it fits the
// parabola there, else 0. A point of that stretch where the model cannot
// be evaluated makes it nonlinear too. `evaluated` says whether the host's
// cells moved.
int kindOverStretch(LpRun& run, int kind, const std::vector<double>& f0, const std::vector<double>& f4,
                    const std::vector<double>& f8, bool& evaluated) {
  const LpRecord& lp = run.lp;
  const std::vector<int> slots = bentSlots(lp, f0, f4, f8);
  const double span = modelStretch(lp, slots, f0, f8);
  evaluated = false;
  if (slots.empty() || span <= kShortStretch) return kind;
  evaluated = true;
  std::vector<double> half(f0.size()), whole(f0.size()), quarter(f0.size());
  if (!evaluateAt(run, span, whole) || !evaluateAt(run, span / 2, half)) return 0;
  const int o = objectiveSlot(lp);
  bool objectiveBent = false;
  for (int s : slots) {
    if (!Lp_slotBendsOver({f0[s], f4[s], f8[s]}, f0[s], half[s], whole[s], span / 2, lp.precision)) continue;
    if (s != o) return 0;
    objectiveBent = true;
  }
  if (!objectiveBent) return kind;
  if (!evaluateAt(run, span / 4, quarter)) return 0;
  return Lp_slotIsQuadratic(f0[o], quarter[o], half[o], whole[o], lp.precision) ? 2 : 0;
}

// Variable j at h from the zero point, the variable perturbed before it
// (`previous`, 0 for none) put back to 0 in the same evaluation.
bool evaluateStep(LpRun& run, int previous, int j, double h, std::vector<double>& now) {
  const HostServices& host = run.host;
  if (previous == 0) return host.evalOneChanged(host.user, now.data() + 1, j - 1, h);
  return host.evalTwoChanged(host.user, now.data() + 1, previous - 1, 0.0, j - 1, h);
}

// Column j from perturbing variable j alone away from the zero point,
// whose values are `base`: a difference taken beside the other columns'
// terms would lose the digits of a small coefficient to the rounding of
// large ones. 0, or the status of a failed evaluation.
int perturbColumn(LpRun& run, int j, const std::vector<double>& base, std::vector<double>& now) {
  LpRecord& lp = run.lp;
  double h = 1;
  for (int previous = j - 1;; h *= 10, previous = 0) {
    if (!evaluateStep(run, previous, j, h, now)) {
      std::vector<double> step(run.hostX.size(), 0.0);
      step[j] = h;
      return failedAt(lp, step);
    }
    placeValues(run, now.data());
    double largest = 0;
    forEachSlot(lp, [&](int s, int) { largest = std::max(largest, std::fabs(now[s] - base[s])); });
    if (largest > 0.01 || h >= 1e5) break;
  }
  forEachSlot(lp, [&](int s, int row) { lp.matrix.row(row)[j] = (now[s] - base[s]) / h; });
  return 0;
}

// Coefficients by perturbation, from the values at x = 0 in hostRows.
int capturePerturbed(LpRun& run) {
  LpRecord& lp = run.lp;
  const std::vector<double> base(run.hostRows);
  std::vector<double> now(base.size(), 0.0);
  for (int j = 1; j <= lp.n; ++j) {
    if (const int status = perturbColumn(run, j, base, now)) return status;
    const int answer = run.host.progress(run.host.user, ProgressSetup, (lp.modelRows + 1) * j, 0.0);
    if (answer == StopBreak) return StatusUserStop;
  }
  return 0;
}

// The store shared by both callbacks: matrix row row+1, element column+1.
bool store(void* extra, int row, int column, double value) {
  auto* a = static_cast<LpMatrix*>(extra);
  if (row + 1 < 0 || row + 1 >= a->rows || column + 1 < 1 || column + 1 >= a->cols) return false;
  a->row(row + 1)[column + 1] = value;
  return true;
}

// The start the run goes on from, evaluated into hostRows: the cells' start
// values, or where the model gives no number there (a start a failed run
// left, such as 8.99E+307, where the rows overflow) zero moved into the
// bounds; false when neither point evaluates.
bool evaluateStart(LpRun& run) {
  LpRecord& lp = run.lp;
  std::copy(lp.xStart.begin(), lp.xStart.end(), run.hostX.begin());
  if (Lp_evaluateUnlessHeld(run, run.hostRows.data())) return true;
  for (int j = 1; j <= lp.n; ++j) lp.xStart[j] = std::clamp(0.0, lp.lower[j], lp.upper[j]);
  lp.x = lp.xStart;
  std::copy(lp.xStart.begin(), lp.xStart.end(), run.hostX.begin());
  return Lp_evaluate(run, run.hostRows.data());
}

// Whether every start value is +0, a point the kind test evaluates.
bool startsAtZero(const LpRecord& lp) {
  return std::all_of(lp.xStart.begin() + 1, lp.xStart.end(), [](double v) { return v == 0 && !std::signbit(v); });
}

// The start after the kind test. When the test's last evaluation was at
// zero (`rowsAtZero`, its rows) and the start is zero too, the host's cells
// already hold the start, whose rows are taken without evaluating. The rows
// of a start at zero are kept for the capture, which begins there.
bool takeStart(LpRun& run, const std::vector<double>* rowsAtZero) {
  const LpRecord& lp = run.lp;
  if (rowsAtZero && startsAtZero(lp)) {
    std::copy(lp.xStart.begin(), lp.xStart.end(), run.hostX.begin());
    run.hostRows = *rowsAtZero;
  } else if (!evaluateStart(run)) {
    return false;
  }
  if (startsAtZero(lp)) run.zeroRows = run.hostRows;
  return true;
}

// Records a status that ends the objective kind test.
int kindFailed(LpRun& run, int status) {
  run.status = status;
  return -1;
}

}  // namespace

bool Lp_evaluate(LpRun& run, double* rows) {
  LpHeldPoint& held = run.heldPoint;
  const unsigned before = workbookWrites(run);
  held.held = false;
  if (!run.host.evalProblem(run.host.user, rows + 1, run.hostX.data() + 1)) return false;
  // Exactly one write: this evaluation went through the workbook (the
  // interpreter writes no cell) and nothing else wrote.
  held.writes = workbookWrites(run);
  if (held.writes == before + 1) {
    held.held = true;
    held.x = run.hostX;
    held.rows.assign(rows + 1, rows + run.hostRows.size());
  }
  placeValues(run, rows);
  return true;
}

bool Lp_evaluateUnlessHeld(LpRun& run, double* rows) {
  const LpHeldPoint& held = run.heldPoint;
  if (!held.held || workbookWrites(run) != held.writes || !samePoint(held.x, run.hostX))
    return Lp_evaluate(run, rows);
  std::copy(held.rows.begin(), held.rows.end(), rows + 1);
  placeValues(run, rows);
  return true;
}

int Lp_objectiveKind(LpRun& run) {
  run.zeroRows.clear();
  const int known = run.host.queryModel(run.host.user, QueryStructureLast);
  if (known == 1 || known == 2) return known;
  if (known == 4 || known == 5) return 0;
  std::vector<double> f0(run.hostRows.size()), f4(f0.size()), f8(f0.size()), f2(f0.size());
  // Zero last: a start at zero, and the capture after it, then take the
  // rows at zero without evaluating there again.
  if (!evaluateAt(run, 8, f8) || !evaluateAt(run, 4, f4) || !evaluateAt(run, 0, f0))
    return kindFailed(run, failedAt(run.lp, run.hostX));
  if (const int stop = Lp_queryStop(run)) return kindFailed(run, stop);
  int kind = kindFromValues(run, f0, f4, f8);
  bool endsAtZero = kind != 2;
  if (kind == 2) {
    if (!evaluateAt(run, 2, f2)) return kindFailed(run, failedAt(run.lp, run.hostX));
    const int o = objectiveSlot(run.lp);
    if (!Lp_slotIsQuadratic(f0[o], f2[o], f4[o], f8[o], run.lp.precision)) kind = 0;
  }
  if (kind != 0) {
    bool evaluated = false;
    kind = kindOverStretch(run, kind, f0, f4, f8, evaluated);
    endsAtZero = endsAtZero && !evaluated;
  }
  if (!takeStart(run, endsAtZero ? &f0 : nullptr)) return kindFailed(run, StatusEvalError);
  return kind;
}

int Lp_captureModel(LpRun& run) {
  LpRecord& lp = run.lp;
  setHostPoint(run, 0);
  // Rows kept by the kind test: the host's cells hold zero already.
  if (!run.zeroRows.empty()) run.hostRows.swap(run.zeroRows);
  else if (!Lp_evaluate(run, run.hostRows.data())) return failedAt(lp, run.hostX);
  run.zeroRows.clear();
  forEachSlot(lp, [&](int s, int row) { lp.matrix.row(row)[0] = run.hostRows[s]; });
  if (!run.host.extractLinear(run.host.user, &run, Lp_storeCoefProgress, &lp.matrix)) {
    if (run.host.queryModel(run.host.user, QueryClassCode) != 0) return StatusNoCoefficients;
    if (const int status = capturePerturbed(run)) return status;
  }
  Lp_finishCapture(lp);
  run.captured = true;
  return evaluateStart(run) ? 0 : StatusEvalError;
}

int Lp_storeCoefProgress(LibraryContext*, void* record, int row, int column, double value,
                         void* extra) {
  if (!extra || (row == -1 && column == -1)) return 0;
  if (!store(extra, row, column, value)) return 0;
  auto* run = static_cast<LpRun*>(record);
  if (row != -1 || !run) return 1;
  const int rows = run->host.queryModel(run->host.user, QueryRows);
  return run->host.progress(run->host.user, ProgressSetup2, rows * (column + 2), 0.0) == StopBreak
             ? 0 : 1;
}

int Lp_storeCoef(LibraryContext*, void*, int row, int column, double value, void* extra) {
  if (!extra) return 0;
  if (row == -2 && column == -2) {  // the interpreter delivers every term anew
    auto& terms = static_cast<LpMatrix*>(extra)->a;
    std::fill(terms.begin(), terms.end(), 0.0);
    return 0;
  }
  if (row == -1 && column == -1) {  // the objective's constant
    auto* a = static_cast<LpMatrix*>(extra);
    if (a->a.empty()) return 0;
    a->row(0)[0] = value;
    return 1;
  }
  return store(extra, row, column, value) ? 1 : 0;
}
