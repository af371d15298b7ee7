// The Lagrangian bound of a box. For any multipliers y (those of inequality
// rows not negative) f(x) >= f(x) + sum y_k c_k(x) wherever the rows hold
// (c_k = 0, or c_k <= 0), so an enclosure of the Lagrangian's range over the
// box bounds f on its feasible points (less sum |y_k| slack_k where the rows
// hold only within their slack). About a constrained optimum the
// objective's own slope does not vanish and its mean-value bound closes only
// as fast as the box narrows; the Lagrangian with the optimum's multipliers
// is stationary there, and its bound closes as the square of the width.
// The multipliers at a box's midpoint are those of no optimum when the box
// lies away from one; the incumbent's (of its binding rows) approach the
// optimum's, and over a convex model they bound a box far from the optimum
// above it.
#include "engines/interval/Ia_Lagrange.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_Newton.h"

namespace {

using IaGradients = std::vector<std::vector<double>>;  // 0..m, each 1..n

constexpr double kIaRidge = 1e-10;  // the normal equations' diagonal raised by this share

double Ia_dot(int n, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0;
  for (int i = 1; i <= n; ++i) sum += a[i] * b[i];
  return sum;
}

// The gradients of the objective (0) and the rows (1..m) at the point c, as
// the midpoints of their enclosures; false when one fails or is not finite.
bool Ia_pointGradients(IaSearchContext& s, const std::vector<double>& c, IaGradients& g) {
  IaBox point(s.n + 1, Interval{0, 0}), gradient(s.n + 1);
  for (int i = 1; i <= s.n; ++i) point[i] = Interval{c[i], c[i]};
  g.assign(s.m + 1, {});
  for (int k = 0; k <= s.m; ++k) {
    Interval value;
    if (Ia_evalIvGradient(s, k, point.data(), &value, gradient.data()) != 0) return false;
    Ia_midpoints(s.n, gradient.data(), g[k]);
    for (int i = 1; i <= s.n; ++i)
      if (!std::isfinite(g[k][i])) return false;
  }
  return true;
}

// The constraints a set of multipliers weighs: gradients (1..n) and
// whether each multiplier may take either sign (an equality's) or is kept
// at 0 or above (an inequality's, read as value <= 0).
struct IaWeighed {
  std::vector<std::vector<double>> gradients;
  std::vector<char> eitherSign;
};

// The multipliers of least squares on g0 + sum y_j a_j = 0 over the
// constraints a_j of w with used[j] (the others 0); false when there are
// none, they are not finite or the gradients are dependent. Each diagonal
// entry of the normal equations is raised by `ridge` times itself: at the
// incumbent, so that constraints whose gradients are parallel there (balls
// touching inside one another) share the multiplier by least norm, each
// measured in its own size.
bool Ia_fitUsed(int n, const std::vector<double>& g0, const IaWeighed& w, const std::vector<char>& used, double ridge,
                std::vector<double>& y) {
  std::vector<int> cols;
  for (int j = 0; j < static_cast<int>(used.size()); ++j)
    if (used[j]) cols.push_back(j);
  const int m = static_cast<int>(cols.size());
  if (m == 0) return false;
  std::vector<double> normal(static_cast<std::size_t>(m) * m), inverse;
  for (int j = 0; j < m; ++j)
    for (int k = 0; k < m; ++k) normal[j * m + k] = Ia_dot(n, w.gradients[cols[j]], w.gradients[cols[k]]);
  for (int j = 0; j < m; ++j) normal[j * m + j] += ridge * normal[j * m + j];
  if (!Ia_invert(m, normal, inverse)) return false;
  y.assign(used.size(), 0.0);
  for (int j = 0; j < m; ++j) {
    double& yj = y[cols[j]];
    for (int k = 0; k < m; ++k) yj -= inverse[j * m + k] * Ia_dot(n, g0, w.gradients[cols[k]]);
    if (!std::isfinite(yj)) return false;
  }
  return true;
}

// The least-squares multipliers of the constraints of w, none of an
// inequality negative: while some is, the most negative one's constraint
// leaves the fit and the rest are fitted again. Where more constraints bind
// than there are variables (three rows through one vertex of a plane),
// the least-norm fit over all of them may pull one the wrong way, and
// setting that multiplier to 0 would leave the others cancelling the
// objective's slope no longer; any multipliers bound the objective alike,
// only more or less closely. False as Ia_fitUsed, or when none is left.
bool Ia_leastSquares(int n, const std::vector<double>& g0, const IaWeighed& w, double ridge, std::vector<double>& y) {
  std::vector<char> used(w.gradients.size(), 1);
  for (;;) {
    if (!Ia_fitUsed(n, g0, w, used, ridge, y)) return false;
    int worst = -1;
    for (int j = 0; j < static_cast<int>(y.size()); ++j)
      if (used[j] && !w.eitherSign[j] && y[j] < 0 && (worst < 0 || y[j] < y[worst])) worst = j;
    if (worst < 0) return true;
    used[worst] = 0;
  }
}

// The least-squares multipliers (1..m) of every row at the point c (none
// where the rows' gradients are dependent).
bool Ia_multipliersAt(IaSearchContext& s, const std::vector<double>& c, std::vector<double>& y) {
  IaGradients g;
  if (!Ia_pointGradients(s, c, g)) return false;
  IaWeighed w{{g.begin() + 1, g.end()}, {}};
  for (int k = 1; k <= s.m; ++k) w.eitherSign.push_back(Ia_isEquality(s, k));
  std::vector<double> least;
  if (!Ia_leastSquares(s.n, g[0], w, 0.0, least)) return false;
  y.assign(1, 0.0);
  y.insert(y.end(), least.begin(), least.end());
  return true;
}

// Adds the variables' bounds binding at c as constraints of gradient -e_i
// (a lower bound) or e_i (an upper one), a fixed variable's of either sign.
void Ia_addBindingBounds(const IaSearchContext& s, const std::vector<double>& c, IaWeighed& w) {
  for (int i = 1; i <= s.n; ++i) {
    const Interval& b = s.start[i];
    const bool low = std::fabs(c[i] - b.lo) <= s.options.precision * (1 + std::fabs(b.lo));
    const bool high = std::fabs(c[i] - b.hi) <= s.options.precision * (1 + std::fabs(b.hi));
    if (!low && !high) continue;
    std::vector<double> unit(s.n + 1, 0.0);
    unit[i] = low && !high ? -1.0 : 1.0;
    w.gradients.push_back(std::move(unit));
    w.eitherSign.push_back(b.lo == b.hi);
  }
}

// The multipliers (1..m) of the rows binding (within their tolerance) at
// the incumbent box's midpoint, kept in s until the incumbent value
// changes; empty when there are none. They are fitted together with the
// bounds binding there: at an optimum on a variable's bound the rows alone
// cannot cancel the objective's slope across it, and their least-squares
// multipliers leave the Lagrangian a slope in the box's other components.
// The bounds' own terms are left out of the Lagrangian, where every box
// keeps to them already.
const std::vector<double>& Ia_incumbentMultipliers(IaSearchContext& s, const IaBox& incumbent, double upper) {
  std::vector<double>& y = s.incumbentMultipliers;
  if (upper == s.multipliersAt) return y;
  s.multipliersAt = upper;
  y.clear();
  std::vector<double> c, least;
  IaGradients g;
  Ia_midpoints(s.n, incumbent.data(), c);
  if (!Ia_pointGradients(s, c, g)) return y;
  IaWeighed w;
  std::vector<int> rows;
  for (int k = 1; k <= s.m; ++k) {
    double v = 0;
    if (Ia_evalPoint(s, k, c.data(), &v) != 0) return y;
    if (!Ia_isEquality(s, k) && v < -s.rowTolerance[k]) continue;
    w.gradients.push_back(g[k]);
    w.eitherSign.push_back(Ia_isEquality(s, k));
    rows.push_back(k);
  }
  if (rows.empty()) return y;
  Ia_addBindingBounds(s, c, w);
  if (!Ia_leastSquares(s.n, g[0], w, kIaRidge, least)) return y;
  y.assign(s.m + 1, 0.0);
  for (std::size_t j = 0; j < rows.size(); ++j) y[rows[j]] = least[j];
  return y;
}

// What the Lagrangian's mean-value form needs of each function: its value at
// the midpoint c and its gradient over the box.
struct IaLagrangeTerms {
  std::vector<double> c;
  std::vector<Interval> atMid;  // 0..m
  std::vector<IaBox> slopes;    // 0..m, each 1..n (empty: not evaluated)
};

// Evaluates function k into the terms once; false when it fails.
bool Ia_termOf(IaSearchContext& s, const Interval* box, int k, IaLagrangeTerms& t) {
  if (!t.slopes[k].empty()) return true;
  Interval range;
  IaBox slope(s.n + 1, Interval{0, 0});
  if (Ia_evalAtPoint(s, k, t.c.data(), &t.atMid[k]) != 0) return false;
  if (Ia_evalIvGradient(s, k, box, &range, slope.data()) != 0) return false;
  t.slopes[k] = std::move(slope);
  return true;
}

// The mean-value form L(c) + sum G_i (x_i - c_i) of the Lagrangian with
// multipliers y, G its gradient enclosure over the box, less what the rows'
// slack lets y_k c_k reach; false when a function fails.
bool Ia_lagrangianBound(IaSearchContext& s, const Interval* box, const std::vector<double>& y, IaLagrangeTerms& t,
                        double* lower) {
  Interval bound{0, 0};
  IaBox slope(s.n + 1, Interval{0, 0});
  for (int k = 0; k <= s.m; ++k) {
    const double weight = k == 0 ? 1.0 : y[k];
    if (weight == 0) continue;
    if (!Ia_termOf(s, box, k, t)) return false;
    bound = Ivl_add(bound, Ivl_mulSV(weight, t.atMid[k]));
    for (int i = 1; i <= s.n; ++i) slope[i] = Ivl_add(slope[i], Ivl_mulSV(weight, t.slopes[k][i]));
    if (k >= 1) bound = Ivl_sub(bound, Ivl_mulSV(std::fabs(weight), Ivl_setConst(Ia_rowSlack(s, k))));
  }
  for (int i = 1; i <= s.n; ++i) bound = Ivl_add(bound, Ivl_mul(slope[i], Ivl_subVS(box[i], t.c[i])));
  if (std::isnan(bound.lo)) return false;
  *lower = bound.lo;
  return true;
}

}  // namespace

double Ia_slackWorth(IaSearchContext& s, const IaBox& incumbent, double upper) {
  if (!s.integer.empty() || s.m < 1 || !std::isfinite(upper)) return 0;
  const std::vector<double>& y = Ia_incumbentMultipliers(s, incumbent, upper);
  double worth = 0;
  for (int k = 1; k < static_cast<int>(y.size()); ++k) worth += std::fabs(y[k]) * Ia_rowSlack(s, k);
  return worth;
}

bool Ia_lagrangianLower(IaSearchContext& s, const Interval* box, const IaBox& incumbent, double upper,
                        double* lower) {
  IaLagrangeTerms t{{}, std::vector<Interval>(s.m + 1), std::vector<IaBox>(s.m + 1)};
  Ia_midpoints(s.n, box, t.c);
  bool found = false;
  double bound = 0;
  std::vector<double> y;
  if (Ia_multipliersAt(s, t.c, y) && Ia_lagrangianBound(s, box, y, t, &bound)) {
    *lower = bound;
    found = true;
  }
  if (!std::isfinite(upper)) return found;
  const std::vector<double>& atIncumbent = Ia_incumbentMultipliers(s, incumbent, upper);
  if (!atIncumbent.empty() && Ia_lagrangianBound(s, box, atIncumbent, t, &bound)) {
    *lower = found ? std::max(*lower, bound) : bound;
    found = true;
  }
  return found;
}
