// Every failure said in words: a model past an engine's size, a function
// this system does not calculate, an error value traced to its cause (a
// circular reference, a sheet that is gone, the start values), a defined
// name that is missing, a limit that stops the compile, an --out folder that
// cannot take the file, and an integer search stopped short of its proof.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/frontend/RawTexts.h"
#include "tests/support/ScratchTest.h"

namespace {

using FailureWords = ScratchTest;

// The lines of an output, without their newlines.
std::vector<std::string> linesOf(const std::string& out) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < out.size();) {
    const size_t end = std::min(out.find('\n', at), out.size());
    lines.push_back(out.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The line of the output that starts with `start`; "" when none does.
std::string lineStarting(const std::string& out, const std::string& start) {
  for (const std::string& line : linesOf(out))
    if (line.rfind(start, 0) == 0) return line;
  return "";
}

// The status line and the lines about the model of sheet 'Plan' of `book`,
// each ending with a newline.
std::string saidLines(const std::string& out, const std::string& book) {
  std::string said;
  for (const std::string& line : linesOf(out))
    if (line.rfind("status ", 0) == 0 || line.rfind("corvan: " + book + ": sheet 'Plan': ", 0) == 0) said += line + "\n";
  return said;
}

// A message line ("corvan: ...") that the output holds more than once; ""
// when none is.
std::string repeatedLine(const std::string& out) {
  std::set<std::string> seen;
  for (const std::string& line : linesOf(out))
    if (line.rfind("corvan: ", 0) == 0 && !seen.insert(line).second) return line;
  return "";
}

// A one-sheet workbook "Big" whose model minimises the sum of squares of
// `n` variable cells A1:A<n> (a quadratic model) on engine `engine`.
std::string sumOfSquares(const std::filesystem::path& path, int n, int engine) {
  Workbook* wb = Wb_newWorkbook("big.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Big");
  for (int r = 0; r < n; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(1));
  const std::string cells = "A1:A" + std::to_string(n);
  Wb_setFormula(wb, sh, 0, 2, "=SUMPRODUCT(" + cells + "," + cells + ")");
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::string>>{{"solver_opt", "Big!$C$1"},
                                                        {"solver_typ", "2"},
                                                        {"solver_adj", "Big!$A$1:$A$" + std::to_string(n)},
                                                        {"solver_num", "0"},
                                                        {"solver_eng", std::to_string(engine)}})
    Wb_defineName(wb, DefinedName{name, value, 0, true});
  return saveBook(wb, path);
}

}  // namespace

// GRG takes 500 variable cells; the LP/quadratic and SOCP engines 2,000.
// The refusal says the file, the count against the limit and the engines
// that take the model; engine 2 then solves it (all cells 0).
TEST_F(FailureWords, AModelPastAnEnginesSizeNamesTheCountTheLimitAndTheEnginesThatTakeIt) {
  const std::string book = sumOfSquares(dir_ / "big.xlsx", 600, 1);
  CliRun r = corvan("solve " + book);
  EXPECT_EQ(r.status, 1) << r.out;
  const std::string line = lineStarting(r.out, "corvan: " + book + ": sheet 'Big': ");
  EXPECT_NE(line.find("the model has 600 variable cells, more than the 500 that the engine \"Standard GRG Nonlinear\" "
                      "takes"),
            std::string::npos)
      << r.out;
  EXPECT_NE(line.find("2 \"Standard LP/Quadratic\" (up to 2000)"), std::string::npos) << r.out;
  EXPECT_EQ(line.find("Evolutionary"), std::string::npos) << r.out;  // it takes 500 too
  CliRun solved = corvan("solve " + book + " --engine 2 --quiet");
  EXPECT_EQ(solved.status, 0) << solved.out.substr(0, 400);
  const std::string objective = lineStarting(solved.out, "objective (minimise) Big!C1 = ");
  ASSERT_FALSE(objective.empty()) << solved.out.substr(0, 400);
  EXPECT_NEAR(std::atof(objective.substr(objective.find('=') + 1).c_str()), 0, 1e-9) << objective;
  // Within the limit, GRG takes it.
  EXPECT_EQ(corvan("solve " + sumOfSquares(dir_ / "small.xlsx", 500, 1) + " --quiet").status, 0);
}

// A function this system does not calculate is named on the status line
// (whether the model is evaluated through the workbook or the
// interpreter), by `corvan models`, and by `recalc --interpreter`.
TEST_F(FailureWords, AFunctionThisSystemDoesNotCalculateIsNamedWhereverTheModelMeetsIt) {
  struct Case {
    std::string function, cell, formula;
    bool bound;  // the cell is the right-hand side of a bound on B2
  };
  const Case cases[] = {{"SUMIFS", "B9", "=SUMIFS(B2:C2,B3:C3,\">0\")", false},
                        {"COUNTIFS", "B9", "=COUNTIFS(B2:C2,\">0\")+B2", false},
                        {"AVERAGEIFS", "B7", "=AVERAGEIFS(B2:C2,B3:C3,\">0\")+B2", false},
                        {"SUMIFS", "D2", "=SUMIFS(B3:C3,B3:C3,\">0\")", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function + " in " + c.cell);
    Plan plan;
    plan.cell(c.cell, c.formula);
    if (c.bound)
      for (const auto& [name, value] : {std::pair{"solver_num", "2"},
                                        {"solver_lhs2", "Plan!$B$2"},
                                        {"solver_rel2", "1"},
                                        {"solver_rhs2", "Plan!$D$2"}})
        plan.set(name, value);
    const std::string book = plan.save(dir_ / (c.function + c.cell + ".xlsx"));
    const std::string named = c.function + " (in Plan!" + c.cell + "), a function this system does not calculate";
    for (const char* options : {"", " --option dia=2"}) {
      CliRun r = corvan("solve " + book + options);
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_NE(lineStarting(r.out, "status ").find(": the model uses " + named), std::string::npos) << r.out;
      expectNoRawText(r.out);
    }
    CliRun models = corvan("models " + book);
    EXPECT_EQ(models.status, 0) << models.out;
    EXPECT_TRUE(models.has("corvan: " + book + ": sheet 'Plan': warning: the model uses " + named)) << models.out;
    CliRun recalc = corvan("recalc --interpreter " + book);
    EXPECT_TRUE(recalc.has(c.cell + ": calls " + c.function + ", a function this system does not calculate"))
        << recalc.out;
  }
}

// Messages that stop short of the cause, each carried on to it: the line
// about the model names the file and sheet, then the name or cell at fault,
// then why and what to do; the status line says what the status means for
// the case. Each case is solved as the workbook evaluates it and, where the
// interpreter reads it too, through the interpreter; a run without a
// solution writes nothing, and no message line comes twice.
TEST_F(FailureWords, ErrorValuesAndMissingNamesAreTracedToTheirCause) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> cells, names;
    std::string options;
    int status;
    std::string says;  // on the status line or a line about the model
    std::string command = "solve";
    std::string saysNot = "";  // nowhere in the output
  };
  // A name's formula of 100,001 characters, and the objective through 20 names.
  std::string far = "1";
  while (far.size() <= 100000) far += "+1";
  std::vector<std::pair<std::string, std::string>> nested{{"nm_0", "Plan!$D$9"}};
  for (int k = 1; k < 20; ++k) nested.push_back({"nm_" + std::to_string(k), "nm_" + std::to_string(k - 1)});
  std::vector<std::pair<std::string, std::string>> nestedObjective = nested;
  nestedObjective.push_back({"solver_opt", "nm_19"});
  const Case cases[] = {
      {"a circle through the objective",
       {{"B9", "=B10"}, {"B10", "=B9+B2"}},
       {},
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #VALUE!, not a number, because it is part of a circular "
       "reference: the cells Plan!B9, Plan!B10 read one another; break the circle"},
      {"a circle the objective reads",
       {{"B9", "=B10+B2"}, {"B10", "=B11"}, {"B11", "=B10"}},
       {},
       " --option dia=2",
       1,
       "holds #VALUE!, not a number, because it reads a circular reference: the cells Plan!B10, Plan!B11 read one "
       "another"},
      {"a deleted sheet",
       {{"B9", "=#REF!A1+B2"}},
       {},
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #REF!, not a number, because its formula reads cells of a "
       "sheet that was deleted"},
      {"a sheet that is gone",
       {{"B9", "=Gone!A1+B2"}},
       {},
       " --option dia=2",
       1,
       "holds #REF!, not a number, because its formula reads sheet 'Gone', which the workbook does not have"},
      {"a sheet that is gone, read through a constraint cell",
       {{"B6", "=B12+2*C2"}, {"B12", "='Old data'!A1"}},
       {},
       "",
       1,
       "the cell Plan!B6 of constraint 1 (\"solver_lhs1\") holds #REF!, not a number, because the formula of "
       "Plan!B12 reads sheet 'Old data', which the workbook does not have"},
      {"a name that is not defined",
       {},
       {{"solver_adj", "myvars"}},
       "",
       1,
       "\"solver_adj\" gives #NAME? instead of the variable cells: it refers to the name \"myvars\", which the "
       "workbook does not define"},
      {"a name whose definition names one that is not defined",
       {},
       {{"solver_adj", "myvars"}, {"myvars", "othervars"}},
       "",
       1,
       "it refers to the name \"othervars\", which the workbook does not define"},
      {"no number at the start values",
       {{"B9", "=1/B2"}},
       {},
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #DIV/0!, not a number, at the values the variable cells "
       "hold (Plan!B2 = 0); give the variable cells (Plan!B2:C2) start values at which it gives a number"},
      {"\"solver_eng\" 0",
       {},
       {{"solver_eng", "0"}, {"solver_lin", "0"}},
       "",
       0,
       "note: \"solver_eng\" is 0, which names no engine, so the model runs on \"Standard GRG Nonlinear\" (engine 1)"},
      {"a name missing from a model cell's formula",
       {{"B7", "=3*B2+2*C2*Factor"}},
       {},
       "",
       1,
       "the cell Plan!B7 of constraint 1 (\"solver_lhs1\") holds #NAME?, not a number, because its formula uses the "
       "name \"Factor\", which the workbook does not define"},
      {"a name missing two cells below a model cell",
       {{"B7", "=3*B2+2*C2*B12"}, {"B12", "=B13+1"}, {"B13", "=Factor*2"}},
       {},
       " --option dia=2",
       1,
       "holds #NAME?, not a number, because the formula of Plan!B13 uses the name \"Factor\", which the workbook "
       "does not define"},
      // A linear model gives a number at every point, so an error where the
      // LP engine's kind test stepped outside the bounds (E3 = 8) says the
      // model is not linear.
      {"an error outside the bounds at a point the LP engine tried (its kind test evaluates at 8)",
       {{"E1", "10"}, {"F1", "20"}, {"G1", "30"}, {"E3", "1"}, {"E4", "=INDEX(E1:G1,1,E3)"}},
       {{"solver_opt", "Plan!$E$4"},
        {"solver_adj", "Plan!$E$3"},
        {"solver_num", "3"},
        {"solver_lhs1", "Plan!$E$3"},
        {"solver_rel1", "3"},
        {"solver_rhs1", "1"},
        {"solver_lhs2", "Plan!$E$3"},
        {"solver_rel2", "1"},
        {"solver_rhs2", "3"},
        {"solver_lhs3", "Plan!$E$3"},
        {"solver_rel3", "4"},
        {"solver_rhs3", "integer"}},
       "",
       1,
       "status 7: the model is not linear as the engine requires: the engine \"Standard LP/Quadratic\" takes linear "
       "models (and quadratic objectives) only; engine 1 (\"Standard GRG Nonlinear\") takes a nonlinear model"},
      {"an error at a point GRG tried",
       {{"B2", "3"}, {"C2", "1"}, {"B9", "=1/(B2-1)-B2"}},
       {{"solver_eng", "1"}, {"solver_lin", "0"}},
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #DIV/0!, not a number, at a point the engine tried, where "
       "the variable cells hold Plan!B2 = "},
      {"a function the interpreter does not calculate, under \"solver_dia\" 2",
       {{"B6", "=2*C2+0*_xlfn.STDEV.S(B2:C2)"}},
       {},
       " --option dia=2",
       1,
       "status 9: an evaluation failed (an error value in a cell): \"solver_dia\" 2 or more evaluates the model in the "
       "interpreter, and the model uses STDEV.S (in Plan!B6), a function the interpreter does not calculate; it "
       "calculates the same under an older name: STDEV for STDEV.S; the default options solve it through the "
       "workbook"},
      {"the same function, which the default options solve",
       {{"B6", "=2*C2+0*_xlfn.STDEV.S(B2:C2)"}},
       {},
       "",
       0,
       "status 0: solved"},
      {"a function the interpreter does not calculate, on the SOCP engine",
       {{"B6", "=2*C2+0*_xlfn.STDEV.S(B2:C2)"}},
       {},
       " --engine 5",
       1,
       "the engine \"Standard SOCP Barrier\" evaluates the model in the interpreter, and the model uses STDEV.S (in "
       "Plan!B6), a function the interpreter does not calculate; it calculates the same under an older name: STDEV "
       "for STDEV.S; engine 2 (\"Standard LP/Quadratic\") solves it through the workbook (--engine 2)"},
      {"a function the interpreter does not calculate, which the SOCP engine takes for nonlinear",
       {{"B6", "=_xlfn.IFERROR(2*C2,0)"}},
       {},
       " --engine 5",
       1,
       "status 7: the model is not linear as the engine requires: the engine \"Standard SOCP Barrier\" evaluates the "
       "model in the interpreter, and the model uses IFERROR (in Plan!B6), a function the interpreter does not "
       "calculate; engine 2 (\"Standard LP/Quadratic\") solves it through the workbook (--engine 2)"},
      {"a function the interpreter does not calculate, analysed",
       {{"B6", "=_xlfn.IFERROR(2*C2,0)"}},
       {},
       "",
       1,
       "the model cannot be analysed: it uses IFERROR (in Plan!B6), a function the interpreter does not calculate",
       "analyse"},
      {"a newer function this system calculates under its older name",
       {{"B6", "=2*C2+0*_xlfn.NORM.DIST(B2,0,1,TRUE)"}},
       {},
       "",
       1,
       "the model uses NORM.DIST (in Plan!B6), a function this system does not calculate; it calculates the same "
       "under an older name: NORMDIST for NORM.DIST"},
      {"a newer function whose older name computes only its cumulative form, called with FALSE",
       {{"B6", "=2*C2+0*_xlfn.LOGNORM.DIST(B2+1,0,1,FALSE)"}},
       {},
       "",
       1,
       "the model uses LOGNORM.DIST (in Plan!B6), a function this system does not calculate",
       "solve",
       "older name"},
      {"the same function called with TRUE",
       {{"B6", "=2*C2+0*_xlfn.LOGNORM.DIST(B2+1,0,1,TRUE)"}},
       {},
       "",
       1,
       "it calculates the same under an older name: LOGNORMDIST for LOGNORM.DIST"},
      {"NORM.S.DIST called with TRUE in one cell and FALSE in another",
       {{"B6", "=2*C2+0*_xlfn.NORM.S.DIST(B2,TRUE)"}, {"B7", "=3*B2+2*C2+0*_xlfn.NORM.S.DIST(C2,FALSE)"}},
       {},
       "",
       1,
       "the model uses NORM.S.DIST (in Plan!B6), a function this system does not calculate",
       "solve",
       "older name"},
      {"FORECAST.LINEAR, calculated as FORECAST",
       {{"B6", "=2*C2+0*_xlfn.FORECAST.LINEAR(1,B2:C2,B3:C3)"}},
       {},
       "",
       1,
       "it calculates the same under an older name: FORECAST for FORECAST.LINEAR"},
      {"BETA.INV, calculated as BETAINV",
       {{"B6", "=2*C2+0*_xlfn.BETA.INV(0.5,2,3)"}},
       {},
       "",
       1,
       "it calculates the same under an older name: BETAINV for BETA.INV"},
      {"the implicit intersection operator, stored as SINGLE",
       {{"B6", "=2*C2+0*_xlfn.SINGLE(B2:C2)"}},
       {},
       "",
       1,
       "the model uses @ (in Plan!B6)",
       "solve",
       "SINGLE"},
      {"a LET parameter, stored with its prefix",
       {{"B6", "=_xlfn.LET(_xlpm.x,2*C2,_xlpm.x+0)"}},
       {},
       "",
       1,
       "the model uses LET (in Plan!B6)",
       "solve",
       "_xlpm"},
      {"an unbounded model on the SOCP engine",
       {},
       {{"solver_opt", "Plan!$B$2"},
        {"solver_adj", "Plan!$B$2"},
        {"solver_lhs1", "Plan!$B$2"},
        {"solver_rel1", "3"},
        {"solver_rhs1", "0"},
        {"solver_eng", "5"}},
       "",
       1,
       "status 5: the model is infeasible or its objective unbounded: the engine \"Standard SOCP Barrier\" does not "
       "tell the two apart"},
      {"a right-hand side whose name calls INDIRECT",
       {},
       {{"solver_rhs1", "lim"}, {"lim", "INDIRECT(\"Plan!C5\")"}},
       "",
       1,
       "gives #NAME? (lim), not a number: it uses INDIRECT (in the name \"lim\"), a function this system does not "
       "calculate"},
      {"a right-hand side whose name calls OFFSET",
       {},
       {{"solver_rhs1", "lim"}, {"lim", "OFFSET(Plan!C5,0,0,3,1)"}},
       "",
       1,
       "it uses OFFSET (in the name \"lim\"), a function this system does not calculate"},
      {"a name that begins with a backslash, under \"solver_dia\" 2",
       {{"B9", "=\\profit"}},
       {{"\\profit", "SUMPRODUCT(Plan!$B$2:$C$2,Plan!$B$3:$C$3)"}},
       " --option dia=2",
       1,
       "the formula of Plan!$B$9 cannot be analysed: it uses the name \"\\profit\", and the interpreter cannot read a "
       "name that begins with a backslash; rename it without the backslash, or solve the model through the workbook "
       "(the default options, on engine 1, 2 or 3)"},
      {"the same name on the interval engine",
       {{"B9", "=\\profit"}, {"D5", "10"}},
       {{"\\profit", "SUMPRODUCT(Plan!$B$2:$C$2,Plan!$B$3:$C$3)"},
        {"solver_num", "2"},
        {"solver_lhs2", "Plan!$B$2:$C$2"},
        {"solver_rel2", "1"},
        {"solver_rhs2", "Plan!$D$5"}},
       " --engine 4",
       1,
       "it uses the name \"\\profit\", and the interpreter cannot read a name that begins with a backslash"},
      {"the same name with the default options, solved through the workbook",
       {{"B9", "=\\profit"}},
       {{"\\profit", "SUMPRODUCT(Plan!$B$2:$C$2,Plan!$B$3:$C$3)"}},
       "",
       0,
       "status 0: solved"},
      {"a range past the interpreter's rows, under \"solver_dia\" 2",
       {{"B6", "=2*C2+0*SUM(D2:D200000)"}},
       {},
       " --option dia=2",
       1,
       "the formula of Plan!$B$6 cannot be analysed: the range it reads (Plan!D2:D200000) reaches past the 65535 rows "
       "that the interpreter's references hold: Plan!D65536 is the first cell beyond; keep the ranges the model reads "
       "within that grid, or solve the model through the workbook (the default options, on engine 1, 2 or 3)",
       "solve",
       "does not define"},
      {"the same range on the SOCP engine",
       {{"B6", "=2*C2+0*SUM(D2:D200000)"}},
       {},
       " --engine 5",
       1,
       "the range it reads (Plan!D2:D200000) reaches past the 65535 rows",
       "solve",
       "does not define"},
      {"variable cells without an upper bound on the evolutionary engine",
       {},
       {},
       " --engine 3",
       1,
       "the engine \"Standard Evolutionary\" needs a finite lower and upper bound on every variable cell, and 2 have "
       "none: Plan!B2 (no upper bound), Plan!C2 (no upper bound); bound each with constraints of the cell against "
       "numbers"},
      {"seven variable cells, one of them bounded, on the interval engine",
       {{"B9", "=SUM(B2:H2)"}, {"J1", "5"}},
       {{"solver_adj", "Plan!$B$2:$H$2"},
        {"solver_num", "2"},
        {"solver_lhs2", "Plan!$D$2"},
        {"solver_rel2", "1"},
        {"solver_rhs2", "Plan!$J$1"}},
       " --engine 4",
       1,
       "and 6 have none: Plan!B2 (no upper bound), Plan!C2 (no upper bound), Plan!E2 (no upper bound), Plan!F2 (no "
       "upper bound), Plan!G2 (no upper bound) and 1 more; bound each"},
      {"an engine number the model stores that names no engine",
       {},
       {{"solver_eng", "7"}},
       "",
       1,
       "\"solver_eng\" is 7, which names no engine; `corvan engines BOOK` lists their numbers",
       "solve",
       "Path="},
      {"a function without a slope under \"solver_dia\" 2, said once",
       {{"B9", "=SUMPRODUCT(B2:C2,B3:C3)+0*ROUND(B2,0)"}},
       {},
       " --option dia=2",
       1,
       "and the model uses SUMPRODUCT and ROUND (in Plan!B9), one of which the interpreter calculates but cannot "
       "differentiate; the default options solve it through the workbook",
       "solve",
       "could not be evaluated"},
      {"a right-hand side through two names defined through one another",
       {},
       {{"solver_rhs1", "aa"}, {"aa", "bb+1"}, {"bb", "aa+1"}},
       "",
       1,
       "\"solver_rhs1\" (the right-hand side of constraint 1) gives #VALUE! (aa), not a number: the names \"aa\" and "
       "\"bb\" are defined through one another, a circle no formula can compute; break the circle"},
      {"a right-hand side through a name of 100,000 characters",
       {},
       {{"solver_rhs1", "far"}, {"far", far}},
       "",
       1,
       "gives #NAME? (far), not a number: the name \"far\" cannot be read (formula of 100001 characters, longer than "
       "the 8192 a formula may have)"},
      {"the objective through names nested 20 deep",
       {},
       nestedObjective,
       "",
       1,
       "\"solver_opt\" gives #NAME? instead of the objective cell: its names are nested more than 16 deep"},
      {"an objective cell through names nested 20 deep",
       {{"B9", "=nm_19+B2"}, {"D9", "1"}},
       nested,
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #NAME?, not a number, because its formula uses names nested "
       "more than 16 deep (a name defined through a name, and so on), deeper than a formula follows them"},
      {"an objective cell through two names defined through one another",
       {{"B9", "=aa+B2"}},
       {{"aa", "bb+1"}, {"bb", "aa+1"}},
       "",
       1,
       "the objective cell Plan!B9 (\"solver_opt\") holds #VALUE!, not a number, because its formula uses a name no "
       "formula can compute: the names \"aa\" and \"bb\" are defined through one another, a circle no formula can "
       "compute; break the circle"},
      {"a nonlinear constraint on the LP engine",
       {{"B6", "=2*C2*C2"}},
       {},
       "",
       1,
       "status 7: the model is not linear as the engine requires: the cell Plan!B6 is not linear in the variable "
       "cells; the engine \"Standard LP/Quadratic\" takes linear "
       "models (and quadratic objectives) only; engine 1 (\"Standard GRG Nonlinear\") takes a nonlinear model "
       "(--engine 1)"},
      {"a right-hand side of the whole sheet",
       {},
       {{"solver_lhs1", "Plan!$B$5:$B$6"}, {"solver_rhs1", "Plan!$A$1:$XFD$1048576"}},
       "",
       1,
       "the right-hand side \"solver_rhs1\" has 17179869184 cells, but its left-hand side Plan!B5:B6 has 2"},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan plan;
    for (const auto& [at, value] : c.cells) plan.cell(at, value);
    for (const auto& [name, value] : c.names) plan.set(name, value);
    const std::string name = "case" + std::to_string(k++);
    const std::string book = plan.save(dir_ / (name + ".xlsx")), out = (dir_ / (name + "-out.xlsx")).string();
    const bool solving = c.command == "solve";
    CliRun r = corvan(c.command + " " + book + c.options + (solving ? " --quiet --out " + out : ""));
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(saidLines(r.out, book).find(c.says), std::string::npos) << r.out;
    if (!c.saysNot.empty()) {
      EXPECT_EQ(r.out.find(c.saysNot), std::string::npos) << r.out;
    }
    if (solving) {
      EXPECT_EQ(std::filesystem::exists(out), c.status == 0) << r.out;  // written only with a solution
    }
    EXPECT_FALSE(r.has("_xlfn") || r.has("_XLFN")) << r.out;
    EXPECT_EQ(repeatedLine(r.out), "") << r.out;
    expectNoRawText(r.out);
  }
}

// A time limit that stops the compile of an analysed model says so on the
// status line, with the flag that raises it. (The engine's own limit, which
// counts from the start of the run: --max-time, the command's, would stop
// the load of the workbook first.)
TEST_F(FailureWords, ALimitThatStopsTheCompileIsNamedWithTheFlagThatRaisesIt) {
  const std::string book = Plan().save(dir_ / "plan.xlsx");
  CliRun r = corvan("solve " + book + " --option dia=2 --option tim=1E-9");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(lineStarting(r.out, "status "),
            "status 12: the model could not be compiled: the time limit (1E-09 s) stopped the compile; raise it "
            "with --max-time 1")
      << r.out;
}

// An --out that cannot be saved is refused before the run, with exit 2.
TEST_F(FailureWords, AnOutFolderThatCannotTakeTheFileIsRefusedBeforeTheRun) {
  const std::string book = Plan().save(dir_ / "plan.xlsx");
  std::ofstream(dir_ / "file") << "a file, not a folder";
  const std::string missing = (dir_ / "nowhere" / "out.xlsx").string(),
                    underFile = (dir_ / "file" / "out.xlsx").string();
  for (const auto& [out, why] : {std::pair{missing, " does not exist"}, {underFile, " is a file, not a folder"}}) {
    CliRun r = corvan("solve " + book + " --out " + out);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(
        r.has("corvan: --out " + out + ": the folder " + std::filesystem::path(out).parent_path().string() + why))
        << r.out;
    EXPECT_FALSE(r.has("status ")) << r.out;  // nothing ran
  }
  std::filesystem::create_directory(dir_ / "out.xlsx");
  CliRun folder = corvan("solve " + book + " --out " + (dir_ / "out.xlsx").string());
  EXPECT_EQ(folder.status, 2) << folder.out;
  EXPECT_TRUE(folder.has(" is a folder, not a file")) << folder.out;
}

// A book that a formula names in lower case (as formulas store it) while its
// file has capitals is read on the analysis path as `recalc --interpreter`
// reads it: the model analyses, and the reading cell computes from it.
TEST_F(FailureWords, AnExternalBookIsFoundWhateverTheCaseOfItsName) {
  Workbook* prices = Wb_newWorkbook("Prices.xlsx");
  Wb_setValue(prices, Wb_addSheet(prices, "Data"), 0, 0, CellValue::makeNumber(5));
  std::string error;
  ASSERT_TRUE(Xlsx_save(prices, (dir_ / "Prices.xlsx").string(), &error)) << error;
  Wb_closeWorkbook(prices);
  Plan plan;
  plan.cell("B9", "=SUMPRODUCT(B2:C2,B3:C3)+'[Prices.xlsx]Data'!$A$1");
  const std::string book = plan.save(dir_ / "plan.xlsx");
  CliRun analysed = corvan("analyse " + book);
  EXPECT_TRUE(analysed.has("analysis: status 0: done")) << analysed.out;
  CliRun recalc = corvan("recalc --interpreter " + book);
  EXPECT_TRUE(recalc.has("computed 5")) << recalc.out;  // 0 from the variables, 5 from Prices.xlsx
}

// An integer search stopped at its subproblem limit keeps its best bound and
// gap in the results. stein27 minimises, its optimum is 18: the bound lies
// at or below it and below the incumbent, and the gap is theirs.
TEST_F(FailureWords, AnIntegerSearchStoppedAtALimitPrintsItsBoundAndGap) {
  CliRun r = corvan("solve " + data("lp/stein27.xlsx") + " --quiet");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("status 15: stopped at the subproblem limit\nbest bound ")) << r.out;
  double bound = 0, gap = 0, incumbent = 0;
  ASSERT_EQ(std::sscanf(lineStarting(r.out, "best bound ").c_str(), "best bound %lf, gap %lf%%", &bound, &gap), 2)
      << r.out;
  ASSERT_EQ(std::sscanf(lineStarting(r.out, "objective ").c_str(),
                        "objective (minimise) Model!B2 Objective STEIN27 = %lf", &incumbent),
            1)
      << r.out;
  constexpr double kStein27Optimum = 18;
  EXPECT_LE(bound, kStein27Optimum) << r.out;
  EXPECT_LE(bound, incumbent) << r.out;
  EXPECT_NEAR(gap, (incumbent - bound) / incumbent * 100, 0.01) << r.out;
  CliRun help = corvan("solve --help");
  EXPECT_TRUE(help.has("the best\nbound and the gap")) << help.out;
  EXPECT_TRUE(help.has("prints its best bound and gap")) << help.out;
}

// Report rows that share a name are told apart: two constraints on one cell
// by their constraint, two variable cells under one label by their cell.
TEST_F(FailureWords, ReportRowsThatShareANameAreToldApart) {
  Plan plan;
  plan.set("solver_num", "2");
  plan.set("solver_lhs2", "Plan!$B$5");
  plan.set("solver_rel2", "3");
  plan.set("solver_rhs2", "1");
  plan.cells.erase(plan.cells.begin(), plan.cells.begin() + 2);  // no headings over the variable cells
  const std::string book = plan.save(dir_ / "plan.xlsx");
  CliRun r = corvan("solve " + book + " --report answer,sensitivity --quiet");
  EXPECT_EQ(r.status, 0) << r.out;
  for (const char* shown : {"Plant 1 Used ($B$5<=$C$5)", "Plant 1 Used ($B$5>=1)", "Batches ($B$2)", "Batches ($C$2)"})
    EXPECT_TRUE(r.has(shown)) << shown << "\n" << r.out;
  EXPECT_FALSE(r.has("Plant 2 Used (")) << r.out;  // a name of its own is left as it is
}

// What a user trips over is said in one line, and the run writes nothing
// into the workbook: the sheet that holds the model when another one was
// active, a blank part of merged cells taken into a constraint, and a
// solution that no --out saves. Each row: the plan changed, the sheet
// active when it was saved, the exit status and the message. The model's
// names belong to its sheet, as spreadsheet programs store them.
TEST_F(FailureWords, WhatAUserTripsOverIsSaidAndNothingIsWritten) {
  struct Case {
    const char* what;
    void (*change)(Plan* plan);
    int activeSheet;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"a workbook saved with another sheet active", [](Plan*) {}, 1, 1,
       "sheet 'Other' holds no model; the model is on sheet 'Plan': give --sheet Plan"},
      {"a blank part of merged cells in a constraint",
       [](Plan* plan) {
         plan->set("solver_lhs1", "Plan!$B$5:$B$8");
         plan->set("solver_rhs1", "Plan!$C$5:$C$8");
         plan->cell("C8", "100");
         plan->merged = {CellRange{0, 6, 1, 7, 1}};
       },
       0, 0,
       "note: constraint 1 (\"solver_lhs1\") takes in Plan!B8, a blank part of the merged cells Plan!B7:B8, as a row "
       "whose value is 0"},
      {"a model without an objective", [](Plan* plan) { plan->drop("solver_opt"); }, 0, 0,
       "note: the model has no objective (\"solver_opt\" is not set), so the engine looks for a point that satisfies "
       "the constraints, and any such point is a solution"},
      {"a solution that no --out saves", [](Plan*) {}, 0, 0,
       "the solution is not saved (BOOK is unchanged); give --out "
       "FILE to save it"},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan plan;
    c.change(&plan);
    const std::string book = plan.save(dir_ / ("trip" + std::to_string(k++) + ".xlsx"));
    std::string error;
    Workbook* wb = Xlsx_open(book, &error);
    ASSERT_NE(wb, nullptr) << error;
    wb->activeSheet = c.activeSheet;
    std::vector<DefinedName> names = wb->names.list();
    for (DefinedName& name : names) name.scopeSheet = 0;
    wb->names.assign(std::move(names));
    wb->path.clear();  // written anew, active sheet included, not as changes to the package read
    ASSERT_TRUE(Xlsx_save(wb, book, &error)) << error;
    Wb_closeWorkbook(wb);
    const std::string before = fileBytes(book);
    CliRun r = corvan("solve " + book + " --quiet");
    EXPECT_EQ(r.status, c.status) << r.out;
    std::string says = c.says;
    if (const size_t at = says.find("BOOK"); at != std::string::npos) says.replace(at, 4, book);
    EXPECT_TRUE(r.has(says)) << r.out;
    expectNoRawText(r.out);
    EXPECT_EQ(fileBytes(book), before);
  }
}

// A workbook that another program has open (its lock file beside it) is
// saved over with a warning that says so, before the run.
TEST_F(FailureWords, AnOutFileOpenInAnotherProgramIsWarnedOf) {
  const std::string locks[] = {"~$solved.xlsx", ".~lock.solved.xlsx#"};
  for (const std::string& lock : locks) {
    SCOPED_TRACE(lock);
    const std::string book = Plan().save(dir_ / "plan.xlsx"), out = (dir_ / "solved.xlsx").string();
    std::filesystem::remove(out);
    std::ofstream(dir_ / lock) << "owner";
    CliRun r = corvan("solve " + book + " --quiet --out " + out);
    std::filesystem::remove(dir_ / lock);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has("corvan: warning: " + out + " looks open in another program (its lock file " + lock +
                      " is beside it)"))
        << r.out;
    EXPECT_TRUE(std::filesystem::exists(out));
  }
  CliRun unlocked = corvan("solve " + Plan().save(dir_ / "plan.xlsx") + " --quiet --out " + (dir_ / "x.xlsx").string());
  EXPECT_FALSE(unlocked.has("looks open")) << unlocked.out;
}

// A model cell whose formula the calculation cannot read (longer than 8,192
// characters after "=", or nested deeper than 256 levels) would keep the
// value its file stores (10 here), a constant whatever the variable cells
// hold: the run stops before it starts, on every engine, naming the cell
// and the reason, and writes nothing.
TEST_F(FailureWords, AModelFormulaThatCannotBeReadStopsTheRunBeforeItStarts) {
  const auto longer = [](std::string formula) {
    while (formula.size() <= 8200) formula += "+0*B2";
    return formula;
  };
  const auto nested = [](const std::string& open, const std::string& close, int depth) {
    std::string formula = "SUMPRODUCT(B2:C2,B3:C3)";
    for (int k = 0; k < depth; ++k) formula = open + formula + close;
    return "=" + formula;
  };
  // The reason of a formula too long: its characters after "=" against the limit.
  const auto tooLong = [](const std::string& formula) {
    return "formula of " + std::to_string(formula.size() - 1) + " characters, longer than the 8192 a formula may have";
  };
  const std::string tooDeep = "formula nested too deeply (more than 256 levels) at position";
  struct Case {
    const char* what;
    std::string cell, formula, reason;
    std::vector<std::pair<std::string, std::string>> cells;
  };
  const std::string longObjective = longer("=SUMPRODUCT(B2:C2,B3:C3)"), longRow = longer("=3*B2+2*C2");
  const std::string ifs = nested("IF(TRUE,", ",0)", 1000), longRead = longer("=B2+C2");
  const Case cases[] = {
      {"an objective too long", "B9", longObjective, tooLong(longObjective), {}},
      {"an objective 1,000 parentheses deep", "B9", nested("(", ")", 1000), tooDeep, {}},
      {"an objective 300 calls deep", "B9", nested("IF(TRUE,", ",0)", 300), tooDeep, {}},
      {"an objective 1,000 calls deep", "B9", ifs, tooLong(ifs), {}},
      {"a constraint cell too long", "B7", longRow, tooLong(longRow), {}},
      {"a cell the objective reads", "B10", longRead, tooLong(longRead), {{"B9", "=B10+B2"}}},
  };
  int k = 0;
  for (const Case& c : cases) {
    Plan plan;
    for (const auto& [at, value] : c.cells) plan.cell(at, value);
    plan.cell(c.cell, c.formula);
    const std::string book = plan.save(dir_ / ("unread" + std::to_string(k++) + ".xlsx"));
    std::string error;
    Workbook* wb = Xlsx_open(book, &error);
    ASSERT_NE(wb, nullptr) << error;
    int row = 0, col = 0;
    Wb_parseA1(c.cell, &row, &col);
    Wb_cellAt(wb, wb->sheets[0].get(), row, col)->value = CellValue::makeNumber(10);
    wb->path.clear();  // written anew, the stored value included
    ASSERT_TRUE(Xlsx_save(wb, book, &error)) << error;
    Wb_closeWorkbook(wb);
    for (const char* engine : {"1", "2", "4", "5"}) {
      SCOPED_TRACE(std::string(c.what) + " on engine " + engine);
      const std::string out = (dir_ / "out.xlsx").string();
      std::filesystem::remove(out);
      CliRun r = corvan("solve " + book + " --engine " + engine + " --out " + out);
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_NE(lineStarting(r.out, "corvan: " + book + ": sheet 'Plan': the formula of Plan!" + c.cell +
                                        " cannot be read (" + c.reason)
                    .find("), so the model cannot be solved"),
                std::string::npos)
          << r.out;
      EXPECT_EQ(lineStarting(r.out, "status "), "") << r.out;
      EXPECT_FALSE(std::filesystem::exists(out)) << r.out;
    }
  }
}
