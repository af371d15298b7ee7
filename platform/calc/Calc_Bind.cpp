// Binding of parsed formulas to a workbook: sheet names to sheets, references
// to resolved cell areas, defined names to their (bound) definitions, and
// function names to built-in or add-in functions.
#include <algorithm>

#include "base/Stored_Prefixes.h"
#include "platform/calc/Calc_Internal.h"

namespace {

// Names expanded in one formula at most: a name used many times inside
// names used many times would otherwise grow the formula exponentially.
constexpr long kMaxNameExpansions = 4096;

// What binding one formula carries along: where its names and references
// are read, the names being expanded, from the outermost in, and how many
// expansions it has made.
struct Binding {
  Workbook* wb;
  WbReading at;
  CalcAreaStore* store;
  std::vector<const DefinedName*> chain;
  long expansions = 0;
  bool sheetsOwn = false;  // the next name's definition is read at `at` (Calc_bind)
};

void makeError(CalcNode* node, CellError e) {
  *node = CalcNode{};
  node->value = CellValue::makeError(e);
}

// A function name without the prefixes files give it.
std::string functionKey(const std::string& name) { return std::string(Stored_withoutPrefixes(name)); }

void bindName(Binding& b, CalcNode* node);

void bindRef(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node) {
  int first = node->sheetName.empty() ? sheet : Wb_sheetIndex(wb, node->sheetName);
  int last = node->lastSheet.empty() ? first : Wb_sheetIndex(wb, node->lastSheet);
  if (first < 0 || last < 0) return makeError(node, CellError::Ref);
  if (first == last) {
    node->area = Calc_areaFor(wb, store, first, node->row1, node->col1, node->row2, node->col2);
    if (!node->area) makeError(node, CellError::Ref);
    return;
  }
  // Across sheets: the same cells on every sheet from the first to the last, a union.
  CalcNode all;
  all.op = CalcOp::Union;
  for (int s = std::min(first, last); s <= std::max(first, last); ++s) {
    CalcNode& part = all.args.emplace_back(*node);
    part.lastSheet.clear();
    part.area = Calc_areaFor(wb, store, s, node->row1, node->col1, node->row2, node->col2);
    if (!part.area) return makeError(node, CellError::Ref);
  }
  *node = std::move(all);
}

// The common cells of two bound references on one sheet: a reference,
// #NULL! when they share none, #VALUE! when either is no reference.
void bindIntersection(Workbook* wb, CalcAreaStore* store, CalcNode* node) {
  const CalcNode& a = node->args[0];
  const CalcNode& b = node->args[1];
  if (a.op == CalcOp::Literal && a.value.kind == CellKind::Error) return makeError(node, a.value.error);
  if (b.op == CalcOp::Literal && b.value.kind == CellKind::Error) return makeError(node, b.value.error);
  if (a.op != CalcOp::Ref || b.op != CalcOp::Ref) return makeError(node, CellError::Value);
  int r1 = std::max(a.row1, b.row1), r2 = std::min(a.row2, b.row2);
  int c1 = std::max(a.col1, b.col1), c2 = std::min(a.col2, b.col2);
  if (a.area->sheet != b.area->sheet || r1 > r2 || c1 > c2) return makeError(node, CellError::Null);
  CalcNode ref = a;
  ref.row1 = r1; ref.row2 = r2; ref.col1 = c1; ref.col2 = c2;
  ref.area = Calc_areaFor(wb, store, a.area->sheet, r1, c1, r2, c2);
  if (!ref.area) return makeError(node, CellError::Ref);
  *node = std::move(ref);
}

void bindNode(Binding& b, CalcNode* node) {
  switch (node->op) {
    case CalcOp::Ref: return bindRef(b.wb, b.at.sheet, b.store, node);
    case CalcOp::Name: return bindName(b, node);
    case CalcOp::Func: {
      std::string key = functionKey(node->text);
      node->func = Calc_findBuiltin(key);
      if (node->func < 0) {
        node->func = Calc_findAddin(key);
        node->addin = node->func >= 0;
      }
      // A function no table has is named as the user typed it.
      if (node->func < 0) node->text = key;
      break;
    }
    default: break;
  }
  for (CalcNode& a : node->args) bindNode(b, &a);
  if (node->op == CalcOp::Intersect) bindIntersection(b.wb, b.store, node);
}

// A name is replaced by its definition, bound where the name's scope reads
// it (Wb_definitionReading). A name whose definition comes back to itself
// is a circular reference; one nested or repeated beyond the limits is
// #NAME? like an unknown one.
void bindName(Binding& b, CalcNode* node) {
  const int scope = Calc_nameScope(b.wb, *node, b.at);
  if (scope == kCalcNoScope) return makeError(node, CellError::Ref);
  const DefinedName* dn = Wb_findName(b.wb, node->text, scope);
  if (dn && std::find(b.chain.begin(), b.chain.end(), dn) != b.chain.end())
    return makeError(node, kCalcCircularError);
  CalcNode def;
  if (!dn || b.chain.size() >= static_cast<size_t>(kCalcMaxNameDepth) || ++b.expansions > kMaxNameExpansions ||
      !Calc_parse(dn->definition, &def, nullptr))
    return makeError(node, CellError::Name);
  const WbReading usedAt = b.at;
  b.at = b.sheetsOwn ? usedAt : Wb_definitionReading(*dn, usedAt);
  b.sheetsOwn = false;
  b.chain.push_back(dn);
  bindNode(b, &def);
  b.chain.pop_back();
  b.at = usedAt;
  *node = std::move(def);
}

}  // namespace

int Calc_nameScope(const Workbook* wb, const CalcNode& n, WbReading at) {
  if (n.workbookName) return -1;
  if (n.sheetName.empty()) return at.names;
  const int sheet = Wb_sheetIndex(wb, n.sheetName);
  return sheet < 0 ? kCalcNoScope : sheet;
}

const CalcArea* Calc_areaFor(Workbook* wb, CalcAreaStore* store, int sheet, int r1, int c1, int r2, int c2) {
  auto key = std::make_tuple(sheet, r1, c1, r2, c2);
  auto it = store->index.find(key);
  if (it != store->index.end()) return it->second;
  if (sheet < 0 || sheet >= static_cast<int>(wb->sheets.size())) return nullptr;
  // A reference to the sheet's last row or column holds only the cells up to
  // the last one in use, and stands for the empty ones beyond.
  bool toLastRow = r2 == kCalcLastRow, toLastCol = c2 == kCalcLastCol;
  if (toLastRow || toLastCol) {
    CellRange used{sheet, 0, 0, 0, 0};
    Wb_usedRange(wb->sheets[sheet].get(), &used);
    if (toLastRow) r2 = std::max(r1, std::min(r2, used.row2));
    if (toLastCol) c2 = std::max(c1, std::min(c2, used.col2));
  }
  if (static_cast<long long>(r2 - r1 + 1) * (c2 - c1 + 1) > kCalcMaxCells) return nullptr;
  CalcArea& a = store->areas.emplace_back();
  a.sheet = sheet;
  a.row1 = r1; a.col1 = c1; a.row2 = r2; a.col2 = c2;
  a.toLastRow = toLastRow;
  a.toLastCol = toLastCol;
  // The stored cells row by row, so the cost follows them, not the area:
  // counted first, so that the list is made at its size at once.
  const CellStore& cells = wb->sheets[sheet]->cells;
  size_t count = 0;
  cells.eachRowIn(r1, c1, r2, c2, [&](auto row) { count += row.size(); });
  a.stored.reserve(count);
  cells.eachRowIn(r1, c1, r2, c2, [&](auto row) {
    const size_t rowStart = static_cast<size_t>(Wb_keyRow(row.front().first) - r1) * a.cols();
    for (const auto& [key, cell] : row)
      a.stored.push_back({rowStart + static_cast<size_t>(Wb_keyCol(key) - c1), &cell.value});
  });
  store->index.emplace(key, &a);
  return &a;
}

namespace {

// The first sheet of a parsed tree that the workbook lacks (see Calc_missingSheet).
std::string missingSheetIn(const Workbook* wb, const CalcNode& n) {
  if (n.deletedSheet) return "#REF!";
  if (n.op == CalcOp::Ref || n.op == CalcOp::Name)
    for (const std::string* name : {&n.sheetName, &n.lastSheet})
      if (!name->empty() && Wb_sheetIndex(wb, *name) < 0) return *name;
  for (const CalcNode& a : n.args) {
    std::string missing = missingSheetIn(wb, a);
    if (!missing.empty()) return missing;
  }
  return "";
}

// What a walk through the names of a formula found past binding's limits.
struct NameWalk {
  long expansions = 0;
  bool tooDeep = false;  // a defined name lay deeper than binding expands
};

// What `find` answers first for a node of a parsed tree, or of the
// definitions of the names it uses (no deeper and no more often than
// binding expands them), given the node, where it is read and the name
// whose definition holds it ("" for the tree itself). A name the workbook
// does not define is a node `find` sees and is not expanded.
template <typename Find>
std::string firstIn(const Workbook* wb, WbReading at, const CalcNode& n, const std::string& within, int depth,
                    NameWalk* walk, const Find& find) {
  if (std::string found = find(n, at, within); !found.empty()) return found;
  if (n.op == CalcOp::Name) {
    const int scope = Calc_nameScope(wb, n, at);
    const DefinedName* dn = scope == kCalcNoScope ? nullptr : Wb_findName(wb, n.text, scope);
    walk->tooDeep = walk->tooDeep || (dn && depth >= kCalcMaxNameDepth);
    CalcNode def;
    const bool expand = dn && depth < kCalcMaxNameDepth && ++walk->expansions <= kMaxNameExpansions &&
                        Calc_parse(dn->definition, &def, nullptr);
    return expand ? firstIn(wb, Wb_definitionReading(*dn, at), def, n.text, depth + 1, walk, find) : "";
  }
  for (const CalcNode& a : n.args)
    if (std::string found = firstIn(wb, at, a, within, depth, walk, find); !found.empty()) return found;
  return "";
}

template <typename Find>
std::string firstInFormula(const Workbook* wb, int sheet, const std::string& formula, NameWalk* walk,
                           const Find& find) {
  CalcNode tree;
  return Calc_parse(formula, &tree, nullptr) ? firstIn(wb, WbReading{sheet, sheet}, tree, "", 0, walk, find) : "";
}

// The first name of a formula, or of the names it uses, that the workbook
// does not define; the parameters of LET and LAMBDA ("_xlpm.x") are no
// names of the workbook.
std::string missingNameOf(const Workbook* wb, int sheet, const std::string& formula, NameWalk* walk) {
  return firstInFormula(wb, sheet, formula, walk, [wb](const CalcNode& n, WbReading at, const std::string&) {
    const int scope = Calc_nameScope(wb, n, at);
    const bool missing = n.op == CalcOp::Name && scope != kCalcNoScope && Stored_prefixAt(n.text, 0) == 0 &&
                         !Wb_findName(wb, n.text, scope);
    return missing ? n.text : std::string();
  });
}

}  // namespace

std::string Calc_missingName(const Workbook* wb, int sheet, const std::string& formula) {
  NameWalk walk;
  return missingNameOf(wb, sheet, formula, &walk);
}

bool Calc_namesTooDeep(const Workbook* wb, int sheet, const std::string& formula) {
  NameWalk walk;
  return missingNameOf(wb, sheet, formula, &walk).empty() && walk.tooDeep;
}

std::string Calc_uncalculatedCall(const Workbook* wb, int sheet, const std::string& formula, std::string* name) {
  NameWalk walk;
  return firstInFormula(wb, sheet, formula, &walk, [name](const CalcNode& n, WbReading, const std::string& within) {
    if (n.op != CalcOp::Func) return std::string();
    const std::string key = functionKey(n.text);
    if (Calc_findBuiltin(key) >= 0 || Calc_findAddin(key) >= 0) return std::string();
    *name = within;
    return key;
  });
}

std::string Calc_missingSheet(const Workbook* wb, const std::string& formula) {
  CalcNode tree;
  return Calc_parse(formula, &tree, nullptr) ? missingSheetIn(wb, tree) : "";
}

void Calc_bind(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node, bool sheetsOwn) {
  Binding b{wb, WbReading{sheet, sheet}, store, {}};
  b.sheetsOwn = sheetsOwn && node->op == CalcOp::Name && node->sheetName.empty() && !node->workbookName;
  bindNode(b, node);
}
