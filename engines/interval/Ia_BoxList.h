// The open boxes of the interval search, kept in ascending order of their
// lower bounds so that the next box to split is always the head, and the
// choice of the component to split. Boxes are 1-based arrays of n + 1
// intervals (element 0 holds nothing).
#pragma once

#include <list>
#include <vector>

#include "values/Ivl_Interval.h"

using IaBox = std::vector<Interval>;

struct IaBoxNode {
  int split = 1;      // the component it will be split on (1-based)
  double lower = 0;   // its lower bound
  IaBox box;
};

struct IaBoxList {
  std::list<IaBoxNode> nodes;
};

// Inserts a copy of the box before the first node whose lower bound is >= its
// own, so that of two equal bounds the later box comes out first.
void Ia_pushBox(IaBoxList& list, const IaBox& box, double lower, int split);
// Removes the head (smallest lower bound) into the outs; false when empty.
bool Ia_popBox(IaBoxList& list, IaBox& box, double* lower, int* split);
// The first component of largest width (1 when n < 2).
int Ia_widestComponent(int n, const Interval* box);
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
