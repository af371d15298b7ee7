// Saving workbook files: a save followed by an open gives back the same
// sheets, cells, formulas, array blocks, names and formats, for every shared
// data workbook and for a workbook holding every kind of value; a failed save
// leaves the target as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ScratchTest.h"
#include "platform/xlsx/Xlsx.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = CORVAN_DATA;

class XlsxSave : public ScratchTest {
 protected:

  // Saves `wb` into the temp folder and opens the saved file.
  Workbook* saveAndReopen(Workbook* wb, const std::string& file) {
    std::string error;
    std::string path = (dir_ / file).string();
    EXPECT_TRUE(Xlsx_save(wb, path, &error)) << error;
    Workbook* back = Xlsx_open(path, &error);
    EXPECT_NE(back, nullptr) << error;
    return back;
  }

};

void expectSameCells(const Sheet& a, const Sheet& b) {
  ASSERT_EQ(a.cells.size(), b.cells.size()) << a.name;
  for (auto ia = a.cells.begin(), ib = b.cells.begin(); ia != a.cells.end(); ++ia, ++ib) {
    std::string where = a.name + "!" + Wb_a1(Wb_keyRow(ia->first), Wb_keyCol(ia->first));
    ASSERT_EQ(ia->first, ib->first) << where;
    const Cell& ca = ia->second;
    const Cell& cb = ib->second;
    EXPECT_TRUE(ca.value == cb.value) << where;
    EXPECT_EQ(ca.formula, cb.formula) << where;
    EXPECT_EQ(ca.numberFormat, cb.numberFormat) << where;
    EXPECT_EQ(ca.style, cb.style) << where;
    EXPECT_EQ(ca.arrayBlock >= 0, cb.arrayBlock >= 0) << where;
    if (ca.arrayBlock >= 0 && cb.arrayBlock >= 0) {
      const ArrayBlock& x = a.arrays[ca.arrayBlock];
      const ArrayBlock& y = b.arrays[cb.arrayBlock];
      EXPECT_EQ(x.formula, y.formula) << where;
      EXPECT_EQ(std::tie(x.row1, x.col1, x.row2, x.col2), std::tie(y.row1, y.col1, y.row2, y.col2)) << where;
    }
  }
}

void expectSameWorkbook(const Workbook& a, const Workbook& b) {
  ASSERT_EQ(a.sheets.size(), b.sheets.size());
  EXPECT_EQ(a.activeSheet, b.activeSheet);
  for (size_t i = 0; i < a.sheets.size(); ++i) {
    EXPECT_EQ(a.sheets[i]->name, b.sheets[i]->name);
    EXPECT_EQ(a.sheets[i]->visible, b.sheets[i]->visible);
    expectSameCells(*a.sheets[i], *b.sheets[i]);
  }
  ASSERT_EQ(a.names.size(), b.names.size());
  for (size_t i = 0; i < a.names.size(); ++i) {
    EXPECT_EQ(a.names[i].name, b.names[i].name);
    EXPECT_EQ(a.names[i].definition, b.names[i].definition);
    EXPECT_EQ(a.names[i].scopeSheet, b.names[i].scopeSheet);
    EXPECT_EQ(a.names[i].hidden, b.names[i].hidden);
  }
  ASSERT_EQ(a.styles.size(), b.styles.size());
  for (size_t i = 0; i < a.styles.size(); ++i) {
    EXPECT_EQ(a.styles[i].name, b.styles[i].name);
    EXPECT_EQ(a.styles[i].numberFormat, b.styles[i].numberFormat);
  }
}

Sheet* sheet(Workbook* wb, int i) { return wb->sheets[i].get(); }

}  // namespace

TEST_F(XlsxSave, EveryDataWorkbookRoundTrips) {
  for (const char* folder : {"lp", "nlp", "calc"}) {
    for (const auto& entry : fs::directory_iterator(kData + "/" + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      SCOPED_TRACE(entry.path().string());
      std::string error;
      Workbook* original = Xlsx_open(entry.path().string(), &error);
      ASSERT_NE(original, nullptr) << error;
      Workbook* back = saveAndReopen(original, entry.path().filename().string());
      ASSERT_NE(back, nullptr);
      expectSameWorkbook(*original, *back);
      Wb_closeWorkbook(back);
      Wb_closeWorkbook(original);
    }
  }
}

TEST_F(XlsxSave, EveryKindOfContentRoundTrips) {
  Workbook* wb = Wb_newWorkbook("kinds.xlsx");
  Sheet* data = Wb_addSheet(wb, "Bob's Data");
  Sheet* hidden = Wb_addSheet(wb, "Hidden & <Odd>");
  hidden->visible = false;
  wb->activeSheet = 0;
  Wb_setValue(wb, data, 0, 0, CellValue::makeNumber(0.1 + 0.2));          // needs all 17 digits
  Wb_setValue(wb, data, 0, 1, CellValue::makeNumber(-1.5e-300));
  Wb_setValue(wb, data, 0, 2, CellValue::makeText("  a <b> & \"c\"  "));
  Wb_setValue(wb, data, 0, 3, CellValue::makeText("tab\there\nline\rcr\x01 _x0041_"));
  Wb_setValue(wb, data, 0, 4, CellValue::makeText(""));
  Wb_setValue(wb, data, 1, 0, CellValue::makeBoolean(false));
  Wb_setValue(wb, data, 1, 1, CellValue::makeError(CellError::NA));
  Wb_setValue(wb, data, 1, 2, CellValue::makeText("caf\xC3\xA9"));
  Wb_cellAt(wb, data, 1, 3)->numberFormat = "0.000";                    // an empty cell with a format
  Wb_setFormula(wb, data, 2, 0, "=A1&\"x\"");
  Wb_cellAt(wb, data, 2, 0)->value = CellValue::makeText("0.3x");
  Wb_setFormula(wb, data, 2, 1, "=1/0");
  Wb_cellAt(wb, data, 2, 1)->value = CellValue::makeError(CellError::Div0);
  Wb_setFormula(wb, data, 2, 2, "=A2");
  Wb_cellAt(wb, data, 2, 2)->value = CellValue::makeBoolean(true);
  Wb_setFormula(wb, data, 2, 3, "=\"\"");
  Wb_cellAt(wb, data, 2, 3)->value = CellValue::makeText("");
  Wb_setFormula(wb, data, 2, 4, "=A1*2");                                 // not yet calculated
  ASSERT_TRUE(Wb_setArrayFormula(wb, data, CellRange{0, 4, 0, 5, 1}, "=TRANSPOSE(A1:A2)"));
  Wb_cellAt(wb, data, 4, 0)->value = CellValue::makeNumber(1);
  Wb_cellAt(wb, data, 5, 0)->value = CellValue::makeNumber(2);
  int money = Wb_addStyle(wb, CellStyle{"Money", "#,##0.00 \"EUR\""});
  Wb_addStyle(wb, CellStyle{"Percent", "0%"});
  Cell* styled = Wb_cellAt(wb, data, 6, 0);
  styled->value = CellValue::makeNumber(1234.5);
  styled->style = money;
  styled->numberFormat = "#,##0.00 \"EUR\"";
  Wb_cellAt(wb, data, 6, 1)->numberFormat = "0.00%";
  Wb_setValue(wb, hidden, 1048575, 16383, CellValue::makeNumber(7));    // last cell of a sheet
  Wb_defineName(wb, DefinedName{"Rate", "0.05", -1, false});
  Wb_defineName(wb, DefinedName{"Rate", "'Bob''s Data'!$A$1", 0, true});
  Wb_defineName(wb, DefinedName{"Odd", "\"a<b\"", 1, false});

  Workbook* back = saveAndReopen(wb, "kinds.xlsx");
  ASSERT_NE(back, nullptr);
  expectSameWorkbook(*wb, *back);
  EXPECT_EQ(Wb_findCell(sheet(back, 0), 0, 0)->value.number, 0.1 + 0.2);
  EXPECT_EQ(Wb_findCell(sheet(back, 0), 0, 3)->value.text, "tab\there\nline\rcr\x01 _x0041_");
  EXPECT_EQ(Wb_findCell(sheet(back, 0), 2, 4)->value.kind, CellKind::Empty);
  EXPECT_EQ(back->path, (dir_ / "kinds.xlsx").string());
  EXPECT_EQ(wb->name, "kinds.xlsx");
}

TEST_F(XlsxSave, ActiveSheetAndSavedPathFollow) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Wb_addSheet(wb, "One");
  Wb_addSheet(wb, "Two");
  wb->activeSheet = 1;
  Workbook* back = saveAndReopen(wb, "two.xlsx");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->activeSheet, 1);
  EXPECT_EQ(wb->name, "two.xlsx");
  EXPECT_EQ(wb->path, (dir_ / "two.xlsx").string());
  wb->activeSheet = 5;   // out of range: saved as the last sheet
  Workbook* clamped = saveAndReopen(wb, "clamped.xlsx");
  ASSERT_NE(clamped, nullptr);
  EXPECT_EQ(clamped->activeSheet, 1);
}

TEST_F(XlsxSave, FailedSaveLeavesTheTargetAlone) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Wb_setValue(wb, Wb_addSheet(wb, "S"), 0, 0, CellValue::makeNumber(1));
  std::string error;
  // A folder stands where the file should go: the rename fails.
  fs::path target = dir_ / "taken.xlsx";
  fs::create_directory(target);
  EXPECT_FALSE(Xlsx_save(wb, target.string(), &error));
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_FALSE(fs::exists(target.string() + ".saving"));
  EXPECT_EQ(wb->name, "Book1");
  // A folder that does not exist.
  fs::path missing = dir_ / "no" / "such.xlsx";
  EXPECT_FALSE(Xlsx_save(wb, missing.string(), &error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;
  // A workbook that no program could show.
  sheet(wb, 0)->visible = false;
  EXPECT_FALSE(Xlsx_save(wb, (dir_ / "hidden.xlsx").string(), &error));
  EXPECT_FALSE(fs::exists(dir_ / "hidden.xlsx"));
}

TEST_F(XlsxSave, SavingOverAnOpenedFileReplacesIt) {
  std::string error;
  fs::copy_file(kData + "/calc/calc-model-lp.xlsx", dir_ / "model.xlsx");
  Workbook* wb = Xlsx_open((dir_ / "model.xlsx").string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  Sheet* model = sheet(wb, Wb_sheetIndex(wb, "Model"));
  Wb_setValue(wb, model, 3, 1, CellValue::makeNumber(11.25));
  ASSERT_TRUE(Xlsx_save(wb, wb->path, &error)) << error;
  Workbook* back = Xlsx_open((dir_ / "model.xlsx").string(), &error);
  ASSERT_NE(back, nullptr) << error;
  expectSameWorkbook(*wb, *back);
  EXPECT_EQ(Wb_findCell(sheet(back, 1), 3, 1)->value.number, 11.25);
}
