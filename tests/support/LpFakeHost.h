// A host for the LP/quadratic engine over a model held in memory: sparse
// linear rows with constants (or functions of the point), variable and row
// bounds, start values and switches. Like the application's cells, the host
// keeps the last point it was given, so a one-variable change keeps the others.
// Used by the engine tests and the engine benchmark.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"
#include "entry/Sess_Results.h"
#include "tests/support/MpsReader.h"

struct LpFakeRow {
  std::vector<std::pair<int, double>> terms;  // 0-based variable, coefficient
  double constant = 0;
  double lower = -1e30, upper = 1e30;
};

// A linear row over 0-based variables with its limits.
inline LpFakeRow LpFake_row(std::vector<std::pair<int, double>> terms, double lower, double upper,
                            double constant = 0) {
  LpFakeRow r;
  r.terms = std::move(terms);
  r.constant = constant;
  r.lower = lower;
  r.upper = upper;
  return r;
}

// One call of the report writer: its set and code and copies of the arrays.
struct LpFakeReport {
  int set = -1, code = -1, n = 0, m = 0;
  bool sensitivity = false;
  std::vector<double> lower, values, upper, perVariable, rowLower, rowValues, rowUpper, perRow;
  std::vector<double> objective, objectiveIncrease, objectiveDecrease, lowerIncrease, lowerDecrease, upperIncrease,
      upperDecrease, rhs, rhsIncrease, rhsDecrease;
};

struct LpFakeModel {
  int n = 0;
  std::vector<double> x0, lower, upper;
  std::vector<LpFakeRow> rows;  // constraint rows
  LpFakeRow objective;
  bool hasObjective = true;
  bool maximise = false;
  // When set, row i (the objective: i = rows.size()) is f(i, point) instead.
  std::function<double(int, const std::vector<double>&)> function;
  // Answers of the switches and options.
  int scaling = 1, showIterations = 0, objectiveClass = 0, noDifferences = 0, integers = 0;
  int extraRows = 0;  // added to query 1 (a model over the limits)
  unsigned optionFlags = 0;
  bool extractable = true, boundsReadable = true, startReadable = true;
  long failEvaluationAt = -1;     // the evaluation with this number fails
  long failEvaluationsFrom = -1;  // every evaluation from this number on fails
  // Progress: answers by call number (others 0) and the calls seen.
  std::function<int(unsigned flags, int count)> answer;
  std::vector<std::pair<unsigned, int>> progressCalls;
  int reportsWanted = 0;  // query 15
  std::vector<LpFakeReport> reports;
  std::vector<double> cells;  // the point last given
  long evaluations = 0;
  // Query 44 when counted: one write per evaluation, and per progress call
  // when `progressWrites` (a macro that may write cells).
  bool countWrites = false, progressWrites = false;
  int workbookWrites = 0;
};

// Sizes the model to the bounds given; the start is `x0`, or 0 throughout.
inline void LpFake_box(LpFakeModel& m, std::vector<double> lower, std::vector<double> upper,
                       std::vector<double> x0 = {}) {
  m.n = static_cast<int>(lower.size());
  m.x0 = x0.empty() ? std::vector<double>(m.n, 0.0) : std::move(x0);
  m.lower = std::move(lower);
  m.upper = std::move(upper);
}

inline double LpFake_rowValue(const LpFakeModel& m, int i) {
  if (m.function) return m.function(i, m.cells);
  const LpFakeRow& r = i < static_cast<int>(m.rows.size()) ? m.rows[i] : m.objective;
  double v = r.constant;
  for (const auto& [j, a] : r.terms) v += a * m.cells[j];
  return v;
}

inline int LpFake_hostRows(const LpFakeModel& m) { return static_cast<int>(m.rows.size()) + (m.hasObjective ? 1 : 0); }

inline int LpFake_evaluate(LpFakeModel& m, double* out) {
  if (m.countWrites) ++m.workbookWrites;
  if (++m.evaluations == m.failEvaluationAt) return 0;
  if (m.failEvaluationsFrom > 0 && m.evaluations >= m.failEvaluationsFrom) return 0;
  for (int i = 0; i < LpFake_hostRows(m); ++i) out[i] = LpFake_rowValue(m, i);
  return 1;
}

inline int LpFake_query(const LpFakeModel& m, int kind) {
  switch (kind) {
    case QueryVariables: return m.n;
    case QueryRows: return LpFake_hostRows(m) + m.extraRows;
    case QueryIntegers: return m.integers;
    case QueryObjectiveRow: return m.hasObjective ? 1 : 0;
    case QueryMaximise: return m.maximise ? 1 : 0;
    case QueryShowIterations: return m.showIterations;
    case QueryScaling: return m.scaling;
    case QueryStructureLast: return m.objectiveClass;
    case QueryClassCode: return m.noDifferences;
    case QueryReports: return m.reportsWanted;
    case QueryWorkbookWrites: return m.workbookWrites;
    default: return 0;
  }
}

inline HostServices LpFake_host(LpFakeModel& model) {
  HostServices h;
  h.user = &model;
  h.queryModel = [](void* u, int kind) { return LpFake_query(*static_cast<LpFakeModel*>(u), kind); };
  h.optionFlags = [](void* u, int) { return static_cast<LpFakeModel*>(u)->optionFlags; };
  h.realOption = [](void*, double* out, int kind) {
    *out = kind == RealPivot ? 1e-6 : kind == RealReducedCost ? 1e-5 : 1e-8;
    return 1;
  };
  h.intOption = [](void*, int) { return 0; };
  h.namedInt = [](void*, const char*, int fallback) { return fallback; };
  h.bounds = [](void* u, double* lo, double* up, double* rlo, double* rup) {
    auto& m = *static_cast<LpFakeModel*>(u);
    if (!m.boundsReadable) return 0;
    for (int j = 0; j < m.n; ++j) lo[j] = m.lower[j], up[j] = m.upper[j];
    for (std::size_t i = 0; i < m.rows.size(); ++i) rlo[i] = m.rows[i].lower, rup[i] = m.rows[i].upper;
    if (m.hasObjective) rlo[m.rows.size()] = -1e30, rup[m.rows.size()] = 1e30;
    return 1;
  };
  h.initialValues = [](void* u, double* x) {
    auto& m = *static_cast<LpFakeModel*>(u);
    for (int j = 0; j < m.n; ++j) x[j] = m.x0[j];
    return m.startReadable ? 1 : 0;
  };
  h.evalProblem = [](void* u, double* out, const double* x) {
    auto& m = *static_cast<LpFakeModel*>(u);
    m.cells.assign(x, x + m.n);
    return LpFake_evaluate(m, out);
  };
  h.evalOneChanged = [](void* u, double* out, int j, double xj) {
    auto& m = *static_cast<LpFakeModel*>(u);
    m.cells[j] = xj;
    return LpFake_evaluate(m, out);
  };
  h.evalTwoChanged = [](void* u, double* out, int j, double xj, int k, double xk) {
    auto& m = *static_cast<LpFakeModel*>(u);
    m.cells[j] = xj;
    m.cells[k] = xk;
    return LpFake_evaluate(m, out);
  };
  h.extractLinear = [](void* u, void* record, CoefficientStore store, void* extra) {
    auto& m = *static_cast<LpFakeModel*>(u);
    if (!m.extractable) return 0;
    for (int i = 0; i < LpFake_hostRows(m); ++i) {
      const LpFakeRow& r = i < static_cast<int>(m.rows.size()) ? m.rows[i] : m.objective;
      for (const auto& [j, a] : r.terms)
        if (a != 0 && !store(nullptr, record, i, j, a, extra)) return 0;
    }
    return 1;
  };
  h.progress = [](void* u, int signedFlags, int count, double) {
    auto& m = *static_cast<LpFakeModel*>(u);
    const auto flags = static_cast<unsigned>(signedFlags);
    m.progressCalls.emplace_back(flags, count);
    if (m.countWrites && m.progressWrites) ++m.workbookWrites;
    return m.answer ? m.answer(flags, count) : 0;
  };
  h.writeReports = [](void* u, int set, int code, const ReportSummary* s, const SensitivityRecord* r) {
    LpFakeReport rep;
    rep.set = set, rep.code = code, rep.n = s->n, rep.m = s->m, rep.sensitivity = r != nullptr;
    auto copy = [](const double* p, int count) { return std::vector<double>(p, p + count); };
    rep.lower = copy(s->lower, s->n), rep.values = copy(s->values, s->n);
    rep.upper = copy(s->upper, s->n), rep.perVariable = copy(s->perVariable, s->n);
    rep.rowLower = copy(s->rowLower, s->m), rep.rowValues = copy(s->rowValues, s->m);
    rep.rowUpper = copy(s->rowUpper, s->m), rep.perRow = copy(s->perRow, s->m);
    if (r) {
      rep.objective = copy(r->objective, r->n);
      rep.objectiveIncrease = copy(r->objectiveIncrease, r->n);
      rep.objectiveDecrease = copy(r->objectiveDecrease, r->n);
      rep.lowerIncrease = copy(r->lowerIncrease, r->n), rep.lowerDecrease = copy(r->lowerDecrease, r->n);
      rep.upperIncrease = copy(r->upperIncrease, r->n), rep.upperDecrease = copy(r->upperDecrease, r->n);
      rep.rhs = copy(r->rhs, r->m), rep.rhsIncrease = copy(r->rhsIncrease, r->m);
      rep.rhsDecrease = copy(r->rhsDecrease, r->m);
    }
    static_cast<LpFakeModel*>(u)->reports.push_back(rep);
    return 1;
  };
  return h;
}

// The model of an MPS file, rows in the workbooks' order, start values 0.
inline LpFakeModel LpFake_fromMps(const MpsModel& mps) {
  LpFakeModel m;
  m.n = static_cast<int>(mps.colNames.size());
  m.x0.assign(m.n, 0.0);
  m.lower = mps.lower;
  m.upper = mps.upper;
  const std::vector<int> order = Mps_rowOrder(mps);
  std::vector<int> slot(order.size());
  m.rows.resize(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    slot[order[i]] = static_cast<int>(i);
    Mps_rowLimits(mps, order[i], m.rows[i].lower, m.rows[i].upper);
  }
  for (const MpsEntry& e : mps.entries) m.rows[slot[e.row]].terms.emplace_back(e.col, e.value);
  for (int j = 0; j < m.n; ++j)
    if (mps.cost[j] != 0) m.objective.terms.emplace_back(j, mps.cost[j]);
  m.objective.constant = mps.objConstant;
  return m;
}

// setup, solve and finish on the model; the problem keeps what solve wrote.
struct LpFakeRun {
  int setup = 0, solve = 0, status = -1;
  double objective = 0;
};

inline LpFakeRun LpFake_runWith(const HostServices& host, unsigned problemFlags = 0) {
  EngineProblem problem{};
  problem.flags = problemFlags;
  LpFakeRun r;
  r.setup = Lp_engineSetupWith(&problem, host);
  if (r.setup) r.solve = Lp_engineSolve(&problem);
  r.status = problem.status;
  r.objective = problem.objective;
  Lp_engineFinish(&problem);
  return r;
}

inline LpFakeRun LpFake_run(LpFakeModel& model, unsigned problemFlags = 0) {
  return LpFake_runWith(LpFake_host(model), problemFlags);
}
