// Texts that text functions give: both calculations (the stand-in's, with
// the library's functions registered, and the formula interpreter's) keep
// a text result a text where it flows on (into &, LEN, LEFT, ISTEXT, a
// lookup key) and read it as a number only where a number is wanted. The
// expected values are what a spreadsheet program gives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

struct Row {
  const char* formula;
  CellValue expected;
};

CellValue text(const char* s) { return CellValue::makeText(s); }
CellValue number(double x) { return CellValue::makeNumber(x); }
CellValue boolean(bool b) { return CellValue::makeBoolean(b); }

const std::vector<Row>& rows() {
  static const std::vector<Row> kRows = {
      // the text flows on
      {"=ISTEXT(TEXT(7,\"00\"))", boolean(true)},
      {"=LEN(TEXT(7,\"00\"))", number(2)},
      {"=LEFT(TEXT(7,\"00\"),1)", text("0")},
      {"=TRIM(\" 07 \")&\"\"", text("07")},
      {"=SUBSTITUTE(\"a07\",\"a\",\"\")&\"\"", text("07")},
      {"=TEXT(0.000012345678,\"0.000000000\")&\"\"", text("0.000012346")},
      {"=\"x\"&TEXT(5,\"000\")", text("x005")},
      {"=MID(\"a07b\",2,2)&\"\"", text("07")},
      {"=ISTEXT(RIGHT(\"x10\",2))", boolean(true)},
      {"=ISNUMBER(UPPER(\"12\"))", boolean(false)},
      {"=LOWER(\"0012\")", text("0012")},
      {"=REPT(\"0\",3)&\"1\"", text("0001")},
      {"=REPLACE(\"x05\",1,1,\"\")", text("05")},
      {"=PROPER(\"1.50\")", text("1.50")},
      {"=CLEAN(\"007\")", text("007")},
      {"=T(TEXT(3,\"0\"))", text("3")},
      {"=TEXT(7,\"00\")=7", boolean(false)},
      {"=VLOOKUP(\"x\"&TEXT(5,\"000\"),C1:D2,2,FALSE)", number(3)},
      {"=MATCH(TEXT(2,\"00\"),E1:E2,0)", number(2)},
      // the text is used as a number
      {"=LEFT(\"7x\",1)*2", number(14)},
      {"=2^RIGHT(\"x3\",1)", number(8)},
      {"=-MID(\"a5b\",2,1)", number(-5)},
      {"=SQRT(RIGHT(\"x49\",2))", number(7)},
      {"=TEXT(7,\"00\")+1", number(8)},
      {"=VALUE(TEXT(7,\"00\"))", number(7)},
      {"=MID(\"abc\",LEFT(\"2x\",1),1)", text("b")},
      {"=REPT(\"ab\",TEXT(2,\"0\"))", text("abab")},
      {"=CHAR(TEXT(65,\"0\"))", text("A")},
      {"=VLOOKUP(\"x005\",C1:D2,TEXT(2,\"0\"),FALSE)", number(3)},
      {"=DATE(LEFT(\"2024x\",4),1,1)", number(45292)},
      {"=DEC2BIN(LEFT(\"5x\",1))", text("101")},
  };
  return kRows;
}

// The lookup tables the rows read: C1:D2 keyed "x005" and "x5", E1:E2 the
// texts "01" and "02".
void addTables(Workbook* wb, Sheet* sh) {
  Wb_setValue(wb, sh, 0, 2, text("x005"));
  Wb_setValue(wb, sh, 0, 3, number(3));
  Wb_setValue(wb, sh, 1, 2, text("x5"));
  Wb_setValue(wb, sh, 1, 3, number(4));
  Wb_setValue(wb, sh, 0, 4, text("01"));
  Wb_setValue(wb, sh, 1, 4, text("02"));
}

class TextResults : public ScratchTest {};

}  // namespace

TEST_F(TextResults, BothCalculationsGiveTheWorkbooksValue) {
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("texts.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Texts");
  addTables(wb, sh);
  for (size_t k = 0; k < rows().size(); ++k) Wb_setFormula(wb, sh, static_cast<int>(k), 0, rows()[k].formula);
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  for (size_t k = 0; k < rows().size(); ++k) {
    const Row& row = rows()[k];
    const Cell* cell = Wb_findCell(sh, static_cast<int>(k), 0);
    const CellValue standIn = cell ? cell->value : CellValue{};
    EXPECT_TRUE(sameCellValue(standIn, row.expected)) << row.formula << ": stand-in " << cellShown(standIn);
    const auto value = interpreted.values.find({0, Wb_cellKey(static_cast<int>(k), 0)});
    ASSERT_NE(value, interpreted.values.end())
        << row.formula << ": " << interpreted.failures[{0, Wb_cellKey(static_cast<int>(k), 0)}];
    EXPECT_TRUE(sameCellValue(value->second, row.expected)) << row.formula << ": interpreter " << cellShown(value->second);
  }
  // Saved with the workbook's values, both `corvan recalc` and `corvan recalc
  // --interpreter` find every cell as the file stores it.
  for (size_t k = 0; k < rows().size(); ++k) Wb_cellAt(wb, sh, static_cast<int>(k), 0)->value = rows()[k].expected;
  const std::string book = (dir_ / "texts.xlsx").string();
  std::string error;
  ASSERT_TRUE(Xlsx_save(wb, book, &error)) << error;
  Wb_closeWorkbook(wb);
  for (const char* how : {"", "--interpreter "}) {
    CliRun r = corvan(std::string("recalc ") + how + book);
    EXPECT_EQ(r.status, 0) << how << r.out;
    EXPECT_TRUE(r.has("0 differing")) << how << r.out;
  }
}
