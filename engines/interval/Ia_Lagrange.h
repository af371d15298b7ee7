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
// What the rows' slack is worth at the incumbent: sum |y_k| slack_k over the
// incumbent's multipliers y, as far as points that miss the rows within
// their slack may lie below the incumbent's value to first order. Every
// Lagrangian bound gives that much up, so no split closes that part of the
// gap. 0 without multipliers, and in a search that keeps integers whole,
// whose rows' slack is their whole tolerance: there it would hide better
// points that keep the rows exactly.
double Ia_slackWorth(IaSearchContext& s, const IaBox& incumbent, double upper);
