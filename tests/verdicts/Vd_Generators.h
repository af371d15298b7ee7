// The table of model generators: each builds, from a seed, a small model
// whose optimum (or root) is known by construction, never by an engine:
// LP and integer rows around a planted point made optimal by chosen
// multipliers, integer boxes small enough to enumerate, separable convex
// quadratics with a closed-form optimum, monotone systems of equations
// with a planted root, and linear objectives over a ball. Deterministic for
// a seed on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/verdicts/Vd_Recipe.h"

struct VdGenerator {
  const char* name;
  VdRecipe (*make)(std::uint64_t seed);
};

const std::vector<VdGenerator>& Vd_generators();
