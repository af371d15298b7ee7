// Bounding one box of the optimisation search: contraction by the rows, the
// objective test that gives the box's lower bound and may improve the
// incumbent, and the choice of the component to split next.
#pragma once

#include "engines/interval/Ia_BranchBound.h"
#include "engines/interval/Ia_Contract.h"

// The objective test's verdict on a box.
struct IaObjectiveTest {
  bool alive = true;
  double lower = -INFINITY;
  bool unboundedBelow = false;  // every row holds and the objective's range has no lower end
  IaBox gradient;  // the objective's gradient enclosure (1..n), empty when unknown
};

// Bounds the objective over the box (shrinking monotone components to their
// lower side when every row is proven to hold); lowers *upper and replaces
// the incumbent box on a better point. `uncertain`: some row is not proven
// to hold on the box. False on an evaluation failure.
bool Ia_objectiveTest(IaSearchContext& s, Interval* box, bool uncertain, IaBox& incumbent, double* upper,
                      IaObjectiveTest* out);
// Bounds one box (the steps' `boundBox`); false on an evaluation failure.
bool Ia_boundBox(IaSearchContext& s, IaBox& box, IaBox& incumbent, double* upper, IaBoxBound* out);
// The objective at the box's midpoint, when every row holds there within
// its tolerance; a value below *upper becomes the incumbent. False on an
// evaluation failure.
bool Ia_tryMidpoint(IaSearchContext& s, const IaBox& box, IaBox& incumbent, double* upper);
// The low end of the objective's enclosure at the incumbent box's midpoint
// (the steps' `incumbentEnclosureLow`), less what the rows' slack is worth
// there (Ia_slackWorth); -infinity when it has none there.
double Ia_incumbentEnclosureLow(IaSearchContext& s, const IaBox& incumbent, double upper);
// The steps of the box branch and bound over this context; the caller
// supplies the iteration report and the clock.
IaSearchSteps Ia_boundSteps(IaSearchContext& s);
