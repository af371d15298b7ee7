// Saving workbook files: a save followed by an open gives back the same
// sheets, cells, formulas, array blocks, names and formats, for every shared
// data workbook (which then recalculates to the values its file stores) and
// for a workbook holding every kind of value; a failed save leaves the
// target as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

class XlsxSave : public ScratchTest {
 protected:
  // Saves `wb` into the scratch folder and opens the saved file.
  Workbook* saveAndReopen(Workbook* wb, const std::string& file) {
    std::string error, path = (dir_ / file).string();
    EXPECT_TRUE(Xlsx_save(wb, path, &error)) << error;
    Workbook* back = Xlsx_open(path, &error);
    EXPECT_NE(back, nullptr) << error;
    return back;
  }
};

std::string valueText(const CellValue& v) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.17g", v.number);
  return v.kind == CellKind::Number ? digits : v.kind == CellKind::Text ? "'" + v.text : Calc_displayText(v, "");
}

// Everything a save must keep, a line for each sheet, cell, name and style.
std::vector<std::string> contents(const Workbook& wb) {
  std::vector<std::string> out{"active " + std::to_string(wb.activeSheet)};
  for (const auto& sh : wb.sheets) {
    out.push_back("sheet " + sh->name + (sh->visible ? "" : " hidden"));
    for (const auto& [key, c] : sh->cells) {
      std::string line = Wb_a1(Wb_keyRow(key), Wb_keyCol(key)) + " " + valueText(c.value) + " | " + c.formula +
                         " | " + c.numberFormat + " | " + std::to_string(c.style);
      if (c.arrayBlock >= 0) {
        const ArrayBlock& x = sh->arrays[c.arrayBlock];
        line += " | {" + x.formula + "} " + Wb_a1(x.row1, x.col1) + ":" + Wb_a1(x.row2, x.col2);
      }
      out.push_back(line);
    }
  }
  for (const DefinedName& n : wb.names)
    out.push_back("name " + n.name + " " + n.definition + " " + std::to_string(n.scopeSheet) + (n.hidden ? " hidden" : ""));
  for (const CellStyle& st : wb.styles) out.push_back("style " + st.name + " " + st.numberFormat);
  return out;
}

// The first line where the workbooks differ.
void expectSameWorkbook(const Workbook& a, const Workbook& b) {
  std::vector<std::string> x = contents(a), y = contents(b);
  auto [i, j] = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
  EXPECT_TRUE(i == x.end() && j == y.end()) << (i == x.end() ? "(end)" : *i) << " became " << (j == y.end() ? "(end)" : *j);
}

bool computed(const Cell& c) { return !c.formula.empty() || c.arrayBlock >= 0; }

// Every computed cell of `wb`, emptied and recalculated, against the value
// `stored` holds from its file: numbers to 1e-9 relative (files keep 15
// digits), the rest equal.
void expectStoredValues(const Workbook& stored, Workbook* wb) {
  for (auto& sh : wb->sheets)
    for (auto& [key, cell] : sh->cells)
      if (computed(cell)) cell.value = CellValue{};
  Calc_recalculate(wb);
  for (size_t s = 0; s < stored.sheets.size(); ++s) {
    for (const auto& [key, cell] : stored.sheets[s]->cells) {
      if (!computed(cell) || cell.value.kind == CellKind::Empty) continue;
      const CellValue& now = Wb_findCell(wb->sheets[s].get(), Wb_keyRow(key), Wb_keyCol(key))->value;
      std::string where = stored.sheets[s]->name + "!" + Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
      if (cell.value.kind == CellKind::Number && now.kind == CellKind::Number)
        EXPECT_NEAR(now.number, cell.value.number, 1e-9 * std::fabs(cell.value.number) + 1e-300) << where;
      else
        EXPECT_TRUE(now == cell.value) << where << " computed " << Calc_displayText(now, "");
    }
  }
}

Sheet* sheet(Workbook* wb, int i) { return wb->sheets[i].get(); }

}  // namespace

TEST_F(XlsxSave, EveryDataWorkbookRoundTripsAndRecalculatesToItsStoredValues) {
  for (const char* folder : {"lp", "nlp", "calc"}) {
    for (const auto& entry : fs::directory_iterator(std::string(CORVAN_DATA "/") + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      SCOPED_TRACE(entry.path().string());
      std::string error;
      Workbook* original = Xlsx_open(entry.path().string(), &error);
      ASSERT_NE(original, nullptr) << error;
      Workbook* back = saveAndReopen(original, entry.path().filename().string());
      ASSERT_NE(back, nullptr);
      expectSameWorkbook(*original, *back);
      expectStoredValues(*original, back);
      Wb_closeWorkbook(back);
      Wb_closeWorkbook(original);
    }
  }
}

TEST_F(XlsxSave, EveryKindOfContentRoundTrips) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Sheet* data = Wb_addSheet(wb, "Bob's Data");
  Sheet* hidden = Wb_addSheet(wb, "Hidden & <Odd>");
  Wb_addSheet(wb, "Last");
  hidden->visible = false;
  wb->activeSheet = 2;
  const CellValue values[] = {
      CellValue::makeNumber(0.1 + 0.2),   // needs all 17 digits
      CellValue::makeNumber(-1.5e-300), CellValue::makeText("  a <b> & \"c\"  "),
      CellValue::makeText("tab\there\nline\rcr\x01 _x0041_"), CellValue::makeText(""),
      CellValue::makeBoolean(false), CellValue::makeError(CellError::NA), CellValue::makeText("caf\xC3\xA9"),
  };
  for (int i = 0; i < 8; ++i) Wb_setValue(wb, data, i / 5, i % 5, values[i]);
  Wb_cellAt(wb, data, 1, 3)->numberFormat = "0.000";   // an empty cell with a format
  const std::pair<const char*, CellValue> formulas[] = {
      {"=A1&\"x\"", CellValue::makeText("0.3x")}, {"=1/0", CellValue::makeError(CellError::Div0)},
      {"=A2", CellValue::makeBoolean(true)}, {"=\"\"", CellValue::makeText("")},
      {"=A1*2", CellValue{}},   // not yet calculated
  };
  for (int i = 0; i < 5; ++i) {
    Wb_setFormula(wb, data, 2, i, formulas[i].first);
    Wb_cellAt(wb, data, 2, i)->value = formulas[i].second;
  }
  ASSERT_TRUE(Wb_setArrayFormula(wb, data, CellRange{0, 4, 0, 5, 1}, "=TRANSPOSE(A1:A2)"));
  Wb_cellAt(wb, data, 4, 0)->value = CellValue::makeNumber(1);
  Cell* styled = Wb_cellAt(wb, data, 6, 0);
  styled->value = CellValue::makeNumber(1234.5);
  styled->style = Wb_addStyle(wb, CellStyle{"Money", "#,##0.00 \"EUR\""});
  styled->numberFormat = "#,##0.00 \"EUR\"";
  Wb_setValue(wb, hidden, 1048575, 16383, CellValue::makeNumber(7));   // last cell of a sheet
  Wb_defineName(wb, DefinedName{"Rate", "0.05", -1, false});
  Wb_defineName(wb, DefinedName{"Rate", "'Bob''s Data'!$A$1", 0, true});
  Wb_defineName(wb, DefinedName{"Odd", "\"a<b\"", 1, false});

  Workbook* back = saveAndReopen(wb, "kinds.xlsx");
  ASSERT_NE(back, nullptr);
  expectSameWorkbook(*wb, *back);
  EXPECT_EQ(wb->path, (dir_ / "kinds.xlsx").string());   // the saved file's path and name
  EXPECT_EQ(wb->name, "kinds.xlsx");
  // An active sheet out of range is saved as the last sheet. NaN and
  // infinities have no digits a reader accepts: they are saved as #NUM! so
  // that the file opens again.
  wb->activeSheet = 5;
  Wb_setValue(wb, data, 9, 0, CellValue::makeNumber(std::numeric_limits<double>::quiet_NaN()));
  Wb_cellAt(wb, data, 2, 4)->value = CellValue::makeNumber(-std::numeric_limits<double>::infinity());
  Workbook* again = saveAndReopen(wb, "again.xlsx");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->activeSheet, 2);
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 9, 0)->value, CellValue::makeError(CellError::Num));
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 2, 4)->value, CellValue::makeError(CellError::Num));
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 2, 4)->formula, "=A1*2");
}

TEST_F(XlsxSave, FailedSaveLeavesTheTargetAlone) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Wb_setValue(wb, Wb_addSheet(wb, "S"), 0, 0, CellValue::makeNumber(1));
  std::string error;
  fs::path taken = dir_ / "taken.xlsx", missing = dir_ / "no" / "such.xlsx";
  fs::create_directory(taken);   // a folder stands where the file should go: the rename fails
  for (const fs::path& target : {taken, missing}) {
    EXPECT_FALSE(Xlsx_save(wb, target.string(), &error));
    EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  }
  EXPECT_TRUE(fs::is_directory(taken));
  EXPECT_FALSE(fs::exists(taken.string() + ".saving"));
  EXPECT_EQ(wb->name, "Book1");
  sheet(wb, 0)->visible = false;   // a workbook that no program could show
  EXPECT_FALSE(Xlsx_save(wb, (dir_ / "hidden.xlsx").string(), &error));
  EXPECT_FALSE(fs::exists(dir_ / "hidden.xlsx"));
}

TEST_F(XlsxSave, SavingOverAnOpenedFileReplacesIt) {
  std::string error;
  fs::copy_file(CORVAN_DATA "/calc/calc-model-lp.xlsx", dir_ / "model.xlsx");
  Workbook* wb = Xlsx_open((dir_ / "model.xlsx").string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  Wb_setValue(wb, sheet(wb, Wb_sheetIndex(wb, "Model")), 3, 1, CellValue::makeNumber(11.25));
  ASSERT_TRUE(Xlsx_save(wb, wb->path, &error)) << error;
  Workbook* back = Xlsx_open((dir_ / "model.xlsx").string(), &error);
  ASSERT_NE(back, nullptr) << error;
  expectSameWorkbook(*wb, *back);
}
