// Workbook files written by hand, part by part, to reach what the shared data
// does not: rich-text strings, prefixed elements, cells and rows without
// positions, absolute relationship targets, escaped characters, and cells the
// reader must refuse with the sheet and cell named.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "tests/support/ScratchTest.h"
#include "platform/xlsx/Xlsx.h"

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

void put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A zip archive whose members are stored uncompressed.
std::string storedZip(const Parts& parts) {
  std::string body, directory;
  for (const auto& [name, data] : parts) {
    std::uint32_t offset = static_cast<std::uint32_t>(body.size()), crc = crc32(data);
    std::uint32_t size = static_cast<std::uint32_t>(data.size()), nameLen = static_cast<std::uint32_t>(name.size());
    put(body, 0x04034b50, 4);
    put(body, 20, 2); put(body, 0, 2); put(body, 0, 2); put(body, 0, 2); put(body, 0x21, 2);
    put(body, crc, 4); put(body, size, 4); put(body, size, 4); put(body, nameLen, 2); put(body, 0, 2);
    body += name + data;
    put(directory, 0x02014b50, 4);
    put(directory, 20, 2); put(directory, 20, 2); put(directory, 0, 2); put(directory, 0, 2);
    put(directory, 0, 2); put(directory, 0x21, 2);
    put(directory, crc, 4); put(directory, size, 4); put(directory, size, 4); put(directory, nameLen, 2);
    put(directory, 0, 2); put(directory, 0, 2); put(directory, 0, 2); put(directory, 0, 2); put(directory, 0, 4);
    put(directory, offset, 4);
    directory += name;
  }
  std::string out = body + directory;
  put(out, 0x06054b50, 4);
  put(out, 0, 2); put(out, 0, 2);
  put(out, static_cast<std::uint32_t>(parts.size()), 2); put(out, static_cast<std::uint32_t>(parts.size()), 2);
  put(out, static_cast<std::uint32_t>(directory.size()), 4); put(out, static_cast<std::uint32_t>(body.size()), 4);
  put(out, 0, 2);
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

class XlsxCrafted : public ScratchTest {
 protected:

  fs::path write(const std::string& file, const Parts& parts) {
    fs::path path = dir_ / file;
    std::ofstream(path, std::ios::binary) << storedZip(parts);
    return path;
  }

  // The error of opening a one-sheet workbook with these rows ("" if it opens).
  std::string openError(const std::string& rows) {
    std::string error;
    fs::path path = write("bad.xlsx", oneSheet(rows));
    Workbook* wb = Xlsx_open(path.string(), &error);
    if (wb) { Wb_closeWorkbook(wb); return ""; }
    EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
    return error;
  }

};

CellValue valueAt(Workbook* wb, int row, int col) {
  const Cell* c = Wb_findCell(wb->sheets[0].get(), row, col);
  return c ? c->value : CellValue{};
}

}  // namespace

TEST_F(XlsxCrafted, StringsRowsAndPrefixedElements) {
  std::string error;
  fs::path path = write("good.xlsx", oneSheet(
      "<x:row><x:c t=\"s\"><x:v>0</x:v></x:c><x:c t=\"s\"><x:v>1</x:v></x:c><x:c t=\"s\"><x:v>2</x:v></x:c></x:row>"
      "<x:row r=\"3\"><x:c r=\"B3\" t=\"inlineStr\"><x:is><x:r><x:t>in</x:t></x:r><x:r><x:t xml:space=\"preserve\"> line</x:t></x:r></x:is></x:c>"
      "<x:c t=\"str\"><x:v> </x:v></x:c><x:c t=\"b\"><x:v>0</x:v></x:c><x:c t=\"e\"><x:v>#N/A</x:v></x:c>"
      "<x:c><x:v>-1.25E-3</x:v></x:c></x:row>"
      "<x:row><x:c r=\"A4\"><x:f>B3&amp;\"!\"</x:f><x:v></x:v></x:c></x:row>"));
  Workbook* wb = Xlsx_open(path.string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  EXPECT_EQ(valueAt(wb, 0, 0), CellValue::makeText("plain"));
  EXPECT_EQ(valueAt(wb, 0, 1), CellValue::makeText("rich text"));   // runs joined, phonetic text left out
  EXPECT_EQ(valueAt(wb, 0, 2), CellValue::makeText("line\rbreak"));
  EXPECT_EQ(valueAt(wb, 2, 1), CellValue::makeText("in line"));
  EXPECT_EQ(valueAt(wb, 2, 2), CellValue::makeText(" "));
  EXPECT_EQ(valueAt(wb, 2, 3), CellValue::makeBoolean(false));
  EXPECT_EQ(valueAt(wb, 2, 4), CellValue::makeError(CellError::NA));
  EXPECT_EQ(valueAt(wb, 2, 5), CellValue::makeNumber(-0.00125));
  EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 3, 0)->formula, "=B3&\"!\"");
  EXPECT_EQ(valueAt(wb, 3, 0).kind, CellKind::Empty);
  EXPECT_EQ(wb->sheets[0]->cells.size(), 9u);
}

TEST_F(XlsxCrafted, SharedFormulaAcrossColumnsAndRows) {
  std::string error;
  fs::path path = write("shared.xlsx", oneSheet(
      "<x:row r=\"2\"><x:c r=\"B2\"><x:f t=\"shared\" ref=\"B2:C3\" si=\"4\">A2+$A1+A$1+SUM(A1:A3)</x:f><x:v>1</x:v></x:c>"
      "<x:c r=\"C2\"><x:f t=\"shared\" si=\"4\"/></x:c></x:row>"
      "<x:row r=\"3\"><x:c r=\"C3\"><x:f t=\"shared\" si=\"4\"/></x:c></x:row>"));
  Workbook* wb = Xlsx_open(path.string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 1, 2)->formula, "=B2+$A1+B$1+SUM(B1:B3)");
  EXPECT_EQ(Wb_findCell(wb->sheets[0].get(), 2, 2)->formula, "=B3+$A2+B$1+SUM(B2:B4)");
}

TEST_F(XlsxCrafted, BadCellsAreNamedWithTheirSheetAndCell) {
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
    std::string error = openError(std::string("<x:row r=\"2\">") + c.row + "</x:row>");
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.row << " -> " << error;
  }
  EXPECT_NE(openError("<x:row r=\"0\"/>").find("bad row number"), std::string::npos);
  EXPECT_NE(openError("<x:row><x:c></x:row>").find("is not valid XML"), std::string::npos);
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

TEST_F(XlsxCrafted, PackagesThatAreNotWorkbooks) {
  std::string error;
  fs::path other = write("other.xlsx", {{"hello.txt", "hello"}});
  EXPECT_EQ(Xlsx_open(other.string(), &error), nullptr);
  EXPECT_NE(error.find("no workbook part"), std::string::npos) << error;
  Parts parts = oneSheet("");
  parts.pop_back();   // the sheet part itself
  fs::path noSheet = write("nosheet.xlsx", parts);
  EXPECT_EQ(Xlsx_open(noSheet.string(), &error), nullptr);
  EXPECT_NE(error.find("part 'xl/worksheets/s1.xml' is missing"), std::string::npos) << error;
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

TEST_F(XlsxCrafted, PartNotMatchingItsChecksumIsRefused) {
  std::string bytes = storedZip(oneSheet("<x:row r=\"1\"><x:c r=\"A1\"><x:v>5</x:v></x:c></x:row>"));
  size_t at = bytes.find("<x:v>5</x:v>");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 5] = '6';   // still a well-formed sheet, but not the one stored
  fs::path path = dir_ / "crc.xlsx";
  std::ofstream(path, std::ios::binary) << bytes;
  std::string error;
  EXPECT_EQ(Xlsx_open(path.string(), &error), nullptr);
  EXPECT_NE(error.find("part 'xl/worksheets/s1.xml' cannot be read"), std::string::npos) << error;
}
