// The session's variable cells: their cell list, reading and writing the
// decision variables in variable-number order, and the cells' prior values.
#include "entry/Sess_Variables.h"

#include <string>
#include <utility>

#include "entry/Entry_Context.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Calculation.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "platform/os/Os.h"

namespace {

// Every position of the reference as a number (blanks and texts converted).
bool readPositions(const XLOPER* ref, double* out) {
  int cells = Area_totalCells(ref);
  if (Area_readValuesFilling(ref, out) == cells) return true;
  return Area_coerceCellsToNumbers(ref) == cells && Area_readValues(ref, out) == cells;
}

}  // namespace

VariableCells* Sess_readVariableCells(LibraryContext* context) {
  XLOPER* ref = Area_readVariableRefs(context);
  std::string formulaCell;
  if (Area_findFormulaCell(ref, &formulaCell)) {
    std::string text = "The variable cell " + formulaCell +
                       " holds a formula; variable cells must hold numbers or nothing.";
    Os_messageBox(text.c_str(), ModelRefusedCaption, 0);
    Xl_freeValue(ref);
    return nullptr;
  }
  CellList* list = Area_buildCellList(ref);
  if (!list) {
    Xl_freeValue(ref);
    return nullptr;
  }
  auto* cells = new VariableCells;
  cells->ref = ref;
  cells->list = list;
  return cells;
}

void Sess_freeVariableCells(VariableCells* cells) {
  if (!cells) return;
  Area_freeCellList(cells->list);
  Xl_freeValue(cells->ref);
  delete cells;
}

const CellList* Sess_getVariableCellList(const VariableCells* cells) {
  return cells ? cells->list : nullptr;
}

int Sess_getAdjCellCount(const VariableCells* cells) {
  return cells ? cells->list->distinct : 0;
}

int Sess_writeVariables(VariableCells* cells, const double* x) {
  if (!cells) return 0;
  const CellList* list = cells->list;
  const double* values = x;
  if (!list->order.empty()) {
    cells->scratch.resize(list->positions);
    for (int p = 0; p < list->positions; ++p) cells->scratch[p] = x[list->order[p]];
    values = cells->scratch.data();
  }
  return Area_writeValues(cells->ref, values) == list->positions;
}

int Sess_readVariables(VariableCells* cells, double* x) {
  if (!cells) return 0;
  const CellList* list = cells->list;
  if (list->order.empty()) return Area_readValuesFilling(cells->ref, x) == list->positions;
  cells->scratch.resize(list->positions);
  if (Area_readValuesFilling(cells->ref, cells->scratch.data()) != list->positions) return 0;
  for (int p = 0; p < list->positions; ++p) x[list->order[p]] = cells->scratch[p];
  return 1;
}

int Sess_readVariablesCoercing(VariableCells* cells, double* x) {
  if (!cells) return 0;
  if (Sess_readVariables(cells, x)) return 1;
  if (Area_coerceCellsToNumbers(cells->ref) != cells->list->positions) return 0;
  return Sess_readVariables(cells, x);
}

int Sess_variableOfCell(const VariableCells* cells, int row, int column) {
  if (!cells) return -1;
  int p = Area_positionOfCell(cells->list, row, column);
  return p < 0 ? -1 : Area_variableOfPosition(cells->list, p);
}

int Sess_setVariableCell(const VariableCells* cells, int i, double value) {
  if (!cells) return 0;
  AreaCell cell;
  if (!Area_getVariableCell(cells->list, i, &cell)) return 0;
  return Xl_setCellValue(Area_sheetOf(cells->ref), cell.row, cell.column, value);
}

std::string Sess_variableCellName(const VariableCells* cells, int i) {
  AreaCell cell;
  std::string address;
  if (!cells || !Area_getVariableCell(cells->list, i, &cell)) return address;
  AreaRef at(cells->ref, Area_cellArea(cell.row, cell.column));
  if (!Xl_refText(&at.value, 0, &address)) address.clear();
  // The workbook's name ("[Book.xlsx]") is left out: the cell is in the
  // model's own workbook.
  if (const size_t book = address.find(']'); !address.empty() && address[0] == '[' && book != std::string::npos)
    address.erase(0, book + 1);
  return address;
}

int Sess_savePriorValues(LibraryContext* context) {
  const XLOPER* ref = context->variables ? context->variables->ref : nullptr;
  std::vector<double> values(Area_totalCells(ref));
  if (values.empty() || !readPositions(ref, values.data())) return 0;
  context->savedPriorValues = std::move(values);
  return 1;
}

int Sess_restorePriorValues(LibraryContext* context) {
  const std::vector<double>& saved = context->savedPriorValues;
  std::size_t written = 0;
  for (unsigned area = 0; written < saved.size(); ++area) {
    XLOPER* ref = Names_getOptionRef(context, OptAdj, area);
    int cells = Area_totalCells(ref);
    bool ok = cells > 0 && static_cast<std::size_t>(cells) <= saved.size() - written &&
              Area_writeValues(ref, saved.data() + written) == cells;
    Xl_freeValue(ref);
    if (!ok) return 0;
    written += static_cast<std::size_t>(cells);
  }
  return Xl_calculateNow();
}
