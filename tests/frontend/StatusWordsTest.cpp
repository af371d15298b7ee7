// The interpreter's statuses reach the user in words: every status has its
// own, the library's lines carry them in place of its status texts, and a
// function the interpreter calculates without derivatives is named with its
// cell and the way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/Fe_Words.h"
#include "tests/frontend/CliFixture.h"
#include "tests/frontend/RawTexts.h"
#include "tests/support/ScratchTest.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"

namespace {

using StatusWords = ScratchTest;

}  // namespace

TEST(StatusWordsTable, EveryInterpreterStatusHasWordsOfItsOwnInEveryLineThatShowsIt) {
  for (int code = 0; code < kStatusCount; ++code) {
    SCOPED_TRACE(code);
    const std::string raw = Text_toUtf8(Vm_statusText(code));
    const std::string words = Fe_interpreterStatusWords(code);
    EXPECT_NE(words.find("(interpreter status " + std::to_string(code) + ")"), std::string::npos) << words;
    EXPECT_GT(words.find(" (interpreter"), 0u) << words;
    const std::string line = Fe_libraryLine("status " + std::to_string(code) + ": " + raw + " at Plan!$B$6 (DDB)");
    EXPECT_EQ(line, words + " at Plan!$B$6 (DDB)");
    expectNoRawText(words);
    expectNoRawText(line);
  }
  // A line that is not a status line, or whose text is not the status's, stays as it is.
  for (const std::string line : {"The model has cone constraints", "status 39: something else", "status 99: x !"})
    EXPECT_EQ(Fe_libraryLine(line), line);
}

// Under "solver_dia" 2 the interpreter evaluates the model's derivatives;
// these functions it calculates without them. The run names the function and
// its cell and says the default options solve it, which they do (the
// functions are multiplied by 0, so the plan's optimum 36 stands); nothing
// is written.
TEST_F(StatusWords, AFunctionWithoutDerivativesUnderDia2IsNamedWithItsCellAndTheWayOut) {
  struct Case {
    std::string function;
    std::vector<std::pair<std::string, std::string>> cells;
  };
  const Case cases[] = {
      {"DDB", {{"B6", "=2*C2+0*DDB(B2*50+1000,100,5,2)"}}},
      {"VDB", {{"B6", "=2*C2+0*VDB(B2*50+1000,100,5,0,1)"}}},
      {"RATE", {{"B6", "=2*C2+0*RATE(B2+5,-100,400)"}}},
      // Functions without a slope: the interpreter returns an error value
      // where the workbook's cell holds a number (interpreter status 40).
      {"ROUND", {{"B6", "=2*C2+0*ROUND(B2,0)"}}},
      {"MROUND", {{"B6", "=2*C2+0*MROUND(B2,2)"}}},
      {"INT", {{"B6", "=2*C2+0*INT(B2)"}}},
      {"FLOOR", {{"B6", "=2*C2+0*FLOOR(B2,1)"}}},
      {"YIELD", {{"B6", "=2*C2+0*YIELD(40000,42000,0.05,B2+95,100,2)"}}},
      {"ODDFYIELD", {{"B6", "=2*C2+0*ODDFYIELD(40000,43000,39900,40100,0.05,B2+95,100,2)"}}},
      {"AMORLINC", {{"B6", "=2*C2+0*AMORLINC(B2+1000,40000,40100,100,1,0.1)"}}},
      {"NETWORKDAYS", {{"B6", "=2*C2+0*NETWORKDAYS(B2+40000,40100)"}}},
      {"VLOOKUP", {{"E1", "0"}, {"F1", "2"}, {"E2", "3"}, {"F2", "4"}, {"B6", "=2*C2+0*VLOOKUP(B2,E1:F2,2)"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    Plan plan;
    for (const auto& [at, value] : c.cells) plan.cell(at, value);
    const std::string book = plan.save(dir_ / (c.function + ".xlsx"));
    const std::string out = (dir_ / (c.function + "-out.xlsx")).string();
    CliRun r = corvan("solve " + book + " --option dia=2 --quiet --out " + out);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(
        r.has("status 21: coefficients or derivatives could not be obtained: \"solver_dia\" 2 or more "
              "evaluates the model in the interpreter, and the model uses " +
              c.function +
              " (in Plan!B6), which the interpreter calculates but cannot differentiate; the default "
              "options solve it through the workbook"))
        << r.out;
    expectNoRawText(r.out);
    EXPECT_FALSE(r.has("could not be evaluated")) << r.out;  // the status line says it, once
    EXPECT_FALSE(std::filesystem::exists(out));
    CliRun solved = corvan("solve " + book + " --quiet");
    EXPECT_EQ(solved.status, 0) << solved.out;
    EXPECT_TRUE(solved.has("objective (maximise) Plan!B9 Total profit = 36.00")) << solved.out;
  }
}
