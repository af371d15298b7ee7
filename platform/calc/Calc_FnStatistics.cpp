// Statistical worksheet functions: variances and standard deviations (and
// their A forms, which read booleans and texts in ranges), MAXA, MINA,
// MEDIAN, MODE, SMALL, PERCENTILE, QUARTILE, PERCENTRANK, RANK, TRIMMEAN,
// SKEW, the paired PEARSON, RSQ, SLOPE and STEYX, TREND of one variable or
// several, and SUBTOTAL, which hands its references to the function it
// names.
#include <algorithm>
#include <cmath>
#include <memory>

#include "base/Dbl_Scale.h"
#include "base/Dbl_Whole.h"
#include "platform/calc/Calc_Internal.h"

namespace {

CellValue num(double d) { return Calc_numberResult(d); }
CellValue error(CellError e) { return CellValue::makeError(e); }

// The mean about the first value, so that equal values give it exactly.
double mean(const std::vector<double>& v) {
  double s = 0;
  for (double x : v) s += x - v[0];
  return v[0] + s / static_cast<double>(v.size());
}

// Sum of squared deviations from the mean, in long double: a last bit of
// the mean moves it by nothing, so every way of forming it rounds alike.
double deviations(const std::vector<double>& v) {
  const long double m = mean(v);
  long double s = 0;
  for (double x : v) s += (x - m) * (x - m);
  return static_cast<double>(s);
}

// The numbers divided by the scale `scaleOf` gives their largest
// magnitude, which is returned.
double scaledBy(std::vector<double>* v, double (*scaleOf)(double)) {
  double largest = 0;
  for (double x : *v) largest = std::max(largest, std::fabs(x));
  const double scale = scaleOf(largest);
  for (double& x : *v) x /= scale;
  return scale;
}

// The numbers divided by their moment scale (Dbl_momentScale), which is
// returned: their deviations, squares and cubes then stay in the doubles
// whatever their magnitude, and numbers in between come out as without it.
double momentScaled(std::vector<double>* v) { return scaledBy(v, Dbl_momentScale); }

// VAR, VARP, STDEV, STDEVP and their A forms: `sample` divides by n - 1.
void spread(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool all, bool sample, bool root) {
  std::vector<double> v;
  CellValue err;
  if (!Calc_numbersOf(ctx, call, all, &v, &err)) return Calc_setScalar(out, err);
  if (v.size() < (sample ? 2u : 1u)) return Calc_setScalar(out, error(CellError::Div0));
  const double scale = momentScaled(&v);
  const double var = deviations(v) / static_cast<double>(v.size() - (sample ? 1 : 0));
  Calc_setScalar(out, num(root ? std::sqrt(var) * scale : var * scale * scale));
}

#define SPREAD(NAME, ALL, SAMPLE, ROOT) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { spread(ctx, call, out, ALL, SAMPLE, ROOT); }
SPREAD(fnVar, false, true, false)
SPREAD(fnVarA, true, true, false)
SPREAD(fnVarP, false, false, false)
SPREAD(fnVarPA, true, false, false)
SPREAD(fnStdev, false, true, true)
SPREAD(fnStdevA, true, true, true)
SPREAD(fnStdevP, false, false, true)
SPREAD(fnStdevPA, true, false, true)
#undef SPREAD

// A function of the sorted numbers of some arguments.
template <typename Fn>
void sorted(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool all, size_t count, Fn fn) {
  std::vector<double> v;
  CellValue err;
  if (!Calc_numbersOf(ctx, call, all, &v, &err, 0, count)) return Calc_setScalar(out, err);
  std::sort(v.begin(), v.end());
  Calc_setScalar(out, fn(v));
}

void fnMaxA(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  sorted(ctx, call, out, true, SIZE_MAX, [](const std::vector<double>& v) { return num(v.empty() ? 0 : v.back()); });
}
void fnMinA(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  sorted(ctx, call, out, true, SIZE_MAX, [](const std::vector<double>& v) { return num(v.empty() ? 0 : v.front()); });
}

// The value at fraction p of the sorted numbers, between neighbours linearly.
CellValue percentile(const std::vector<double>& v, double p) {
  if (v.empty() || !(p >= 0 && p <= 1)) return error(CellError::Num);
  double pos = p * static_cast<double>(v.size() - 1);
  size_t i = static_cast<size_t>(std::floor(pos));
  double frac = pos - static_cast<double>(i);
  return num(i + 1 < v.size() ? v[i] + frac * (v[i + 1] - v[i]) : v[i]);
}

void fnMedian(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  sorted(ctx, call, out, false, SIZE_MAX, [](const std::vector<double>& v) { return percentile(v, 0.5); });
}

// The second argument as a number; false with *err.
bool numberArg(const CalcContext& ctx, const CalcNode& call, size_t i, double* out, CellValue* err) {
  return Calc_toNumber(Calc_evalScalar(ctx, call.args[i]), out, err);
}

void fnPercentile(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  double p;
  CellValue err;
  if (!numberArg(ctx, call, 1, &p, &err)) return Calc_setScalar(out, err);
  sorted(ctx, call, out, false, 1, [p](const std::vector<double>& v) { return percentile(v, p); });
}

void fnQuartile(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  double q;
  CellValue err;
  if (!numberArg(ctx, call, 1, &q, &err)) return Calc_setScalar(out, err);
  q = std::trunc(q);
  sorted(ctx, call, out, false, 1, [q](const std::vector<double>& v) {
    return q < 0 || q > 4 ? error(CellError::Num) : percentile(v, q / 4);
  });
}

// SMALL(numbers, k): the k-th smallest, element by element for a block of
// k; an error among the numbers is each element's answer.
void fnSmall(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue fault;
  const bool numbers = Calc_numbersOf(ctx, call, false, &v, &fault, 0, 1);
  std::sort(v.begin(), v.end());
  CalcValue ks;
  Calc_eval(ctx, call.args[1], &ks);
  Calc_intersect(ctx, &ks);
  CalcArray a = Calc_valuesOf(ks);
  for (CellValue& x : a.values) {
    double k;
    CellValue err;
    if (!numbers) {
      x = fault;
      continue;
    }
    if (!Calc_toNumber(x, &k, &err)) { x = err; continue; }
    size_t rank = 0;   // k rounded up; NaN and k past the whole numbers fit no rank
    x = Dbl_toWhole(std::ceil(k), &rank) && rank >= 1 && rank <= v.size() ? num(v[rank - 1]) : error(CellError::Num);
  }
  out->area = nullptr;
  out->isArray = ks.isArray || a.values.size() > 1;  // a range of several k in array evaluation too
  out->array = std::move(a);
}

// The first of the most frequent numbers, in the order the arguments give them.
void fnMode(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue err;
  if (!Calc_numbersOf(ctx, call, false, &v, &err)) return Calc_setScalar(out, err);
  std::vector<double> order = v;
  std::sort(v.begin(), v.end());
  long best = 1;
  double mode = 0;
  for (double x : order) {
    long n = std::upper_bound(v.begin(), v.end(), x) - std::lower_bound(v.begin(), v.end(), x);
    if (n > best) { best = n; mode = x; }
  }
  Calc_setScalar(out, best > 1 ? num(mode) : error(CellError::NA));
}

// The rank of x among the sorted numbers as a fraction, cut to `digits`
// decimals as its 15 digits read (0.16799999999999998 is 0.168 to them):
// #NUM! for no numbers, #N/A for an x outside them.
CellValue percentRank(const std::vector<double>& v, double x, double digits) {
  if (digits < 1 || v.empty()) return error(CellError::Num);
  if (x < v.front() || x > v.back()) return error(CellError::NA);
  if (v.size() == 1) return num(1);
  const double below = static_cast<double>(std::lower_bound(v.begin(), v.end(), x) - v.begin());
  const size_t at = static_cast<size_t>(below);
  const double last = static_cast<double>(v.size() - 1);
  const double r = v[at] == x ? below / last : (below - 1 + (x - v[at - 1]) / (v[at] - v[at - 1])) / last;
  return num(Calc_roundDown(r, digits));
}

// PERCENTRANK(array, x, significance): the faults in the arguments' order.
void fnPercentRank(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  double x, digits = 3;
  CellValue err;
  if (!Calc_numbersOf(ctx, call, false, &v, &err, 0, 1) || !numberArg(ctx, call, 1, &x, &err) ||
      (call.args.size() > 2 && !numberArg(ctx, call, 2, &digits, &err)))
    return Calc_setScalar(out, err);
  std::sort(v.begin(), v.end());
  Calc_setScalar(out, percentRank(v, x, std::trunc(digits)));
}

// RANK's arguments after its number, read once: with a sorted copy of the
// numbers when many numbers are ranked against them.
struct RankSample {
  CellValue fault;
  bool ok = false;
  double ascending = 0;
  std::vector<double> v;
  bool sorted = false;
};

void readRankSample(const CalcContext& ctx, const CalcNode& call, bool shared, RankSample* s) {
  if (call.args.size() > 2 && !numberArg(ctx, call, 2, &s->ascending, &s->fault)) return;
  if (!Calc_numbersOf(ctx, call, false, &s->v, &s->fault, 1, 1)) return;
  s->ok = true;
  s->sorted = shared;
  if (shared) std::sort(s->v.begin(), s->v.end());
}

// The count of the numbers before x in the order asked and of those equal.
void rankCounts(const RankSample& s, double x, double* before, double* equal) {
  if (!s.sorted) {
    for (double y : s.v) {
      *before += s.ascending != 0 ? y < x : y > x;
      *equal += y == x;
    }
    return;
  }
  const auto lo = std::lower_bound(s.v.begin(), s.v.end(), x), hi = std::upper_bound(lo, s.v.end(), x);
  *equal = static_cast<double>(hi - lo);
  *before = static_cast<double>(s.ascending != 0 ? lo - s.v.begin() : s.v.end() - hi);
}

CellValue rankAnswer(const RankSample& s, const CellValue& key) {
  double x, before = 0, equal = 0;
  CellValue err;
  if (!Calc_toNumber(key, &x, &err)) return err;
  if (!s.ok) return s.fault;
  rankCounts(s, x, &before, &equal);
  return equal > 0 ? num(before + 1) : error(CellError::NA);
}

void fnRank(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  const CellValue key = Calc_evalScalar(ctx, call.args[0]);
  double x;
  CellValue err;
  if (!Calc_toNumber(key, &x, &err)) return Calc_setScalar(out, err);
  RankSample s;
  readRankSample(ctx, call, false, &s);
  Calc_setScalar(out, rankAnswer(s, key));
}

CalcKeyedAnswer rankKeyed(const CalcContext& ctx, const CalcNode& call) {
  auto s = std::make_shared<RankSample>();
  readRankSample(ctx, call, true, s.get());
  return [s](const CellValue& key) { return rankAnswer(*s, key); };
}

void fnTrimMean(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  double p;
  CellValue err;
  if (!numberArg(ctx, call, 1, &p, &err)) return Calc_setScalar(out, err);
  sorted(ctx, call, out, false, 1, [p](const std::vector<double>& v) {
    if (!(p >= 0 && p < 1) || v.empty()) return error(CellError::Num);
    size_t cut = static_cast<size_t>(std::floor(static_cast<double>(v.size()) * p / 2));
    return num(mean(std::vector<double>(v.begin() + static_cast<long>(cut), v.end() - static_cast<long>(cut))));
  });
}

void fnSkew(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<double> v;
  CellValue err;
  if (!Calc_numbersOf(ctx, call, false, &v, &err)) return Calc_setScalar(out, err);
  double n = static_cast<double>(v.size());
  if (n < 3) return Calc_setScalar(out, error(CellError::Div0));
  momentScaled(&v);
  // The cubes about the plain mean, the sum over the count: the third
  // moment moves with the mean's last bit, and this is the mean the
  // workbook's SKEW takes.
  double m = 0, sum = 0;
  for (double x : v) m += x;
  m /= n;
  const double s = std::sqrt(deviations(v) / (n - 1));
  if (s == 0) return Calc_setScalar(out, error(CellError::Div0));
  for (double x : v) sum += std::pow((x - m) / s, 3);
  Calc_setScalar(out, num(n / ((n - 1) * (n - 2)) * sum));
}

// The pairs of two blocks with as many items whose items are both numbers.
bool pairsOf(const CalcContext& ctx, const CalcNode& call, std::vector<double>* ys, std::vector<double>* xs, CellValue* err) {
  CalcValue vy, vx;
  Calc_evalArray(ctx, call.args[0], &vy);
  Calc_evalArray(ctx, call.args[1], &vx);
  CalcGrid y(vy), x(vx);
  if (y.rows * y.cols != x.rows * x.cols) { *err = error(CellError::NA); return false; }
  for (int k = 0; k < y.rows * y.cols; ++k) {
    const CellValue& a = y.at(k / y.cols, k % y.cols);
    const CellValue& b = x.at(k / x.cols, k % x.cols);
    if (a.kind == CellKind::Error) { *err = a; return false; }
    if (b.kind == CellKind::Error) { *err = b; return false; }
    if (a.kind != CellKind::Number || b.kind != CellKind::Number) continue;
    ys->push_back(a.number);
    xs->push_back(b.number);
  }
  return true;
}

// Sums of the pairs about their means: sxx, syy, sxy.
struct Moments {
  double n = 0, mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
};
Moments momentsOf(const std::vector<double>& ys, const std::vector<double>& xs) {
  Moments m;
  m.n = static_cast<double>(ys.size());
  m.my = mean(ys);
  m.mx = mean(xs);
  for (size_t i = 0; i < ys.size(); ++i) {
    m.sxx += (xs[i] - m.mx) * (xs[i] - m.mx);
    m.syy += (ys[i] - m.my) * (ys[i] - m.my);
    m.sxy += (xs[i] - m.mx) * (ys[i] - m.my);
  }
  return m;
}

// PEARSON, RSQ, SLOPE and STEYX share the moments of the pairs.
enum class Paired { Pearson, Rsq, Slope, Steyx };

void paired(const CalcContext& ctx, const CalcNode& call, CalcValue* out, Paired kind) {
  std::vector<double> ys, xs;
  CellValue err;
  if (!pairsOf(ctx, call, &ys, &xs, &err)) return Calc_setScalar(out, err);
  // PEARSON and RSQ read their arguments the other way round; the moments do not care.
  size_t least = kind == Paired::Steyx ? 3 : kind == Paired::Slope ? 1 : 2;
  if (ys.size() < least) return Calc_setScalar(out, error(CellError::Div0));
  Moments m = momentsOf(ys, xs);
  if (m.sxx == 0 || (kind != Paired::Slope && kind != Paired::Steyx && m.syy == 0))
    return Calc_setScalar(out, error(CellError::Div0));
  double r = m.sxy / std::sqrt(m.sxx * m.syy);
  switch (kind) {
    case Paired::Pearson: return Calc_setScalar(out, num(r));
    case Paired::Rsq: return Calc_setScalar(out, num(r * r));
    case Paired::Slope: return Calc_setScalar(out, num(m.sxy / m.sxx));
    case Paired::Steyx: {
      // The residual sum of squares, never below 0 but by rounding on a perfect fit.
      const double residual = std::max(0.0, m.syy - m.sxy * m.sxy / m.sxx);
      return Calc_setScalar(out, num(std::sqrt(residual / (m.n - 2))));
    }
  }
}
void fnPearson(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { paired(ctx, call, out, Paired::Pearson); }
void fnRsq(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { paired(ctx, call, out, Paired::Rsq); }
void fnSlope(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { paired(ctx, call, out, Paired::Slope); }
void fnSteyx(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { paired(ctx, call, out, Paired::Steyx); }

// TREND's data arguments (known y, known x, new x) are read whole, as
// arrays, and must hold only numbers: a text, logical or blank in a range or
// an array is #VALUE!, a text or logical given directly counts by its
// number, a blank value (INDEX(,,)) is #VALUE! there too. The numbers
// are kept row by row with the argument's shape.
struct TrendData {
  bool given = false;
  CalcValue value;
  int rows = 1, cols = 1;
  std::vector<double> numbers;
  double at(int r, int c) const { return numbers[static_cast<size_t>(r * cols + c)]; }
};

// The first error among the elements of a given argument; false when there is none.
bool firstError(const TrendData& d, CellValue* err) {
  if (!d.given) return false;
  const CalcGrid g(d.value);
  for (int r = 0; r < g.rows; ++r)
    for (int c = 0; c < g.cols; ++c)
      if (g.at(r, c).kind == CellKind::Error) return *err = g.at(r, c), true;
  return false;
}

bool trendNumbers(TrendData* d, CellValue* err) {
  if (!d->given) return true;
  const CalcGrid g(d->value);
  const bool direct = !d->value.area && !d->value.isArray;
  d->rows = g.rows;
  d->cols = g.cols;
  for (int r = 0; r < g.rows; ++r)
    for (int c = 0; c < g.cols; ++c) {
      const CellValue& x = g.at(r, c);
      double n = x.number;
      if (x.kind != CellKind::Number && !(direct && x.kind != CellKind::Empty && Calc_toNumber(x, &n, err)))
        return *err = error(CellError::Value), false;
      d->numbers.push_back(n);
    }
  return true;
}

// Known x left out are 1, 2, 3, ... in the shape of known y.
void trendDefaultX(const TrendData& y, TrendData* x) {
  x->rows = y.rows;
  x->cols = y.cols;
  for (size_t i = 0; i < y.numbers.size(); ++i) x->numbers.push_back(static_cast<double>(i + 1));
}

// How the points lie in the data: known y a column (each column of known x
// a variable), a row (each row a variable) or a block (one variable, the
// cells row by row).
enum class TrendLayout { kColumn, kRow, kBlock };

// The least-squares fit of n points in p variables.
struct TrendFit {
  TrendLayout layout = TrendLayout::kBlock;
  int n = 0, p = 1;
  double intercept = 0;
  std::vector<double> slopes;
};

// Variable j of point i of x laid out as the fit's data.
double trendVariable(const TrendData& x, const TrendFit& f, int i, int j) {
  if (f.p == 1) return x.numbers[static_cast<size_t>(i)];
  return f.layout == TrendLayout::kColumn ? x.at(i, j) : x.at(j, i);
}

// The layout and sizes from known y and known x; false when known x does
// not have known y's rows (a column), columns (a row) or shape (a block).
bool trendShape(const TrendData& y, const TrendData& x, TrendFit* f) {
  if (y.cols == 1) {
    *f = {TrendLayout::kColumn, y.rows, x.cols, 0, {}};
    return x.rows == y.rows;
  }
  if (y.rows == 1) {
    *f = {TrendLayout::kRow, y.cols, x.rows, 0, {}};
    return x.cols == y.cols;
  }
  *f = {TrendLayout::kBlock, y.rows * y.cols, 1, 0, {}};
  return x.rows == y.rows && x.cols == y.cols;
}

// New x of one variable may have any shape; of several, one column (row)
// per variable as known x has.
bool trendNewFits(const TrendData& nx, const TrendFit& f) {
  if (f.p == 1) return true;
  return f.layout == TrendLayout::kColumn ? nx.cols == f.p : nx.rows == f.p;
}

// Solves the normal equations a s = b (a symmetric, b its last column) by
// elimination; false when a pivot vanishes against its diagonal, that is when
// the variables do not spread or one follows from the others.
bool trendEliminate(std::vector<std::vector<double>>* a, std::vector<double>* s) {
  constexpr double kCollinear = 1e-12;
  const size_t p = a->size();
  std::vector<std::vector<double>>& m = *a;
  for (size_t j = 0; j < p; ++j) {
    const double diagonal = m[j][j];
    for (size_t r = 0; r < j; ++r) {
      const double factor = m[j][r] / m[r][r];
      for (size_t c = r; c <= p; ++c) m[j][c] -= factor * m[r][c];
    }
    if (!(std::fabs(m[j][j]) > kCollinear * diagonal)) return false;
  }
  s->assign(p, 0);
  for (size_t j = p; j-- > 0;) {
    double rest = m[j][p];
    for (size_t c = j + 1; c < p; ++c) rest -= m[j][c] * (*s)[c];
    (*s)[j] = rest / m[j][j];
  }
  return true;
}

// The numbers divided by their scale (Dbl_productScale), which is returned.
double scaledDown(std::vector<double>* v) { return scaledBy(v, Dbl_productScale); }

// The least-squares fit by the normal equations, about the means when there
// is a constant (for one variable the slope sxy / sxx); false when the
// points are too few or too alike to fix the coefficients. A variable, or
// y, whose squares would leave the doubles is scaled first.
bool trendSolve(const TrendData& y, const TrendData& x, bool constant, TrendFit* f) {
  const size_t p = static_cast<size_t>(f->p);
  if (f->n < f->p + (constant ? 1 : 0)) return false;
  std::vector<std::vector<double>> vars(p);
  std::vector<double> scale(p), ys = y.numbers;
  for (size_t j = 0; j < p; ++j) {
    for (int i = 0; i < f->n; ++i) vars[j].push_back(trendVariable(x, *f, i, static_cast<int>(j)));
    scale[j] = scaledDown(&vars[j]);
  }
  const double yScale = scaledDown(&ys);
  const double my = constant ? mean(ys) : 0;
  std::vector<double> mx(p, 0);
  for (size_t j = 0; constant && j < p; ++j) mx[j] = mean(vars[j]);
  std::vector<std::vector<double>> a(p, std::vector<double>(p + 1, 0));
  for (size_t i = 0; i < ys.size(); ++i)
    for (size_t j = 0; j < p; ++j) {
      const double dj = vars[j][i] - mx[j];
      a[j][p] += dj * (ys[i] - my);
      for (size_t l = 0; l < p; ++l) a[j][l] += dj * (vars[l][i] - mx[l]);
    }
  if (!trendEliminate(&a, &f->slopes)) return false;
  double intercept = my;
  for (size_t j = 0; j < p; ++j) {
    intercept -= f->slopes[j] * mx[j];
    f->slopes[j] *= yScale / scale[j];
  }
  f->intercept = intercept * yScale;
  return true;
}

// The fitted values at the new x: in their shape for one variable, else a
// column of points (a row when known y is a row).
CalcArray trendValues(const TrendData& nx, const TrendFit& f) {
  CalcArray shape;
  const bool oneVariable = f.p == 1;
  const bool asRow = f.layout == TrendLayout::kRow;
  const int m = oneVariable ? nx.rows * nx.cols : asRow ? nx.cols : nx.rows;
  shape.rows = oneVariable ? nx.rows : asRow ? 1 : m;
  shape.cols = oneVariable ? nx.cols : asRow ? m : 1;
  for (int i = 0; i < m; ++i) {
    double v = f.intercept;
    for (int j = 0; j < f.p; ++j) v += f.slopes[static_cast<size_t>(j)] * trendVariable(nx, f, i, j);
    shape.values.push_back(num(v));
  }
  return shape;
}

// TREND(known y, known x, new x, constant): the least-squares fit at each
// new x (the known x by default; 1, 2, ... when none is given), of one
// variable or of several. The arguments' errors come first, in argument
// order, then their kinds, then the shapes (#REF! when known x does not
// match known y, or new x not its variables), then the fit (#DIV/0! when
// the points cannot fix it).
void fnTrend(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  auto given = [&](size_t i) { return call.args.size() > i && call.args[i].op != CalcOp::Missing; };
  TrendData data[3];
  CellValue err;
  for (size_t i = 0; i < 3; ++i) {
    data[i].given = i == 0 || given(i);
    if (data[i].given) Calc_evalArray(ctx, call.args[i], &data[i].value);
  }
  if (!given(0)) Calc_setScalar(&data[0].value, num(0));  // known y left out: one point at 0
  const CellValue flag = given(3) ? Calc_evalScalar(ctx, call.args[3]) : CellValue::makeBoolean(true);
  for (size_t i = 0; i < 3; ++i)
    if (firstError(data[i], &err)) return Calc_setScalar(out, err);
  if (flag.kind == CellKind::Error) return Calc_setScalar(out, flag);
  for (TrendData& d : data)
    if (!trendNumbers(&d, &err)) return Calc_setScalar(out, err);
  bool constant = true;
  if (!Calc_toBool(flag, &constant, &err)) return Calc_setScalar(out, err);
  if (!given(1)) trendDefaultX(data[0], &data[1]);
  TrendFit fit;
  const TrendData& newX = data[given(2) ? 2 : 1];
  if (!trendShape(data[0], data[1], &fit) || !trendNewFits(newX, fit))
    return Calc_setScalar(out, error(CellError::Ref));
  if (!trendSolve(data[0], data[1], constant, &fit)) return Calc_setScalar(out, error(CellError::Div0));
  CalcArray values = trendValues(newX, fit);
  out->area = nullptr;
  out->isArray = true;  // an array even of one value, as ROWS and TYPE see it
  out->array = std::move(values);
}

// Whether every argument after SUBTOTAL's function number is a reference (a
// range, a cell, a union of areas): a subtotal is taken of cells only.
bool subtotalOfReferences(const CalcContext& ctx, const CalcNode& call) {
  for (size_t i = 1; i < call.args.size(); ++i) {
    if (call.args[i].op == CalcOp::Union) continue;
    CalcValue v;
    Calc_evalArray(ctx, call.args[i], &v);
    if (!v.area) return false;
  }
  return true;
}

// SUBTOTAL(function, references...): 1-11, or 101-111 (which would leave
// out hidden rows; this application hides none). Any other value given for
// a reference makes it #VALUE!, before the function number is read.
void fnSubtotal(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  static const char* const kNames[] = {"AVERAGE", "COUNT", "COUNTA", "MAX", "MIN", "PRODUCT",
                                       "STDEV", "STDEVP", "SUM", "VAR", "VARP"};
  double code;
  CellValue err;
  if (!subtotalOfReferences(ctx, call)) return Calc_setScalar(out, error(CellError::Value));
  if (!numberArg(ctx, call, 0, &code, &err)) return Calc_setScalar(out, err);
  if (!(code >= 1 && code < 112) || (code >= 12 && code < 101)) return Calc_setScalar(out, error(CellError::Value));
  int k = static_cast<int>(std::trunc(code)) % 100;
  CalcNode rest = call;
  rest.args.erase(rest.args.begin());
  Calc_builtin(Calc_findBuiltin(kNames[k - 1])).fn(ctx, rest, out);
}

}  // namespace

bool Calc_numbersOf(const CalcContext& ctx, const CalcNode& call, bool all, std::vector<double>* out, CellValue* err,
                    size_t first, size_t count) {
  return Calc_eachValue(ctx, call, [&](const CellValue& x, bool fromRange) {
    if (x.kind == CellKind::Error) { *err = x; return false; }
    if (!fromRange) {   // the A forms read a direct text that is no number as 0
      double d;
      if (!Calc_toNumber(x, &d, err) && !(all && x.kind == CellKind::Text)) return false;
      out->push_back(x.kind == CellKind::Text && all && !Calc_textToNumber(x.text, &d) ? 0 : d);
    } else if (x.kind == CellKind::Number || (all && x.kind == CellKind::Boolean)) {
      out->push_back(x.number);
    } else if (all && x.kind == CellKind::Text) {
      out->push_back(0);
    }
    return true;
  }, first, count);
}

std::vector<CalcBuiltinInfo> Calc_statisticsFunctions() {
  constexpr int kMany = 255;
  return {
      {"VAR", 1, kMany, fnVar},
      {"VARA", 1, kMany, fnVarA},
      {"VARP", 1, kMany, fnVarP},
      {"VARPA", 1, kMany, fnVarPA},
      {"STDEV", 1, kMany, fnStdev},
      {"STDEVA", 1, kMany, fnStdevA},
      {"STDEVP", 1, kMany, fnStdevP},
      {"STDEVPA", 1, kMany, fnStdevPA},
      {"VAR.S", 1, kMany, fnVar},
      {"VAR.P", 1, kMany, fnVarP},
      {"STDEV.S", 1, kMany, fnStdev},
      {"STDEV.P", 1, kMany, fnStdevP},
      {"MAXA", 1, kMany, fnMaxA},
      {"MINA", 1, kMany, fnMinA},
      {"MEDIAN", 1, kMany, fnMedian},
      {"MODE", 1, kMany, fnMode},
      {"PERCENTILE", 2, 2, fnPercentile, Calc_oneValueArgs({1})},
      {"QUARTILE", 2, 2, fnQuartile, Calc_oneValueArgs({1})},
      {"SMALL", 2, 2, fnSmall},
      {"PERCENTRANK", 2, 3, fnPercentRank, Calc_oneValueArgs({1, 2})},
      {"RANK", 2, 3, fnRank, Calc_oneValueArgs({0, 2}), false, rankKeyed},
      {"TRIMMEAN", 2, 2, fnTrimMean, Calc_oneValueArgs({1})},
      {"SKEW", 1, kMany, fnSkew},
      {"PEARSON", 2, 2, fnPearson},
      {"RSQ", 2, 2, fnRsq},
      {"SLOPE", 2, 2, fnSlope},
      {"STEYX", 2, 2, fnSteyx},
      {"TREND", 1, 4, fnTrend},
      {"SUBTOTAL", 2, kMany, fnSubtotal, Calc_oneValueArgs({0})},
  };
}
