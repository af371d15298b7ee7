// Least-squares fitting of LINEST, LOGEST, TREND and GROWTH.
#include "worksheet/statistics/Stat_Regression.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Dbl_Scale.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

// LINEST's statistics block has this many rows.
constexpr int32_t kStatsRows = 5;

using Matrix = std::vector<std::vector<double>>;

bool present(int argc, const Value* const* argv, int i) { return i < argc && argv[i]->kind != kValMissing; }

int32_t rowsOf(const Value* v) { return v->kind == kValArray ? v->array->rows : 1; }
int32_t columnsOf(const Value* v) { return v->kind == kValArray ? v->array->columns : 1; }
double at(const Value* v, int32_t r, int32_t c) { return v->kind == kValArray ? Val_at(v, r, c)->number : v->number; }

bool numeric(const Value* v) {
  if (v->kind != kValArray) return v->kind == kValInt || v->kind == kValReal;
  for (int32_t r = 0; r < v->array->rows; ++r)
    for (int32_t c = 0; c < v->array->columns; ++c)
      if (Val_at(v, r, c)->kind != kValInt && Val_at(v, r, c)->kind != kValReal) return false;
  return true;
}

// The first error of an argument, an array's elements row by row; null
// when it holds none.
const Value* firstError(const Value* v) {
  if (v->kind != kValArray) return Wsf_isError(v) ? v : nullptr;
  for (int32_t i = 0; i < Wsf_count(v); ++i)
    if (Wsf_isError(Wsf_element(v, i))) return Wsf_element(v, i);
  return nullptr;
}

bool flag(int argc, const Value* const* argv, int i, bool absent) {
  return present(argc, argv, i) ? argv[i]->number != 0 : absent;
}

// Observations as rows of variables, read from a data argument laid out as
// known_y is (column, row or block). Null data gives the observation numbers.
enum class Layout { kColumn, kRow, kBlock };

// The variables of observation (or new point) i of x, or of 1, 2, ... when x is null.
std::vector<double> variablesOf(const Value* x, Layout layout, int32_t i, int32_t p) {
  std::vector<double> v(p);
  for (int32_t j = 0; j < p; ++j) {
    if (!x) v[j] = i + 1;
    else if (x->kind != kValArray) v[j] = x->number;
    else if (layout == Layout::kColumn) v[j] = at(x, i, j);
    else if (layout == Layout::kRow) v[j] = at(x, j, i);
    else v[j] = at(x, i / columnsOf(x), i % columnsOf(x));
  }
  return v;
}

// The scale of the numbers f(0), ..., f(n - 1), as Dbl_productScale.
template <typename F>
double scaleOf(size_t n, F f) {
  double largest = 0;
  for (size_t r = 0; r < n; ++r) largest = std::max(largest, std::fabs(f(r)));
  return Dbl_productScale(largest);
}

// The mean of the numbers f(0), ..., f(n - 1) (n > 0), about the first,
// so that equal numbers give it exactly.
template <typename F>
double meanOf(size_t n, F f) {
  double s = 0;
  for (size_t r = 0; r < n; ++r) s += f(r) - f(0);
  return f(0) + s / static_cast<double>(n);
}

// Solves the least-squares problem; the design rows in X, the coefficients
// in c (1-based). False when the normal matrix is singular. A column of X,
// or y, whose squares would leave the doubles is scaled first. With a
// constant, the variables and y are taken about their means and the
// constant follows from the slopes: the same coefficients as the full
// normal equations, without the digits those lose carrying the means'
// squares and cancelling them again.
bool solve(const Matrix& X, const std::vector<double>& y, int32_t k, bool constant, std::vector<double>* c) {
  const size_t n = X.size();
  const int32_t first = constant ? 2 : 1, p = k - first + 1;
  std::vector<double> scale(k + 1, 1.0), mean(k + 1, 0.0);
  for (int32_t i = first; i <= k; ++i) scale[i] = scaleOf(n, [&](size_t r) { return X[r][i]; });
  const double yScale = scaleOf(n, [&](size_t r) { return y[r]; });
  auto xAt = [&](size_t r, int32_t i) { return X[r][i] / scale[i]; };
  auto yAt = [&](size_t r) { return y[r] / yScale; };
  double yMean = 0;
  if (constant) {
    yMean = meanOf(n, yAt);
    for (int32_t i = first; i <= k; ++i) mean[i] = meanOf(n, [&](size_t r) { return xAt(r, i); });
  }
  Matrix a(p + 1, std::vector<double>(p + 1, 0.0));
  std::vector<double> b(p + 1, 0.0);
  std::vector<double*> rows(p + 1, nullptr);
  for (int32_t i = 1; i <= p; ++i) rows[i] = a[i].data();
  for (size_t r = 0; r < n; ++r)
    for (int32_t i = 1; i <= p; ++i) {
      const double di = xAt(r, first + i - 1) - mean[first + i - 1];
      b[i] += di * (yAt(r) - yMean);
      for (int32_t j = 1; j <= p; ++j) a[i][j] += di * (xAt(r, first + j - 1) - mean[first + j - 1]);
    }
  if (!Mat_gaussJordan(rows.data(), p, b.data())) return false;
  // One step of refinement: the slopes' own residuals, fitted the same
  // way (a now holds the inverse), recover what the solution rounded off.
  std::vector<double> g(p + 1, 0.0);
  for (size_t r = 0; r < n; ++r) {
    double e = yAt(r) - yMean;
    for (int32_t j = 1; j <= p; ++j) e -= b[j] * (xAt(r, first + j - 1) - mean[first + j - 1]);
    for (int32_t i = 1; i <= p; ++i) g[i] += (xAt(r, first + i - 1) - mean[first + i - 1]) * e;
  }
  for (int32_t i = 1; i <= p; ++i) {
    double d = 0;
    for (int32_t j = 1; j <= p; ++j) d += a[i][j] * g[j];
    b[i] += d;
  }
  c->assign(k + 1, 0.0);
  double intercept = yMean;
  for (int32_t i = 1; i <= p; ++i) {
    intercept -= b[i] * mean[first + i - 1];
    (*c)[first + i - 1] = b[i] * (yScale / scale[first + i - 1]);
  }
  if (constant) (*c)[1] = intercept * yScale;
  return true;
}

// The design row of a point: 1 first when there is a constant.
std::vector<double> designRow(const std::vector<double>& v, bool constant) {
  std::vector<double> row(1, 0.0);
  if (constant) row.push_back(1.0);
  row.insert(row.end(), v.begin(), v.end());
  return row;
}

double dotRow(const std::vector<double>& row, const std::vector<double>& c) {
  double s = 0;
  for (size_t i = 1; i < row.size(); ++i) s += row[i] * c[i];
  return s;
}

// Everything the two entries share: checks, layout, design, fit.
struct Fit {
  Layout layout = Layout::kColumn;
  int32_t n = 0, p = 0, k = 0;
  bool constant = true;
  Matrix X;
  std::vector<double> y, c;
};

// New x of one variable may have any shape (its cells are the points, row
// by row); of several, one column (row) per variable as known x has.
bool newPointsFit(const Value* nx, const Fit& f) {
  if (f.p == 1) return true;
  return f.layout == Layout::kColumn ? columnsOf(nx) == f.p : rowsOf(nx) == f.p;
}

// The shape of TREND's result: that of the new points for one variable,
// else a column of them (a row when known y is a row).
void resultShape(const Value* points, const Fit& f, int32_t m, int32_t* rows, int32_t* columns) {
  const bool asRow = f.layout == Layout::kRow;
  *rows = asRow ? 1 : m;
  *columns = asRow ? m : 1;
  if (f.p == 1 && points) {
    *rows = rowsOf(points);
    *columns = columnsOf(points);
  }
}

// Reads known_y and known_x and fits; null on success, else the result.
Value* fit(Value* result, int argc, const Value* const* argv, int dataArgs, int constArg, bool logarithmic, Fit* f) {
  for (int i = 0; i < argc; ++i)
    if (const Value* e = firstError(argv[i])) return Wsf_copy(result, e);
  // A known y left out is a blank, read as 0 (a single point).
  Value blank = Val_empty(result->context);
  Val_setNumber(&blank, 0.0);
  const Value* ky = present(argc, argv, 0) ? argv[0] : &blank;
  const Value* kx = present(argc, argv, 1) ? argv[1] : nullptr;
  if (!numeric(ky)) return Wsf_error(result, kErrValue);
  for (int i = 1; i < dataArgs; ++i)
    if (present(argc, argv, i) && !numeric(argv[i])) return Wsf_error(result, kErrValue);
  for (int i = dataArgs; i < argc; ++i)
    if (!Wsf_isPlain(argv[i])) return Wsf_error(result, kErrValue);
  f->constant = flag(argc, argv, constArg, true);
  const int32_t yr = rowsOf(ky), yc = columnsOf(ky);
  f->layout = yc == 1 ? Layout::kColumn : (yr == 1 ? Layout::kRow : Layout::kBlock);
  const Value* shape = kx ? kx : ky;
  if (f->layout == Layout::kColumn) {
    if (kx && rowsOf(kx) != yr) return Wsf_error(result, kErrRef);
    f->n = yr;
    f->p = columnsOf(shape);
  } else if (f->layout == Layout::kRow) {
    if (kx && columnsOf(kx) != yc) return Wsf_error(result, kErrRef);
    f->n = yc;
    f->p = rowsOf(shape);
  } else {
    if (kx && (rowsOf(kx) != yr || columnsOf(kx) != yc)) return Wsf_error(result, kErrRef);
    f->n = yr * yc;
    f->p = 1;
  }
  // Known x of another shape than known y (a lone known x is one point), or
  // new x without one column (row) per variable, is #REF!; points too few
  // or too alike to fix the coefficients (no spread in x) are #DIV/0!, as
  // SLOPE's.
  if (dataArgs > 2 && present(argc, argv, 2) && !newPointsFit(argv[2], *f)) return Wsf_error(result, kErrRef);
  f->k = f->p + (f->constant ? 1 : 0);
  if (f->n < f->k) return Wsf_error(result, kErrDiv0);
  for (int32_t i = 0; i < f->n; ++i) {
    double y = f->layout == Layout::kRow ? at(ky, 0, i) : at(ky, i / yc, i % yc);
    if (logarithmic) {
      if (!(y > 0)) return Wsf_error(result, kErrNum);
      y = Num_lnChecked(y);
    }
    f->y.push_back(y);
    f->X.push_back(designRow(variablesOf(kx, f->layout, i, f->p), f->constant));
  }
  if (!solve(f->X, f->y, f->k, f->constant, &f->c)) return Wsf_error(result, kErrDiv0);
  return nullptr;
}

}  // namespace

Value* Stat_fitLinest(Value* result, int argc, const Value* const* argv, bool logarithmic) {
  Fit f;
  if (Value* done = fit(result, argc, argv, 2, 2, logarithmic, &f)) return done;
  const bool stats = flag(argc, argv, 3, false);
  const int32_t columns = stats ? std::max(f.k, 2) : f.k;
  Value out = Val_empty(result->context);
  if (Val_makeArray(&out, static_cast<int32_t>(stats ? kStatsRows : 1), static_cast<int32_t>(columns)) != kStatusOk)
    return Wsf_error(result, kErrValue);
  for (int32_t j = 0; j < f.k; ++j) {
    const double coefficient = f.c[f.k - j];
    Wsf_finite(Val_at(&out, 0, j), logarithmic ? std::exp(coefficient) : coefficient);
  }
  if (stats) {
    for (int32_t r = 1; r <= 3; ++r)
      for (int32_t j = 0; j < columns; ++j) Val_setError(Val_at(&out, r, j), kErrNA);
    double residual = 0, meanFit = 0;
    std::vector<double> fitted(f.n);
    for (int32_t i = 0; i < f.n; ++i) {
      fitted[i] = dotRow(f.X[i], f.c);
      residual += Num_sqrChecked(f.y[i] - fitted[i]);
      meanFit += fitted[i] / f.n;
    }
    double total = 0;
    for (int32_t i = 0; i < f.n; ++i) total += Num_sqrChecked(f.y[i] - meanFit);
    const double regression = total - residual;
    Wsf_finite(Val_at(&out, 2, 0), 1 - residual / (regression + residual));
    Val_setNumber(Val_at(&out, 3, 1), f.n - f.k);
    Wsf_finite(Val_at(&out, 4, 0), regression);
    Wsf_finite(Val_at(&out, 4, 1), residual);
  }
  Val_clear(result);
  *result = out;
  return result;
}

Value* Stat_fitTrend(Value* result, int argc, const Value* const* argv, bool logarithmic) {
  Fit f;
  if (Value* done = fit(result, argc, argv, 3, 3, logarithmic, &f)) return done;
  const Value* kx = present(argc, argv, 1) ? argv[1] : nullptr;
  const Value* nx = present(argc, argv, 2) ? argv[2] : kx;
  const Layout layout = f.p == 1 ? Layout::kBlock : f.layout;
  int32_t m = f.n;
  if (present(argc, argv, 2)) {
    if (nx->kind != kValArray) m = 1;
    else if (layout == Layout::kColumn) m = rowsOf(nx);
    else if (layout == Layout::kRow) m = columnsOf(nx);
    else m = rowsOf(nx) * columnsOf(nx);
  }
  int32_t rows = 0, columns = 0;
  resultShape(nx ? nx : (present(argc, argv, 0) ? argv[0] : nullptr), f, m, &rows, &columns);
  Value out = Val_empty(result->context);
  if (Val_makeArray(&out, rows, columns) != kStatusOk) return Wsf_error(result, kErrValue);
  for (int32_t i = 0; i < m; ++i) {
    const std::vector<double> row = nx ? designRow(variablesOf(nx, layout, i, f.p), f.constant) : f.X[i];
    const double v = dotRow(row, f.c);
    Wsf_finite(Val_at(&out, i / columns, i % columns), logarithmic ? std::exp(v) : v);
  }
  Val_clear(result);
  *result = out;
  return result;
}

Value* Wsf_trend(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  return Stat_fitTrend(result, argc, argv, false);
}
