// The model the importers of other add-ins' models build, on the reader's
// variable and function tables: variables start at their cells' values,
// binary ones within 0 and 1; a variable's first explicit lower bound
// replaces the implicit 0 of the non-negative cells, and every other bound
// from a marker only tightens; a cell given a formula by an import is
// compiled from it; laws and correlations go to the cell registry.
#include "interpreter/Import_Model.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>

#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "simulation/import/Addin_Import.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Val_Value.h"

namespace {

// Calls f(variable record) for each variable among the range's cells.
template <typename F>
int32_t forVariables(VariableTable* t, const RangeRef& range, F f) {
  int32_t found = 0;
  for (uint16_t row = range.firstRow; row <= range.lastRow; ++row)
    for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
      const int32_t j = Model_findVariable(t, range.sheet, row, static_cast<uint8_t>(column));
      if (j < 1) continue;
      f(*Model_getVariable(t, j));
      ++found;
    }
  return found;
}

uint32_t keyOf(const CellRef& c) { return CellReg_cellKey(c.sheet, c.row, c.column); }

struct ReaderModel final : AddinModel {
  FormulaReader* r;
  // The variables given a lower bound by a marker, by their records.
  std::unordered_set<const VarRecord*> explicitLower;
  explicit ReaderModel(FormulaReader* reader) : r(reader) {}

  bool addVariables(const RangeRef& range, int32_t type) override {
    if (!Model_addVariableRange(r->variables, range, type)) return false;
    for (uint16_t row = range.firstRow; row <= range.lastRow; ++row)
      for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
        const CellRef cell{range.sheet, row, static_cast<uint8_t>(column)};
        Value v{};
        ReaderCell info;
        const bool read = r->source->readCell(cell, &v, &info);
        const double x = read && (v.kind == kValInt || v.kind == kValReal) ? v.number : 0.0;
        Val_clear(&v);
        Model_getVariable(r->variables, Model_findVariable(r->variables, cell.sheet, row, cell.column))->value =
            Interval{x, x};
      }
    return true;
  }
  int32_t variableCount() override { return Model_variableCount(r->variables); }
  int32_t variablesIn(const RangeRef& range) override {
    return forVariables(r->variables, range, [](VarRecord&) {});
  }
  void setType(const RangeRef& range, int32_t type) override {
    forVariables(r->variables, range, [type](VarRecord& v) {
      v.type = type;
      if (type == kVarBinary) v.bounds = Interval{std::max(v.bounds.lo, 0.0), std::min(v.bounds.hi, 1.0)};
    });
  }
  void setAllLower(double bound) override {
    for (VarRecord& v : r->variables->records) v.bounds.lo = bound;
  }
  void setLower(const RangeRef& range, double bound) override {
    forVariables(r->variables, range, [bound](VarRecord& v) { v.bounds.lo = bound; });
  }
  bool bound(const RangeRef& range, int32_t relation, double value) override {
    if (variablesIn(range) != Model_rangeArea(range)) return false;
    const bool lower = relation != kAddinLess && relation != kAddinLessEqual;
    const bool upper = relation != kAddinGreater && relation != kAddinGreaterEqual;
    forVariables(r->variables, range, [&](VarRecord& v) {
      if (lower) setExplicitLower(v, value);
      if (upper) v.bounds.hi = std::min(v.bounds.hi, value);
    });
    return true;
  }
  // The first explicit lower bound replaces the implicit one (a binary
  // variable's 0 belongs to its type and stays); later ones tighten.
  void setExplicitLower(VarRecord& v, double value) {
    const bool first = explicitLower.insert(&v).second && v.type != kVarBinary;
    v.bounds.lo = first ? value : std::max(v.bounds.lo, value);
  }
  bool addConstraint(const RangeRef& left, int32_t relation, const RangeRef& right) override {
    return Model_addConstraint(r->functions, left, relation, right);
  }
  bool addFunction(const RangeRef& left, int32_t relation, double rhs) override {
    return Model_addFunctionCells(r->functions, left, relation, rhs);
  }
  bool addFunctionText(const RangeRef& left, int32_t relation, const std::u16string& text) override {
    return Model_addFunctionTextCells(r->functions, left, relation, text);
  }
  bool rewriteFormula(const CellRef& cell, const std::u16string& formula) override {
    r->rewrites[keyOf(cell)] = formula;
    return true;
  }
  void registerLaw(const CellRef& cell, int32_t law) override {
    const RangeRef at{cell.sheet, cell.row, cell.column, cell.row, cell.column};
    CellReg_findOrAdd(r->variables->registry.get(), keyOf(cell), law, kSimFamilyBounded, 0, &at);
  }
  void addCorrelation(int32_t index, const CellRef& first, const CellRef& second, double coefficient) override {
    auto block = std::make_unique<CellRegCorrelation>();
    block->key = keyOf(first);
    block->subKey = static_cast<uint32_t>(index);
    block->dimension = 2;
    block->matrix = {{0.0, 0.0, 0.0}, {0.0, 1.0, coefficient}, {0.0, coefficient, 1.0}};
    block->members = {0, keyOf(first), keyOf(second)};
    block->memberNames.resize(3);
    CellReg_addImported(r->variables->registry.get(), std::move(block));
  }
};

}  // namespace

bool Import_run(FormulaReader* reader, uint32_t options) {
  reader->imported = AddinReport{};
  AddinWorkbook* book = reader->source->addinWorkbook();
  if (!book) {
    reader->imported.failure = u"the workbook cannot be read for the import";
    return false;
  }
  ReaderModel model(reader);
  if ((options & kReaderImportSimulation) && !Addin_importSimulationModels(book, &model, &reader->imported))
    return false;
  return !(options & kReaderImportMarkers) || Addin_importMarkerModel(book, &model, &reader->imported);
}
