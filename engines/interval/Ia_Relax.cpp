// The LP relaxation of a box. Its variables are the offsets y_i = x_i - lo_i
// of the variables from the box's lower ends and one slack s_k per row,
// standing for the row's affine error term: over the box a row lies in
// f_low + sum a_i y_i + s_k with f_low = centre - radius - sum a_i h_i,
// h_i = m_i - lo_i, and 0 <= s_k <= 2 radius. The radius is widened by the
// row's slack, so that the relaxation keeps every point at which the row
// holds within it.
#include "engines/interval/Ia_Relax.h"

#include <algorithm>
#include <cmath>

#include "numerics/Dense_Tableau.h"

namespace {

struct IaLpRow {
  double rhs;
  std::vector<double> entries;  // the tableau's negated coefficients, 1..n + m
};

// The row f_low + sum a_i y_i + s_k (<= or =) 0 as the tableau holds it:
// right-hand side >= 0, so a row with f_low > 0 is flipped, which turns an
// inequality into a greater-or-equal row.
// The form's radius widened by the row's slack.
double Ia_relaxedRadius(const IaSearchContext& s, int k, const IaAffineForm& form) {
  return form.radius + Ia_rowSlack(s, k);
}

IaLpRow Ia_lpRowOf(const IaSearchContext& s, int k, const IaAffineForm& form, const Interval* box, bool* greater) {
  double fLow = form.centre - Ia_relaxedRadius(s, k, form);
  for (int i = 1; i <= s.n; ++i) fLow -= form.coef[i] * (form.mid[i] - box[i].lo);
  IaLpRow row{std::fabs(fLow), std::vector<double>(s.n + s.m + 1, 0.0)};
  const double sign = fLow <= 0 ? -1.0 : 1.0;
  for (int i = 1; i <= s.n; ++i) row.entries[i] = sign * form.coef[i];
  row.entries[s.n + k] = sign;
  *greater = fLow > 0;
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
                                const std::vector<int>& rowVars, int rows) {
  std::vector<double> x(s.n + 1, 0.0);
  for (int i = 1; i <= s.n; ++i) x[i] = box[i].lo;
  for (int r = 1; r <= rows; ++r)
    if (rowVars[r] >= 1 && rowVars[r] <= s.n) x[rowVars[r]] += Dense_tableauAt(t, r, 0);
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
    if (!Ia_formBounded(form, s.n)) continue;  // no linear part to relax
    bool flipped = false;
    IaLpRow row = Ia_lpRowOf(s, k, form, box, &flipped);
    if (!Ia_lpRowFinite(row)) continue;  // overflowed: the LP would hold NaN
    (Ia_isEquality(s, k) ? equal : flipped ? greater : less).push_back(std::move(row));
  }
  const int columns = s.n + s.m;
  for (int i = 1; i <= s.n; ++i) {  // y_i <= width_i
    IaLpRow row{box[i].hi - box[i].lo, std::vector<double>(columns + 1, 0.0)};
    row.entries[i] = -1.0;
    less.push_back(std::move(row));
  }
  for (int k = 1; k <= s.m; ++k) {  // s_k <= 2 r_k
    if (!Ia_formBounded(out.forms[k], s.n)) continue;
    IaLpRow row{2.0 * Ia_relaxedRadius(s, k, out.forms[k]), std::vector<double>(columns + 1, 0.0)};
    row.entries[s.n + k] = -1.0;
    less.push_back(std::move(row));
  }
  const int m1 = static_cast<int>(less.size()), m2 = static_cast<int>(greater.size());
  const int m3 = static_cast<int>(equal.size()), rows = m1 + m2 + m3;
  DenseTableau t = Dense_tableauMake(rows, columns);
  int r = 1;
  for (const auto* group : {&less, &greater, &equal})
    for (const IaLpRow& row : *group) Ia_putRow(t, r++, row);
  for (int i = 1; i <= s.n; ++i)  // phase 2 minimises the objective's linear part
    Dense_tableauAt(t, 0, i) = objective ? -objective->coef[i] : 1.0;
  std::vector<int> columnVars, rowVars;
  int caseCode = DenseSimplexOptimal;
  if (!Dense_tableauSimplex(t, columns, m1, m2, m3, &caseCode, columnVars, rowVars, objective != nullptr)) return out;
  if (caseCode == DenseSimplexInfeasible) {
    out.fate = IaFate::Dead;
    return out;
  }
  if (objective && caseCode == DenseSimplexOptimal) {
    out.vertexFound = true;
    out.vertex = Ia_vertexOf(s, t, box, rowVars, rows);
  }
  return out;
}
