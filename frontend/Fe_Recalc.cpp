// `corvan recalc BOOK.xlsx`: recalculates a workbook (or, with
// --interpreter, computes its formulas with the library's formula
// interpreter) and compares every formula cell's computed value with the
// value the file stores, which the program that saved it computed. A cell
// it could not calculate is named and counted apart, never as matching.
// Exit status 0 when all agree, 1 when any differ or any was not calculated,
// 2 when the file cannot be read.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "frontend/Fe_Command.h"
#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kShownDifferences = 5;

struct StoredValue {
  int sheet = 0;
  std::uint64_t key = 0;
  CellValue value;
};

struct SheetTally {
  int checked = 0, matching = 0, differing = 0, unstored = 0;
  std::vector<std::string> shown;
  std::vector<std::string> failed;  // cells that were not calculated, with the reason
};

bool isComputed(const Cell& c) { return !c.formula.empty() || c.arrayBlock >= 0; }

// Numbers agree to 1e-9 relative (files may store 15 significant digits);
// texts, booleans and errors must be equal.
bool sameValue(const CellValue& a, const CellValue& b) {
  if (a.kind != b.kind) return false;
  if (a.kind != CellKind::Number) return a == b;
  double diff = std::fabs(a.number - b.number);
  return diff <= 1e-9 * std::max(std::fabs(a.number), std::fabs(b.number)) || diff <= 1e-300;
}

std::string valueText(const CellValue& v) {
  char buf[40];
  switch (v.kind) {
    case CellKind::Empty: return "(empty)";
    case CellKind::Number: std::snprintf(buf, sizeof buf, "%.17g", v.number); return buf;
    case CellKind::Text: return "\"" + v.text + "\"";
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
  }
  return "";
}

std::string formulaOf(const Sheet& sh, const Cell& c) {
  if (c.arrayBlock >= 0 && c.arrayBlock < static_cast<int>(sh.arrays.size()))
    return "{" + sh.arrays[c.arrayBlock].formula + "}";
  return c.formula;
}

std::vector<StoredValue> storedValues(const Workbook* wb) {
  std::vector<StoredValue> stored;
  for (size_t s = 0; s < wb->sheets.size(); ++s)
    for (const auto& [key, cell] : wb->sheets[s]->cells)
      if (isComputed(cell)) stored.push_back({static_cast<int>(s), key, cell.value});
  return stored;
}

void compare(const Sheet& sh, const StoredValue& st, const CellValue& computed, SheetTally* t) {
  const Cell* c = Wb_findCell(&sh, Wb_keyRow(st.key), Wb_keyCol(st.key));
  if (st.value.kind == CellKind::Empty) { ++t->unstored; return; }
  ++t->checked;
  if (sameValue(st.value, computed)) { ++t->matching; return; }
  ++t->differing;
  if (static_cast<int>(t->shown.size()) >= kShownDifferences) return;
  t->shown.push_back(Wb_a1(Wb_keyRow(st.key), Wb_keyCol(st.key)) + " " + (c ? formulaOf(sh, *c) : "") +
                     ": stored " + valueText(st.value) + ", computed " + valueText(computed));
}

void printSheet(const Sheet& sh, const SheetTally& t, const char* calculator) {
  std::string text = sh.name + ": " + std::to_string(t.checked) + " formula cells checked, " +
                     std::to_string(t.matching) + " matching, " + std::to_string(t.differing) + " differing\n";
  if (t.unstored > 0) text += "  " + std::to_string(t.unstored) + " formula cells have no stored value (not compared)\n";
  for (const std::string& line : t.shown) text += "  " + Fe_visibleText(line) + "\n";
  if (!t.failed.empty())
    text += "  " + std::to_string(t.failed.size()) + " formula cells not computed by the " + calculator + ":\n";
  for (const std::string& line : t.failed) text += "    " + Fe_visibleText(line) + "\n";
  Fe_printBlock(text);
}

// The cells the stand-in could not calculate, by sheet and cell key: each
// cell of an array formula's block, with the formula and the reason.
std::map<std::pair<int, std::uint64_t>, std::string> uncalculated(Workbook* wb) {
  std::map<std::pair<int, std::uint64_t>, std::string> cells;
  for (const CalcWarning& w : Calc_warnings(wb))
    for (int row = w.cell.row1; row <= w.cell.row2; ++row)
      for (int col = w.cell.col1; col <= w.cell.col2; ++col)
        cells[{w.cell.sheet, Wb_cellKey(row, col)}] = w.formula + " " + w.reason;
  return cells;
}

}  // namespace

int Fe_recalc(const FeArgs& args) {
  std::string error;
  Workbook* wb = Xlsx_open(args.book, &error);
  if (!wb && Fe_memoryRanOut()) return Fe_outOfMemory();
  if (!wb) {
    std::fprintf(stderr, "corvan: %s\n", error.c_str());
    return FeExitUsage;
  }
  std::vector<StoredValue> stored = storedValues(wb);
  std::vector<SheetTally> tallies(wb->sheets.size());
  if (args.interpreter) {
    Fe_setStep(FeStep::Interpreting);
    FeInterpreted interpreted;
    Fe_interpretWorkbook(wb, &interpreted);
    for (const StoredValue& st : stored) {
      const auto cell = std::make_pair(st.sheet, st.key);
      if (auto failed = interpreted.failures.find(cell); failed != interpreted.failures.end()) {
        tallies[st.sheet].failed.push_back(Wb_a1(Wb_keyRow(st.key), Wb_keyCol(st.key)) + ": " + failed->second);
        continue;
      }
      auto it = interpreted.values.find(cell);
      compare(*wb->sheets[st.sheet], st, it == interpreted.values.end() ? CellValue{} : it->second, &tallies[st.sheet]);
    }
  } else {
    Fe_setStep(FeStep::Recalculating);
    if (!Calc_recalculate(wb)) {
      Wb_closeWorkbook(wb);
      return Fe_outOfMemory();
    }
    Fe_printWarnings(wb, nullptr);
    const auto notCalculated = uncalculated(wb);
    for (const StoredValue& st : stored) {
      if (auto failed = notCalculated.find({st.sheet, st.key}); failed != notCalculated.end()) {
        tallies[st.sheet].failed.push_back(Wb_a1(Wb_keyRow(st.key), Wb_keyCol(st.key)) + ": " + failed->second);
        continue;
      }
      const Cell* c = Wb_findCell(wb->sheets[st.sheet].get(), Wb_keyRow(st.key), Wb_keyCol(st.key));
      compare(*wb->sheets[st.sheet], st, c ? c->value : CellValue{}, &tallies[st.sheet]);
    }
  }
  int differing = 0;
  size_t failed = 0;
  for (size_t s = 0; s < wb->sheets.size(); ++s) {
    const SheetTally& t = tallies[s];
    if (t.checked + t.unstored + static_cast<int>(t.failed.size()) > 0)
      printSheet(*wb->sheets[s], t, args.interpreter ? "interpreter" : "stand-in's calculation");
    differing += t.differing;
    failed += t.failed.size();
  }
  Wb_closeWorkbook(wb);
  return differing > 0 || failed > 0 ? 1 : 0;
}
