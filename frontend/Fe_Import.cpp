// `corvan solve --import markers`: a model written with another optimisation
// add-in's markers (a cell style, defined names, marker functions) is read
// by the library's formula reader with its marker import, and the model it
// built is stored in the active sheet's solver_* names, as the add-in's
// dialog stores a model, so that the run that follows solves it: the
// variable cells, the objective, one constraint per cell for the rows, and
// the variables' types and bounds as constraints on their cells.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Words.h"
#include "interpreter/Load_Model.h"
#include "interpreter/Parse_Reader.h"
#include "simulation/import/Addin_Import.h"
#include "simulation/import/Addin_Text.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

namespace {

std::u16string lower(const std::string& text) { return Addin_lower(Text_fromUtf8(text)); }

// The workbook as the importers read it, straight from the stand-in's
// cells and names; references and cells through the reader's source.
struct BookView final : AddinWorkbook {
  Workbook* wb;
  ReaderSource* cells;
  BookView(Workbook* book, ReaderSource* source) : wb(book), cells(source) {}

  uint8_t activeSheet() override { return static_cast<uint8_t>(wb->activeSheet + 1); }
  int32_t sheetCount() override { return static_cast<int32_t>(wb->sheets.size()); }
  bool parseReference(std::u16string_view text, RangeRef* range) override {
    LoadNamed named;
    if (!cells->resolve(activeSheet(), std::u16string(text), &named)) return false;
    *range = named.range;
    return range->sheet > 0;
  }
  // Runs of styled cells along each row, a run under an equal run joined
  // to it.
  bool styledCells(const std::u16string& style, std::vector<RangeRef>* found) override {
    const int index = Wb_findStyle(wb, Text_toUtf8(style));
    if (index < 0) return false;
    for (size_t s = 0; s < wb->sheets.size(); ++s) {
      std::vector<RangeRef> runs;
      for (const auto& [key, cell] : wb->sheets[s]->cells) {
        if (cell.style != index) continue;
        const auto row = static_cast<uint16_t>(Wb_keyRow(key) + 1);
        const auto column = static_cast<uint8_t>(Wb_keyCol(key) + 1);
        if (!runs.empty() && runs.back().lastRow == row && runs.back().lastColumn + 1 == column)
          runs.back().lastColumn = column;
        else runs.push_back(RangeRef{static_cast<uint8_t>(s + 1), row, column, row, column});
      }
      joinRuns(runs, found);
    }
    return true;
  }
  static void joinRuns(const std::vector<RangeRef>& runs, std::vector<RangeRef>* found) {
    const size_t first = found->size();
    for (const RangeRef& run : runs) {
      bool joined = false;
      for (size_t k = first; k < found->size() && !joined; ++k) {
        RangeRef& r = (*found)[k];
        joined = r.lastRow + 1 == run.firstRow && r.firstColumn == run.firstColumn && r.lastColumn == run.lastColumn;
        if (joined) r.lastRow = run.lastRow;
      }
      if (!joined) found->push_back(run);
    }
  }
  bool namesContaining(std::u16string_view part,
                       std::vector<std::pair<std::u16string, std::u16string>>* names) override {
    for (const DefinedName& dn : wb->names)
      if (lower(dn.name).find(part) != std::u16string::npos)
        names->emplace_back(lower(dn.name), Text_fromUtf8("=" + dn.definition));
    return true;
  }
  bool nameValue(const std::u16string& name, int32_t sheet, std::u16string* value) override {
    const DefinedName* dn = Wb_findNameInScope(wb, Text_toUtf8(name), sheet - 1);
    if (!dn) return false;
    *value = Text_fromUtf8("=" + dn->definition);
    return true;
  }
  bool cellFormula(const CellRef& cell, std::u16string* formula) override {
    return Parse_formulaOf(cells, cell, formula);
  }
  bool formulasContaining(const std::vector<std::u16string_view>& parts,
                          std::vector<std::pair<CellRef, std::u16string>>* found) override {
    for (const auto& [key, cell] : wb->sheets[static_cast<size_t>(wb->activeSheet)]->cells) {
      if (cell.formula.empty()) continue;
      const std::u16string text = lower(cell.formula);
      for (std::u16string_view part : parts)
        if (text.find(part) != std::u16string::npos) {
          found->emplace_back(CellRef{activeSheet(), static_cast<uint16_t>(Wb_keyRow(key) + 1),
                                      static_cast<uint8_t>(Wb_keyCol(key) + 1)},
                              Text_fromUtf8(cell.formula));
          break;
        }
    }
    return true;
  }
};

// The reader's source with the view above for the importers.
struct ImportSource final : ReaderSource {
  std::unique_ptr<ReaderSource> inner;
  BookView view;
  explicit ImportSource(Workbook* wb) : inner(Fe_workbookSource(wb)), view(wb, inner.get()) {}
  bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) override {
    return inner->resolve(sheet, text, named);
  }
  bool readCell(const CellRef& cell, Value* value, ReaderCell* info) override {
    return inner->readCell(cell, value, info);
  }
  AddinWorkbook* addinWorkbook() override { return &view; }
};

// "Plan!$B$2" or "Plan!$B$2:$C$3" of an interpreter range.
std::string rangeText(const Workbook* wb, const RangeRef& r) {
  const CellRange c{r.sheet - 1, r.firstRow - 1, r.firstColumn - 1, r.lastRow - 1, r.lastColumn - 1};
  return Fe_rangeName(wb, c);
}

std::string cellText(const Workbook* wb, const CellRef& c) {
  return rangeText(wb, {c.sheet, c.row, c.column, c.row, c.column});
}

std::string number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", x);
  return text;
}

// The names of a model, numbered constraints as they are added.
struct ModelNames {
  std::vector<std::pair<std::string, std::string>> names;
  int rows = 0;
  void row(const std::string& lhs, int relation, const std::string& rhs) {
    const std::string k = std::to_string(++rows);
    names.insert(names.end(),
                 {{"solver_lhs" + k, lhs}, {"solver_rel" + k, std::to_string(relation)}, {"solver_rhs" + k, rhs}});
  }
};

int relationCode(int32_t relation) {
  if (relation == kRelEqual) return FeEqual;
  return relation == kRelLessEqual || relation == kRelLessEqual2 ? FeLessEqual : FeGreaterEqual;
}

// Each variable's type and finite bounds as constraints on its cell.
void variableRows(const Workbook* wb, const VariableTable* t, ModelNames* out) {
  size_t j = 0;
  for (const RangeRef& r : t->ranges)
    for (uint16_t row = r.firstRow; row <= r.lastRow; ++row)
      for (int column = r.firstColumn; column <= r.lastColumn; ++column, ++j) {
        const VarRecord& v = t->records[j];
        const std::string cell = cellText(wb, CellRef{r.sheet, row, static_cast<uint8_t>(column)});
        if (v.type == kVarBinary) {
          out->row(cell, FeBinary, "binary");
          continue;
        }
        if (v.type == kVarInteger) out->row(cell, FeInteger, "integer");
        if (std::isfinite(v.bounds.lo)) out->row(cell, FeGreaterEqual, number(v.bounds.lo));
        if (std::isfinite(v.bounds.hi)) out->row(cell, FeLessEqual, number(v.bounds.hi));
      }
}

// The items as constraints and the objective; false with the reason for an
// item without a cell, which no solver_* name can hold, named by the cell of
// the marker it came from.
bool itemRows(const Workbook* wb, const FunctionTable* t, const CellRef& marker, ModelNames* out, std::string* why) {
  for (const ModelItem* item : t->array) {
    if (item->cell.sheet == 0) {
      *why = (marker.sheet > 0 ? cellText(wb, marker) + ": " : "") +
             "a constraint marker has an expression on its left (" + Text_toUtf8(item->rhsText) +
             "); put the expression in a cell and mark that cell to solve the model";
      return false;
    }
    const std::string cell = cellText(wb, item->cell);
    if (item->relation == kRelMinimise || item->relation == kRelMaximise) {
      out->names.insert(out->names.end(),
                        {{"solver_opt", cell}, {"solver_typ", item->relation == kRelMaximise ? "1" : "2"}});
      continue;
    }
    const std::string rhs = item->rhsCell.sheet > 0  ? cellText(wb, item->rhsCell)
                            : !item->rhsText.empty() ? Text_toUtf8(item->rhsText)
                                                     : number(item->rhs);
    out->row(cell, relationCode(item->relation), rhs);
  }
  return true;
}

bool modelNames(const Workbook* wb, const EvalContext* ctx, const CellRef& marker, ModelNames* out, std::string* why) {
  const VariableTable* t = ctx->tables.variables;
  std::string adjustable;
  for (const RangeRef& r : t->ranges) adjustable += (adjustable.empty() ? "" : ",") + rangeText(wb, r);
  if (adjustable.empty()) {
    *why = "no cell is styled \"Adjustable\": the model has no variable cells";
    return false;
  }
  out->names.push_back({"solver_adj", adjustable});
  if (!itemRows(wb, ctx->tables.functions, marker, out, why)) return false;
  variableRows(wb, t, out);
  out->names.insert(out->names.end(), {{"solver_num", std::to_string(out->rows)}, {"solver_neg", "2"}});
  return true;
}

// Where the import stopped: the cell at fault and why.
std::string failureOf(const Workbook* wb, const AddinReport& report) {
  const std::string why = Text_toUtf8(report.failure);
  return report.failureCell.sheet > 0 ? cellText(wb, report.failureCell) + ": " + why : why;
}

}  // namespace

bool Fe_importMarkers(FeSession* s) {
  ImportSource source(s->book);
  EvalContext* ctx = Load_createContext(nullptr);
  LoadRequest rq;
  rq.importFlags = kReaderImportMarkers;
  LoadReport report;
  const int32_t result = ctx ? Load_model(ctx, &source, rq, &report) : kLoadNoMemory;
  // A formula the interpreter cannot compile does not stop the run, which
  // calculates through the workbook.
  std::string why = result == kLoadNoMemory ? "out of memory" : failureOf(s->book, report.imported);
  ModelNames names;
  const bool imported = (result == kLoadOk || result == kLoadCompileFailed || result == kLoadEmpty) &&
                        report.imported.failure.empty() &&
                        modelNames(s->book, ctx, report.imported.expressionMarker, &names, &why);
  Load_freeModel(ctx);
  if (!imported) {
    std::fprintf(stderr, "%sthe marker model cannot be imported: %s\n", Fe_where().c_str(), why.c_str());
    return false;
  }
  for (const auto& [name, value] : names.names) Fe_setModelOption(s, name, value);
  return true;
}
