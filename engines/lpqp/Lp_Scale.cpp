// Power-of-two scaling of the LP/quadratic engine: row and column exponents
// that centre the binary exponents of the matrix entries on zero, and the
// conversions of every value crossing between the engine and the host.
// Only exponents change, so scaling and unscaling are exact.
#include "engines/lpqp/Lp_Engine.h"

#include <cmath>

namespace {

constexpr double kScaleZero = 1e-20;  // smaller entries are dropped
// Binary orders of magnitude between two entries of one row or column, or
// between an entry and 1, beyond which a tableau needs scaling whatever the
// switch says: a pivot on such an entry leaves its reciprocal, or the
// ratio of the two, near the default pivot tolerance.
constexpr int kScaleSpread = 16;

// Unbiased binary exponent of a nonzero double (1.5 -> 0).
int exponent(double v) { return std::ilogb(v); }

// Tracks the largest and smallest exponent; the midpoint truncates toward 0
// and is 0 when nothing was seen.
struct ExpRange {
  int hi = -1023;
  int lo = 1023;
  void add(int e) {
    hi = e > hi ? e : hi;
    lo = e < lo ? e : lo;
  }
  int mid() const { return (hi + lo) / 2; }
};

bool anyNonzero(const std::vector<int>& v) {
  for (int e : v)
    if (e != 0) return true;
  return false;
}

int rowExp(const LpScaling& s, int i) { return s.rowExp.empty() ? 0 : s.rowExp[i]; }
int colExp(const LpScaling& s, int j) { return s.colExp.empty() ? 0 : s.colExp[j]; }

// Multiplies v by 2^k unless it stands for an infinite bound.
double shift(double v, int k) { return (k == 0 || std::fabs(v) >= kBoundInfinity) ? v : std::ldexp(v, k); }

bool transformMatrix(const LpScaling& s, LpMatrix& a, int sign) {
  const int rows = a.rows - 1;  // rows 0..m; the phase-1 row is left alone
  if (s.n != 0 && (a.cols != s.n + 1 || rows != s.rows)) return false;
  for (int i = 0; i < rows; ++i) {
    double* r = a.row(i);
    const int ri = rowExp(s, i);
    for (int j = 0; j < a.cols; ++j) {
      if (std::fabs(r[j]) < kScaleZero) r[j] = 0.0;
      const int k = sign * (colExp(s, j) - ri);
      if (k != 0 && r[j] != 0.0) r[j] = std::ldexp(r[j], k);
    }
  }
  return true;
}

}  // namespace

void Lp_computeScaling(LpRecord& lp) {
  LpScaling& s = lp.scaling;
  const int n = lp.n, m = lp.m;
  const LpMatrix& a = lp.matrix;
  s.n = n;
  s.rows = m + 1;
  s.rowExp.assign(static_cast<std::size_t>(m) + 2, 0);
  s.colExp.assign(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= m; ++i) {
    ExpRange r;
    for (int j = 1; j <= n; ++j)
      if (std::fabs(a.row(i)[j]) > kScaleZero) r.add(exponent(a.row(i)[j]));
    s.rowExp[i] = r.mid();
  }
  for (int j = 1; j <= n; ++j) {
    ExpRange c;
    for (int i = 1; i <= m; ++i)
      if (std::fabs(a.row(i)[j]) > kScaleZero) c.add(exponent(a.row(i)[j]) - s.rowExp[i]);
    s.colExp[j] = -c.mid();
  }
  ExpRange o;
  for (int j = 1; j <= n; ++j)
    if (std::fabs(a.row(0)[j]) > kScaleZero) o.add(exponent(a.row(0)[j]) + s.colExp[j]);
  s.rowExp[m + 1] = o.mid();
  s.rowExp[0] = s.rowExp[m + 1];
  s.colExp[0] = 0;
  if (!anyNonzero(s.rowExp)) s.rowExp.clear();
  if (!anyNonzero(s.colExp)) s.colExp.clear();
}

bool Lp_needsScaling(const LpRecord& lp) {
  const LpMatrix& a = lp.matrix;
  ExpRange unit;
  unit.add(0);
  std::vector<ExpRange> columns(static_cast<std::size_t>(lp.n) + 1, unit);
  for (int i = 0; i <= lp.m; ++i) {
    ExpRange r = unit;
    for (int j = 1; j <= lp.n; ++j) {
      if (std::fabs(a.row(i)[j]) <= kScaleZero) continue;
      r.add(exponent(a.row(i)[j]));
      columns[j].add(exponent(a.row(i)[j]));
    }
    if (r.hi - r.lo > kScaleSpread) return true;
  }
  for (const ExpRange& c : columns)
    if (c.hi - c.lo > kScaleSpread) return true;
  return false;
}

bool Lp_scaleMatrix(const LpScaling& s, LpMatrix& a) { return transformMatrix(s, a, 1); }
bool Lp_unscaleMatrix(const LpScaling& s, LpMatrix& a) { return transformMatrix(s, a, -1); }

void Lp_scaleVariables(const LpScaling& s, double* v) {
  if (s.colExp.empty()) return;
  for (int j = 1; j <= s.n; ++j) v[j] = shift(v[j], -s.colExp[j]);
}

void Lp_unscaleVariables(const LpScaling& s, double* v) {
  if (s.colExp.empty()) return;
  for (int j = 1; j <= s.n; ++j) v[j] = shift(v[j], s.colExp[j]);
}

double Lp_rowUnit(const LpScaling& s, int i) { return shift(1.0, -rowExp(s, i)); }

double Lp_scaleVariableToHost(const LpScaling& s, int j, double v) {
  return shift(v, colExp(s, j));
}

void Lp_scaleRows(const LpScaling& s, double* v) {
  if (s.rowExp.empty()) return;
  for (int i = 1; i <= s.rows; ++i) v[i] = shift(v[i], -s.rowExp[i]);
}

void Lp_unscaleRows(const LpScaling& s, double* v) {
  if (s.rowExp.empty()) return;
  for (int i = 1; i <= s.rows; ++i) v[i] = shift(v[i], s.rowExp[i]);
}

double Lp_scaleObjective(const LpScaling& s, double f) {
  return s.rowExp.empty() ? f : shift(f, -s.rowExp[s.rows]);
}

double Lp_unscaleObjective(const LpScaling& s, double f) {
  return s.rowExp.empty() ? f : shift(f, s.rowExp[s.rows]);
}

void Lp_scaleGradient(const LpScaling& s, double* g) {
  const int r = s.rowExp.empty() ? 0 : s.rowExp[s.rows];
  for (int j = 1; j <= s.n; ++j) g[j] = shift(g[j], colExp(s, j) - r);
}

void Lp_unscaleGradient(const LpScaling& s, double* g) {
  const int r = s.rowExp.empty() ? 0 : s.rowExp[s.rows];
  for (int j = 1; j <= s.n; ++j) g[j] = shift(g[j], r - colExp(s, j));
}

void Lp_unscaleRowDuals(const LpScaling& s, double* y, int modelRows) {
  if (s.rowExp.empty() || modelRows < 1) return;
  for (int i = 1; i <= modelRows; ++i) y[i] = shift(y[i], s.rowExp[s.rows] - s.rowExp[i]);
}

bool Lp_scaleModel(LpRecord& lp) {
  const LpScaling& s = lp.scaling;
  if (!Lp_scaleMatrix(s, lp.matrix)) return false;
  Lp_scaleVariables(s, lp.xStart.data());
  for (auto* v : {&lp.rowLower, &lp.rowUpper, &lp.ranges, &lp.rhs}) Lp_scaleRows(s, v->data());
  Lp_scaleGradient(s, lp.objCoef.data());
  lp.objCoef[0] = Lp_scaleObjective(s, lp.objCoef[0]);
  return true;
}

void Lp_scaleVariableState(LpRecord& lp) {
  for (auto* v : {&lp.x, &lp.lower, &lp.upper}) Lp_scaleVariables(lp.scaling, v->data());
}

void Lp_unscaleVariableState(LpRecord& lp) {
  for (auto* v : {&lp.x, &lp.lower, &lp.upper}) Lp_unscaleVariables(lp.scaling, v->data());
}
