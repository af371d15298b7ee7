// The open boxes of the interval search, kept in a binary heap on their
// lower bounds so that the next box to split (the smallest bound, of equal
// bounds the one pushed last) comes out in logarithmic time, and the choice
// of the component to split. Boxes are 1-based arrays of n + 1 intervals
// (element 0 holds nothing).
#pragma once

#include <cstdint>
#include <vector>

#include "values/Ivl_Interval.h"

using IaBox = std::vector<Interval>;

struct IaBoxNode {
  int split = 1;     // the component it will be split on (1-based)
  double lower = 0;  // its lower bound
  IaBox box;
  std::uint64_t order = 0;  // how many boxes the list took before it
};

// Open boxes as a heap (through Ia_pushBox and Ia_popBox); the solutions of
// the all-solutions search in the order recorded (Ia_recordSolution).
struct IaBoxList {
  std::vector<IaBoxNode> nodes;
  std::uint64_t pushed = 0;
};

// Adds a copy of the box. Boxes come out by ascending lower bound, and of two
// equal bounds the later box first (a bound that is NaN counts as -infinity).
void Ia_pushBox(IaBoxList& list, const IaBox& box, double lower, int split);
// Removes the next box (smallest lower bound) into the outs; false when empty.
bool Ia_popBox(IaBoxList& list, IaBox& box, double* lower, int* split);
// The first component of largest width (1 when n < 2).
int Ia_widestComponent(int n, const Interval* box);
// Whether a split at x's midpoint leaves two halves narrower than x: false
// for a point, and for a component whose ends are neighbouring doubles (its
// midpoint rounds to one of them, and one half is x again).
bool Ia_componentSplits(const Interval& x);
// The first widest component that splits; 0 when none does: the box holds
// no double between its corners, and no split narrows it.
int Ia_widestSplittingComponent(int n, const Interval* box);
// The first component widest relative to its width in `whole` (a component
// of no width there counts by its own width): the choice on boxes of mixed
// scales, where one of a wide range would be split long after it matters.
// Components marked in `inert` (1..n, empty: none) come after every other.
int Ia_relativeWidestComponent(int n, const Interval* box, const Interval* whole, const std::vector<char>& inert);
// The first component of largest width(box_i) x width(gradient_i) (1 when
// n < 2): where splitting most narrows the objective's enclosure.
int Ia_smearComponent(int n, const Interval* box, const Interval* gradient);
// The first component of largest width(box_j) x (sum over the rows of the
// larger magnitude of entry (row, j)) (1 when n < 2); rows are 1-based
// gradient rows, an empty row counting nothing.
int Ia_matrixSmearComponent(int n, const Interval* box, const std::vector<IaBox>& rows);
// The same rule over the components at least minWidth wide only, with a
// score that is not finite above every finite one and, of two such, the wider
// component first; 0 when none is minWidth wide: the box is not to be split.
int Ia_splittableSmearComponent(int n, const Interval* box, const std::vector<IaBox>& rows, double minWidth);
// The all-solutions search's recording: the box is appended (split 0, the
// given bound) unless it lies close to a recorded solution, that is unless
// for some recorded box every component's distance d is at most `acc` or at
// most `res` relative to the recorded component's larger end.
void Ia_recordSolution(IaBoxList& solutions, const IaBox& box, double bound, double acc,
                       double res);
