// The contraction steps that narrow a box by its rows: forward-backward
// propagation, the mean-value contraction with interval gradients, the
// contraction with affine forms, and the linear-enclosure contraction of one
// row that the last two share. Rows are oriented (value <= 0 or = 0).
#pragma once

#include "arithmetic/interval/Ivl_Pair.h"
#include "engines/interval/Ia_Model.h"

// What a step left of the box.
enum class IaFate { Alive, Dead, Failed };

// Narrows the box by one row's linear enclosure base + sum over j of
// slope_j (x_j - c_j), which must be <= slack (or within slack of 0 for an
// equality): each component in turn keeps only the values for which the
// rest of the enclosure allows the row. False when the box becomes empty.
bool Ia_contractLinear(int n, const Interval& base, const Interval* slope, const double* c, Interval* box,
                       bool equality, double slack);
// The offsets d with t + g d <= 0 for some t of T: up to two pieces, a piece
// equal to the point 0 standing for none.
IntervalPair Ia_solveOffsets(const Interval& t, const Interval& g);
// The feasibility rule on a row's value over the box: false when it proves
// the row violated by more than its slack (Ia_rowSlack); marks the row
// proven when it proves it holds.
bool Ia_rowFeasible(IaSearchContext& s, int k, const Interval& value);

// What a failed evaluation of a row over the box leaves of the box: an
// unfeasible argument (no point of it in the functions' domain) kills it, a
// failure that ends the search fails the step, and any other passes the row
// over with `trouble` set.
IaFate Ia_evalTrouble(int rc, bool* trouble);
// The same for a failed evaluation at a point of the box, which says nothing
// of the rest of it: an unfeasible argument too passes the row over.
IaFate Ia_pointTrouble(int rc, bool* trouble);

// The steps over rows 1..m; `trouble` is set when an evaluation failed with
// a status other than an unfeasible argument (the row was passed over).
// Each row keeps the points within its slack, and each step leaves the
// integer components with whole ends. The model's propagation narrows by
// the exact row: where that leaves nothing of a box on which the row still
// holds within its slack, the box stays as it was.
IaFate Ia_propagateConstraints(IaSearchContext& s, Interval* box);
// `values` (1..m, in/out) hold each row's range, narrowed by the step;
// `slopes`, when given, receive each row's gradient enclosure (1..n).
IaFate Ia_contractInterval(IaSearchContext& s, Interval* box, Interval* values, std::vector<IaBox>* slopes,
                           bool* trouble);
// The same with affine forms; `stored` (1..m, may be empty) are forms
// already computed over this box, used in the first pass.
IaFate Ia_contractAffine(IaSearchContext& s, Interval* box, Interval* values, const std::vector<IaAffineForm>& stored,
                         std::vector<IaBox>* slopes, bool* trouble);
