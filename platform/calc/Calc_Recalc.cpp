// Recalculation: compiles a workbook's formulas once per structure version
// (formula units, the cells they read, their dependency order with circular
// references found), then re-evaluates the units in that order on each
// recalculation: only the units that read cells written since the last
// one, the units that depend on those and the volatile units, unless the
// structure or the calculation mode changed. Also EVALUATE of a text and the precedents and dependents
// of a cell.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/Stored_Prefixes.h"
#include "platform/calc/Calc_Internal.h"
#include "platform/os/Os_Guard.h"

namespace {

// A formula cell, or an array formula with its block.
struct Unit {
  CellRange range;
  bool isArray = false;
  std::vector<Cell*> cells;              // row by row, nullptr where a block cell was cleared
  CalcNode tree;
  std::vector<const CalcArea*> reads;    // distinct areas the formula reads
  std::vector<int> deps;                 // units whose cells it reads
  int cycle = -1;                        // the circular reference it takes part in: a unit of it (-1: none)
  std::string problem;                   // why it cannot be computed ("" when it can)
  bool held = false;                     // keeps its stored value while its inputs stay
  bool isVolatile = false;               // evaluated on every recalculation (see callsVolatile)
  bool capped = false;                   // its last evaluation went beyond the work left
  long long work = 0;                    // the work its last evaluation took
};

// The units that read a multi-cell area.
struct AreaReaders {
  const CalcArea* area;
  std::vector<int> units;
};

// Where the units of one sheet lie, by column and then row, so that the
// units inside an area are found through the columns it spans rather than
// by looking at every unit of the sheet.
struct UnitGrid {
  struct Column {
    int col;
    std::size_t begin, end;   // its cells in `cells`
  };
  std::vector<Column> columns;              // by column
  std::vector<std::pair<int, int>> cells;   // (row, unit), by column and then row
};

// The values a held formula read when it was opened: the non-empty cells of
// the areas it reads, by sheet, row and column.
using CalcInputs = std::vector<std::pair<std::tuple<int, int, int>, CellValue>>;

}  // namespace

struct CalcState {
  std::uint64_t version = 0;
  CalcAreaStore store;
  std::vector<Unit> units;
  std::vector<std::unordered_map<std::uint64_t, int>> unitAt;   // per sheet: cell key -> unit
  std::vector<UnitGrid> grids;                                   // per sheet
  std::vector<int> order;                                        // precedents first
  std::map<std::tuple<int, int, int>, CalcInputs> heldInputs;    // by the held unit's first cell
  std::vector<std::vector<int>> readers;                         // unit -> units that read its cells
  std::vector<std::unordered_map<std::uint64_t, std::vector<int>>> cellReaders;   // per sheet: cell key -> units
  std::vector<std::vector<AreaReaders>> blockReaders;            // per sheet
  std::vector<int> volatileUnits;
  bool calculated = false;                                       // every unit evaluated once since compiling
  CalcMode modeCalculated = CalcMode::Automatic;                 // calculation mode of the last recalculation
  std::size_t evaluated = 0;                                     // units the last recalculation evaluated
  CalcCounts counts;                                             // carried over from the state it replaces
};

namespace {

const CellValue kCircular = CellValue::makeError(kCalcCircularError);
const std::string kCappedReason =
    "builds more array elements than one recalculation allows (" + std::to_string(kCalcWorkPerRecalculation) + ")";

// A formula evaluated on every recalculation: it calls a function whose value
// changes by itself (RAND, NOW, a volatile registered function ...), or SUMIF with a sum range, which reads
// its sum cells in the shape of the criteria range, beyond the cells it names.
// Built-ins are told by their index, as binding found it by name.
bool callsVolatile(const CalcNode& n) {
  static const std::vector<int> kVolatile = [] {
    std::vector<int> indexes;
    for (const CalcBuiltinInfo& f : Calc_volatileFunctions()) indexes.push_back(Calc_findBuiltin(f.name));
    return indexes;
  }();
  static const int kSumIf = Calc_findBuiltin("SUMIF");
  if (n.op == CalcOp::Func && n.addin && (Calc_addinFlags(n.func) & kCalcVolatile)) return true;
  if (n.op == CalcOp::Func && !n.addin && n.func >= 0) {
    if (n.args.size() == 3 && n.func == kSumIf) return true;
    if (std::find(kVolatile.begin(), kVolatile.end(), n.func) != kVolatile.end()) return true;
  }
  for (const CalcNode& a : n.args)
    if (callsVolatile(a)) return true;
  return false;
}

void collectReads(const CalcNode& n, std::vector<const CalcArea*>* out) {
  if (n.op == CalcOp::Ref && n.area) out->push_back(n.area);
  for (const CalcNode& a : n.args) collectReads(a, out);
}

// Why a bound tree cannot be computed: a function no table has, or a
// reference into another workbook, which this application never has open.
bool isUnknownCall(const CalcNode& n) { return n.op == CalcOp::Func && n.func < 0; }

// The first call of a bound tree to a function no table has; null for none.
const CalcNode* unknownCall(const CalcNode& n) {
  if (isUnknownCall(n)) return &n;
  for (const CalcNode& a : n.args)
    if (const CalcNode* call = unknownCall(a)) return call;
  return nullptr;
}

std::string problemOf(const CalcNode& n) {
  if (isUnknownCall(n)) return "calls " + Stored_typedFunction(n.text) + ", a function this system does not calculate";
  if (n.op == CalcOp::Literal && !n.text.empty()) return "refers to " + n.text + " in another workbook";
  for (const CalcNode& a : n.args) {
    std::string why = problemOf(a);
    if (!why.empty()) return why;
  }
  return "";
}

CalcInputs inputsOf(const Unit& u) {
  CalcInputs in;
  for (const CalcArea* a : u.reads)
    for (const CalcStored& s : a->stored)
      if (s.value->kind != CellKind::Empty)
        in.push_back({{a->sheet, a->row1 + static_cast<int>(s.offset / a->cols()),
                       a->col1 + static_cast<int>(s.offset % a->cols())},
                      *s.value});
  if (u.reads.size() < 2) return in;   // one area lists its cells in order already
  std::sort(in.begin(), in.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  in.erase(std::unique(in.begin(), in.end(), [](const auto& x, const auto& y) { return x.first == y.first; }), in.end());
  return in;
}

// Inputs agree when the same cells hold the same values; numbers may differ
// by the last bits a recalculation of the file's formulas can change.
bool sameInputs(const CalcInputs& a, const CalcInputs& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const CellValue &x = a[i].second, &y = b[i].second;
    if (a[i].first != b[i].first || x.kind != y.kind) return false;
    if (x.kind != CellKind::Number) {
      if (!(x == y)) return false;
    } else if (std::fabs(x.number - y.number) > 1e-12 * std::max(std::fabs(x.number), std::fabs(y.number))) {
      return false;
    }
  }
  return true;
}

void addUnit(Workbook* wb, CalcState* st, const CalcState* old, int sheet, const CellRange& r, bool isArray,
             const std::string& formula) {
  Unit u;
  u.range = r;
  u.isArray = isArray;
  Sheet* sh = wb->sheets[sheet].get();
  int index = static_cast<int>(st->units.size());
  for (int row = r.row1; row <= r.row2; ++row)
    for (int col = r.col1; col <= r.col2; ++col) {
      u.cells.push_back(sh->cells.get(Wb_cellKey(row, col)));
      st->unitAt[sheet][Wb_cellKey(row, col)] = index;
    }
  std::string why;
  if (Calc_parse(formula, &u.tree, &why)) {
    Calc_bind(wb, sheet, &st->store, &u.tree);
    u.problem = problemOf(u.tree);
  } else {
    u.problem = "cannot be read: " + why;
    u.tree.value = CellValue::makeError(CellError::Name);
  }
  collectReads(u.tree, &u.reads);
  u.isVolatile = callsVolatile(u.tree);
  std::sort(u.reads.begin(), u.reads.end());
  u.reads.erase(std::unique(u.reads.begin(), u.reads.end()), u.reads.end());
  if (!u.problem.empty() && u.cells[0] && u.cells[0]->keepsStoredValue) {
    u.held = true;
    auto key = std::make_tuple(sheet, r.row1, r.col1);
    auto before = old ? old->heldInputs.find(key) : st->heldInputs.end();
    st->heldInputs[key] = old && before != old->heldInputs.end() ? before->second : inputsOf(u);
  }
  st->units.push_back(std::move(u));
}

bool inside(const CellRange& r, const CalcArea& a) {
  return r.sheet == a.sheet && !(r.row2 < a.row1 || a.row2 < r.row1 || r.col2 < a.col1 || a.col2 < r.col1);
}

// The grid of one sheet's unit cells (every cell of an array block, cleared or not).
UnitGrid gridOf(const std::unordered_map<std::uint64_t, int>& unitAt) {
  std::vector<std::tuple<int, int, int>> cells;   // (column, row, unit)
  cells.reserve(unitAt.size());
  for (const auto& [key, unit] : unitAt) cells.emplace_back(Wb_keyCol(key), Wb_keyRow(key), unit);
  std::sort(cells.begin(), cells.end());
  UnitGrid g;
  g.cells.reserve(cells.size());
  for (const auto& [col, row, unit] : cells) {
    if (g.columns.empty() || g.columns.back().col != col) g.columns.push_back({col, g.cells.size(), g.cells.size()});
    g.cells.emplace_back(row, unit);
    g.columns.back().end = g.cells.size();
  }
  return g;
}

// Units with a cell inside the area (a block's once per cell inside): a
// search in each column of the area that holds units.
void unitsIn(const CalcState& st, const CalcArea& a, std::vector<int>* out) {
  if (a.sheet < 0 || a.sheet >= static_cast<int>(st.grids.size())) return;
  const UnitGrid& g = st.grids[a.sheet];
  auto col = std::lower_bound(g.columns.begin(), g.columns.end(), a.col1,
                              [](const UnitGrid::Column& c, int x) { return c.col < x; });
  for (; col != g.columns.end() && col->col <= a.col2; ++col) {
    auto first = g.cells.begin() + static_cast<std::ptrdiff_t>(col->begin);
    auto last = g.cells.begin() + static_cast<std::ptrdiff_t>(col->end);
    auto cell = std::lower_bound(first, last, a.row1, [](const std::pair<int, int>& c, int row) { return c.first < row; });
    for (; cell != last && cell->first <= a.row2; ++cell) out->push_back(cell->second);
  }
}

// Tarjan's strongly connected components without recursion: gives the
// evaluation order and marks the units that take part in a cycle.
void orderUnits(CalcState* st) {
  size_t n = st->units.size();
  std::vector<int> index(n, -1), low(n, 0), stack;
  std::vector<char> onStack(n, 0);
  std::vector<std::pair<int, size_t>> calls;
  int counter = 0;
  auto visit = [&](int v) {
    index[v] = low[v] = counter++;
    stack.push_back(v);
    onStack[v] = 1;
    calls.push_back({v, 0});
  };
  for (size_t s = 0; s < n; ++s) {
    if (index[s] >= 0) continue;
    visit(static_cast<int>(s));
    while (!calls.empty()) {
      int v = calls.back().first;
      const std::vector<int>& deps = st->units[v].deps;
      if (calls.back().second < deps.size()) {
        int w = deps[calls.back().second++];
        if (index[w] < 0) visit(w);
        else if (onStack[w]) low[v] = std::min(low[v], index[w]);
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[v]);
      if (low[v] != index[v]) continue;
      size_t first = stack.size();
      do { --first; } while (stack[first] != v);
      bool cyclic = stack.size() - first > 1 ||
                    std::find(deps.begin(), deps.end(), v) != deps.end();
      for (size_t i = first; i < stack.size(); ++i) {
        onStack[stack[i]] = 0;
        st->units[stack[i]].cycle = cyclic ? v : -1;
        st->order.push_back(stack[i]);
      }
      stack.resize(first);
    }
  }
}

// The reverse of the dependency graph: who reads each unit, each single cell
// and each multi-cell area; and the volatile units.
void indexReaders(CalcState* st) {
  size_t n = st->units.size(), sheets = st->unitAt.size();
  st->readers.assign(n, {});
  st->cellReaders.assign(sheets, {});
  st->blockReaders.assign(sheets, {});
  std::unordered_map<const CalcArea*, size_t> blockOf;
  for (size_t x = 0; x < n; ++x) {
    const Unit& u = st->units[x];
    int ux = static_cast<int>(x);
    if (u.isVolatile) st->volatileUnits.push_back(ux);
    for (int d : u.deps) st->readers[d].push_back(ux);
    for (const CalcArea* a : u.reads) {
      if (a->sheet < 0 || a->sheet >= static_cast<int>(sheets)) continue;
      bool single = a->row1 == a->row2 && a->col1 == a->col2 && !a->toLastRow && !a->toLastCol;
      if (single) {
        st->cellReaders[a->sheet][Wb_cellKey(a->row1, a->col1)].push_back(ux);
        continue;
      }
      auto [it, added] = blockOf.try_emplace(a, st->blockReaders[a->sheet].size());
      if (added) st->blockReaders[a->sheet].push_back(AreaReaders{a, {}});
      st->blockReaders[a->sheet][it->second].units.push_back(ux);
    }
  }
}

// The workbook's formulas compiled into units in their order of
// calculation. When `stoppable`, the stop check is asked once per formula and
// a stop answers null, the compile abandoned.
std::shared_ptr<CalcState> compile(Workbook* wb, const CalcState* old, bool stoppable) {
  auto st = std::make_shared<CalcState>();
  st->version = wb->structureVersion;
  size_t sheets = wb->sheets.size();
  st->unitAt.resize(sheets);
  for (size_t s = 0; s < sheets; ++s) {
    const Sheet& sh = *wb->sheets[s];
    int si = static_cast<int>(s);
    for (const ArrayBlock& b : sh.arrays)
      if (!b.formula.empty()) addUnit(wb, st.get(), old, si, CellRange{si, b.row1, b.col1, b.row2, b.col2}, true, b.formula);
    for (const auto& [key, cell] : sh.cells)
      if (!cell.formula.empty() && cell.arrayBlock < 0) {
        if (stoppable && Calc_stopAsked()) return nullptr;
        int r = Wb_keyRow(key), c = Wb_keyCol(key);
        addUnit(wb, st.get(), old, si, CellRange{si, r, c, r, c}, false, cell.formula);
      }
  }
  st->grids.reserve(sheets);
  for (const auto& at : st->unitAt) st->grids.push_back(gridOf(at));
  std::vector<int> inside;
  for (CalcArea& a : st->store.areas) {
    inside.clear();
    unitsIn(*st, a, &inside);
    a.hasFormulas = !inside.empty();
  }
  for (Unit& u : st->units) {
    for (const CalcArea* a : u.reads) unitsIn(*st, *a, &u.deps);
    std::sort(u.deps.begin(), u.deps.end());
    u.deps.erase(std::unique(u.deps.begin(), u.deps.end()), u.deps.end());
  }
  orderUnits(st.get());
  indexReaders(st.get());
  if (old) st->counts = old->counts;
  ++st->counts.compilations;
  return st;
}

bool compiled(const Workbook* wb) { return wb->calc && wb->calc->version == wb->structureVersion; }

CalcState& state(Workbook* wb) {
  if (!compiled(wb)) wb->calc = compile(wb, wb->calc.get(), false);
  return *wb->calc;
}

CellValue shown(const CellValue& v) {
  return v.kind == CellKind::Empty ? CellValue::makeNumber(0) : v;
}

// A held unit whose inputs changed calculates from now on, to an error value.
bool stillHeld(CalcState& st, Unit& u) {
  if (!u.held) return false;
  if (!u.cells[0] || !u.cells[0]->keepsStoredValue) return u.held = false;   // a value was written over it
  auto key = std::make_tuple(u.range.sheet, u.range.row1, u.range.col1);
  if (sameInputs(st.heldInputs[key], inputsOf(u))) return true;
  st.heldInputs.erase(key);
  u.held = false;
  for (Cell* c : u.cells)
    if (c) c->keepsStoredValue = false;
  return false;
}

void evaluateUnit(Workbook* wb, CalcState& st, Unit& u) {
  if (stillHeld(st, u)) return;
  if (u.cycle >= 0) {
    for (Cell* c : u.cells) if (c) c->value = kCircular;
    return;
  }
  CalcContext ctx{wb, u.range.sheet, u.range.row1, u.range.col1, u.isArray};
  if (u.isArray) {
    ctx.blockRows = u.range.row2 - u.range.row1 + 1;
    ctx.blockCols = u.range.col2 - u.range.col1 + 1;
  }
  CalcValue v;
  std::size_t refused = Calc_workRefused();
  long long left = Calc_workLeft();
  Calc_eval(ctx, u.tree, &v);
  CalcArray a = u.isArray ? Calc_valuesOf(v) : CalcArray{};
  u.capped = Calc_workRefused() != refused;
  u.work = left - Calc_workLeft();
  if (u.capped) {
    for (Cell* c : u.cells)
      if (c) c->value = CellValue::makeError(CellError::Num);
    return;
  }
  if (!u.isArray) {
    if (u.cells[0]) u.cells[0]->value = shown(Calc_scalarOf(ctx, v));
    return;
  }
  // A block larger than the result: single rows and columns repeat, the rest is #N/A.
  int cols = u.range.col2 - u.range.col1 + 1;
  for (size_t k = 0; k < u.cells.size(); ++k) {
    if (!u.cells[k]) continue;
    int i = static_cast<int>(k) / cols, j = static_cast<int>(k) % cols;
    int ai = a.rows == 1 ? 0 : i, aj = a.cols == 1 ? 0 : j;
    u.cells[k]->value = (ai < a.rows && aj < a.cols) ? shown(a.values[static_cast<size_t>(ai) * a.cols + aj])
                                                    : CellValue::makeError(CellError::NA);
  }
}

int unitOf(CalcState& st, int sheet, int row, int col) {
  if (sheet < 0 || sheet >= static_cast<int>(st.unitAt.size())) return -1;
  auto it = st.unitAt[sheet].find(Wb_cellKey(row, col));
  return it == st.unitAt[sheet].end() ? -1 : it->second;
}

CellRange rangeOf(const CalcArea& a) { return CellRange{a.sheet, a.row1, a.col1, a.row2, a.col2}; }

// Units reachable from `start` along `next` (start excluded unless reached again).
std::vector<int> reach(const std::vector<int>& start, const std::function<const std::vector<int>&(int)>& next) {
  std::vector<int> seen, todo = start;
  std::vector<char> mark;
  while (!todo.empty()) {
    int u = todo.back();
    todo.pop_back();
    if (static_cast<size_t>(u) >= mark.size()) mark.resize(u + 1, 0);
    if (mark[u]) continue;
    mark[u] = 1;
    seen.push_back(u);
    for (int w : next(u)) todo.push_back(w);
  }
  return seen;
}

// A union of references on one sheet gives its areas (and, `withValues`,
// the values of the first); anything else is #VALUE!.
bool unionOf(const CalcNode& tree, bool withValues, CalcEvalResult* out) {
  for (const CalcNode& part : tree.args) {
    if (part.op != CalcOp::Ref || part.area->sheet != tree.args[0].area->sheet) {
      *out = CalcEvalResult{};
      out->value.values.push_back(CellValue::makeError(CellError::Value));
      return true;
    }
    out->areas.push_back(rangeOf(*part.area));
  }
  out->isReference = true;
  CalcValue first;
  first.area = tree.args[0].area;
  if (withValues) out->value = Calc_valuesOf(first);
  return true;
}

bool contains(const CalcArea& a, int row, int col) {
  return row >= a.row1 && col >= a.col1 && (row <= a.row2 || a.toLastRow) && (col <= a.col2 || a.toLastCol);
}

// The cells written since the last recalculation, per sheet of the
// compilation, each once and in row-major (key) order.
std::vector<std::vector<std::uint64_t>> writtenCells(const Workbook* wb, const CalcState& st) {
  std::vector<std::vector<std::uint64_t>> written(st.cellReaders.size());
  const Sheet* last = nullptr;
  size_t s = 0;
  for (const auto& [sheet, key] : wb->changedCells) {
    if (sheet != last) {   // writes come sheet by sheet: look the sheet up once per run
      s = 0;
      while (s < wb->sheets.size() && wb->sheets[s].get() != sheet) ++s;
      last = sheet;
    }
    if (s < written.size()) written[s].push_back(key);
  }
  for (auto& keys : written) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  }
  return written;
}

// Whether a written cell (`keys`, in key order) lies in the area: a search
// per row that holds written cells, from the area's first column.
bool writtenIn(const std::vector<std::uint64_t>& keys, const CalcArea& a) {
  auto it = std::lower_bound(keys.begin(), keys.end(), Wb_cellKey(a.row1, a.col1));
  while (it != keys.end()) {
    const int row = Wb_keyRow(*it), col = Wb_keyCol(*it);
    if (row > a.row2 && !a.toLastRow) return false;
    if (contains(a, row, col)) return true;
    std::uint64_t next = col < a.col1 ? Wb_cellKey(row, a.col1) : Wb_cellKey(row + 1, a.col1);
    it = std::lower_bound(it, keys.end(), next);
  }
  return false;
}

// The units a recalculation after value writes must evaluate: those reading a
// written cell, the volatile ones, and every unit depending on them.
std::vector<char> dueUnits(const Workbook* wb, const CalcState& st) {
  std::vector<char> due(st.units.size(), 0);
  std::vector<int> todo = st.volatileUnits;
  std::vector<std::vector<std::uint64_t>> written = writtenCells(wb, st);
  for (size_t s = 0; s < written.size(); ++s) {
    if (written[s].empty()) continue;
    for (std::uint64_t key : written[s]) {
      auto it = st.cellReaders[s].find(key);
      if (it != st.cellReaders[s].end()) todo.insert(todo.end(), it->second.begin(), it->second.end());
    }
    for (const AreaReaders& b : st.blockReaders[s])
      if (writtenIn(written[s], *b.area)) {
        b.area->numbersKnown = false;
        todo.insert(todo.end(), b.units.begin(), b.units.end());
      }
  }
  while (!todo.empty()) {
    int u = todo.back();
    todo.pop_back();
    if (due[u]) continue;
    due[u] = 1;
    todo.insert(todo.end(), st.readers[u].begin(), st.readers[u].end());
  }
  return due;
}

}  // namespace

namespace {

std::function<bool()> gStopCheck;  // Calc_setStopCheck

// The stop answers of one recalculation: none before it, none kept after it.
struct StopScope {
  StopScope() { gCalcStop = CalcStopState{}; }
  ~StopScope() { gCalcStop = CalcStopState{}; }
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;
};

// False when the stop check stopped it before or inside a formula.
bool recalculate(Workbook* wb) {
  StopScope stops;
  if (!compiled(wb)) {
    std::shared_ptr<CalcState> fresh = compile(wb, wb->calc.get(), true);
    if (!fresh) return false;
    wb->calc = std::move(fresh);
  }
  CalcState& st = *wb->calc;
  CalcWorkScope work;
  bool full = !st.calculated || wb->changedMany || st.modeCalculated != Wb_app().calcMode;
  st.evaluated = 0;
  std::vector<char> due;
  if (full) {
    for (const CalcArea& a : st.store.areas) a.numbersKnown = false;
  } else {
    due = dueUnits(wb, st);
  }
  for (int u : st.order) {
    if (!full && !due[u]) continue;
    if (Calc_stopCheckNow()) return false;
    evaluateUnit(wb, st, st.units[u]);
    if (gCalcStop.stopped) return false;  // stopped inside the formula: its value is partial
    ++st.evaluated;
  }
  ++st.counts.recalculations;
  st.counts.full += full;
  st.counts.evaluated += st.evaluated;
  st.calculated = true;
  st.modeCalculated = Wb_app().calcMode;
  wb->changedCells.clear();
  wb->changedMany = false;
  return true;
}

// Runs `body`, a recalculation of `wb`; false when memory ran out or the
// stop check stopped it, which leaves every formula to the next
// recalculation.
template <typename Body>
bool guarded(Workbook* wb, Body body) {
  if (!wb || Os_guard(false, body)) return true;
  wb->changedMany = true;
  return false;
}

}  // namespace

void Calc_setStopCheck(std::function<bool()> check) { gStopCheck = std::move(check); }

CalcStopState gCalcStop;

// Once the check answered true, true until the next recalculation starts.
bool Calc_stopCheckNow() {
  gCalcStop.unchecked = 0;
  gCalcStop.stopped = gCalcStop.stopped || (gStopCheck && gStopCheck());
  return gCalcStop.stopped;
}

bool Calc_recalculate(Workbook* wb) {
  return guarded(wb, [wb] { return recalculate(wb); });
}

namespace {

// Whether evaluating every formula again would give each the value it has:
// compiled for the workbook as it is, evaluated since, nothing written nor
// volatile, no formula cut short, and their last evaluations fitting in one
// recalculation's work together (each would take the same work again).
bool current(const Workbook* wb) {
  const CalcState* st = wb->calc.get();
  if (!st || st->version != wb->structureVersion || !st->calculated || !wb->changedCells.empty() ||
      wb->changedMany || !st->volatileUnits.empty())
    return false;
  long long work = 0;
  for (const Unit& u : st->units) {
    if (u.capped) return false;
    work += u.work;
  }
  return work <= kCalcWorkPerRecalculation;
}

}  // namespace

bool Calc_catchUp(Workbook* wb) {
  if (!wb) return true;
  if (!current(wb)) return Calc_recalculate(wb);
  CalcState& st = *wb->calc;
  st.evaluated = 0;
  st.modeCalculated = Wb_app().calcMode;
  ++st.counts.recalculations;
  return true;
}

bool Calc_recalculateFull(Workbook* wb) {
  return guarded(wb, [wb] {
    state(wb).calculated = false;
    return recalculate(wb);
  });
}

std::size_t Calc_lastEvaluated(Workbook* wb) { return wb && wb->calc ? wb->calc->evaluated : 0; }

CalcCounts Calc_counts(const Workbook* wb) { return wb && wb->calc ? wb->calc->counts : CalcCounts{}; }

bool Calc_recalculateAll() {
  bool recalculated = true;
  for (auto& wb : Wb_app().workbooks) recalculated = Calc_recalculate(wb.get()) && recalculated;
  return recalculated;
}

bool Calc_afterChange(Workbook* wb) {
  return Wb_app().calcMode == CalcMode::Manual || Calc_recalculate(wb);
}

namespace {

// EVALUATE of a text; the values of a reference only `withValues`.
bool evaluateText(Workbook* wb, int sheet, const std::string& text, bool withValues, CalcEvalResult* out) {
  if (!wb || sheet < 0 || sheet >= static_cast<int>(wb->sheets.size())) return false;
  std::shared_ptr<const CalcNode> bound = Calc_boundText(wb, sheet, text);
  if (!bound) return false;
  const CalcNode& tree = *bound;
  *out = CalcEvalResult{};
  CalcWorkScope work;
  if (tree.op == CalcOp::Union) return unionOf(tree, withValues, out);
  CalcContext ctx{wb, sheet, 0, 0, true};
  CalcValue v;
  Calc_eval(ctx, tree, &v);
  out->isReference = v.area != nullptr;
  if (v.area) out->areas.push_back(rangeOf(*v.area));
  if (v.area && !withValues) return true;
  out->value = Calc_valuesOf(v);
  if (!v.area)  // shown in place: a large array's texts are not copied again
    for (CellValue& x : out->value.values)
      if (x.kind == CellKind::Empty) x = CellValue::makeNumber(0);
  return true;
}

}  // namespace

bool Calc_evaluate(Workbook* wb, int sheet, const std::string& text, CalcEvalResult* out) {
  return Os_guard(false, [&] { return evaluateText(wb, sheet, text, true, out); });
}

bool Calc_evaluateReference(Workbook* wb, int sheet, const std::string& text, CalcEvalResult* out) {
  return Os_guard(false, [&] { return evaluateText(wb, sheet, text, false, out); });
}

std::vector<CellRange> Calc_textReads(Workbook* wb, int sheet, const std::string& text) {
  std::vector<CellRange> out;
  if (!wb || sheet < 0 || sheet >= static_cast<int>(wb->sheets.size())) return out;
  Os_guard(false, [&] {
    std::shared_ptr<const CalcNode> bound = Calc_boundText(wb, sheet, text);
    if (!bound) return false;
    std::vector<const CalcArea*> reads;
    collectReads(*bound, &reads);
    for (const CalcArea* a : reads) out.push_back(rangeOf(*a));
    return true;
  });
  return out;
}

namespace {

std::vector<CellRange> precedents(Workbook* wb, int sheet, int row, int col, bool allLevels) {
  std::vector<CellRange> out;
  if (!wb) return out;
  CalcState& st = state(wb);
  int u = unitOf(st, sheet, row, col);
  if (u < 0) return out;
  std::vector<int> units{u};
  if (allLevels) units = reach({u}, [&](int x) -> const std::vector<int>& { return st.units[x].deps; });
  std::vector<const CalcArea*> areas;
  for (int x : units) areas.insert(areas.end(), st.units[x].reads.begin(), st.units[x].reads.end());
  std::sort(areas.begin(), areas.end());
  areas.erase(std::unique(areas.begin(), areas.end()), areas.end());
  for (const CalcArea* a : areas) out.push_back(rangeOf(*a));
  return out;
}

std::vector<CellRange> cycleOf(Workbook* wb, int sheet, int row, int col) {
  std::vector<CellRange> out;
  if (!wb) return out;
  CalcState& st = state(wb);
  const int u = unitOf(st, sheet, row, col);
  if (u < 0) return out;
  const std::vector<int> read = reach({u}, [&](int x) -> const std::vector<int>& { return st.units[x].deps; });
  const auto cyclic = std::find_if(read.begin(), read.end(), [&](int x) { return st.units[x].cycle >= 0; });
  if (cyclic == read.end()) return out;
  for (const Unit& member : st.units)
    if (member.cycle == st.units[*cyclic].cycle) out.push_back(member.range);
  std::sort(out.begin(), out.end(), [](const CellRange& a, const CellRange& b) {
    return std::tie(a.sheet, a.row1, a.col1) < std::tie(b.sheet, b.row1, b.col1);
  });
  return out;
}

std::vector<CellRange> dependents(Workbook* wb, int sheet, int row, int col, bool allLevels) {
  std::vector<CellRange> out;
  if (!wb) return out;
  CalcState& st = state(wb);
  CellRange cell{sheet, row, col, row, col};
  std::vector<std::vector<int>> readers(st.units.size());
  std::vector<int> direct;
  for (size_t x = 0; x < st.units.size(); ++x) {
    for (int d : st.units[x].deps) readers[d].push_back(static_cast<int>(x));
    for (const CalcArea* a : st.units[x].reads)
      if (inside(cell, *a)) { direct.push_back(static_cast<int>(x)); break; }
  }
  std::vector<int> units = direct;
  if (allLevels) units = reach(direct, [&](int x) -> const std::vector<int>& { return readers[x]; });
  std::sort(units.begin(), units.end());
  for (int x : units) out.push_back(st.units[x].range);
  return out;
}

std::vector<CalcWarning> warnings(Workbook* wb) {
  std::vector<CalcWarning> out;
  if (!wb) return out;
  CalcState& st = state(wb);
  for (const Unit& u : st.units) {
    if (u.problem.empty() && !u.capped) continue;
    const Sheet& sh = *wb->sheets[u.range.sheet];
    const Cell* first = Wb_findCell(&sh, u.range.row1, u.range.col1);
    std::string formula = !first ? "" : u.isArray ? sh.arrays[first->arrayBlock].formula : first->formula;
    const CalcNode* call = unknownCall(u.tree);
    out.push_back(CalcWarning{u.range, formula, u.problem.empty() ? kCappedReason : u.problem, u.held,
                              call ? call->text : std::string()});
  }
  std::sort(out.begin(), out.end(), [](const CalcWarning& a, const CalcWarning& b) {
    return std::tie(a.cell.sheet, a.cell.row1, a.cell.col1) < std::tie(b.cell.sheet, b.cell.row1, b.cell.col1);
  });
  return out;
}

std::vector<CalcWarning> warningsFor(Workbook* wb, const std::vector<CellRange>& cells) {
  std::vector<CalcWarning> out;
  if (!wb) return out;
  CalcState& st = state(wb);
  std::vector<int> start;
  for (size_t x = 0; x < st.units.size(); ++x)
    for (const CellRange& c : cells) {
      const CellRange& r = st.units[x].range;
      if (r.sheet == c.sheet && !(r.row2 < c.row1 || c.row2 < r.row1 || r.col2 < c.col1 || c.col2 < r.col1)) {
        start.push_back(static_cast<int>(x));
        break;
      }
    }
  std::vector<int> units = reach(start, [&](int x) -> const std::vector<int>& { return st.units[x].deps; });
  std::vector<CalcWarning> all = warnings(wb);
  for (const CalcWarning& w : all)
    for (int x : units)
      if (st.units[x].range.sheet == w.cell.sheet && st.units[x].range.row1 == w.cell.row1 &&
          st.units[x].range.col1 == w.cell.col1) {
        out.push_back(w);
        break;
      }
  return out;
}

}  // namespace

// The lists come back empty when memory runs out (Os_memoryFailures counts it).
std::vector<CellRange> Calc_precedents(Workbook* wb, int sheet, int row, int col, bool allLevels) {
  return Os_guard(std::vector<CellRange>{}, [&] { return precedents(wb, sheet, row, col, allLevels); });
}

std::vector<CellRange> Calc_dependents(Workbook* wb, int sheet, int row, int col, bool allLevels) {
  return Os_guard(std::vector<CellRange>{}, [&] { return dependents(wb, sheet, row, col, allLevels); });
}

std::vector<CellRange> Calc_cycleOf(Workbook* wb, int sheet, int row, int col) {
  return Os_guard(std::vector<CellRange>{}, [&] { return cycleOf(wb, sheet, row, col); });
}

std::vector<CalcWarning> Calc_warnings(Workbook* wb) {
  return Os_guard(std::vector<CalcWarning>{}, [&] { return warnings(wb); });
}

std::vector<CalcWarning> Calc_warningsFor(Workbook* wb, const std::vector<CellRange>& cells) {
  return Os_guard(std::vector<CalcWarning>{}, [&] { return warningsFor(wb, cells); });
}
