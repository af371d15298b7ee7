// The variable cells' reference: "solver_adj" and its numbered
// continuations joined into one reference on one sheet, and the first of
// its cells that holds a formula.
#include "excel/Area_Areas.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

void appendAreas(const XLOPER* ref, std::vector<XLREF>* out) {
  const XLREF* areas;
  int count;
  if (Area_areasOf(ref, &areas, &count)) out->insert(out->end(), areas, areas + count);
}

bool isSheetReference(const XLOPER* value) {
  const XLREF* areas;
  int count;
  return value && Xl_type(value) == xltypeRef && Area_areasOf(value, &areas, &count);
}

}  // namespace

XLOPER* Area_readVariableRefs(LibraryContext* context) {
  XLOPER* first = Names_getOptionRef(context, OptAdj, 0);
  if (!isSheetReference(first)) {
    Xl_freeValue(first);
    return nullptr;
  }
  IDSHEET sheet = Area_sheetOf(first);
  std::vector<XLREF> joined;
  appendAreas(first, &joined);
  Xl_freeValue(first);
  for (unsigned row = 1;; ++row) {
    XLOPER* next = Names_getOptionRef(context, OptAdj, row);
    if (!next) break;
    bool ok = isSheetReference(next) && Area_sheetOf(next) == sheet;
    if (ok) appendAreas(next, &joined);
    Xl_freeValue(next);
    if (!ok) return nullptr;
  }
  return Area_newReference(sheet, joined);
}

bool Area_findFormulaCell(const XLOPER* ref, std::string* address) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return false;
  for (int k = 0; k < count; ++k)
    for (int row = areas[k].rwFirst; row <= areas[k].rwLast; ++row)
      for (int column = areas[k].colFirst; column <= areas[k].colLast; ++column) {
        AreaRef cell(ref, Area_cellArea(row, column));
        std::string formula;
        if (Xl_cellFormula(&cell.value, &formula) && formula[0] == '=') {
          Xl_refText(&cell.value, 0, address);
          return true;
        }
      }
  return false;
}
