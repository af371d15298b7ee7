// Areas and references: the geometry of multi-area references, the cell
// lists that number decision variables, bulk reading and writing of cell
// values one area per call, references written in R1C1 notation, and the
// session's variable cells ("solver_adj" and its numbered continuations).
//
// Cells of a reference are counted in positions: areas in list order, within
// an area row by row from the top, within a row left to right. The same cell
// may sit at several positions when areas overlap. Functions answer 1 (or a
// count) on success and 0 on failure unless said otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/xlcall/Xlcall.h"

struct LibraryContext;

// The variable numbers carried by the cells of one reference.
struct CellList {
  const XLOPER* ref = nullptr;   // owned by the list's owner
  int positions = 0;             // rows x columns summed over the areas
  int distinct = 0;              // distinct cells = variable numbers
  std::vector<int> order;        // number of each position; empty: identity
};

// Where a cell sits: the index of its area and its 0-based row and column.
struct AreaCell {
  int area = 0;
  int row = 0;
  int column = 0;
};

// A one-area reference on the stack, for passing to the application: on a
// sheet, or of the same kind and sheet as another reference.
struct AreaRef {
  XLMREF block;
  XLOPER value;
  AreaRef(IDSHEET sheet, const XLREF& area);
  AreaRef(const XLOPER* like, const XLREF& area);
  AreaRef(const AreaRef&) = delete;
  AreaRef& operator=(const AreaRef&) = delete;
};
XLREF Area_cellArea(int row, int column);

// Reference values (xltypeRef or xltypeSRef).
bool Area_isReference(const XLOPER* ref);
// The areas of a reference; false for any other value, one without areas, or
// one with an area whose corners are out of order.
bool Area_areasOf(const XLOPER* ref, const XLREF** areas, int* count);
IDSHEET Area_sheetOf(const XLOPER* ref);        // 0 for a single reference
int Area_areaCells(const XLREF& area);
// A new owned xltypeRef on `sheet` holding `areas`; none when empty.
XLOPER* Area_newReference(IDSHEET sheet, const std::vector<XLREF>& areas);

// Geometry.
int Area_totalCells(const XLOPER* ref);
int Area_singleAreaSize(const XLOPER* ref, int* rows, int* columns);
int Area_cellOfSingleArea(const XLOPER* ref, int k, int* row, int* column);
int Area_isSingleCell(const XLOPER* ref);
int Area_sameAreas(const XLOPER* a, const XLOPER* b);
int Area_containsCell(const XLOPER* ref, int row, int column);
int Area_hasArea(const XLOPER* ref, const XLREF& area);
int Area_within(const XLOPER* outer, const XLOPER* inner);
int Area_intersects(const XLOPER* a, const XLOPER* b);
XLOPER* Area_topLeftBlock(const XLOPER* ref, int rows, int columns);

// Cell lists.
CellList* Area_buildCellList(const XLOPER* ref);
void Area_freeCellList(CellList* list);
int Area_cellListPositions(const CellList* list);
int Area_cellListDistinct(const CellList* list);
int Area_variableOfPosition(const CellList* list, int p);
int Area_positionOfVariable(const CellList* list, int v);
int Area_positionOfCell(const CellList* list, int row, int column);
int Area_cellOfPosition(const CellList* list, int p, AreaCell* cell);
int Area_getVariableCell(const CellList* list, int i, AreaCell* cell);
void Area_swapVariables(CellList* list, int a, int b);
int Area_alignCellLists(CellList* first, CellList* second);
int Area_cellVariables(const CellList* list, const XLOPER* ref, int* out);
void Area_rotateVariables(CellList* list, int m);

// Values, one application call per area.
int Area_writeValues(const XLOPER* ref, const double* x);
int Area_readValues(const XLOPER* ref, double* out);
// The same for the sides of a constraint: a blank cell reads as 0, as the
// spreadsheet's own formulas read it, and is left blank.
int Area_readSideValues(const XLOPER* ref, double* out);
int Area_readValuesFilling(const XLOPER* ref, double* out);
int Area_zeroBlankCells(const XLOPER* ref);
int Area_coerceCellsToNumbers(const XLOPER* ref);

// R1C1 texts, read relative to the first cell of a one-area base reference.
XLOPER* Area_fromR1C1(const char* text, const XLOPER* base);
int Area_countR1C1Areas(const char* text, int baseRow, int baseColumn);

// The reference joined from "solver_adj" and its numbered continuations;
// none when one is missing or on another sheet.
XLOPER* Area_readVariableRefs(LibraryContext* context);
// The first cell of `ref` that holds a formula, as its reference text; false
// when every cell holds a constant or nothing. Solving writes numbers into the
// variable cells, which would destroy such a formula.
bool Area_findFormulaCell(const XLOPER* ref, std::string* address);
