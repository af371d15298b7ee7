// The `corvan` command as a user runs it: help texts, exit statuses, options,
// the printed results and reports of a small LP whose sensitivity is known by
// hand, malformed models refused with their reasons, and Ctrl-C in a
// pseudo-terminal during a long integer run.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace {

// The command as scripts/solve runs it: no test plug-in engine beside its library.
struct CliRun {
  int status = -1;
  std::string out;   // standard output and standard error together
  bool has(const std::string& s) const { return out.find(s) != std::string::npos; }
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

std::string data(const std::string& rel) { return std::string(CORVAN_DATA) + "/" + rel; }

// The classic two-product plan: maximise 3x + 5y subject to x <= 4, 2y <= 12,
// 3x + 2y <= 18, x, y >= 0. Optimum x = 2, y = 6, profit 36; shadow prices
// 0, 1.5 and 1; the objective coefficients may move within [0, 7.5] and
// [2, infinity), the right-hand sides within [2, inf), [6, 18] and [12, 24].
struct Plan {
  std::vector<std::pair<std::string, std::string>> names = {
      {"solver_opt", "Plan!$B$9"},         {"solver_typ", "1"},
      {"solver_adj", "Plan!$B$2:$C$2"},    {"solver_num", "1"},
      {"solver_lhs1", "Plan!$B$5:$B$7"},   {"solver_rel1", "1"},
      {"solver_rhs1", "Plan!$C$5:$C$7"},   {"solver_lin", "1"},
      {"solver_neg", "1"},                 {"solver_eng", "2"}};
  std::vector<std::pair<std::string, std::string>> cells = {
      {"B1", "Doors"}, {"C1", "Windows"}, {"A2", "Batches"}, {"B2", "0"}, {"C2", "0"},
      {"A3", "Profit"}, {"B3", "3"}, {"C3", "5"}, {"B4", "Used"}, {"C4", "Available"},
      {"A5", "Plant 1"}, {"B5", "=B2"}, {"C5", "4"}, {"A6", "Plant 2"}, {"B6", "=2*C2"}, {"C6", "12"},
      {"A7", "Plant 3"}, {"B7", "=3*B2+2*C2"}, {"C7", "18"}, {"A9", "Total profit"},
      {"B9", "=SUMPRODUCT(B2:C2,B3:C3)"}};

  void set(const std::string& name, const std::string& value) {
    for (auto& [n, v] : names)
      if (n == name) { v = value; return; }
    names.push_back({name, value});
  }
  void drop(const std::string& name) { std::erase_if(names, [&](const auto& p) { return p.first == name; }); }
  void cell(const std::string& at, const std::string& value) { cells.push_back({at, value}); }
  bool otherHidden = false;  // the second sheet, "Other", is hidden
  std::vector<std::pair<std::string, std::string>> otherCells;

  std::string save(const std::filesystem::path& path) const {
    Workbook* wb = Wb_newWorkbook("plan.xlsx");
    Sheet* sh = Wb_addSheet(wb, "Plan");
    Wb_addSheet(wb, "Other");
    for (const auto& [at, value] : cells) {
      int row, col;
      Wb_parseA1(at, &row, &col);
      char* end = nullptr;
      double x = std::strtod(value.c_str(), &end);
      if (value[0] == '=') Wb_setFormula(wb, sh, row, col, value);
      else if (!*end) Wb_setValue(wb, sh, row, col, CellValue::makeNumber(x));
      else Wb_setValue(wb, sh, row, col, CellValue::makeText(value));
    }
    Wb_cellAt(wb, sh, 8, 1)->numberFormat = "#,##0.00";
    wb->sheets[1]->visible = !otherHidden;
    for (const auto& [at, value] : otherCells) {
      int row, col;
      Wb_parseA1(at, &row, &col);
      Wb_setValue(wb, wb->sheets[1].get(), row, col, CellValue::makeNumber(std::strtod(value.c_str(), nullptr)));
    }
    for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, -1, true});
    Calc_recalculate(wb);
    std::string error;
    EXPECT_TRUE(Xlsx_save(wb, path.string(), &error)) << error;
    Wb_closeWorkbook(wb);
    return path.string();
  }
};

// The first number after `label` on the line that starts with `row`.
double numberAfter(const std::string& out, const std::string& row, int k) {
  size_t at = out.find(row);
  if (at == std::string::npos) return -999;
  std::string line = out.substr(at, out.find('\n', at) - at);
  std::vector<double> numbers;
  for (size_t i = row.size(); i < line.size();) {
    char* end = nullptr;
    double x = std::strtod(line.c_str() + i, &end);
    if (end != line.c_str() + i && (line[i] == '-' || std::isdigit(static_cast<unsigned char>(line[i])))) {
      numbers.push_back(x);
      i = end - line.c_str();
    } else {
      ++i;
    }
  }
  return k < static_cast<int>(numbers.size()) ? numbers[k] : -999;
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

TEST(CommandLine, HelpUsageAndVersion) {
  struct Case { std::string args; int status; std::vector<std::string> shows; };
  const Case cases[] = {
      {"--help", 0, {"usage: corvan solve", "corvan models", "exit status:"}},
      {"help", 0, {"usage: corvan solve"}},
      {"help solve", 0, {"--option NAME=VALUE", "--report LIST", "--max-time S", "exit status:"}},
      {"solve --help", 0, {"--on-limit continue|stop", "  2  bad usage"}},
      {"analyse --help", 0, {"--option NAME=VALUE"}},
      {"--version", 0, {"corvan "}},
      {"", 2, {"usage: corvan"}},
      {"frobnicate x.xlsx", 2, {"unknown command 'frobnicate'", "Try 'corvan --help'"}},
      {"solve " + data("lp/afiro.xlsx") + " --bogus 1", 2, {"no option '--bogus'", "Try 'corvan --help'"}},
      {"solve " + data("lp/afiro.xlsx") + " --engine x", 2, {"--engine takes a whole number"}},
      {"solve " + data("lp/afiro.xlsx") + " --on-limit maybe", 2, {"--on-limit takes continue or stop"}},
      {"solve " + data("lp/afiro.xlsx") + " --max-time -1", 2, {"--max-time takes a positive number"}},
      {"solve " + data("lp/afiro.xlsx") + " --option nod", 2, {"--option takes NAME=VALUE"}},
      {"solve " + data("lp/afiro.xlsx") + " --report everything", 2, {"--report takes answer"}},
      {"solve /no/such/book.xlsx", 2, {"/no/such/book.xlsx"}},
      {"solve " + data("lp/afiro.xlsx") + " --sheet Nowhere", 2, {"no sheet named 'Nowhere'"}},
      {"solve " + data("lp/optima.csv"), 2, {"corvan:"}},
      {"solve " + data("lp/afiro.xlsx") + " --out " + data("lp/../lp/afiro.xlsx"), 2, {"add --overwrite"}},
  };
  for (const Case& c : cases) {
    CliRun r = corvan(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    for (const std::string& s : c.shows) EXPECT_TRUE(r.has(s)) << c.args << ": no '" << s << "' in\n" << r.out;
  }
}

TEST(CommandLine, EnginesAndModelsAreReadableTables) {
  CliRun engines = corvan("engines " + data("lp/afiro.xlsx"));
  EXPECT_EQ(engines.status, 0) << engines.out;
  EXPECT_TRUE(engines.has("2         Standard LP/Quadratic")) << engines.out;
  EXPECT_FALSE(engines.has(".DLL")) << engines.out;
  CliRun models = corvan("models " + data("lp/p0033.xlsx"));
  EXPECT_EQ(models.status, 0) << models.out;
  EXPECT_TRUE(models.has("Model  minimise B2  33         115          Standard LP/Quadratic")) << models.out;
}

using CommandLineFiles = ScratchTest;

// Printed results and reports of the plan against the values known by hand;
// the saved workbook holds the solution and the report sheets.
TEST_F(CommandLineFiles, ResultsAndReportsOfAnLpMatchTheKnownSensitivity) {
  std::string book = Plan().save(dir_ / "plan.xlsx"), out = (dir_ / "solved.xlsx").string();
  CliRun r = corvan("solve " + book + " --report all --out " + out);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("status 0: solved")) << r.out;
  EXPECT_TRUE(r.has("engine: Standard LP/Quadratic")) << r.out;
  EXPECT_TRUE(r.has("objective (maximise) Plan!B9 Total profit Used = 36.00")) << r.out;
  EXPECT_TRUE(r.has("Plan!B2  Batches Doors    2")) << r.out;
  EXPECT_TRUE(r.has("Plan!C2  Batches Windows  6")) << r.out;
  EXPECT_TRUE(r.has("Plan!B5  Plant 1 Used  2      <=        4 (C5)           2      not binding")) << r.out;
  EXPECT_TRUE(r.has("Plan!B7  Plant 3 Used  18     <=        18 (C7)          0      binding")) << r.out;
  // Sensitivity: final value, reduced cost or shadow price, coefficient or
  // right-hand side, allowable increase, allowable decrease.
  struct Row { const char* cell; double values[5]; };
  const Row rows[] = {{"$B$2  Batches Doors", {2, 0, 3, 4.5, 3}},   {"$C$2  Batches Windows", {6, 0, 5, 1e30, 3}},
                      {"$B$5  Plant 1 Used", {2, 0, 4, 1e30, 2}},   {"$B$6  Plant 2 Used", {12, 1.5, 12, 6, 6}},
                      {"$B$7  Plant 3 Used", {18, 1, 18, 6, 6}}};
  size_t sensitivity = r.out.find("sensitivity report: Variable cells");
  ASSERT_NE(sensitivity, std::string::npos) << r.out;
  std::string tail = r.out.substr(sensitivity);
  for (const Row& row : rows)
    for (int k = 0; k < 5; ++k)
      EXPECT_NEAR(numberAfter(tail, row.cell, k), row.values[k], 1e-6 * (1 + row.values[k])) << row.cell << " " << k;
  EXPECT_TRUE(r.has("$B$6  Plant 2 Used  12          $B$6<=$C$6  Binding      0")) << r.out;
  std::string error;
  Workbook* wb = Xlsx_open(out, &error);
  ASSERT_NE(wb, nullptr) << error;
  ASSERT_GE(Wb_sheetIndex(wb, "Answer Report 1"), 0);
  ASSERT_GE(Wb_sheetIndex(wb, "Sensitivity Report 1"), 0);
  ASSERT_GE(Wb_sheetIndex(wb, "Limits Report 1"), 0);
  const Cell* y = Wb_findCell(wb->sheets[Wb_sheetIndex(wb, "Plan")].get(), 1, 2);
  ASSERT_NE(y, nullptr);
  EXPECT_NEAR(y->value.number, 6, 1e-9);
  // Limits with the other variable held: x in [0, 2] (3x + 12 <= 18), y in
  // [0, 6]; the profit at each end.
  size_t limits = r.out.find("limits report: Variable cells");
  ASSERT_NE(limits, std::string::npos) << r.out;
  const Row limitRows[] = {{"$B$2  Batches Doors", {2, 0, 30, 2, 36}}, {"$C$2  Batches Windows", {6, 0, 6, 6, 36}}};
  for (const Row& row : limitRows)
    for (int k = 0; k < 5; ++k)
      EXPECT_NEAR(numberAfter(r.out.substr(limits), row.cell, k), row.values[k], 1e-6) << row.cell << " " << k;
  // The plan as it was solved: the limits runs put the names and values back.
  Workbook* again = Xlsx_open(out, &error);
  ASSERT_NE(again, nullptr) << error;
  EXPECT_EQ(Wb_findName(again, "solver_opt", -1)->definition, "Plan!$B$9");
  EXPECT_EQ(Wb_findName(again, "solver_adj", -1)->definition, "Plan!$B$2:$C$2");
  // An integer model has an answer report but no sensitivity: that one is
  // refused, the solution still saved.
  std::string integerOut = (dir_ / "p0033.xlsx").string();
  CliRun refused = corvan("solve " + data("lp/p0033.xlsx") + " --report answer,sensitivity --out " + integerOut);
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_TRUE(refused.has("answer report: Variable cells")) << refused.out;
  EXPECT_TRUE(refused.has("no sensitivity report: the model has integer constraints")) << refused.out;
  EXPECT_TRUE(std::filesystem::exists(integerOut));
}

TEST_F(CommandLineFiles, ConeProgramsAreSolvedByTheSocpEngine) {
  for (const char* book : {"socp/least_norm.xlsx", "socp/geo_mean.xlsx"}) {
    CliRun r = corvan(std::string("solve ") + data(book));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has("engine: Standard SOCP Barrier")) << r.out;
    EXPECT_FALSE(r.has("violated")) << r.out;
  }
}

// The global workbooks as they are, without "solver_dia": the library has
// the model diagnosed for the interval engine.
TEST_F(CommandLineFiles, GlobalWorkbooksAreSolvedAsTheyAre) {
  const std::pair<const char*, const char*> books[] = {{"global/booth.xlsx", "= 0\n"},
                                                       {"global/g06.xlsx", "= -6961.81387558"}};
  for (const auto& [book, optimum] : books) {
    CliRun r = corvan(std::string("solve ") + data(book));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has("status 0: solved")) << r.out;
    EXPECT_TRUE(r.has("engine: Standard Interval Global")) << r.out;
    EXPECT_TRUE(r.has(optimum)) << r.out;
  }
}

TEST_F(CommandLineFiles, OptionsSetLimitsAndBadValuesAreRefused) {
  CliRun limited = corvan("solve " + data("lp/p0033.xlsx") + " --option nod=3");
  EXPECT_TRUE(limited.has("status 15: stopped at the subproblem limit")) << limited.out;
  EXPECT_TRUE(limited.has("subproblem limit reached after 3 subproblems: stopping")) << limited.out;
  CliRun refused = corvan("solve " + data("lp/afiro.xlsx") + " --option tim=-1");
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_TRUE(refused.has("status 8:")) << refused.out;
  EXPECT_TRUE(refused.has("\"solver_tim\" does not accept \"-1\"")) << refused.out;
  CliRun analysed = corvan("analyse " + data("lp/afiro.xlsx") + " --option itr=0");
  EXPECT_EQ(analysed.status, 2) << analysed.out;
  EXPECT_TRUE(analysed.has("\"solver_itr\" does not accept \"0\"")) << analysed.out;
  CliRun fraction = corvan("solve " + data("lp/afiro.xlsx") + " --max-time 0.5");
  EXPECT_EQ(fraction.status, 0) << fraction.out;
}

// The analysis compiles the model's cells: hs71's four variables, its
// objective and its two constraints.
TEST_F(CommandLineFiles, AnalyseReportsTheCellsCompiled) {
  CliRun r = corvan("analyse " + data("nlp/hs71.xlsx"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("analysis: status 0: done")) << r.out;
  EXPECT_TRUE(r.has("cells compiled: 7")) << r.out;
}

// Malformed models: the exit status, the library's status when it ran, and a
// message naming the fault; the run saves nothing.
TEST_F(CommandLineFiles, MalformedModelsAreRefusedWithTheirReasons) {
  struct Case {
    const char* what;
    void (*change)(Plan*);
    const char* status;   // "" when the front end refuses before the library runs
    const char* message;
  };
  const Case cases[] = {
      {"no variable cells", [](Plan* p) { p->drop("solver_adj"); }, "status 13", "\"solver_adj\") are not defined"},
      {"variables not a reference", [](Plan* p) { p->set("solver_adj", "42"); }, "status 13", "\"solver_adj\" does not refer to cells"},
      {"variables on two sheets", [](Plan* p) { p->set("solver_adj1", "Other!$B$2"); }, "status 13", "the variable cells are on two sheets"},
      {"relation out of range", [](Plan* p) { p->set("solver_rel1", "12"); }, "status 13", "is missing or out of range (1 to 11)"},
      {"right-hand side of the wrong size", [](Plan* p) { p->set("solver_rhs1", "Plan!$C$5:$C$6"); }, "status 13", "has 2 cells, but its left-hand side"},
      {"no model at all", [](Plan* p) { p->names.clear(); }, "status 13", "holds no model"},
      {"objective #REF!", [](Plan* p) { p->set("solver_opt", "#REF!"); }, "status 13", "\"solver_opt\" gives #REF!"},
      {"constraint count abc", [](Plan* p) { p->set("solver_num", "\"abc\""); }, "status 8", "\"solver_num\" does not accept \"abc\""},
      {"constraint count 1e9", [](Plan* p) { p->set("solver_num", "1E+9"); }, "status 8", "\"solver_num\" does not accept"},
      {"constraint count missing", [](Plan* p) { p->drop("solver_num"); }, "status 8", "\"solver_num\" is missing"},
      {"negative time limit", [](Plan* p) { p->set("solver_tim", "-1"); }, "status 8", "\"solver_tim\" does not accept \"-1\""},
      {"engine abc", [](Plan* p) { p->set("solver_eng", "\"abc\""); }, "status 8", "\"solver_eng\" does not accept \"abc\""},
      {"variable cell with a formula", [](Plan* p) { p->cell("B2", "=1+1"); }, "status 13", "Plan!$B$2 holds a formula"},
      {"variable cell with a text", [](Plan* p) { p->cell("C2", "many"); }, "", "holds the text \"many\""},
      {"infeasible", [](Plan* p) { p->set("solver_num", "2"); p->set("solver_lhs2", "Plan!$B$2");
                                   p->set("solver_rel2", "3"); p->set("solver_rhs2", "5"); }, "status 5", "not written"},
  };
  for (const Case& c : cases) {
    Plan plan;
    c.change(&plan);
    std::string book = plan.save(dir_ / "bad.xlsx"), out = (dir_ / "out.xlsx").string();
    CliRun r = corvan("solve " + book + " --out " + out);
    EXPECT_EQ(r.status, 1) << c.what << "\n" << r.out;
    if (*c.status) EXPECT_TRUE(r.has(c.status)) << c.what << "\n" << r.out;
    else EXPECT_FALSE(r.has("status ")) << c.what << "\n" << r.out;
    EXPECT_TRUE(r.has(c.message)) << c.what << ": no '" << c.message << "' in\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.what;
  }
}

// egout solved in a pseudo-terminal, with Ctrl-C typed when the first
// incumbent shows; the output and the raw wait status.
struct TerminalRun {
  std::string text;
  int raw = 0;
  bool typed = false;
};

TerminalRun solveInTerminal(const std::string& out) {
  std::string program = std::string(CORVAN_SOLVE_OUT) + "/corvan", book = data("lp/egout.xlsx");
  TerminalRun run;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    execl(program.c_str(), program.c_str(), "solve", book.c_str(), "--option", "nod=10000000", "--out", out.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 200) > 0) {
      char buf[4096];
      ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;
      run.text.append(buf, static_cast<size_t>(n));
    }
    if (!run.typed && run.text.find("Incumbent") != std::string::npos) {
      const char ctrlC = 3;
      run.typed = write(master, &ctrlC, 1) == 1;
    }
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(120)) {
      kill(pid, SIGKILL);
      break;
    }
  }
  waitpid(pid, &run.raw, 0);
  close(master);
  return run;
}

// Ctrl-C typed at the terminal during a long branch-and-bound run: the run
// ends with the user's-stop status, and the saved workbook holds the best
// point found, which the printed objective matches.
TEST_F(CommandLineFiles, CtrlCStopsALongIntegerRunAndKeepsTheBestPoint) {
  std::string out = (dir_ / "stopped.xlsx").string();
  TerminalRun run = solveInTerminal(out);
  ASSERT_TRUE(run.typed) << run.text;
  EXPECT_TRUE(WIFEXITED(run.raw) && WEXITSTATUS(run.raw) == 0) << run.text;
  EXPECT_NE(run.text.find("status 6: stopped by the user"), std::string::npos) << run.text;
  size_t at = run.text.find("objective (minimise) Model!");
  ASSERT_NE(at, std::string::npos) << run.text;
  double printed = std::strtod(run.text.c_str() + run.text.find("= ", at) + 2, nullptr);
  std::string error;
  Workbook* wb = Xlsx_open(out, &error);
  ASSERT_NE(wb, nullptr) << error;
  Calc_recalculate(wb);
  CalcEvalResult r;
  ASSERT_TRUE(Calc_evaluate(wb, wb->activeSheet, "!solver_opt", &r));
  EXPECT_NEAR(r.value.values[0].number, printed, 1e-6 * (1 + std::fabs(printed)));
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

TEST_F(CommandLineFiles, OutReplacesTheWorkbookOnlyWhenAskedTo) {
  std::string book = (dir_ / "afiro.xlsx").string();
  std::filesystem::copy_file(data("lp/afiro.xlsx"), book);
  auto before = std::filesystem::file_size(book);
  CliRun refused = corvan("solve " + book + " --out " + book);
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_EQ(std::filesystem::file_size(book), before);
  // The copy is read-only, as the shared data are: even --overwrite leaves it.
  CliRun readOnly = corvan("solve " + book + " --overwrite --out " + book);
  EXPECT_EQ(readOnly.status, 2) << readOnly.out;
  EXPECT_NE(readOnly.out.find("is read-only"), std::string::npos) << readOnly.out;
  EXPECT_EQ(std::filesystem::file_size(book), before);
  std::filesystem::permissions(book, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  CliRun replaced = corvan("solve " + book + " --overwrite --out " + book);
  EXPECT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_NE(std::filesystem::file_size(book), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

// `corvan analyse` on small models whose diagnosis is known: x in B2, y in
// C2 (both in [-2, 2]), one row in B5 against C5, the objective in B9; the
// declared type is linear, so every nonlinear variable is named.
TEST_F(CommandLineFiles, AnalyseGivesTheLevelCountsAndClassesOfReferenceModels) {
  struct Case {
    const char* label;
    const char* row;
    const char* relation;  // 1 <=, 3 >=
    const char* objective;
    const char* sense;     // 1 maximise, 2 minimise
    std::vector<std::string> lines;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"linear", "=B2+C2", "1", "=2*B2+3*C2", "1",
       {"model level 1: linear", "functions: 2 linear, 0 quadratic, 2 smooth", "convexity: convex",
        "function 1 B5 <=: linear, affine", "function 2 B9 max: linear, affine"}, {}},
      {"quadratic objective", "=B2+C2", "3", "=B2^2+C2^2+B2", "2",
       {"model level 2: quadratic objective", "dependencies: 2 linear, 2 quadratic, 4 smooth",
        "convexity: convex", "function 2 B9 min: quadratic, strictly convex; variables B2 (in B9), C2 (in B9)"}, {}},
      {"quadratic constraint", "=B2^2+C2^2", "1", "=B2+C2", "2",
       {"model level 3: quadratic constraints", "convexity: convex", "function 1 B5 <=: quadratic"}, {}},
      {"smooth non-convex", "=B2+C2", "1", "=C2-(B2^4)", "2",
       {"model level 4: smooth nonlinear", "convexity: not convex", "function 2 B9 min: smooth"}, {}},
      {"ABS", "=B2+C2", "1", "=ABS(B2-1)+C2", "2",
       {"model level 5: non-smooth", "variables: 1 linear, 0 quadratic, 1 smooth", "function 2 B9 min: non-smooth"},
       {"irs=1"}},
      {"ABS linearised", "=B2+C2", "1", "=ABS(B2-1)+C2", "2",
       {"model level 1: linear", "function 2 (ABS in B9) <=: linear", "function 7 (ABS in B9) >=: linear",
        "function 8 B9 min: linear"},
       {"mtr=1"}},
      {"unknown function", "=B2+C2", "1", "=NOSUCHFN(B2)+C2", "2",
       {"model level 6: unknown functions", "above the declared type: 1"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Plan model;
    model.names = {{"solver_opt", "Plan!$B$9"},  {"solver_typ", c.sense},        {"solver_adj", "Plan!$B$2:$C$2"},
                   {"solver_num", "3"},          {"solver_lhs1", "Plan!$B$5"},   {"solver_rel1", c.relation},
                   {"solver_rhs1", "Plan!$C$5"}, {"solver_lhs2", "Plan!$B$2:$C$2"}, {"solver_rel2", "1"},
                   {"solver_rhs2", "2"},         {"solver_lhs3", "Plan!$B$2:$C$2"}, {"solver_rel3", "3"},
                   {"solver_rhs3", "-2"},        {"solver_mod", "1"}};
    model.cells = {{"B2", "0.5"}, {"C2", "0.5"}, {"B5", c.row}, {"C5", "1"}, {"B9", c.objective}};
    std::string args = "analyse " + model.save(dir_ / "model.xlsx");
    for (const std::string& o : c.options) args += " --option " + o;
    const CliRun r = corvan(args);
    EXPECT_TRUE(r.has("diagnosis: status 0")) << r.out;
    for (const std::string& line : c.lines) EXPECT_TRUE(r.has(line)) << line << "\n" << r.out;
  }
}

// Models the front end once judged apart from the library, printing the
// library's "solved" and then refusing: each gets the library's one verdict.
// A relation of 2.5 is read as 3 (>=) by both, so the plan is unbounded; a
// right-hand side on another sheet and variables on a hidden sheet solve to
// the plan's optimum, 36 at (2, 6); an objective of 100,000 characters,
// which no spreadsheet reads, is an evaluation failure, named in a short line.
TEST_F(CommandLineFiles, ModelsGetTheLibrarysOneVerdict) {
  struct Case {
    const char* what;
    void (*change)(Plan*);
    int exit;
    std::vector<std::string> shows;
  };
  const Case cases[] = {
      {"relation 2.5", [](Plan* p) { p->set("solver_rel1", "2.5"); }, 1, {"status 4: the objective is unbounded"}},
      {"right-hand side on another sheet",
       [](Plan* p) {
         p->set("solver_rhs1", "Other!$A$1:$A$3");
         p->otherCells = {{"A1", "4"}, {"A2", "12"}, {"A3", "18"}};
       },
       0,
       {"status 0:", "= 36.00", "12 (Other!A2)"}},
      {"variables on a hidden sheet",
       [](Plan* p) {
         p->otherHidden = true;
         p->otherCells = {{"B2", "0"}, {"C2", "0"}};
         p->cell("B2", "=Other!B2");
         p->cell("C2", "=Other!C2");
         p->set("solver_adj", "Other!$B$2:$C$2");
       },
       0,
       {"status 0:", "= 36.00", "Other!B2", "Other!C2"}},
      {"objective of 100,000 characters",
       [](Plan* p) {
         std::string formula = "=SUMPRODUCT(B2:C2,B3:C3)";
         while (formula.size() < 100000) formula += "+0*B2";
         p->cell("B9", formula);
       },
       1,
       {"status 9:", "holds #NAME?", " characters) cannot be read"}},
  };
  for (const Case& c : cases) {
    Plan plan;
    c.change(&plan);
    std::string book = plan.save(dir_ / "model.xlsx");
    CliRun r = corvan("solve " + book);
    EXPECT_EQ(r.status, c.exit) << c.what << "\n" << r.out.substr(0, 2000);
    EXPECT_EQ(occurrences(r.out, "status "), 1) << c.what << "\n" << r.out.substr(0, 2000);
    EXPECT_FALSE(r.has("cannot be solved")) << c.what << "\n" << r.out.substr(0, 2000);
    EXPECT_LT(r.out.size(), 4000u) << c.what;
    for (const std::string& s : c.shows)
      EXPECT_TRUE(r.has(s)) << c.what << ": no '" << s << "' in\n" << r.out.substr(0, 2000);
  }
}

// An engine number beyond the int range, given on the command line, as an
// option or stored in the model, is refused without undefined behaviour (the
// sanitizer build runs this test too): bad usage for the command line's,
// the library's refusal for the stored one.
TEST_F(CommandLineFiles, EngineNumbersBeyondTheIntRangeAreRefused) {
  Plan plan;
  std::string book = plan.save(dir_ / "plan.xlsx");
  for (const char* args :
       {" --engine 2147483648", " --engine -2147483649", " --option eng=2147483648", " --option eng=1e300"}) {
    CliRun r = corvan("solve " + book + args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
  }
  plan.set("solver_eng", "2147483648");
  CliRun stored = corvan("solve " + plan.save(dir_ / "stored.xlsx"));
  EXPECT_EQ(stored.status, 1) << stored.out;
  EXPECT_TRUE(stored.has("\"solver_eng\" does not accept \"2147483648\"")) << stored.out;
}

// Saving the solution over a file with another hard link says that the link
// keeps the workbook as it was; a read-only --out target is refused.
TEST_F(CommandLineFiles, SavingSaysWhenAHardLinkBreaksAndRefusesReadOnlyFiles) {
  Plan plan;
  std::string book = plan.save(dir_ / "plan.xlsx"), out = (dir_ / "out.xlsx").string();
  std::filesystem::copy_file(book, out);
  std::filesystem::create_hard_link(out, dir_ / "link.xlsx");
  CliRun linked = corvan("solve " + book + " --out " + out);
  EXPECT_EQ(linked.status, 0) << linked.out;
  EXPECT_TRUE(linked.has("corvan: warning: " + out + " has 1 other hard link(s)")) << linked.out;
  std::filesystem::permissions(out, std::filesystem::perms::owner_read);
  CliRun readOnly = corvan("solve " + book + " --out " + out);
  EXPECT_EQ(readOnly.status, 2) << readOnly.out;
  EXPECT_TRUE(readOnly.has(out + ": cannot save: is read-only")) << readOnly.out;
}

// Runs terminated (SIGTERM) at random points of a solve that saves a large
// workbook: none leaves a temporary file, and the target is always the
// workbook as it was or the solved one.
TEST_F(CommandLineFiles, TerminatedRunsLeaveNoTemporaryFile) {
  Plan plan;
  for (int k = 0; k < 40000; ++k) plan.otherCells.push_back({Wb_a1(k / 20, k % 20), std::to_string(k)});
  std::string book = plan.save(dir_ / "plan.xlsx");
  std::filesystem::create_directory(dir_ / "out");
  std::string out = (dir_ / "out" / "solved.xlsx").string();
  std::filesystem::copy_file(book, out);
  std::string program = std::string(CORVAN_SOLVE_OUT) + "/corvan";
  auto start = std::chrono::steady_clock::now();
  CliRun whole = corvan("solve " + book + " --out " + out);
  ASSERT_EQ(whole.status, 0) << whole.out;
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  for (int trial = 0; trial < 20; ++trial) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      freopen("/dev/null", "w", stdout);
      freopen("/dev/null", "w", stderr);
      execl(program.c_str(), program.c_str(), "solve", book.c_str(), "--out", out.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(span * (trial + 1) / 21);
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "out"), std::filesystem::directory_iterator()),
              1)
        << "after a run terminated at " << (trial + 1) << "/21 of a solve";
    std::string error;
    Workbook* wb = Xlsx_open(out, &error);
    ASSERT_NE(wb, nullptr) << error;
    Wb_closeWorkbook(wb);
  }
}
