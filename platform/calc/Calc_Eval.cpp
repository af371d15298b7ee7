// Formula evaluation: operators with the spreadsheet's coercions, error
// propagation (the left operand's error wins) and element-wise arithmetic on
// arrays; function calls are dispatched to the built-in and add-in tables.
#include <cctype>
#include <cmath>
#include <new>

#include "base/Cal_Text.h"
#include "base/Utf8_Text.h"
#include "platform/calc/Calc_Internal.h"

namespace {

const CellValue& kEmpty = kCalcEmpty;

// The work left to the running recalculation, its refusals, and the scopes open.
thread_local long long gWorkLeft = kCalcWorkPerRecalculation;
thread_local std::size_t gWorkRefused = 0;
thread_local int gWorkScopes = 0;

CellValue tooMuchWork() { return CellValue::makeError(CellError::Num); }

// The work of a character of a literal text: reading or formatting by a
// character costs about as much as building several elements.
constexpr long long kWorkPerLiteralCharacter = 8;

// The bytes of a text built element by element that weigh as much as one
// element: a lifted call that makes texts from a cell's text (REPT of C1
// over a column) spends by the length of what it makes, as one reading a
// literal spends by the literal's. A text shorter than this costs nothing
// beyond its element.
constexpr long long kTextBytesPerWork = 32;

// The work of one call of a registered function: its arguments converted
// into another library's values, the call dispatched there and its answer
// converted back cost about as much as building several elements.
constexpr long long kWorkPerAddinCall = 8;

// The cells of a registered function's argument that its call converts
// into the library's values for the work of building one element.
constexpr long long kConvertedCellsPerWork = 32;

// The work of one element of a built-in lifted over an array: a lookup
// reads its table again for each.
constexpr long long kWorkPerLiftedCall = 8;

// The texts one lifted call makes, paid for element by element. Once the
// work left cannot pay, the call is refused whole and gets back what it
// spent, as a call refused before it starts spends nothing.
struct TextPayment {
  long long left = gWorkLeft;
  bool refused = false;
  // Whether `made` is paid for (never again after a refusal).
  bool pay(const CellValue& made) {
    if (refused || made.kind != CellKind::Text) return !refused;
    const auto bytes = static_cast<long long>(made.text.size());
    if (Calc_spendWork(bytes / kTextBytesPerWork)) return true;
    refused = true;
    gWorkLeft = left;
    return false;
  }
};

CellValue arithmetic(CalcOp op, const CellValue& x, const CellValue& y) {
  if (x.kind == CellKind::Error) return x;
  if (y.kind == CellKind::Error) return y;
  double a, b;
  CellValue err;
  if (!Calc_toNumber(x, &a, &err) || !Calc_toNumber(y, &b, &err)) return err;
  switch (op) {
    case CalcOp::Add: return Calc_numberResult(a + b);
    case CalcOp::Sub: return Calc_numberResult(a - b);
    case CalcOp::Mul: return Calc_numberResult(a * b);
    case CalcOp::Div:
      if (b == 0) return CellValue::makeError(CellError::Div0);
      return Calc_numberResult(a / b);
    default: break;
  }
  return Calc_power(a, b);
}

CellValue comparison(CalcOp op, const CellValue& x, const CellValue& y) {
  if (x.kind == CellKind::Error) return x;
  if (y.kind == CellKind::Error) return y;
  int c = Calc_compare(x, y);
  switch (op) {
    case CalcOp::Eq: return CellValue::makeBoolean(c == 0);
    case CalcOp::Ne: return CellValue::makeBoolean(c != 0);
    case CalcOp::Lt: return CellValue::makeBoolean(c < 0);
    case CalcOp::Gt: return CellValue::makeBoolean(c > 0);
    case CalcOp::Le: return CellValue::makeBoolean(c <= 0);
    default: return CellValue::makeBoolean(c >= 0);
  }
}

CellValue binaryValue(CalcOp op, const CellValue& x, const CellValue& y) {
  switch (op) {
    case CalcOp::Add: case CalcOp::Sub: case CalcOp::Mul: case CalcOp::Div: case CalcOp::Pow:
      return arithmetic(op, x, y);
    case CalcOp::Concat:
      if (x.kind == CellKind::Error) return x;
      if (y.kind == CellKind::Error) return y;
      return Calc_textValue(Calc_displayText(x, "") + Calc_displayText(y, ""));
    default: return comparison(op, x, y);
  }
}

CellValue unaryValue(CalcOp op, const CellValue& x) {
  if (op == CalcOp::Plus) return x;
  double a;
  CellValue err;
  if (!Calc_toNumber(x, &a, &err)) return err;
  if (op == CalcOp::Neg) return CellValue::makeNumber(a == 0 ? 0.0 : -a);   // never "-0"
  return CellValue::makeNumber(a / 100);
}

void evalOperator(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  if (node.op == CalcOp::Plus) return Calc_eval(ctx, node.args[0], out);   // "+A1:A3" is the range itself
  if (node.op != CalcOp::Chain) {
    CalcOp op = node.op;
    return Calc_mapArgs(ctx, node, out, [op](const CellValue* const* x) { return unaryValue(op, *x[0]); });
  }
  // A chain of operators applies all of them to each element: each counts.
  const std::vector<CalcOp>& ops = node.ops;
  Calc_mapArgs(
      ctx, node, out,
      [&ops](const CellValue* const* x) {
        CellValue acc = binaryValue(ops[0], *x[0], *x[1]);
        for (size_t i = 1; i < ops.size(); ++i) acc = binaryValue(ops[i], acc, *x[i + 1]);
        return acc;
      },
      true, static_cast<long long>(ops.size()));
}

// A registered function's answer; one that ran out of memory fails the
// evaluation, which the entry point of the calculation catches.
CalcArray checkedAnswer(CalcArray r) {
  if (r.rows == kCalcOutOfMemory.rows && r.cols == kCalcOutOfMemory.cols) throw std::bad_alloc();
  return r;
}

CalcArray callAddin(const CalcFunction& fn, const std::vector<CalcArray>& args) { return checkedAnswer(fn(args)); }

// A registered function of scalar arguments, element by element as the
// built-in scalar functions are.
void evalScalarAddin(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  const CalcFunction& fn = Calc_addin(node.func);
  std::vector<CalcArray> args(node.args.size());
  auto apply = [&](const CellValue* const* x) {
    if (Calc_stopAsked(kCalcStopStride)) return tooMuchWork();
    for (size_t i = 0; i < args.size(); ++i) {  // the blocks keep their storage from element to element
      const bool omitted = node.args[i].op == CalcOp::Missing;
      args[i].rows = args[i].cols = omitted ? 0 : 1;
      args[i].values.assign(omitted ? 0 : 1, *x[i]);
    }
    CalcArray r = callAddin(fn, args);
    return r.values.size() == 1 ? r.values[0] : CellValue::makeError(CellError::Value);
  };
  Calc_mapArgs(ctx, node, out, apply, !(Calc_addinFlags(node.func) & kCalcVolatile),
               Calc_elementWork(node, kWorkPerAddinCall));
}

// In array evaluation a function given an array (or a range of several
// cells) where it reads one value runs once per element: `one` gets the
// elements of the lifted blocks, broadcast as an operator's operands are,
// and the results make an array. Each element may read the call's whole
// ranges again (NPV's values, HLOOKUP's table), so the stop check runs
// before every one.
void liftCall(const std::vector<CalcArray>& blocks, CalcValue* out,
              const std::function<CellValue(const CellValue* const* items)>& one, long long workPerElement) {
  out->area = nullptr;
  out->isArray = true;
  out->sparse = false;
  auto checked = [&one](const CellValue* const* items) {
    return Calc_stopAsked(kCalcStopStride) ? tooMuchWork() : one(items);
  };
  Calc_mapValues(blocks, &out->array, checked, workPerElement);
}

// One result of a lifted call: its first value.
CellValue firstValue(const CalcArray& r) {
  return r.values.empty() ? CellValue::makeError(CellError::Value) : r.values[0];
}

// The call of one element of a registered function lifted over the
// arguments at `lifted` (moved out of args): prepared once by the function
// when it prepares its lifted calls, otherwise the function called with all
// its arguments again.
CalcElementCall elementCall(int func, std::vector<CalcArray>& args, const std::vector<size_t>& lifted) {
  for (size_t k : lifted) args[k] = kCalcOmitted;
  if (const CalcLiftPreparer& prepare = Calc_addinLiftPreparer(func)) return prepare(args, lifted);
  return [&fn = Calc_addin(func), &args, &lifted](const CellValue* const* x) {
    for (size_t i = 0; i < lifted.size(); ++i) args[lifted[i]] = CalcArray{1, 1, {*x[i]}};
    return fn(args);
  };
}

// Each element's call may read the arguments taken whole again (NPV's
// values), so an element costs their cells, kConvertedCellsPerWork to a
// unit, besides the call; one whose elements share that work pays for the
// cells once, and gets it back when the call is refused whole. The calls
// are prepared at the first element, once the work is paid for.
void liftAddin(int func, std::vector<CalcArray> args, const std::vector<size_t>& lifted, CalcValue* out) {
  std::vector<CalcArray> blocks;
  for (size_t k : lifted) blocks.push_back(std::move(args[k]));
  long long whole = 0;
  for (const CalcArray& a : args) whole += static_cast<long long>(a.values.size());  // the lifted ones are moved out
  const long long read = whole / kConvertedCellsPerWork;
  const bool shared = (Calc_addinFlags(func) & kCalcSharesLiftedWork) && lifted == std::vector<size_t>{0} &&
                      Calc_addinLiftPreparer(func);
  const long long left = gWorkLeft;
  const std::size_t refusals = gWorkRefused;
  if (shared && !Calc_spendWork(read)) return Calc_setScalar(out, tooMuchWork());
  CalcElementCall call;
  auto one = [&](const CellValue* const* x) {
    if (!call) call = elementCall(func, args, lifted);
    return firstValue(checkedAnswer(call(x)));
  };
  liftCall(blocks, out, one, kWorkPerAddinCall + (shared ? 0 : read));
  if (gWorkRefused != refusals) gWorkLeft = left;
}

void evalAddin(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  const unsigned flags = Calc_addinFlags(node.func);
  if (flags & kCalcScalarArgs) return evalScalarAddin(ctx, node, out);
  std::vector<CalcArray> args;
  std::vector<size_t> lifted;
  for (const CalcNode& a : node.args) {
    if (a.op == CalcOp::Missing) {
      args.push_back(kCalcOmitted);
      continue;
    }
    CalcValue v;
    if (flags & kCalcPlainArgs) Calc_eval(ctx, a, &v);
    else Calc_evalArray(ctx, a, &v);
    if (Calc_addinTakesOneValue(node.func, args.size())) {
      if (flags & kCalcLiftsArrays) Calc_intersect(ctx, &v);
      else if (!ctx.arrays || (flags & kCalcArrayResult)) Calc_setScalar(&v, Calc_scalarOf(ctx, v));
      else if (!Calc_single(v)) lifted.push_back(args.size());
    }
    args.push_back(Calc_valuesOf(v));
    args.back().reference = v.area != nullptr;
    args.back().array = v.isArray;
  }
  if (Calc_stopAsked(kCalcStopStride)) return Calc_setScalar(out, tooMuchWork());
  if (!lifted.empty()) return liftAddin(node.func, std::move(args), lifted, out);
  CalcArray r = callAddin(Calc_addin(node.func), args);
  if (r.rows < 1 || r.cols < 1 || r.values.size() != static_cast<size_t>(r.rows) * r.cols)
    return Calc_setScalar(out, CellValue::makeError(CellError::Value));
  out->area = nullptr;
  // An array even of one value (a regression's fit) stays one: ROWS and
  // TYPE see it.
  out->isArray = r.values.size() > 1 || r.array;
  out->array = std::move(r);
}

// A built-in with arguments that take one value, in array evaluation or
// when it lifts arrays: each of those is evaluated once and stands in the
// call as its value, the call lifted over those that hold several. Outside
// array evaluation a range there is first read as one value.
void evalBuiltinLifted(const CalcContext& ctx, const CalcBuiltinInfo& f, const CalcNode& node, CalcValue* out) {
  CalcNode call = node;
  std::vector<size_t> lifted;
  std::vector<CalcArray> blocks;
  for (size_t k = 0; k < call.args.size(); ++k) {
    CalcNode& arg = call.args[k];
    if (!Calc_takesOneValue(f, k) || arg.op == CalcOp::Literal || arg.op == CalcOp::Missing) continue;
    CalcValue v;
    Calc_eval(ctx, arg, &v);
    Calc_intersect(ctx, &v);
    arg = CalcNode{};
    if (const CellValue* single = Calc_single(v)) {
      arg.value = *single;
      continue;
    }
    lifted.push_back(k);
    blocks.push_back(Calc_valuesOf(v));
  }
  if (lifted.empty()) return f.fn(ctx, call, out);
  const long long work = Calc_elementWork(node, kWorkPerLiftedCall);
  if (f.keyed && lifted.size() == 1 && lifted[0] == 0) {
    const CalcKeyedAnswer answer = f.keyed(ctx, call);
    auto keyed = [&answer](const CellValue* const* x) { return answer(*x[0]); };
    return liftCall(blocks, out, keyed, work);
  }
  auto one = [&](const CellValue* const* x) {
    for (size_t i = 0; i < lifted.size(); ++i) call.args[lifted[i]].value = *x[i];
    CalcValue r;
    f.fn(ctx, call, &r);
    return Calc_scalarOf(ctx, r);
  };
  liftCall(blocks, out, one, work);
}

void evalCall(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  if (node.func < 0) return Calc_setScalar(out, CellValue::makeError(CellError::Name));
  if (node.addin) return evalAddin(ctx, node, out);
  const CalcBuiltinInfo& f = Calc_builtin(node.func);
  int n = static_cast<int>(node.args.size());
  if (n < f.minArgs || n > f.maxArgs) return Calc_setScalar(out, CellValue::makeError(CellError::Value));
  if (f.oneValue && (ctx.arrays || f.liftsArrays)) return evalBuiltinLifted(ctx, f, node, out);
  f.fn(ctx, node, out);
}

// Element by element over one large reference or sparse block, the other
// arguments single values: the result is sparse too, `fn` applied once to the
// shared empty (or fill) value and once to each cell held. False when the
// arguments are not of that form.
bool mapSparse(CalcValue* vals, size_t n, const CellValue** items, CalcValue* out,
               const std::function<CellValue(const CellValue* const* items)>& fn, long long workPerElement) {
  size_t block = n;
  for (size_t i = 0; i < n; ++i) {
    if (items[i]) continue;
    if (block < n || (!vals[i].area && !vals[i].sparse)) return false;
    block = i;
  }
  if (block == n) return false;
  const CalcValue& b = vals[block];
  int rows = b.area ? b.area->rows() : b.array.rows, cols = b.area ? b.area->cols() : b.array.cols;
  if (static_cast<long long>(rows) * cols < 2) return false;
  const auto applications = 1 + static_cast<long long>(b.area ? b.area->stored.size() : b.spots.size());
  TextPayment texts;
  if (!Calc_spendWork(applications * workPerElement)) {
    Calc_setScalar(out, tooMuchWork());
    return true;
  }
  auto apply = [&](const CellValue& x) {
    if (texts.refused || Calc_stopAsked()) return tooMuchWork();
    items[block] = &x;
    CellValue made = fn(items);
    return texts.pay(made) ? made : tooMuchWork();
  };
  CalcValue r;
  r.isArray = r.sparse = true;
  r.array = CalcArray{rows, cols, {}};
  r.fill = apply(b.area ? kEmpty : b.fill);
  if (b.area) {
    r.spots.reserve(b.area->stored.size());
    for (const CalcStored& s : b.area->stored) r.spots.emplace_back(s.offset, apply(*s.value));
  } else {
    r.spots.reserve(b.spots.size());
    for (const auto& [offset, x] : b.spots) r.spots.emplace_back(offset, apply(x));
  }
  if (texts.refused) Calc_setScalar(out, tooMuchWork());
  else *out = std::move(r);
  return true;
}

}  // namespace

CalcWorkScope::CalcWorkScope() {
  if (gWorkScopes++ > 0) return;
  gWorkLeft = kCalcWorkPerRecalculation;
  gWorkRefused = 0;
}

CalcWorkScope::~CalcWorkScope() { --gWorkScopes; }

bool Calc_spendWork(long long elements) {
  if (elements > kCalcMaxCells || elements > gWorkLeft) {
    ++gWorkRefused;
    return false;
  }
  gWorkLeft -= elements;
  return true;
}

std::size_t Calc_workRefused() { return gWorkRefused; }

long long Calc_workLeft() { return gWorkLeft; }

long long Calc_elementWork(const CalcNode& call, long long base) {
  long long work = base;
  for (const CalcNode& arg : call.args)
    if (arg.op == CalcOp::Literal && arg.value.kind == CellKind::Text)
      work += static_cast<long long>(arg.value.text.size()) * kWorkPerLiteralCharacter;
  return work;
}

void Calc_evalChosen(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  if (node.op == CalcOp::Missing) return Calc_setScalar(out, CellValue::makeNumber(0));
  Calc_eval(ctx, node, out);
}

void Calc_eval(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  out->sparse = false;
  switch (node.op) {
    case CalcOp::Literal: return Calc_setScalar(out, node.value);
    case CalcOp::ArrayConst:
      out->area = nullptr;
      out->array = node.array;
      out->isArray = true;
      return;
    case CalcOp::Ref:
      out->area = node.area;
      out->isArray = false;
      return;
    case CalcOp::Name: return Calc_setScalar(out, CellValue::makeError(CellError::Name));
    case CalcOp::Union:       // no value of its own; functions that take references walk its areas
    case CalcOp::Intersect:   // of references that are only known when evaluated
      return Calc_setScalar(out, CellValue::makeError(CellError::Value));
    case CalcOp::Missing: return Calc_setScalar(out, kEmpty);
    case CalcOp::Func: return evalCall(ctx, node, out);
    default: return evalOperator(ctx, node, out);
  }
}

void Calc_evalArray(const CalcContext& ctx, const CalcNode& node, CalcValue* out) {
  if (ctx.arrays) return Calc_eval(ctx, node, out);
  CalcContext inArrays = ctx;
  inArrays.arrays = true;
  Calc_eval(inArrays, node, out);
}

void Calc_intersect(const CalcContext& ctx, CalcValue* v) {
  if (!ctx.arrays && v->area && v->area->size() > 1) Calc_setScalar(v, Calc_scalarOf(ctx, *v));
}

void Calc_setScalar(CalcValue* out, const CellValue& v) {
  out->area = nullptr;
  out->isArray = false;
  out->sparse = false;
  out->array.rows = out->array.cols = 1;
  out->array.values.resize(1);
  out->array.values[0] = v;
}

const CellValue* Calc_single(const CalcValue& v) {
  if (v.area) {
    if (v.area->size() != 1 || v.area->toLastRow || v.area->toLastCol) return nullptr;
    return v.area->stored.empty() ? &kEmpty : v.area->stored[0].value;
  }
  return v.array.values.size() == 1 ? &v.array.values[0] : nullptr;
}

CalcArray Calc_valuesOf(const CalcValue& v) {
  if (!v.area && !v.sparse) return v.array;
  CalcArray a;
  const auto cells =
      static_cast<long long>(v.area ? v.area->size() : static_cast<size_t>(v.array.rows) * v.array.cols);
  // A sparse array's common text is copied into every element it fills.
  const long long fillBytes = v.sparse && v.fill.kind == CellKind::Text ? static_cast<long long>(v.fill.text.size()) : 0;
  if (!Calc_spendWork(cells + cells * fillBytes / kTextBytesPerWork)) return CalcArray{1, 1, {tooMuchWork()}};
  // Each element is made once, in order: the common value up to the next
  // held one, then a copy of that one.
  if (v.area) {
    a.rows = v.area->rows();
    a.cols = v.area->cols();
    a.values.reserve(v.area->size());
    for (const CalcStored& s : v.area->stored) {
      a.values.resize(s.offset, kEmpty);
      a.values.push_back(*s.value);
    }
    a.values.resize(v.area->size(), kEmpty);
    return a;
  }
  a.rows = v.array.rows;
  a.cols = v.array.cols;
  a.values.reserve(static_cast<size_t>(a.rows) * a.cols);
  for (const auto& [offset, x] : v.spots) {
    a.values.resize(offset, v.fill);
    a.values.push_back(x);
  }
  a.values.resize(static_cast<size_t>(a.rows) * a.cols, v.fill);
  return a;
}

CellValue Calc_scalarOf(const CalcContext& ctx, const CalcValue& v) {
  if (const CellValue* s = Calc_single(v)) return *s;
  if (v.sparse) return !v.spots.empty() && v.spots[0].first == 0 ? v.spots[0].second : v.fill;
  if (!v.area) return v.array.values.empty() ? kEmpty : v.array.values[0];
  // A range where one value is expected: the cell in the formula's row or column.
  const CalcArea& a = *v.area;
  const CellValue* c = nullptr;
  // Cells past the used ones of a whole column or row are empty.
  if (a.cols() == 1 && ctx.row >= a.row1 && (ctx.row <= a.row2 || a.toLastRow)) {
    if (ctx.row <= a.row2) c = a.at(static_cast<size_t>(ctx.row - a.row1));
  } else if (a.rows() == 1 && ctx.col >= a.col1 && (ctx.col <= a.col2 || a.toLastCol)) {
    if (ctx.col <= a.col2) c = a.at(static_cast<size_t>(ctx.col - a.col1));
  } else {
    return CellValue::makeError(CellError::Value);
  }
  return c ? *c : kEmpty;
}

CellValue Calc_evalScalar(const CalcContext& ctx, const CalcNode& node) {
  if (node.op == CalcOp::Literal) return node.value;
  CalcValue v;
  Calc_eval(ctx, node, &v);
  return Calc_scalarOf(ctx, v);
}

void Calc_mapValues(const std::vector<CalcArray>& args, CalcArray* out,
                    const std::function<CellValue(const CellValue* const* items)>& fn, long long workPerElement) {
  int rows = 1, cols = 1;
  for (const CalcArray& a : args) {
    rows = std::max(rows, a.rows);
    cols = std::max(cols, a.cols);
  }
  static const CellValue kNA = CellValue::makeError(CellError::NA);
  const long long elements = static_cast<long long>(rows) * cols;
  TextPayment texts;
  if (!Calc_spendWork(elements * workPerElement)) {
    *out = CalcArray{1, 1, {tooMuchWork()}};
    return;
  }
  CalcArray r;
  r.rows = rows;
  r.cols = cols;
  r.values.reserve(static_cast<size_t>(rows) * cols);
  std::vector<const CellValue*> items(args.size());
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      for (size_t k = 0; k < args.size(); ++k) {
        const CalcArray& a = args[k];
        int ai = a.rows == 1 ? 0 : i, aj = a.cols == 1 ? 0 : j;
        items[k] = (ai < a.rows && aj < a.cols) ? &a.values[static_cast<size_t>(ai) * a.cols + aj] : &kNA;
      }
      CellValue made = Calc_stopAsked() ? tooMuchWork() : fn(items.data());
      if (!texts.pay(made)) {
        *out = CalcArray{1, 1, {tooMuchWork()}};
        return;
      }
      r.values.push_back(std::move(made));
    }
  *out = std::move(r);
}

bool Calc_textToNumber(const std::string& text, double* out) {
  size_t e = text.find_last_not_of(" \t");
  bool percent = e != std::string::npos && text[e] == '%';
  if (percent) {
    if (!Wb_parseNumber(text.substr(0, e), out)) return false;
    *out /= 100;
    return true;
  }
  return Wb_parseNumber(text, out) || Cal_sheetSerial(std::string_view(text), out);
}

bool Calc_toNumber(const CellValue& v, double* out, CellValue* err) {
  switch (v.kind) {
    case CellKind::Number: case CellKind::Boolean: *out = v.number; return true;
    case CellKind::Empty: *out = 0; return true;
    case CellKind::Text:
      if (Calc_textToNumber(v.text, out)) return true;
      *err = CellValue::makeError(CellError::Value);
      return false;
    case CellKind::Error: *err = v; return false;
  }
  return false;
}

bool Calc_toBool(const CellValue& v, bool* out, CellValue* err) {
  switch (v.kind) {
    case CellKind::Number: case CellKind::Boolean: *out = v.number != 0; return true;
    case CellKind::Empty: *out = false; return true;
    case CellKind::Text:
      if (Wb_equalNoCase(v.text, "TRUE") || Wb_equalNoCase(v.text, "FALSE")) {
        *out = Wb_equalNoCase(v.text, "TRUE");
        return true;
      }
      *err = CellValue::makeError(CellError::Value);
      return false;
    case CellKind::Error: *err = v; return false;
  }
  return false;
}

CellValue Calc_numberResult(double d) {
  return std::isfinite(d) ? CellValue::makeNumber(d) : CellValue::makeError(CellError::Num);
}

int Calc_compare(const CellValue& a, const CellValue& b) {
  auto rank = [](CellKind k) { return k == CellKind::Number ? 0 : k == CellKind::Text ? 1 : 2; };
  if (a.kind == CellKind::Empty && b.kind == CellKind::Empty) return 0;
  CellKind ka = a.kind == CellKind::Empty ? b.kind : a.kind;
  CellKind kb = b.kind == CellKind::Empty ? a.kind : b.kind;
  if (rank(ka) != rank(kb)) return rank(ka) < rank(kb) ? -1 : 1;
  if (ka == CellKind::Text) {
    return Utf8_compareNoCase(a.kind == CellKind::Empty ? "" : a.text, b.kind == CellKind::Empty ? "" : b.text);
  }
  double x = a.kind == CellKind::Empty ? 0 : a.number, y = b.kind == CellKind::Empty ? 0 : b.number;
  return x < y ? -1 : x > y ? 1 : 0;
}

CellValue Calc_power(double a, double b) {
  if (a == 0 && b == 0) return CellValue::makeError(CellError::Num);
  if (a == 0 && b < 0) return CellValue::makeError(CellError::Div0);
  if (a < 0 && b != std::floor(b)) return CellValue::makeError(CellError::Num);
  return Calc_numberResult(std::pow(a, b));
}

void Calc_mapArgs(const CalcContext& ctx, const CalcNode& call, CalcValue* out,
                  const std::function<CellValue(const CellValue* const* items)>& fn, bool pure,
                  long long workPerElement) {
  // Operators and most functions have at most three arguments: keep them on
  // the stack, and read literals in place, so that scalar formulas allocate little.
  constexpr size_t kLocal = 3;
  size_t n = call.args.size();
  CalcValue localVals[kLocal];
  const CellValue* localItems[kLocal];
  std::vector<CalcValue> heapVals(n > kLocal ? n : 0);
  std::vector<const CellValue*> heapItems(n > kLocal ? n : 0);
  CalcValue* vals = n > kLocal ? heapVals.data() : localVals;
  const CellValue** items = n > kLocal ? heapItems.data() : localItems;
  bool anyArray = false, allSingle = true;
  for (size_t i = 0; i < n; ++i) {
    const CalcNode& arg = call.args[i];
    if (arg.op == CalcOp::Literal) {
      items[i] = &arg.value;
      continue;
    }
    Calc_eval(ctx, arg, &vals[i]);
    Calc_intersect(ctx, &vals[i]);
    anyArray = anyArray || vals[i].isArray;
    items[i] = Calc_single(vals[i]);
    allSingle = allSingle && items[i];
  }
  if (allSingle) {
    Calc_setScalar(out, fn(items));
    out->isArray = anyArray;
    return;
  }
  if (pure && mapSparse(vals, n, items, out, fn, workPerElement)) return;
  std::vector<CalcArray> blocks;
  for (size_t i = 0; i < n; ++i)
    blocks.push_back(call.args[i].op == CalcOp::Literal ? CalcArray{1, 1, {*items[i]}} : Calc_valuesOf(vals[i]));
  out->area = nullptr;
  out->isArray = true;
  Calc_mapValues(blocks, &out->array, fn, workPerElement);
}

CalcGrid::CalcGrid(const CalcValue& v) {
  if (v.sparse) sparse = &v;
  if (v.area) {
    area = v.area;
    rows = area->rows();
    cols = area->cols();
  } else {
    array = &v.array;
    rows = array->rows;
    cols = array->cols;
  }
}

const CellValue& CalcGrid::at(int r, int c) const {
  if (area) {
    const CellValue* p = area->at(static_cast<size_t>(r) * cols + c);
    return p ? *p : kEmpty;
  }
  if (sparse) {
    size_t offset = static_cast<size_t>(r) * cols + c;
    auto it = std::lower_bound(sparse->spots.begin(), sparse->spots.end(), offset,
                               [](const auto& s, size_t o) { return s.first < o; });
    return it != sparse->spots.end() && it->first == offset ? it->second : sparse->fill;
  }
  return array->values[static_cast<size_t>(r) * cols + c];
}
