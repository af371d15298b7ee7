// Generated sparse LPs for the engine's numerical tests: a few nonzeros per
// row with magnitudes spread over six orders (whole numbers from 1 to 2^20
// times small powers of two per row and column, so that scaling cannot
// even them out), rows built around a point on a grid of
// sixteenths so that the model is feasible in exact arithmetic, many of them
// tight there (degenerate vertices), some equalities repeated times 2 or
// -2 (redundant rows), and boxes or positive costs
// that keep the minimum finite. Deterministic for a seed on every
// platform: the random numbers are drawn from the raw output of a
// fixed-width generator, never through the standard distributions.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "tests/support/LpFakeHost.h"

struct LpGenerated {
  int seed, rows, cols;
};

// Draws of the generator: u in [0, 1), whole numbers in [lo, hi].
struct LpGenRandom {
  std::mt19937_64 engine;
  explicit LpGenRandom(int seed) : engine(static_cast<std::uint64_t>(seed)) {}
  double uniform() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }
  int pick(int lo, int hi) { return lo + static_cast<int>(engine() % static_cast<std::uint64_t>(hi - lo + 1)); }
  // A magnitude 10^e, e uniform in [lo, hi], with three significant digits.
  double magnitude(double lo, double hi) {
    const double v = std::pow(10.0, lo + (hi - lo) * uniform());
    const double unit = std::pow(10.0, std::floor(std::log10(v)) - 2);
    return std::round(v / unit) * unit;
  }
};

inline LpFakeModel LpGen_model(const LpGenerated& g) {
  constexpr double inf = kBoundInfinity;
  LpGenRandom random(g.seed);
  LpFakeModel m;
  m.n = g.cols;
  m.x0.assign(g.cols, 0.0);
  m.lower.assign(g.cols, 0.0);
  m.upper.assign(g.cols, inf);
  std::vector<double> point(g.cols);
  std::vector<int> colExp(g.cols);
  for (int j = 0; j < g.cols; ++j) {
    colExp[j] = random.pick(-1, 1);
    const bool boxed = random.pick(0, 3) != 0;
    if (boxed) m.upper[j] = random.pick(1, 100);
    const int steps = static_cast<int>(16 * (boxed ? m.upper[j] : 10.0));
    const int where = random.pick(0, 3);  // at a bound half the time
    point[j] = (where == 0 ? 0 : where == 1 && boxed ? steps : random.pick(0, steps)) / 16.0;
    const double cost = random.magnitude(-2, 1);
    m.objective.terms.emplace_back(j, boxed && random.pick(0, 1) == 0 ? -cost : cost);
  }
  std::vector<int> equalities;
  for (int i = 0; i < g.rows; ++i) {
    LpFakeRow r;
    const int rowExp = random.pick(-2, 2);
    const int count = random.pick(2, 7);
    std::map<int, double> terms;  // one entry per column
    for (int t = 0; t < count; ++t) {
      const int j = random.pick(0, g.cols - 1);
      const double size = std::round(std::exp2(20 * random.uniform()));
      terms[j] = std::ldexp(random.pick(0, 1) ? size : -size, rowExp + colExp[j]);
    }
    double activity = 0;  // exact: every product is a short multiple of a power of two
    for (const auto& [j, a] : terms) activity += a * point[j];
    const int kind = random.pick(0, 9);
    const double room = random.pick(0, 2) == 0 ? 0.0 : std::ldexp(random.pick(1, 50), rowExp - 4);
    if (kind < 4) {
      r.upper = activity + room;
    } else if (kind < 7) {
      r.lower = activity - room;
    } else if (kind < 9 || equalities.empty()) {
      r.lower = r.upper = activity;
      equalities.push_back(i);
    } else {  // a redundant equality: an earlier one times 2 or -2
      const LpFakeRow& p = m.rows[equalities[random.pick(0, static_cast<int>(equalities.size()) - 1)]];
      const double factor = random.pick(0, 1) ? 2.0 : -2.0;
      terms.clear();
      for (const auto& [j, a] : p.terms) terms[j] = factor * a;
      r.lower = r.upper = factor * p.lower;
    }
    for (const auto& [j, a] : terms) r.terms.emplace_back(j, a);
    m.rows.push_back(r);
  }
  return m;
}
