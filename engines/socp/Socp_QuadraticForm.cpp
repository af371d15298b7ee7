// The quadratic form: a model without cone constraints as the core's dual
// program, maximise t over y = (-x, t) subject to c - Aᵀy in K. Each column
// of A with cost γ stands for an affine function γ + a·x - a_t·t of the
// model variables and t: a bound or a side of a linear row is one linear
// column (an equality row two, widened by half of "solver_fea", which
// leaves the other half to the run's residual); a convex quadratic
// side u(x) >= xᵀQx becomes the cone ((u+1)/2, F x, (u-1)/2) with FᵀF = Q;
// the objective φ = k + g·x + xᵀQx (negated when maximising) enters as
// t <= -φ, linear or as such a cone. The bound columns stand first; a run
// with other bounds replaces them in place.
#include <algorithm>
#include <cmath>

#include "engines/socp/Socp_Adapter.h"
#include "contract/Eng_Engine.h"

namespace {

constexpr double kRootTolerance = 1e-8;  // FᵀF against Q, relative to Q's largest entry

// An affine function alpha + beta·x + tau·t as a column of the dual program.
struct Affine {
  double alpha = 0.0;
  std::vector<std::pair<int, double>> beta;  // non-zero coefficients
  double tau = 0.0;
};

struct DualBuilder {
  std::vector<Affine> linear;
  std::vector<double> widening;  // per linear column
  std::vector<std::vector<Affine>> blocks;
};

std::vector<std::pair<int, double>> nonZeros(const std::vector<double>& g, double scale) {
  std::vector<std::pair<int, double>> out;
  for (std::size_t j = 0; j < g.size(); ++j)
    if (g[j] != 0.0) out.push_back({static_cast<int>(j), scale * g[j]});
  return out;
}

Affine scaled(const Affine& a, double s, double shift) {
  Affine out{s * a.alpha + shift, a.beta, s * a.tau};
  for (auto& [j, v] : out.beta) v *= s;
  return out;
}

// The square root of q; none when there is no such root. A positive
// definite q (one that passes the Cholesky test) has one; a singular q
// has one when FᵀF reproduces it (a clipped negative eigenvalue means q is
// not positive semidefinite).
SpMat checkedRoot(const spmat& q) {
  SpMat f = SM_sqrtPsd(q);
  if (!f || SM_isCholeskyFactorable(q)) return f;
  SpMat ff = SM_multiply(*f, *f);
  double largest = 0.0, worst = 0.0;
  for (int i = 0; i < q.m; ++i)
    for (int j = 0; j < q.n; ++j) {
      double v = SM_getVal(q, i, j);
      largest = std::max(largest, std::fabs(v));
      worst = std::max(worst, std::fabs(SM_getVal(*ff, i, j) - v));
    }
  return worst <= kRootTolerance * largest ? std::move(f) : nullptr;
}

// u >= xᵀQx as a cone block; false when Q has no checked root.
bool addQuadraticCone(DualBuilder& db, const Affine& u, const spmat& q) {
  SpMat f = checkedRoot(q);
  if (!f) return false;
  std::vector<Affine> block{scaled(u, 0.5, 0.5)};
  SpMat members = SM_dropZeroColumns(*f);
  SpMat rows = SM_transpose(*members);
  for (int r = 0; r < rows->m; ++r) {
    Affine member;
    for (int t = 0; rows->rows[r] && t < rows->rows[r]->nnz; ++t)
      member.beta.push_back({rows->rows[r]->idx[t], rows->rows[r]->val[t]});
    block.push_back(member);
  }
  block.push_back(scaled(u, 0.5, -0.5));
  db.blocks.push_back(std::move(block));
  return true;
}

// The size a variable's values can take: its finite bounds, its start
// value and the right-hand sides of the rows on it alone, at least 1.
std::vector<double> variableSizes(const SocpAdapterRecord& rec) {
  std::vector<double> size(rec.n, 1.0);
  for (int j = 0; j < rec.n; ++j) {
    size[j] = std::max(size[j], std::fabs(rec.x[j]));
    if (rec.lower[j] > -kBoundInfinity) size[j] = std::max(size[j], std::fabs(rec.lower[j]));
    if (rec.upper[j] < kBoundInfinity) size[j] = std::max(size[j], std::fabs(rec.upper[j]));
  }
  for (int i = 0; i < rec.m; ++i) {
    const SocpRowModel& row = rec.model[i];
    if (row.q) continue;
    int only = -1, count = 0;
    for (int j = 0; j < rec.n; ++j)
      if (row.g[j] != 0.0) only = (++count == 1) ? j : only;
    if (count != 1) continue;
    for (double bound : {rec.rowLower[i], rec.rowUpper[i]})
      if (std::fabs(bound) < kBoundInfinity)
        size[only] = std::max(size[only], std::fabs((bound - row.k) / row.g[only]));
  }
  return size;
}

// The size of a quadratic row k + g·x + xᵀQx less `bound` over the
// variables' sizes: its largest term; 1 for a row without terms. A
// quadratic row's rotated cone ((u+1)/2, F x, (u-1)/2) holds heads of the
// row's value: far from 1, the cone and the gap between heads of that size
// lose every digit the tolerances ask for, so the row enters divided by
// its size.
double rowSize(const SocpRowModel& row, const std::vector<double>& size, double bound) {
  double largest = std::fabs(row.k - bound);
  for (std::size_t j = 0; j < size.size(); ++j) largest = std::max(largest, std::fabs(row.g[j]) * size[j]);
  for (int i = 0; row.q && i < row.q->m; ++i) {
    const spvec* r = row.q->rows[i].get();
    for (int t = 0; r && t < r->nnz; ++t) largest = std::max(largest, std::fabs(r->val[t]) * size[i] * size[r->idx[t]]);
  }
  return largest > 0.0 && std::isfinite(largest) ? largest : 1.0;
}

// The side "value - bound >= 0" (sign +1, a lower bound) or "bound - value
// >= 0" (sign -1, an upper bound) of one row, a quadratic one divided by
// its size; false for a non-convex one.
bool addSide(DualBuilder& db, const SocpRowModel& row, double bound, double sign, const std::vector<double>& size,
             double widening) {
  if (!row.q) {
    db.linear.push_back({sign * (row.k - bound), nonZeros(row.g, sign), 0.0});
    db.widening.push_back(widening);
    return true;
  }
  const double scaledSign = sign / rowSize(row, size, bound);
  Affine u{scaledSign * (row.k - bound), nonZeros(row.g, scaledSign), 0.0};
  SpMat q = SM_clone(*row.q);
  for (auto& r : q->rows)
    for (int t = 0; r && t < r->nnz; ++t) r->val[t] *= -scaledSign;
  return addQuadraticCone(db, u, *q);
}

// Whether any row or the objective has a term in variable j.
bool isRead(const SocpAdapterRecord& rec, int j) {
  for (const SocpRowModel& row : rec.model) {
    if (row.g[j] != 0.0) return true;
    for (int i = 0; row.q && i < row.q->m; ++i) {
      const spvec* r = row.q->rows[i].get();
      for (int t = 0; r && t < r->nnz; ++t)
        if (r->val[t] != 0.0 && (i == j || r->idx[t] == j)) return true;
    }
  }
  return false;
}

}  // namespace

int Socp_buildQuadraticForm(SocpAdapterRecord& rec, double fea) {
  int n = rec.n;
  DualBuilder db;
  const std::vector<double> size = variableSizes(rec);
  for (int i = 0; i < rec.m; ++i) {
    const SocpRowModel& row = rec.model[i];
    double lower = rec.rowLower[i], upper = rec.rowUpper[i];
    bool equality = lower > -kBoundInfinity && lower == upper;
    if (equality && row.q) return SocpStatusQuadraticRefused;
    if (equality) {
      lower -= fea / 2;
      upper += fea / 2;
    }
    const double widening = equality ? 0.0 : fea / 2;
    if (lower > -kBoundInfinity && !addSide(db, row, lower, 1.0, size, widening)) return SocpStatusQuadraticRefused;
    if (upper < kBoundInfinity && !addSide(db, row, upper, -1.0, size, widening)) return SocpStatusQuadraticRefused;
  }
  // Objective: t <= -φ/ω, φ = σ(k + g·x + xᵀQx) and ω the size of a
  // quadratic one (1 for a linear one).
  const SocpRowModel& objective = rec.model[rec.m];
  const double scale = objective.q ? rowSize(objective, size, 0.0) : 1.0;
  double sigma = (rec.maximise ? -1.0 : 1.0) / scale;
  Affine u{-sigma * objective.k, nonZeros(objective.g, -sigma), -1.0};
  if (!objective.q) {
    db.linear.push_back(u);
    db.widening.push_back(0.0);
  } else {
    SpMat q = SM_clone(*objective.q);
    for (auto& r : q->rows)
      for (int t = 0; r && t < r->nnz; ++t) r->val[t] *= sigma;
    if (!addQuadraticCone(db, u, *q)) return SocpStatusQuadraticRefused;
  }
  // Assembly: n + 1 rows (the variables, then t), linear columns first.
  SocpProgram& pr = rec.program;
  pr = SocpProgram();
  pr.dual = true;
  pr.objectiveScale = scale;
  pr.widening = db.widening;
  pr.unread.assign(n, 0);
  for (int j = 0; j < n; ++j) pr.unread[j] = !isRead(rec, j);
  std::vector<const Affine*> columns;
  for (const Affine& a : db.linear) columns.push_back(&a);
  pr.cones.assign(1, static_cast<int>(columns.size()));
  for (const auto& block : db.blocks) {
    for (const Affine& a : block) columns.push_back(&a);
    pr.cones.push_back(static_cast<int>(columns.size()));
  }
  pr.p = static_cast<int>(db.blocks.size());
  int total = static_cast<int>(columns.size());
  pr.a = SM_create(n + 1, total);
  pr.c.assign(total, 0.0);
  for (int col = 0; col < total; ++col) {
    const Affine& a = *columns[col];
    pr.c[col] = a.alpha;
    for (const auto& [j, v] : a.beta) SM_setVal(*pr.a, j, col, v);
    if (a.tau != 0.0) SM_setVal(*pr.a, n, col, -a.tau);
  }
  pr.b.assign(n + 1, 0.0);
  pr.b[n] = 1.0;
  ++rec.programBuilds;
  Socp_updateBoundColumns(rec);
  return 0;
}

void Socp_updateBoundColumns(SocpAdapterRecord& rec) {
  SocpProgram& pr = rec.program;
  spmat& a = *pr.a;
  for (int k = 0; k < pr.boundColumns; ++k) SM_deleteColumn(a, 0);
  pr.c.erase(pr.c.begin(), pr.c.begin() + pr.boundColumns);
  std::vector<Affine> bounds;
  for (int j = 0; j < rec.n; ++j) {
    if (pr.unread[j]) continue;
    if (rec.lower[j] > -kBoundInfinity) bounds.push_back({-rec.lower[j], {{j, 1.0}}, 0.0});
    if (rec.upper[j] < kBoundInfinity) bounds.push_back({rec.upper[j], {{j, -1.0}}, 0.0});
  }
  const int count = static_cast<int>(bounds.size());
  for (int k = 0; k < count; ++k) SM_insertColumn(a, 0);
  pr.c.insert(pr.c.begin(), static_cast<std::size_t>(count), 0.0);
  for (int& e : pr.cones) e += count - pr.boundColumns;
  for (int col = 0; col < count; ++col) {
    pr.c[col] = bounds[col].alpha;
    for (const auto& [j, v] : bounds[col].beta) SM_setVal(a, j, col, v);
  }
  pr.boundColumns = count;
}

void Socp_widenLinearSides(SocpAdapterRecord& rec, double fea, std::vector<double>& saved) {
  SocpProgram& pr = rec.program;
  saved = pr.c;
  for (int col = 0; col < pr.boundColumns; ++col) pr.c[col] += fea / 2;
  for (std::size_t k = 0; k < pr.widening.size(); ++k) pr.c[pr.boundColumns + k] += pr.widening[k];
}
