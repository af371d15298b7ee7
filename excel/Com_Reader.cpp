// Reads cells and names for the formula reader through the automation
// layer. A cell's sheet becomes the cached used range on demand; a cell
// outside the used range is empty.
#include "excel/Com_Reader.h"

#include "excel/Com_Automation.h"
#include "values/Model_Functions.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

namespace {

// Defined names refer through at most this many other names.
constexpr int kMaxNameDepth = 8;

bool isFormulaText(const std::u16string& text) { return !text.empty() && text[0] == u'='; }

bool resolveText(ExcelAutomation* ea, uint8_t sheet, std::u16string_view text, RangeRef* range,
                 std::u16string* formula, int depth) {
  if (Com_parseReference(ea, text, range)) {
    if (range->sheet == 0) range->sheet = sheet;
    return true;
  }
  if (depth > kMaxNameDepth || text.find(u'!') != std::u16string_view::npos) return false;
  // A sheet's own name first, then the workbook's.
  std::u16string definition;
  const std::u16string name(text);
  if (!Com_getNameValue(ea, name.c_str(), &definition, sheet) && !Com_getNameValue(ea, name.c_str(), &definition, 0))
    return false;
  const std::u16string_view body =
      isFormulaText(definition) ? std::u16string_view(definition).substr(1) : std::u16string_view(definition);
  if (resolveText(ea, sheet, body, range, formula, depth + 1)) return true;
  *range = RangeRef{};
  *formula = isFormulaText(definition) ? definition : u"=" + definition;
  return true;
}

}  // namespace

bool Com_cellFormula(ExcelAutomation* ea, int32_t row, int32_t column, Value* value, std::u16string* formula) {
  formula->clear();
  if (!Com_usedValue(ea, row, column, value)) return false;
  std::u16string text;
  if (!Com_usedFormula(ea, row, column, &text) || !isFormulaText(text)) return true;
  // A text constant reads back as its own formula text.
  if (value->kind == kValText && value->text && text == value->text) return true;
  *formula = std::move(text);
  return true;
}

bool ComReaderSource::resolve(uint8_t sheet, const std::u16string& text, RangeRef* range, std::u16string* formula) {
  return resolveText(ea, sheet, text, range, formula, 0);
}

bool ComReaderSource::readCell(const CellRef& cell, Value* value, ReaderCell* info) {
  if (cell.sheet < 1 || cell.sheet > ea->sheetCount) return false;
  if (ea->usedSheet != cell.sheet && !Com_loadUsedRange(ea, cell.sheet)) return false;
  Com_cellFormula(ea, cell.row, cell.column, value, &info->formula);  // outside the used range: empty
  const FunctionTable* functions = ea->context ? ea->context->tables.functions : nullptr;
  if (functions && functions->activeSheetFormulasOnly && cell.sheet != ea->activeSheet) info->formula.clear();
  // A cell of an array formula: the block's formula, run for the cell's
  // place in the block.
  RangeRef block{};
  if (!info->formula.empty() && Com_arrayBlockOf(ea, cell, &block)) {
    info->isArray = true;
    info->arrayRow = static_cast<uint16_t>(cell.row - block.firstRow);
    info->arrayColumn = static_cast<uint8_t>(cell.column - block.firstColumn);
  }
  return true;
}
