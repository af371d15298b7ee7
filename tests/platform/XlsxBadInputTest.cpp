// Files that are not readable workbooks: missing, not a zip archive, cut
// short, damaged inside. Each gives a one-line error naming the file, no
// workbook, and leaves the application as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/ScratchTest.h"
#include "platform/xlsx/Xlsx.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = CORVAN_DATA;

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A copy of a real workbook with the middle of the archive, where compressed
// sheet data lies, overwritten: the directory is intact but a part fails to
// inflate or to match its checksum.
std::string damagedWorkbook() {
  std::string bytes = readBytes(kData + "/lp/vpm1.xlsx");
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  return bytes;
}

class XlsxBadInput : public ScratchTest {
 protected:

  // Opening must fail with a message that names the file.
  std::string expectRefused(const fs::path& path) {
    std::string error;
    Workbook* wb = Xlsx_open(path.string(), &error);
    EXPECT_EQ(wb, nullptr) << path;
    EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
  }

};

}  // namespace

TEST_F(XlsxBadInput, MissingFile) {
  std::string error = expectRefused(dir_ / "nowhere.xlsx");
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;
  error = expectRefused(dir_);
  EXPECT_NE(error.find("is not a file"), std::string::npos) << error;
}

TEST_F(XlsxBadInput, TextFileNamedXlsx) {
  writeBytes(dir_ / "notes.xlsx", "These are just notes, not a workbook.\n");
  std::string error = expectRefused(dir_ / "notes.xlsx");
  EXPECT_NE(error.find("not a zip archive"), std::string::npos) << error;
  writeBytes(dir_ / "empty.xlsx", "");
  expectRefused(dir_ / "empty.xlsx");
}

TEST_F(XlsxBadInput, TruncatedWorkbooksAreRefusedAtEveryLength) {
  std::string bytes = readBytes(kData + "/lp/vpm1.xlsx");
  ASSERT_GT(bytes.size(), 100000u);
  for (size_t length : {size_t{10}, size_t{100}, size_t{1000}, bytes.size() / 3, bytes.size() / 2,
                        bytes.size() - 1000, bytes.size() - 22, bytes.size() - 1}) {
    fs::path cut = dir_ / ("cut" + std::to_string(length) + ".xlsx");
    writeBytes(cut, bytes.substr(0, length));
    expectRefused(cut);
  }
}

TEST_F(XlsxBadInput, DamagedPartIsRefused) {
  writeBytes(dir_ / "damaged.xlsx", damagedWorkbook());
  std::string error = expectRefused(dir_ / "damaged.xlsx");
  EXPECT_NE(error.find("part"), std::string::npos) << error;
}

TEST_F(XlsxBadInput, FailedOpenLeavesTheApplicationAsItWas) {
  Workbook* first = Wb_newWorkbook("Book1");
  Workbook* second = Wb_newWorkbook("Book2");
  Wb_app().activeWorkbook = 0;
  writeBytes(dir_ / "damaged.xlsx", damagedWorkbook());
  expectRefused(dir_ / "damaged.xlsx");
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
  error = expectRefused(dir_ / "twins.xlsx");
  EXPECT_NE(error.find("'DATA'"), std::string::npos) << error;

  Workbook* scoped = Wb_newWorkbook("scoped");
  Wb_addSheet(scoped, "Only");
  Wb_defineName(scoped, DefinedName{"Lost", "1", 3, false});
  ASSERT_TRUE(Xlsx_save(scoped, (dir_ / "scoped.xlsx").string(), &error)) << error;
  error = expectRefused(dir_ / "scoped.xlsx");
  EXPECT_NE(error.find("'Lost'"), std::string::npos) << error;
}

TEST_F(XlsxBadInput, FormulaTheCalculationCannotReadNamesItsCell) {
  std::string error;
  Workbook* wb = Wb_newWorkbook("broken");
  Sheet* sh = Wb_addSheet(wb, "Sums");
  Wb_setFormula(wb, sh, 0, 0, "=1+2");
  Wb_setFormula(wb, sh, 4, 2, "=SUM(A1,");
  ASSERT_TRUE(Xlsx_save(wb, (dir_ / "broken.xlsx").string(), &error)) << error;
  Wb_resetApp();
  error = expectRefused(dir_ / "broken.xlsx");
  EXPECT_NE(error.find("sheet 'Sums' cell C5"), std::string::npos) << error;
  EXPECT_NE(error.find("=SUM(A1,"), std::string::npos) << error;
  EXPECT_TRUE(Wb_app().workbooks.empty());
}
