// Matrix worksheet functions: MDETERM and MINVERSE (Gaussian elimination
// with partial pivoting), and the paired sums SUMX2MY2, SUMX2PY2, SUMXMY2.
#include <algorithm>
#include <cmath>

#include "base/Dbl_Quad.h"
#include "platform/calc/Calc_Internal.h"

namespace {

CellValue error(CellError e) { return CellValue::makeError(e); }

// A square block of numbers, row by row; false with *err otherwise.
bool squareMatrix(const CalcContext& ctx, const CalcNode& arg, std::vector<double>* m, int* n, CellValue* err) {
  CalcValue v;
  Calc_evalArray(ctx, arg, &v);
  CalcGrid g(v);
  if (g.rows != g.cols) { *err = error(CellError::Value); return false; }
  *n = g.rows;
  return Calc_gridNumbers(g, m, err);
}

// Reduces [a | b] (b with `extra` columns) to the identity on the left; the
// determinant of a, 0 when a is singular: a pivot that is the rounding of
// the products subtracted from its entry (their magnitudes summed in terms)
// is no pivot, and the result no inverse of rounding errors. In quadruple
// precision: the elimination cancels, and the extra digits keep the
// result's.
DblQuad eliminate(std::vector<DblQuad>& a, int n, std::vector<DblQuad>& b, int extra) {
  std::vector<DblQuad> terms(a.size(), 0.0);
  DblQuad det = 1;
  for (int k = 0; k < n; ++k) {
    int p = k;
    for (int i = k + 1; i < n; ++i)
      if (Dbl_quadMagnitude(a[i * n + k]) > Dbl_quadMagnitude(a[p * n + k])) p = i;
    if (Dbl_quadLostPivot(a[p * n + k], terms[p * n + k], n)) return 0;
    if (p != k) {
      det = -det;
      for (int j = 0; j < n; ++j) {
        std::swap(a[k * n + j], a[p * n + j]);
        std::swap(terms[k * n + j], terms[p * n + j]);
      }
      for (int j = 0; j < extra; ++j) std::swap(b[k * extra + j], b[p * extra + j]);
    }
    const DblQuad pivot = a[k * n + k];
    det *= pivot;
    for (int j = 0; j < n; ++j) a[k * n + j] /= pivot;
    for (int j = 0; j < extra; ++j) b[k * extra + j] /= pivot;
    for (int i = 0; i < n; ++i) {
      const DblQuad f = a[i * n + k];
      if (i == k || f == 0) continue;
      for (int j = 0; j < n; ++j) {
        a[i * n + j] -= f * a[k * n + j];
        terms[i * n + j] += Dbl_quadMagnitude(f * a[k * n + j]);
      }
      for (int j = 0; j < extra; ++j) b[i * extra + j] -= f * b[k * extra + j];
    }
  }
  return det;
}

// The matrix argument in quadruple precision; false with *err when it is
// none.
bool squareMatrix(const CalcContext& ctx, const CalcNode& arg, std::vector<DblQuad>* m, int* n, CellValue* err) {
  std::vector<double> numbers;
  if (!squareMatrix(ctx, arg, &numbers, n, err)) return false;
  m->assign(numbers.begin(), numbers.end());
  return true;
}

// The determinant of two rows by its definition, exact but for one
// rounding: elimination would round the multiplier and lose the digits the
// two products share.
DblQuad twoRows(const std::vector<DblQuad>& a) {
  return Dbl_crossDifference(static_cast<double>(a[0]), static_cast<double>(a[1]), static_cast<double>(a[2]),
                             static_cast<double>(a[3]));
}

void fnMDeterm(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<DblQuad> a, none;
  int n = 0;
  CellValue err;
  if (!squareMatrix(ctx, call.args[0], &a, &n, &err)) return Calc_setScalar(out, err);
  const DblQuad det = n == 2 ? twoRows(a) : eliminate(a, n, none, 0);
  Calc_setScalar(out, Calc_numberResult(static_cast<double>(det)));
}

// The inverse of a matrix of two rows: its adjugate over its determinant.
bool invertTwoRows(const std::vector<DblQuad>& a, std::vector<DblQuad>* inv) {
  const DblQuad det = twoRows(a);
  if (det == 0) return false;
  *inv = {a[3] / det, -a[1] / det, -a[2] / det, a[0] / det};
  return true;
}

void fnMInverse(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<DblQuad> a;
  int n = 0;
  CellValue err;
  if (!squareMatrix(ctx, call.args[0], &a, &n, &err)) return Calc_setScalar(out, err);
  std::vector<DblQuad> inv(static_cast<size_t>(n) * n, 0.0);
  for (int i = 0; i < n; ++i) inv[static_cast<size_t>(i) * n + i] = 1;
  const bool inverted = n == 2 ? invertTwoRows(a, &inv) : eliminate(a, n, inv, n) != 0;
  if (!inverted) return Calc_setScalar(out, error(CellError::Num));
  out->area = nullptr;
  out->isArray = true;
  out->array = CalcArray{n, n, {}};
  for (DblQuad x : inv) out->array.values.push_back(Calc_numberResult(static_cast<double>(x)));
}

// Sums over the pairs of two blocks of one shape whose items are both numbers.
template <typename Term>
void pairedSum(const CalcContext& ctx, const CalcNode& call, CalcValue* out, Term term) {
  CalcValue va, vb;
  Calc_evalArray(ctx, call.args[0], &va);
  Calc_evalArray(ctx, call.args[1], &vb);
  CalcGrid a(va), b(vb);
  if (a.rows * a.cols != b.rows * b.cols) return Calc_setScalar(out, error(CellError::NA));
  double sum = 0;
  for (int k = 0; k < a.rows * a.cols; ++k) {
    const CellValue& x = a.at(k / a.cols, k % a.cols);
    const CellValue& y = b.at(k / b.cols, k % b.cols);
    if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
    if (y.kind == CellKind::Error) return Calc_setScalar(out, y);
    if (x.kind == CellKind::Number && y.kind == CellKind::Number) sum += term(x.number, y.number);
  }
  Calc_setScalar(out, Calc_numberResult(sum));
}

void fnSumX2MY2(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  pairedSum(ctx, call, out, [](double x, double y) { return x * x - y * y; });
}
void fnSumX2PY2(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  pairedSum(ctx, call, out, [](double x, double y) { return x * x + y * y; });
}
void fnSumXMY2(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  pairedSum(ctx, call, out, [](double x, double y) { return (x - y) * (x - y); });
}

}  // namespace

std::vector<CalcBuiltinInfo> Calc_matrixFunctions() {
  return {
    {"MDETERM", 1, 1, fnMDeterm}, {"MINVERSE", 1, 1, fnMInverse},
    {"SUMX2MY2", 2, 2, fnSumX2MY2}, {"SUMX2PY2", 2, 2, fnSumX2PY2}, {"SUMXMY2", 2, 2, fnSumXMY2},
  };
}
