// Best-first branch and bound over boxes for models with an objective (and
// possibly constraints): boxes are bisected, each half bounded by the steps
// the caller supplies, and the open boxes kept by lower bound, until the
// smallest lower bound meets the incumbent within the accuracy. The search
// always minimises; the bounding steps negate a maximised objective.
#pragma once

#include <vector>

#include "engines/interval/Ia_BoxList.h"
#include "engines/interval/Ia_Integers.h"

// How a search ended.
enum IaSearchResult : int {
  IaSearchGapClosed = 0,
  IaSearchStopped = 1,           // the progress callback asked to stop
  IaSearchEmptyNoIncumbent = 2,  // every box discarded before any point was found
  IaSearchNoProgress = 3,        // the lower bound stood still for the whole window, or no split narrows what is left
  IaSearchUnbounded = 4,         // no lower end on a box narrower than the accuracy, or a value past -1e30
  IaSearchWide = 5,              // closed only relatively, or the best box is wide
  IaSearchEmptyWithIncumbent = 6,
  IaSearchEvalFailed = 7,
  IaSearchWrongClass = 8,
};

// What bounding one box found.
struct IaBoxBound {
  bool alive = false;   // the box may still hold the optimum
  double lower = 0;     // a lower bound of the objective over the box
  int split = 1;        // the component to split it on next (the search takes another when it does not split)
  bool unboundedBelow = false;  // every row holds on it and the objective has no lower end there
};

// The steps the search leaves to its caller. Each returns false on an
// evaluation failure that ends the search.
struct IaSearchSteps {
  void* user = nullptr;
  // Bounds the box, which it may narrow in place; it may lower *upper, the
  // incumbent value, and then replaces the incumbent box.
  bool (*boundBox)(void* user, IaBox& box, IaBox& incumbent, double* upper, IaBoxBound* out) = nullptr;
  // Evaluates the objective at the box's midpoint; a value below *upper
  // becomes the incumbent, with the box.
  bool (*tryMidpoint)(void* user, const IaBox& box, IaBox& incumbent, double* upper) = nullptr;
  // One iteration done: x (1-based) and the objective are the incumbent's.
  // True asks the search to stop.
  bool (*reportIteration)(void* user, int iteration, const std::vector<double>& x,
                          double objective) = nullptr;
  // The clock in seconds.
  double (*clockSeconds)(void* user) = nullptr;
  // The low end of the objective's enclosure at the incumbent box's midpoint
  // (-infinity when there is none), `upper` the incumbent's value; optional.
  // The enclosure of a value is wider than its rounding where the evaluation
  // widens it (and the caller may widen it by what points that miss the rows
  // within their slack may gain), and no bound over a box about the optimum
  // rises above that low end.
  double (*incumbentEnclosureLow)(void* user, const IaBox& incumbent, double upper) = nullptr;
};

struct IaSearchOptions {
  bool maximise = false;
  bool absoluteGapOnly = false;   // "solver_ars": stop on the absolute gap alone
  double noProgressSeconds = 30;  // the lower bound must move within this window
  double accuracy = 1e-6;         // "solver_acc"
  IaIntegerFlags integer;         // 1..n: the variables split between whole numbers
};

struct IaSearchStats {
  int iterations = 0, bisections = 0;
  int values = 0, gradients = 0, hessians = 0, newton = 0;  // evaluations by kind
  int result = IaSearchGapClosed;
};

// Runs the search from the start box with x (1-based) as the first incumbent
// point and *objective its value (+-infinity when there is none). On return x
// and *objective are the best point found and its value. True when the gap
// closed (result 0).
bool Ia_boxBranchAndBound(const IaSearchOptions& options, const IaSearchSteps& steps,
                          const IaBox& start, std::vector<double>& x, double* objective,
                          IaSearchStats* stats);
// True when every component is narrower than the accuracy.
bool Ia_boxIsSmall(int n, const IaBox& box, double accuracy);
