// A lower bound of the objective over the feasible points of a box by a
// Lagrangian whose multipliers cancel the objective's gradient at the box's
// midpoint as nearly as the rows' gradients allow.
#pragma once

#include "engines/interval/Ia_Model.h"

// Sets *lower to a lower bound of the objective over the points of the box
// where rows 1..m hold; false (lower untouched) when a function has no
// gradient or value there, or the rows' gradients at the midpoint are
// linearly dependent.
bool Ia_lagrangianLower(IaSearchContext& s, const Interval* box, double* lower);
