// The evolutionary engine's two analyses of the model: the classification of
// every variable by how the rows depend on it (from the interpreter's
// dependency enumeration, when the model was analysed), and the linear part
// of the model (linear rows and variables with their coefficients, captured
// from the host's Jacobian or by perturbing one variable at a time, and
// checked at random points) that the repair solves.
#include <algorithm>
#include <cmath>

#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Queries.h"
#include "engines/evolutionary/Evo_Engine.h"

namespace {

constexpr double kLinearTol = 1e-6;

void classCounts(EvoRecord& rec) {
  int a = Host_queryModel(rec.context, QuerySmoothCount);
  int b = Host_queryModel(rec.context, QueryLinearCount);
  if (a == 0) rec.problemKind = 5;
  else if (a > b) rec.problemKind = rec.n > a ? 4 : 2;
  else rec.problemKind = rec.n > b ? 3 : 1;
  rec.classCount[0] = rec.n - a;
  rec.classCount[1] = a - b;
  rec.classCount[2] = b;
}

std::vector<char*> charRows(EvoRecord& rec) {
  std::vector<char*> rows;
  for (auto& row : rec.depMatrix) rows.push_back(row.data());
  return rows;
}

// classOrder from the classes; false when a class disagrees with its count.
bool orderClasses(EvoRecord& rec) {
  rec.classOrder.clear();
  for (int cls = EvoClassNonSmooth; cls >= EvoClassNone; --cls) {
    int members = 0;
    for (int j = 0; j < rec.n; ++j)
      if (rec.varClass[j] == cls) rec.classOrder.push_back(j), ++members;
    if (cls >= EvoClassLinear && members != rec.classCount[EvoClassNonSmooth - cls]) return false;
  }
  return true;
}

int classOf(char c) { return c == 'L' ? 1 : c == 'S' ? 2 : c == 'N' ? 3 : 0; }

// Evaluates a full point into `rows`; the start point's rows are not kept.
bool evalPoint(EvoRecord& rec, const std::vector<double>& x, std::vector<double>& rows) {
  rows.assign(rec.m + 1, 0.0);
  return Evo_evaluate(rec, x.data(), rows.data());
}

// Coefficients by raising one variable at a time by 1, 10, 100, ... until
// some row moves by more than 0.01, through the one-variable evaluation
// (which fails when a stop is pending). Each variable stays at its last
// step and that evaluation is the base of the next, so that the columns of
// a linear model are exact. A fixed variable gets its column too: the rows'
// values at x = 0 and the linearity test's predictions count its term, and
// without its column every row it enters would read as nonlinear.
bool perturbationCapture(EvoRecord& rec) {
  std::vector<double> base, rows(rec.m + 1);
  if (!evalPoint(rec, rec.x, base)) return false;
  for (int j = 0; j < rec.n; ++j) {
    if (rec.varClass[j] == EvoClassNonSmooth) continue;
    double h = 1.0;
    for (;; h *= 10.0) {
      if (!Evo_evaluateOne(rec, j, rec.x[j] + h, rows.data())) return false;
      bool moved = false;
      for (int i = 0; i <= rec.m; ++i) {
        rec.linear.coef[i + 1][j + 1] = rows[i] - base[i];
        moved |= std::fabs(rows[i] - base[i]) > 0.01;
      }
      if (moved || h * 10.0 >= 1e6) break;
    }
    base = rows;
    if (h != 1.0)
      for (int i = 0; i <= rec.m; ++i) rec.linear.coef[i + 1][j + 1] /= h;
    rec.linear.captureStep[j] = h;
    if (Evo_setupProgress(rec)) return false;
  }
  return evalPoint(rec, rec.x0, rows);
}

bool captureCoefficients(EvoRecord& rec) {
  rec.linear.coef.assign(rec.m + 2, std::vector<double>(rec.n + 1, 0.0));
  rec.linear.captureStep.assign(rec.n, 1.0);
  std::vector<double*> table;
  for (auto& row : rec.linear.coef) table.push_back(row.data());
  std::vector<double> rows;
  evalPoint(rec, rec.x, rows);
  if (Host_evalJacobian(rec.context, nullptr, Evo_storeValue, table.data(), rec.x.data(), 0)) {
    evalPoint(rec, rec.x0, rows);
    return true;
  }
  return perturbationCapture(rec);
}

double testBound(double bound, double step) {
  if (bound <= -kBoundInfinity) return -1000.0 * step;
  if (bound >= kBoundInfinity) return 1000.0 * step;
  return bound;
}

double predicted(const EvoRecord& rec, int i, const std::vector<double>& point) {
  double value = rec.rowWork[i];
  for (int j = 0; j < rec.n; ++j) value += rec.linear.coef[i + 1][j + 1] * point[j];
  return value;
}

bool departs(double actual, double predicted) {
  return std::fabs(actual - predicted) / (std::fabs(actual) + 1.0) > kLinearTol;
}

// The unit points of the first round: each variable alone at its test step.
bool unitPoints(EvoRecord& rec, const std::vector<double>& steps) {
  std::vector<double> point(rec.n, 0.0), rows;
  for (int j = 0; j < rec.n; ++j) {
    point[j] = steps[j];
    if (!evalPoint(rec, point, rows)) return false;
    point[j] = 0.0;
    for (int i = 0; i <= rec.m; ++i) {
      char& c = rec.depMatrix[i][j];
      double expected = rec.linear.coef[i + 1][j + 1] * steps[j] + rec.rowWork[i];
      if ((c == 'L' || c == 'Z') && departs(rows[i], expected)) c = 'S';
    }
  }
  return true;
}

// Turns the captured coefficients into depMatrix: 'L' or 'Z' by the
// coefficient, 'S' where three random points or the unit points disagree
// with the linear prediction.
bool linearityTest(EvoRecord& rec) {
  rec.depMatrix.assign(rec.m + 1, std::vector<char>(rec.n, 'Z'));
  for (int i = 0; i <= rec.m; ++i)
    for (int j = 0; j < rec.n; ++j)
      if (rec.linear.coef[i + 1][j + 1] != 0.0) rec.depMatrix[i][j] = 'L';
  std::vector<double> steps(rec.n), point(rec.n), rows;
  for (int j = 0; j < rec.n; ++j)
    steps[j] = std::clamp(7.5 * rec.linear.captureStep[j], rec.lower[j],
                          std::max(rec.lower[j], rec.upper[j]));
  for (int round = 0; round < 3; ++round) {
    for (int j = 0; j < rec.n; ++j) {
      double lo = testBound(rec.lower[j], steps[j]), up = testBound(rec.upper[j], steps[j]);
      point[j] = lo + Rnd_uniform(rec.rng) * (up - lo);
    }
    if (!evalPoint(rec, point, rows)) return false;
    if (round == 0 && !unitPoints(rec, steps)) return false;
    for (int i = 0; i <= rec.m; ++i)
      if (departs(rows[i], predicted(rec, i, point)))
        std::fill(rec.depMatrix[i].begin(), rec.depMatrix[i].end(), 'S');
    if (Evo_setupProgress(rec)) return false;
  }
  return true;
}

bool rowIsLinear(const EvoRecord& rec, int i) {
  bool any = false;
  for (char c : rec.depMatrix[i]) {
    if (c != 'L' && c != 'Z') return false;
    any |= c == 'L';
  }
  return any;
}

void linearLists(EvoRecord& rec) {
  rec.linear.linearRowList.clear();
  rec.linear.linearVarList.clear();
  std::vector<char> linearVar(rec.n, 0);
  for (int j = 0; j < rec.n; ++j)
    linearVar[j] = rec.classified ? rec.varClass[j] == EvoClassLinear : 0;
  for (int i = 0; i < rec.m; ++i) {
    bool linear = false;
    for (int j = 0; j < rec.n; ++j) {
      bool l = rec.depMatrix[i][j] == 'L';
      if (rec.classified) linear |= l && linearVar[j];
      else if (l && rowIsLinear(rec, i)) linear = true, linearVar[j] = 1;
    }
    if (linear) rec.linear.linearRowList.push_back(i + 1);
  }
  for (int j = 0; j < rec.n; ++j)
    if (linearVar[j]) rec.linear.linearVarList.push_back(j + 1);
  rec.linear.linearRows = static_cast<int>(rec.linear.linearRowList.size());
  rec.linear.linearVars = static_cast<int>(rec.linear.linearVarList.size());
}

// The dense tableau of the linear part: row 0 the objective's coefficients,
// rows 1..linearRows the linear rows (column 0 the binding bound less the
// row's constant term), the rest work space.
void buildTableau(EvoRecord& rec) {
  int rows = rec.linear.linearRows + rec.linear.linearVars + 2,
      cols = 3 * rec.linear.linearVars + 1;
  rec.linear.tableau.assign(rows, std::vector<double>(cols, 0.0));
  rec.linear.relation.assign(rows, '<');
  for (int k = 0; k < rec.linear.linearVars; ++k)
    rec.linear.tableau[0][k + 1] = rec.linear.coef[rec.m + 1][rec.linear.linearVarList[k]];
  for (int r = 0; r < rec.linear.linearRows; ++r) {
    int i = rec.linear.linearRowList[r] - 1;
    double lo = rec.rowLower[i], up = rec.rowUpper[i];
    rec.linear.relation[r + 1] = lo == up ? '=' : up >= kBoundInfinity ? '>' : '<';
    rec.linear.tableau[r + 1][0] = (rec.linear.relation[r + 1] == '>' ? lo : up) - rec.rowWork[i];
    for (int k = 0; k < rec.linear.linearVars; ++k)
      rec.linear.tableau[r + 1][k + 1] = rec.linear.coef[i + 1][rec.linear.linearVarList[k]];
  }
  rec.linear.linearLower.resize(rec.linear.linearVars);
  rec.linear.linearUpper.resize(rec.linear.linearVars);
  rec.linear.linearSolution.assign(rec.linear.linearVars, 0.0);
  for (int k = 0; k < rec.linear.linearVars; ++k) {
    rec.linear.linearLower[k] = rec.lower[rec.linear.linearVarList[k] - 1];
    rec.linear.linearUpper[k] = rec.upper[rec.linear.linearVarList[k] - 1];
  }
  rec.linear.lpReuse = 1;
}

}  // namespace

int Evo_classify(EvoRecord& rec) {
  rec.varClass.assign(rec.n, EvoClassNone);
  rec.classOrder.clear();
  rec.classPick[0] = rec.classPick[1] = 0.0;
  rec.classified = false;
  int item23 = Host_getEngineInfoItem(rec.context, EngineEvolutionary, EngineInfoRequestDiagnosis);
  int structure = Host_queryModel(rec.context, QueryStructureLast);
  if (structure == 0 || structure == 6) {
    rec.problemKind = 5;
    rec.classCount[0] = rec.n;
    rec.classCount[1] = rec.classCount[2] = 0;
    return 0;
  }
  classCounts(rec);
  rec.depMatrix.assign(rec.m + 1, std::vector<char>(rec.n, 'Z'));
  std::vector<char*> table = charRows(rec);
  if (!Host_enumDependencies(rec.context, nullptr, Evo_storeDepClass, table.data(), 256))
    return StatusInfeasible;
  rec.classified = true;
  for (const auto& row : rec.depMatrix)
    for (int j = 0; j < rec.n; ++j) rec.varClass[j] = std::max(rec.varClass[j], classOf(row[j]));
  if (rec.classCount[0] > 0 && item23)
    Host_evalJacobian(rec.context, nullptr, nullptr, nullptr, rec.x.data(), 64);
  if (!orderClasses(rec)) return StatusHostFailure;
  double w = 2.0 * rec.classCount[0] + 1.5 * rec.classCount[1] + rec.classCount[2];
  if (w > 0) {
    rec.classPick[0] = 2.0 * rec.classCount[0] / w;
    rec.classPick[1] = rec.classPick[0] + 1.5 * rec.classCount[1] / w;
  }
  return 0;
}

int Evo_linearAnalysis(EvoRecord& rec) {
  rec.linear.linearRows = rec.linear.linearVars = 0;
  if (rec.m <= 0 || (rec.classified && rec.classCount[2] == 0)) return 0;
  std::vector<double> zero(rec.n, 0.0);
  if (!evalPoint(rec, zero, rec.rowWork)) return 0;
  // A failed capture or test leaves the model without a linear part; a
  // stop (the user's or a limit's) ends the run.
  if (!captureCoefficients(rec) || (!rec.classified && !linearityTest(rec))) return Evo_runStop(rec);
  linearLists(rec);
  if (rec.linear.linearRows > 0 && rec.linear.linearVars > 0) buildTableau(rec);
  return 0;
}
