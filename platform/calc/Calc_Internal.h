// Private interface between the parts of the calculation: the formula tree,
// references resolved to cell pointers, evaluated values, and the compiled
// state of a workbook. Not for use outside platform/calc.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"

enum class CalcOp : std::uint8_t {
  Literal, ArrayConst, Ref, Name, Missing, Func,
  Union,          // "(A1:B2,D4)", a 3-D reference, or areas at the top of a name or EVALUATE text
  Intersect,      // "A1:C3 B2:B9": the cells two references share
  Neg, Plus, Percent,
  Chain,          // args[0] ops[0] args[1] ops[1] ... of one precedence level, left to right
  Add, Sub, Mul, Div, Pow, Concat, Eq, Ne, Lt, Gt, Le, Ge,   // the operators of a Chain
};

// The last row and column a sheet has; a reference that reaches one of them
// (a whole column "A:C", a whole row "3:5") covers only the cells in use.
constexpr int kCalcLastRow = 1048575;
constexpr int kCalcLastCol = 16383;

// The most cells a reference or a computed block may have; beyond, a
// reference is #REF! and a block #NUM!, never an allocation that cannot succeed.
constexpr long long kCalcMaxCells = 1LL << 22;
// The most characters (UTF-16 units) a text may hold: a function or a join
// whose text would be longer gives #VALUE!.
constexpr size_t kCalcMaxText = 32767;
// A UTF-8 text as a cell's value, #VALUE! when it holds more than
// kCalcMaxText characters.
CellValue Calc_textValue(const std::string& utf8);
// The work of one recalculation: counted from the outermost scope open; a
// scope opened inside another (a text evaluated by a formula) shares its count.
class CalcWorkScope {
 public:
  CalcWorkScope();
  ~CalcWorkScope();
  CalcWorkScope(const CalcWorkScope&) = delete;
  CalcWorkScope& operator=(const CalcWorkScope&) = delete;
};
// Takes `elements` from what is left of the work; false (taking nothing,
// counting a refusal) when fewer are left or when they are more than the
// largest block (kCalcMaxCells).
bool Calc_spendWork(long long elements);
// Whether the stop check (Calc_setStopCheck) asks the recalculation to stop
// inside a long formula: the loops over the elements of references and
// blocks ask once per element and then end early, leaving a partial value
// (the recalculation then stops and reports it). The check itself runs once
// every kCalcStopStride elements, and after it answered true every later
// question is true until the next recalculation starts. A step that costs
// more than an element counts as `elements`: a call of a registered
// function, whose cost is unknown, as a whole stride.
constexpr long long kCalcStopStride = 4096;
// The elements a loop walks between two questions, counted together.
constexpr size_t kCalcStopBatch = 256;
// The recalculation's count of elements walked since the check last ran, and
// whether it answered true: counted inline, checked out of line.
struct CalcStopState {
  long long unchecked = 0;
  bool stopped = false;
};
extern CalcStopState gCalcStop;
// Runs the check now (and restarts the count); whether to stop.
bool Calc_stopCheckNow();
inline bool Calc_stopAsked(long long elements = 1) {
  return gCalcStop.stopped || ((gCalcStop.unchecked += elements) >= kCalcStopStride && Calc_stopCheckNow());
}
// Refusals since the outermost scope opened.
std::size_t Calc_workRefused();
// The work the outermost scope open has left.
long long Calc_workLeft();

// The value of a cell, or a name, caught in a circular reference.
constexpr CellError kCalcCircularError = CellError::Value;

// The value of a cell the sheet does not store.
inline const CellValue kCalcEmpty{};

// One cell a sheet stores inside an area: its place in the area, row by row
// (row * columns + column, counted from the area's corner), and its value.
struct CalcStored {
  size_t offset;
  const CellValue* value;
};

// A rectangular reference resolved to the cells it covers. It holds only the
// cells the sheet stores, in row-major order, so a large mostly-empty range
// costs what its used cells cost. Cell pointers stay valid until the
// workbook's structure changes, when the compiled state is rebuilt.
struct CalcArea {
  int sheet = 0, row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  bool toLastRow = false, toLastCol = false;   // stands for every row (column) beyond row2 (col2) too
  bool hasFormulas = false;                    // a formula writes into some of its cells
  std::vector<CalcStored> stored;
  // A copy of the numbers of a multi-cell area of constants that holds a
  // number at every place (the coefficients and variables of a linear
  // model), so that products read them contiguously; nullptr for any other
  // area. The recalculation marks it stale when a cell in the area is
  // written (`numbersKnown` false), and the next use copies it again.
  mutable std::vector<double> numbers;
  mutable bool numbersKnown = false;
  const std::vector<double>* numeric() const {
    if (!numbersKnown) {
      numbersKnown = true;
      numbers.clear();
      bool dense = !hasFormulas && size() > 1 && stored.size() == size();
      for (size_t i = 0; dense && i < stored.size(); ++i) dense = stored[i].value->kind == CellKind::Number;
      if (dense) {
        numbers.resize(stored.size());
        for (size_t i = 0; i < stored.size(); ++i) numbers[i] = stored[i].value->number;
      }
    }
    return numbers.empty() ? nullptr : &numbers;
  }
  int rows() const { return row2 - row1 + 1; }
  int cols() const { return col2 - col1 + 1; }
  size_t size() const { return static_cast<size_t>(rows()) * static_cast<size_t>(cols()); }
  // The stored cell at `offset`, nullptr for an empty one.
  const CellValue* at(size_t offset) const {
    // Stored cells are in offset order: where every cell up to `offset` is
    // stored (a filled range), the cell sits at its own offset.
    if (offset < stored.size() && stored[offset].offset == offset) return stored[offset].value;
    auto it = std::lower_bound(stored.begin(), stored.end(), offset,
                               [](const CalcStored& s, size_t o) { return s.offset < o; });
    return it != stored.end() && it->offset == offset ? it->value : nullptr;
  }
};

// Areas shared by the formulas of one compilation, pointer-stable.
struct CalcAreaStore {
  std::deque<CalcArea> areas;
  std::map<std::tuple<int, int, int, int, int>, const CalcArea*> index;
};

struct CalcNode {
  CalcOp op = CalcOp::Literal;
  CellValue value;                 // Literal
  CalcArray array;                 // ArrayConst
  std::string text;                // Name, Func: the name as written; a Literal standing for a
                                   // reference into another workbook: that reference
  std::string sheetName;           // Ref, Name: sheet qualifier as written ("" for none)
  std::string lastSheet;           // Ref across sheets ("First:Last!A1"): the last sheet
  std::vector<CalcOp> ops;         // Chain
  int row1 = 0, col1 = 0, row2 = 0, col2 = 0;   // Ref before binding
  const CalcArea* area = nullptr;  // Ref after binding
  int func = -1;                   // Func after binding: built-in index, or add-in when addin
  bool addin = false;
  bool deletedSheet = false;       // Literal #REF! standing for cells of a deleted sheet ("#REF!A1")
  bool workbookName = false;       // Name written "[0]!name": the workbook's own, not a sheet's
  int height = 1;                  // levels of the tree below and including this node
  std::vector<CalcNode> args;
};

// A value during evaluation: a reference, or a block of values.
struct CalcValue {
  const CalcArea* area = nullptr;
  CalcArray array;
  bool isArray = false;            // an array (constant or computed) rather than a scalar
  // A block that is one value almost everywhere (an operator over a large
  // mostly-empty reference): `array` holds only its shape, `fill` the common
  // value and `spots` the others by place, row by row. Read it through
  // CalcGrid, Calc_valuesOf or Calc_eachElement.
  bool sparse = false;
  CellValue fill;
  std::vector<std::pair<size_t, CellValue>> spots;
};

// Calls fn(value) for each element of a reference or a sparse block, row by
// row, the cells it does not hold as the one shared empty (or fill) value;
// with `skipEmpty`, the elements between held ones are not visited when that
// value is empty. Stops early, returning false, when fn returns false or the
// recalculation is asked to stop.
template <typename Fn>
bool Calc_eachElement(const CalcValue& v, bool skipEmpty, Fn fn) {
  const CellValue& fill = v.area ? kCalcEmpty : v.fill;
  bool walkFill = !skipEmpty || fill.kind != CellKind::Empty;
  size_t next = 0, size = v.area ? v.area->size() : static_cast<size_t>(v.array.rows) * v.array.cols;
  auto fillTo = [&](size_t end) {
    for (; walkFill && next < end; ++next)
      if (Calc_stopAsked() || !fn(fill)) return false;
    return true;
  };
  // The held values in batches, the stop check counting a batch at once.
  auto walkHeld = [&](const auto& list, auto placed) {
    for (size_t b = 0; b < list.size(); b += kCalcStopBatch) {
      const size_t e = std::min(list.size(), b + kCalcStopBatch);
      if (Calc_stopAsked(static_cast<long long>(e - b))) return false;
      for (size_t i = b; i < e; ++i) {
        const auto [offset, x] = placed(list[i]);
        if (!fillTo(offset)) return false;
        next = offset + 1;
        if (!fn(*x)) return false;
      }
    }
    return true;
  };
  const bool walked = v.area ? walkHeld(v.area->stored, [](const CalcStored& s) { return std::pair(s.offset, s.value); })
                             : walkHeld(v.spots, [](const auto& s) { return std::pair(s.first, &s.second); });
  return walked && fillTo(size);
}

struct CalcContext {
  Workbook* wb = nullptr;
  int sheet = 0, row = 0, col = 0;  // the formula's cell
  // Array evaluation (array formulas, EVALUATE, and the arguments of functions
  // that take arrays): operators work on whole ranges. Otherwise a range where
  // one value is expected gives the cell in the formula's row or column.
  bool arrays = false;
  // An array formula's block: its rows and columns from the formula's cell.
  int blockRows = 1, blockCols = 1;
};

// Parsing (Calc_Parser.cpp). On failure `out` is left an empty literal.
bool Calc_parse(const std::string& formula, CalcNode* out, std::string* error);
// Resolves sheets, names, functions and cells of a parsed tree for a formula on `sheet`.
// Binds a tree read on `sheet`. With `sheetsOwn`, a tree that is one name
// has its definition read as a formula of the sheet whatever scope holds
// it: a name of the sheet's model ("!solver_rhs1"), which the front end
// may keep in the workbook's scope, describes that sheet's model.
void Calc_bind(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node, bool sheetsOwn = false);
// The scope a name node is looked up in when read at `at` (as Wb_findName
// takes it): "Sheet!name" that sheet's, "[0]!name" the workbook's (-1), a
// plain name the one `at` reads names in; kCalcNoScope for a sheet the
// workbook lacks.
constexpr int kCalcNoScope = -2;
int Calc_nameScope(const Workbook* wb, const CalcNode& n, WbReading at);
const CalcArea* Calc_areaFor(Workbook* wb, CalcAreaStore* store, int sheet, int r1, int c1, int r2, int c2);

// Evaluation (Calc_Eval.cpp).
void Calc_eval(const CalcContext& ctx, const CalcNode& node, CalcValue* out);
// Evaluates an argument a function hands on as its result (IF's and
// CHOOSE's chosen value, IFERROR's alternative): one left out is 0, as the
// worksheet answers it, not a blank.
void Calc_evalChosen(const CalcContext& ctx, const CalcNode& node, CalcValue* out);
// Evaluates an argument that takes an array: always in array evaluation.
void Calc_evalArray(const CalcContext& ctx, const CalcNode& node, CalcValue* out);
// Outside array evaluation, a range of several cells becomes the one value
// where it meets the formula's row or column.
void Calc_intersect(const CalcContext& ctx, CalcValue* v);
void Calc_setScalar(CalcValue* out, const CellValue& v);
CellValue Calc_scalarOf(const CalcContext& ctx, const CalcValue& v);
CalcArray Calc_valuesOf(const CalcValue& v);
CellValue Calc_evalScalar(const CalcContext& ctx, const CalcNode& node);
// Coercions with spreadsheet rules; false when the value does not convert
// (`*err` then holds the error value to return).
bool Calc_toNumber(const CellValue& v, double* out, CellValue* err);
bool Calc_toBool(const CellValue& v, bool* out, CellValue* err);
CellValue Calc_numberResult(double d);
// -1, 0, 1 by the spreadsheet's ordering; errors never reach it.
int Calc_compare(const CellValue& a, const CellValue& b);
// Applies `fn` to each element of the broadcast arguments. Each element
// costs `workPerElement` of the recalculation's work (the operators `fn`
// applies to it).
void Calc_mapValues(const std::vector<CalcArray>& args, CalcArray* out,
                    const std::function<CellValue(const CellValue* const* items)>& fn, long long workPerElement = 1);
// The value of a 1 x 1 reference or block, nullptr for larger ones.
const CellValue* Calc_single(const CalcValue& v);

// What one element of a function over blocks costs of the recalculation's
// work: `base`, and the characters of the texts the formula gives as they
// stand (a TEXT format, a text to search for), which the function reads
// again for each element.
long long Calc_elementWork(const CalcNode& call, long long base);
// Evaluates the arguments of `call` and applies `fn` to them, element by
// element when any of them is a block. A pure `fn` (its result depends on
// its arguments only) is applied once for all the empty cells of a large
// reference; an impure one (random numbers) once for each element. Each
// application costs `workPerElement` of the recalculation's work.
void Calc_mapArgs(const CalcContext& ctx, const CalcNode& call, CalcValue* out,
                  const std::function<CellValue(const CellValue* const* items)>& fn, bool pure = true,
                  long long workPerElement = 1);
CellValue Calc_power(double a, double b);

// Read-only view of a value's block: a reference's cells or an array.
struct CalcGrid {
  explicit CalcGrid(const CalcValue& v);
  int rows = 1, cols = 1;
  const CellValue& at(int r, int c) const;
  const CalcArea* area = nullptr;
  const CalcArray* array = nullptr;
  const CalcValue* sparse = nullptr;
};

// Calls fn(value, fromRange) for each value the arguments of `call` give, in
// order: every cell of a reference (of each area of a union or of a reference
// across sheets), every element of an array, and the one value of an argument
// given directly (fromRange false; a missing argument is an empty value).
// Empty cells and elements are not visited: every caller skips them, and a
// large mostly-empty reference then costs only its used cells.
// Stops early, returning false, when fn returns false or the recalculation
// is asked to stop. `first` and `count` choose some of the arguments.
template <typename Fn>
bool Calc_eachValue(const CalcContext& ctx, const CalcNode& call, Fn fn, size_t first = 0, size_t count = SIZE_MAX) {
  size_t end = count < call.args.size() - std::min(first, call.args.size()) ? first + count : call.args.size();
  for (size_t i = first; i < end; ++i) {
    const CalcNode& arg = call.args[i];
    bool isUnion = arg.op == CalcOp::Union;
    const CalcNode* parts = isUnion ? arg.args.data() : &arg;
    size_t n = isUnion ? arg.args.size() : 1;
    for (size_t k = 0; k < n; ++k) {
      CalcValue v;
      Calc_eval(ctx, parts[k], &v);
      if (!v.area && !v.isArray) {
        if (!fn(v.array.values[0], false)) return false;
        continue;
      }
      if (v.area || v.sparse) {
        if (!Calc_eachElement(v, true, [&fn](const CellValue& x) { return x.kind == CellKind::Empty || fn(x, true); }))
          return false;
        continue;
      }
      CalcGrid g(v);
      for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c)
          if (Calc_stopAsked() || (g.at(r, c).kind != CellKind::Empty && !fn(g.at(r, c), true))) return false;
    }
  }
  return true;
}

// The numbers arguments give as statistics read them: from references and
// arrays only numbers, or with `all` also booleans (1, 0) and texts (0);
// values given directly are converted (with `all`, a text that is no number
// is 0). False with *err on an error value or, without `all`, a direct text
// that is no number.
bool Calc_numbersOf(const CalcContext& ctx, const CalcNode& call, bool all, std::vector<double>* out, CellValue* err,
                    size_t first = 0, size_t count = SIZE_MAX);
// A numeric function of one to three arguments, element by element over
// blocks: fn gets the arguments converted to numbers.
using CalcNumericFn = CellValue (*)(const double* x, size_t n);
void Calc_numeric(const CalcContext& ctx, const CalcNode& call, CalcValue* out, CalcNumericFn fn, bool pure = true);

// The numbers of a block row by row; false with *err when an item is an
// error or not a number (#VALUE!).
bool Calc_gridNumbers(const CalcGrid& g, std::vector<double>* out, CellValue* err);

// The position search of MATCH, VLOOKUP and HLOOKUP along a line of items
// the caller keeps (Calc_Search.cpp). A search shared by many keys answers
// an exact key from a sorted copy of the line.
class CalcLineSearch {
 public:
  CalcLineSearch(std::vector<const CellValue*> items, bool shared);
  // The position of x, -1 when there is none. type 0: the first item equal
  // to x (a text with wildcards as a pattern); 1: the last item not above x
  // in ascending data; -1: the last not below x in descending data. Only
  // items of x's kind count (an empty one is the number 0).
  int find(const CellValue& x, int type);

 private:
  static constexpr size_t kKinds = 3;  // numbers, texts, logicals
  const CellValue& item(int i) const { return *items_[static_cast<size_t>(i)]; }
  const std::vector<int>& sameKind(int k);
  const std::vector<int>& sortedKind(int k);
  int exact(const CellValue& x, int k);
  std::vector<const CellValue*> items_;
  bool shared_;
  std::array<std::optional<std::vector<int>>, kKinds> same_, sorted_;
};

// Functions (Calc_Functions*.cpp).
using CalcBuiltin = void (*)(const CalcContext& ctx, const CalcNode& call, CalcValue* out);
// A built-in lifted over its first argument alone may answer every element
// from work done once for the call (a sorted copy of the searched line):
// given the call with its other arguments, the answer for one first value,
// the same as the built-in's own.
using CalcKeyedAnswer = std::function<CellValue(const CellValue& key)>;
using CalcKeyedLift = CalcKeyedAnswer (*)(const CalcContext& ctx, const CalcNode& call);
struct CalcBuiltinInfo {
  const char* name;
  int minArgs, maxArgs;
  CalcBuiltin fn;
  // Bit k: argument k takes one value (VLOOKUP's column number). In array
  // evaluation an array there runs the function once per element.
  unsigned oneValue = 0;
  // Outside array evaluation too an array that is no range there runs the
  // function once per element (COUNTIF's criteria), a range giving the cell
  // in the formula's row or column.
  bool liftsArrays = false;
  // The shared answers of a call lifted over its first argument alone.
  CalcKeyedLift keyed = nullptr;
};
// The arguments oneValue can name: the first as many as it has bits.
constexpr size_t kCalcOneValueArgs = std::numeric_limits<unsigned>::digits;
// The oneValue bits of the arguments listed; an argument past them does
// not compile.
consteval unsigned Calc_oneValueArgs(std::initializer_list<int> arguments) {
  unsigned bits = 0;
  for (int k : arguments) bits |= 1u << k;
  return bits;
}
// Whether argument k of f takes one value.
inline bool Calc_takesOneValue(const CalcBuiltinInfo& f, size_t k) {
  return k < kCalcOneValueArgs && ((f.oneValue >> k) & 1u) != 0;
}
// x rounded to `digits` decimals as ROUND does it (halves away from zero).
double Calc_round(double x, double digits);
// x cut to `digits` decimals as ROUNDDOWN does it, on its 15-digit form.
double Calc_roundDown(double x, double digits);
std::vector<CalcBuiltinInfo> Calc_mathFunctions();
std::vector<CalcBuiltinInfo> Calc_textFunctions();
std::vector<CalcBuiltinInfo> Calc_aggregateFunctions();
std::vector<CalcBuiltinInfo> Calc_lookupFunctions();
std::vector<CalcBuiltinInfo> Calc_logicFunctions();
std::vector<CalcBuiltinInfo> Calc_arithmeticFunctions();
std::vector<CalcBuiltinInfo> Calc_matrixFunctions();
std::vector<CalcBuiltinInfo> Calc_statisticsFunctions();
std::vector<CalcBuiltinInfo> Calc_informationFunctions();
std::vector<CalcBuiltinInfo> Calc_volatileFunctions();
// Functions by name, without regard to case; -1 when unknown.
int Calc_findBuiltin(const std::string& name);
const CalcBuiltinInfo& Calc_builtin(int index);
int Calc_builtinCount();
int Calc_findAddin(const std::string& name);
const CalcFunction& Calc_addin(int index);
unsigned Calc_addinFlags(int index);  // CalcFunctionFlag
// How the registered function prepares its lifted calls; empty when it
// does not.
const CalcLiftPreparer& Calc_addinLiftPreparer(int index);
// Whether the registered function takes one value at the argument.
bool Calc_addinTakesOneValue(int index, size_t argument);
// Counts the registrations of functions: what bound before a registration
// may call a function differently after it.
std::uint64_t Calc_functionsGeneration();

// A text evaluated in a workbook's context (Calc_evaluate), parsed and bound
// (Calc_Texts.cpp): kept per workbook and reused while the workbook's
// structure (formulas, names, sheets, the set of cells) and the registered
// functions stay as they were, since binding reads nothing else. nullptr
// when the text does not parse; the tree stays valid while held.
std::shared_ptr<const CalcNode> Calc_boundText(Workbook* wb, int sheet, const std::string& text);
// Wildcard match of a whole text, case-insensitive, by character (* ? and ~ escapes).
bool Calc_wildcardMatch(const std::string& pattern, const std::string& text);
bool Calc_hasWildcard(const std::string& pattern);
// Position of the first match of `pattern` (wildcards as above) starting at
// or after `from` in `text`, in UTF-16 units; std::string::npos when none.
// Costs at most (pattern length) x (text length).
size_t Calc_wildcardFind(const std::u16string& pattern, const std::u16string& text, size_t from);
// The runtime's letters, every script, whatever the locale.
bool Calc_isLetter(char16_t c);
