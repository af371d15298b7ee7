// The selection on the active sheet: SELECTION, SELECT, and SELECT.SPECIAL
// for the current array (6), precedents (9) and dependents (10), direct
// (levels 1) or over all levels (2). Only cells of the active sheet can be
// selected; when no such cells exist the command fails and the selection
// stays as it was.
#include <algorithm>

#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

std::vector<CellRange> currentSelection(int sheet) {
  std::vector<CellRange> sel = Wb_app().selection;
  if (sel.empty()) sel.push_back(CellRange{});   // nothing selected yet: A1
  for (CellRange& a : sel) a.sheet = sheet;
  return sel;
}

bool contains(const CellRange& outer, const CellRange& inner) {
  return outer.row1 <= inner.row1 && inner.row2 <= outer.row2 && outer.col1 <= inner.col1 &&
         inner.col2 <= outer.col2;
}

// Areas of the sheet, without those inside an earlier or larger area.
std::vector<CellRange> distinctAreas(const std::vector<CellRange>& found, int sheet) {
  std::vector<CellRange> out;
  for (const CellRange& a : found) {
    if (a.sheet != sheet) continue;
    bool covered = false;
    for (const CellRange& b : out) covered = covered || contains(b, a);
    if (covered) continue;
    std::erase_if(out, [&](const CellRange& b) { return contains(a, b); });
    out.push_back(a);
  }
  return out;
}

void append(std::vector<CellRange>* to, const std::vector<CellRange>& from) {
  to->insert(to->end(), from.begin(), from.end());
}

std::vector<CellRange> precedentsOf(Workbook* wb, int sheet, const std::vector<CellRange>& sel, bool all) {
  std::vector<CellRange> found;
  const Sheet* sh = wb->sheets[sheet].get();
  for (const CellRange& a : sel)
    sh->cells.eachRowIn(a.row1, a.col1, a.row2, a.col2, [&](auto cells) {
      for (const auto& [key, cell] : cells)
        if (!cell.formula.empty() || cell.arrayBlock >= 0)
          append(&found, Calc_precedents(wb, sheet, Wb_keyRow(key), Wb_keyCol(key), all));
    });
  return found;
}

std::vector<CellRange> dependentsOf(Workbook* wb, int sheet, const std::vector<CellRange>& sel, bool all) {
  std::vector<CellRange> found;
  for (const CellRange& a : sel)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) append(&found, Calc_dependents(wb, sheet, r, c, all));
  return found;
}

// The array-formula block of the active cell (the first selected cell).
std::vector<CellRange> currentArrayOf(Workbook* wb, int sheet, const std::vector<CellRange>& sel) {
  const Sheet* sh = wb->sheets[sheet].get();
  const Cell* c = Wb_findCell(sh, sel[0].row1, sel[0].col1);
  if (!c || c->arrayBlock < 0) return {};
  const ArrayBlock& b = sh->arrays[c->arrayBlock];
  return {CellRange{sheet, b.row1, b.col1, b.row2, b.col2}};
}

}  // namespace

int Xlc_fnSelection(XLOPER* res, int, XLOPER**) {
  Workbook* wb = nullptr;
  int sheet = -1;
  if (!Xlc_activeSheet(&wb, &sheet)) return xlretFailed;
  Xlc_setRef(res, wb, sheet, currentSelection(sheet));
  return xlretSuccess;
}

int Xlc_cmdSelect(XLOPER* res, int, XLOPER** a) {
  Workbook* wb = nullptr;
  int sheet = -1;
  XlcRef ref;
  if (int rc = Xlc_resolveRef(a[0], &ref)) return rc;
  if (!Xlc_activeSheet(&wb, &sheet) || ref.wb != wb || ref.sheet != sheet) return xlretFailed;
  Wb_app().selection = ref.areas;
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int Xlc_cmdSelectSpecial(XLOPER* res, int n, XLOPER** a) {
  int type = 0, levels = 1;
  if (!Xlc_intArg(a[0], &type) || (Xlc_given(n, a, 2) && !Xlc_intArg(a[2], &levels))) return xlretInvXloper;
  Workbook* wb = nullptr;
  int sheet = -1;
  if (!Xlc_activeSheet(&wb, &sheet)) return xlretFailed;
  std::vector<CellRange> sel = currentSelection(sheet), found;
  bool all = levels == 2;
  if (type == 6) found = currentArrayOf(wb, sheet, sel);
  else if (type == 9) found = precedentsOf(wb, sheet, sel, all);
  else if (type == 10) found = dependentsOf(wb, sheet, sel, all);
  else return xlretFailed;   // no other special selection is offered
  found = distinctAreas(found, sheet);
  if (found.empty() || found.size() > 0xffff) return xlretFailed;
  Wb_app().selection = found;
  Xlc_setBool(res, true);
  return xlretSuccess;
}
