// The generators' start values and new recipes.
#include "tests/verdicts/Vd_Draw.h"

#include <cmath>
#include <cstdint>

// Starts at 0, at 1, inside the bounds, at either bound and outside them
// (in the model's units).
double Vd_drawStart(VdDraw& d, const VdVariable& v) {
  const bool lo = std::isfinite(v.lower), hi = std::isfinite(v.upper);
  switch (d.pick(0, 6)) {
    case 0: return 0;
    case 1: return 1;
    case 2:
      if (lo && hi) return v.lower + (v.upper - v.lower) * d.pick(1, 3) / 4;
      return lo ? v.lower + d.pick(1, 3) : hi ? v.upper - d.pick(1, 3) : d.half(-4, 4);
    case 3: return lo ? v.lower : 0;
    case 4: return hi ? v.upper : 1;
    case 5: return lo ? v.lower - d.pick(1, 3) : -1;
    default: return hi ? v.upper + d.pick(1, 3) : 2;
  }
}

void Vd_drawStarts(VdDraw& d, VdRecipe* r) {
  for (VdVariable& v : r->variables) v.start = Vd_drawStart(d, v);
}

VdRecipe Vd_newRecipe(VdDraw& d, std::uint64_t seed, const char* name, VdClass kind) {
  VdRecipe r;
  r.generator = name;
  r.seed = seed;
  r.kind = kind;
  r.nonNegative = d.chance(40);
  return r;
}
