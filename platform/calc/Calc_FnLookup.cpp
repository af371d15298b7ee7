// Lookup and reference worksheet functions: INDEX, MATCH, VLOOKUP, HLOOKUP,
// CHOOSE, ROW, COLUMN, ROWS, COLUMNS, and the matrix functions MMULT and
// TRANSPOSE.
#include <cmath>

#include "base/Dbl_Whole.h"
#include "platform/calc/Calc_Internal.h"

namespace {

CellValue error(CellError e) { return CellValue::makeError(e); }

// An argument as a whole number (truncated); false with *err when it is none.
bool intArg(const CalcContext& ctx, const CalcNode& node, long* out, CellValue* err) {
  double d;
  if (!Calc_toNumber(Calc_evalScalar(ctx, node), &d, err)) return false;
  int whole = 0;
  if (!Dbl_toWhole(d, &whole)) {
    *err = error(CellError::Value);
    return false;
  }
  *out = whole;
  return true;
}

bool sameKind(const CellValue& a, const CellValue& b) {
  auto k = [](CellKind x) { return x == CellKind::Empty ? CellKind::Number : x; };
  return k(a.kind) == k(b.kind) && a.kind != CellKind::Error;
}

// Position of `x` among n items: type 0 exact (wildcards in texts), 1 the
// last item not above x in ascending data, -1 the last item not below x in
// descending data. -1 when there is none. The approximate search halves the
// items of x's kind as the worksheet does, so unsorted data gives the
// worksheet's answer too.
template <typename Item>
int lookupIndex(const CellValue& x, int n, Item item, int type) {
  bool wild = type == 0 && x.kind == CellKind::Text && Calc_hasWildcard(x.text);
  std::vector<int> same;
  for (int i = 0; i < n; ++i) {
    const CellValue& v = item(i);
    if (!sameKind(x, v)) continue;
    if (type != 0) same.push_back(i);
    else if (wild ? (v.kind == CellKind::Text && Calc_wildcardMatch(x.text, v.text)) : Calc_compare(v, x) == 0)
      return i;
  }
  int best = -1, lo = 0, hi = static_cast<int>(same.size()) - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = Calc_compare(item(same[mid]), x);
    if (type > 0 ? c <= 0 : c >= 0) {
      best = same[mid];
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return best;
}

void fnMatch(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CellValue x = Calc_evalScalar(ctx, call.args[0]);
  if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
  long type = 1;
  CellValue err;
  if (call.args.size() > 2 && !intArg(ctx, call.args[2], &type, &err)) return Calc_setScalar(out, err);
  CalcValue v;
  Calc_evalArray(ctx, call.args[1], &v);
  CalcGrid g(v);
  if (g.rows > 1 && g.cols > 1) return Calc_setScalar(out, error(CellError::NA));
  bool row = g.rows == 1;
  int i = lookupIndex(x, row ? g.cols : g.rows, [&](int k) -> const CellValue& { return row ? g.at(0, k) : g.at(k, 0); },
                      type == 0 ? 0 : type > 0 ? 1 : -1);
  Calc_setScalar(out, i < 0 ? error(CellError::NA) : CellValue::makeNumber(i + 1));
}

// VLOOKUP (vertical) and HLOOKUP.
void lookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool vertical) {
  CellValue x = Calc_evalScalar(ctx, call.args[0]);
  if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
  long index;
  CellValue err;
  if (!intArg(ctx, call.args[2], &index, &err)) return Calc_setScalar(out, err);
  bool approximate = true;
  if (call.args.size() > 3 && !Calc_toBool(Calc_evalScalar(ctx, call.args[3]), &approximate, &err))
    return Calc_setScalar(out, err);
  CalcValue v;
  Calc_evalArray(ctx, call.args[1], &v);
  CalcGrid g(v);
  int span = vertical ? g.cols : g.rows, n = vertical ? g.rows : g.cols;
  if (index < 1) return Calc_setScalar(out, error(CellError::Value));
  if (index > span) return Calc_setScalar(out, error(CellError::Ref));
  int i = lookupIndex(x, n, [&](int k) -> const CellValue& { return vertical ? g.at(k, 0) : g.at(0, k); },
                      approximate ? 1 : 0);
  if (i < 0) return Calc_setScalar(out, error(CellError::NA));
  // A value found, not a cell: an empty one is the number 0.
  const CellValue& found = vertical ? g.at(i, index - 1) : g.at(index - 1, i);
  Calc_setScalar(out, found.kind == CellKind::Empty ? CellValue::makeNumber(0) : found);
}
void fnVLookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { lookup(ctx, call, out, true); }
void fnHLookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { lookup(ctx, call, out, false); }

// The part of a grid: rows r0..r1, columns c0..c1.
void part(const CalcGrid& g, int r0, int r1, int c0, int c1, CalcValue* out) {
  CalcArray a;
  a.rows = r1 - r0 + 1;
  a.cols = c1 - c0 + 1;
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) a.values.push_back(g.at(r, c));
  out->area = nullptr;
  out->isArray = a.values.size() > 1;
  out->array = std::move(a);
}

void fnIndex(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  long r = 0, c = 0;
  CellValue err;
  if (!intArg(ctx, call.args[1], &r, &err)) return Calc_setScalar(out, err);
  bool hasCol = call.args.size() > 2;
  if (hasCol && !intArg(ctx, call.args[2], &c, &err)) return Calc_setScalar(out, err);
  if (r < 0 || c < 0) return Calc_setScalar(out, error(CellError::Value));
  CalcValue v;
  Calc_evalArray(ctx, call.args[0], &v);
  CalcGrid g(v);
  // One index cannot say both the row and the column of a table.
  if (!hasCol && g.rows > 1 && g.cols > 1) return Calc_setScalar(out, error(CellError::Ref));
  if (!hasCol && g.rows == 1 && g.cols > 1) std::swap(r, c);
  else if (!hasCol && g.cols == 1) c = 1;
  if (r > g.rows || c > g.cols) return Calc_setScalar(out, error(CellError::Ref));
  part(g, r ? r - 1 : 0, r ? r - 1 : g.rows - 1, c ? c - 1 : 0, c ? c - 1 : g.cols - 1, out);
}

void fnChoose(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  long i;
  CellValue err;
  if (!intArg(ctx, call.args[0], &i, &err)) return Calc_setScalar(out, err);
  if (i < 1 || i >= static_cast<long>(call.args.size())) return Calc_setScalar(out, error(CellError::Value));
  Calc_evalChosen(ctx, call.args[i], out);
}

// ROW and COLUMN: of the formula's cell (in an array formula, of each cell of
// its block), or of a reference: in array evaluation the number of each of
// its rows (a column) or columns (a row), so that SUM(ROW(A1:A10)) is 55;
// otherwise its first.
void position(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool row) {
  int first = row ? ctx.row : ctx.col;
  int last = first + (row ? ctx.blockRows : ctx.blockCols) - 1;
  if (!call.args.empty()) {
    CalcValue v;
    Calc_eval(ctx, call.args[0], &v);
    if (!v.area) return Calc_setScalar(out, error(CellError::Value));
    first = row ? v.area->row1 : v.area->col1;
    const bool toEnd = row ? v.area->toLastRow : v.area->toLastCol;
    last = toEnd ? (row ? kCalcLastRow : kCalcLastCol) : (row ? v.area->row2 : v.area->col2);
  }
  if (!ctx.arrays || last == first) return Calc_setScalar(out, CellValue::makeNumber(first + 1));
  if (!Calc_spendWork(last - first + 1)) return Calc_setScalar(out, error(CellError::Num));
  CalcArray numbers;
  (row ? numbers.rows : numbers.cols) = last - first + 1;
  for (int k = first; k <= last; ++k) numbers.values.push_back(CellValue::makeNumber(k + 1));
  out->area = nullptr;
  out->isArray = true;
  out->array = std::move(numbers);
}
void fnRow(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { position(ctx, call, out, true); }
void fnColumn(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { position(ctx, call, out, false); }

void size(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool rows) {
  CalcValue v;
  Calc_evalArray(ctx, call.args[0], &v);
  // A single value is neither a reference nor an array: it has no rows to
  // count, and an error passes on.
  if (!v.area && !v.isArray) {
    const CellValue* x = Calc_single(v);
    return Calc_setScalar(out, x && x->kind == CellKind::Error ? *x : error(CellError::Value));
  }
  CalcGrid g(v);
  // A whole column or row counts every cell of the sheet, not the ones in use.
  if (v.area && rows && v.area->toLastRow) g.rows = kCalcLastRow + 1 - v.area->row1;
  if (v.area && !rows && v.area->toLastCol) g.cols = kCalcLastCol + 1 - v.area->col1;
  Calc_setScalar(out, CellValue::makeNumber(rows ? g.rows : g.cols));
}
void fnRows(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { size(ctx, call, out, true); }
void fnColumns(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { size(ctx, call, out, false); }

void fnMMult(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue va, vb;
  Calc_evalArray(ctx, call.args[0], &va);
  Calc_evalArray(ctx, call.args[1], &vb);
  CalcGrid a(va), b(vb);
  std::vector<double> x, y;
  CellValue err;
  if (a.cols != b.rows) return Calc_setScalar(out, error(CellError::Value));
  if (static_cast<long long>(a.rows) * b.cols > kCalcMaxCells) return Calc_setScalar(out, error(CellError::Num));
  if (!Calc_gridNumbers(a, &x, &err) || !Calc_gridNumbers(b, &y, &err)) return Calc_setScalar(out, err);
  CalcArray r;
  r.rows = a.rows;
  r.cols = b.cols;
  for (int i = 0; i < a.rows; ++i)
    for (int j = 0; j < b.cols; ++j) {
      if (Calc_stopAsked()) return Calc_setScalar(out, error(CellError::Num));
      double s = 0;
      for (int k = 0; k < a.cols; ++k) s += x[static_cast<size_t>(i) * a.cols + k] * y[static_cast<size_t>(k) * b.cols + j];
      r.values.push_back(Calc_numberResult(s));
    }
  out->area = nullptr;
  out->isArray = true;
  out->array = std::move(r);
}

void fnTranspose(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  CalcValue v;
  Calc_evalArray(ctx, call.args[0], &v);
  CalcGrid g(v);
  CalcArray r;
  r.rows = g.cols;
  r.cols = g.rows;
  for (int c = 0; c < g.cols; ++c)
    for (int row = 0; row < g.rows; ++row) r.values.push_back(g.at(row, c));
  out->area = nullptr;
  out->isArray = true;
  out->array = std::move(r);
}

}  // namespace

bool Calc_gridNumbers(const CalcGrid& g, std::vector<double>* out, CellValue* err) {
  for (int r = 0; r < g.rows; ++r)
    for (int c = 0; c < g.cols; ++c) {
      const CellValue& x = g.at(r, c);
      if (x.kind == CellKind::Error) { *err = x; return false; }
      if (x.kind != CellKind::Number) { *err = error(CellError::Value); return false; }
      out->push_back(x.number);
    }
  return true;
}

std::vector<CalcBuiltinInfo> Calc_lookupFunctions() {
  return {
      {"INDEX", 2, 3, fnIndex, Calc_oneValueArgs({1, 2})},
      {"MATCH", 2, 3, fnMatch, Calc_oneValueArgs({0, 2})},
      {"VLOOKUP", 3, 4, fnVLookup, Calc_oneValueArgs({0, 2, 3})},
      {"HLOOKUP", 3, 4, fnHLookup, Calc_oneValueArgs({0, 2, 3})},
      {"CHOOSE", 2, 255, fnChoose, Calc_oneValueArgs({0})},
      {"ROW", 0, 1, fnRow},
      {"COLUMN", 0, 1, fnColumn},
      {"ROWS", 1, 1, fnRows},
      {"COLUMNS", 1, 1, fnColumns},
      {"MMULT", 2, 2, fnMMult},
      {"TRANSPOSE", 1, 1, fnTranspose},
  };
}
