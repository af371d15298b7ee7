// Values known by definition, through both calculations: each row of
// known_values.csv beside this file is a formula over the cells below with
// the value its function's definition gives (worked out by hand, its
// reasoning in the row), per family the stand-in shares with the library
// and per kind of argument (blanks and empty texts, texts and logicals in
// cells and given directly, errors, names of the workbook and of a sheet).
// The two calculations share much of their code, so agreeing with each
// other says nothing of a value being right: here both must give the value
// by definition. A row whose "open" column names a fault both still have
// must fail in at least one of them, and fails the test once both pass.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "tests/support/CaseBooks.h"

namespace {

struct KnownRow {
  CaseRecord value;  // id, family as the function, formula, expected type and value
  std::string derivation, open;
};

std::vector<KnownRow> knownRows() {
  std::ifstream in(std::string(CORVAN_SOURCE) + "/tests/frontend/known_values.csv", std::ios::binary);
  std::vector<std::string> f, header;
  std::vector<KnownRow> rows;
  if (!in || !Cases_readRecord(in, &header)) return rows;
  std::map<std::string, size_t> col;
  for (size_t i = 0; i < header.size(); ++i) col[header[i]] = i;
  while (Cases_readRecord(in, &f)) {
    if (f.size() != header.size()) continue;
    KnownRow r;
    r.value.id = f[col["id"]];
    r.value.function = f[col["family"]];
    r.value.formula = f[col["formula"]];
    r.value.type = f[col["expected_type"]];
    r.value.expected = f[col["expected"]];
    r.derivation = f[col["derivation"]];
    r.open = f[col["open"]];
    rows.push_back(r);
  }
  return rows;
}

// The column of the rows' formulas on sheet Formulas, one row each.
constexpr int kFormulaColumn = 7;

// Sheet Formulas: A1 3, A2 blank, A3 ="", A4 =1/0, A5 the text "7", A6
// TRUE, A7 -2.5, A8 "abc", A9 =NA(); B1:B4 1 to 4, C1:C4 "a", "B", "c",
// "b", D1:D4 10 to 40. Sheet Data: A1 10, A2 20; a database C1:D4 of keys
// (k: x, y, x) and amounts (amt: 1, 2, 4), the criteria F1:F2 (k is x) and
// H1:H2 (k, and no condition). Names: of the workbook Rate
// 0.05, Cells B1:B4 and Lim 1; of Data, Lim its A1; of Formulas, Twice
// 2 * Rate.
Workbook* knownBook(Sheet** formulas) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("known.xlsx");
  Sheet* sh = *formulas = Wb_addSheet(wb, "Formulas");
  Sheet* data = Wb_addSheet(wb, "Data");
  const auto put = [&](int row, int col, const CellValue& v) { Wb_setValue(wb, sh, row, col, v); };
  put(0, 0, CellValue::makeNumber(3));
  Wb_setFormula(wb, sh, 2, 0, "=\"\"");
  Wb_setFormula(wb, sh, 3, 0, "=1/0");
  put(4, 0, CellValue::makeText("7"));
  put(5, 0, CellValue::makeBoolean(true));
  put(6, 0, CellValue::makeNumber(-2.5));
  put(7, 0, CellValue::makeText("abc"));
  Wb_setFormula(wb, sh, 8, 0, "=NA()");
  const char* const letters[] = {"a", "B", "c", "b"};
  for (int r = 0; r < 4; ++r) {
    put(r, 1, CellValue::makeNumber(r + 1));
    put(r, 2, CellValue::makeText(letters[r]));
    put(r, 3, CellValue::makeNumber(10.0 * (r + 1)));
  }
  Wb_setValue(wb, data, 0, 0, CellValue::makeNumber(10));
  Wb_setValue(wb, data, 1, 0, CellValue::makeNumber(20));
  const char* const keys[] = {"k", "x", "y", "x"};
  for (int r = 0; r < 4; ++r) {
    Wb_setValue(wb, data, r, 2, CellValue::makeText(keys[r]));
    Wb_setValue(wb, data, r, 3, r ? CellValue::makeNumber(r == 3 ? 4 : r) : CellValue::makeText("amt"));
  }
  Wb_setValue(wb, data, 0, 5, CellValue::makeText("k"));
  Wb_setValue(wb, data, 1, 5, CellValue::makeText("x"));
  Wb_setValue(wb, data, 0, 7, CellValue::makeText("k"));
  Wb_defineName(wb, DefinedName{"Rate", "0.05", -1});
  Wb_defineName(wb, DefinedName{"Cells", "Formulas!$B$1:$B$4", -1});
  Wb_defineName(wb, DefinedName{"Lim", "1", -1});
  Wb_defineName(wb, DefinedName{"Lim", "Data!$A$1", 1});
  Wb_defineName(wb, DefinedName{"Twice", "2*Rate", 0});
  return wb;
}

}  // namespace

TEST(KnownValues, BothCalculationsGiveTheValueByDefinition) {
  Fe_registerFunctions();
  const std::vector<KnownRow> rows = knownRows();
  ASSERT_GT(rows.size(), 100u);
  Sheet* sh = nullptr;
  Workbook* wb = knownBook(&sh);
  for (size_t k = 0; k < rows.size(); ++k)
    Wb_setFormula(wb, sh, static_cast<int>(k), kFormulaColumn, rows[k].value.formula);
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  std::map<std::string, int> families;
  for (size_t k = 0; k < rows.size(); ++k) {
    const KnownRow& row = rows[k];
    const int r = static_cast<int>(k);
    const Cell* cell = Wb_findCell(sh, r, kFormulaColumn);
    const CellValue standIn = cell ? cell->value : CellValue{};
    const auto found = interpreted.values.find({0, Wb_cellKey(r, kFormulaColumn)});
    const CellValue interpreter = found != interpreted.values.end() ? found->second : CellValue{};
    const bool both = Cases_passes(standIn, row.value) && Cases_passes(interpreter, row.value);
    const std::string head = row.value.id + " " + row.value.formula + " (" + row.derivation + "): expected " +
                             row.value.type + " " + row.value.expected + ", stand-in " + Cases_shown(standIn) +
                             ", interpreter " + Cases_shown(interpreter);
    ++families[row.value.function];
    if (!row.open.empty()) EXPECT_FALSE(both) << head << ": passes now, the open fault (" << row.open << ") is mended";
    else EXPECT_TRUE(both) << head;
  }
  for (const auto& [family, count] : families) std::printf("%s: %d values\n", family.c_str(), count);
  Wb_closeWorkbook(wb);
}
