// A lower bound of the objective over the feasible points of a box by a
// Lagrangian whose multipliers cancel the objective's gradient as nearly as
// the rows' gradients allow: at the box's midpoint, and at the incumbent.
#pragma once

#include "engines/interval/Ia_Model.h"

// Sets *lower to a lower bound of the objective over the points of the box
// where rows 1..m hold; false (lower untouched) when neither set of
// multipliers gives one (a function without a gradient or value there, or
// rows' gradients linearly dependent). The incumbent's multipliers, those
// of the rows binding at the incumbent box's midpoint (fitted together with
// the variables' bounds binding there), are taken again when `upper`, the
// incumbent's value, changes.
bool Ia_lagrangianLower(IaSearchContext& s, const Interval* box, const IaBox& incumbent, double upper,
                        double* lower);
