// The cone form: a model with cone constraints as the core's primal
// program. Columns from left to right: the linear part (row slacks, bound
// slacks, model variables outside the cone blocks, the first two members of
// each rotated cone), then one block per cone: a cone "t >= ||x||" holds its
// members in order; a rotated cone "2ab >= ||x||²" with a, b >= 0 becomes
// the block (u, v, x...) of two new variables tied to a and b by the rows
// √2·a = u + v and √2·b = u - v, so that u >= ||(v, x...)||.
//
// A linear model variable with a finite lower bound l stands as l + X with
// X >= 0; one without becomes the difference of two columns. Both sides of
// every row become rows with slack columns. The bounds that remain (upper
// bounds, bounds of cone members, lower bounds of split variables) are the
// bound rows after all others, their slacks the columns at the front; a run
// with other bounds replaces them and moves the shifts in place.
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
  std::vector<std::vector<std::pair<int, double>>> uses;  // per row: (variable, factor) of its offset
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
    uses.emplace_back();
    return static_cast<int>(b.size()) - 1;
  }
  void add(int r, Column c, double v) { entries.push_back({r, c, v}); }
};

bool finiteLower(double l) { return l > -kBoundInfinity; }
bool finiteUpper(double u) { return u < kBoundInfinity; }

// How a variable of the linear part stands for its lower bound.
enum Shift : int { kNoShift = 0, kShiftLower = 1, kShiftNonNegative = 2 };

// The variable's terms added to row r with factor `scale`; its offset,
// times the factor, leaves the row's right-hand side.
void addVariable(ConeBuilder& cb, const SocpProgram& pr, const std::vector<Column>& cols, int r, int j, double scale) {
  for (const auto& [k, w] : pr.terms[j]) cb.add(r, cols[k], scale * w);
  cb.uses[r].push_back({j, scale});
}

// lower <= Σ coef_j x_j + k <= upper as one equality row or one row per
// finite side with a slack.
void addRange(ConeBuilder& cb, const SocpProgram& pr, const std::vector<Column>& cols,
              const std::vector<std::pair<int, double>>& coefs, double k, double lower,
              double upper) {
  auto side = [&](double bound, double slack) {
    int r = cb.row(bound - k);
    for (const auto& [j, v] : coefs) addVariable(cb, pr, cols, r, j, v);
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

// A variable shifted by its lower bound needs one: without it the variable
// must be split, which the form cannot do in place.
bool shiftsHold(const SocpAdapterRecord& rec) {
  for (int j = 0; j < rec.n; ++j)
    if (rec.program.shift[j] == kShiftLower && !finiteLower(rec.lower[j])) return false;
  return true;
}

// Takes out the bound rows and their slack columns of the last conversion.
void dropBoundRows(SocpProgram& pr) {
  spmat& a = *pr.a;
  while (a.m > pr.baseRows) SM_deleteRow(a, a.m - 1);
  for (int k = 0; k < pr.boundColumns; ++k) SM_deleteColumn(a, 0);
  pr.c.erase(pr.c.begin(), pr.c.begin() + pr.boundColumns);
  for (int& e : pr.cones) e -= pr.boundColumns;
  pr.boundColumns = 0;
}

// Each variable's offset from its lower bound, and the right-hand sides and
// the objective's constant that follow from the offsets.
void moveShifts(SocpAdapterRecord& rec) {
  SocpProgram& pr = rec.program;
  for (int j = 0; j < rec.n; ++j) {
    const int shift = pr.shift[j];
    pr.offset[j] = shift == kNoShift ? 0.0 : shift == kShiftLower ? rec.lower[j] : std::max(rec.lower[j], 0.0);
  }
  pr.b = pr.baseB;
  for (int r = 0; r < pr.baseRows; ++r)
    for (const auto& [j, factor] : pr.offsetUses[r]) pr.b[r] -= factor * pr.offset[j];
  pr.objectiveConstant = pr.baseObjectiveConstant;
  for (int j = 0; j < rec.n; ++j) pr.objectiveConstant += pr.offsetCost[j] * pr.offset[j];
}

// One side of a variable's bounds: X-terms of the variable against bound,
// with a slack of the given sign (0: an equality, no slack).
struct BoundSide {
  int j;
  double bound, slack;
};

// The sides that the variables' bounds leave after the shifts: a shifted
// variable keeps its upper bound (an equality when it equals the offset),
// the others both of their finite bounds.
std::vector<BoundSide> boundSides(const SocpAdapterRecord& rec) {
  const SocpProgram& pr = rec.program;
  std::vector<BoundSide> sides;
  for (int j = 0; j < rec.n; ++j) {
    const bool shifted = pr.shift[j] != kNoShift;
    double lower = shifted ? -kBoundInfinity : rec.lower[j];
    const double upper = rec.upper[j];
    if (shifted && upper == pr.offset[j]) lower = upper;  // fixed: X = 0
    if (finiteLower(lower) && lower == upper) {
      sides.push_back({j, upper, 0.0});
      continue;
    }
    if (finiteLower(lower)) sides.push_back({j, lower, -1.0});
    if (finiteUpper(upper)) sides.push_back({j, upper, 1.0});
  }
  return sides;
}

// The bound rows after the set-up rows, their slack columns at the front.
void addBoundRows(SocpAdapterRecord& rec) {
  SocpProgram& pr = rec.program;
  const std::vector<BoundSide> sides = boundSides(rec);
  int slacks = 0;
  for (const BoundSide& side : sides) slacks += side.slack != 0.0 ? 1 : 0;
  spmat& a = *pr.a;
  for (int k = 0; k < slacks; ++k) SM_insertColumn(a, 0);
  pr.c.insert(pr.c.begin(), static_cast<std::size_t>(slacks), 0.0);
  for (int& e : pr.cones) e += slacks;
  pr.boundColumns = slacks;
  int slack = 0;
  for (const BoundSide& side : sides) {
    const int r = a.m;
    SM_insertRow(a, r);
    for (const auto& [col, w] : pr.terms[side.j]) SM_setVal(a, r, slacks + col, w);
    if (side.slack != 0.0) SM_setVal(a, r, slack++, side.slack);
    pr.b.push_back(side.bound - pr.offset[side.j]);
  }
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
  pr.shift.assign(n, kNoShift);
  ConeBuilder cb;
  std::vector<Column> cols;  // the columns the variables' terms name
  auto term = [&](int j, Column c, double w) {
    pr.terms[j].push_back({static_cast<int>(cols.size()), w});
    cols.push_back(c);
  };
  // Linear part: variables outside the blocks, shifted or split.
  for (int j = 0; j < n; ++j) {
    if (place[j] == 1) continue;
    if (place[j] == 2 || finiteLower(rec.lower[j])) {
      pr.shift[j] = place[j] == 2 ? kShiftNonNegative : kShiftLower;
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
  pr.baseObjectiveConstant = sigma * objective.k;
  pr.offsetCost.assign(n, 0.0);
  std::vector<double> cost(cols.size(), 0.0);
  for (int j = 0; j < n; ++j) {
    if (objective.g[j] == 0.0) continue;
    pr.offsetCost[j] = sigma * objective.g[j];
    for (const auto& [c, w] : pr.terms[j]) cost[c] += sigma * objective.g[j] * w;
  }
  // Rows: constraints and rotated-cone ties; the bound rows follow them.
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
      addVariable(cb, pr, cols, row, rec.coneMembers[rec.coneStarts[k] + which], kSqrt2);
      cb.add(row, u, -1.0);
      cb.add(row, v, which == 0 ? -1.0 : 1.0);
    }
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
  pr.baseRows = static_cast<int>(cb.b.size());
  pr.baseB = cb.b;
  pr.offsetUses = std::move(cb.uses);
  pr.p = static_cast<int>(cb.blockSizes.size());
  pr.cones.assign(1, linear);
  for (int size : cb.blockSizes) pr.cones.push_back(pr.cones.back() + size);
  pr.dual = false;
  ++rec.programBuilds;
  return Socp_convertConeForm(rec);
}

int Socp_convertConeForm(SocpAdapterRecord& rec) {
  if (!shiftsHold(rec)) return Socp_buildConeForm(rec);
  dropBoundRows(rec.program);
  moveShifts(rec);
  addBoundRows(rec);
  return 0;
}
