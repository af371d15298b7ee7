// Test kit for the LP engine's integer passes: the in-memory host with
// integer options and integer flags, an engine run that stays open across
// solves, and a small depth-first branch and bound over the engine's solve
// that hands each child its parent's snapshot and keeps heuristic solutions.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/LpFakeHost.h"

// The fake model with the integer options (cut limits, seed) and flags.
struct LpIntModel : LpFakeModel {
  int intOptions[IntOptionKinds] = {};
  std::vector<std::int32_t> flags;  // per variable: 0 continuous, 1 integer, 2 binary
  int relaxIntegers = 0;            // query 14
};

inline HostServices LpInt_host(LpIntModel& model) {
  HostServices h = LpFake_host(model);
  h.queryModel = [](void* u, int kind) {
    auto* m = static_cast<LpIntModel*>(static_cast<LpFakeModel*>(u));
    return kind == QueryRelaxIntegers ? m->relaxIntegers : LpFake_query(*m, kind);
  };
  h.intOption = [](void* u, int kind) {
    auto* m = static_cast<LpIntModel*>(static_cast<LpFakeModel*>(u));
    return kind >= 0 && kind < IntOptionKinds ? m->intOptions[kind] : 0;
  };
  return h;
}

inline void LpInt_setCuts(LpIntModel& m, int gomoryRows, int gomoryRounds, int coverRows, int coverRounds) {
  m.intOptions[IntGct] = gomoryRows;
  m.intOptions[IntGop] = gomoryRounds;
  m.intOptions[IntCct] = coverRows;
  m.intOptions[IntCgt] = coverRounds;
}

// The model of an MPS file with its integer columns flagged.
inline LpIntModel LpInt_fromMps(const std::string& name) {
  MpsModel mps;
  std::string error;
  LpIntModel m;
  if (!Mps_readNamed(name, mps, error)) return m;
  static_cast<LpFakeModel&>(m) = LpFake_fromMps(mps);
  m.flags.assign(mps.integer.begin(), mps.integer.end());
  for (int j = 0; j < m.n; ++j)
    if (m.flags[j] && m.lower[j] == 0 && m.upper[j] == 1) m.flags[j] = 2;
  for (std::int32_t f : m.flags) m.integers += f != 0 ? 1 : 0;
  return m;
}

// An engine run over one problem record, set up at construction and
// finished at destruction.
struct LpIntRun {
  EngineProblem problem{};
  int setup = 0;
  LpIntRun(LpIntModel& model, unsigned problemFlags) {
    problem.flags = problemFlags;
    problem.integerFlags = model.flags.empty() ? nullptr : model.flags.data();
    setup = Lp_engineSetupWith(&problem, LpInt_host(model));
  }
  ~LpIntRun() { Lp_engineFinish(&problem); }
  LpIntRun(const LpIntRun&) = delete;
  LpIntRun& operator=(const LpIntRun&) = delete;
  LpRecord& record() { return static_cast<LpRun*>(problem.engineRecord)->lp; }
  int solve() {
    Lp_engineSolve(&problem);
    return problem.status;
  }
  std::vector<double> values() const {
    return std::vector<double>(problem.values, problem.values + problem.variableCount);
  }
};

inline bool LpInt_integral(const std::vector<double>& x, const std::vector<std::int32_t>& flags, int& first) {
  first = -1;
  double worst = 1e-6;
  for (std::size_t j = 0; j < x.size(); ++j) {
    const double f = std::fabs(x[j] - std::floor(x[j] + 0.5));
    if (flags[j] != 0 && f > worst) worst = f, first = static_cast<int>(j);
  }
  return first < 0;
}

// Depth-first branch and bound (minimising) on the most fractional variable.
struct LpIntSearch {
  LpIntRun& run;
  const std::vector<std::int32_t>& flags;
  double best = 1e30;
  std::vector<double> bestX;
  int nodes = 0, heuristicSolutions = 0, warmStarts = 0;
  int nodeLimit = 200000;

  LpIntSearch(LpIntRun& r, const std::vector<std::int32_t>& f) : run(r), flags(f) {}

  void offer(double objective) {
    const std::vector<double> x = run.values();
    int j;
    if (LpInt_integral(x, flags, j) && objective < best) best = objective, bestX = x;
  }

  void node(void* parentSnapshot) {
    if (++nodes > nodeLimit) return;
    EngineProblem& p = run.problem;
    const int n = p.variableCount;
    const std::vector<double> lo(p.lower, p.lower + n), up(p.upper, p.upper + n);
    p.saved = parentSnapshot;
    p.releaseSaved = parentSnapshot ? Lp_releaseSnapshot : nullptr;
    int status = run.solve();
    while (status == StatusHeuristicInteger) {
      ++heuristicSolutions;
      offer(p.objective);
      status = run.solve();
    }
    void* mine = p.saved != parentSnapshot ? p.saved : nullptr;
    warmStarts += parentSnapshot ? 1 : 0;
    const double objective = p.objective;
    std::vector<double> x = run.values();
    std::copy(lo.begin(), lo.end(), p.lower);
    std::copy(up.begin(), up.end(), p.upper);
    int j;
    if (status == StatusSolved && objective < best - 1e-6) {
      if (LpInt_integral(x, flags, j)) {
        best = objective, bestX = x;
      } else {
        void* handed = mine ? mine : parentSnapshot;
        const double v = x[j];
        const bool upFirst = v - std::floor(v) >= 0.5;
        for (int side = 0; side < 2; ++side) {
          const bool goUp = (side == 0) == upFirst;
          if (goUp) p.lower[j] = std::ceil(v);
          else p.upper[j] = std::floor(v);
          node(handed);
          p.lower[j] = lo[j];
          p.upper[j] = up[j];
        }
      }
    }
    p.saved = nullptr;
    if (mine) Lp_releaseSnapshot(mine);
  }
};

// Row activities of the model at x and whether every limit holds.
inline bool LpInt_feasible(const LpFakeModel& m, const std::vector<double>& x, double tol) {
  for (int j = 0; j < m.n; ++j)
    if (x[j] < m.lower[j] - tol || x[j] > m.upper[j] + tol) return false;
  for (const LpFakeRow& r : m.rows) {
    double v = r.constant;
    for (const auto& [j, a] : r.terms) v += a * x[j];
    if (v < r.lower - tol || v > r.upper + tol) return false;
  }
  return true;
}

inline double LpInt_objective(const LpFakeModel& m, const std::vector<double>& x) {
  double v = m.objective.constant;
  for (const auto& [j, a] : m.objective.terms) v += a * x[j];
  return v;
}
