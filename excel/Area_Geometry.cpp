// Geometry of multi-area references: cell counts, containment, equality,
// overlap, and new references built from area lists.
#include <cstring>
#include <new>

#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"

bool Area_isReference(const XLOPER* ref) {
  if (!ref) return false;
  XLTYPE t = Xl_type(ref);
  return t == xltypeRef || t == xltypeSRef;
}

namespace {

bool wellFormed(const XLREF& a) { return a.rwLast >= a.rwFirst && a.colLast >= a.colFirst; }

}  // namespace

bool Area_areasOf(const XLOPER* ref, const XLREF** areas, int* count) {
  if (!ref) return false;
  switch (Xl_type(ref)) {
    case xltypeSRef:
      *areas = &ref->val.sref.ref;
      *count = 1;
      break;
    case xltypeRef:
      if (!ref->val.mref.lpmref || ref->val.mref.lpmref->count == 0) return false;
      *areas = ref->val.mref.lpmref->reftbl;
      *count = ref->val.mref.lpmref->count;
      break;
    default:
      return false;
  }
  for (int i = 0; i < *count; ++i)
    if (!wellFormed((*areas)[i])) return false;
  return true;
}

IDSHEET Area_sheetOf(const XLOPER* ref) {
  return Xl_type(ref) == xltypeRef ? ref->val.mref.idSheet : 0;
}

int Area_areaCells(const XLREF& a) {
  return wellFormed(a) ? (a.rwLast - a.rwFirst + 1) * (a.colLast - a.colFirst + 1) : 0;
}

XLOPER* Area_newReference(IDSHEET sheet, const std::vector<XLREF>& areas) {
  if (areas.empty() || areas.size() > 0xffff) return nullptr;
  // A temporary block in the application's layout, deep-copied into an owned value.
  std::vector<unsigned char> block(sizeof(XLMREF) + (areas.size() - 1) * sizeof(XLREF));
  XLMREF* mref = new (block.data()) XLMREF;
  mref->count = static_cast<std::uint16_t>(areas.size());
  std::memcpy(mref->reftbl, areas.data(), areas.size() * sizeof(XLREF));
  XLOPER value{};
  value.xltype = xltypeRef;
  value.val.mref.lpmref = mref;
  value.val.mref.idSheet = sheet;
  return Xl_newCopy(&value);
}

AreaRef::AreaRef(IDSHEET sheet, const XLREF& area) : block{1, {area}}, value{} {
  value.xltype = xltypeRef;
  value.val.mref.lpmref = &block;
  value.val.mref.idSheet = sheet;
}

AreaRef::AreaRef(const XLOPER* like, const XLREF& area) : AreaRef(Area_sheetOf(like), area) {
  if (Xl_type(like) != xltypeSRef) return;
  value = XLOPER{};
  value.xltype = xltypeSRef;
  value.val.sref.count = 1;
  value.val.sref.ref = area;
}

XLREF Area_cellArea(int row, int column) {
  return {static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(row),
          static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(column)};
}

int Area_totalCells(const XLOPER* ref) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  int total = 0;
  for (int i = 0; i < count; ++i) total += Area_areaCells(areas[i]);
  return total;
}

int Area_singleAreaSize(const XLOPER* ref, int* rows, int* columns) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count) || count != 1) return 0;
  *rows = areas[0].rwLast - areas[0].rwFirst + 1;
  *columns = areas[0].colLast - areas[0].colFirst + 1;
  return 1;
}

int Area_cellOfSingleArea(const XLOPER* ref, int k, int* row, int* column) {
  int rows, columns;
  if (!Area_singleAreaSize(ref, &rows, &columns) || k < 0 || k >= rows * columns) return 0;
  const XLREF* areas;
  int count;
  Area_areasOf(ref, &areas, &count);
  *row = areas[0].rwFirst + k / columns;
  *column = areas[0].colFirst + k % columns;
  return 1;
}

int Area_isSingleCell(const XLOPER* ref) {
  int rows, columns;
  return Area_singleAreaSize(ref, &rows, &columns) && rows == 1 && columns == 1;
}

namespace {

bool sameArea(const XLREF& a, const XLREF& b) {
  return a.rwFirst == b.rwFirst && a.rwLast == b.rwLast && a.colFirst == b.colFirst &&
         a.colLast == b.colLast;
}

bool areaContains(const XLREF& a, int row, int column) {
  return row >= a.rwFirst && row <= a.rwLast && column >= a.colFirst && column <= a.colLast;
}

}  // namespace

int Area_sameAreas(const XLOPER* a, const XLOPER* b) {
  const XLREF *areasA, *areasB;
  int countA, countB;
  if (!Area_areasOf(a, &areasA, &countA) || !Area_areasOf(b, &areasB, &countB)) return 0;
  if (Area_sheetOf(a) != Area_sheetOf(b) || countA != countB) return 0;
  for (int i = 0; i < countA; ++i)
    if (!sameArea(areasA[i], areasB[i])) return 0;
  return 1;
}

int Area_containsCell(const XLOPER* ref, int row, int column) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  for (int i = 0; i < count; ++i)
    if (areaContains(areas[i], row, column)) return 1;
  return 0;
}

int Area_hasArea(const XLOPER* ref, const XLREF& area) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  for (int i = 0; i < count; ++i)
    if (sameArea(areas[i], area)) return 1;
  return 0;
}

int Area_within(const XLOPER* outer, const XLOPER* inner) {
  const XLREF* areas;
  int count;
  if (!Area_isReference(outer) || !Area_areasOf(inner, &areas, &count)) return 0;
  for (int i = 0; i < count; ++i) {
    if (Area_hasArea(outer, areas[i])) continue;
    for (int r = areas[i].rwFirst; r <= areas[i].rwLast; ++r)
      for (int c = areas[i].colFirst; c <= areas[i].colLast; ++c)
        if (!Area_containsCell(outer, r, c)) return 0;
  }
  return 1;
}

int Area_intersects(const XLOPER* a, const XLOPER* b) {
  if (!Area_isReference(a) || !Area_isReference(b)) return 0;
  const XLOPER* small = Area_totalCells(a) <= Area_totalCells(b) ? a : b;
  const XLOPER* other = small == a ? b : a;
  const XLREF* areas;
  int count;
  if (!Area_areasOf(small, &areas, &count)) return 0;
  for (int i = 0; i < count; ++i) {
    if (Area_hasArea(other, areas[i])) return 1;
    for (int r = areas[i].rwFirst; r <= areas[i].rwLast; ++r)
      for (int c = areas[i].colFirst; c <= areas[i].colLast; ++c)
        if (Area_containsCell(other, r, c)) return 1;
  }
  return 0;
}

XLOPER* Area_topLeftBlock(const XLOPER* ref, int rows, int columns) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count) || rows < 1 || columns < 1) return nullptr;
  int lastRow = areas[0].rwFirst + rows - 1;
  int lastColumn = areas[0].colFirst + columns - 1;
  if (lastRow > UINT16_MAX || lastColumn > UINT8_MAX) return nullptr;
  XLREF block{areas[0].rwFirst, static_cast<std::uint16_t>(lastRow), areas[0].colFirst,
              static_cast<std::uint8_t>(lastColumn)};
  return Area_newReference(Area_sheetOf(ref), {block});
}
