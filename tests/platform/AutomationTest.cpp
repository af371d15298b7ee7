// The automation interface as a client drives it: names looked up, then
// invoked with arguments in reverse order; data workbooks read through it;
// every failing call giving its dispatch code.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/Auto.h"
#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/AutoClient.h"

namespace {

// Element (i, j) of an array result, or the result itself for one cell.
Var element(const Var& a, int i, int j) {
  Var e;
  if (a.v.vt != (Auto_vtArray | Auto_vtVariant)) {
    Auto_variantCopy(&e.v, &a.v);
    return e;
  }
  std::int32_t at[2] = {i, j};
  EXPECT_EQ(Auto_arrayGetElement(a.v.array, at, &e.v), Auto_ok);
  return e;
}

// A cell's value and formula as automation hands them out.
void expectCell(const Cell* cell, const AutoVariant& value, const AutoVariant& formula, const Sheet* sh) {
  ASSERT_EQ(formula.vt, Auto_vtString);
  std::string f = Auto_stringToUtf8(formula.str);
  if (!cell) {
    EXPECT_EQ(value.vt, Auto_vtEmpty);
    EXPECT_EQ(f, "");
    return;
  }
  const CellValue& v = cell->value;
  switch (v.kind) {
    case CellKind::Empty: EXPECT_EQ(value.vt, Auto_vtEmpty); break;
    case CellKind::Number:
      ASSERT_TRUE(value.vt == Auto_vtR8 || value.vt == Auto_vtDate);
      EXPECT_EQ(value.vt == Auto_vtR8 ? value.r8 : value.date, v.number);
      break;
    case CellKind::Text: ASSERT_EQ(value.vt, Auto_vtString); EXPECT_EQ(Auto_stringToUtf8(value.str), v.text); break;
    case CellKind::Boolean: ASSERT_EQ(value.vt, Auto_vtBool); EXPECT_EQ(value.boolean != 0, v.number != 0); break;
    case CellKind::Error:
      ASSERT_EQ(value.vt, Auto_vtError);
      EXPECT_EQ(static_cast<std::uint32_t>(value.error), Auto_cellErrorBase + static_cast<std::uint32_t>(v.error));
      break;
  }
  if (cell->arrayBlock >= 0) {
    EXPECT_EQ(f, sh->arrays[cell->arrayBlock].formula);
  } else if (!cell->formula.empty()) {
    EXPECT_EQ(f, cell->formula);
  } else if (v.kind == CellKind::Text) {
    EXPECT_EQ(f, v.text);
  } else if (v.kind == CellKind::Number) {   // the number written with 15 significant digits
    EXPECT_NEAR(std::stod(f), v.number, 1e-14 * std::fabs(v.number)) << f;
  }
}

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    app = Auto_application();
  }
  void TearDown() override {
    Auto_release(app);
    Wb_resetApp();
  }
  // Opens a data workbook through Workbooks.Open.
  AutoObject* open(const std::string& path) {
    Obj books = client.object(app, "Workbooks");
    return client.object(books, "Open", {vstr(path)}, Auto_method);
  }
  AutoObject* app = nullptr;
  AutoClient client;
};

// Every sheet's used range of every data workbook reads back, as arrays of
// values and of formulas, the cells the file holds.
TEST_F(Automation, UsedRangesReadBackTheCellsOfTheDataWorkbooks) {
  int books = 0;
  for (const char* folder : {"calc", "lp", "nlp", "global", "socp"})
    for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + "/" + folder)) {
      if (entry.path().extension() != ".xlsx" || (++books % 4 != 0 && std::string(folder) != "calc")) continue;
      Obj book = open(entry.path().string());
      ASSERT_TRUE(book) << entry.path();
      Workbook* wb = Wb_activeWorkbook();
      Obj sheets = client.object(book, "Sheets");
      ASSERT_EQ(client.integer(sheets, "Count"), static_cast<int>(wb->sheets.size()));
      for (int i = 1; i <= static_cast<int>(wb->sheets.size()); ++i) {
        Obj sheet = client.object(book, "Sheets", {vint(i)});
        const Sheet* sh = wb->sheets[i - 1].get();
        ASSERT_EQ(client.text(sheet, "Name"), sh->name);
        Obj used = client.object(sheet, "UsedRange");
        Var values, formulas;
        ASSERT_EQ(client.call(used, "Value", Auto_propertyGet, {}, &values.v), Auto_ok);
        ASSERT_EQ(client.call(used, "Formula", Auto_propertyGet, {}, &formulas.v), Auto_ok);
        int row0 = client.integer(used, "Row") - 1, col0 = client.integer(used, "Column") - 1;
        CellRange r;
        ASSERT_TRUE(Wb_usedRange(sh, &r));
        ASSERT_EQ(std::make_pair(row0, col0), std::make_pair(r.row1, r.col1));
        for (int row = r.row1; row <= r.row2; ++row)
          for (int col = r.col1; col <= r.col2; ++col) {
            Var v = element(values, row - row0 + 1, col - col0 + 1), f = element(formulas, row - row0 + 1, col - col0 + 1);
            const Cell* cell = Wb_findCell(sh, row, col);
            SCOPED_TRACE(entry.path().filename().string() + " " + sh->name + "!" + Wb_a1(row, col));
            expectCell(cell, v.v, f.v, sh);
          }
      }
    }
  Obj model = open(CORVAN_DATA "/calc/calc-model-lp.xlsx");
  Obj profit = client.object(app, "Range", {vstr("TotalProfit")});
  EXPECT_DOUBLE_EQ(client.real(profit, "Value"), 2237.5);
}

TEST_F(Automation, PutsTakeTheValueAsTheOneNamedArgument) {
  Obj book = open(CORVAN_DATA "/calc/calc-model-lp.xlsx");
  Obj sheet = client.object(app, "Sheets", {vstr("Model")});
  Obj a = client.object(sheet, "Range", {vstr("H1")});
  Obj b = client.object(sheet, "Range", {vstr("I1")});
  EXPECT_EQ(client.put(a, "Value", vnum(4)), Auto_ok);
  EXPECT_EQ(client.put(b, "Formula", vstr("=H1*2+TotalProfit")), Auto_ok);
  EXPECT_DOUBLE_EQ(client.real(b, "Value"), 2245.5);
  EXPECT_EQ(client.text(b, "Formula"), "=H1*2+TotalProfit");
  // Values as a spreadsheet hands them out: dates for date-formatted numbers
  // (serials before March 1900 one day behind), errors with the cell's code.
  struct Round { AutoVariant put; const char* format; AutoVarType vt; double number; };
  AutoVariant date = vnum(0);
  date.vt = Auto_vtDate;
  date.date = 45306.5;
  const Round rounds[] = {
    {vnum(45306), "yyyy-mm-dd", Auto_vtDate, 45306}, {vnum(59), "d-mmm-yy", Auto_vtDate, 60},
    {date, "General", Auto_vtR8, 45306.5}, {vbool(true), "General", Auto_vtBool, -1},
    {vstr("=1/0"), "General", Auto_vtError, static_cast<double>(Auto_cellErrorBase + 7)},
    {vstr("#N/A"), "General", Auto_vtError, static_cast<double>(Auto_cellErrorBase + 42)},
    {vstr(" 2.5"), "0.00", Auto_vtR8, 2.5},
  };
  Obj f1 = client.object(sheet, "Range", {vstr("F1")});
  ASSERT_EQ(client.put(f1, "Value", vstr("'12")), Auto_ok);
  EXPECT_EQ(client.text(f1, "Value"), "12");
  EXPECT_EQ(Wb_findCell(Wb_activeWorkbook()->sheets[1].get(), 0, 5)->value.kind, CellKind::Text);
  Obj g1 = client.object(sheet, "Range", {vstr("G1")});
  for (const Round& c : rounds) {
    ASSERT_EQ(client.put(g1, "NumberFormat", vstr(c.format)), Auto_ok);
    ASSERT_EQ(client.put(g1, "Value", c.put), Auto_ok);
    Var v;
    ASSERT_EQ(client.call(g1, "Value", Auto_propertyGet, {}, &v.v), Auto_ok);
    ASSERT_EQ(v.v.vt, c.vt) << c.format;
    double got = c.vt == Auto_vtDate ? v.v.date : c.vt == Auto_vtR8 ? v.v.r8 : c.vt == Auto_vtBool ? v.v.boolean
                 : static_cast<double>(static_cast<std::uint32_t>(v.v.error));
    EXPECT_EQ(got, c.number) << c.format;
  }
  Obj books = client.object(app, "Workbooks");
  Var none;
  EXPECT_EQ(client.call(books, "Open", Auto_method, {vstr("/no/such/book.xlsx")}, &none.v), Auto_eException);
  EXPECT_EQ(client.put(g1, "Formula", vstr("=SUM(")), Auto_eException);   // does not parse: refused
  // A block takes an array; an array formula goes in through FormulaArray.
  Obj block = client.object(sheet, "Range", {vstr("H3:I4")});
  AutoVariant arr = vnum(0);   // handed over to the call, which clears it
  arr.vt = Auto_vtArray | Auto_vtVariant;
  arr.array = Auto_arrayCreate(1, 2, 1, 2);
  for (std::int32_t i = 1; i <= 2; ++i)
    for (std::int32_t j = 1; j <= 2; ++j) {
      std::int32_t at[2] = {i, j};
      AutoVariant e = vnum(10 * i + j);
      Auto_arrayPutElement(arr.array, at, &e);
    }
  EXPECT_EQ(client.put(block, "Value", arr), Auto_ok);
  Obj sum = client.object(sheet, "Range", {vstr("H6:I7")});
  EXPECT_EQ(client.put(sum, "FormulaArray", vstr("=H3:I4*2")), Auto_ok);
  Obj corner = client.object(sum, "Cells", {vint(2), vint(2)});
  EXPECT_DOUBLE_EQ(client.real(corner, "Value"), 44);
  EXPECT_TRUE(client.boolean(corner, "HasArray"));
  Obj current = client.object(corner, "CurrentArray");
  EXPECT_EQ(client.text(current, "Address"), "$H$6:$I$7");
  EXPECT_EQ(client.text(corner, "FormulaArray"), "=H3:I4*2");
  // Part of a block cannot be written, and a partly-array range has no single HasArray.
  EXPECT_EQ(client.put(corner, "Value", vnum(1)), Auto_eException);
  Obj partly = client.object(sheet, "Range", {vstr("I7:J7")});
  Var has;
  EXPECT_EQ(client.call(partly, "HasArray", Auto_propertyGet, {}, &has.v), Auto_ok);
  EXPECT_EQ(has.v.vt, Auto_vtNull);
}

TEST_F(Automation, FailingCallsGiveTheirDispatchCodes) {
  Obj book = open(CORVAN_DATA "/calc/calc-sheets-names.xlsx");
  Obj sheet = client.object(app, "ActiveSheet");
  Obj cell = client.object(sheet, "Range", {vstr("A1")});
  AutoDispId id = 0;
  const AutoChar* unknown[] = {u"NoSuchMember"};
  EXPECT_EQ(Auto_getIDsOfNames(cell, unknown, 1, Auto_localeSystemDefault, &id), Auto_eUnknownName);
  EXPECT_EQ(id, Auto_dispidUnknown);
  struct Case {
    AutoObject* obj;
    const char* member;
    AutoInvokeKind kind;
    std::vector<AutoVariant> args;
    AutoResult code;
    std::uint32_t argError;   // checked for type mismatches
  };
  const Case cases[] = {
    {cell, "Row", Auto_propertyPut, {vnum(1)}, Auto_eMemberNotFound, 0},       // read-only
    {cell, "Row", Auto_propertyGet, {vnum(1)}, Auto_eBadParamCount, 0},
    {cell, "Find", Auto_method, {}, Auto_eParamNotOptional, 0},
    {cell, "Item", Auto_propertyGet, {vstr("x"), vint(1)}, Auto_eTypeMismatch, 1},   // reversed: the first is last
    {cell, "Item", Auto_propertyGet, {vint(1), vstr("x")}, Auto_eTypeMismatch, 0},
    {cell, "Item", Auto_propertyGet, {vnum(1e12)}, Auto_eOverflow, 0},
    {app, "Sheets", Auto_propertyGet, {vstr("No such sheet")}, Auto_eException, 0},
    {app, "Range", Auto_propertyGet, {vstr("not a reference")}, Auto_eException, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    Var result;
    AutoResult rc = client.call(c.obj, c.member, c.kind, c.args, &result.v);
    EXPECT_EQ(rc, c.code);
    if (rc == Auto_eTypeMismatch) {
      EXPECT_EQ(client.argError, c.argError);
    }
    if (rc == Auto_eException) {
      EXPECT_EQ(client.exceptionCode, c.obj == app && std::string(c.member) == "Sheets" ? 9 : 1004);
    }
  }
  // An id looked up on one object, used on another that lacks the member.
  const AutoChar* value[] = {u"Value"};
  AutoDispId valueId;
  ASSERT_EQ(Auto_getIDsOfNames(cell, value, 1, Auto_localeSystemDefault, &valueId), Auto_ok);
  Var none;
  EXPECT_EQ(Auto_invoke(sheet, valueId, Auto_localeEnglishUS, Auto_propertyGet, nullptr, &none.v, nullptr, nullptr),
            Auto_eMemberNotFound);
  // Named arguments: unknown to a member without parameters, or not one of its own.
  Var r;
  EXPECT_EQ(client.call(cell, "Row", Auto_propertyGet, {}, &r.v, {{"After", vint(1)}}), Auto_eUnknownName);
  AutoDispId ids[2];
  const AutoChar* findNames[] = {u"Find", u"What"};
  ASSERT_EQ(Auto_getIDsOfNames(cell, findNames, 2, Auto_localeSystemDefault, ids), Auto_ok);
  const AutoChar* rowName[] = {u"Row"};
  AutoDispId rowId;
  ASSERT_EQ(Auto_getIDsOfNames(cell, rowName, 1, Auto_localeSystemDefault, &rowId), Auto_ok);
  AutoVariant arg = vint(1);
  AutoDispId named = 0;
  AutoDispParams p{&arg, &named, 1, 1};
  std::uint32_t argError = 99;
  EXPECT_EQ(Auto_invoke(cell, rowId, Auto_localeEnglishUS, Auto_propertyGet, &p, &r.v, nullptr, &argError), Auto_eNoNamedArgs);
  named = 12;
  EXPECT_EQ(Auto_invoke(cell, ids[0], Auto_localeEnglishUS, Auto_method, &p, &r.v, nullptr, &argError), Auto_eParamNotFound);
  EXPECT_EQ(argError, 0u);
  EXPECT_EQ(Auto_invoke(cell, rowId, 12345, Auto_propertyGet, nullptr, &r.v, nullptr, nullptr), Auto_eUnknownLocale);
  // One member name has one id on every object: Item of a range and of the Names collection.
  Obj names = client.object(book, "Names");
  const AutoChar* item[] = {u"item"};
  AutoDispId onRange, onNames;
  ASSERT_EQ(Auto_getIDsOfNames(cell, item, 1, Auto_localeSystemDefault, &onRange), Auto_ok);
  ASSERT_EQ(Auto_getIDsOfNames(names, item, 1, Auto_localeSystemDefault, &onNames), Auto_ok);
  EXPECT_EQ(onRange, onNames);
}

TEST_F(Automation, ReferenceCountsAndReleasedObjects) {
  Obj book = open(CORVAN_DATA "/calc/calc-model-lp.xlsx");
  Obj sheet = client.object(app, "Sheets", {vstr("Model")});
  Obj source = client.object(sheet, "Range", {vstr("B4:E4")});
  Obj dest = client.object(sheet, "Range", {vstr("B20")});
  std::size_t live = Auto_liveObjects();
  std::uint32_t refs = Auto_addRef(dest);
  Auto_release(dest);
  // The destination goes as a borrowed dispatch argument, cleared by zeroing.
  Var done;
  ASSERT_EQ(client.call(source, "Copy", Auto_method, {vobj(dest)}, &done.v), Auto_ok);
  EXPECT_EQ(Auto_addRef(dest), refs);
  Auto_release(dest);
  EXPECT_EQ(Auto_liveObjects(), live);
  Obj copied = client.object(sheet, "Range", {vstr("C20")});
  EXPECT_EQ(client.real(copied, "Value"), 8);
  // A released object answers every call with a failure, never a crash.
  AutoObject* gone = client.object(sheet, "Range", {vstr("A1")});
  EXPECT_EQ(Auto_release(gone), 0u);
  Var r;
  EXPECT_EQ(client.call(gone, "Value", Auto_propertyGet, {}, &r.v), Auto_eReleased);
  EXPECT_EQ(Auto_addRef(gone), 0u);
  AutoObject* q = nullptr;
  EXPECT_EQ(Auto_queryInterface(gone, AutoIid::Dispatch, &q), Auto_eReleased);
  EXPECT_EQ(q, nullptr);
  // Neither a released object nor a pointer that is no object passes as an argument.
  int notAnObject = 0;
  for (AutoObject* bad : {gone, reinterpret_cast<AutoObject*>(&notAnObject)}) {
    EXPECT_EQ(client.call(source, "Copy", Auto_method, {vobj(bad)}, &r.v), Auto_eTypeMismatch);
    EXPECT_EQ(client.call(bad, "Value", Auto_propertyGet, {}, &r.v), bad == gone ? Auto_eReleased : Auto_ePointer);
  }
  // An object whose sheet was deleted fails with an exception.
  Obj sheets = client.object(book, "Sheets");
  Obj scratch = client.object(sheets, "Add", {}, Auto_method);
  Obj onScratch = client.object(scratch, "Range", {vstr("A1")});
  ASSERT_EQ(client.call(scratch, "Delete", Auto_method, {}, &r.v), Auto_ok);
  EXPECT_EQ(client.call(onScratch, "Value", Auto_propertyGet, {}, &r.v), Auto_eException);
}

TEST_F(Automation, SheetsNamesAreasAndAddresses) {
  Obj book = open(CORVAN_DATA "/calc/calc-sheets-names.xlsx");
  Workbook* wb = Wb_activeWorkbook();
  Obj sheets = client.object(book, "Sheets");
  int count = client.integer(sheets, "Count");
  Obj bobs = client.object(sheets, "Item", {vstr("bob's data")});
  EXPECT_EQ(client.integer(bobs, "Index"), Wb_sheetIndex(wb, "Bob's Data") + 1);
  Obj added = client.object(sheets, "Add", {}, Auto_method);
  EXPECT_EQ(client.integer(sheets, "Count"), count + 1);
  EXPECT_EQ(client.put(added, "Visible", vbool(false)), Auto_ok);
  EXPECT_EQ(client.integer(added, "Visible"), 0);
  Var r;
  EXPECT_EQ(client.call(added, "Delete", Auto_method, {}, &r.v), Auto_ok);
  EXPECT_EQ(client.integer(sheets, "Count"), count);
  // Names of the workbook, a sheet-scoped one shown with its sheet.
  Obj names = client.object(book, "Names");
  ASSERT_EQ(client.integer(names, "Count"), static_cast<int>(wb->names.size()));
  Obj prices = client.object(names, "Item", {vstr("Prices")}, Auto_method);
  EXPECT_EQ(client.text(prices, "Name"), "Prices");
  EXPECT_EQ(client.text(prices, "Value"), "='Other Sheet'!$B$2:$B$6");
  Obj local = client.object(names, "Item", {vstr("Results!Factor")});
  EXPECT_EQ(client.text(local, "Value"), "=3");
  // Every spelling finds a name, by its text or as shown with its sheet; a
  // sheet's collection holds its own names, found by index and by name.
  Obj resultsSheet = client.object(sheets, "Item", {vstr("Results")});
  Obj ownNames = client.object(resultsSheet, "Names");
  EXPECT_EQ(client.integer(ownNames, "Count"), 1);
  struct NameCase {
    AutoObject* collection;
    std::string key;    // a name, or "#k" for index k
    const char* shown;  // nullptr: not found
    const char* value;
  };
  const NameCase cases[] = {
      {names, "growthrate", "GrowthRate", "=0.05"},
      {names, "RESULTS!factor", "Results!Factor", "=3"},
      {names, "factor", "Factor", "=2"},
      {names, "#" + std::to_string(wb->names.size()), "Results!Factor", "=3"},
      {names, "Inputs!Factor", nullptr, ""},
      {ownNames, "FACTOR", "Results!Factor", "=3"},
      {ownNames, "results!Factor", "Results!Factor", "=3"},
      {ownNames, "#1", "Results!Factor", "=3"},
      {ownNames, "#2", nullptr, ""},
      {ownNames, "GrowthRate", nullptr, ""},
  };
  for (const NameCase& c : cases) {
    const AutoVariant key = c.key[0] == '#' ? vint(std::stoi(c.key.substr(1))) : vstr(c.key);
    Var found;
    ASSERT_EQ(client.call(c.collection, "Item", Auto_method, {key}, &found.v) == Auto_ok, c.shown != nullptr) << c.key;
    if (!c.shown) continue;
    Obj item(std::exchange(found.v.dispatch, nullptr));
    EXPECT_EQ(client.text(item, "Name"), c.shown) << c.key;
    EXPECT_EQ(client.text(item, "Value"), c.value) << c.key;
  }
  // Areas of a union, addresses, cells and items relative to the range.
  Obj results = client.object(sheets, "Item", {vstr("Results")});
  Obj twoAreas = client.object(results, "Range", {vstr("B2:C3,E5")});
  Obj areas = client.object(twoAreas, "Areas");
  EXPECT_EQ(client.integer(areas, "Count"), 2);
  Obj second = client.object(twoAreas, "Areas", {vint(2)});
  EXPECT_EQ(client.text(second, "Address"), "$E$5");
  EXPECT_EQ(client.text(twoAreas, "Address", {vbool(false), vbool(false)}), "B2:C3,E5");
  Obj item = client.object(twoAreas, "Cells", {vint(2), vint(3)});
  EXPECT_EQ(client.text(item, "Address"), "$D$3");
  Obj linear = client.object(twoAreas, "Item", {vint(3)});
  EXPECT_EQ(client.text(linear, "Address"), "$B$3");
  EXPECT_EQ(client.integer(twoAreas, "Count"), 5);
  Obj column = client.object(item, "EntireColumn");
  EXPECT_EQ(client.text(column, "Address"), "$D$1:$D$1048576");
  Obj active = client.object(app, "ActiveWorkbook");
  EXPECT_EQ(client.text(active, "Name"), wb->name);
  Obj sheetCell = client.object(results, "Cells", {vint(2), vint(3)});
  EXPECT_EQ(client.text(sheetCell, "Address"), "$C$2");
  Obj owner = client.object(item, "Worksheet");
  EXPECT_EQ(client.text(owner, "Name"), "Results");
  // References as formulas write them, in lower case too, and a block from two corners.
  Obj quoted = client.object(app, "Range", {vstr("'other sheet'!b2:b3")});
  EXPECT_EQ(client.text(quoted, "Address", {vbool(true), vbool(true), vint(1), vbool(true)}),
            "'[" + wb->name + "]Other Sheet'!$B$2:$B$3");
  Obj external = client.object(app, "Range", {vstr("'[" + wb->name + "]Other Sheet'!B2")});
  EXPECT_EQ(client.text(external, "Address"), "$B$2");
  Obj corners = client.object(results, "Range", {vstr("c4"), vobj(item)});
  EXPECT_EQ(client.text(corners, "Address"), "$C$3:$D$4");
  Obj quantity = client.object(app, "Range", {vstr("Quantity")});
  Obj quantityName = client.object(quantity, "Name");
  EXPECT_EQ(client.text(quantityName, "Name"), "Quantity");
}

// The cells carrying a named style, found as the library finds them: on a
// scratch copy of each used range, the style's number format set to a marker
// that Find then meets in the displayed texts.
TEST_F(Automation, StyledCellsFoundThroughTheMarkerFormat) {
  Obj book = open(CORVAN_DATA "/calc/calc-model-lp.xlsx");
  Workbook* wb = Wb_activeWorkbook();
  int adjustable = Wb_addStyle(wb, CellStyle{"Adjustable", "0.00"});
  Obj model = client.object(book, "Sheets", {vstr("Model")});
  Obj vars = client.object(model, "Range", {vstr("B4:E4")});
  ASSERT_EQ(client.put(vars, "Style", vstr("Adjustable")), Auto_ok);
  Obj data = client.object(book, "Sheets", {vstr("Data")});
  Obj block = client.object(data, "Range", {vstr("B2:C3")});
  Obj right = client.object(data, "Range", {vstr("C2:C3")});
  ASSERT_EQ(client.put(right, "Value", vnum(1)), Auto_ok);   // empty cells show no marker
  ASSERT_EQ(client.put(block, "Style", vstr("adjustable")), Auto_ok);
  const char* marker = "[$QZTag-1] #,##0.00";
  ASSERT_EQ(client.put(app, "DisplayAlerts", vbool(false)), Auto_ok);
  Obj allSheets = client.object(book, "Sheets");
  Obj scratch = client.object(allSheets, "Add", {}, Auto_method);
  ASSERT_EQ(client.put(scratch, "Visible", vbool(false)), Auto_ok);
  std::vector<std::string> found;
  int count = client.integer(allSheets, "Count");
  for (int i = 1; i <= count; ++i) {
    Obj sheet = client.object(book, "Sheets", {vint(i)});
    if (client.text(sheet, "Name") == client.text(scratch, "Name")) continue;
    Obj used = client.object(sheet, "UsedRange");
    Obj copy = client.object(scratch, "Range", {vstr(client.text(used, "Address"))});
    Var r;
    ASSERT_EQ(client.call(used, "Copy", Auto_method, {vobj(copy)}, &r.v), Auto_ok);
    ASSERT_EQ(client.put(copy, "NumberFormat", vstr(marker)), Auto_ok);
    ASSERT_EQ(client.call(book, "DeleteNumberFormat", Auto_method, {vstr(marker)}, &r.v), Auto_ok);
    Obj style = client.object(book, "Styles", {vstr("Adjustable")});
    bool include = client.boolean(style, "IncludeNumber");
    std::string format = client.text(style, "NumberFormat");
    ASSERT_EQ(client.put(style, "IncludeNumber", vbool(true)), Auto_ok);
    ASSERT_EQ(client.put(style, "NumberFormat", vstr(marker)), Auto_ok);
    Obj columns = client.object(copy, "EntireColumn");
    ASSERT_EQ(client.call(columns, "AutoFit", Auto_method, {}, &r.v), Auto_ok);
    Obj first = client.object(copy, "Cells", {vint(1), vint(1)});
    Obj hit = client.object(copy, "Find", {vstr("QZTag"), vobj(first), vint(-4163), vint(2)}, Auto_method);
    std::string firstHit = hit ? client.text(hit, "Address") : "";
    while (hit) {
      found.push_back(client.text(sheet, "Name") + "!" + client.text(hit, "Address"));
      Obj next = client.object(copy, "FindNext", {vobj(hit)}, Auto_method);
      if (!next || client.text(next, "Address") == firstHit) break;
      hit = std::move(next);
    }
    ASSERT_EQ(client.put(style, "NumberFormat", vstr(format)), Auto_ok);
    ASSERT_EQ(client.put(style, "IncludeNumber", vbool(include)), Auto_ok);
    ASSERT_EQ(client.call(book, "DeleteNumberFormat", Auto_method, {vstr(marker)}, &r.v), Auto_ok);
  }
  Var r;
  ASSERT_EQ(client.call(scratch, "Delete", Auto_method, {}, &r.v), Auto_ok);
  ASSERT_EQ(client.put(app, "DisplayAlerts", vbool(true)), Auto_ok);
  EXPECT_EQ(found, (std::vector<std::string>{"Data!$B$2", "Data!$C$2", "Data!$B$3", "Data!$C$3", "Model!$B$4",
                                             "Model!$C$4", "Model!$D$4", "Model!$E$4"}));
  // Everything changed was undone: the styled cells show their own format again.
  const Cell* b4 = Wb_findCell(wb->sheets[Wb_sheetIndex(wb, "Model")].get(), 3, 1);
  EXPECT_EQ(b4->style, adjustable);
  EXPECT_EQ(b4->numberFormat, "0.00");
  EXPECT_EQ(Wb_sheetIndex(wb, "Sheet1"), -1);
}

TEST_F(Automation, ApplicationByProgramIdAndQuit) {
  AutoClassId cls;
  AutoObject* created = nullptr;
  EXPECT_EQ(Auto_classFromProgId(u"No.Such.Server", &cls), Auto_eClassNotRegistered);
  ASSERT_EQ(Auto_classFromProgId(Auto_applicationProgId, &cls), Auto_ok);
  EXPECT_EQ(Auto_createInstance(cls, AutoIid::Dispatch, &created), Auto_eNotInitialized);
  ASSERT_EQ(Auto_initialize(), Auto_ok);
  ASSERT_EQ(Auto_createInstance(cls, AutoIid::Dispatch, &created), Auto_ok);
  EXPECT_EQ(created, app);   // the one in-process application
  EXPECT_EQ(client.put(created, "Visible", vbool(true)), Auto_ok);
  Wb_newWorkbook("user.xlsx");
  Obj book = open(CORVAN_DATA "/calc/calc-math.xlsx");
  EXPECT_EQ(Wb_app().workbooks.size(), 2u);
  Var r;
  EXPECT_EQ(client.call(created, "Quit", Auto_method, {}, &r.v), Auto_ok);
  ASSERT_EQ(Wb_app().workbooks.size(), 1u);   // only what automation opened is closed
  EXPECT_EQ(Wb_app().workbooks[0]->name, "user.xlsx");
  Auto_release(created);
  Auto_uninitialize();
}

}  // namespace

namespace {

// A sheet with constants, two formula cells side by side in two rows, a
// lone formula further down and an array block.
Workbook* formulaCellsBook() {
  Workbook* wb = Wb_newWorkbook("special.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int row = 0; row < 6; ++row) Wb_setValue(wb, sh, row, 0, CellValue::makeNumber(row + 1));
  for (int row = 0; row < 2; ++row) {
    Wb_setFormula(wb, sh, row, 1, "=A1*2");
    Wb_setFormula(wb, sh, row, 2, "=A1*3");
  }
  Wb_setFormula(wb, sh, 4, 1, "=A5+1");
  Wb_setArrayFormula(wb, sh, CellRange{0, 2, 3, 3, 4}, "=A1:B2*2");
  Calc_recalculateFull(wb);
  return wb;
}

}  // namespace

TEST_F(Automation, SpecialCellsPicksTheFormulaCellsAsRectangles) {
  Workbook* wb = formulaCellsBook();
  Obj sheet = client.object(app, "Sheets", {vstr("S")});
  Obj all = client.object(sheet, "Range", {vstr("A1:F6")});
  Obj formulas = client.object(all, "SpecialCells", {vint(Auto_cellTypeFormulas)});
  EXPECT_EQ(client.text(formulas, "Address"), "$B$1:$C$2,$D$3:$E$4,$B$5");
  // Only the range's own cells; a single cell stands for the used range.
  Obj part = client.object(sheet, "Range", {vstr("C2:E3")});
  Obj inPart = client.object(part, "SpecialCells", {vint(Auto_cellTypeFormulas)});
  EXPECT_EQ(client.text(inPart, "Address"), "$C$2,$D$3:$E$3");
  Obj one = client.object(sheet, "Range", {vstr("A1")});
  Obj inUsed = client.object(one, "SpecialCells", {vint(Auto_cellTypeFormulas)});
  EXPECT_EQ(client.text(inUsed, "Address"), "$B$1:$C$2,$D$3:$E$4,$B$5");
  // No formula cell, or a kind of cell other than formulas: the call fails.
  Obj constants = client.object(sheet, "Range", {vstr("A1:A6")});
  Var none;
  EXPECT_EQ(client.call(constants, "SpecialCells", Auto_propertyGet, {vint(Auto_cellTypeFormulas)}, &none.v),
            Auto_eException);
  EXPECT_EQ(client.call(all, "SpecialCells", Auto_propertyGet, {vint(2)}, &none.v), Auto_eException);
  // Formulas put later are found too.
  Obj f6 = client.object(sheet, "Range", {vstr("F6")});
  ASSERT_EQ(client.put(f6, "Formula", vstr("=A6")), Auto_ok);
  Obj again = client.object(all, "SpecialCells", {vint(Auto_cellTypeFormulas)});
  EXPECT_EQ(client.text(again, "Address"), "$B$1:$C$2,$D$3:$E$4,$B$5,$F$6");
  EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 5, 5)->formula, "=A6");
}

TEST_F(Automation, PlainReferencesResolveLikeTheFormulaParserDoes) {
  formulaCellsBook();
  Obj sheet = client.object(app, "Sheets", {vstr("S")});
  for (const char* text : {"a1:b2", "$B$2:A1", "B$5", "$A6:C$1"}) {
    Obj plain = client.object(sheet, "Range", {vstr(text)});
    Obj spelled = client.object(sheet, "Range", {vstr(std::string("S!") + text)});
    EXPECT_EQ(client.text(plain, "Address"), client.text(spelled, "Address")) << text;
  }
  Obj reversed = client.object(sheet, "Range", {vstr("$B$2:A1")});
  EXPECT_EQ(client.text(reversed, "Address"), "$A$1:$B$2");
  Var bad;
  EXPECT_EQ(client.call(sheet, "Range", Auto_propertyGet, {vstr("A0")}, &bad.v), Auto_eException);
}

TEST(AutomationArrays, ElementsReadInPlace) {
  AutoArray* a = Auto_arrayCreate(1, 2, 0, 3);
  const std::int32_t at[2] = {2, 1};
  AutoVariant v = vnum(7.5);
  ASSERT_EQ(Auto_arrayPutElement(a, at, &v), Auto_ok);
  AutoVariant* in = nullptr;
  ASSERT_EQ(Auto_arrayPtrOfIndex(a, at, &in), Auto_ok);
  EXPECT_EQ(in->vt, Auto_vtR8);
  EXPECT_EQ(in->r8, 7.5);
  in->r8 = 8;  // the element itself
  AutoVariant copy;
  Auto_variantInit(&copy);
  ASSERT_EQ(Auto_arrayGetElement(a, at, &copy), Auto_ok);
  EXPECT_EQ(copy.r8, 8);
  const std::int32_t outside[2] = {3, 0};
  EXPECT_EQ(Auto_arrayPtrOfIndex(a, outside, &in), Auto_eBadIndex);
  EXPECT_EQ(in, nullptr);
  EXPECT_EQ(Auto_arrayPtrOfIndex(nullptr, at, &in), Auto_ePointer);
  Auto_arrayDestroy(a);
}
