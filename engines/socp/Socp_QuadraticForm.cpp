// The quadratic form: a model without cone constraints as the core's dual
// program, maximise t over y = (-x, t) subject to c - Aᵀy in K. Each column
// of A with cost γ stands for an affine function γ + a·x - a_t·t of the
// model variables and t: a bound or a side of a linear row is one linear
// column (an equality row two, widened by half of "solver_fea", which
// leaves the other half to the run's residual); a convex quadratic
// side u(x) >= xᵀQx becomes the cone ((u+1)/2, F x, (u-1)/2) with FᵀF = Q;
// the objective φ = k + g·x + xᵀQx (negated when maximising) enters as
// t <= -φ, linear or as such a cone. The program's variables are the
// model's shifted and scaled to about unit size, and each row and the
// objective enter divided by their size, so that models that differ only
// in scale or shift give the same program. The bound columns stand first;
// a run with other bounds replaces them in place.
#include <algorithm>
#include <cmath>

#include "base/Chk_Assert.h"
#include "contract/Eng_Engine.h"
#include "engines/socp/Socp_Adapter.h"

namespace {

constexpr double kRootTolerance = 1e-8;  // FᵀF against Q, relative to Q's largest entry
// The largest factor by which a linear objective's gap is held tighter
// than the run's gap tolerance: past it the tolerance is relative.
constexpr double kGapScaleLimit = 1e6;

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
  double residualScale = 1.0;  // the rows' smallest (1 + |bound|) / divisor
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

// The square root of q, its zero columns dropped; none when q has no such
// root. The root is checked by FᵀF against q in every case: the Cholesky
// test measures its pivots by their size, so a q whose last pivot is
// negative (-1 alone, or [1 2; 2 1]) passes it, and its root, with the
// negative eigenvalue clipped to zero, is not one.
SpMat checkedRoot(const spmat& q) {
  SpMat f = SM_sqrtPsd(q);
  if (!f) return nullptr;
  SpMat ff = SM_multiply(*f, *f);
  double largest = 0.0, worst = 0.0;
  for (int i = 0; i < q.m; ++i)
    for (int j = 0; j < q.n; ++j) {
      double v = SM_getVal(q, i, j);
      largest = std::max(largest, std::fabs(v));
      worst = std::max(worst, std::fabs(SM_getVal(*ff, i, j) - v));
    }
  return worst <= kRootTolerance * largest ? SM_dropZeroColumns(*f) : nullptr;
}

// u >= xᵀQx as a cone block; false when Q has no checked root.
bool addQuadraticCone(DualBuilder& db, const Affine& u, const spmat& q) {
  SpMat f = checkedRoot(q);
  if (!f) return false;
  std::vector<Affine> block{scaled(u, 0.5, 0.5)};
  SpMat rows = SM_transpose(*f);
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

// The size of the values of variable j that a quadratic row with a square
// term q·x_j² speaks of, whichever way its side points: the centre of its
// term in x_j, g_j/(2q), and the reach sqrt(|side - k|/q) of the square
// alone. A ball (x - 40000)² <= 2.5E+07 around a point far from 0 puts
// the variable near 40000 whatever its bounds and start say; run at the
// scale of those, the iterates would have to travel tens of thousands of
// units through a program laid out at unit size.
double quadraticSize(const SocpRowModel& row, int j, double side) {
  const double q = std::fabs(SM_getVal(*row.q, j, j));
  if (q == 0.0 || !std::isfinite(q)) return 0.0;
  return std::max(std::fabs(row.g[j]) / (2.0 * q), std::sqrt(std::fabs(side - row.k) / q));
}

// The centre g_j/(2q) of a quadratic objective's square term q·x_j² in
// variable j, where the objective draws the variable: 2.5E+07 for
// 2E-11·(x - 2.5E+07)², whatever its bounds and start say.
double objectiveCentre(const SocpRowModel& objective, int j) {
  const double q = std::fabs(SM_getVal(*objective.q, j, j));
  return q > 0.0 && std::isfinite(q) ? std::fabs(objective.g[j]) / (2.0 * q) : 0.0;
}

// A variable's size gives way to its objective centre where the centre
// lies this many times further out: nearer, the run's steps cover it.
constexpr double kFarCentre = 100.0;

// The size a variable's values can take: its finite bounds, its start
// value, the right-hand sides of the rows on it alone, the quadratic
// rows' squares in it and a far centre of the objective's, at least 1.
std::vector<double> variableSizes(const SocpAdapterRecord& rec) {
  std::vector<double> size(rec.n, 1.0);
  for (int j = 0; j < rec.n; ++j) {
    size[j] = std::max(size[j], std::fabs(rec.x[j]));
    if (rec.lower[j] > -kBoundInfinity) size[j] = std::max(size[j], std::fabs(rec.lower[j]));
    if (rec.upper[j] < kBoundInfinity) size[j] = std::max(size[j], std::fabs(rec.upper[j]));
  }
  for (int i = 0; i < rec.m; ++i) {
    const SocpRowModel& row = rec.model[i];
    if (row.q) {
      for (double side : {rec.rowLower[i], rec.rowUpper[i]})
        for (int j = 0; j < rec.n && std::fabs(side) < kBoundInfinity; ++j)
          size[j] = std::max(size[j], quadraticSize(row, j, side));
      continue;
    }
    int only = -1, count = 0;
    for (int j = 0; j < rec.n; ++j)
      if (row.g[j] != 0.0) only = (++count == 1) ? j : only;
    if (count != 1) continue;
    for (double bound : {rec.rowLower[i], rec.rowUpper[i]})
      if (std::fabs(bound) < kBoundInfinity)
        size[only] = std::max(size[only], std::fabs((bound - row.k) / row.g[only]));
  }
  const SocpRowModel& objective = rec.model[rec.m];
  for (int j = 0; j < rec.n && objective.q; ++j)
    if (objectiveCentre(objective, j) > kFarCentre * size[j]) size[j] = objectiveCentre(objective, j);
  return size;
}

// The size of a quadratic row k + g·x + xᵀQx less `bound` over the
// variables' sizes: its largest term; 1 for a row without terms. A
// quadratic row's rotated cone ((u+1)/2, F x, (u-1)/2) holds heads of the
// row's value: far from 1, the cone and the gap between heads of that size
// lose every digit the tolerances ask for, so the row enters divided by
// its size (a linear row too, whose columns then stand at unit scale).
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
// >= 0" (sign -1, an upper bound) of one row divided by its size, with how
// far a widened run moves it out (in the model's units); false for a
// non-convex one.
bool addSide(DualBuilder& db, const SocpRowModel& row, double bound, double sign, const std::vector<double>& size,
             double widening) {
  const double divisor = rowSize(row, size, bound);
  const double scaledSign = sign / divisor;
  db.residualScale = std::min(db.residualScale, (1.0 + std::fabs(bound)) / divisor);
  Affine u{scaledSign * (row.k - bound), nonZeros(row.g, scaledSign), 0.0};
  if (!row.q) {
    db.linear.push_back(u);
    db.widening.push_back(widening / divisor);
    return true;
  }
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

// The offset and scale of each variable in the program: one with both
// bounds about the middle of its box by half its width (a fixed one by the
// size of its values), one with a single bound about that bound and a free
// one about 0, these two by the size of its values (at least 1).
void chooseScaling(const SocpAdapterRecord& rec, SocpProgram& pr) {
  pr.variableOffset.assign(rec.n, 0.0);
  pr.variableScale = variableSizes(rec);
  for (int j = 0; j < rec.n; ++j) {
    const bool lower = rec.lower[j] > -kBoundInfinity, upper = rec.upper[j] < kBoundInfinity;
    if (lower && upper) {
      pr.variableOffset[j] = 0.5 * (rec.lower[j] + rec.upper[j]);
      const double half = 0.5 * (rec.upper[j] - rec.lower[j]);
      if (half > 0.0) pr.variableScale[j] = half;
    } else if (lower || upper) {
      pr.variableOffset[j] = lower ? rec.lower[j] : rec.upper[j];
    }
  }
}

// The row in the program's variables z, x = o + D·z: constant k + g·o +
// oᵀQo, gradient D(g + 2Q·o) and quadratic matrix D·Q·D.
SocpRowModel shifted(const SocpRowModel& row, const SocpProgram& pr) {
  const std::vector<double>& o = pr.variableOffset;
  const std::vector<double>& d = pr.variableScale;
  SocpRowModel out{row.k, row.g, nullptr};
  for (std::size_t j = 0; j < o.size(); ++j) out.k += row.g[j] * o[j];
  if (row.q) {
    out.q = SM_clone(*row.q);
    for (int i = 0; i < out.q->m; ++i) {
      spvec* r = out.q->rows[i].get();
      for (int t = 0; r && t < r->nnz; ++t) {
        const int j = r->idx[t];
        out.k += o[i] * r->val[t] * o[j];
        out.g[i] += 2.0 * r->val[t] * o[j];
        r->val[t] *= d[i] * d[j];
      }
    }
  }
  for (std::size_t j = 0; j < d.size(); ++j) out.g[j] *= d[j];
  return out;
}

// The size of row i's terms in variable j over the variables' scales: its
// linear coefficient and the slope its quadratic terms can add.
double termSize(const SocpRowModel& row, const std::vector<double>& scale, int j) {
  double size = std::fabs(row.g[j]);
  const spvec* r = row.q ? row.q->rows[j].get() : nullptr;
  for (int t = 0; r && t < r->nnz; ++t) size += 2.0 * std::fabs(r->val[t]) * scale[r->idx[t]];
  return size;
}

// How far each variable's bounds may be widened: half of `fea`, held so
// that widening every variable a row reads moves the row by at most half
// of its tolerance, `fea` times 1 + |side|. A point found within the
// widened bounds and put back on them then still holds its rows: else a
// fixed variable read with a coefficient of 3E+06 would meet an equality
// 3 away through a widening of 1E-06.
std::vector<double> boundWidenings(const SocpAdapterRecord& rec, const std::vector<double>& scale, double fea) {
  std::vector<double> widening(rec.n, fea / 2);
  for (int i = 0; i < rec.m; ++i) {
    const SocpRowModel& row = rec.model[i];
    double side = kBoundInfinity;
    for (double bound : {rec.rowLower[i], rec.rowUpper[i]})
      if (std::fabs(bound) < kBoundInfinity) side = std::min(side, 1.0 + std::fabs(bound));
    if (side >= kBoundInfinity) continue;
    std::vector<double> size(rec.n);
    int terms = 0;
    for (int j = 0; j < rec.n; ++j) terms += (size[j] = termSize(row, scale, j)) > 0.0;
    for (int j = 0; j < rec.n; ++j)
      if (size[j] > 0.0) widening[j] = std::min(widening[j], fea / 2 * side / (size[j] * terms));
  }
  return widening;
}

// A bound of variable j in the program's variables, a fixed variable's
// widened outwards (sign -1 for the lower bound, +1 for the upper).
double programBound(const SocpProgram& pr, int j, double bound, bool fixed, double sign) {
  const double widening = fixed ? sign * pr.boundWidening[j] : 0.0;
  return (bound + widening - pr.variableOffset[j]) / pr.variableScale[j];
}

// The smallest (1 + |bound|) / scale over the variables' finite bounds.
double boundResidualScale(const SocpAdapterRecord& rec) {
  double least = 1.0;
  for (int j = 0; j < rec.n; ++j)
    for (double bound : {rec.lower[j], rec.upper[j]})
      if (std::fabs(bound) < kBoundInfinity)
        least = std::min(least, (1.0 + std::fabs(bound)) / rec.program.variableScale[j]);
  return least;
}

// The program with the record's offsets and scales of the variables and
// the objective divided by `objectiveSize` (0: by its size over the
// variables' scales); 0 or 1102.
int layOut(SocpAdapterRecord& rec, double fea, double objectiveSize) {
  int n = rec.n;
  DualBuilder db;
  SocpProgram& pr = rec.program;
  pr.boundWidening = boundWidenings(rec, pr.variableScale, fea);
  const std::vector<double> size(n, 1.0);  // of the program's variables
  for (int i = 0; i < rec.m; ++i) {
    const SocpRowModel row = shifted(rec.model[i], pr);
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
  // Objective: t <= -φ/ω, φ = σ(k + g·x + xᵀQx) and ω its size.
  const SocpRowModel objective = shifted(rec.model[rec.m], pr);
  const double scale = objectiveSize > 0.0 ? objectiveSize : rowSize(objective, size, 0.0);
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
  pr.dual = true;
  pr.objectiveScale = scale;
  pr.widening = db.widening;
  pr.unread.assign(n, 0);
  for (int j = 0; j < n; ++j) pr.unread[j] = !isRead(rec, j);
  pr.rowResidualScale = db.residualScale;
  pr.gapScale = objective.q ? 1.0 : std::clamp(scale, 1.0, kGapScaleLimit);
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

}  // namespace

int Socp_buildQuadraticForm(SocpAdapterRecord& rec, double fea) {
  SocpProgram& pr = rec.program;
  pr = SocpProgram();
  chooseScaling(rec, pr);
  return layOut(rec, fea, 0.0);
}

int Socp_recentreQuadraticForm(SocpAdapterRecord& rec, double fea, const double* x, double objectiveSize) {
  CORVAN_ASSERT(rec.program.dual && objectiveSize > 0.0);
  std::vector<double> scale = std::move(rec.program.variableScale);
  rec.program = SocpProgram();
  rec.program.variableOffset.assign(x, x + rec.n);
  rec.program.variableScale = std::move(scale);
  return layOut(rec, fea, objectiveSize);
}

double Socp_objectiveSizeAt(const SocpAdapterRecord& rec, const double* x) {
  std::vector<double> size(rec.n);
  for (int j = 0; j < rec.n; ++j) size[j] = std::fabs(x[j]);
  return std::max(1.0, rowSize(rec.model[rec.m], size, 0.0));
}

void Socp_updateBoundColumns(SocpAdapterRecord& rec) {
  SocpProgram& pr = rec.program;
  spmat& a = *pr.a;
  for (int k = 0; k < pr.boundColumns; ++k) SM_deleteColumn(a, 0);
  pr.c.erase(pr.c.begin(), pr.c.begin() + pr.boundColumns);
  std::vector<Affine> bounds;
  pr.residualScale = std::min(pr.rowResidualScale, boundResidualScale(rec));
  for (int j = 0; j < rec.n; ++j) {
    if (pr.unread[j]) continue;
    const bool fixed = rec.lower[j] == rec.upper[j];
    if (rec.lower[j] > -kBoundInfinity)
      bounds.push_back({-programBound(pr, j, rec.lower[j], fixed, -1.0), {{j, 1.0}}, 0.0});
    if (rec.upper[j] < kBoundInfinity)
      bounds.push_back({programBound(pr, j, rec.upper[j], fixed, 1.0), {{j, -1.0}}, 0.0});
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

void Socp_widenLinearSides(SocpAdapterRecord& rec, std::vector<double>& saved) {
  SocpProgram& pr = rec.program;
  saved = pr.c;
  int col = 0;  // the bound columns as Socp_updateBoundColumns laid them out
  for (int j = 0; j < rec.n; ++j) {
    if (pr.unread[j]) continue;
    for (double bound : {rec.lower[j], rec.upper[j]})
      if (std::fabs(bound) < kBoundInfinity) pr.c[col++] += pr.boundWidening[j] / pr.variableScale[j];
  }
  CORVAN_ASSERT(col == pr.boundColumns);
  for (std::size_t k = 0; k < pr.widening.size(); ++k) pr.c[pr.boundColumns + k] += pr.widening[k];
}
