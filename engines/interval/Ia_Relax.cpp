// The LP relaxation of a box. Its variables are the offsets y_i = x_i - lo_i
// of the variables from the box's lower ends and one slack s_k per row,
// standing for the row's affine error term: over the box a row lies in
// f_low + sum a_i y_i + s_k with f_low = centre - radius - sum a_i h_i,
// h_i = m_i - lo_i, and 0 <= s_k <= 2 radius. The radius is widened by the
// row's slack, so that the relaxation keeps every point at which the row
// holds within it. The tableau's pivot and zero tolerance is absolute, so
// the LP is solved in units of each variable's range (y_i = width_i z_i,
// s_k = 2 r_k t_k, each of z and t in [0, 1]) with each row divided by its
// largest entry: a row of coefficients 1E-09 over ranges of 1E+07 is then
// judged by its own size, not taken for empty.
#include "engines/interval/Ia_Relax.h"

#include <algorithm>
#include <cmath>

#include "numerics/Dense_Tableau.h"

namespace {

struct IaLpRow {
  double rhs;
  std::vector<double> entries;  // the tableau's negated coefficients, 1..n + m
};

// The form's radius widened by the row's slack.
double Ia_relaxedRadius(const IaSearchContext& s, int k, const IaAffineForm& form) {
  return form.radius + Ia_rowSlack(s, k);
}

// The unit of an LP column: its range, or 1 for a range of 0.
double Ia_columnUnit(double range) { return range > 0 ? range : 1.0; }

// The units of the columns (1..n + m): the box's widths, then twice each
// row's relaxed radius (forms not bounded keep 1).
std::vector<double> Ia_columnUnits(const IaSearchContext& s, const Interval* box,
                                   const std::vector<IaAffineForm>& forms) {
  std::vector<double> unit(s.n + s.m + 1, 1.0);
  for (int i = 1; i <= s.n; ++i) unit[i] = Ia_columnUnit(box[i].hi - box[i].lo);
  for (int k = 1; k <= s.m; ++k)
    if (Ia_formBounded(forms[k], s.n)) unit[s.n + k] = Ia_columnUnit(2.0 * Ia_relaxedRadius(s, k, forms[k]));
  return unit;
}

// The row divided by its largest entry (a row of zeros as it is).
void Ia_normaliseRow(IaLpRow& row) {
  double largest = 0;
  for (double a : row.entries) largest = std::max(largest, std::fabs(a));
  if (!(largest > 0)) return;
  row.rhs /= largest;
  for (double& a : row.entries) a /= largest;
}

// The row f_low + sum a_i y_i + s_k (<= or =) 0 as the tableau holds it, in
// the columns' units: right-hand side >= 0, so a row with f_low > 0 is
// flipped, which turns an inequality into a greater-or-equal row.
IaLpRow Ia_lpRowOf(const IaSearchContext& s, int k, const IaAffineForm& form, const Interval* box,
                   const std::vector<double>& unit, bool* greater) {
  double fLow = form.centre - Ia_relaxedRadius(s, k, form);
  for (int i = 1; i <= s.n; ++i) fLow -= form.coef[i] * (form.mid[i] - box[i].lo);
  IaLpRow row{std::fabs(fLow), std::vector<double>(s.n + s.m + 1, 0.0)};
  const double sign = fLow <= 0 ? -1.0 : 1.0;
  for (int i = 1; i <= s.n; ++i) row.entries[i] = sign * form.coef[i] * unit[i];
  row.entries[s.n + k] = sign * unit[s.n + k];
  *greater = fLow > 0;
  Ia_normaliseRow(row);
  return row;
}

// The bound row of column c: its value in its unit at most range / unit.
IaLpRow Ia_boundRow(int columns, int c, double range, const std::vector<double>& unit) {
  IaLpRow row{range / unit[c], std::vector<double>(columns + 1, 0.0)};
  row.entries[c] = -1.0;
  return row;
}

bool Ia_lpRowFinite(const IaLpRow& row) {
  return std::isfinite(row.rhs) &&
         std::all_of(row.entries.begin(), row.entries.end(), [](double a) { return std::isfinite(a); });
}

void Ia_putRow(DenseTableau& t, int r, const IaLpRow& row) {
  Dense_tableauAt(t, r, 0) = row.rhs;
  for (std::size_t c = 1; c < row.entries.size(); ++c) Dense_tableauAt(t, r, static_cast<int>(c)) = row.entries[c];
}

// The vertex of an optimal tableau: the lower ends plus every basic offset.
std::vector<double> Ia_vertexOf(const IaSearchContext& s, const DenseTableau& t, const Interval* box,
                                const std::vector<int>& rowVars, int rows, const std::vector<double>& unit) {
  std::vector<double> x(s.n + 1, 0.0);
  for (int i = 1; i <= s.n; ++i) x[i] = box[i].lo;
  for (int r = 1; r <= rows; ++r)
    if (const int i = rowVars[r]; i >= 1 && i <= s.n) x[i] = std::min(x[i] + Dense_tableauAt(t, r, 0) * unit[i], box[i].hi);
  return x;
}

}  // namespace

IaRelaxation Ia_lpRelaxation(IaSearchContext& s, const Interval* box, const IaAffineForm* objective) {
  IaRelaxation out;
  out.forms.assign(s.m + 1, IaAffineForm{});
  std::vector<IaLpRow> less, greater, equal;
  for (int k = 1; k <= s.m; ++k) {
    IaAffineForm& form = out.forms[k];
    if (const int rc = Ia_evalAffine(s, k, box, &form)) {
      // A row without a form leaves the box without a relaxation, and the
      // contraction without forms computed here.
      bool trouble = false;
      out.fate = Ia_evalTrouble(rc, &trouble);
      out.forms.clear();
      return out;
    }
    if (!Ia_rowFeasible(s, k, Ia_affineRange(form, box, s.n))) {
      out.fate = IaFate::Dead;
      return out;
    }
  }
  const std::vector<double> unit = Ia_columnUnits(s, box, out.forms);
  for (int k = 1; k <= s.m; ++k) {
    const IaAffineForm& form = out.forms[k];
    if (!Ia_formBounded(form, s.n)) continue;  // no linear part to relax
    bool flipped = false;
    IaLpRow row = Ia_lpRowOf(s, k, form, box, unit, &flipped);
    if (!Ia_lpRowFinite(row)) continue;  // overflowed: the LP would hold NaN
    (Ia_isEquality(s, k) ? equal : flipped ? greater : less).push_back(std::move(row));
  }
  const int columns = s.n + s.m;
  for (int i = 1; i <= s.n; ++i) less.push_back(Ia_boundRow(columns, i, box[i].hi - box[i].lo, unit));  // y_i <= width_i
  for (int k = 1; k <= s.m; ++k)  // s_k <= 2 r_k
    if (Ia_formBounded(out.forms[k], s.n))
      less.push_back(Ia_boundRow(columns, s.n + k, 2.0 * Ia_relaxedRadius(s, k, out.forms[k]), unit));
  const int m1 = static_cast<int>(less.size()), m2 = static_cast<int>(greater.size());
  const int m3 = static_cast<int>(equal.size()), rows = m1 + m2 + m3;
  DenseTableau t = Dense_tableauMake(rows, columns);
  int r = 1;
  for (const auto* group : {&less, &greater, &equal})
    for (const IaLpRow& row : *group) Ia_putRow(t, r++, row);
  // Phase 2 minimises the objective's linear part, in the columns' units
  // and divided by its largest entry.
  IaLpRow cost{0.0, std::vector<double>(columns + 1, 0.0)};
  for (int i = 1; i <= s.n; ++i) cost.entries[i] = objective ? -objective->coef[i] * unit[i] : 1.0;
  Ia_normaliseRow(cost);
  for (int i = 1; i <= s.n; ++i) Dense_tableauAt(t, 0, i) = cost.entries[i];
  std::vector<int> columnVars, rowVars;
  int caseCode = DenseSimplexOptimal;
  if (!Dense_tableauSimplex(t, columns, m1, m2, m3, &caseCode, columnVars, rowVars, objective != nullptr)) return out;
  if (caseCode == DenseSimplexInfeasible) {
    out.fate = IaFate::Dead;
    return out;
  }
  if (objective && caseCode == DenseSimplexOptimal) {
    out.vertexFound = true;
    out.vertex = Ia_vertexOf(s, t, box, rowVars, rows, unit);
  }
  return out;
}
