// Lookup and reference worksheet functions: INDEX, MATCH, VLOOKUP, HLOOKUP,
// CHOOSE, ROW, COLUMN, ROWS, COLUMNS, and the matrix functions MMULT and
// TRANSPOSE.
#include <cmath>
#include <memory>
#include <optional>

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

// The items of a grid along its first row or its first column.
std::vector<const CellValue*> lineOf(const CalcGrid& g, bool alongRow) {
  std::vector<const CellValue*> items;
  const int n = alongRow ? g.cols : g.rows;
  items.reserve(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) items.push_back(alongRow ? &g.at(0, k) : &g.at(k, 0));
  return items;
}

// MATCH's arguments after its value, read once: the answer for any value.
struct MatchLine {
  CalcValue v;
  CellValue fault;  // the type's fault, or #N/A for a table of several rows and columns
  long type = 1;
  std::optional<CalcLineSearch> search;
};

void readMatchLine(const CalcContext& ctx, const CalcNode& call, bool shared, MatchLine* m) {
  if (call.args.size() > 2 && !intArg(ctx, call.args[2], &m->type, &m->fault)) return;
  Calc_evalArray(ctx, call.args[1], &m->v);
  const CalcGrid g(m->v);
  if (g.rows > 1 && g.cols > 1) {
    m->fault = error(CellError::NA);
    return;
  }
  m->search.emplace(lineOf(g, g.rows == 1), shared);
}

CellValue matchAnswer(MatchLine& m, const CellValue& x) {
  if (x.kind == CellKind::Error) return x;
  if (!m.search) return m.fault;
  const int i = m.search->find(x, m.type == 0 ? 0 : m.type > 0 ? 1 : -1);
  return i < 0 ? error(CellError::NA) : CellValue::makeNumber(i + 1);
}

void fnMatch(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  const CellValue x = Calc_evalScalar(ctx, call.args[0]);
  if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
  MatchLine m;
  readMatchLine(ctx, call, false, &m);
  Calc_setScalar(out, matchAnswer(m, x));
}

CalcKeyedAnswer matchKeyed(const CalcContext& ctx, const CalcNode& call) {
  auto m = std::make_shared<MatchLine>();
  readMatchLine(ctx, call, true, m.get());
  return [m](const CellValue& x) { return matchAnswer(*m, x); };
}

// VLOOKUP's (vertical) and HLOOKUP's arguments after the value, read once.
struct LookupTable {
  CalcValue v;
  CellValue fault;
  long index = 0;
  bool vertical = true;
  bool approximate = true;
  std::optional<CalcGrid> grid;
  std::optional<CalcLineSearch> search;
};

void readLookupTable(const CalcContext& ctx, const CalcNode& call, bool shared, LookupTable* t) {
  if (!intArg(ctx, call.args[2], &t->index, &t->fault)) return;
  if (call.args.size() > 3 && !Calc_toBool(Calc_evalScalar(ctx, call.args[3]), &t->approximate, &t->fault)) return;
  Calc_evalArray(ctx, call.args[1], &t->v);
  const CalcGrid& g = t->grid.emplace(t->v);
  const int span = t->vertical ? g.cols : g.rows;
  if (t->index < 1) t->fault = error(CellError::Value);
  else if (t->index > span) t->fault = error(CellError::Ref);
  else t->search.emplace(lineOf(g, !t->vertical), shared);
}

CellValue lookupAnswer(LookupTable& t, const CellValue& x) {
  if (x.kind == CellKind::Error) return x;
  if (!t.search) return t.fault;
  const int i = t.search->find(x, t.approximate ? 1 : 0);
  if (i < 0) return error(CellError::NA);
  // A value found, not a cell: an empty one is the number 0.
  const int line = static_cast<int>(t.index) - 1;
  const CellValue& found = t.vertical ? t.grid->at(i, line) : t.grid->at(line, i);
  return found.kind == CellKind::Empty ? CellValue::makeNumber(0) : found;
}

void lookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool vertical) {
  const CellValue x = Calc_evalScalar(ctx, call.args[0]);
  if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
  LookupTable t;
  t.vertical = vertical;
  readLookupTable(ctx, call, false, &t);
  Calc_setScalar(out, lookupAnswer(t, x));
}
void fnVLookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { lookup(ctx, call, out, true); }
void fnHLookup(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { lookup(ctx, call, out, false); }

CalcKeyedAnswer lookupKeyed(const CalcContext& ctx, const CalcNode& call, bool vertical) {
  auto t = std::make_shared<LookupTable>();
  t->vertical = vertical;
  readLookupTable(ctx, call, true, t.get());
  return [t](const CellValue& x) { return lookupAnswer(*t, x); };
}
CalcKeyedAnswer vlookupKeyed(const CalcContext& ctx, const CalcNode& call) { return lookupKeyed(ctx, call, true); }
CalcKeyedAnswer hlookupKeyed(const CalcContext& ctx, const CalcNode& call) { return lookupKeyed(ctx, call, false); }

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
      {"MATCH", 2, 3, fnMatch, Calc_oneValueArgs({0, 2}), false, matchKeyed},
      {"VLOOKUP", 3, 4, fnVLookup, Calc_oneValueArgs({0, 2, 3}), false, vlookupKeyed},
      {"HLOOKUP", 3, 4, fnHLookup, Calc_oneValueArgs({0, 2, 3}), false, hlookupKeyed},
      {"CHOOSE", 2, 255, fnChoose, Calc_oneValueArgs({0})},
      {"ROW", 0, 1, fnRow},
      {"COLUMN", 0, 1, fnColumn},
      {"ROWS", 1, 1, fnRows},
      {"COLUMNS", 1, 1, fnColumns},
      {"MMULT", 2, 2, fnMMult},
      {"TRANSPOSE", 1, 1, fnTranspose},
  };
}
