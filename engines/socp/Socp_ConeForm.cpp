// The cone form: a model with cone constraints as the core's primal
// program. Columns from left to right: the linear part (row slacks, bound
// slacks, model variables outside the cone blocks, the first two members of
// each rotated cone), then one block per cone: a cone "t >= ||x||" holds its
// members in order; a rotated cone "2ab >= ||x||²" with a, b >= 0 becomes
// the block (u, v, x...) of two new variables tied to a and b by the rows
// √2·a = u + v and √2·b = u - v, so that u >= ||(v, x...)||.
//
// A linear model variable with a finite lower bound l stands as l + X with
// X >= 0; one without becomes the difference of two columns. Bounds that
// remain (upper bounds, bounds of cone members) and both sides of every
// row become rows with slack columns.
#include <cmath>

#include "engines/socp/Socp_Adapter.h"
#include "contract/Eng_Engine.h"

namespace {

constexpr double kSqrt2 = 1.414213562373095;

struct Column {
  bool block;
  int index;  // within the linear part or within the blocks
};

struct ConeBuilder {
  std::vector<double> linearCost, blockCost;
  std::vector<int> blockSizes;
  std::vector<double> b;
  struct Entry {
    int row;
    Column col;
    double value;
  };
  std::vector<Entry> entries;

  Column linear(double cost = 0.0) {
    linearCost.push_back(cost);
    return {false, static_cast<int>(linearCost.size()) - 1};
  }
  Column blockMember() {
    blockCost.push_back(0.0);
    ++blockSizes.back();
    return {true, static_cast<int>(blockCost.size()) - 1};
  }
  int row(double rhs) {
    b.push_back(rhs);
    return static_cast<int>(b.size()) - 1;
  }
  void add(int r, Column c, double v) { entries.push_back({r, c, v}); }
};

bool finiteLower(double l) { return l > -kBoundInfinity; }
bool finiteUpper(double u) { return u < kBoundInfinity; }

// The variable's terms added to row r with factor `scale`; returns
// scale times its offset.
double addVariable(ConeBuilder& cb, const SocpProgram& pr, const std::vector<Column>& cols, int r,
                   int j, double scale) {
  for (const auto& [k, w] : pr.terms[j]) cb.add(r, cols[k], scale * w);
  return scale * pr.offset[j];
}

// lower <= Σ coef_j x_j + k <= upper as one equality row or one row per
// finite side with a slack.
void addRange(ConeBuilder& cb, const SocpProgram& pr, const std::vector<Column>& cols,
              const std::vector<std::pair<int, double>>& coefs, double k, double lower,
              double upper) {
  auto side = [&](double bound, double slack) {
    int r = cb.row(0.0);
    double constant = k;
    for (const auto& [j, v] : coefs) constant += addVariable(cb, pr, cols, r, j, v);
    cb.b[r] = bound - constant;
    if (slack != 0.0) cb.add(r, cb.linear(), slack);
  };
  if (finiteLower(lower) && lower == upper) return side(upper, 0.0);
  if (finiteLower(lower)) side(lower, -1.0);
  if (finiteUpper(upper)) side(upper, 1.0);
}

// Where each model variable stands: 0 linear, 1 cone block member,
// 2 first or second member of a rotated cone. False when a member is not a
// model variable or is named by two cones.
bool placeVariables(const SocpAdapterRecord& rec, std::vector<int>& place) {
  place.assign(rec.n, 0);
  for (std::size_t k = 0; k < rec.coneKinds.size(); ++k)
    for (int t = rec.coneStarts[k]; t < rec.coneStarts[k + 1]; ++t) {
      int j = rec.coneMembers[t];
      if (j < 0 || j >= rec.n || place[j] != 0) return false;
      place[j] = rec.coneKinds[k] == 2 && t - rec.coneStarts[k] < 2 ? 2 : 1;
    }
  return true;
}

}  // namespace

int Socp_buildConeForm(SocpAdapterRecord& rec) {
  std::vector<int> place;
  if (!placeVariables(rec, place)) return StatusBadModel;
  for (int i = 0; i <= rec.m; ++i)  // the objective too: the cone form has no quadratic terms
    if (rec.model[i].q) return StatusNotLinear;
  SocpProgram& pr = rec.program;
  pr = SocpProgram();
  int n = rec.n;
  pr.offset.assign(n, 0.0);
  pr.terms.assign(n, {});
  ConeBuilder cb;
  std::vector<Column> cols;  // the columns the variables' terms name
  auto term = [&](int j, Column c, double w) {
    pr.terms[j].push_back({static_cast<int>(cols.size()), w});
    cols.push_back(c);
  };
  // Linear part: variables outside the blocks, shifted or split.
  for (int j = 0; j < n; ++j) {
    if (place[j] == 1) continue;
    double l = place[j] == 2 ? std::max(rec.lower[j], 0.0) : rec.lower[j];
    if (finiteLower(l)) {
      pr.offset[j] = l;
      term(j, cb.linear(), 1.0);
    } else {
      term(j, cb.linear(), 1.0);
      term(j, cb.linear(), -1.0);
    }
  }
  // Blocks: every cone's members, a rotated cone behind two new variables.
  std::vector<std::pair<Column, Column>> rotated;
  for (std::size_t k = 0; k < rec.coneKinds.size(); ++k) {
    cb.blockSizes.push_back(0);
    int first = rec.coneStarts[k];
    if (rec.coneKinds[k] == 2) {
      Column u = cb.blockMember(), v = cb.blockMember();
      rotated.push_back({u, v});
      first += 2;
    }
    for (int t = first; t < rec.coneStarts[k + 1]; ++t) term(rec.coneMembers[t], cb.blockMember(), 1.0);
  }
  // Objective: minimise σ·(k + g·x) (σ = -1 when maximising).
  double sigma = rec.maximise ? -1.0 : 1.0;
  const SocpRowModel& objective = rec.model[rec.m];
  pr.objectiveConstant = sigma * objective.k;
  std::vector<double> cost(cols.size(), 0.0);
  for (int j = 0; j < n; ++j) {
    if (objective.g[j] == 0.0) continue;
    pr.objectiveConstant += sigma * objective.g[j] * pr.offset[j];
    for (const auto& [c, w] : pr.terms[j]) cost[c] += sigma * objective.g[j] * w;
  }
  // Rows: constraints, rotated-cone ties, remaining bounds.
  for (int i = 0; i < rec.m; ++i) {
    std::vector<std::pair<int, double>> coefs;
    for (int j = 0; j < n; ++j)
      if (rec.model[i].g[j] != 0.0) coefs.push_back({j, rec.model[i].g[j]});
    addRange(cb, pr, cols, coefs, rec.model[i].k, rec.rowLower[i], rec.rowUpper[i]);
  }
  std::size_t r = 0;
  for (std::size_t k = 0; k < rec.coneKinds.size(); ++k) {
    if (rec.coneKinds[k] != 2) continue;
    auto [u, v] = rotated[r++];
    for (int which = 0; which < 2; ++which) {
      int row = cb.row(0.0);
      cb.b[row] =
          -addVariable(cb, pr, cols, row, rec.coneMembers[rec.coneStarts[k] + which], kSqrt2);
      cb.add(row, u, -1.0);
      cb.add(row, v, which == 0 ? -1.0 : 1.0);
    }
  }
  for (int j = 0; j < n; ++j) {
    bool shifted = place[j] != 1 && pr.terms[j].size() == 1;
    double lower = shifted ? -kBoundInfinity : rec.lower[j];
    if (shifted && rec.upper[j] == pr.offset[j]) lower = rec.upper[j];  // fixed: X = 0
    addRange(cb, pr, cols, {{j, 1.0}}, 0.0, lower, rec.upper[j]);
  }
  // Assembly: the linear part, then the blocks.
  int linear = static_cast<int>(cb.linearCost.size());
  int total = linear + static_cast<int>(cb.blockCost.size());
  auto index = [&](Column c) { return c.block ? linear + c.index : c.index; };
  for (Column& c : cols) c = {false, index(c)};
  pr.c.assign(total, 0.0);
  for (std::size_t t = 0; t < cols.size(); ++t) pr.c[cols[t].index] += cost[t];
  for (auto& terms : pr.terms)
    for (auto& [c, w] : terms) c = cols[c].index;
  pr.a = SM_create(static_cast<int>(cb.b.size()), total);
  for (const auto& e : cb.entries) {
    double v = SM_getVal(*pr.a, e.row, index(e.col)) + e.value;
    SM_setVal(*pr.a, e.row, index(e.col), v);
  }
  pr.b = cb.b;
  pr.p = static_cast<int>(cb.blockSizes.size());
  pr.cones.assign(1, linear);
  for (int size : cb.blockSizes) pr.cones.push_back(pr.cones.back() + size);
  pr.dual = false;
  return 0;
}
