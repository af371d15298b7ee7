// The scenario table: the scenario cells ("scen_change") and one array of
// values per scenario row ("scen_value<r>"), moved between the names, the
// cells and the engines' variable vectors.
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Value.h"

namespace {

bool isArrayOf(const XLOPER* value, int elements) {
  return value && Xl_type(value) == xltypeMulti &&
         value->val.array.rows * value->val.array.columns == elements;
}

XLOPER* rowOf(const ScenarioTable* table, int r) {
  if (!table || r < 0 || r >= static_cast<int>(table->rows.size())) return nullptr;
  return table->rows[r];
}

// Calls visit(element, variable number - first) for the row's positions
// whose variable number lies in first..first + count - 1.
template <class Visit>
int eachRowElement(const ScenarioTable* table, int r, int first, int count, Visit visit) {
  XLOPER* row = rowOf(table, r);
  if (!row) return 0;
  for (int p = 0; p < table->cells->positions; ++p) {
    int v = Area_variableOfPosition(table->cells, p) - first;
    if (v >= 0 && v < count) visit(row->val.array.lparray[p], v);
  }
  return 1;
}

}  // namespace

int Names_readScenarioTable(LibraryContext* context, ScenarioTable** out) {
  *out = nullptr;
  int m = Names_getOption(context, OptScenNum, 0);
  if (m == 0) return 1;
  if (m < 0) return 0;
  auto* table = new ScenarioTable;
  table->ref = Names_getOptionRef(context, OptScenChange, 0);
  if (table->ref && Xl_type(table->ref) == xltypeRef) table->cells = Area_buildCellList(table->ref);
  bool ok = table->cells != nullptr;
  for (int r = 1; ok && r <= m; ++r) {
    table->rows.push_back(Names_getOptionRef(context, OptScenValue, static_cast<unsigned>(r)));
    ok = isArrayOf(table->rows.back(), table->cells->positions);
  }
  if (ok) {
    *out = table;
    return 1;
  }
  Names_freeScenarioTable(table);
  return 0;
}

void Names_freeScenarioTable(ScenarioTable* table) {
  if (!table) return;
  for (XLOPER* row : table->rows) Xl_freeValue(row);
  Area_freeCellList(table->cells);
  Xl_freeValue(table->ref);
  delete table;
}

int Names_getScenarioRowCount(const ScenarioTable* table) {
  return table ? static_cast<int>(table->rows.size()) : 0;
}

const CellList* Names_getScenarioCells(const ScenarioTable* table) {
  return table ? table->cells : nullptr;
}

int Names_getScenarioRowValues(const ScenarioTable* table, int r, double* x, int first, int count) {
  return eachRowElement(table, r, first, count, [&](const XLOPER& element, int v) {
    x[v] = Xl_type(&element) == xltypeNum ? element.val.num : 0.0;
  });
}

int Names_setScenarioRowValues(ScenarioTable* table, int r, const double* x, int first, int count) {
  return eachRowElement(table, r, first, count, [&](XLOPER& element, int v) {
    if (Xl_type(&element) == xltypeNum) element.val.num = x[v];
  });
}

int Names_setScenarioRowValue(ScenarioTable* table, int r, int v, double value) {
  return Names_setScenarioRowValues(table, r, &value, v, 1);
}

int Names_writeScenarioRow(const ScenarioTable* table, int r) {
  XLOPER* row = rowOf(table, r);
  const XLREF* areas;
  int count;
  if (!row || !Area_areasOf(table->ref, &areas, &count)) return 0;
  int written = 0;
  for (int i = 0; i < count; ++i) {
    XLOPER block{};
    block.xltype = xltypeMulti;
    block.val.array.lparray = row->val.array.lparray + written;
    block.val.array.rows = static_cast<std::uint16_t>(areas[i].rwLast - areas[i].rwFirst + 1);
    block.val.array.columns = static_cast<std::uint16_t>(areas[i].colLast - areas[i].colFirst + 1);
    AreaRef area(table->ref, areas[i]);
    XLOPER result{};
    int rc = Excel4(xlSet, &result, 2, &area.value, &block);
    bool ok = rc == xlretSuccess && Xl_type(&result) != xltypeErr;
    Xl_giveBack(&result);
    if (!ok) return 0;
    written += Area_areaCells(areas[i]);
  }
  return written == table->cells->positions;
}

int Names_readScenarioRow(ScenarioTable* table, int r) {
  XLOPER* row = rowOf(table, r);
  const XLREF* areas;
  int count;
  if (!row || !Area_areasOf(table->ref, &areas, &count)) return 0;
  XLOPER type = Xl_integer(xltypeMulti);
  int read = 0;
  for (int i = 0; i < count; ++i) {
    AreaRef area(table->ref, areas[i]);
    XLOPER result{};
    int cells = Area_areaCells(areas[i]);
    bool ok = Excel4(xlCoerce, &result, 2, &area.value, &type) == xlretSuccess &&
              isArrayOf(&result, cells);
    for (int k = 0; ok && k < cells; ++k) {
      XLOPER& element = row->val.array.lparray[read + k];
      Xl_releaseValue(&element);
      ok = Xl_copyValue(&element, &result.val.array.lparray[k]);
    }
    Xl_giveBack(&result);
    if (!ok) return 0;
    read += cells;
  }
  return read == table->cells->positions;
}

int Names_storeScenarioRow(LibraryContext* context, const ScenarioTable* table, int r) {
  XLOPER* row = rowOf(table, r);
  return row && Names_defineOption(context, OptScenValue, static_cast<unsigned>(r + 1), row);
}

int Names_storeScenarioRows(LibraryContext* context, const ScenarioTable* table) {
  for (int r = 0; r < Names_getScenarioRowCount(table); ++r)
    if (!Names_storeScenarioRow(context, table, r)) return 0;
  return 1;
}
