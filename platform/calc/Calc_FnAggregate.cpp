// Aggregate worksheet functions: SUM, PRODUCT, SUMSQ, MAX, MIN, AVERAGE,
// COUNT, COUNTA, COUNTIF, SUMIF and SUMPRODUCT. Ranges and arrays give their
// numbers only (texts, booleans and empty cells are skipped); arguments typed
// directly are converted, a text that is no number being #VALUE!.
#include <cmath>

#include "platform/calc/Calc_Internal.h"

namespace {

// Calls fn(x) for each number the arguments give; false with *err on an error.
template <typename Fn>
bool eachNumber(const CalcContext& ctx, const CalcNode& call, Fn fn, CellValue* err) {
  return Calc_eachValue(ctx, call, [&](const CellValue& x, bool fromRange) {
    if (x.kind == CellKind::Error) { *err = x; return false; }
    if (!fromRange) {
      double d;
      if (!Calc_toNumber(x, &d, err)) return false;
      fn(d);
    } else if (x.kind == CellKind::Number) {
      fn(x.number);
    }
    return true;
  });
}

template <typename Fn>
void aggregate(const CalcContext& ctx, const CalcNode& call, CalcValue* out, Fn fn) {
  CellValue err;
  double sum = 0, product = 1, sumsq = 0, mx = -HUGE_VAL, mn = HUGE_VAL;
  long count = 0;
  bool ok = eachNumber(ctx, call, [&](double x) {
    sum += x; product *= x; sumsq += x * x; ++count;
    mx = std::max(mx, x); mn = std::min(mn, x);
  }, &err);
  if (!ok) return Calc_setScalar(out, err);
  Calc_setScalar(out, fn(sum, product, sumsq, mx, mn, count));
}

#define AGGREGATE(NAME, EXPR) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { \
    aggregate(ctx, call, out, [](double sum, double product, double sumsq, double mx, double mn, long count) { \
      (void)sum; (void)product; (void)sumsq; (void)mx; (void)mn; (void)count; return EXPR; }); \
  }

AGGREGATE(fnSum, Calc_numberResult(sum))
AGGREGATE(fnProduct, Calc_numberResult(count ? product : 0))
AGGREGATE(fnSumsq, Calc_numberResult(sumsq))
AGGREGATE(fnMax, Calc_numberResult(count ? mx : 0))
AGGREGATE(fnMin, Calc_numberResult(count ? mn : 0))
AGGREGATE(fnAverage, count ? Calc_numberResult(sum / count) : CellValue::makeError(CellError::Div0))

#undef AGGREGATE

// COUNT (numbers) and COUNTA (anything not empty).
void count(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool all) {
  double n = 0;
  Calc_eachValue(ctx, call, [&](const CellValue& x, bool fromRange) {
    double d;
    CellValue err;
    if (x.kind == CellKind::Empty) return true;
    if (all) ++n;
    else if (fromRange) n += x.kind == CellKind::Number;
    else n += x.kind != CellKind::Error && Calc_toNumber(x, &d, &err);
    return true;
  });
  Calc_setScalar(out, CellValue::makeNumber(n));
}
void fnCount(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { count(ctx, call, out, false); }
void fnCountA(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { count(ctx, call, out, true); }

// A COUNTIF/SUMIF criterion: an operator and a target value.
struct Criterion {
  CalcOp op = CalcOp::Eq;
  CellValue target;       // Empty: blank cells and empty texts
  bool wildcard = false;
};

Criterion criterionOf(const CellValue& c) {
  Criterion k;
  if (c.kind != CellKind::Text) {
    k.target = c.kind == CellKind::Empty ? CellValue::makeNumber(0) : c;
    return k;
  }
  std::string t = c.text;
  static const std::pair<const char*, CalcOp> ops[] = {
    {"<=", CalcOp::Le}, {">=", CalcOp::Ge}, {"<>", CalcOp::Ne}, {"<", CalcOp::Lt}, {">", CalcOp::Gt}, {"=", CalcOp::Eq}};
  for (const auto& [text, op] : ops)
    if (t.rfind(text, 0) == 0) { k.op = op; t = t.substr(std::char_traits<char>::length(text)); break; }
  double d;
  CellError e;
  if (t.empty()) return k;
  if (Calc_textToNumber(t, &d)) k.target = CellValue::makeNumber(d);
  else if (Wb_equalNoCase(t, "TRUE") || Wb_equalNoCase(t, "FALSE")) k.target = CellValue::makeBoolean(Wb_equalNoCase(t, "TRUE"));
  else if (Wb_errorFromText(t, &e)) k.target = CellValue::makeError(e);
  else {
    k.target = CellValue::makeText(t);
    k.wildcard = (k.op == CalcOp::Eq || k.op == CalcOp::Ne) && Calc_hasWildcard(t);
  }
  return k;
}

bool equalTo(const Criterion& k, const CellValue& v) {
  double d;
  switch (k.target.kind) {
    case CellKind::Empty: return v.kind == CellKind::Empty || (v.kind == CellKind::Text && v.text.empty());
    case CellKind::Text:
      if (v.kind != CellKind::Text) return false;
      return k.wildcard ? Calc_wildcardMatch(k.target.text, v.text) : Wb_equalNoCase(k.target.text, v.text);
    case CellKind::Error: return v.kind == CellKind::Error && v.error == k.target.error;
    case CellKind::Number:   // a text that reads as the number matches it too
      if (v.kind == CellKind::Text) return Calc_textToNumber(v.text, &d) && d == k.target.number;
      return v.kind == CellKind::Number && v.number == k.target.number;
    default: return v.kind == k.target.kind && v.number == k.target.number;
  }
}

bool matches(const Criterion& k, const CellValue& v) {
  if (k.op == CalcOp::Eq) return equalTo(k, v);
  // "<>" alone means a cell that is not empty; a formula's empty text is not empty.
  if (k.op == CalcOp::Ne) return k.target.kind == CellKind::Empty ? v.kind != CellKind::Empty : !equalTo(k, v);
  if (k.target.kind == CellKind::Empty) {   // ">" alone: texts after the empty one
    if (v.kind != CellKind::Text) return false;
    return k.op == CalcOp::Ge || (k.op == CalcOp::Gt && !v.text.empty()) || (k.op == CalcOp::Le && v.text.empty());
  }
  if (v.kind != k.target.kind || v.kind == CellKind::Error) return false;
  int c = Calc_compare(v, k.target);
  switch (k.op) {
    case CalcOp::Lt: return c < 0;
    case CalcOp::Gt: return c > 0;
    case CalcOp::Le: return c <= 0;
    default: return c >= 0;
  }
}

// The cell of `sum` at offset (r, c) from its top-left, also beyond its own
// size when `sized` (the sum range takes the shape of the criteria range).
const CellValue* sumCell(const CalcContext& ctx, const CalcValue& sum, int r, int c, bool sized) {
  static const CellValue kEmpty;
  CalcGrid g(sum);
  if (r < g.rows && c < g.cols) return &g.at(r, c);
  if (!sum.area || !sized) return &kEmpty;
  const Cell* cell = Wb_findCell(ctx.wb->sheets[sum.area->sheet].get(), sum.area->row1 + r, sum.area->col1 + c);
  return cell ? &cell->value : &kEmpty;
}

void conditional(const CalcContext& ctx, const CalcNode& call, CalcValue* out, bool summing) {
  CalcValue range, sum;
  Calc_eval(ctx, call.args[0], &range);
  // An error criterion picks the cells holding that same error. Criteria
  // given as an array (or a range, in array evaluation) come here one by
  // one: the call is lifted over them (liftsArrays).
  Criterion k = criterionOf(Calc_evalScalar(ctx, call.args[1]));
  bool ownSum = call.args.size() < 3;
  if (!ownSum) Calc_eval(ctx, call.args[2], &sum);
  // A criteria range written alone (a reference, a name, a constant) gives
  // the sum range its size; one computed leaves it its own, the part the
  // two have in common summed.
  const CalcOp rangeOp = call.args[0].op;
  const bool sized =
      rangeOp == CalcOp::Ref || rangeOp == CalcOp::Name || rangeOp == CalcOp::ArrayConst || rangeOp == CalcOp::Literal;
  CalcGrid g(range);
  double total = 0;
  CellValue err;
  // One cell of the criteria range; false on an error to sum.
  auto visit = [&](int r, int col, const CellValue& v) {
    if (!matches(k, v)) return true;
    if (!summing) { ++total; return true; }
    const CellValue& x = ownSum ? v : *sumCell(ctx, sum, r, col, sized);
    if (x.kind == CellKind::Error) { err = x; return false; }
    if (x.kind == CellKind::Number) total += x.number;
    return true;
  };
  if (!range.area) {
    for (int r = 0; r < g.rows; ++r)
      for (int col = 0; col < g.cols; ++col)
        if (!visit(r, col, g.at(r, col))) return Calc_setScalar(out, err);
    return Calc_setScalar(out, Calc_numberResult(total));
  }
  // A reference: its stored cells one by one, a run of empty cells at once
  // unless each of them picks a cell of a separate sum range.
  const CalcArea& a = *range.area;
  size_t cols = static_cast<size_t>(a.cols());
  bool eachEmpty = matches(k, kCalcEmpty) && summing && !ownSum;
  auto empties = [&](size_t from, size_t to) {
    if (!eachEmpty) {
      if (!summing && matches(k, kCalcEmpty)) total += static_cast<double>(to - from);
      return true;
    }
    for (size_t i = from; i < to; ++i)
      if (!visit(static_cast<int>(i / cols), static_cast<int>(i % cols), kCalcEmpty)) return false;
    return true;
  };
  size_t next = 0;
  for (const CalcStored& s : a.stored) {
    if (!empties(next, s.offset) || !visit(static_cast<int>(s.offset / cols), static_cast<int>(s.offset % cols), *s.value))
      return Calc_setScalar(out, err);
    next = s.offset + 1;
  }
  if (!empties(next, a.size())) return Calc_setScalar(out, err);
  Calc_setScalar(out, Calc_numberResult(total));
}
void fnCountIf(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { conditional(ctx, call, out, false); }
void fnSumIf(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { conditional(ctx, call, out, true); }

// One term of a product: the number, 0 for anything else; false on an error.
inline bool factor(const CellValue* c, double* x, CellValue* result) {
  if (c && c->kind == CellKind::Number) { *x = c->number; return true; }
  *x = 0;
  if (c && c->kind == CellKind::Error) { *result = *c; return false; }
  return true;
}

// The sum over places of the product of the numbers there, each product
// taken from 1 in the order of the areas, added in place order.
double sumOfProducts(const std::vector<const double*>& dense, size_t size) {
  double total = 0;
  for (size_t i = 0; i < size; ++i) {
    double p = 1;
    for (const double* x : dense) p *= x[i];
    total += p;
  }
  return total;
}

// The same for two areas, the common case (coefficients times variables):
// 1 * x * y is x * y exactly, so the sum is the same to the last bit.
double sumOfPairProducts(const double* x, const double* y, size_t size) {
  double total = 0;
  for (size_t i = 0; i < size; ++i) total += x[i] * y[i];
  return total;
}

// Sum of products of references of one shape: reads the stored cells in
// place. Only places where some area stores a cell can give a term or an
// error; they are visited in order, so the first error is the one returned.
// A filled area stores every place, so then all places are visited in order.
void sumProductOfAreas(const std::vector<const CalcArea*>& areas, CellValue* result) {
  const size_t size = areas[0]->size();
  std::vector<const double*> dense;
  dense.reserve(areas.size());
  for (const CalcArea* a : areas)
    if (const std::vector<double>* numbers = a->numeric()) dense.push_back(numbers->data());
  if (dense.size() == areas.size()) {   // areas of numbers: the same products, read contiguously
    *result = Calc_numberResult(dense.size() == 2 ? sumOfPairProducts(dense[0], dense[1], size)
                                                  : sumOfProducts(dense, size));
    return;
  }
  bool filled = false;
  for (const CalcArea* a : areas) filled = filled || a->stored.size() == size;
  std::vector<size_t> places;
  if (!filled) {
    for (const CalcArea* a : areas)
      for (const CalcStored& s : a->stored) places.push_back(s.offset);
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
  }
  const size_t count = filled ? size : places.size();
  double total = 0;
  for (size_t k = 0; k < count; ++k) {
    const size_t i = filled ? k : places[k];
    double p = 1;
    for (const CalcArea* a : areas) {
      double x;
      if (!factor(a->at(i), &x, result)) return;
      p *= x;
    }
    total += p;
  }
  *result = Calc_numberResult(total);
}

// SUMPRODUCT of references alone, as in the rows of a linear model: the
// areas are taken from the formula, with nothing evaluated.
void sumProductOfReferences(const std::vector<const CalcArea*>& areas, CalcValue* out) {
  for (const CalcArea* a : areas)
    if (a->rows() != areas[0]->rows() || a->cols() != areas[0]->cols())
      return Calc_setScalar(out, CellValue::makeError(CellError::Value));
  CellValue result;
  sumProductOfAreas(areas, &result);
  Calc_setScalar(out, result);
}

void fnSumProduct(const CalcContext& ctx, const CalcNode& call, CalcValue* out) {
  std::vector<const CalcArea*> areas;
  areas.reserve(call.args.size());
  for (const CalcNode& arg : call.args)
    if (arg.op == CalcOp::Ref) areas.push_back(arg.area);
  if (areas.size() == call.args.size()) return sumProductOfReferences(areas, out);
  std::vector<CalcValue> vals(call.args.size());
  areas.clear();
  for (size_t j = 0; j < vals.size(); ++j) {
    Calc_evalArray(ctx, call.args[j], &vals[j]);
    if (vals[j].area) areas.push_back(vals[j].area);
  }
  if (areas.size() == vals.size()) return sumProductOfReferences(areas, out);
  std::vector<CalcGrid> grids;
  grids.reserve(vals.size());
  for (const CalcValue& v : vals) {
    grids.emplace_back(v);
    if (grids.back().rows != grids[0].rows || grids.back().cols != grids[0].cols)
      return Calc_setScalar(out, CellValue::makeError(CellError::Value));
  }
  double total = 0;
  for (int r = 0; r < grids[0].rows; ++r)
    for (int c = 0; c < grids[0].cols; ++c) {
      if (Calc_stopAsked()) return Calc_setScalar(out, CellValue::makeError(CellError::Num));
      double p = 1;
      for (const CalcGrid& g : grids) {
        const CellValue& x = g.at(r, c);
        if (x.kind == CellKind::Error) return Calc_setScalar(out, x);
        p = x.kind == CellKind::Number ? p * x.number : 0;
      }
      total += p;
    }
  Calc_setScalar(out, Calc_numberResult(total));
}

}  // namespace

std::vector<CalcBuiltinInfo> Calc_aggregateFunctions() {
  constexpr int kMany = 255;
  return {
    {"SUM", 1, kMany, fnSum}, {"PRODUCT", 1, kMany, fnProduct}, {"SUMSQ", 1, kMany, fnSumsq},
    {"MAX", 1, kMany, fnMax}, {"MIN", 1, kMany, fnMin}, {"AVERAGE", 1, kMany, fnAverage},
    {"COUNT", 1, kMany, fnCount}, {"COUNTA", 1, kMany, fnCountA},
    {"COUNTIF", 2, 2, fnCountIf, Calc_oneValueArgs({1}), true},
    {"SUMIF", 2, 3, fnSumIf, Calc_oneValueArgs({1}), true},
    {"SUMPRODUCT", 1, kMany, fnSumProduct},
  };
}
