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

// A list's areas with the position of each one's first cell.
struct ListAreas {
  const XLREF* areas = nullptr;
  int count = 0;
  std::vector<int> first;
};

ListAreas listAreasOf(const CellList* list) {
  ListAreas listed;
  if (!Area_areasOf(list->ref, &listed.areas, &listed.count)) return ListAreas{};
  int offset = 0;
  for (int i = 0; i < listed.count; ++i) {
    listed.first.push_back(offset);
    const XLREF& a = listed.areas[i];
    offset += (a.rwLast - a.rwFirst + 1) * (a.colLast - a.colFirst + 1);
  }
  return listed;
}

// The positions of the cells of row r from column c1 to c2 in the list, -1
// for a cell outside it; as positionIn gives them, a row at a time. The
// areas are laid down last to first, so that where they overlap the first
// area that holds a cell gives its position.
void rowPositions(const ListAreas& listed, int r, int c1, int c2, int* out) {
  std::fill(out, out + (c2 - c1 + 1), -1);
  for (int i = listed.count - 1; i >= 0; --i) {
    const XLREF& a = listed.areas[i];
    if (r < a.rwFirst || r > a.rwLast) continue;
    const int width = a.colLast - a.colFirst + 1;
    const int rowStart = listed.first[i] + (r - a.rwFirst) * width - a.colFirst;
    for (int c = std::max<int>(c1, a.colFirst); c <= std::min<int>(c2, a.colLast); ++c) out[c - c1] = rowStart + c;
  }
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
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  ListAreas listed = listAreasOf(list);
  int written = 0;
  for (int i = 0; i < count; ++i)
    for (int r = areas[i].rwFirst; r <= areas[i].rwLast; ++r) {
      int* row = out + written;
      const int cells = areas[i].colLast - areas[i].colFirst + 1;
      rowPositions(listed, r, areas[i].colFirst, areas[i].colLast, row);
      for (int k = 0; k < cells; ++k) row[k] = row[k] < 0 ? -1 : Area_variableOfPosition(list, row[k]);
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
