// The cells a model reads, as both calculations see them: a name used inside
// a sheet's own name is that sheet's, on every path (the objective, a
// right-hand side, the interpreter's load, the printed table, `corvan recalc
// --interpreter`); and after a run the interpreter computed, every cell the
// model reads (the objective, both sides of each constraint) is held against
// the workbook's value within the rounding of an operation, a cell counting
// as a random draw only when the workbook's own value changes when it
// recalculates it once more.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

class ModelCells : public ScratchTest {};

// Maximise the objective B9 over 0 <= B2 <= E2 and 0 <= C2 <= F2 (E2 = 2,
// F2 = 3 unless a row writes them), the plan's constraints left out.
Plan boxPlan(const std::string& objective) {
  Plan plan;
  plan.cell("B9", objective);
  plan.cell("E2", "2");
  plan.cell("F2", "3");
  plan.set("solver_lhs1", "Plan!$B$2:$C$2");
  plan.set("solver_rhs1", "Plan!$E$2:$F$2");
  plan.set("solver_lin", "0");
  return plan;
}

// Other's own names kk = kc*1 and kc = -1 beside the workbook's kc = 1: on
// Other's scope kk is -1, read on Plan's it would be 1.
Plan withOtherNames(Plan plan) {
  plan.set("Other!kk", "kc*1");
  plan.set("Other!kc", "-1");
  plan.set("kc", "1");
  return plan;
}

// Maximise B2 + C2 over B2, C2 <= 20 and B5 = B2 + C2 <= Other!lim, Other's
// own lim = 8 - 2*kc: 10 on Other's scope, 6 on Plan's.
Plan namedRightHandSide() {
  Plan plan = withOtherNames(boxPlan("=B2+C2"));
  plan.cell("E2", "20");
  plan.cell("F2", "20");
  plan.cell("B5", "=B2+C2");
  plan.set("Other!lim", "8-2*kc");
  plan.set("solver_num", "2");
  plan.set("solver_lhs2", "Plan!$B$5");
  plan.set("solver_rel2", "1");
  plan.set("solver_rhs2", "Other!lim");
  return plan;
}

// E2 is 5 in the workbook (POWER(0,0) is #NUM! there) and 3 in the
// interpreter (1 there), with a term that leaves its value as it is.
std::string rightHandSide(const std::string& term) { return "=5-IF(ISNUMBER(POWER(0*B2,0)),2,0)" + term; }

// Maximise B2 + C2 over B2 <= E2 (the formula above), C2 <= 10: 15 by the
// workbook, 13 by the interpreter.
Plan differingRightHandSide(const std::string& term) {
  Plan plan = boxPlan("=B2+C2");
  plan.cell("E2", rightHandSide(term));
  plan.cell("F2", "10");
  return plan;
}

// The same with B2's right-hand side an expression that reads E2.
Plan expressionRightHandSide() {
  Plan plan = differingRightHandSide("");
  plan.set("solver_lhs1", "Plan!$B$2");
  plan.set("solver_rhs1", "=Plan!$E$2*1");
  plan.set("solver_num", "2");
  plan.set("solver_lhs2", "Plan!$C$2");
  plan.set("solver_rel2", "1");
  plan.set("solver_rhs2", "Plan!$F$2");
  return plan;
}

// A workbook whose sheet Report reads Inputs' own name Rate, written with its
// sheet: 0.05 * 100 = 5.
std::string rateBook(const std::filesystem::path& path) {
  Workbook* wb = Wb_newWorkbook("rate.xlsx");
  Sheet* report = Wb_addSheet(wb, "Report");
  Sheet* inputs = Wb_addSheet(wb, "Inputs");
  Wb_setValue(wb, inputs, 0, 1, CellValue::makeNumber(0.05));
  Wb_defineName(wb, DefinedName{"Rate", "Inputs!$B$1", 1, false});
  Wb_setFormula(wb, report, 0, 0, "=Inputs!Rate*100");
  return saveBook(wb, path);
}

struct Case {
  const char* what;
  std::function<std::string(const std::filesystem::path&)> book;
  std::string arguments;  // after the command and the workbook
  int status;
  std::vector<std::string> said;
};

std::function<std::string(const std::filesystem::path&)> saved(const Plan& plan) {
  return [plan](const std::filesystem::path& path) { return plan.save(path); };
}

const std::string kNoSolution = "but the point the run ended at is no solution: the interpreter computes ";

}  // namespace

TEST_F(ModelCells, NamesAreReadInTheirOwnScopeAndEveryModelCellIsChecked) {
  const Plan named = withOtherNames(boxPlan("=B2*Other!kk+C2"));
  const Case cases[] = {
      {"name in name, objective, engine 1", saved(named), "--engine 1", 0, {"Total profit = 3.00"}},
      {"name in name, objective, engine 2", saved(named), "--engine 2", 0, {"Total profit = 3.00"}},
      {"name in name, objective, analysed", saved(named), "--engine 2 --option dia=2", 0, {"Total profit = 3.00"}},
      {"name in name, objective, engine 4", saved(named), "--engine 4", 0, {"Total profit = 3.00"}},
      {"name in name, objective, engine 5", saved(named), "--engine 5", 0, {"Total profit = 3.00"}},
      {"name in name, right-hand side",
       saved(namedRightHandSide()),
       "--engine 2",
       0,
       {"Total profit = 10.00", "Other!lim"}},
      {"right-hand side cell, engine 1",
       saved(differingRightHandSide("")),
       "--engine 1 --option dia=2",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"right-hand side cell, engine 2",
       saved(differingRightHandSide("")),
       "--engine 2 --option dia=2",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"right-hand side cell, engine 5",
       saved(differingRightHandSide("")),
       "--engine 5",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"a SUMIF of three arguments",
       saved(differingRightHandSide("+0*SUMIF(B3:C3,\">0\",B3:C3)")),
       "--engine 2 --option dia=2",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"right-hand side expression",
       saved(expressionRightHandSide()),
       "--engine 2 --option dia=2",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"a draw that counts for nothing",
       saved(differingRightHandSide("+0*RAND()")),
       "--engine 2 --option dia=2",
       1,
       {kNoSolution + "Plan!E2 as 3 where the workbook computes 5"}},
      {"the model's precision is no tolerance",
       saved(boxPlan("=B2+C2+IF(ISNUMBER(POWER(0*B2,0)),B2+C2,0)")),
       "--engine 2 --option dia=2 --option pre=0.5",
       1,
       {kNoSolution + "Plan!B9 as 10 where the workbook computes 5"}},
      {"recalc, a sheet's name with its sheet", rateBook, "--interpreter", 0, {"1 matching, 0 differing"}},
  };
  for (const Case& c : cases) {
    const std::string book = c.book(dir_ / (std::string(c.what).substr(0, 20) + ".xlsx"));
    const std::string command = c.arguments == "--interpreter" ? "recalc " : "solve ";
    CliRun r = corvan(command + "\"" + book + "\" " + c.arguments);
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.out;
    for (const std::string& text : c.said) EXPECT_TRUE(r.has(text)) << c.what << ": " << text << "\n" << r.out;
    EXPECT_FALSE(r.has("Undefined identifier")) << c.what << "\n" << r.out;
  }
}
