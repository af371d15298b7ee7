// The Lagrangian bound of a box. For any multipliers y (those of inequality
// rows not negative) f(x) >= f(x) + sum y_k c_k(x) wherever the rows hold
// (c_k = 0, or c_k <= 0), so an enclosure of the Lagrangian's range over the
// box bounds f on its feasible points (less sum |y_k| slack_k where the rows
// hold only within their slack). About a constrained optimum the
// objective's own slope does not vanish and its mean-value bound closes only
// as fast as the box narrows; the Lagrangian with the optimum's multipliers
// is stationary there, and its bound closes as the square of the width.
#include "engines/interval/Ia_Lagrange.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_Newton.h"

namespace {

using IaGradients = std::vector<std::vector<double>>;  // 0..m, each 1..n

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

// The multipliers y (1..m) of least squares on grad f + sum y_k grad c_k = 0,
// an inequality's negative one set to 0; false when the rows' gradients are
// dependent.
bool Ia_multipliers(IaSearchContext& s, const IaGradients& g, std::vector<double>& y) {
  const int m = s.m;
  std::vector<double> normal(static_cast<std::size_t>(m) * m), inverse;
  for (int j = 0; j < m; ++j)
    for (int k = 0; k < m; ++k) normal[j * m + k] = Ia_dot(s.n, g[j + 1], g[k + 1]);
  if (!Ia_invert(m, normal, inverse)) return false;
  y.assign(m + 1, 0.0);
  for (int j = 0; j < m; ++j) {
    for (int k = 0; k < m; ++k) y[j + 1] -= inverse[j * m + k] * Ia_dot(s.n, g[0], g[k + 1]);
    if (!std::isfinite(y[j + 1])) return false;
    if (!Ia_isEquality(s, j + 1)) y[j + 1] = std::max(y[j + 1], 0.0);
  }
  return true;
}

}  // namespace

bool Ia_lagrangianLower(IaSearchContext& s, const Interval* box, double* lower) {
  std::vector<double> c, y;
  IaGradients g;
  Ia_midpoints(s.n, box, c);
  if (!Ia_pointGradients(s, c, g) || !Ia_multipliers(s, g, y)) return false;
  // The mean-value form L(c) + sum G_i (x_i - c_i), G the Lagrangian's
  // gradient enclosure over the box.
  Interval atMid{0, 0};
  IaBox slope(s.n + 1, Interval{0, 0}), gradient(s.n + 1);
  for (int k = 0; k <= s.m; ++k) {
    const double weight = k == 0 ? 1.0 : y[k];
    if (weight == 0) continue;
    Interval value, range;
    if (Ia_evalAtPoint(s, k, c.data(), &value) != 0) return false;
    if (Ia_evalIvGradient(s, k, box, &range, gradient.data()) != 0) return false;
    atMid = Ivl_add(atMid, Ivl_mulSV(weight, value));
    for (int i = 1; i <= s.n; ++i) slope[i] = Ivl_add(slope[i], Ivl_mulSV(weight, gradient[i]));
  }
  // The rows hold within their slack: y_k c_k may reach |y_k| slack_k.
  Interval bound = atMid;
  for (int k = 1; k <= s.m; ++k) bound = Ivl_sub(bound, Ivl_mulSV(std::fabs(y[k]), Ivl_setConst(Ia_rowSlack(s, k))));
  for (int i = 1; i <= s.n; ++i) bound = Ivl_add(bound, Ivl_mul(slope[i], Ivl_subVS(box[i], c[i])));
  if (std::isnan(bound.lo)) return false;
  *lower = bound.lo;
  return true;
}
