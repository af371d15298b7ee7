// The searches for models without an objective: every solution of a square
// system of equations inside the start box, and a box grown around a point
// inside which every inequality is proven to hold.
#pragma once

#include "engines/interval/Ia_BranchBound.h"
#include "engines/interval/Ia_Model.h"

// What the searches ask of their caller: the iteration report (true asks to
// stop) with the current point, 1-based.
struct IaSystemSteps {
  void* user = nullptr;
  bool (*reportIteration)(void* user, int iteration, const std::vector<double>& x) = nullptr;
};

// Encloses every solution of the equations 1..n in boxes narrower than the
// accuracy and appends them to `solutions` (those within the accuracy or
// resolution of a recorded one are dropped). x becomes the midpoint of the
// first solution. Returns the search's result (IaSearchResult).
int Ia_allSolutionsSearch(IaSearchContext& s, const IaSystemSteps& steps, IaBoxList& solutions, std::vector<double>& x,
                          IaSearchStats* stats);
// Grows `grown` (in: the point box of a feasible point) component by
// component inside the start box while every inequality is proven on it.
// x becomes the midpoint of the grown box. Returns the search's result.
int Ia_growFeasibleBox(IaSearchContext& s, const IaSystemSteps& steps, IaBox& grown, std::vector<double>& x,
                       IaSearchStats* stats);
// True when every inequality row holds on the whole box, proven on sub-boxes
// no narrower than the accuracy; *last is the last sub-box looked at.
// *failed is set on an evaluation failure.
bool Ia_proveBox(IaSearchContext& s, const IaBox& box, IaBox* last, bool* failed, IaSearchStats* stats);
