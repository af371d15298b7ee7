// A small test engine for the branch-and-bound driver: its `solve` computes
// the exact LP relaxation of a tiny model (min c.x over rows and the current
// variable bounds) by enumerating the vertices, hands out a snapshot after
// every solved subproblem and checks that each snapshot it is handed back
// is still alive. The engine runs through the library's runner and driver
// on a session opened over a workbook whose names give the integer kinds.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "entry/Eng_BranchBound.h"
#include "tests/entry/SessionFixture.h"

struct TinyModel {
  std::vector<double> cost;                 // minimise cost . x
  std::vector<std::vector<double>> rows;
  std::vector<double> rowLower, rowUpper;   // +-1e30: none
  std::vector<double> lower, upper;         // variable bounds
  int n() const { return static_cast<int>(cost.size()); }

  bool feasible(const std::vector<double>& x, double tol = 1e-9) const {
    for (int j = 0; j < n(); ++j)
      if (x[j] < lower[j] - tol || x[j] > upper[j] + tol) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
      double v = 0;
      for (int j = 0; j < n(); ++j) v += rows[i][j] * x[j];
      if (v < rowLower[i] - tol || v > rowUpper[i] + tol) return false;
    }
    return true;
  }
  double objective(const std::vector<double>& x) const {
    double v = 0;
    for (int j = 0; j < n(); ++j) v += cost[j] * x[j];
    return v;
  }
};

// The best vertex of the model within [lower, upper]; false when none is
// feasible.
inline bool Tiny_solveRelaxation(const TinyModel& m, const double* lower, const double* upper,
                                 std::vector<double>* best, double* bestValue) {
  const int n = m.n();
  for (int j = 0; j < n; ++j)
    if (lower[j] > upper[j]) return false;
  TinyModel box = m;
  box.lower.assign(lower, lower + n);
  box.upper.assign(upper, upper + n);
  // Hyperplanes a.x = b: each finite row side and each variable bound.
  std::vector<std::vector<double>> a;
  std::vector<double> b;
  for (size_t i = 0; i < m.rows.size(); ++i)
    for (double side : {m.rowLower[i], m.rowUpper[i]})
      if (std::fabs(side) < 1e30) {
        a.push_back(m.rows[i]);
        b.push_back(side);
      }
  for (int j = 0; j < n; ++j)
    for (double side : {lower[j], upper[j]}) {
      std::vector<double> e(n, 0.0);
      e[j] = 1;
      a.push_back(e);
      b.push_back(side);
    }
  bool found = false;
  std::vector<int> pick;
  std::function<void(int)> choose = [&](int from) {
    if (static_cast<int>(pick.size()) == n) {
      std::vector<std::vector<double>> t(n, std::vector<double>(n + 1));
      for (int r = 0; r < n; ++r) {
        std::copy(a[pick[r]].begin(), a[pick[r]].end(), t[r].begin());
        t[r][n] = b[pick[r]];
      }
      for (int c = 0; c < n; ++c) {
        int p = c;
        for (int r = c + 1; r < n; ++r)
          if (std::fabs(t[r][c]) > std::fabs(t[p][c])) p = r;
        if (std::fabs(t[p][c]) < 1e-12) return;
        std::swap(t[p], t[c]);
        for (int r = 0; r < n; ++r) {
          if (r == c) continue;
          double f = t[r][c] / t[c][c];
          for (int k = c; k <= n; ++k) t[r][k] -= f * t[c][k];
        }
      }
      std::vector<double> x(n);
      for (int c = 0; c < n; ++c) x[c] = t[c][n] / t[c][c];
      if (!box.feasible(x)) return;
      double v = m.objective(x);
      if (!found || v < *bestValue - 1e-12) {
        found = true;
        *bestValue = v;
        *best = x;
      }
      return;
    }
    for (int h = from; h < static_cast<int>(a.size()); ++h) {
      pick.push_back(h);
      choose(h + 1);
      pick.pop_back();
    }
  };
  choose(0);
  return found;
}

// The engine's record and what its `finish` saw.
struct TinyEngine {
  TinyModel model;
  bool reducedCosts = true;            // fill them when the driver asks
  // The model is maximised: the engine hands back the maximised function's
  // own value (the negation of `model`'s) and reduced costs of that sense.
  bool maximise = false;
  // Snapshots: at every solved subproblem; only at the first, later leaving
  // the word as handed in; only at the first, later clearing the word.
  enum { EveryNode, FirstKept, FirstCleared } snapshots = EveryNode;
  std::vector<double> heuristicPoint;  // handed out with status 14 at the first solve
  std::vector<std::pair<double, double>> firstBounds;   // variable 0's bounds at each solve
  std::vector<double> lower, upper, values;
  int solves = 0;
  std::set<void*> live;                // snapshots handed out and not released
  bool deadSnapshotSeen = false;
  int finalStatus = -100;
  double finalObjective = 0;
  std::vector<double> finalValues;
};

inline TinyEngine* g_tiny = nullptr;

inline void Tiny_release(void* snapshot) {
  g_tiny->live.erase(snapshot);
  delete static_cast<int*>(snapshot);
}

inline int Tiny_load(void*) { return 1; }
inline int Tiny_free(void*) { return 1; }

inline int Tiny_setup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *g_tiny;
  e.lower = e.model.lower;
  e.upper = e.model.upper;
  e.values.assign(e.model.n(), 0.0);
  if (p->variableCount != e.model.n()) return 0;
  p->engineRecord = &e;
  p->lower = e.lower.data();
  p->upper = e.upper.data();
  p->values = e.values.data();
  return 1;
}

// Reduced costs as the slopes of the relaxation's value when a variable
// leaves the bound it sits at.
inline void Tiny_reducedCosts(TinyEngine& e, EngineProblem* p, double value) {
  const int n = e.model.n();
  const double step = 1e-6;
  for (int j = 0; j < n; ++j) {
    p->reducedCosts[j] = 0;
    bool atLower = p->values[j] == p->lower[j], atUpper = p->values[j] == p->upper[j];
    if (p->lower[j] == p->upper[j] || (!atLower && !atUpper)) continue;
    std::vector<double> lo(p->lower, p->lower + n), up(p->upper, p->upper + n), x;
    double moved;
    if (atLower) lo[j] += step;
    else up[j] -= step;
    if (!Tiny_solveRelaxation(e.model, lo.data(), up.data(), &x, &moved)) continue;
    p->reducedCosts[j] = (atLower ? 1 : -1) * (e.maximise ? -1 : 1) * (moved - value) / step;
  }
}

inline int Tiny_solve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *static_cast<TinyEngine*>(p->engineRecord);
  ++e.solves;
  e.firstBounds.emplace_back(p->lower[0], p->upper[0]);
  if (p->saved && !e.live.count(p->saved)) e.deadSnapshotSeen = true;
  if (e.snapshots == TinyEngine::FirstCleared) p->saved = nullptr;
  if (e.solves == 1 && !e.heuristicPoint.empty()) {
    std::copy(e.heuristicPoint.begin(), e.heuristicPoint.end(), p->values);
    p->objective = e.model.objective(e.heuristicPoint) * (e.maximise ? -1 : 1);
    p->status = StatusHeuristicInteger;
    return 1;
  }
  std::vector<double> x;
  double value = 0;
  if (!Tiny_solveRelaxation(e.model, p->lower, p->upper, &x, &value)) {
    p->status = StatusInfeasible;
    return 1;
  }
  std::copy(x.begin(), x.end(), p->values);
  p->objective = e.maximise ? -value : value;
  p->status = StatusSolved;
  if (p->reducedCosts && e.reducedCosts) Tiny_reducedCosts(e, p, value);
  if (e.snapshots != TinyEngine::EveryNode && !e.live.empty()) return 1;
  int* snapshot = new int(e.solves);
  e.live.insert(snapshot);
  p->saved = snapshot;
  p->releaseSaved = Tiny_release;
  return 1;
}

inline int Tiny_finish(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *g_tiny;
  e.finalStatus = p->status;
  e.finalObjective = e.maximise ? -p->objective : p->objective;   // in `model`'s sense
  if (p->values) e.finalValues.assign(p->values, p->values + e.model.n());
  if (p->saved && e.live.count(p->saved)) Tiny_release(p->saved);
  p->saved = nullptr;
  return 1;
}

class BranchBound : public SessionLibrary {
 protected:
  void SetUp() override {
    SessionLibrary::SetUp();
    savedInfo = context->engineInfos[0];
    context->engineInfos[0].capabilities = EngineCanBranch;
    context->engineInfos[0].fields = 0;
    g_tiny = &engine;
    newModel();
    name("solver_eng", "1");
  }
  void TearDown() override {
    Eng_failBranchNodesAfter(-1);
    end();
    context->engineInfos[0] = savedInfo;
    g_tiny = nullptr;
    SessionLibrary::TearDown();
  }

  // The model's variable cells A1 down, an objective cell and the integer
  // kinds as constraint names: each entry a range and its relation (4
  // integer, 5 binary, 6 alldifferent).
  void workbookModel(int n, const std::vector<std::pair<std::string, int>>& kinds) {
    name("solver_adj", "Model!$A$1:$A$" + std::to_string(n));
    formula("C1", "A1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", "2");
    name("solver_num", std::to_string(kinds.size()));
    static const char* texts[] = {"", "", "", "", "integer", "binary", "alldifferent"};
    for (size_t i = 0; i < kinds.size(); ++i) {
      std::string k = std::to_string(i + 1);
      name("solver_lhs" + k, kinds[i].first);
      name("solver_rel" + k, std::to_string(kinds[i].second));
      name("solver_rhs" + k, texts[kinds[i].second]);
    }
  }
  // The "Show" macro of the front end, answering `answer`.
  void defineShow(double answer) {
    Wb_defineName(addIn, DefinedName{"Show", "Corvan!$D$1", 0, false});
    Xlc_registerMacro("Show", [answer](const std::vector<CellValue>&) {
      return CellValue::makeNumber(answer);
    });
  }
  // Opens the session and runs the engine through the runner.
  int run() {
    EXPECT_EQ(begin(), 1);
    EngineEntry entry{context, Tiny_load, Tiny_setup, Tiny_solve, Tiny_finish, Tiny_free};
    int status = ordinal<int (*)(EngineEntry*)>(6)(&entry);
    EXPECT_FALSE(engine.deadSnapshotSeen);
    EXPECT_TRUE(engine.live.empty()) << engine.live.size() << " snapshots never released";
    return status;
  }
  bool integral(const std::vector<double>& x) const {
    return std::all_of(x.begin(), x.end(),
                       [](double v) { return std::fabs(v - std::round(v)) < 1e-9; });
  }

  TinyEngine engine;
  EngineInfo savedInfo{};
};
