// Names and sheets spelled with letters beyond ASCII (`Kapazität`, `Größe`,
// a sheet `Übersicht Ω`) read as any other: the two-product plan that uses
// them solves to its hand-worked optimum, 36 at x = 2, y = 6, through the
// workbook's calculation and the interpreter's, in cells, right-hand sides
// and imported markers; a formula that does not read prints whole
// characters in its message.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/AddinBooks.h"
#include "tests/support/ScratchTest.h"

namespace {

using ScriptNames = ScratchTest;

constexpr double kOptimum = 36.0;
constexpr double kTolerance = 1e-6;

const std::string kSheet = "Übersicht Ω";
const std::string kQuoted = "'Übersicht Ω'!";

// maximise 3x + 5y subject to x <= 4, 2y <= 12, 3x + 2y <= 18 on the sheet
// kSheet: the variables are B2:C2, which the workbook name `Größe` covers,
// and the capacity 18 of the last row sits in D7, the workbook name
// `Kapazität`. `rhs` is the right-hand side of that row as the model
// stores it, and `c7` the cell C7.
std::string savePlan(const std::filesystem::path& path, const std::string& rhs, const std::string& c7) {
  Workbook* wb = Wb_newWorkbook("plan.xlsx");
  Sheet* sh = Wb_addSheet(wb, kSheet);
  const std::vector<std::pair<std::string, std::string>> cells = {
      {"B2", ""},           {"C2", ""},  {"B3", "3"},     {"C3", "5"},
      {"B5", "=B2"},        {"C5", "4"}, {"B6", "=2*C2"}, {"C6", "12"},
      {"B7", "=3*B2+2*C2"}, {"C7", c7},  {"D7", "18"},    {"B9", "=SUMPRODUCT(größe,B3:C3)"}};
  for (const auto& [at, value] : cells) {
    int row = 0, col = 0;
    Wb_parseA1(at, &row, &col);
    if (value.empty()) Wb_setValue(wb, sh, row, col, CellValue::makeNumber(0));
    else if (value[0] == '=') Wb_setFormula(wb, sh, row, col, value);
    else Wb_setValue(wb, sh, row, col, CellValue::makeNumber(std::stod(value)));
  }
  Wb_defineName(wb, DefinedName{"Kapazität", kQuoted + "$D$7", -1, false});
  Wb_defineName(wb, DefinedName{"Größe", kQuoted + "$B$2:$C$2", -1, false});
  const std::vector<std::pair<std::string, std::string>> model = {{"solver_opt", kQuoted + "$B$9"},
                                                                  {"solver_typ", "1"},
                                                                  {"solver_adj", kQuoted + "$B$2:$C$2"},
                                                                  {"solver_num", "2"},
                                                                  {"solver_lhs1", kQuoted + "$B$5:$B$6"},
                                                                  {"solver_rel1", "1"},
                                                                  {"solver_rhs1", kQuoted + "$C$5:$C$6"},
                                                                  {"solver_lhs2", kQuoted + "$B$7"},
                                                                  {"solver_rel2", "1"},
                                                                  {"solver_rhs2", rhs},
                                                                  {"solver_lin", "1"},
                                                                  {"solver_neg", "1"},
                                                                  {"solver_eng", "2"}};
  for (const auto& [name, value] : model) Wb_defineName(wb, DefinedName{name, value, 0, true});
  return saveBook(wb, path);
}

TEST_F(ScriptNames, PlanSolvesToItsOptimum) {
  struct Case {
    const char* what;
    std::string rhs, c7, options;
  };
  const Case cases[] = {
      {"name in a cell", kQuoted + "$C$7", "=Kapazität", ""},
      {"name in a cell, analysed", kQuoted + "$C$7", "=KAPAZITÄT", "--option dia=2"},
      {"name in a cell, barrier engine", kQuoted + "$C$7", "=kapazität", "--engine 5"},
      {"sheet and name in a cell", kQuoted + "$C$7", "=" + kQuoted + "D7+0*Kapazität", "--option dia=2"},
      {"name as right-hand side", "Kapazität", "0", ""},
      {"name as right-hand side, analysed", "KAPAZITÄT", "0", "--option dia=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string book = savePlan(dir_ / "plan.xlsx", c.rhs, c.c7);
    const CliRun r = corvan("solve " + book + " " + c.options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NEAR(Cli_objective(r.out), kOptimum, kTolerance) << r.out;
    EXPECT_FALSE(r.has("#NAME?")) << r.out;
  }
}

// The plan in another add-in's markers, its capacity and objective given by
// names of other scripts: the objective reads the variables through `Größe`,
// the last row's marker names its capacity `Kapazität`.
TEST_F(ScriptNames, MarkersImportReadsThem) {
  AddinBook b = addinPlan();
  for (auto& [at, value] : b.cells)
    if (at == "B9") value = "=SUMPRODUCT(Größe,{3,5})";
    else if (at == "D7") value = "=wb(B7, \"<=\", Kapazität)";
  b.cells.push_back({"E7", "18"});
  b.names.push_back({"Kapazität", "Plan!$E$7"});
  b.names.push_back({"Größe", "Plan!$B$2:$C$2"});
  const CliRun r = corvan("solve " + b.save(dir_ / "markers.xlsx") + " --import markers");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NEAR(Cli_objective(r.out), kOptimum, kTolerance) << r.out;
}

// A character a formula cannot hold is printed whole, never half a UTF-8
// sequence.
TEST_F(ScriptNames, MessagesPrintWholeCharacters) {
  const std::string book = savePlan(dir_ / "plan.xlsx", kQuoted + "$C$7", "=18+1×2");
  const CliRun r = corvan("recalc " + book);
  EXPECT_TRUE(r.has("'×'")) << r.out;
  EXPECT_FALSE(r.has("'\xC3'")) << r.out;
}

}  // namespace
