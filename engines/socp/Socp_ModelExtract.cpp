// Reading an analysed model's rows through the interpreter's services: the
// dependency walk tells linear rows from quadratic ones and refuses any
// other dependency, one evaluation at 0 gives every row's constant, the
// coefficient extraction gives the linear terms of a model with cones, and
// for a model without cones the Jacobian at 0 gives the linear terms and
// each quadratic row's halved Hessian its quadratic terms. Every row ends as
// k + g·x + xᵀQx, as the evaluation probe leaves it.
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Extract.h"
#include "engines/socp/Socp_Adapter.h"

namespace {

constexpr int kWalkFlags = kDepIncludeObjective | kDepQuadraticApart;
constexpr int kLinearDependency = 1;
constexpr int kQuadraticDependency = 2;
constexpr int kHessianFlags = kHessHalve | kHessUpper;  // Q itself, each pair once

struct Extraction {
  SocpAdapterRecord& rec;
  int objective;                // the objective's function in the interpreter's table, or -1
  std::vector<char> quadratic;  // per row, the objective last
  bool linearOrQuadratic = true;
  int row = 0;              // the row whose Hessian is being read
  bool byFunction = false;  // the extraction hands the interpreter's Jacobian on
  // The row of the interpreter's function i: the rows keep the table's
  // order, the objective goes last; -1 for a function beyond the rows.
  int rowOf(int i) const {
    if (i == objective) return rec.m;
    int row = objective >= 0 && i > objective ? i - 1 : i;
    return i >= 0 && row < rec.m ? row : -1;
  }
  int functionOf(int row) const {
    if (row == rec.m && objective >= 0) return objective;
    return objective >= 0 && row >= objective ? row + 1 : row;
  }
  bool isVariable(int j) const { return j >= 0 && j < rec.n; }
};

Extraction& extractionOf(void* user) { return *static_cast<Extraction*>(user); }

int walkDependency(LibraryContext*, void* user, int i, int, int flag, void*) {
  Extraction& ex = extractionOf(user);
  int row = ex.rowOf(i);
  if (row < 0 || flag == kLinearDependency) return 1;
  if (flag == kQuadraticDependency) {
    ex.quadratic[row] = 1;
    return 1;
  }
  ex.linearOrQuadratic = false;
  return 0;
}

// Linear terms of row i from the Jacobian (i a function of the
// interpreter's table). Always goes on: the Jacobian reads an answer of 0
// as a derivative that differs from the workbook's.
int storeGradient(LibraryContext*, void* user, int i, int j, double value, void*) {
  Extraction& ex = extractionOf(user);
  int row = ex.rowOf(i);
  if (row >= 0 && ex.isVariable(j)) ex.rec.model[row].g[j] = value;
  return 1;
}

// Linear terms of row i (the host's rows, the objective last) from the
// coefficient extraction; row and column -1 announce that the interpreter
// takes over from the worksheet, whose terms are dropped, and hands its
// Jacobian on.
int storeCoefficient(LibraryContext* context, void* user, int i, int j, double value, void* extra) {
  Extraction& ex = extractionOf(user);
  if (i == -1 && j == -1) {
    for (SocpRowModel& row : ex.rec.model) row.g.assign(ex.rec.n, 0.0);
    ex.byFunction = true;
  } else if (ex.byFunction) {
    return storeGradient(context, user, i, j, value, extra);
  } else if (i >= 0 && i <= ex.rec.m && ex.isVariable(j)) {
    ex.rec.model[i].g[j] = value;
  }
  return 1;
}

int storeHessian(LibraryContext*, void* user, int j, int k, double value, void*) {
  Extraction& ex = extractionOf(user);
  if (value != 0.0 && ex.isVariable(j) && ex.isVariable(k))
    Socp_storeQuadratic(ex.rec.model[ex.row], ex.rec.n, j, k, value);
  return 1;
}

bool anyQuadratic(const Extraction& ex) {
  for (char q : ex.quadratic)
    if (q) return true;
  return false;
}

// Linear terms of every row and quadratic terms of the marked rows.
int readTerms(Extraction& ex, const std::vector<double>& zero, bool cones) {
  SocpAdapterRecord& rec = ex.rec;
  if (cones) {
    if (anyQuadratic(ex)) return StatusNotLinear;
    return Host_extractLinearTerms(rec.context, &ex, storeCoefficient, nullptr) == 1 ? 0 : StatusNoCoefficients;
  }
  if (Host_evalJacobian(rec.context, &ex, storeGradient, nullptr, zero.data(), kJacIncludeObjective) != 1)
    return StatusNoCoefficients;
  if (Socp_setupStopped(rec, rec.n)) return StatusUserStop;
  for (ex.row = 0; ex.row <= rec.m; ++ex.row) {
    if (!ex.quadratic[ex.row]) continue;
    if (Host_evalHessian(rec.context, &ex, storeHessian, nullptr, zero.data(), ex.functionOf(ex.row), kHessianFlags) !=
        1)
      return StatusNoCoefficients;
    if (Socp_setupStopped(rec, rec.n * (ex.row + 1))) return StatusUserStop;
  }
  return 0;
}

}  // namespace

int Socp_extractModel(SocpAdapterRecord& rec, bool cones) {
  if (!Host_interpreterModel(rec.context)) return StatusNoCoefficients;
  Extraction ex{rec, Host_objectiveFunction(rec.context), std::vector<char>(rec.m + 1, 0)};
  if (Host_enumDependencies(rec.context, &ex, walkDependency, nullptr, kWalkFlags) != 1)
    return ex.linearOrQuadratic ? StatusNoCoefficients : StatusNotLinear;
  std::vector<double> zero(rec.n, 0.0);
  if (!Socp_evalAt(rec, zero.data())) return StatusEvalError;
  rec.model.clear();
  rec.model.resize(rec.m + 1);
  for (int i = 0; i <= rec.m; ++i) {
    rec.model[i].k = rec.f[i];
    rec.model[i].g.assign(rec.n, 0.0);
  }
  return readTerms(ex, zero, cones);
}
