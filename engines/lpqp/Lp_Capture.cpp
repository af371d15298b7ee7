// Capture of a model into the LP/quadratic engine's record, the parts that
// need no host: typed rows from row bounds, the objective row and the
// right-hand sides from the captured constants, integer bounds, and the
// tests that classify evaluated rows as linear or quadratic.
#include "engines/lpqp/Lp_Engine.h"

#include <algorithm>
#include <cmath>

namespace {

// How closely the bend over a long stretch must follow the one at 0, 4, 8
// grown with the square of the stretch: rounding noise of a linear slot
// does not grow so, a parabola's bend does.
constexpr double kParabolaAgreement = 0.5;

}  // namespace

void Lp_setRowTypes(LpRecord& lp) {
  for (int i = 1; i <= lp.m; ++i) {
    const double lo = lp.rowLower[i], up = lp.rowUpper[i];
    const bool loFinite = lo > -kBoundInfinity, upFinite = up < kBoundInfinity;
    LpRowType& t = lp.types[i];
    t.flips = 0;
    lp.ranges[i] = kBoundInfinity;
    double b = 0;
    if (lo == up) {
      t.type = '=';
      b = lo;
    } else if (loFinite && !upFinite) {
      t.type = '>';
      b = lo;
    } else if (upFinite) {
      t.type = '<';
      b = up;
      if (loFinite) lp.ranges[i] = up - lo;
    } else {
      t.type = '=';
    }
    lp.rhs[i] = b;
  }
}

void Lp_finishCapture(LpRecord& lp) {
  const int objRow = lp.modelRows + 1;
  double* row0 = lp.matrix.row(0);
  double* captured = lp.matrix.row(objRow);
  std::copy(captured, captured + lp.n + 1, row0);
  std::fill(captured, captured + lp.n + 1, 0.0);  // cut room or phase-1 row: starts empty
  for (int j = 1; j <= lp.n; ++j) {
    lp.objCoef[j] = row0[j];
    row0[j] = -row0[j];
  }
  lp.objCoef[0] = row0[0];
  for (int i = 1; i <= lp.modelRows; ++i) {
    double* a = lp.matrix.row(i);
    a[0] = lp.rhs[i] - a[0];
    // A row without either limit constrains nothing: its '=' 0 type must
    // not pin the row's function to 0, so the row is emptied.
    if (lp.rowLower[i] <= -kBoundInfinity && lp.rowUpper[i] >= kBoundInfinity) std::fill(a, a + lp.n + 1, 0.0);
  }
  if (lp.maximise)
    for (int j = 0; j <= lp.n; ++j) row0[j] = -row0[j];
}

void Lp_roundIntegerBounds(LpRecord& lp, const int* integerFlags) {
  for (int j = 1; j <= lp.n; ++j) {
    if (integerFlags[j - 1] == 0) continue;
    lp.lower[j] = std::ceil(lp.lower[j]);
    lp.upper[j] = std::floor(lp.upper[j]);
  }
}

bool Lp_boundsCrossed(const LpRecord& lp) {
  for (int j = 1; j <= lp.n; ++j)
    if (lp.lower[j] > lp.upper[j]) return true;
  for (int i = 1; i <= lp.modelRows; ++i)
    if (lp.rowLower[i] > lp.rowUpper[i]) return true;
  return false;
}

bool Lp_slotIsLinear(double f0, double f4, double f8, double precision) {
  return std::fabs((f8 - f0) * 0.125 - (f4 - f0) * 0.25) <= (std::fabs(f0) + 1) * precision;
}

// The parabola's prediction of f2 sums terms as large as the values, so it
// is held to the precision relative to all of them: a quadratic whose
// minimum value is near 0 while its other values are large is a quadratic.
bool Lp_slotIsQuadratic(double f0, double f2, double f4, double f8, double precision) {
  const double scale = std::fabs(f0) + std::fabs(f2) + std::fabs(f4) + std::fabs(f8) + 1;
  return std::fabs(f2 - (3 * f0 + 6 * f4 - f8) / 8) < scale * precision;
}

bool Lp_slotHidesBend(double f0, double f4, double f8, double precision) {
  const double bend = f4 - (f0 + f8) / 2;
  return bend != 0 && std::fabs(bend) <= 4 * (std::fabs(f0) + 1) * precision;
}

bool Lp_slotBendsOver(const LpBend& near, double f0, double fh, double f2h, double h, double precision) {
  const double bend = fh - (f0 + f2h) / 2;
  const double scale = std::fabs(f0) + std::fabs(fh) + std::fabs(f2h) + 1;
  if (std::fabs(bend) <= scale * precision) return false;
  const double grown = (near.f4 - (near.f0 + near.f8) / 2) * (h / 4) * (h / 4);
  return std::fabs(bend - grown) <= kParabolaAgreement * std::fabs(bend);
}
