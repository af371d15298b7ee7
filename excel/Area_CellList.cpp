// Cell lists: the variable number carried by every position of a reference,
// with the renumberings the session needs (swap, alignment of two lists,
// rotation). An empty order table stands for the identity.
#include <algorithm>
#include <utility>
#include <vector>

#include "excel/Area_Areas.h"

namespace {

// Drops the order table when it is the identity.
void dropIdentity(CellList* list) {
  if (list->order.empty() || list->distinct != list->positions) return;
  for (int p = 0; p < list->positions; ++p)
    if (list->order[p] != p) return;
  list->order.clear();
}

// The cells of `area` that lie in the list's area `listArea` (whose first
// position is `offset`) and have no number yet get their variable numbers;
// a cell in several of the list's areas thus takes its first one's.
void numberOverlap(const CellList* list, const XLREF& area, const XLREF& listArea, int offset,
                   int* out) {
  int top = std::max<int>(area.rwFirst, listArea.rwFirst), bottom = std::min<int>(area.rwLast, listArea.rwLast);
  int left = std::max<int>(area.colFirst, listArea.colFirst), right = std::min<int>(area.colLast, listArea.colLast);
  int width = area.colLast - area.colFirst + 1, listWidth = listArea.colLast - listArea.colFirst + 1;
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) {
      int& number = out[(r - area.rwFirst) * width + c - area.colFirst];
      if (number < 0)
        number = Area_variableOfPosition(list, offset + (r - listArea.rwFirst) * listWidth + c - listArea.colFirst);
    }
}

void materialise(CellList* list) {
  if (!list->order.empty()) return;
  list->order.resize(list->positions);
  for (int p = 0; p < list->positions; ++p) list->order[p] = p;
}

// The position of a cell among areas that Area_areasOf gave (well formed);
// -1 when it lies in none.
int positionIn(const XLREF* areas, int count, int row, int column) {
  int offset = 0;
  for (int i = 0; i < count; ++i) {
    const XLREF& a = areas[i];
    if (row >= a.rwFirst && row <= a.rwLast && column >= a.colFirst && column <= a.colLast)
      return offset + (row - a.rwFirst) * (a.colLast - a.colFirst + 1) + column - a.colFirst;
    offset += (a.rwLast - a.rwFirst + 1) * (a.colLast - a.colFirst + 1);
  }
  return -1;
}

}  // namespace

CellList* Area_buildCellList(const XLOPER* ref) {
  int positions = Area_totalCells(ref);
  if (positions < 1) return nullptr;
  auto* list = new CellList;
  list->ref = ref;
  list->positions = positions;
  list->order.resize(positions);
  AreaCell cell;
  for (int p = 0; p < positions; ++p) {
    Area_cellOfPosition(list, p, &cell);
    int q = Area_positionOfCell(list, cell.row, cell.column);
    list->order[p] = q < p ? list->order[q] : list->distinct++;
  }
  dropIdentity(list);
  return list;
}

void Area_freeCellList(CellList* list) { delete list; }

int Area_cellListPositions(const CellList* list) { return list ? list->positions : 0; }

int Area_cellListDistinct(const CellList* list) { return list ? list->distinct : 0; }

int Area_variableOfPosition(const CellList* list, int p) {
  if (p < 0 || p >= list->positions) return -1;
  return list->order.empty() ? p : list->order[p];
}

int Area_positionOfVariable(const CellList* list, int v) {
  if (v < 0 || v >= list->distinct) return -1;
  for (int p = v; p < list->positions; ++p)
    if (Area_variableOfPosition(list, p) == v) return p;
  for (int p = 0; p < v && p < list->positions; ++p)
    if (Area_variableOfPosition(list, p) == v) return p;
  return -1;
}

int Area_positionOfCell(const CellList* list, int row, int column) {
  const XLREF* areas;
  int count;
  return Area_areasOf(list->ref, &areas, &count) ? positionIn(areas, count, row, column) : -1;
}

int Area_cellOfPosition(const CellList* list, int p, AreaCell* cell) {
  const XLREF* areas;
  int count;
  if (p < 0 || !Area_areasOf(list->ref, &areas, &count)) return 0;
  for (int i = 0; i < count; ++i) {
    int cells = Area_areaCells(areas[i]);
    if (p < cells) {
      int columns = areas[i].colLast - areas[i].colFirst + 1;
      cell->area = i;
      cell->row = areas[i].rwFirst + p / columns;
      cell->column = areas[i].colFirst + p % columns;
      return 1;
    }
    p -= cells;
  }
  return 0;
}

int Area_getVariableCell(const CellList* list, int i, AreaCell* cell) {
  int p = Area_positionOfVariable(list, i);
  return p >= 0 && Area_cellOfPosition(list, p, cell);
}

void Area_swapVariables(CellList* list, int a, int b) {
  if (a == b) return;
  materialise(list);
  for (int& v : list->order) {
    if (v == a)
      v = b;
    else if (v == b)
      v = a;
  }
}

int Area_alignCellLists(CellList* first, CellList* second) {
  if (!first || !second) return -1;
  materialise(first);
  materialise(second);
  CellList* small = first->positions <= second->positions ? first : second;
  CellList* large = small == first ? second : first;
  int k = 0;
  AreaCell cell;
  for (int p = 0; p < small->positions; ++p) {
    int v = small->order[p];
    if (v < k || !Area_cellOfPosition(small, p, &cell)) continue;
    int q = Area_positionOfCell(large, cell.row, cell.column);
    if (q < 0) continue;
    Area_swapVariables(large, large->order[q], k);
    Area_swapVariables(small, v, k);
    ++k;
  }
  dropIdentity(first);
  dropIdentity(second);
  return k;
}

int Area_cellVariables(const CellList* list, const XLOPER* ref, int* out) {
  const XLREF* areas;
  const XLREF* listAreas;
  int count, listCount;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  bool listed = Area_areasOf(list->ref, &listAreas, &listCount);
  int written = 0;
  for (int i = 0; i < count; ++i) {
    int cells = Area_areaCells(areas[i]);
    std::fill(out + written, out + written + cells, -1);
    for (int j = 0, offset = 0; listed && j < listCount; offset += Area_areaCells(listAreas[j++]))
      numberOverlap(list, areas[i], listAreas[j], offset, out + written);
    written += cells;
  }
  return written;
}

void Area_rotateVariables(CellList* list, int m) {
  if (list->distinct < 1) return;
  int shift = m % list->distinct;
  if (shift == 0) return;
  materialise(list);
  for (int& v : list->order) v = (v + shift) % list->distinct;
  dropIdentity(list);
}
