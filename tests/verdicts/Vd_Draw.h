// The generators' draws: raw 64-bit numbers (splitmix64) turned into whole
// numbers, chances, halves and scales by powers of ten, never through the
// standard distributions, whose results differ between libraries; and the
// start values drawn about a variable's bounds.
#pragma once

#include <cmath>
#include <cstdint>

#include "tests/verdicts/Vd_Recipe.h"

// Powers of ten as literals, the same doubles on every platform.
inline constexpr double kVdPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// q times 10^e, rounded once: a half or a quarter scaled by a power of ten
// is the double nearest its decimal, which the formulas write exactly.
inline double Vd_scaled(double q, int e) { return e >= 0 ? q * kVdPowers[e] : q / kVdPowers[-e]; }

class VdDraw {
 public:
  explicit VdDraw(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int pick(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  bool chance(int percent) { return pick(0, 99) < percent; }
  double half(int lo, int hi) { return pick(lo, hi) * 0.5; }
  double nonzeroHalf(int m) {
    int k = 0;
    while (k == 0) k = pick(-m, m);
    return k * 0.5;
  }

 private:
  std::uint64_t state_;
};

// Starts at 0, at 1, inside the bounds, at either bound and outside them
// (in the model's units).
double Vd_drawStart(VdDraw& d, const VdVariable& v);
void Vd_drawStarts(VdDraw& d, VdRecipe* r);
// A new recipe of the generator `name`, its non-negative option drawn.
VdRecipe Vd_newRecipe(VdDraw& d, std::uint64_t seed, const char* name, VdClass kind);
