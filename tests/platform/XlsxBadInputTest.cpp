// Files that are not readable workbooks (missing, not a zip archive, cut
// short, damaged or tampered inside, cells the reader cannot take), each
// refused with a one-line error naming the file, leaving the application as
// it was; and workbook files written by hand, part by part, to reach what the
// shared data does not (rich-text strings, prefixed elements, cells without
// positions, absolute relationship targets, escaped characters).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

std::uint32_t crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Appends each value little-endian in its number of bytes.
void put(std::string& out, std::initializer_list<std::pair<std::uint32_t, int>> fields) {
  for (const auto& [value, bytes] : fields)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A zip archive whose members are stored uncompressed.
std::string storedZip(const Parts& parts) {
  std::string body, directory;
  for (const auto& [name, data] : parts) {
    std::uint32_t offset = body.size(), crc = crc32(data), size = data.size(), nameLen = name.size();
    put(body, {{0x04034b50, 4}, {20, 2}, {0, 2}, {0, 2}, {0, 2}, {0x21, 2}, {crc, 4}, {size, 4}, {size, 4},
               {nameLen, 2}, {0, 2}});
    body += name + data;
    put(directory, {{0x02014b50, 4}, {20, 2}, {20, 2}, {0, 2}, {0, 2}, {0, 2}, {0x21, 2}, {crc, 4}, {size, 4},
                    {size, 4}, {nameLen, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 4}, {offset, 4}});
    directory += name;
  }
  std::string out = body + directory;
  std::uint32_t count = parts.size(), dirSize = directory.size(), bodySize = body.size();
  put(out, {{0x06054b50, 4}, {0, 2}, {0, 2}, {count, 2}, {count, 2}, {dirSize, 4}, {bodySize, 4}, {0, 2}});
  return out;
}

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

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class XlsxBadInput : public ScratchTest {
 protected:
  fs::path write(const std::string& file, const std::string& bytes) {
    std::ofstream(dir_ / file, std::ios::binary) << bytes;
    return dir_ / file;
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

CellValue valueAt(Workbook* wb, int row, int col) {
  const Cell* c = Wb_findCell(wb->sheets[0].get(), row, col);
  return c ? c->value : CellValue{};
}

}  // namespace

TEST_F(XlsxBadInput, UnreadableFilesAreRefusedAndLeaveTheApplicationAsItWas) {
  Workbook* first = Wb_newWorkbook("Book1");
  Workbook* second = Wb_newWorkbook("Book2");
  Wb_app().activeWorkbook = 0;
  std::string vpm1 = readBytes(CORVAN_DATA "/lp/vpm1.xlsx");
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
  const std::pair<fs::path, std::string> cases[] = {
      {dir_ / "nowhere.xlsx", "no such file"}, {dir_, "is not a file"},
      {write("notes.xlsx", "These are just notes, not a workbook.\n"), "not a zip archive"},
      {write("empty.xlsx", ""), ""}, {write("damaged.xlsx", damaged), "part"},
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
  std::string error;
  Workbook* twins = Wb_newWorkbook("twins");
  Wb_addSheet(twins, "Data");
  Wb_addSheet(twins, "DATA");
  ASSERT_TRUE(Xlsx_save(twins, (dir_ / "twins.xlsx").string(), &error)) << error;
  EXPECT_NE(refusal(dir_ / "twins.xlsx").find("'DATA'"), std::string::npos);
  Workbook* scoped = Wb_newWorkbook("scoped");
  Wb_addSheet(scoped, "Only");
  Wb_defineName(scoped, DefinedName{"Lost", "1", 3, false});
  ASSERT_TRUE(Xlsx_save(scoped, (dir_ / "scoped.xlsx").string(), &error)) << error;
  EXPECT_NE(refusal(dir_ / "scoped.xlsx").find("'Lost'"), std::string::npos);
  // A formula the calculation cannot read names its cell.
  Workbook* wb = Wb_newWorkbook("broken");
  Sheet* sh = Wb_addSheet(wb, "Sums");
  Wb_setFormula(wb, sh, 4, 2, "=SUM(A1,");
  ASSERT_TRUE(Xlsx_save(wb, (dir_ / "broken.xlsx").string(), &error)) << error;
  Wb_resetApp();
  EXPECT_NE(refusal(dir_ / "broken.xlsx").find("sheet 'Sums' cell C5: formula '=SUM(A1,' cannot be read"),
            std::string::npos);
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

TEST_F(XlsxBadInput, BadCellsAreNamedWithTheirSheetAndCell) {
  struct Case { const char* row; const char* expected; };
  const Case cases[] = {
    {"<x:c r=\"B2\"><x:v>12abc</x:v></x:c>", "sheet 'S' cell B2: unreadable number '12abc'"},
    {"<x:c r=\"B2\"><x:v>inf</x:v></x:c>", "sheet 'S' cell B2: unreadable number 'inf'"},
    {"<x:c r=\"B2\" t=\"e\"><x:v>#SPILL!</x:v></x:c>", "sheet 'S' cell B2: unknown error value '#SPILL!'"},
    {"<x:c r=\"B2\" t=\"s\"><x:v>3</x:v></x:c>", "sheet 'S' cell B2: bad shared string index '3'"},
    {"<x:c r=\"B2\" t=\"b\"><x:v>yes</x:v></x:c>", "sheet 'S' cell B2: unreadable boolean 'yes'"},
    {"<x:c r=\"B2\" t=\"d\"><x:v>2024-01-01</x:v></x:c>", "sheet 'S' cell B2: cell type 'd' is not supported"},
    {"<x:c r=\"B2\"><x:f t=\"shared\" si=\"9\"/></x:c>", "sheet 'S' cell B2: shared formula 9 is used before"},
    {"<x:c r=\"B2\"><x:f t=\"array\" ref=\"A1:C3\">1</x:f></x:c>", "sheet 'S' cell B2: array formula has a bad block"},
    {"<x:c r=\"B2\"><x:f>SUM(1,</x:f></x:c>", "sheet 'S' cell B2: formula '=SUM(1,' cannot be read"},
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

TEST_F(XlsxBadInput, HandWrittenPartsAreRead) {
  std::string error;
  fs::path path = write("good.xlsx", storedZip(oneSheet(
      "<x:row><x:c t=\"s\"><x:v>0</x:v></x:c><x:c t=\"s\"><x:v>1</x:v></x:c><x:c t=\"s\"><x:v>2</x:v></x:c></x:row>"
      "<x:row r=\"3\"><x:c r=\"B3\" t=\"inlineStr\"><x:is><x:r><x:t>in</x:t></x:r><x:r><x:t xml:space=\"preserve\"> line</x:t></x:r></x:is></x:c>"
      "<x:c t=\"str\"><x:v> </x:v></x:c><x:c t=\"b\"><x:v>0</x:v></x:c><x:c t=\"e\"><x:v>#N/A</x:v></x:c>"
      "<x:c><x:v>-1.25E-3</x:v></x:c></x:row>"
      "<x:row><x:c r=\"A4\"><x:f>B3&amp;\"!\"</x:f><x:v></x:v></x:c></x:row>")));
  Workbook* wb = Xlsx_open(path.string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  struct Case { int row, col; CellValue value; };
  const Case cases[] = {
      {0, 0, CellValue::makeText("plain")},
      {0, 1, CellValue::makeText("rich text")},   // runs joined, phonetic text left out
      {0, 2, CellValue::makeText("line\rbreak")}, {2, 1, CellValue::makeText("in line")},
      {2, 2, CellValue::makeText(" ")}, {2, 3, CellValue::makeBoolean(false)},
      {2, 4, CellValue::makeError(CellError::NA)}, {2, 5, CellValue::makeNumber(-0.00125)}, {3, 0, CellValue{}},
  };
  for (const Case& c : cases) EXPECT_EQ(valueAt(wb, c.row, c.col), c.value) << Wb_a1(c.row, c.col);
  EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 3, 0)->formula, "=B3&\"!\"");
  EXPECT_EQ(wb->sheets[0]->cells.size(), 9u);
}
