// The `corvan` command as a user runs it: exit statuses, one-line errors for
// bad input, and the first result line of a solve.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/wait.h>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;   // standard output and standard error together
};

CliRun corvan(const std::string& args) {
  std::string cmd = std::string(CORVAN_OUT) + "/corvan " + args + " 2>&1 </dev/null";
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string data(const std::string& rel) { return std::string(CORVAN_DATA) + "/" + rel; }

int lineCount(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

// A workbook a spreadsheet program saved (tests/platform/fixtures, made by its
// make-fixtures script).
std::string fixture(const std::string& name) {
  return (std::filesystem::path(__FILE__).parent_path().parent_path() / "platform" / "fixtures" / name).string();
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(CommandLine, BadUsageIsOneLineAndStatusTwo) {
  for (const std::string& args : std::vector<std::string>{"frobnicate x.xlsx",
                                 "solve " + data("lp/afiro.xlsx") + " --bogus 1",
                                 "solve " + data("lp/afiro.xlsx") + " --engine x",
                                 "solve " + data("lp/afiro.xlsx") + " --on-limit maybe",
                                 std::string("solve /no/such/book.xlsx"),
                                 "solve " + data("lp/afiro.xlsx") + " --sheet Nowhere",
                                 "solve " + data("lp/optima.csv")}) {
    CliRun r = corvan(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    EXPECT_NE(r.out.find("corvan:"), std::string::npos) << args;
  }
  CliRun r = corvan("solve /no/such/book.xlsx");
  EXPECT_EQ(lineCount(r.out), 1) << r.out;
  EXPECT_NE(r.out.find("/no/such/book.xlsx"), std::string::npos);
}

TEST(CommandLine, NoArgumentsShowsUsage) {
  CliRun r = corvan("");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("usage: corvan"), std::string::npos);
}

TEST(CommandLine, SolveReportsTheLibrarysStatusFirst) {
  CliRun r = corvan("solve " + data("lp/afiro.xlsx"));
  ASSERT_EQ(r.status, 0) << r.out;
  size_t at = r.out.find("status ");
  ASSERT_NE(at, std::string::npos) << r.out;
  int status = -999;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "status %d:", &status), 1);
  EXPECT_NE(r.out.find("Model!F5 = "), std::string::npos) << r.out;
}

// The saved file goes into a folder of the test's own: several test
// programs may run this at once.
using CommandLineFiles = ScratchTest;

TEST_F(CommandLineFiles, SolveSavesTheWorkbookWhenAsked) {
  auto out = dir_ / "solved.xlsx";
  CliRun r = corvan("solve " + data("nlp/hs1.xlsx") + " --out " + out.string());
  ASSERT_EQ(r.status, 0) << r.out;
  std::string error;
  Workbook* wb = Xlsx_open(out.string(), &error);
  ASSERT_NE(wb, nullptr) << error;
  EXPECT_GE(Wb_sheetIndex(wb, "Model"), 0);
}

TEST(CommandLine, EnginesListsWhatTheLibraryWrote) {
  CliRun r = corvan("engines " + data("lp/afiro.xlsx"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("engine list: result "), std::string::npos) << r.out;
}

// Every formula form recalculates to the values the file stores, blank
// constraint cells read as 0, and a cell the stand-in cannot read is named
// once, with the model's dependence on it.
TEST(RealWorkbooks, RecalculateToTheirStoredValues) {
  for (const char* name : {"forms.xlsx", "blanks.xlsx"}) {
    CliRun r = corvan("recalc " + fixture(name));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find(" 0 matching"), std::string::npos) << r.out;
  }
}

TEST(RealWorkbooks, SolveWithBlanksAsZeroAndNameTheUnreadableCellOnce) {
  struct Case { const char* name; const char* objective; };
  for (const Case& c : {Case{"forms.xlsx", "objective: 12\n"}, Case{"blanks.xlsx", "objective: 3\n"}}) {
    CliRun r = corvan("solve " + fixture(c.name));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("status 0:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(c.objective), std::string::npos) << r.out;
  }
  CliRun r = corvan("solve " + fixture("forms.xlsx"));
  EXPECT_EQ(occurrences(r.out, "cell B2"), 1) << r.out;
  EXPECT_NE(r.out.find("sheet 'Helper' cell B2: =SUM(Data!A1:INDEX(Data!A1:A3,3)) cannot be read"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("the model depends on it"), std::string::npos) << r.out;
}
