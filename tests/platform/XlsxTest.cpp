// Workbook files: what opening reads, saving and reopening every shared
// workbook (recalculated from empty to its stored values) and every kind of
// content, failed saves, and files refused with a one-line error.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "platform/xlsx/Xlsx_Internal.h"
#include "tests/support/ScratchTest.h"
#include "tests/support/StoredZip.h"

namespace fs = std::filesystem;

namespace {


const char* const kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A one-sheet workbook (sheet "S") whose sheetData is `rows`.
Parts oneSheet(const std::string& rows) {
  std::string rels = std::string("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
  return {
    {"_rels/.rels", rels + "<Relationship Id=\"r1\" Type=\"" + kRel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
    {"xl/workbook.xml", std::string("<workbook ") + kMain + " xmlns:r=\"" + kRel + "\"><sheets>"
                        "<sheet name=\"S\" sheetId=\"1\" r:id=\"a\"/></sheets></workbook>"},
    {"xl/_rels/workbook.xml.rels",
     rels + "<Relationship Id=\"a\" Type=\"" + kRel + "/worksheet\" Target=\"/xl/worksheets/s1.xml\"/>"
            "<Relationship Id=\"b\" Type=\"" + kRel + "/sharedStrings\" Target=\"strings.xml\"/></Relationships>"},
    {"xl/strings.xml", std::string("<sst ") + kMain + "><si><t>plain</t></si>"
                       "<si><r><t xml:space=\"preserve\">rich </t></r><r><rPr><b/></rPr><t>text</t></r>"
                       "<rPh><t>phonetic</t></rPh></si><si><t>line_x000D_break</t></si></sst>"},
    {"xl/worksheets/s1.xml", std::string("<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                             "<x:sheetData>") + rows + "</x:sheetData></x:worksheet>"},
  };
}


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
                         " | " + c.numberFormat.str() + " | " + std::to_string(c.style);
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
      if (computed(cell)) {
        cell.value = CellValue{};
        cell.keepsStoredValue = false;
      }
  Calc_recalculate(wb);
  for (size_t s = 0; s < stored.sheets.size(); ++s) {
    for (const auto& [key, cell] : stored.sheets[s]->cells) {
      if (!computed(cell) || cell.value.kind == CellKind::Empty) continue;
      std::string where = stored.sheets[s]->name + "!" + Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
      const Cell* recalculated = Wb_findCell(wb->sheets[s].get(), Wb_keyRow(key), Wb_keyCol(key));
      ASSERT_NE(recalculated, nullptr) << where;
      const CellValue& now = recalculated->value;
      if (cell.value.kind == CellKind::Number && now.kind == CellKind::Number)
        EXPECT_NEAR(now.number, cell.value.number, 1e-9 * std::fabs(cell.value.number) + 1e-300) << where;
      else
        EXPECT_TRUE(now == cell.value) << where << " computed " << Calc_displayText(now, "");
    }
  }
}

const Cell& cellOf(Workbook* wb, const std::string& sheet, const std::string& a1) {
  static const Cell kNone;
  int index = Wb_sheetIndex(wb, sheet), row = 0, col = 0;
  if (index < 0 || !Wb_parseA1(a1, &row, &col)) return kNone;
  const Cell* c = Wb_findCell(wb->sheets[index].get(), row, col);
  return c ? *c : kNone;
}

class XlsxFile : public ScratchTest {
 protected:
  Workbook* open(const std::string& path) {
    std::string error;
    Workbook* wb = Xlsx_open(path, &error);
    EXPECT_NE(wb, nullptr) << error;
    return wb;
  }
  fs::path write(const std::string& file, const std::string& bytes) {
    std::ofstream(dir_ / file, std::ios::binary) << bytes;
    return dir_ / file;
  }
  // Saves `wb` into the scratch folder and opens the saved file.
  Workbook* saveAndReopen(Workbook* wb, const std::string& file) {
    std::string error, path = (dir_ / file).string();
    EXPECT_TRUE(Xlsx_save(wb, path, &error)) << error;
    return open(path);
  }
  // The error of opening the file, which must be refused with a one-line
  // message naming it.
  std::string refusal(const fs::path& path) {
    std::string error;
    EXPECT_EQ(Xlsx_open(path.string(), &error), nullptr) << path;
    EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
  }
  // The error of opening a one-sheet workbook with these rows.
  std::string rowsRefusal(const std::string& rows) { return refusal(write("bad.xlsx", storedZip(oneSheet(rows)))); }
};

Sheet* sheet(Workbook* wb, int i) { return wb->sheets[i].get(); }

}  // namespace

using XlsxOpen = XlsxFile;
using XlsxSave = XlsxFile;
using XlsxBadInput = XlsxFile;

TEST_F(XlsxOpen, LpWorkbookHasItsModelAndHiddenSheetNames) {
  Workbook* wb = open(CORVAN_DATA "/lp/afiro.xlsx");
  ASSERT_NE(wb, nullptr);
  EXPECT_EQ(Wb_activeWorkbook(), wb);
  EXPECT_EQ(wb->sheets[wb->activeSheet]->name, "Model");
  EXPECT_EQ(wb->names.size(), 19u);
  const DefinedName* opt = Wb_findName(wb, "solver_opt", 0);
  ASSERT_NE(opt, nullptr);
  EXPECT_EQ(std::tie(opt->definition, opt->hidden), std::make_tuple("Model!$B$2", true));
  EXPECT_EQ(Wb_findName(wb, "solver_opt", -1), nullptr);   // local to Model
}

// The values of formulas, and the names they use, are checked by recalculating
// every data workbook from empty in the saving tests; which cells hold a
// formula, and formats, are not.
TEST_F(XlsxOpen, SharedFormulasArrayBlocksFormatsAndStyles) {
  Workbook* names = open(CORVAN_DATA "/calc/calc-sheets-names.xlsx");
  Workbook* arrays = open(CORVAN_DATA "/calc/calc-text-arrays.xlsx");
  Workbook* ops = open(CORVAN_DATA "/calc/calc-operators.xlsx");
  ASSERT_TRUE(names && arrays && ops);
  EXPECT_EQ(cellOf(names, "Results", "E2").formula, "=$C2*E$1");   // shared, shown with its own references
  EXPECT_EQ(cellOf(names, "Results", "F6").formula, "=$C6*F$1");
  const Cell& corner = cellOf(arrays, "Arrays", "C8");   // of the block B7:C8
  ASSERT_GE(corner.arrayBlock, 0);
  const ArrayBlock& block = arrays->sheets[Wb_sheetIndex(arrays, "Arrays")]->arrays[corner.arrayBlock];
  EXPECT_EQ(std::vector<int>({block.row1, block.col1, block.row2, block.col2}), std::vector<int>({6, 1, 7, 2}));
  EXPECT_EQ(std::tie(corner.formula, block.formula), std::make_tuple("", "=MMULT(B2:D3,F2:G4)"));
  EXPECT_EQ(cellOf(ops, "Operators", "B12").numberFormat, "0.00%");
  EXPECT_EQ(cellOf(ops, "Operators", "B2").numberFormat, "");   // "General" is the default
  ASSERT_EQ(ops->styles.size(), 6u);
  EXPECT_EQ(ops->styles[0].name, "Normal");
  int percent = Wb_findStyle(ops, "Percent"), comma = Wb_findStyle(ops, "Comma");
  ASSERT_TRUE(percent >= 0 && comma >= 0);
  EXPECT_EQ(ops->styles[percent].numberFormat, "0%");   // built-in id 9
  EXPECT_EQ(ops->styles[comma].numberFormat, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)");
}

TEST(XlsxBuiltinFormats, IdsAndTextsCorrespond) {
  EXPECT_EQ(Xlsx_builtinFormat(10), "0.00%");
  EXPECT_EQ(Xlsx_builtinFormatId("general"), 0);
  EXPECT_EQ(Xlsx_builtinFormatId("0.000"), -1);
  for (int id = 1; id < 50; ++id) {
    std::string text = Xlsx_builtinFormat(id);
    EXPECT_TRUE(text.empty() || Xlsx_builtinFormatId(text) == id) << id << " " << text;
  }
}

TEST(XlsxShiftFormula, RelativePartsMoveTheRestStays) {
  struct Case { const char* text; int rows, cols; const char* shifted; };
  const Case cases[] = {
      {"$C2*D$1", 3, 2, "$C5*F$1"}, {"'Chain B'!B1+1", 2, 0, "'Chain B'!B3+1"}, {"Z1", 0, 1, "AA1"},
      {"SUM(A:A,3:4)", 1, 1, "SUM(B:B,4:5)"}, {"SUM($A:B)", 0, 1, "SUM($A:C)"}, {"$A$1", -5, -5, "$A$1"},
      {"LOG10(A1)+\"B2 text\"", 1, 1, "LOG10(B2)+\"B2 text\""}, {"1E+10+A1*2.5e-3", 1, 0, "1E+10+A2*2.5e-3"},
      {"'A1''s'!A1+TaxRate+X1Y", 1, 0, "'A1''s'!A2+TaxRate+X1Y"},
      {"IF(#N/A,TRUE,{1,2;3,4})", 5, 5, "IF(#N/A,TRUE,{1,2;3,4})"},
      {"\"say \"\"A1\"\"\"&A1", 1, 0, "\"say \"\"A1\"\"\"&A2"},
      {"Kapazität1+Größe+A1", 1, 0, "Kapazität1+Größe+A2"},  // names of other scripts hold no cell
      // References moved off the sheet become #REF!.
      {"A1+1", -1, 0, "#REF!+1"}, {"SUM(A1:B2)", 0, -1, "SUM(#REF!)"}, {"XFD1", 0, 1, "#REF!"},
  };
  for (const Case& c : cases) EXPECT_EQ(Xlsx_shiftFormula(c.text, c.rows, c.cols), c.shifted) << c.text;
}

TEST_F(XlsxSave, EveryDataWorkbookRoundTripsAndRecalculatesToItsStoredValues) {
  for (const char* folder : {"lp", "nlp", "calc"}) {
    for (const auto& entry : fs::directory_iterator(std::string(CORVAN_DATA "/") + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      SCOPED_TRACE(entry.path().string());
      Workbook* original = open(entry.path().string());
      ASSERT_NE(original, nullptr);
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
  Cell* styled = Wb_cellAt(wb, data, 6, 0);
  styled->value = CellValue::makeNumber(1234.5);
  styled->style = Wb_addStyle(wb, CellStyle{"Money", "#,##0.00 \"EUR\""});
  styled->numberFormat = "#,##0.00 \"EUR\"";
  Wb_setValue(wb, hidden, 1048575, 16383, CellValue::makeNumber(7));   // last cell of a sheet
  Wb_defineName(wb, DefinedName{"Rate", "0.05", -1, false});
  Wb_defineName(wb, DefinedName{"Rate", "'Bob''s Data'!$A$1", 0, true});
  Wb_defineName(wb, DefinedName{"Odd", "\"a<b\"", 1, false});

  hidden->protectedCells = true;
  data->merged = {CellRange{0, 7, 0, 7, 2}, CellRange{0, 9, 1, 10, 1}};

  Workbook* back = saveAndReopen(wb, "kinds.xlsx");
  ASSERT_NE(back, nullptr);
  expectSameWorkbook(*wb, *back);
  EXPECT_FALSE(sheet(back, 0)->protectedCells);
  EXPECT_TRUE(sheet(back, 1)->protectedCells);
  ASSERT_EQ(sheet(back, 0)->merged.size(), 2u);
  EXPECT_EQ(sheet(back, 0)->merged[1].row2, 10);
  EXPECT_EQ(sheet(back, 0)->merged[0].col2, 2);
  EXPECT_EQ(wb->path, (dir_ / "kinds.xlsx").string());   // the saved file's path and name
  EXPECT_EQ(wb->name, "kinds.xlsx");
  // Saved again over the file just opened: an active sheet out of range is
  // saved as the last sheet; NaN and infinities have no digits a reader
  // accepts, so they are saved as #NUM! and the file opens again.
  wb->activeSheet = 5;
  Wb_setValue(wb, data, 9, 0, CellValue::makeNumber(std::numeric_limits<double>::quiet_NaN()));
  Wb_cellAt(wb, data, 2, 4)->value = CellValue::makeNumber(-std::numeric_limits<double>::infinity());
  Workbook* again = saveAndReopen(wb, "kinds.xlsx");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->activeSheet, 2);
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 9, 0)->value, CellValue::makeError(CellError::Num));
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 2, 4)->value, CellValue::makeError(CellError::Num));
  EXPECT_EQ(Wb_findCell(sheet(again, 0), 2, 4)->formula, "=A1*2");
}

TEST_F(XlsxSave, FailedSaveLeavesTheTargetAlone) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Wb_addSheet(wb, "S");
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

TEST_F(XlsxBadInput, UnreadableFilesAreRefusedAndLeaveTheApplicationAsItWas) {
  Workbook* first = Wb_newWorkbook("Book1");
  Workbook* second = Wb_newWorkbook("Book2");
  Wb_app().activeWorkbook = 0;
  std::ifstream in(CORVAN_DATA "/lp/vpm1.xlsx", std::ios::binary);
  std::string vpm1(std::istreambuf_iterator<char>(in), {});
  ASSERT_GT(vpm1.size(), 100000u);
  // The middle of the archive, where compressed sheet data lies, overwritten:
  // the directory is intact but a part fails to inflate or to match its checksum.
  std::string damaged = vpm1;
  for (size_t i = vpm1.size() / 2; i < vpm1.size() / 2 + 64; ++i) damaged[i] ^= 0x5A;
  // A stored part changed after its checksum: still a well-formed sheet, but not the one stored.
  std::string tampered = storedZip(oneSheet("<x:row r=\"1\"><x:c r=\"A1\"><x:v>5</x:v></x:c></x:row>"));
  tampered[tampered.find("<x:v>5</x:v>") + 5] = '6';
  Parts noSheet = oneSheet("");
  noSheet.pop_back();
  // A sheet part named twice, each copy whole: other readers take the last.
  Parts twice = oneSheet("<x:row r=\"1\"><x:c r=\"A1\"><x:v>5</x:v></x:c></x:row>");
  twice.push_back({"xl/worksheets/s1.xml", twice.back().second});
  const Parts openDocument = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                              {"content.xml", "<office:document-content/>"}};
  const std::string oldBinary = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0');
  // An encrypted package: a compound document whose directory names the stream "EncryptedPackage".
  std::string encrypted = oldBinary;
  for (char c : std::string("EncryptedPackage")) encrypted += std::string{c, '\0'};
  const std::pair<fs::path, std::string> cases[] = {
      {dir_ / "nowhere.xlsx", "no such file"},
      {dir_, "is not a file"},
      {write("notes.xlsx", "These are just notes, not a workbook.\n"), "is not a workbook: it reads as text"},
      {write("plan.xlsx", "product,price\r\nDoors,3\r\n"), "is not a workbook: it reads as text (a CSV"},
      {write("noise.xlsx", std::string("\x01\x02zz", 4)), "not a zip archive"},
      {write("locked.xlsx", encrypted),
       "is a password-protected workbook, which cannot be read: open it in a "
       "spreadsheet program and save it without a password"},
      {write("empty.xlsx", ""), "is an empty file (0 bytes), not a workbook: save the workbook again as .xlsx"},
      {write("sheet.xlsx", storedZip(openDocument)),
       "is an OpenDocument spreadsheet (.ods), not an .xlsx workbook: "
       "open it in a spreadsheet program and save it as .xlsx"},
      {write("old.xlsx", oldBinary),
       "is an old binary workbook (.xls), not an .xlsx workbook: open it in a "
       "spreadsheet program and save it as .xlsx"},
      {write("twice.xlsx", storedZip(twice)), "holds member 'xl/worksheets/s1.xml' twice"},
      {write("damaged.xlsx", damaged), "part"},
      {write("crc.xlsx", tampered), "part 'xl/worksheets/s1.xml' cannot be read"},
      {write("other.xlsx", storedZip({{"hello.txt", "hello"}})), "no workbook part"},
      {write("nosheet.xlsx", storedZip(noSheet)), "part 'xl/worksheets/s1.xml' is missing"},
  };
  for (const auto& [path, says] : cases) EXPECT_NE(refusal(path).find(says), std::string::npos) << path;
  for (size_t length : {size_t{10}, size_t{1000}, vpm1.size() / 2, vpm1.size() - 22, vpm1.size() - 1})
    refusal(write("cut.xlsx", vpm1.substr(0, length)));
  ASSERT_EQ(Wb_app().workbooks.size(), 2u);
  EXPECT_EQ(Wb_activeWorkbook(), first);
  EXPECT_EQ(Wb_app().workbooks[1].get(), second);
}

TEST_F(XlsxBadInput, ContentThatCannotBeAWorkbookIsRefused) {
  Workbook* twins = Wb_newWorkbook("twins");
  Wb_addSheet(twins, "Data");
  Wb_addSheet(twins, "DATA");
  // Names alike but for the case of letters beyond ASCII, after an ASCII start.
  Workbook* doors = Wb_newWorkbook("doors");
  Wb_addSheet(doors, "Tür");
  Wb_addSheet(doors, "Fenster");
  Wb_addSheet(doors, "TÜR");
  Workbook* scoped = Wb_newWorkbook("scoped");
  Wb_addSheet(scoped, "Only");
  Wb_defineName(scoped, DefinedName{"Lost", "1", 3, false});
  const std::pair<Workbook*, const char*> cases[] = {{twins, "'DATA'"}, {doors, "'TÜR'"}, {scoped, "'Lost'"}};
  for (const auto& [wb, says] : cases) {
    std::string error, file = (dir_ / (wb->name + ".xlsx")).string();
    ASSERT_TRUE(Xlsx_save(wb, file, &error)) << error;
    EXPECT_NE(refusal(file).find(says), std::string::npos) << file;
  }
  EXPECT_EQ(Wb_app().workbooks.size(), 3u);   // none added by the refused opens
}

TEST_F(XlsxBadInput, BadCellsAreNamedWithTheirSheetAndCell) {
  struct Case { const char* row; const char* expected; };
  const Case cases[] = {
    {"<x:c r=\"B2\"><x:v>inf</x:v></x:c>", "sheet 'S' cell B2: unreadable number 'inf'"},
    {"<x:c r=\"B2\" t=\"e\"><x:v>#SPILL!</x:v></x:c>", "sheet 'S' cell B2: unknown error value '#SPILL!'"},
    {"<x:c r=\"B2\" t=\"s\"><x:v>3</x:v></x:c>", "sheet 'S' cell B2: bad shared string index '3'"},
    {"<x:c r=\"B2\" t=\"b\"><x:v>yes</x:v></x:c>", "sheet 'S' cell B2: unreadable boolean 'yes'"},
    {"<x:c r=\"B2\" t=\"d\"><x:v>2024-01-01</x:v></x:c>", "sheet 'S' cell B2: cell type 'd' is not supported"},
    {"<x:c r=\"B2\"><x:f t=\"shared\" si=\"9\"/></x:c>", "sheet 'S' cell B2: shared formula 9 is used before"},
    {"<x:c r=\"B2\"><x:f t=\"array\" ref=\"A1:C3\">1</x:f></x:c>", "sheet 'S' cell B2: array formula has a bad block"},
    {"<x:c r=\"B2\"><x:f t=\"dataTable\" ref=\"B2\"/></x:c>", "sheet 'S' cell B2: formula type 'dataTable'"},
    {"<x:c r=\"B7\"/>", "sheet 'S': bad cell reference 'B7' in row 2"},
    {"<x:c r=\"XFE2\"/>", "sheet 'S': bad cell reference 'XFE2'"},
  };
  for (const Case& c : cases) {
    std::string error = rowsRefusal(std::string("<x:row r=\"2\">") + c.row + "</x:row>");
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.row << " -> " << error;
  }
  EXPECT_NE(rowsRefusal("<x:row r=\"0\"/>").find("bad row number"), std::string::npos);
  EXPECT_NE(rowsRefusal("<x:row><x:c></x:row>").find("is not valid XML"), std::string::npos);
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

// Read in one pass over the text, and through the XML parser when the sheet
// data holds what that pass does not take (here a comment): alike.
TEST_F(XlsxBadInput, HandWrittenPartsAreRead) {
  const std::string rows =
      "<x:row><x:c t=\"s\"><x:v>0</x:v></x:c><x:c t=\"s\"><x:v>1</x:v></x:c><x:c t=\"s\"><x:v>2</x:v></x:c></x:row>"
      "<x:row r=\"3\"><x:c r=\"B3\" t=\"inlineStr\"><x:is><x:r><x:t>in</x:t></x:r><x:r><x:t xml:space=\"preserve\"> line</x:t></x:r></x:is></x:c>"
      "<x:c t=\"str\"><x:v> </x:v></x:c><x:c t=\"b\"><x:v>0</x:v></x:c><x:c t=\"e\"><x:v>#N/A</x:v></x:c>"
      "<x:c><x:v>-1.25E-3</x:v></x:c></x:row>\n"
      "<x:row><x:c r=\"A4\"><x:f>B3&amp;\"!\"</x:f><x:v></x:v></x:c>"
      "<x:c r=\"C4\" t=\"inlineStr\"><x:is><x:r><x:rPr><x:b/><x:sz val=\"11\"/></x:rPr><x:t>bold</x:t></x:r>"
      "<x:rPh sb=\"0\" eb=\"1\"><x:t>ph</x:t></x:rPh></x:is></x:c></x:row>";
  for (const std::string& part : {rows, "<!-- parsed -->" + rows}) {
    Workbook* wb = open(write("good" + std::to_string(part.size()) + ".xlsx", storedZip(oneSheet(part))).string());
    ASSERT_NE(wb, nullptr);
    struct Case { int row, col; CellValue value; };
    const Case cases[] = {
        {0, 0, CellValue::makeText("plain")},
        {0, 1, CellValue::makeText("rich text")},   // runs joined, phonetic text left out
        {0, 2, CellValue::makeText("line\rbreak")}, {2, 1, CellValue::makeText("in line")},
        {2, 2, CellValue::makeText(" ")}, {2, 3, CellValue::makeBoolean(false)},
        {2, 4, CellValue::makeError(CellError::NA)}, {2, 5, CellValue::makeNumber(-0.00125)}, {3, 0, CellValue{}},
        {3, 2, CellValue::makeText("bold")},
    };
    for (const Case& c : cases) {
      const Cell* cell = Wb_findCell(sheet(wb, 0), c.row, c.col);
      EXPECT_EQ(cell ? cell->value : CellValue{}, c.value) << Wb_a1(c.row, c.col);
    }
    EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 3, 0)->formula, "=B3&\"!\"");
    EXPECT_EQ(wb->sheets[0]->cells.size(), 10u);
  }
}

// Stored numbers, whole ones of every length included, read as the general
// conversion reads them (to the sign of a zero); a lone sign is refused.
TEST_F(XlsxBadInput, NumbersReadAsTheGeneralConversionReadsThem) {
  const std::vector<std::string> texts = {"0", "-0", "007", "-42", "123456789012345", "999999999999999",
                                          "9007199254740993", "-12345678901234567890", "1e3", "2.5"};
  std::string rows = "<row r=\"1\">";
  for (const std::string& t : texts) rows += "<c><v>" + t + "</v></c>";
  rows += "</row>";
  Workbook* wb = open(write("numbers.xlsx", storedZip(oneSheet(rows))).string());
  ASSERT_NE(wb, nullptr);
  for (size_t i = 0; i < texts.size(); ++i) {
    double expected = 0;
    std::from_chars(texts[i].data(), texts[i].data() + texts[i].size(), expected);
    const Cell* cell = Wb_findCell(sheet(wb, 0), 0, static_cast<int>(i));
    ASSERT_NE(cell, nullptr) << texts[i];
    EXPECT_EQ(cell->value.kind, CellKind::Number) << texts[i];
    EXPECT_EQ(cell->value.number, expected) << texts[i];
    EXPECT_EQ(std::signbit(cell->value.number), std::signbit(expected)) << texts[i];
  }
  EXPECT_NE(rowsRefusal("<row><c><v>-</v></c></row>").find("unreadable number '-'"), std::string::npos);
}

// A formula the calculation cannot read or compute does not stop the
// workbook: it keeps the value the file stores and is listed once.
TEST_F(XlsxBadInput, FormulasThatCannotBeComputedKeepTheirStoredValues) {
  fs::path path = write("kept.xlsx", storedZip(oneSheet(
      "<x:row r=\"1\"><x:c r=\"A1\"><x:v>2</x:v></x:c>"
      "<x:c r=\"B1\"><x:f>SUM(1,</x:f><x:v>5</x:v></x:c>"
      "<x:c r=\"C1\"><x:f>_xlfn.NOSUCH(A1)</x:f><x:v>7</x:v></x:c>"
      "<x:c r=\"D1\"><x:f>C1*2</x:f><x:v>14</x:v></x:c></x:row>")));
  Workbook* wb = open(path.string());
  ASSERT_NE(wb, nullptr);
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sheet(wb, 0), 0, 1)->value, CellValue::makeNumber(5));
  EXPECT_EQ(Wb_findCell(sheet(wb, 0), 0, 3)->value, CellValue::makeNumber(14));
  std::vector<CalcWarning> warnings = Calc_warnings(wb);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].formula, "=SUM(1,");
  EXPECT_NE(warnings[0].reason.find("cannot be read"), std::string::npos) << warnings[0].reason;
  // The function is named as typed, without the prefix the file gives it.
  EXPECT_NE(warnings[1].reason.find("calls NOSUCH, a function this system does not calculate"), std::string::npos)
      << warnings[1].reason;
  EXPECT_TRUE(warnings[0].kept && warnings[1].kept);
}

// Files built to cost without bound are refused quickly with a clear
// message: a block claiming every cell of the sheet, a part that inflates
// far beyond what its file could hold, rows numbered past the integers.
TEST_F(XlsxBadInput, HostileFilesAreRefusedBeforeTheyCost) {
  const std::pair<std::string, const char*> rows[] = {
      {"<x:row r=\"1\"><x:c r=\"A1\"><x:f t=\"array\" ref=\"A1:XFD1048576\">1</x:f><x:v>1</x:v></x:c></x:row>",
       "cell A1: array formula block 'A1:XFD1048576' is larger than the cells the sheet stores"},
      {"<x:row r=\"-2147483648\"/>", "bad row number"}, {"<x:row r=\"2147483648\"/>", "bad row number"},
      {"<x:row r=\"1048576\"/><x:row/>", "bad row number"},
  };
  for (const auto& [row, says] : rows) EXPECT_NE(rowsRefusal(row).find(says), std::string::npos) << row;
  std::string bomb = refusal(write("bomb.xlsx", storedZip(oneSheet(""), 480u << 20)));
  EXPECT_NE(bomb.find("part 'xl/worksheets/s1.xml' inflates to 480 MiB"), std::string::npos) << bomb;
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

// Texts come back exactly as they were, however often they are saved:
// escapes are read wherever files write them, and whatever a text holds,
// the saved file is well-formed XML.
TEST_F(XlsxSave, TextsRoundTripExactly) {
  Workbook* wb = Wb_newWorkbook("texts");
  Sheet* sh = Wb_addSheet(wb, "Odd_x0041_\tname");
  const std::string texts[] = {"line\r\nbreak\tand tab", "_x0041_ stays", "_x005F_x0041_", "bad \xff\xc3 bytes",
                               "\xf0\x9f\x98\x80 face", std::string("nul\0x", 5) + "\x7f\xef\xbf\xbe"};
  for (int i = 0; i < 6; ++i) Wb_setValue(wb, sh, i, 0, CellValue::makeText(texts[i]));
  Wb_setFormula(wb, sh, 0, 1, "=\"a\"&\r\n\"_x000D_\"");
  Wb_defineName(wb, DefinedName{"Name_x0042_", "\"_x0043_\"&\"\n\"", -1, false});
  Workbook* again = saveAndReopen(wb, "texts.xlsx");
  ASSERT_NE(again, nullptr);
  Workbook* third = saveAndReopen(again, "texts2.xlsx");
  ASSERT_NE(third, nullptr);
  Wb_setValue(wb, sh, 3, 0, CellValue::makeText("bad \xef\xbf\xbd\xef\xbf\xbd bytes"));   // how they come back
  expectSameWorkbook(*wb, *again);
  expectSameWorkbook(*wb, *third);
  // A file's own escapes: a surrogate pair is one character, a lone one U+FFFD.
  fs::path path = write("pairs.xlsx", storedZip(oneSheet(
      "<x:row r=\"1\"><x:c r=\"A1\" t=\"str\"><x:f>\"_xD83D__xDE00_\"</x:f><x:v>_xD83D__xDE00_</x:v></x:c>"
      "<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>_xDE00__xD83D_</x:t></x:is></x:c></x:row>")));
  Workbook* pairs = open(path.string());
  ASSERT_NE(pairs, nullptr);
  EXPECT_EQ(cellOf(pairs, "S", "A1").formula, "=\"\xf0\x9f\x98\x80\"");
  EXPECT_EQ(cellOf(pairs, "S", "A1").value, CellValue::makeText("\xf0\x9f\x98\x80"));
  EXPECT_EQ(cellOf(pairs, "S", "B1").value, CellValue::makeText("\xef\xbf\xbd\xef\xbf\xbd"));
}

// A save stopped at any of its steps leaves the old file, whole, with its
// permissions and nothing beside it, and a signal handler asking then learns
// that nothing was saved; through a symbolic link it writes the file the
// link leads to and the link stays. Once a save is complete the handler
// learns that it was.
TEST_F(XlsxSave, InterruptedSavesLeaveTheOldFileOrTheNewOne) {
  Workbook* wb = Wb_newWorkbook("Book1");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));
  fs::create_directory(dir_ / "real");
  fs::path target = dir_ / "real" / "book.xlsx", link = dir_ / "link.xlsx";
  std::string error;
  ASSERT_TRUE(Xlsx_save(wb, target.string(), &error)) << error;
  const fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(target, kPrivate);
  fs::create_symlink("real/book.xlsx", link);
  auto only = [&](double a1) {
    EXPECT_EQ(fs::status(target).permissions(), kPrivate);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    Workbook* now = open(target.string());
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(cellOf(now, "S", "A1").value, CellValue::makeNumber(a1));
    Wb_closeWorkbook(now);
  };
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));
  int step = 0;
  for (;; ++step) {
    Xlsx_failSaveAtStep(step);
    if (Xlsx_save(wb, link.string(), &error)) break;
    EXPECT_NE(error.find("interrupted"), std::string::npos) << error;
    EXPECT_FALSE(Xlsx_abandonSave());
    only(1);
  }
  Xlsx_failSaveAtStep(-1);
  EXPECT_GE(step, 5);   // opening, each part, closing, permissions, renaming
  EXPECT_TRUE(Xlsx_abandonSave());
  only(2);
}

namespace {

// Every part of a package, inflated, in the package's order.
std::vector<std::pair<std::string, std::string>> partsOf(const fs::path& file) {
  std::vector<std::pair<std::string, std::string>> parts;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, nullptr);
  if (!z) return parts;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    std::string data(st.size, '\0');
    zip_file_t* f = zip_fopen_index(z, i, 0);
    zip_fread(f, data.data(), data.size());
    zip_fclose(f);
    parts.emplace_back(st.name, data);
  }
  zip_discard(z);
  return parts;
}

// A sheet part as XML prints it: "rest" without the cells, and each cell
// element by its reference.
std::map<std::string, std::string> sheetPieces(const std::string& xml) {
  pugi::xml_document doc;
  doc.load_string(xml.c_str());
  std::map<std::string, std::string> out;
  pugi::xml_node data = doc.document_element().child("sheetData");
  for (pugi::xml_node row : data.children("row"))
    for (pugi::xml_node c : row.children("c")) {
      std::ostringstream s;
      c.print(s, "", pugi::format_raw);
      out[c.attribute("r").value()] = s.str();
    }
  doc.document_element().remove_child(data);
  std::ostringstream s;
  doc.save(s, "", pugi::format_raw | pugi::format_no_declaration);
  out["rest"] = s.str();
  return out;
}

}  // namespace

// A workbook a spreadsheet program saved, solved and saved again: every part
// but the changed sheet and the workbook part (for its names) is exactly as
// it was, the sheet differs only in the changed cells, and the macro-enabled
// file stays macro-enabled.
// The file changed on disk between the open and the save: the save still
// writes the workbook as memory holds it, not what the open kept of the file.
TEST_F(XlsxSave, AFileChangedOnDiskSinceItsOpenIsSavedAsTheWorkbookHoldsIt) {
  fs::path source = dir_ / "kept.xlsx", out = dir_ / "out.xlsx";
  fs::copy_file(fs::path(CORVAN_SOURCE) / "tests/platform/fixtures/kept.xlsx", source);
  Workbook* wb = open(source.string());
  Workbook* other = open(source.string());
  ASSERT_TRUE(wb && other);
  CellValue b2 = cellOf(wb, "Plan", "B2").value;
  ASSERT_NE(b2, CellValue::makeNumber(5));
  Wb_setValue(other, sheet(other, 0), 1, 1, CellValue::makeNumber(5));
  std::string error;
  ASSERT_TRUE(Xlsx_save(other, source.string(), &error)) << error;
  Wb_setValue(wb, sheet(wb, 0), 1, 2, CellValue::makeNumber(6));
  ASSERT_TRUE(Xlsx_save(wb, out.string(), &error)) << error;
  Workbook* again = open(out.string());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(cellOf(again, "Plan", "B2").value, b2);
  EXPECT_EQ(cellOf(again, "Plan", "C2").value, CellValue::makeNumber(6));
}

TEST_F(XlsxSave, ASolvedWorkbookKeepsEverythingElse) {
  const std::set<std::string> changedCells = {"B2", "C2", "B5", "B6", "B7", "B9", "D2"};
  for (const char* name : {"kept.xlsx", "kept.xlsm"}) {
    fs::path source = fs::path(CORVAN_SOURCE) / "tests/platform/fixtures" / name, out = dir_ / name;
    Workbook* wb = open(source.string());
    ASSERT_NE(wb, nullptr);
    Sheet* plan = sheet(wb, 0);
    Wb_setValue(wb, plan, 1, 1, CellValue::makeNumber(2));   // the optimum: 2 and 6 batches, profit 36
    Wb_setValue(wb, plan, 1, 2, CellValue::makeNumber(6));
    Wb_setValue(wb, plan, 1, 3, CellValue::makeText("solved"));   // a cell the file did not have
    Calc_recalculate(wb);
    Wb_defineName(wb, DefinedName{"solver_ver", "3", 0, true});
    std::string error;
    ASSERT_TRUE(Xlsx_save(wb, out.string(), &error)) << error;
    auto before = partsOf(source), after = partsOf(out);
    ASSERT_EQ(before.size(), after.size()) << name;
    for (size_t i = 0; i < before.size(); ++i) {
      ASSERT_EQ(before[i].first, after[i].first) << name;
      const std::string& part = before[i].first;
      if (part == "xl/workbook.xml") continue;
      if (part != "xl/worksheets/sheet1.xml") {
        EXPECT_TRUE(before[i].second == after[i].second) << name << " " << part;
        continue;
      }
      EXPECT_NE(after[i].second.find("<pane xSplit=\"0\" ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                                     "state=\"frozen\"/>"),
                std::string::npos)
          << name << ": the frozen top row";
      auto was = sheetPieces(before[i].second), now = sheetPieces(after[i].second);
      for (const auto& [ref, text] : now) {
        if (!changedCells.count(ref)) {
          EXPECT_EQ(text, was[ref]) << name << " " << ref;
        }
      }
    }
    Workbook* again = open(out.string());
    ASSERT_NE(again, nullptr);
    expectSameWorkbook(*wb, *again);
    EXPECT_EQ(cellOf(again, "Plan", "B9").value, CellValue::makeNumber(36));
    // A report added as a sheet: a new part, the rest as it was.
    Sheet* report = Wb_addSheet(again, "Answer Report");
    Wb_setValue(again, report, 0, 0, CellValue::makeText("Objective"));
    Wb_setFormula(again, report, 0, 1, "=Plan!B9*1");
    Calc_recalculate(again);
    fs::path reported = dir_ / (std::string("reported-") + name);
    ASSERT_TRUE(Xlsx_save(again, reported.string(), &error)) << error;
    auto withReport = partsOf(reported);
    ASSERT_EQ(withReport.size(), after.size() + 1) << name;
    for (size_t i = 0; i < after.size(); ++i) {
      const std::string& part = after[i].first;
      bool lists = part == "xl/workbook.xml" || part == "xl/_rels/workbook.xml.rels" || part == "[Content_Types].xml";
      if (!lists) {
        EXPECT_TRUE(after[i].second == withReport[i].second) << name << " " << part;
      }
    }
    Workbook* third = open(reported.string());
    ASSERT_NE(third, nullptr);
    expectSameWorkbook(*again, *third);
    EXPECT_EQ(cellOf(third, "Answer Report", "B1").value, CellValue::makeNumber(36));
  }
}

// A sheet added to a workbook read from a package keeps the number formats
// of its cells (built-in and the workbook's own, added to the styles part)
// and gets columns as wide as their values; a title alone in its row does
// not widen its column.
TEST_F(XlsxSave, AnAddedSheetKeepsItsNumberFormatsAndFitsItsColumns) {
  fs::path source = fs::path(CORVAN_SOURCE) / "tests/platform/fixtures/kept.xlsx", out = dir_ / "formats.xlsx";
  Workbook* wb = open(source.string());
  ASSERT_NE(wb, nullptr);
  Sheet* report = Wb_addSheet(wb, "Report");
  Wb_setValue(wb, report, 0, 0, CellValue::makeText("A title much longer than any column should be"));
  const std::pair<double, const char*> values[] = {{1234.5, "#,##0.000000"}, {2.25, "0.00"}, {3, ""}};
  for (int k = 0; k < 3; ++k) {
    Wb_setValue(wb, report, 1 + k, 1, CellValue::makeText("Name " + std::to_string(k)));
    Wb_setValue(wb, report, 1 + k, 2, CellValue::makeNumber(values[k].first));
    Wb_cellAt(wb, report, 1 + k, 2)->numberFormat = values[k].second;
  }
  std::string error;
  ASSERT_TRUE(Xlsx_save(wb, out.string(), &error)) << error;
  Workbook* again = open(out.string());
  ASSERT_NE(again, nullptr);
  for (int k = 0; k < 3; ++k) {
    const Cell* c = Wb_findCell(again->sheets.back().get(), 1 + k, 2);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->numberFormat, values[k].second) << k;
  }
  std::string sheetXml;
  for (const auto& [part, text] : partsOf(out))
    if (text.find("A title much longer") != std::string::npos || text.find("Name 0") != std::string::npos)
      sheetXml = text;
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(sheetXml.c_str()));
  std::map<int, double> widths;
  for (pugi::xml_node col : doc.document_element().child("cols").children("col"))
    widths[col.attribute("min").as_int()] = col.attribute("width").as_double();
  EXPECT_EQ(widths.count(1), 0u);  // column A holds only the title
  EXPECT_GE(widths[2], 6);         // "Name 0"
  EXPECT_GE(widths[3], 12);        // 1,234.500000
  EXPECT_LT(widths[3], 30);
}

// Texts as files write them: plain ASCII reads as it stands; escapes,
// surrogate pairs and bytes that are not UTF-8 are decoded wherever they
// stand in the text.
TEST(Xlsx, DecodedTexts) {
  EXPECT_EQ(Xlsx_decodeText(""), "");
  EXPECT_EQ(Xlsx_decodeText("Plain text, 12.5 <&> \"q\"\r\n\t"), "Plain text, 12.5 <&> \"q\"\r\n\t");
  EXPECT_EQ(Xlsx_decodeText("a_x0041_b"), "aAb");
  EXPECT_EQ(Xlsx_decodeText("under_score _x00_"), "under_score _x00_");
  EXPECT_EQ(Xlsx_decodeText("_xD83D__xDE00_"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Xlsx_decodeText("lone _xD83D_"), "lone \xEF\xBF\xBD");
  EXPECT_EQ(Xlsx_decodeText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(Xlsx_decodeText("bad \xff byte"), "bad \xEF\xBF\xBD byte");
}

// A sheet part's cells scan the same whichever way their tags are written:
// as most files write them, or with attributes in another order, blanks,
// single quotes, a namespace prefix or an escape.
TEST(Xlsx, ScannedCellsAlikeInEveryForm) {
  struct Seen {
    std::string ref, style, type, value;
    bool hasRef, hasStyle, hasValue;
    bool operator==(const Seen&) const = default;
  };
  auto scan = [](const std::string& cells) {
    std::string xml = "<worksheet><sheetData><row r=\"1\">" + cells + "</row></sheetData></worksheet>";
    std::vector<Seen> seen;
    XlsxScanSink sink{&seen,
                      [](void* out, const XlsxCellText& c) {
                        static_cast<std::vector<Seen>*>(out)->push_back(
                            {std::string(c.ref), std::string(c.style), std::string(c.type), std::string(c.value),
                             c.hasRef, c.hasStyle, c.hasValue});
                        return true;
                      },
                      [](void*, std::string_view, bool, std::string_view) { return true; }};
    EXPECT_EQ(Xlsx_scanSheet(xml, sink), XlsxScan::Read) << cells;
    return seen;
  };
  const std::vector<Seen> expected = {{"A1", "2", "s", "0", true, true, true},
                                      {"B1", "", "", "", true, false, false},
                                      {"", "", "n", "5", false, false, true},
                                      {"D1", "1", "", "2.5", true, true, true},
                                      {"E1", "", "str", "a&b", true, false, true}};
  EXPECT_EQ(scan("<c r=\"A1\" s=\"2\" t=\"s\"><v>0</v></c><c r=\"B1\"/><c t=\"n\"><v>5</v></c>"
                 "<c r=\"D1\" s=\"1\"><v>2.5</v></c><c r=\"E1\" t=\"str\"><v>a&amp;b</v></c>"),
            expected);
  EXPECT_EQ(scan("<c t=\"s\" s=\"2\" r=\"A1\"><v>0</v></c><c  r='B1' /><x:c t=\"n\"><v>5</v></x:c>"
                 "<c s = \"1\" r=\"D1\"><v >2.5</v ></c><c\tr=\"E1\" t=\"str\"><v>a&amp;b</v></c>"),
            expected);
}
