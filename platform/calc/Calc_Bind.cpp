// Binding of parsed formulas to a workbook: sheet names to sheets, references
// to resolved cell areas, defined names to their (bound) definitions, and
// function names to built-in or add-in functions.
#include "platform/calc/Calc_Internal.h"

namespace {

constexpr int kMaxNameDepth = 16;

void makeError(CalcNode* node, CellError e) {
  *node = CalcNode{};
  node->value = CellValue::makeError(e);
}

// A function name without the prefix files may give newer functions.
std::string functionKey(const std::string& name) {
  for (std::string prefix : {"_xlfn.", "_xll."})
    if (name.size() > prefix.size() && Wb_equalNoCase(name.substr(0, prefix.size()), prefix))
      return name.substr(prefix.size());
  return name;
}

void bindName(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node, int depth);

void bindNode(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node, int depth) {
  switch (node->op) {
    case CalcOp::Ref: {
      int target = node->sheetName.empty() ? sheet : Wb_sheetIndex(wb, node->sheetName);
      if (target < 0) return makeError(node, CellError::Ref);
      node->area = Calc_areaFor(wb, store, target, node->row1, node->col1, node->row2, node->col2);
      if (!node->area) makeError(node, CellError::Ref);
      return;
    }
    case CalcOp::Name: return bindName(wb, sheet, store, node, depth);
    case CalcOp::Func: {
      std::string key = functionKey(node->text);
      node->func = Calc_findBuiltin(key);
      if (node->func < 0) {
        node->func = Calc_findAddin(key);
        node->addin = node->func >= 0;
      }
      break;
    }
    default: break;
  }
  for (CalcNode& a : node->args) bindNode(wb, sheet, store, &a, depth);
}

void bindName(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node, int depth) {
  int scope = node->sheetName.empty() ? sheet : Wb_sheetIndex(wb, node->sheetName);
  if (scope < 0) return makeError(node, CellError::Ref);
  const DefinedName* dn = Wb_findName(wb, node->text, scope);
  CalcNode def;
  if (!dn || depth >= kMaxNameDepth || !Calc_parse(dn->definition, &def, nullptr))
    return makeError(node, CellError::Name);
  bindNode(wb, sheet, store, &def, depth + 1);
  *node = std::move(def);
}

}  // namespace

const CalcArea* Calc_areaFor(Workbook* wb, CalcAreaStore* store, int sheet, int r1, int c1, int r2, int c2) {
  auto key = std::make_tuple(sheet, r1, c1, r2, c2);
  auto it = store->index.find(key);
  if (it != store->index.end()) return it->second;
  if (sheet < 0 || sheet >= static_cast<int>(wb->sheets.size())) return nullptr;
  if (static_cast<long long>(r2 - r1 + 1) * (c2 - c1 + 1) > kCalcMaxCells) return nullptr;
  CalcArea& a = store->areas.emplace_back();
  a.sheet = sheet;
  a.row1 = r1; a.col1 = c1; a.row2 = r2; a.col2 = c2;
  a.cells.assign(static_cast<size_t>(a.rows()) * a.cols(), nullptr);
  const auto& cells = wb->sheets[sheet]->cells;
  for (int r = r1; r <= r2; ++r) {
    auto last = cells.upper_bound(Wb_cellKey(r, c2));
    for (auto p = cells.lower_bound(Wb_cellKey(r, c1)); p != last; ++p)
      a.cells[static_cast<size_t>(r - r1) * a.cols() + (Wb_keyCol(p->first) - c1)] = &p->second.value;
  }
  store->index.emplace(key, &a);
  return &a;
}

void Calc_bind(Workbook* wb, int sheet, CalcAreaStore* store, CalcNode* node) {
  bindNode(wb, sheet, store, node, 0);
}
