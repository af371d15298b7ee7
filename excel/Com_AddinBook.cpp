// The importers' view of the workbook over the automation layer. Names are
// enumerated through the workbook's Names collection, formulas scanned in
// the cached used range of the active sheet, cells read through the formula
// reader's source so that the import and the compile see the same cells.
#include "excel/Com_AddinBook.h"

#include "excel/Com_Automation.h"
#include "interpreter/Parse_Reader.h"
#include "simulation/import/Addin_Text.h"
#include "values/List_List.h"

uint8_t ComAddinBook::activeSheet() { return static_cast<uint8_t>(Com_getActiveSheetIndex(ea)); }

int32_t ComAddinBook::sheetCount() { return ea->sheetCount; }

bool ComAddinBook::parseReference(std::u16string_view text, RangeRef* range) {
  return Com_parseReference(ea, text, range);
}

bool ComAddinBook::styledCells(const std::u16string& style, std::vector<RangeRef>* found) {
  List list{};
  const bool ok = Com_findStyledCells(ea, style.c_str(), &list);
  for (RangeRef* r = List_firstRange(&list); r; r = List_nextRange(&list)) found->push_back(*r);
  List_removeAll(&list);
  return ok;
}

bool ComAddinBook::namesContaining(std::u16string_view part,
                                   std::vector<std::pair<std::u16string, std::u16string>>* names) {
  if (!Com_countNames(ea)) return false;
  std::u16string name, value;
  while (Com_nextName(ea, part, &name, &value)) names->emplace_back(name, value);
  return true;
}

bool ComAddinBook::nameValue(const std::u16string& name, int32_t sheet, std::u16string* value) {
  return Com_getNameValue(ea, name.c_str(), value, sheet);
}

bool ComAddinBook::cellFormula(const CellRef& cell, std::u16string* formula) {
  return Parse_formulaOf(cells, cell, formula);
}

bool ComAddinBook::formulasContaining(const std::vector<std::u16string_view>& parts,
                                      std::vector<std::pair<CellRef, std::u16string>>* found) {
  if (ea->usedSheet != ea->activeSheet && !Com_loadUsedRange(ea, ea->activeSheet)) return false;
  std::u16string formula;
  CellRef cell{};
  for (Com_resetFormulaScan(ea); Com_findNextFormula(ea, u"", &formula, &cell);) {
    const std::u16string text = Addin_lower(formula);
    for (std::u16string_view part : parts)
      if (text.find(part) != std::u16string::npos) {
        found->emplace_back(cell, formula);
        break;
      }
  }
  return true;
}
