// Workbooks a spreadsheet program saved (tests/platform/fixtures, made by
// its make-fixtures script): every formula form recalculates to the values
// the file stores, blank constraint cells read as 0, and a cell the stand-in
// cannot read is named once, with the model's dependence on it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun corvan(const std::string& args) {
  std::string cmd = std::string(CORVAN_SOLVE_OUT) + "/corvan " + args + " 2>&1 </dev/null";
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

std::string fixture(const std::string& name) {
  return (std::filesystem::path(__FILE__).parent_path().parent_path() / "platform" / "fixtures" / name).string();
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(RealWorkbooks, RecalculateToTheirStoredValues) {
  for (const char* name : {"forms.xlsx", "blanks.xlsx"}) {
    CliRun r = corvan("recalc " + fixture(name));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find(" 0 matching"), std::string::npos) << r.out;
  }
}

TEST(RealWorkbooks, SolveWithBlanksAsZeroAndNameTheUnreadableCellOnce) {
  struct Case { const char* name; const char* objective; };
  for (const Case& c : {Case{"forms.xlsx", " = 12\n"}, Case{"blanks.xlsx", " = 3\n"}}) {
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
