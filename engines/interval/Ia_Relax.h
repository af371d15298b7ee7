// The linear relaxation of a box's rows by their affine forms, solved with
// the worksheet's tableau simplex: a relaxation without a solution proves
// the box holds no feasible point.
#pragma once

#include "engines/interval/Ia_Contract.h"

// What the relaxation found about the box.
struct IaRelaxation {
  IaFate fate = IaFate::Alive;
  std::vector<IaAffineForm> forms;  // 1..m: each row's form over the box
  bool vertexFound = false;         // with an objective: a vertex of the optimum
  std::vector<double> vertex;       // 1..n
};

// Evaluates every row's affine form over the box (a form whose range
// proves its row violated kills the box) and tests the relaxation
// 0 <= x - lo <= width, f_low + sum a_i (x_i - lo_i) + s_k (<= or =) 0,
// 0 <= s_k <= 2 r_k for feasibility. With `objective` (its form over the
// box) phase 2 also minimises the objective's linear part and the
// relaxation's vertex is handed back. An evaluation failure other than an
// unfeasible argument fails the step.
IaRelaxation Ia_lpRelaxation(IaSearchContext& s, const Interval* box, const IaAffineForm* objective);
