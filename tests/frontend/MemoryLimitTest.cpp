// `corvan` under an address-space limit, as batch systems and hosts that do
// not overcommit set one: on a workbook of 100,000 rows each command ends
// either with its normal result or with one line naming the workbook and
// saying that memory ran out, never with an abort; a solve's --out file is
// written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

#if defined(__SANITIZE_ADDRESS__)
#define CORVAN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVAN_ASAN 1
#endif
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 100000;
// Limits in MiB from below what reading the workbook needs to above what
// every command needs.
constexpr int kLimits[] = {40, 96, 160, 200, 256, 320, 400, 1024};
const std::string kUntouched = "the earlier content of the --out file";

// Rows of a text, a number and twice the number; a model whose variable is
// B1, bounded by 10, with objective C1 = 2 * B1 maximised.
std::string writeLargeBook(const fs::path& path) {
  Workbook* wb = Wb_newWorkbook("large.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Data");
  for (int r = 0; r < kRows; ++r) {
    Wb_setValue(wb, sh, r, 0, CellValue::makeText("item " + std::to_string(r + 1)));
    Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(r + 1));
    Wb_setFormula(wb, sh, r, 2, "=B" + std::to_string(r + 1) + "*2");
  }
  const std::pair<const char*, const char*> names[] = {
      {"solver_opt", "Data!$C$1"},   {"solver_typ", "1"},           {"solver_adj", "Data!$B$1"},
      {"solver_num", "1"},           {"solver_lhs1", "Data!$B$1"}, {"solver_rel1", "1"},
      {"solver_rhs1", "10"},         {"solver_lin", "1"},           {"solver_eng", "2"}};
  for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, 0, true});
  return saveBook(wb, path);
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The command under the limit: it ends with an exit status, not a signal,
// and with its normal result or the memory message naming the workbook.
CliRun limited(int mebibytes, const std::string& args) {
  return corvan(args, "ulimit -v " + std::to_string(mebibytes * 1024) + ";");
}

bool saysOutOfMemory(const CliRun& r, const std::string& book, int status) {
  return r.status == status && r.has("corvan: " + book + ": out of memory while ");
}

using MemoryLimit = ScratchTest;

TEST_F(MemoryLimit, EveryCommandEndsWithItsResultOrSaysMemoryRanOut) {
#ifdef CORVAN_ASAN
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit here leaves";
#endif
  const std::string book = writeLargeBook(dir_ / "large.xlsx");
  const fs::path out = dir_ / "solved.xlsx";
  int outcomes[2] = {0, 0};   // runs that gave their result, runs that ran out of memory
  for (int limit : kLimits) {
    SCOPED_TRACE("limit " + std::to_string(limit) + " MiB");
    CliRun r = limited(limit, "recalc " + book);
    bool normal = r.status == 0 && r.has("Data: 100000 formula cells checked, 100000 matching, 0 differing");
    EXPECT_TRUE(normal || saysOutOfMemory(r, book, 2)) << r.status << ": " << r.out;
    ++outcomes[!normal];

    // The interpreter's sheets end at row 65536: the rest are named, not computed.
    r = limited(limit, "recalc --interpreter " + book);
    normal = r.status == 1 && r.has("Data: 65535 formula cells checked, 65535 matching, 0 differing") &&
             r.has("34465 formula cells not computed by the interpreter");
    EXPECT_TRUE(normal || saysOutOfMemory(r, book, 2)) << r.status << ": " << r.out;
    ++outcomes[!normal];

    std::ofstream(out, std::ios::binary) << kUntouched;
    r = limited(limit, "solve " + book + " --quiet --out " + out.string());
    normal = r.status == 0 && r.has("objective (maximise) Data!C1") && r.has("= 20");
    const bool ranOut = saysOutOfMemory(r, book, 2) || saysOutOfMemory(r, book, 1);
    EXPECT_TRUE(normal || ranOut) << r.status << ": " << r.out;
    ++outcomes[!normal];
    if (!normal) {
      EXPECT_EQ(contents(out), kUntouched);
      continue;
    }
    std::string error;
    Workbook* solved = Xlsx_open(out.string(), &error);
    ASSERT_NE(solved, nullptr) << error;
    const Cell* variable = Wb_findCell(solved->sheets[0].get(), 0, 1);
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(variable->value, CellValue::makeNumber(10));
    Wb_closeWorkbook(solved);
  }
  // The limits reach from too little for any command to enough for all.
  EXPECT_GT(outcomes[0], 0);
  EXPECT_GT(outcomes[1], 0);
}

// A model that the interpreter loads whole: variables A1:A2 in [0, 10],
// 30,000 rows of =$A$1+2*$A$2 and their sum maximised, at A1 = A2 = 10:
// 30,000 * 30 = 900000.
constexpr int kSummedRows = 30000;

std::string writeSummedBook(const fs::path& path) {
  Workbook* wb = Wb_newWorkbook("summed.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Sum");
  for (int r = 0; r < kSummedRows; ++r) Wb_setFormula(wb, sh, r, 2, "=$A$1+2*$A$2");
  Wb_setFormula(wb, sh, 2, 1, "=SUM(C1:C" + std::to_string(kSummedRows) + ")");
  const std::pair<const char*, const char*> names[] = {
      {"solver_opt", "Sum!$B$3"},   {"solver_typ", "1"},          {"solver_adj", "Sum!$A$1:$A$2"},
      {"solver_num", "2"},          {"solver_lhs1", "Sum!$A$1:$A$2"}, {"solver_rel1", "1"},
      {"solver_rhs1", "10"},        {"solver_lhs2", "Sum!$A$1:$A$2"}, {"solver_rel2", "3"},
      {"solver_rhs2", "0"}};
  for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, 0, true});
  return saveBook(wb, path);
}

// Memory that runs out inside the library's run, in the interpreter's load
// of the model that the interval and SOCP engines (and any engine with
// --option dia=2) work on, or in the engines themselves: every engine's run
// ends with its result or with the line saying so, never an internal
// failure or an abort. Limits in MiB from below what the library's load
// needs, through the model's load, to enough for every engine.
TEST_F(MemoryLimit, EveryEngineSaysMemoryRanOutInWords) {
#ifdef CORVAN_ASAN
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit here leaves";
#endif
  const std::string book = writeSummedBook(dir_ / "summed.xlsx");
  constexpr int kEngineLimits[] = {84, 90, 96, 102, 108, 114, 120, 128, 144, 192, 256, 1024};
  const char* const engines[] = {"--engine 4", "--engine 5", "--engine 2 --option dia=2"};
  for (const char* engine : engines) {
    int outcomes[2] = {0, 0};   // runs that gave their result, runs that ran out of memory
    for (int limit : kEngineLimits) {
      SCOPED_TRACE(std::string(engine) + " under " + std::to_string(limit) + " MiB");
      const CliRun r = limited(limit, "solve " + book + " --quiet " + engine);
      const bool normal = r.status == 0 && r.has("status 0: solved") && r.has("= 900000\n");
      EXPECT_TRUE(normal || saysOutOfMemory(r, book, 2) || saysOutOfMemory(r, book, 1)) << r.status << ": " << r.out;
      EXPECT_FALSE(r.has("status 999")) << r.out;
      ++outcomes[!normal];
    }
    EXPECT_GT(outcomes[0], 0) << engine;
    EXPECT_GT(outcomes[1], 0) << engine;
  }
}

}  // namespace
