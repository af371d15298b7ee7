// The comparison solver of the LP benchmarks: an in-memory model of the LP
// engine's tests loaded into GLPK and solved by its simplex in process, so
// that both sides are timed on the same model in the same run. GLPK is a
// measuring tool only: the benchmarks build without it (Bench_haveGlpk is
// then false) and the library never uses it.
#pragma once

#include <vector>

#include "contract/Bound_Infinity.h"
#include "tests/support/LpFakeHost.h"

#if CORVAN_HAVE_GLPK
#include <glpk.h>

constexpr bool Bench_haveGlpk = true;

namespace bench_glpk {

// GLPK's bound type for limits that may be kBoundInfinity (none).
inline int boundType(double lower, double upper) {
  const bool lo = lower > -kBoundInfinity, up = upper < kBoundInfinity;
  if (lo && up) return lower == upper ? GLP_FX : GLP_DB;
  return lo ? GLP_LO : up ? GLP_UP : GLP_FR;
}

}  // namespace bench_glpk

// Builds the model in GLPK, scales it and solves it from GLPK's advanced
// initial basis by its simplex with the default settings, as glpsol does;
// the status (0 optimal, 5 infeasible, 4 unbounded, 8 otherwise) and the
// objective.
inline int Bench_solveGlpk(const LpFakeModel& m, double& objective) {
  glp_term_out(GLP_OFF);
  glp_prob* lp = glp_create_prob();
  glp_set_obj_dir(lp, m.maximise ? GLP_MAX : GLP_MIN);
  const int rows = static_cast<int>(m.rows.size());
  if (rows > 0) glp_add_rows(lp, rows);
  glp_add_cols(lp, m.n);
  std::vector<int> ia{0}, ja{0};
  std::vector<double> ar{0.0};
  for (int i = 0; i < rows; ++i) {
    const LpFakeRow& r = m.rows[i];
    glp_set_row_bnds(lp, i + 1, bench_glpk::boundType(r.lower, r.upper), r.lower - r.constant, r.upper - r.constant);
    for (const auto& [j, a] : r.terms) {
      ia.push_back(i + 1);
      ja.push_back(j + 1);
      ar.push_back(a);
    }
  }
  for (int j = 0; j < m.n; ++j)
    glp_set_col_bnds(lp, j + 1, bench_glpk::boundType(m.lower[j], m.upper[j]), m.lower[j], m.upper[j]);
  for (const auto& [j, c] : m.objective.terms) glp_set_obj_coef(lp, j + 1, c);
  glp_set_obj_coef(lp, 0, m.objective.constant);
  glp_load_matrix(lp, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
  glp_scale_prob(lp, GLP_SF_AUTO);  // as glpsol prepares a model
  glp_adv_basis(lp, 0);
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  int status = 8;
  if (glp_simplex(lp, &parm) == 0) {
    const int s = glp_get_status(lp);
    status = s == GLP_OPT ? 0 : s == GLP_NOFEAS ? 5 : s == GLP_UNBND ? 4 : 8;
  }
  objective = glp_get_obj_val(lp);
  glp_delete_prob(lp);
  return status;
}

#else

constexpr bool Bench_haveGlpk = false;

inline int Bench_solveGlpk(const LpFakeModel&, double&) { return 8; }

#endif
