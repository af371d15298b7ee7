// Reading and writing cell values: one application call per area with a
// whole array, and the two cell-by-cell repairs (blanks to 0, anything to a
// number) used when variable cells do not hold numbers.
#include <vector>

#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"

namespace {

// Runs a command and answers whether the application accepted it.
bool accepted(int function, XLOPER* a, XLOPER* b) {
  XLOPER result{};
  int rc = Excel4(function, &result, 2, a, b);
  bool ok = rc == xlretSuccess && Xl_type(&result) != xltypeErr &&
            !(Xl_type(&result) == xltypeBool && !result.val.xbool);
  Xl_giveBack(&result);
  return ok;
}

bool setNumber(XLOPER* cell, double x) {
  XLOPER v = Xl_number(x);
  return accepted(xlSet, cell, &v);
}

// Reads one area into out; false unless every element is a number (or,
// with blanksAsZero, a blank cell, read as 0).
bool readArea(const XLOPER* ref, const XLREF& area, double* out, bool blanksAsZero) {
  AreaRef one(ref, area);
  XLOPER type = Xl_integer(xltypeMulti);
  XLOPER result{};
  int cells = Area_areaCells(area);
  bool ok = Excel4(xlCoerce, &result, 2, &one.value, &type) == xlretSuccess;
  if (ok && Xl_type(&result) == xltypeMulti) {
    ok = result.val.array.rows * result.val.array.columns == cells;
    for (int k = 0; ok && k < cells; ++k) {
      const XLOPER& e = result.val.array.lparray[k];
      bool blank = blanksAsZero && Xl_type(&e) == xltypeNil;
      ok = Xl_type(&e) == xltypeNum || blank;
      if (ok) out[k] = blank ? 0.0 : e.val.num;
    }
  } else if (ok && Xl_type(&result) == xltypeNum && cells == 1) {
    out[0] = result.val.num;
  } else {
    ok = false;
  }
  Xl_giveBack(&result);
  return ok;
}

// Applies `visit(row, column)` to every cell of the reference; returns the
// number of visits that answered true.
template <class Visit>
int eachCell(const XLOPER* ref, Visit visit) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  int done = 0;
  for (int i = 0; i < count; ++i)
    for (int r = areas[i].rwFirst; r <= areas[i].rwLast; ++r)
      for (int c = areas[i].colFirst; c <= areas[i].colLast; ++c)
        if (visit(r, c)) ++done;
  return done;
}

}  // namespace

int Area_writeValues(const XLOPER* ref, const double* x) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  int written = 0;
  for (int i = 0; i < count; ++i) {
    int cells = Area_areaCells(areas[i]);
    std::vector<XLOPER> elements(cells);
    for (int k = 0; k < cells; ++k) elements[k] = Xl_number(x[written + k]);
    XLOPER array{};
    array.xltype = xltypeMulti;
    array.val.array.lparray = elements.data();
    array.val.array.rows = static_cast<std::uint16_t>(areas[i].rwLast - areas[i].rwFirst + 1);
    array.val.array.columns = static_cast<std::uint16_t>(areas[i].colLast - areas[i].colFirst + 1);
    AreaRef one(ref, areas[i]);
    if (!accepted(xlSet, &one.value, &array)) break;
    written += cells;
  }
  return written;
}

namespace {

int readAreas(const XLOPER* ref, double* out, bool blanksAsZero) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  int read = 0;
  for (int i = 0; i < count; ++i) {
    if (!readArea(ref, areas[i], out + read, blanksAsZero)) break;
    read += Area_areaCells(areas[i]);
  }
  return read;
}

}  // namespace

int Area_readValues(const XLOPER* ref, double* out) { return readAreas(ref, out, false); }

int Area_readSideValues(const XLOPER* ref, double* out) { return readAreas(ref, out, true); }

int Area_readValuesFilling(const XLOPER* ref, double* out) {
  int total = Area_totalCells(ref);
  int read = Area_readValues(ref, out);
  if (read == total) return read;
  if (Area_zeroBlankCells(ref) != total) return 0;
  return Area_readValues(ref, out);
}

int Area_zeroBlankCells(const XLOPER* ref) {
  return eachCell(ref, [&](int r, int c) {
    AreaRef cell(ref, Area_cellArea(r, c));
    XLOPER result{};
    int rc = Excel4(xlfIsblank, &result, 1, &cell.value);
    bool known = rc == xlretSuccess && Xl_type(&result) == xltypeBool;
    bool blank = known && result.val.xbool;
    Xl_giveBack(&result);
    if (!known) return false;
    return !blank || setNumber(&cell.value, 0.0);
  });
}

int Area_coerceCellsToNumbers(const XLOPER* ref) {
  return eachCell(ref, [&](int r, int c) {
    AreaRef cell(ref, Area_cellArea(r, c));
    XLOPER* converted = Xl_coerce(&cell.value, xltypeNum);
    double value = converted ? converted->val.num : 0.0;
    Xl_freeValue(converted);
    return setNumber(&cell.value, value);
  });
}
