// `corvan recalc --interpreter`: every formula cell of a workbook becomes a
// problem function without bounds; the interpreter compiles each, runs them
// all once in plain mode in dependency order, and hands back each cell's
// value or the reason it could not compute it. Also the values of the
// model's cells that the library's interpreter hands back at a run's end.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Words.h"
#include "interpreter/Fn_Names.h"
#include "interpreter/Load_Cells.h"
#include "interpreter/Load_Names.h"
#include "platform/os/Os.h"
#include "platform/xlsx/Xlsx.h"
#include "values/Model_Refs.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

namespace fs = std::filesystem;

void Fe_toValue(const CellValue& c, Value* v) {
  switch (c.kind) {
    case CellKind::Empty: break;
    case CellKind::Number: Val_setNumber(v, c.number); break;
    case CellKind::Boolean: Val_setBool(v, c.number != 0 ? 1 : 0); break;
    case CellKind::Text: Val_setText(v, Text_fromUtf8(c.text).c_str()); break;
    case CellKind::Error: Val_setError(v, static_cast<uint32_t>(c.error)); break;
  }
}

CellValue Fe_fromValue(const Value* v) {
  if (v->kind == kValArray && v->array) return Fe_fromValue(Val_at(v, 0, 0));
  uint32_t code = 0;
  switch (v->kind) {
    case kValBool: return CellValue::makeBoolean(v->number != 0);
    case kValInt:
    case kValReal:  // a number that is not finite (a failed draw is NaN) shows as #NUM!, as the worksheet shows it
      return std::isfinite(v->number) ? CellValue::makeNumber(v->number) : CellValue::makeError(CellError::Num);
    case kValText: return CellValue::makeText(Text_toUtf8(v->text ? v->text : u""));
    case kValError:
      return Vm_errorCode(v->number, &code) ? CellValue::makeError(static_cast<CellError>(code))
                                            : CellValue::makeError(CellError::Value);
    default: return CellValue::makeNumber(0.0);  // an empty cell reads as 0
  }
}

namespace {

// Cells, references and defined names of the stand-in's workbook. Its
// positions are 0-based and the interpreter's 1-based, so a workbook index
// below the interpreter's last sheet, row or column fits.
struct WorkbookSource : ReaderSource, LoadNameBook {
  Workbook* wb;
  std::string beyond;  // the last reference refused for lying past the interpreter's rows or columns
  int lateSheet = -1;  // the last sheet refused for lying past the interpreter's sheets
  explicit WorkbookSource(Workbook* book) : wb(book) {}

  // "a1", "$a$1:$b$3" on sheet (1-based); past the last row or column it
  // is refused with *outside set.
  static bool parseArea(const std::string& text, uint8_t sheet, RangeRef* range, bool* outside = nullptr) {
    const size_t colon = text.find(':');
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!Wb_parseA1(text.substr(0, colon), &r1, &c1)) return false;
    r2 = r1;
    c2 = c1;
    if (colon != std::string::npos && !Wb_parseA1(text.substr(colon + 1), &r2, &c2)) return false;
    if (r1 > r2) std::swap(r1, r2);
    if (c1 > c2) std::swap(c1, c2);
    if (r2 >= kRefMaxRow || c2 >= kRefMaxColumn) {
      if (outside) *outside = true;
      return false;
    }
    *range = RangeRef{sheet, static_cast<uint16_t>(r1 + 1), static_cast<uint8_t>(c1 + 1), static_cast<uint16_t>(r2 + 1),
                      static_cast<uint8_t>(c2 + 1)};
    return true;
  }

  bool reference(uint8_t sheet, std::u16string_view text, RangeRef* range) override {
    const size_t bang = text.rfind(u'!');
    const bool qualified = bang != std::u16string_view::npos;
    uint8_t target = sheet;
    if (qualified) {
      const int32_t index = sheetOfPrefix(text.substr(0, bang));
      if (index <= 0 || index > kRefMaxSheet) return false;
      target = static_cast<uint8_t>(index);
    }
    bool outside = false;
    if (parseArea(Text_toUtf8(qualified ? text.substr(bang + 1) : text), target, range, &outside)) return true;
    if (outside) beyond = Text_toUtf8(text);
    return false;
  }

  int32_t sheetOfPrefix(std::u16string_view prefix) override {
    const int index = Wb_sheetIndex(wb, unquote(Text_toUtf8(prefix)));
    if (index >= kRefMaxSheet) lateSheet = index;
    return index + 1;
  }

  bool definition(std::u16string_view name, int32_t scope, std::u16string* text) override {
    const DefinedName* dn = Wb_findNameInScope(wb, Text_toUtf8(name), scope - 1);
    if (dn) *text = Text_fromUtf8(dn->definition);
    return dn != nullptr;
  }

  // One lookup for both scopes, the workbook's folding the spelling once.
  bool seenDefinition(std::u16string_view name, int32_t scope, std::u16string* text, int32_t* holder) override {
    const DefinedName* dn = Wb_findName(wb, Text_toUtf8(name), scope - 1);
    if (!dn) return false;
    *text = Text_fromUtf8(dn->definition);
    *holder = dn->scopeSheet + 1;
    return true;
  }

  bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) override {
    return Load_resolveName(this, sheet, text, named);
  }

  // "'[book.xlsx]sheet'!a1:b2" (a folder may precede the "["; without one the
  // book lies beside this one): the stored values of the range in that book.
  bool readExternal(const std::u16string& text, Value* value) override {
    const std::string t = Text_toUtf8(text);
    const size_t open = t.find('['), close = t.find(']', open), bang = t.rfind('!');
    if (open == std::string::npos || close == std::string::npos || bang == std::string::npos || bang < close)
      return false;
    std::string folder = t.substr(0, open);
    if (!folder.empty() && folder.front() == '\'') folder.erase(0, 1);
    std::string sheetName = t.substr(close + 1, bang - close - 1);
    if (!sheetName.empty() && sheetName.back() == '\'') sheetName.pop_back();
    const fs::path dir = folder.empty() ? fs::path(wb->path).parent_path() : fs::path(unquote("'" + folder + "'"));
    const std::string file = Os_fileIgnoringCase((dir / t.substr(open + 1, close - open - 1)).string());
    std::string error;
    Workbook* other = file.empty() ? nullptr : Xlsx_open(file, &error);
    if (!other) return false;
    const int index = Wb_sheetIndex(other, unquote("'" + sheetName + "'"));
    RangeRef range{};
    const bool ok = index >= 0 && index < kRefMaxSheet && parseArea(t.substr(bang + 1), 1, &range);
    if (ok) readValues(*other->sheets[static_cast<size_t>(index)], range, value);
    Wb_closeWorkbook(other);
    return ok;
  }

  // A quoted sheet name without its quotes, a doubled quote made single.
  static std::string unquote(std::string name) {
    if (name.size() < 2 || name.front() != '\'' || name.back() != '\'') return name;
    name = name.substr(1, name.size() - 2);
    for (size_t at = name.find("''"); at != std::string::npos; at = name.find("''", at + 1)) name.erase(at, 1);
    return name;
  }

  // The stored values of a range: one value, or an array.
  static void readValues(const Sheet& sh, const RangeRef& range, Value* value) {
    auto read = [&](int row, int column, Value* v) {
      if (const Cell* c = Wb_findCell(&sh, row - 1, column - 1)) Fe_toValue(c->value, v);
    };
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
      return read(range.firstRow, range.firstColumn, value);
    const int rows = range.lastRow - range.firstRow + 1, columns = range.lastColumn - range.firstColumn + 1;
    if (Val_makeArray(value, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != 0) return;
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < columns; ++j) read(range.firstRow + i, range.firstColumn + j, Val_at(value, i, j));
  }

  // The sheet's stored cells, cut to the interpreter's rows and columns.
  bool usedArea(uint8_t sheet, RangeRef* area) override {
    if (sheet < 1 || sheet > wb->sheets.size()) return false;
    *area = RangeRef{};
    CellRange used{};
    if (!Wb_usedRange(wb->sheets[sheet - 1].get(), &used) || used.row1 >= kRefMaxRow || used.col1 >= kRefMaxColumn)
      return true;
    *area = RangeRef{sheet, static_cast<uint16_t>(used.row1 + 1), static_cast<uint8_t>(used.col1 + 1),
                     static_cast<uint16_t>(std::min(used.row2, kRefMaxRow - 1) + 1),
                     static_cast<uint8_t>(std::min(used.col2, kRefMaxColumn - 1) + 1)};
    return true;
  }

  bool readCell(const CellRef& at, Value* value, ReaderCell* info) override {
    if (at.sheet < 1 || at.sheet > wb->sheets.size()) return false;
    const Sheet& sh = *wb->sheets[at.sheet - 1];
    const Cell* c = Wb_findCell(&sh, at.row - 1, at.column - 1);
    if (!c) return true;
    Fe_toValue(c->value, value);
    if (c->arrayBlock >= 0 && c->arrayBlock < static_cast<int>(sh.arrays.size())) {
      const ArrayBlock& block = sh.arrays[static_cast<size_t>(c->arrayBlock)];
      info->formula = Text_fromUtf8(block.formula[0] == '=' ? block.formula : "=" + block.formula);
      info->isArray = true;
      info->arrayRow = static_cast<uint16_t>(at.row - 1 - block.row1);
      info->arrayColumn = static_cast<uint8_t>(at.column - 1 - block.col1);
      if (block.row2 < kRefMaxRow && block.col2 < kRefMaxColumn)
        info->block = RangeRef{at.sheet, static_cast<uint16_t>(block.row1 + 1), static_cast<uint8_t>(block.col1 + 1),
                               static_cast<uint16_t>(block.row2 + 1), static_cast<uint8_t>(block.col2 + 1)};
    } else if (!c->formula.empty()) {
      info->formula = Text_fromUtf8(c->formula[0] == '=' ? c->formula : "=" + c->formula);
    }
    return true;
  }
};

// Why a cell failed: the interpreter's status, with the functions of the
// cell's chain that are not built in capitals ("... ! (SUM, VLOOKUP)"); an
// unknown function is named as one this system does not calculate.
std::string reasonOf(const LoadCellFailure& f) {
  const std::string reason = Fe_interpreterStatusWords(f.status);
  std::vector<std::string> names;
  std::vector<FeUncalculated> calls;
  for (std::u16string name : f.unbuilt) {
    std::transform(name.begin(), name.end(), name.begin(), Text_upperCase);
    names.push_back(Fn_typedName(Text_toUtf8(name)));
    calls.push_back({names.back(), "", Fe_olderNameComputesAll(names.back())});
  }
  if (f.status == kStatusUnknownFunction && !names.empty()) return "calls " + Fe_unknownFunctions(calls);
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list.empty() ? reason : reason + " (" + list + ")";
}

std::pair<int, std::uint64_t> keyOf(const CellRef& c) { return {c.sheet - 1, Wb_cellKey(c.row - 1, c.column - 1)}; }

}  // namespace

std::unique_ptr<ReaderSource> Fe_workbookSource(Workbook* wb) { return std::make_unique<WorkbookSource>(wb); }

struct FeInterpreter {
  WorkbookSource source;
  LoadCells* cells = nullptr;
  // The reasons of the cells that did not compile, kept for a cell's own
  // turn when it failed inside the compile of a cell that reads it.
  std::map<std::pair<int, std::uint64_t>, std::string> failed;
  explicit FeInterpreter(Workbook* wb) : source(wb) {}
};

namespace {

bool isFormulaCell(const Cell& cell) { return !cell.formula.empty() || cell.arrayBlock >= 0; }

// A formula cell joins the list; one the interpreter cannot place fails at
// once.
void listFormulaCell(const Cell& cell, int sheet, std::uint64_t key, LoadCells* cells, FeInterpreted* out) {
  const int row = Wb_keyRow(key), column = Wb_keyCol(key);
  if (!isFormulaCell(cell)) return;
  if (sheet >= kRefMaxSheet) {
    out->failures[{sheet, key}] = "sheet " + std::to_string(sheet + 1) + " lies past the interpreter's " +
                                  std::to_string(kRefMaxSheet) + " sheets";
    return;
  }
  if (row >= kRefMaxRow || column >= kRefMaxColumn) {
    out->failures[{sheet, key}] = "outside the interpreter's rows and columns";
    return;
  }
  Load_addCell(cells, CellRef{static_cast<uint8_t>(sheet + 1), static_cast<uint16_t>(row + 1),
                              static_cast<uint8_t>(column + 1)});
}

void listFormulaCells(Workbook* wb, LoadCells* cells, FeInterpreted* out) {
  for (size_t s = 0; s < wb->sheets.size(); ++s)
    for (const auto& [key, cell] : wb->sheets[s]->cells) listFormulaCell(cell, static_cast<int>(s), key, cells, out);
}

// Of a cell whose formula gives a circle or a text too long: the circle
// of names it uses, or the name that cannot be read (" (the names ...)");
// "" when its names show neither.
std::string namesOf(const Workbook* wb, const std::pair<int, std::uint64_t>& key) {
  const Cell* c =
      Wb_findCell(wb->sheets[static_cast<size_t>(key.first)].get(), Wb_keyRow(key.second), Wb_keyCol(key.second));
  const std::string chain = c ? Fe_nameChainFault(wb, key.first, c->formula) : "";
  return chain.empty() ? "" : " (" + chain + ")";
}

// A cell that did not compile: its reason, the place it stopped at when that
// is another cell, and a reference refused for lying past the interpreter's
// rows or columns. The cell it stopped at keeps the reason for its own turn.
void noteCompileFailure(FeInterpreter* in, const LoadCellFailure& f, FeInterpreted* out) {
  const auto key = keyOf(f.cell);
  if (f.earlier) {
    out->failures[key] = in->failed[key];
    return;
  }
  std::string reason = "not compiled: " + reasonOf(f);
  if (f.status == kStatusUndefinedIdentifier && !in->source.beyond.empty())
    reason += " (" + in->source.beyond + " lies past the interpreter's rows and columns)";
  else if (f.status == kStatusUndefinedIdentifier && in->source.lateSheet >= 0)
    reason += " (it reads " + Fe_lateSheet(in->source.wb, in->source.lateSheet) + ")";
  else if (f.status == kStatusCircularReference || f.status == kStatusTooLong) reason += namesOf(in->source.wb, key);
  in->source.beyond.clear();
  in->source.lateSheet = -1;
  const bool own = keyOf(f.at) == key;
  const std::string where = own ? "" : " at " + Wb_a1(f.at.row - 1, f.at.column - 1);
  out->failures[key] = reason + where;
  in->failed[key] = reason + where;
  if (!own) in->failed.emplace(keyOf(f.at), reason);
}

// The listed cells compiled, with what they read; null without memory.
template <typename List>
FeInterpreter* compileListed(Workbook* wb, FeInterpreted* out, List list) {
  auto* in = new FeInterpreter(wb);
  in->cells = Load_createCells(&in->source);
  if (!in->cells) {
    delete in;
    return nullptr;
  }
  Fe_useApplication(wb);
  list(in->cells);
  Load_compileList(in->cells, [&](const LoadCellFailure& f) { noteCompileFailure(in, f, out); });
  return in;
}

// The value known holds for the cell, or null.
const CellValue* knownValue(const FeInterpreted* known, const std::pair<int, std::uint64_t>& key) {
  if (!known) return nullptr;
  const auto value = known->values.find(key);
  return value == known->values.end() ? nullptr : &value->second;
}

// One evaluation of what compiled, then everything freed.
void evaluateOnce(FeInterpreter* in, FeInterpreted* out) {
  if (!in) return;
  Fe_evaluateWorkbook(in, out);
  Fe_freeInterpreter(in);
}

}  // namespace

FeInterpreter* Fe_compileWorkbook(Workbook* wb, FeInterpreted* out) {
  return compileListed(wb, out, [&](LoadCells* cells) { listFormulaCells(wb, cells, out); });
}

void Fe_interpretAreas(Workbook* wb, const std::vector<CellRange>& areas, FeInterpreted* out,
                       const FeInterpreted* known) {
  // The formula cells known does not hold are compiled, with what they read.
  std::vector<std::pair<const Cell*, std::pair<int, std::uint64_t>>> rest;
  for (const CellRange& a : areas)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        const Cell* cell = Wb_findCell(wb->sheets[static_cast<size_t>(a.sheet)].get(), r, c);
        if (!cell || !isFormulaCell(*cell)) continue;
        const std::pair<int, std::uint64_t> key{a.sheet, Wb_cellKey(r, c)};
        if (const CellValue* value = knownValue(known, key)) out->values[key] = *value;
        else rest.emplace_back(cell, key);
      }
  if (rest.empty()) return;
  evaluateOnce(compileListed(wb, out,
                             [&](LoadCells* cells) {
                               for (const auto& [cell, key] : rest)
                                 listFormulaCell(*cell, key.first, key.second, cells, out);
                             }),
               out);
}

namespace {

// The library's values of the model's cells at the end of its last run.
FeInterpreted gLibraryValues;

}  // namespace

void Fe_receiveLibraryValue(void*, int sheet, int row, int column, const Value* value) {
  if (!value) {
    gLibraryValues = {};
    return;
  }
  gLibraryValues.values[{sheet - 1, Wb_cellKey(row - 1, column - 1)}] = Fe_fromValue(value);
}

FeInterpreted Fe_takeLibraryValues() { return std::exchange(gLibraryValues, {}); }

int32_t Fe_evaluateWorkbook(FeInterpreter* in, FeInterpreted* out) {
  if (!out) return Load_runCells(in->cells, {});
  return Load_runCells(in->cells, [&](const CellRef& cell, const Value* value, const LoadCellFailure* failure) {
    const auto key = keyOf(cell);
    if (out->failures.count(key)) return;
    if (!failure) out->values[key] = Fe_fromValue(value);
    else out->failures[key] = failure->readsFailed ? "reads a cell that was not compiled" : reasonOf(*failure);
  });
}

void Fe_freeInterpreter(FeInterpreter* in) {
  if (!in) return;
  Load_freeCells(in->cells);
  Fe_useApplication(nullptr);
  delete in;
}

void Fe_interpretWorkbook(Workbook* wb, FeInterpreted* out) { evaluateOnce(Fe_compileWorkbook(wb, out), out); }
