// A generated set of malformed models: every model name holding each kind
// of bad value, bad relation codes, multi-area names and cells at and past
// the grid's edges. Whatever `corvan solve` and `corvan analyse` make of
// each, a refusal names the file, the sheet and the name or cell at fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using MalformedModels = ScratchTest;

// One generated model: the two-product plan with one name changed.
struct Malformed {
  std::string name;                                       // the solver_* name changed
  std::string value;                                      // its new definition; kDropped removes it
  std::vector<std::pair<std::string, std::string>> also;  // further names the case needs
};

constexpr const char* kDropped = "<dropped>";

// The kinds of bad value a name may hold.
const std::vector<std::string>& badValues() {
  static const std::vector<std::string> kValues = {kDropped,
                                                   "",
                                                   "\"abc\"",
                                                   "#REF!",
                                                   "#DIV/0!",
                                                   "1E+309",
                                                   "[other.xlsx]Plan!$C$5",
                                                   "nosuch",
                                                   "-3",
                                                   "2.5",
                                                   "1E+9",
                                                   "Plan!$B$5,Plan!$B$7",
                                                   "Other!$C$5",
                                                   "Plan!$IV$5",
                                                   "Plan!$B$65536",
                                                   "Plan!$IW$5",
                                                   "Plan!$B$65537"};
  return kValues;
}

std::vector<Malformed> generated() {
  std::vector<Malformed> cases;
  for (const char* name : {"solver_opt", "solver_adj", "solver_lhs1", "solver_rel1", "solver_rhs1", "solver_typ",
                           "solver_num", "solver_eng", "solver_val"})
    for (const std::string& value : badValues()) {
      Malformed c{name, value, {}};
      // The value to reach is read only for a "value of" objective.
      if (c.name == "solver_val") c.also.push_back({"solver_typ", "3"});
      cases.push_back(c);
    }
  // A formula longer than the interpreter reads (1,023 characters).
  std::string longFormula = "=1";
  for (int k = 0; k < 600; ++k) longFormula += "+1";
  cases.push_back(Malformed{"solver_rhs1", longFormula, {}});
  cases.push_back(Malformed{"solver_val", longFormula, {{"solver_typ", "3"}}});
  // Relation codes out of range, and the grouped and cone codes on the LP engine.
  for (const char* code : {"0", "12", "-1", "4.5", "7", "8", "9", "10", "11"})
    cases.push_back(Malformed{"solver_rel1", code, {{"solver_eng", "2"}}});
  return cases;
}

// What a refusal of the case may name: the name, or a cell the new value
// refers to ("Plan!$B$5,Plan!$B$7" names Plan!B5 and Plan!B7).
std::vector<std::string> causes(const Malformed& c) {
  std::vector<std::string> tokens{"\"" + c.name + "\""};
  std::string cells;
  for (char ch : c.value)
    if (ch != '$') cells += ch;
  for (size_t at = cells.find("Plan!"); at != std::string::npos; at = cells.find("Plan!", at + 1))
    tokens.push_back(cells.substr(at, cells.find(',', at) - at));
  return tokens;
}

// A run that ends without a solution and is no verdict on a sound model
// (unbounded, infeasible, or a point the run ended at that is no solution).
bool refused(const CliRun& r) {
  return r.status != 0 && !r.has("status 4:") && !r.has("status 5:") && !r.has("is no solution");
}

// Whether some line starts with `where` and names one of `tokens`.
bool namedOnALine(const std::string& out, const std::string& where, const std::vector<std::string>& tokens) {
  for (size_t at = 0; at < out.size();) {
    const size_t end = std::min(out.find('\n', at), out.size());
    const std::string line = out.substr(at, end - at);
    for (const std::string& token : tokens)
      if (line.rfind(where, 0) == 0 && line.find(token) != std::string::npos) return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

TEST_F(MalformedModels, EveryRefusalNamesTheNameAtFault) {
  const std::vector<Malformed> cases = generated();
  ASSERT_GE(cases.size(), 150u);
  int refusals = 0;
  for (size_t k = 0; k < cases.size(); ++k) {
    const Malformed& c = cases[k];
    SCOPED_TRACE(c.name + " = " + c.value);
    Plan plan;
    for (const auto& [name, value] : c.also) plan.set(name, value);
    if (c.value == kDropped) plan.drop(c.name);
    else plan.set(c.name, c.value);
    const std::string book = plan.save(dir_ / ("bad" + std::to_string(k) + ".xlsx"));
    const std::string where = "corvan: " + book + ": sheet 'Plan': ";
    // Solved as it is, solved through the interpreter, and analysed.
    for (const char* command : {"solve ", "solve --option dia=2 ", "analyse "}) {
      CliRun r = corvan(command + book);
      ASSERT_TRUE(r.status == 0 || r.status == 1) << command << "\n" << r.out;
      if (!refused(r)) continue;
      ++refusals;
      EXPECT_TRUE(namedOnALine(r.out, where, causes(c))) << command << "\n" << r.out;
    }
  }
  EXPECT_GT(refusals, 150);
}

// Cells past the interpreter's grid (column IV, row 65536) matter only when
// the model reaches them: a stray value there leaves the analysis alone, a
// variable cell there is named with the limit.
TEST_F(MalformedModels, CellsPastTheInterpreterGridMatterOnlyWhenReached) {
  Plan stray;
  stray.cell("IV20", "5");
  stray.cell("B65536", "1");
  const std::string book = stray.save(dir_ / "stray.xlsx");
  CliRun analysed = corvan("analyse " + book);
  EXPECT_EQ(analysed.status, 0) << analysed.out;
  EXPECT_TRUE(analysed.has("analysis: status 0: done")) << analysed.out;
  CliRun solved = corvan("solve " + book + " --option dia=2");
  EXPECT_EQ(solved.status, 0) << solved.out;
  EXPECT_TRUE(solved.has(" = 36")) << solved.out;

  Plan reached;
  reached.set("solver_adj", "Plan!$B$2:$C$2,Plan!$IV$2");
  const std::string wide = reached.save(dir_ / "wide.xlsx");
  CliRun r = corvan("analyse " + wide);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(namedOnALine(r.out, "corvan: " + wide + ": sheet 'Plan': ", {"Plan!IV2 is the first cell beyond"}))
      << r.out;
  EXPECT_TRUE(r.has("the 255 columns (to IU) that the interpreter's references hold")) << r.out;
}

// A call with fewer arguments than its function takes, which a file may
// hold: a cell the model does not read leaves every command alone; a cell
// it reads is named with what it holds.
TEST_F(MalformedModels, CallsShortOfArgumentsAreErrorValuesNamedWhereRead) {
  Plan unread;
  unread.cell("Other!A1", "=UPPER()");
  unread.cell("Other!A2", "=DATE(1,2)");
  unread.cell("Other!A3", "=SLN(1,2)");
  const std::string book = unread.save(dir_ / "unread.xlsx");
  const CliRun models = corvan("models " + book);
  EXPECT_EQ(models.status, 0) << models.out;
  const CliRun solved = corvan("solve " + book);
  EXPECT_EQ(solved.status, 0) << solved.out;
  EXPECT_TRUE(solved.has(" = 36")) << solved.out;

  Plan read;
  read.cell("C5", "=SLN(1,2)");
  const std::string readBook = read.save(dir_ / "read.xlsx");
  const CliRun r = corvan("solve " + readBook);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(namedOnALine(r.out, "corvan: " + readBook + ": sheet 'Plan': ", {"Plan!C5", "holds #VALUE!"})) << r.out;
}

namespace {

// A workbook of 300 sheets S1 to S300; E1 of sheet k holds k. The model
// maximises B2 = B1 * (its factor) - B1^2 over the variable B1 of `modelSheet`.
std::string manySheets(const std::filesystem::path& path, int modelSheet, const std::string& objective) {
  Workbook* wb = Wb_newWorkbook("many.xlsx");
  for (int k = 1; k <= 300; ++k) {
    Sheet* sh = Wb_addSheet(wb, "S" + std::to_string(k));
    Wb_setValue(wb, sh, 0, 4, CellValue::makeNumber(k));
  }
  Sheet* model = wb->sheets[static_cast<size_t>(modelSheet - 1)].get();
  Wb_setValue(wb, model, 0, 1, CellValue::makeNumber(0));
  Wb_setFormula(wb, model, 1, 1, objective);
  const std::string s = "S" + std::to_string(modelSheet) + "!";
  for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
           {"solver_opt", s + "$B$2"}, {"solver_typ", "1"}, {"solver_adj", s + "$B$1"}, {"solver_num", "0"}})
    Wb_defineName(wb, DefinedName{name, value, modelSheet - 1, true});
  wb->activeSheet = modelSheet - 1;
  return saveBook(wb, path);
}

}  // namespace

// Sheets past the 255th: the analysis reads no other sheet in their place
// (sheet 300 cut to 8 bits is sheet 44) and names the sheet or the cell
// whose formula reaches it, as `recalc --interpreter` does.
TEST_F(MalformedModels, SheetsPastTheInterpreterLimitAreNamedNotMisread) {
  const std::string onLate = manySheets(dir_ / "late.xlsx", 300, "=B1*E1-B1^2");
  for (const char* command : {"analyse ", "solve --engine 4 "}) {
    CliRun r = corvan(command + onLate);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_FALSE(r.has("status 0:")) << r.out;
    EXPECT_TRUE(namedOnALine(
        r.out, "corvan: " + onLate + ": sheet 'S300': ", {"sheet 300 of the workbook, past the 255 sheets"}))
        << r.out;
  }

  const std::string reading = manySheets(dir_ / "reading.xlsx", 1, "=B1*S300!E1-B1^2");
  // Analysed, and solved by the interval engine, which works on the analysis.
  for (const char* command : {"analyse ", "solve --engine 4 "}) {
    CliRun s = corvan(command + reading);
    EXPECT_EQ(s.status, 1) << s.out;
    EXPECT_TRUE(namedOnALine(s.out, "corvan: " + reading + ": sheet 'S1': ",
                             {"the formula of S1!$B$2 reads sheet 'S300', sheet 300 of the workbook, past the 255"}))
        << s.out;
  }
  // Computed by the interpreter alone, the cell is named with the limit too.
  CliRun recalc = corvan("recalc --interpreter " + reading);
  EXPECT_TRUE(recalc.has(
      "B2: not compiled: a formula uses a name the workbook does not define or a reference the interpreter cannot "
      "hold (interpreter status 14) (it reads sheet 'S300', sheet 300 of the workbook, "
      "past the 255 sheets that the interpreter's references hold)"))
      << recalc.out;
  // Solved without the interpreter, the model reads sheet 300: B1 = 300 / 2.
  CliRun solved = corvan("solve " + reading + " --engine 1");
  EXPECT_EQ(solved.status, 0) << solved.out;
  EXPECT_TRUE(solved.has(" = 22500")) << solved.out;
}
