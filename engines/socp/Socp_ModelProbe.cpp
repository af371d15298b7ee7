// Reading the model's rows by evaluation: every row as k + g·x + xᵀQx from
// the values at 0 and at ±1 along each variable (and at pairs of variables
// for the rows whose cross terms matter), then checked at two further
// points. A row that the check does not confirm is not quadratic. This is
// exact for linear and quadratic rows and serves whether the host evaluates
// through the workbook or through its interpreter.
#include <cmath>
#include <cstring>

#include "engines/socp/Socp_Adapter.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"

namespace {

constexpr double kNoise = 1e-12;  // relative size of rounding in a difference
constexpr double kCheckTolerance = 1e-9;

struct Probe {
  SocpAdapterRecord& rec;
  std::vector<double> point, base;
  bool eval() { return Socp_evalAt(rec, point.data()); }
  int rows() const { return rec.m + 1; }
};

double checkValue(std::size_t j, int which) {
  double phi = which == 0 ? 0.6180339887 : 0.4142135624;
  double frac = std::fmod((j + 1) * phi + 0.1 * which, 1.0);
  return which == 0 ? 0.3 + 0.9 * frac : -1.2 + 2.1 * frac;
}

// Rows whose prediction misses the value at check point `which`; -1 when
// the evaluation failed.
int checkRows(Probe& pr, int which, std::vector<char>& missed) {
  for (std::size_t j = 0; j < pr.point.size(); ++j) pr.point[j] = checkValue(j, which);
  if (!pr.eval()) return -1;
  int count = 0;
  for (int i = 0; i < pr.rows(); ++i) {
    double scale;
    double predicted = Socp_rowValue(pr.rec.model[i], pr.point.data(), &scale);
    double actual = pr.rec.f[i];
    missed[i] = !(std::fabs(predicted - actual) <= kCheckTolerance * (scale + std::fabs(actual)));
    count += missed[i];
  }
  return count;
}

// Constant, linear and diagonal terms from 0 and ±1 along each variable.
int probeDiagonal(Probe& pr) {
  SocpAdapterRecord& rec = pr.rec;
  int n = rec.n;
  std::fill(pr.point.begin(), pr.point.end(), 0.0);
  if (!pr.eval()) return StatusEvalError;
  pr.base = rec.f;
  for (int i = 0; i < pr.rows(); ++i) {
    rec.model[i].k = pr.base[i];
    rec.model[i].g.assign(n, 0.0);
  }
  std::vector<double> plus;
  for (int j = 0; j < n; ++j) {
    pr.point[j] = 1.0;
    if (!pr.eval()) return StatusEvalError;
    plus = rec.f;
    pr.point[j] = -1.0;
    if (!pr.eval()) return StatusEvalError;
    pr.point[j] = 0.0;
    for (int i = 0; i < pr.rows(); ++i) {
      double fp = plus[i], fm = rec.f[i], f0 = pr.base[i];
      double noise = kNoise * (std::fabs(fp) + std::fabs(fm) + std::fabs(f0));
      double slope = (fp - fm) / 2, curve = (fp + fm) / 2 - f0;
      if (std::fabs(slope) > noise) rec.model[i].g[j] = slope;
      if (std::fabs(curve) > noise) Socp_storeQuadratic(rec.model[i], n, j, j, curve);
    }
    if (Socp_setupStopped(rec, j + 1)) return StatusUserStop;
  }
  return 0;
}

// Cross terms of the rows marked in `rows` from the values at pairs of
// variables set to 1.
int probeCrossTerms(Probe& pr, const std::vector<char>& rows) {
  SocpAdapterRecord& rec = pr.rec;
  int n = rec.n;
  std::vector<std::vector<double>> single(n);
  std::fill(pr.point.begin(), pr.point.end(), 0.0);
  for (int j = 0; j < n; ++j) {
    pr.point[j] = 1.0;
    if (!pr.eval()) return StatusEvalError;
    single[j] = rec.f;
    pr.point[j] = 0.0;
  }
  for (int j = 0; j < n; ++j) {
    pr.point[j] = 1.0;
    for (int l = j + 1; l < n; ++l) {
      pr.point[l] = 1.0;
      if (!pr.eval()) return StatusEvalError;
      pr.point[l] = 0.0;
      for (int i = 0; i < pr.rows(); ++i) {
        if (!rows[i]) continue;
        double f0 = pr.base[i], fj = single[j][i], fl = single[l][i], fjl = rec.f[i];
        double noise = kNoise * (std::fabs(f0) + std::fabs(fj) + std::fabs(fl) + std::fabs(fjl));
        double cross = (fjl - fj - fl + f0) / 2;
        if (std::fabs(cross) > noise) Socp_storeQuadratic(rec.model[i], n, j, l, cross);
      }
    }
    pr.point[j] = 0.0;
    if (Socp_setupStopped(rec, n + j + 1)) return StatusUserStop;
  }
  return 0;
}

}  // namespace

double Socp_rowValue(const SocpRowModel& row, const double* v, double* scale) {
  double sum = row.k, size = std::fabs(row.k);
  for (std::size_t j = 0; j < row.g.size(); ++j) {
    sum += row.g[j] * v[j];
    size += std::fabs(row.g[j] * v[j]);
  }
  for (int i = 0; row.q && i < row.q->m; ++i) {
    const spvec* r = row.q->rows[i].get();
    for (int t = 0; r && t < r->nnz; ++t) {
      double term = r->val[t] * v[i] * v[r->idx[t]];
      sum += term;
      size += std::fabs(term);
    }
  }
  *scale = size;
  return sum;
}

void Socp_storeQuadratic(SocpRowModel& row, int n, int i, int j, double v) {
  if (!row.q) row.q = SM_create(n, n);
  SM_setVal(*row.q, i, j, v);
  if (i != j) SM_setVal(*row.q, j, i, v);
}

bool Socp_setupStopped(SocpAdapterRecord& rec, int done) {
  return Host_progressCallback(rec.context, ProgressSetup2, done, 0, 0) == StopBreak;
}

bool Socp_evalAt(SocpAdapterRecord& rec, const double* x) {
  if (!Host_evalProblem(rec.context, rec.f.data(), x)) return false;
  if (!rec.objectiveRow) rec.f[rec.m] = 0.0;
  return true;
}

int Socp_probeModel(SocpAdapterRecord& rec) {
  Probe pr{rec, std::vector<double>(rec.n, 0.0), {}};
  rec.model.clear();
  rec.model.resize(rec.m + 1);
  if (int status = probeDiagonal(pr)) return status;
  std::vector<char> missed(pr.rows(), 0);
  int count = checkRows(pr, 0, missed);
  if (count > 0) {
    if (int status = probeCrossTerms(pr, missed)) return status;
    count = checkRows(pr, 0, missed);
  }
  if (count == 0) count = checkRows(pr, 1, missed);
  if (count < 0) return StatusEvalError;
  return count > 0 ? StatusNotLinear : 0;
}
