// The automation layer: calls by name with prepared arguments, diagnostics of
// failed calls, the application's life, and every data workbook's used ranges
// read back through it with the values and formulas the files hold.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "platform/automation/Auto.h"
#include "platform/workbook/Wb_Workbook.h"
#include "values/List_List.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    ctx = Vm_createContext();
    ea = Com_create(ctx);
    AutoObject* app = Auto_application();
    ASSERT_TRUE(Com_attachApplication(ea, app));
    Auto_release(app);
  }
  void TearDown() override {
    Com_destroy(ea);
    Vm_destroyContext(ctx);
    Wb_resetApp();
  }
  bool open(const std::string& path) {
    return Com_openWorkbook(ea, Text_fromUtf8(path).c_str()) && Com_readSheets(ea) && Com_getWorksheetFunction(ea);
  }
  EvalContext* ctx = nullptr;
  ExcelAutomation* ea = nullptr;
};

// What a cell of the file reads as through the layer.
void expectCell(const Cell* cell, const Value& value, const std::u16string& formula, const Sheet* sh) {
  const std::string f = Text_toUtf8(formula);
  if (!cell) {
    EXPECT_EQ(value.kind, kValEmpty);
    EXPECT_EQ(f, "");
    return;
  }
  const CellValue& v = cell->value;
  switch (v.kind) {
    case CellKind::Empty: EXPECT_EQ(value.kind, kValEmpty); break;
    case CellKind::Number:
      EXPECT_TRUE(value.kind == kValReal || value.kind == kValInt);
      EXPECT_EQ(value.number, v.number);
      break;
    case CellKind::Text: {
      double x = 0;
      int32_t n = 0;
      const std::u16string text = Text_fromUtf8(v.text);
      if (Text_toDate(text, &x) || Text_toInt32(text, &n) || Text_toDouble(text, &x)) {
        EXPECT_NE(value.kind, kValText);
      } else {
        ASSERT_EQ(value.kind, kValText);
        EXPECT_EQ(Text_toUtf8(value.text), v.text);
      }
      break;
    }
    case CellKind::Boolean:
      EXPECT_EQ(value.kind, kValBool);
      EXPECT_EQ(value.number, v.number != 0 ? 1.0 : 0.0);
      break;
    case CellKind::Error:
      EXPECT_EQ(value.kind, kValError);
      EXPECT_EQ(value.number, Vm_errorNumber(static_cast<uint32_t>(v.error)));
      break;
  }
  if (cell->arrayBlock >= 0) {
    EXPECT_EQ(f, sh->arrays[cell->arrayBlock].formula);
  } else if (!cell->formula.empty()) {
    EXPECT_EQ(f, cell->formula);
  }
}

TEST_F(ComTest, EveryUsedRangeOfEveryDataWorkbookReadsBack) {
  int books = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(CORVAN_DATA)) {
    if (entry.path().extension() != ".xlsx") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ASSERT_TRUE(open(entry.path().string()));
    ++books;
    Workbook* wb = Wb_activeWorkbook();
    ASSERT_EQ(ea->sheetCount, static_cast<int32_t>(wb->sheets.size()));
    for (int32_t i = 1; i <= ea->sheetCount; ++i) {
      const Sheet* sh = wb->sheets[i - 1].get();
      ASSERT_EQ(Text_toUtf8(ea->sheetNames[i]), sh->name);
      CellRange r;
      if (!Wb_usedRange(sh, &r)) continue;
      ASSERT_TRUE(Com_loadUsedRange(ea, i)) << sh->name;
      // The file's rows and columns count from 0, the layer's from 1.
      ASSERT_EQ(ea->usedFirstRow, r.row1 + 1);
      ASSERT_EQ(ea->usedLastColumn, r.col2 + 1);
      for (int row = r.row1; row <= r.row2; ++row)
        for (int col = r.col1; col <= r.col2; ++col) {
          Value v = Val_empty(ctx);
          std::u16string formula;
          ASSERT_TRUE(Com_usedValue(ea, row + 1, col + 1, &v));
          ASSERT_TRUE(Com_usedFormula(ea, row + 1, col + 1, &formula));
          SCOPED_TRACE(sh->name + "!" + Wb_a1(row, col));
          expectCell(Wb_findCell(sh, row, col), v, formula, sh);
          Val_clear(&v);
        }
    }
  }
  EXPECT_GE(books, 128);  // every workbook of the data folders, the subfolders' too
  EXPECT_EQ(ctx->errors.errorCount, 0);
}

// The reader's source reads each sheet's cells once per load: cells of two
// sheets read by turns come from what was read first, however often the
// sheet changes; the next load's source reads them again.
TEST_F(ComTest, ReaderReadsEachSheetOnceWhateverTheOrder) {
  Workbook* wb = Wb_newWorkbook("two.xlsx");
  Sheet* first = Wb_addSheet(wb, "S1");
  Sheet* second = Wb_addSheet(wb, "S2");
  Wb_setValue(wb, first, 0, 0, CellValue::makeNumber(1));
  Wb_setValue(wb, second, 0, 0, CellValue::makeNumber(2));
  Wb_setFormula(wb, second, 1, 0, "=S1!A1+1");
  ASSERT_TRUE(Com_openWorkbook(ea, nullptr) && Com_readSheets(ea));
  auto source = std::make_unique<ComReaderSource>(ea);
  auto read = [&](uint8_t sheet, uint16_t row, ReaderCell* info = nullptr) {
    Value v = Val_empty(ctx);
    ReaderCell ignored;
    EXPECT_TRUE(source->readCell(CellRef{sheet, row, 1}, &v, info ? info : &ignored));
    const double x = v.number;
    Val_clear(&v);
    return x;
  };
  EXPECT_EQ(read(2, 1), 2.0);
  EXPECT_EQ(read(1, 1), 1.0);
  // Changed behind the reader's back: both sheets keep what was read.
  Wb_setValue(wb, first, 0, 0, CellValue::makeNumber(10));
  Wb_setValue(wb, second, 0, 0, CellValue::makeNumber(20));
  for (int turn = 0; turn < 3; ++turn) {
    EXPECT_EQ(read(2, 1), 2.0);
    EXPECT_EQ(read(1, 1), 1.0);
  }
  ReaderCell info;
  read(2, 2, &info);
  EXPECT_EQ(Text_toUtf8(info.formula), "=S1!A1+1");
  EXPECT_EQ(read(1, 100), 0.0);  // past the used range: empty
  source = std::make_unique<ComReaderSource>(ea);
  EXPECT_EQ(read(2, 1), 20.0);
  EXPECT_EQ(read(1, 1), 10.0);
}

TEST_F(ComTest, SheetsNamesFunctionsAndFormulaScans) {
  ASSERT_TRUE(open(CORVAN_DATA "/calc/calc-model-lp.xlsx"));
  std::u16string name;
  ASSERT_TRUE(Com_getSheetName(ea, 0, &name));
  EXPECT_EQ(Com_findSheetIndex(ea, name.c_str()), Com_getActiveSheetIndex(ea));
  EXPECT_EQ(Com_findSheetIndex(ea, u"no such sheet"), 0);
  EXPECT_FALSE(Com_selectSheet(ea, ea->sheetCount + 1));
  EXPECT_TRUE(Com_selectSheet(ea, 1));

  std::u16string text;
  EXPECT_TRUE(Com_getNameValue(ea, u"TotalProfit", &text, 0));
  EXPECT_TRUE(isalpha(Text_toUtf8(text)[1]) || text[0] == u'=') << Text_toUtf8(text);
  ASSERT_TRUE(Com_countNames(ea));
  std::u16string found;
  EXPECT_TRUE(Com_nextName(ea, u"totalprofit", &found, &text));
  EXPECT_EQ(found, u"totalprofit");

  // Every formula of every sheet, and those that call SUMPRODUCT.
  int formulas = 0, products = 0;
  Workbook* wb = Wb_activeWorkbook();
  for (int32_t i = 1; i <= ea->sheetCount; ++i) {
    ASSERT_TRUE(Com_loadUsedRange(ea, i));
    std::u16string formula;
    for (Com_resetFormulaScan(ea); Com_findNextFormula(ea, u"", &formula);) ++formulas;
    for (Com_resetFormulaScan(ea); Com_findNextFormula(ea, u"sumproduct(", &formula);) ++products;
  }
  int expected = 0, expectedProducts = 0;
  for (const auto& sheet : wb->sheets)
    for (const auto& [key, cell] : sheet->cells) {
      expected += !cell.formula.empty();
      std::string lower = cell.formula;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      expectedProducts += lower.find("sumproduct(") != std::string::npos;
    }
  EXPECT_EQ(formulas, expected);
  EXPECT_EQ(products, expectedProducts);
  EXPECT_GT(products, 0);

  // The cells of those formulas, and the position of a range object.
  int listed = 0;
  for (int32_t i = 1; i <= ea->sheetCount; ++i) {
    ASSERT_TRUE(Com_loadUsedRange(ea, i));
    List cells{};
    const std::u16string_view parts[] = {u"sumproduct(", u"no such text"};
    ASSERT_TRUE(Com_findFormulasContaining(ea, 2, parts, &cells));
    for (RangeRef* r = List_firstRange(&cells); r; r = List_nextRange(&cells), ++listed) {
      std::u16string formula;
      ASSERT_TRUE(Com_usedFormula(ea, r->firstRow, r->firstColumn, &formula));
      std::string lower = Text_toUtf8(formula);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_NE(lower.find("sumproduct("), std::string::npos) << lower;
      EXPECT_EQ(r->sheet, i);
    }
    List_removeAll(&cells);
  }
  EXPECT_EQ(listed, expectedProducts);
  ASSERT_TRUE(Com_selectSheet(ea, 2));
  Com_addArgString(ea, u"C7");
  ASSERT_TRUE(Com_invoke(ea, ea->currentSheet, u"Range", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown));
  Com_clearArgs(ea);
  AutoObject* cell = ea->result.dispatch;  // taken out: the next call reuses the result
  Auto_variantInit(&ea->result);
  RangeRef r{};
  EXPECT_TRUE(Com_getRangeRef(ea, cell, 0, 1, 1, &r));
  Auto_release(cell);
  EXPECT_EQ(r.sheet, 2);
  EXPECT_EQ(r.firstRow, 7);
  EXPECT_EQ(r.firstColumn, 3);
  EXPECT_EQ(r.lastRow, 7);
  ASSERT_TRUE(Com_getRangeRef(ea, nullptr, 2, 3, 2, &r));
  EXPECT_EQ(Com_rangeToA1(r, true), u"c7:d9");

  Value v = Val_empty(ctx);
  Com_addArgReal(ea, 9.0);
  ASSERT_TRUE(Com_callWorksheetFunction(ea, u"Sqrt", &v));
  EXPECT_EQ(v.number, 3.0);
  Com_addArgReal(ea, 5.0);
  Com_addArgReal(ea, 2.0);  // arguments go last-first: MOD(2, 5)
  ASSERT_TRUE(Com_callWorksheetFunction(ea, u"Mod", &v));
  EXPECT_EQ(v.number, 2.0);
  Val_clear(&v);
}

TEST_F(ComTest, StyledCellsComeAsRectanglesAndEveryChangeIsUndone) {
  ASSERT_TRUE(open(CORVAN_DATA "/calc/calc-model-lp.xlsx"));
  Workbook* wb = Wb_activeWorkbook();
  const int adjustable = Wb_addStyle(wb, CellStyle{"Adjustable", "0.00"});
  const int32_t model = Com_findSheetIndex(ea, u"Model"), data = Com_findSheetIndex(ea, u"Data");
  // Styles B4:E4 of Model and B2:C3 of Data (whose C2:C3 get numbers: empty
  // cells show no format).
  const struct {
    int32_t sheet;
    const char16_t* range;
    bool fill;
  } styled[] = {{model, u"B4:E4", false}, {data, u"C2:C3", true}, {data, u"B2:C3", false}};
  for (const auto& st : styled) {
    ASSERT_TRUE(Com_selectSheet(ea, st.sheet));
    Com_addArgString(ea, st.range);
    ASSERT_TRUE(Com_invoke(ea, ea->currentSheet, u"Range", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown));
    Com_clearArgs(ea);
    AutoObject* range = ea->result.dispatch;
    Auto_variantInit(&ea->result);
    if (st.fill) Com_addArgReal(ea, 1.0);
    else Com_addArgString(ea, u"Adjustable");
    EXPECT_TRUE(Com_invoke(ea, range, st.fill ? u"Value" : u"Style", nullptr, Auto_propertyPut, true, Auto_dispidUnknown));
    Com_clearArgs(ea);
    Auto_release(range);
  }
  const size_t sheetsBefore = wb->sheets.size();
  List found{};
  ASSERT_TRUE(Com_findStyledCells(ea, u"Adjustable", &found));
  std::vector<std::u16string> texts;
  for (RangeRef* r = List_firstRange(&found); r; r = List_nextRange(&found))
    texts.push_back(ea->sheetNames[r->sheet] + u"!" + Com_rangeToA1(*r, true));
  List_removeAll(&found);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"Data!b2:c3", u"Model!b4:e4"}));
  const Cell* b4 = Wb_findCell(wb->sheets[model - 1].get(), 3, 1);
  EXPECT_EQ(b4->style, adjustable);
  EXPECT_EQ(b4->numberFormat, "0.00");
  EXPECT_EQ(wb->sheets.size(), sheetsBefore);
}

TEST_F(ComTest, PutsPassTheValueAsTheOneNamedArgument) {
  ASSERT_TRUE(open(CORVAN_DATA "/calc/calc-model-lp.xlsx"));
  Com_addArgString(ea, u"H1");
  ASSERT_TRUE(Com_invoke(ea, ea->currentSheet, u"Range", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown));
  Com_clearArgs(ea);
  AutoObject* cell = ea->result.dispatch;
  Auto_variantInit(&ea->result);
  Com_addArgReal(ea, 4.5);
  ASSERT_TRUE(Com_invoke(ea, cell, u"Value", nullptr, Auto_propertyPut, true, ea->cache[kComValue]));
  EXPECT_EQ(ea->namedCount, 1);
  EXPECT_EQ(ea->dispids[1], Auto_dispidPropertyPut);
  Com_clearArgs(ea);
  AutoVariant back;
  Auto_variantInit(&back);
  ASSERT_TRUE(Com_invoke(ea, cell, u"Value", &back, Auto_propertyGet, true, ea->cache[kComValue]));
  EXPECT_EQ(back.r8, 4.5);
  // A borrowed object among the arguments keeps its reference count.
  const std::uint32_t before = Auto_addRef(cell) - 1;
  Auto_release(cell);
  Com_addArgDispatch(ea, cell);
  Com_clearArgs(ea);
  EXPECT_EQ(Auto_addRef(cell) - 1, before);
  Auto_release(cell);
  Auto_release(cell);
}

TEST_F(ComTest, FailedCallsComposeTheirDiagnostic) {
  ASSERT_TRUE(open(CORVAN_DATA "/calc/calc-model-lp.xlsx"));
  EXPECT_FALSE(Com_invoke(ea, ea->application, u"NoSuchMember", nullptr, Auto_propertyGet, true, Auto_dispidUnknown));
  EXPECT_EQ(ea->diagnostic, u"NoSuchMember: Unknown name or named argument.");
  Com_addArgString(ea, u"no such sheet");
  EXPECT_FALSE(Com_invoke(ea, ea->workbook, u"Sheets", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown));
  EXPECT_EQ(ea->diagnostic, u"Sheets: Exception 9\n");
  Com_clearArgs(ea);
  ea->diagnostic.clear();
  EXPECT_FALSE(Com_invoke(ea, ea->application, u"Quiet", nullptr, Auto_method, false, Auto_dispidUnknown));
  EXPECT_EQ(ea->diagnostic, u"");

  const struct {
    uint32_t result;
    const char16_t* text;
  } cases[] = {
      {0x80020003u, u"Range: Method or property not found."},
      {0x80020004u, u"Range: Argument not found, argument 2."},
      {0x80020005u, u"Range: Type mismatch, argument 2."},
      {0x80020006u, u"Range: Unknown name or named argument."},
      {0x80020007u, u"Range: Object does not support named arguments."},
      {0x80020009u, u"Range: Exception 1004\n"},
      {0x8002000Au, u"Range: Overflow while coercing argument values."},
      {0x8002000Cu, u"Range: Unknown locale ID."},
      {0x8002000Eu, u"Range: Incorrect number of arguments."},
      {0x8002000Fu, u"Range: Missing a required parameter."},
      {0x80004005u, u"Range: Unknown error occured."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Com_diagnosticText(u"Range", static_cast<AutoResult>(c.result), 2, 1004), c.text) << c.result;
}

TEST_F(ComTest, AStartedApplicationIsQuitAtRelease) {
  ExcelAutomation* own = Com_create(ctx);
  ASSERT_TRUE(Com_createExcel(own, Auto_applicationProgId));
  EXPECT_EQ(own->ownsApplication, 1);
  AutoVariant visible;
  Auto_variantInit(&visible);
  ASSERT_TRUE(Com_invoke(own, own->application, u"Visible", &visible, Auto_propertyGet, true, Auto_dispidUnknown));
  EXPECT_NE(visible.boolean, 0);
  Com_releaseExcel(own);
  EXPECT_EQ(own->application, nullptr);
  Com_destroy(own);
  // The front end's application stays usable after its layer is gone.
  Com_releaseExcel(ea);
  EXPECT_NE(ea->application, nullptr);
  EXPECT_TRUE(Com_invoke(ea, ea->application, u"Name", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown));
}

TEST(ComAddress, TextsAndReferences) {
  EXPECT_EQ(Com_rangeToA1(RangeRef{1, 3, 2, 3, 2}, true), u"b3");
  EXPECT_EQ(Com_rangeToA1(RangeRef{2, 3, 2, 4, 3}, true), u"b3:c4");
  EXPECT_EQ(Com_rangeToA1(RangeRef{1, 1, 27, 1, 52}, false), u"aa1az1");
  EXPECT_EQ(Com_rangeToA1(RangeRef{1, 1, 53, 1, 53}, true), u"ba1");
  EXPECT_EQ(Com_formatAddress(3, 2, 1, true), u"$B$3");
  EXPECT_EQ(Com_formatAddress(3, 2, 2, true), u"B$3");
  EXPECT_EQ(Com_formatAddress(3, 2, 4, true), u"B3");
  EXPECT_EQ(Com_formatAddress(3, 2, 4, false), u"R[3]C[2]");
  EXPECT_EQ(Com_formatAddress(3, 2, 1, false), u"R3C2");
  EXPECT_EQ(Com_formatAddress(1, 677, 1, true), u"");
  EXPECT_TRUE(Com_isExternalRef(u"'c:\\books\\[data.xlsx]sheet1'!a1"));
  EXPECT_FALSE(Com_isExternalRef(u"sheet1!a1"));
  EXPECT_EQ(Com_externalBookPath(u"'c:\\books\\[data.xlsx]sheet1'!a1"), u"c:\\books\\data.xlsx");

  ExcelAutomation* ea = Com_create(nullptr);
  ea->sheetCount = 3;
  ea->sheetNames = {u"", u"Data2", u"Data", u"My Sheet"};
  const struct {
    const char16_t* text;
    bool ok;
    RangeRef range;
  } cases[] = {
      {u"data!a1", true, {2, 1, 1, 1, 1}},
      {u"DATA2!$B$3:c$4", true, {1, 3, 2, 4, 3}},
      {u"'my sheet'!b2", true, {3, 2, 2, 2, 2}},
      {u"iu65535", true, {0, 65535, 255, 65535, 255}},
      {u"dat!a1", false, {}},
      {u"iv1", false, {}},
      {u"a0", false, {}},
      {u"a65536", false, {}},
      {u"a1:", false, {}},
      {u"a1b", false, {}},
  };
  for (const auto& c : cases) {
    RangeRef r{9, 9, 9, 9, 9};
    EXPECT_EQ(Com_parseReference(ea, c.text, &r), c.ok) << Text_toUtf8(c.text);
    EXPECT_EQ(std::tie(r.sheet, r.firstRow, r.firstColumn, r.lastRow, r.lastColumn),
              std::tie(c.range.sheet, c.range.firstRow, c.range.firstColumn, c.range.lastRow, c.range.lastColumn))
        << Text_toUtf8(c.text);
  }
  Com_destroy(ea);
}

// A sheet past the 255th is none a position holds: the reference fails
// rather than name sheet 300 - 256 = 44. A used range's address past the grid
// is read up to the grid's edge.
TEST(ComAddress, SheetsPastTheLimitFailAndUsedAreasClipToTheGrid) {
  ExcelAutomation* ea = Com_create(nullptr);
  ea->sheetCount = 300;
  ea->sheetNames.assign(1, u"");
  for (int k = 1; k <= 300; ++k) ea->sheetNames.push_back(Text_fromUtf8("S" + std::to_string(k)));
  RangeRef r{};
  EXPECT_TRUE(Com_parseReference(ea, u"s255!e1", &r));
  EXPECT_EQ(r.sheet, 255);
  EXPECT_FALSE(Com_parseReference(ea, u"s300!e1", &r));
  EXPECT_EQ(r.sheet, 0);
  Com_destroy(ea);
  const struct {
    const char16_t* text;
    bool ok;
    RangeRef range;
  } cases[] = {
      {u"$B$3", true, {0, 3, 2, 3, 2}},
      {u"$A$1:$IU$65535", true, {0, 1, 1, 65535, 255}},
      {u"$A$1:$IV$65536", true, {0, 1, 1, 65535, 255}},
      {u"$C$2:$XFD$1048576", true, {0, 2, 3, 65535, 255}},
      {u"$A$1:", false, {}},
      {u"a1b", false, {}},
      {u"a12345678", false, {}},
  };
  for (const auto& c : cases) {
    RangeRef area{9, 9, 9, 9, 9};
    EXPECT_EQ(Com_parseClippedArea(c.text, &area), c.ok) << Text_toUtf8(c.text);
    EXPECT_EQ(std::tie(area.sheet, area.firstRow, area.firstColumn, area.lastRow, area.lastColumn),
              std::tie(c.range.sheet, c.range.firstRow, c.range.firstColumn, c.range.lastRow, c.range.lastColumn))
        << Text_toUtf8(c.text);
  }
}

TEST(ComConvert, VariantsBecomeValues) {
  EvalContext* ctx = Vm_createContext();
  Value v = Val_empty(ctx);
  AutoVariant x;
  Auto_variantInit(&x);
  x.vt = Auto_vtI4;
  x.i4 = 7;
  EXPECT_TRUE(Com_variantToValue(&x, &v));
  EXPECT_EQ(v.kind, kValInt);
  EXPECT_FALSE(Com_variantToValue(&x, &v));
  x.vt = Auto_vtDate;
  x.date = 45322.5;
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.kind, kValReal);
  EXPECT_EQ(v.number, 45322.5);
  x.vt = Auto_vtError;
  x.error = static_cast<AutoResult>(0x800A07D0u + 42);
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.kind, kValError);
  EXPECT_EQ(v.number, -536608726.0);
  x.vt = Auto_vtCurrency;
  x.currency = 25000;
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.number, 2.5);
  x.vt = Auto_vtBool;
  x.boolean = Auto_true;
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.kind, kValBool);
  x.vt = Auto_vtString;
  x.str = Auto_allocString(u"Abc");
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.kind, kValText);
  Auto_freeString(x.str);
  x.str = Auto_allocString(u"ABC");
  EXPECT_FALSE(Com_variantToValue(&x, &v));  // texts compare without case
  Auto_freeString(x.str);
  x.str = Auto_allocString(u"12");
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.kind, kValInt);
  Auto_variantClear(&x);
  x.vt = Auto_vtNull;
  Com_variantToValue(&x, &v);
  EXPECT_EQ(v.number, Vm_errorNumber(kErrValue));
  Val_clear(&v);
  Vm_destroyContext(ctx);
}

}  // namespace
