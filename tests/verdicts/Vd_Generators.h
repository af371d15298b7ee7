// The table of model generators: each builds, from a seed, a small model
// whose optimum (or root) is known by construction, never by an engine:
// LP and integer rows around a planted point made optimal by chosen
// multipliers, integer boxes small enough to enumerate, separable convex
// quadratics with a closed-form optimum, monotone systems of equations
// with a planted root, linear objectives over a ball, the same planted
// models with each column and row in its own units, and the shapes of
// Vd_shapeGenerators. Deterministic for a seed on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/verdicts/Vd_Recipe.h"

// The fixed seeds the suite runs of a first family and of a later one
// (1..n); fresh seeds run every family alike.
inline constexpr int kVdFirstFamilySeeds = 30;
inline constexpr int kVdNewFamilySeeds = 5;

struct VdGenerator {
  const char* name;
  VdRecipe (*make)(std::uint64_t seed);
  int fixedSeeds = kVdFirstFamilySeeds;
};

// Every family: the first ones, the mixed magnitudes and "value of", then
// the shapes of Vd_shapeGenerators.
const std::vector<VdGenerator>& Vd_generators();
// Nonlinear equality rows (products, circles, EXP, LN, squares bounded
// below), several convex quadratic rows, general integers with an equality
// row, AllDifferent groups.
const std::vector<VdGenerator>& Vd_shapeGenerators();
