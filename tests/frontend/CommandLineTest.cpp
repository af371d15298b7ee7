// The `corvan` command as a user runs it: help texts, exit statuses, options,
// the printed results and reports of a small LP whose sensitivity is known by
// hand, malformed models refused with their reasons, Ctrl-C in a
// pseudo-terminal during a long integer run, and the time limit and Ctrl-C
// during a long load.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

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

// The line of `text` that holds `part` ("" when none does).
std::string lineWith(const std::string& text, const std::string& part) {
  size_t at = text.find(part);
  if (at == std::string::npos) return "";
  size_t start = text.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  return text.substr(start, text.find('\n', at) - start);
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
      {"solve " + data("lp/afiro.xlsx") + " --bogus 1", 2, {"solve has no option '--bogus'", "Try 'corvan solve --help'"}},
      {"analyse " + data("lp/afiro.xlsx") + " --out x.xlsx", 2, {"analyse has no option '--out'", "Try 'corvan analyse --help'"}},
      {"solve", 2, {"corvan: solve needs a workbook (BOOK.xlsx)", "Try 'corvan solve --help'"}},
      {"solve " + data("lp/afiro.xlsx") + " --engine x", 2, {"Try 'corvan solve --help'"}},
      {"help --help", 0, {"usage: corvan solve", "`--` ends them"}},
      {"help help", 0, {"usage: corvan solve"}},
      {"solve " + data("lp/afiro.xlsx") + " --quiet --", 0, {"status 0: solved"}},
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
    EXPECT_FALSE(r.has("corvan: corvan")) << r.out;
  }
}

using CommandLineFiles = ScratchTest;

// After `--` every argument is the workbook, even a name that starts with
// '-', which before it would be an option.
TEST_F(CommandLineFiles, AWorkbookWhoseNameStartsWithADashFollowsTheEndOfOptions) {
  std::filesystem::copy_file(data("lp/afiro.xlsx"), dir_ / "-x.xlsx");
  const std::string inFolder = "cd " + dir_.string() + " &&";  // the name as given, relative to its folder
  CliRun r = corvan("solve --quiet -- -x.xlsx", inFolder);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("status 0: solved")) << r.out;
  CliRun option = corvan("solve --quiet -x.xlsx", inFolder);
  EXPECT_EQ(option.status, 2) << option.out;
  EXPECT_TRUE(option.has("solve has no option '-x.xlsx'")) << option.out;
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

// Printed results and reports of the plan against the values known by hand;
// the saved workbook holds the solution and the report sheets.
TEST_F(CommandLineFiles, ResultsAndReportsOfAnLpMatchTheKnownSensitivity) {
  std::string book = Plan().save(dir_ / "plan.xlsx"), out = (dir_ / "solved.xlsx").string();
  CliRun r = corvan("solve " + book + " --report all --out " + out);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("status 0: solved")) << r.out;
  EXPECT_TRUE(r.has("engine: Standard LP/Quadratic")) << r.out;
  // B8 is blank: the objective is not labelled by the column of the constraints above.
  EXPECT_TRUE(r.has("objective (maximise) Plan!B9 Total profit = 36.00")) << r.out;
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
  // An integer model has an answer report but no sensitivity: asked for
  // both, the run is refused before it starts, and nothing is saved.
  std::string integerOut = (dir_ / "p0033.xlsx").string();
  CliRun refused = corvan("solve " + data("lp/p0033.xlsx") + " --report answer,sensitivity --out " + integerOut);
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_FALSE(refused.has("answer report: Variable cells")) << refused.out;
  EXPECT_TRUE(refused.has("no sensitivity report: the model has integer constraints")) << refused.out;
  EXPECT_FALSE(std::filesystem::exists(integerOut));
}

// A multistart run ends with the driver's own status; the limits runs that
// follow it count that as a solution as the verdict does. hs21 (min 0.01 x1^2
// + x2^2 - 100, 10 x1 - x2 >= 10, 2 <= x1 <= 50, -50 <= x2 <= 50) solves to
// (2, 0); with the other variable held, x1 moves over [2, 50] and x2 over
// [-50, 10].
TEST_F(CommandLineFiles, LimitsFollowAMultistartRunAsAPlainOne) {
  struct Row { const char* cell; std::vector<std::pair<int, double>> values; };
  const Row rows[] = {{"$B$2  Value X1", {{0, 2}, {1, 2}, {2, -99.96}, {3, 50}, {4, -75}}},
                      {"$C$2  Value X2", {{0, 0}, {1, -50}, {4, 10}}}};
  for (const char* options : {"", " --option msl=1"}) {
    CliRun r = corvan("solve " + data("nlp/hs21.xlsx") + " --report limits" + options);
    EXPECT_EQ(r.status, 0) << r.out;
    size_t limits = r.out.find("limits report: Variable cells");
    ASSERT_NE(limits, std::string::npos) << r.out;
    EXPECT_FALSE(r.has("not found")) << r.out;
    for (const Row& row : rows)
      for (auto [k, value] : row.values)
        EXPECT_NEAR(numberAfter(r.out.substr(limits), row.cell, k), value, 1e-4) << options << " " << row.cell << k;
  }
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
  // Values typed on the command line are checked as a dialog checks them,
  // before the workbook is opened; unknown names are refused with a hint.
  struct Refusal {
    const char* option;
    const char* message;
  };
  const Refusal refusals[] = {
      {"tim=-1", "\"solver_tim\" does not accept -1; it takes a number above 0 to 2147483647"},
      {"itr=0", "\"solver_itr\" does not accept 0; it takes a whole number from 1 to 2147483647"},
      {"nod=2.5", "\"solver_nod\" does not accept 2.5"},
      {"eng=abc", "\"solver_eng\" takes a number, not 'abc'"},
      {"nodes=10", "there is no option \"solver_nodes\"; did you mean nod (\"solver_nod\")?"},
      {"solver_timm=10", "there is no option \"solver_timm\"; did you mean tim (\"solver_tim\")?"},
      {"zzzzz=1", "there is no option \"solver_zzzzz\"\nTry"},
  };
  for (const Refusal& c : refusals)
    for (const char* command : {"solve ", "analyse "}) {
      CliRun r = corvan(command + data("lp/afiro.xlsx") + " --option " + c.option);
      EXPECT_EQ(r.status, 2) << c.option << "\n" << r.out;
      EXPECT_TRUE(r.has(c.message)) << c.option << "\n" << r.out;
      EXPECT_FALSE(r.has("status ")) << c.option << "\n" << r.out;
    }
  CliRun fraction = corvan("solve " + data("lp/afiro.xlsx") + " --max-time 600.5");
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
// message naming the file, the sheet and the name or cell at fault; the run
// saves nothing.
TEST_F(CommandLineFiles, MalformedModelsAreRefusedWithTheirReasons) {
  struct Case {
    const char* what;
    void (*change)(Plan*);
    const char* status;   // "" when the front end refuses before the library runs
    const char* message;
  };
  const Case cases[] = {
      {"no variable cells", [](Plan* p) { p->drop("solver_adj"); }, "status 13",
       "the variable cells (\"solver_adj\") are not defined"},
      {"variables not a reference", [](Plan* p) { p->set("solver_adj", "42"); }, "status 13",
       "\"solver_adj\" does not refer to cells"},
      {"variables on two sheets", [](Plan* p) { p->set("solver_adj1", "Other!$B$2"); }, "status 13",
       "the variable cells are on two sheets: \"solver_adj1\" refers to 'Other'"},
      {"variables past column IV", [](Plan* p) { p->set("solver_adj", "Plan!$B$2:$IX$2"); }, "status 13",
       "\"solver_adj\" (Plan!B2:IX2) reaches past the 256 columns (to IV) that the library's references hold: "
       "Plan!IW2 is the first cell beyond"},
      {"relation out of range", [](Plan* p) { p->set("solver_rel1", "12"); }, "status 13",
       "the relation \"solver_rel1\" of constraint 1 is missing or out of range (1 to 11)"},
      {"relation code 0", [](Plan* p) { p->set("solver_rel1", "0"); }, "status 13",
       "the relation \"solver_rel1\" of constraint 1 is missing or out of range"},
      {"relation code 2.5", [](Plan* p) { p->set("solver_rel1", "2.5"); }, "status 13",
       "the relation \"solver_rel1\" of constraint 1 is missing or out of range"},
      {"right-hand side of the wrong size", [](Plan* p) { p->set("solver_rhs1", "Plan!$C$5:$C$6"); }, "status 13",
       "the right-hand side \"solver_rhs1\" has 2 cells, but its left-hand side Plan!B5:B7 has 3"},
      {"no model at all", [](Plan* p) { p->names.clear(); }, "status 13", "holds no model"},
      {"objective #REF!", [](Plan* p) { p->set("solver_opt", "#REF!"); }, "status 13", "\"solver_opt\" gives #REF!"},
      {"objective holding a text", [](Plan* p) { p->cell("B9", "none"); }, "status 9",
       "the objective cell Plan!B9 (\"solver_opt\") holds the text \"none\", not a number"},
      {"value-of objective without a value", [](Plan* p) { p->set("solver_typ", "3"); }, "status 13",
       "\"solver_typ\" is 3 (value of), but \"solver_val\" (the value to reach) is missing"},
      {"constraint count abc", [](Plan* p) { p->set("solver_num", "\"abc\""); }, "status 8",
       "\"solver_num\" (the number of constraints) is the text \"abc\", not a whole number from 0 to 32767"},
      {"constraint count 1e9", [](Plan* p) { p->set("solver_num", "1E+9"); }, "status 8",
       "\"solver_num\" (the number of constraints) is 1000000000, not a whole number from 0 to 32767"},
      {"constraint count missing", [](Plan* p) { p->drop("solver_num"); }, "status 8",
       "\"solver_num\" (the number of constraints) is missing"},
      {"text in a right-hand-side cell", [](Plan* p) { p->cell("C6", "lots"); }, "status 19",
       "the right-hand side cell Plan!C6 of constraint 1 (\"solver_rhs1\", for Plan!B6) holds the text \"lots\", not a "
       "number"},
      {"error in a right-hand-side cell", [](Plan* p) { p->cell("C7", "=1/0"); }, "status 19",
       "the right-hand side cell Plan!C7 of constraint 1 (\"solver_rhs1\", for Plan!B7) holds #DIV/0!, not a number"},
      {"integer constraint on a cell that is no variable",
       [](Plan* p) {
         p->set("solver_num", "2");
         p->set("solver_lhs2", "Plan!$B$5");
         p->set("solver_rel2", "4");
         p->set("solver_rhs2", "\"integer\"");
       },
       "status 13", "constraint 2 (\"solver_lhs2\") makes Plan!B5 integer, but it is no variable cell"},
      {"engine abc", [](Plan* p) { p->set("solver_eng", "\"abc\""); }, "status 8",
       "\"solver_eng\" (the engine) is the text \"abc\", not a whole number within range"},
      {"unknown engine number", [](Plan* p) { p->set("solver_eng", "9"); }, "status 13",
       "\"solver_eng\" is 9, which names no engine"},
      {"variable cell with a formula", [](Plan* p) { p->cell("B2", "=1+1"); }, "status 13",
       "the variable cell Plan!B2 holds a formula"},
      {"protected sheet", [](Plan* p) { p->protectedSheet = true; }, "",
       "sheet 'Plan' is protected, so its variable cells Plan!B2:C2 cannot be changed"},
      {"merged variable cells",
       [](Plan* p) {
         p->merged.push_back(CellRange{0, 1, 2, 2, 3});
       },
       "", "the variable cell Plan!C2 lies in the merged cells C2:D3; a variable cell must be a cell of its own"},
      {"variable cell with a text", [](Plan* p) { p->cell("C2", "many"); }, "",
       "the variable cell Plan!C2 holds the text \"many\""},
      {"infeasible",
       [](Plan* p) {
         p->set("solver_num", "2");
         p->set("solver_lhs2", "Plan!$B$2");
         p->set("solver_rel2", "3");
         p->set("solver_rhs2", "5");
       },
       "status 5", "not written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan plan;
    c.change(&plan);
    std::string book = plan.save(dir_ / "bad.xlsx"), out = (dir_ / "out.xlsx").string();
    CliRun r = corvan("solve " + book + " --out " + out);
    EXPECT_EQ(r.status, 1) << r.out;
    if (*c.status) EXPECT_TRUE(r.has(c.status)) << r.out;
    else EXPECT_FALSE(r.has("status ")) << r.out;
    std::string where = "corvan: " + book + ": sheet 'Plan': ";
    std::string line = lineWith(r.out, c.message);
    EXPECT_FALSE(line.empty()) << "no '" << c.message << "' in\n" << r.out;
    if (std::string(c.what) != "infeasible") {
      EXPECT_EQ(line.rfind(where, 0), 0u) << line;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    // Asked to replace the workbook itself, a failed run leaves it as it was.
    std::string before = fileBytes(book);
    CliRun again = corvan("solve " + book + " --overwrite --out " + book);
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_EQ(fileBytes(book), before);
  }
}

// egout solved in a pseudo-terminal with the given options, with Ctrl-C
// typed when the first incumbent shows when asked, in a terminal of the
// given width (0: one that does not say); the output and the raw wait
// status.
struct TerminalRun {
  std::string text;
  int raw = 0;
  bool typed = false;
  double seconds = 0;   // from the start to the end of the run
};

TerminalRun solveInTerminal(const std::vector<std::string>& options, bool ctrlC, unsigned short columns = 0) {
  std::string program = std::string(CORVAN_SOLVE_OUT) + "/corvan", book = data("lp/egout.xlsx");
  std::vector<std::string> args{program, "solve", book};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  TerminalRun run;
  int master = -1;
  winsize size{};
  size.ws_row = 24;
  size.ws_col = columns;
  pid_t pid = forkpty(&master, nullptr, nullptr, columns ? &size : nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    execv(program.c_str(), argv.data());
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
    if (ctrlC && !run.typed && run.text.find("Incumbent") != std::string::npos) {
      const char ctrlCKey = 3;
      run.typed = write(master, &ctrlCKey, 1) == 1;
    }
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(120)) {
      kill(pid, SIGKILL);
      break;
    }
  }
  waitpid(pid, &run.raw, 0);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(master);
  return run;
}

// Ctrl-C typed at the terminal during a long branch-and-bound run: the run
// ends with the user's-stop status, and the saved workbook holds the best
// point found, which the printed objective matches.
TEST_F(CommandLineFiles, CtrlCStopsALongIntegerRunAndKeepsTheBestPoint) {
  std::string out = (dir_ / "stopped.xlsx").string();
  TerminalRun run = solveInTerminal({"--option", "nod=10000000", "--out", out}, true);
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
// once, with the model's dependence on it. Two cells of forms.xlsx (a
// reference into another workbook, a range ending in INDEX) are not
// calculated: they are named, not counted as matching, and fail the run.
TEST(RealWorkbooks, RecalculateToTheirStoredValues) {
  for (const char* name : {"forms.xlsx", "blanks.xlsx"}) {
    CliRun r = corvan("recalc " + fixture(name));
    const bool forms = std::string(name) == "forms.xlsx";
    EXPECT_EQ(r.status, forms ? 1 : 0) << r.out;
    EXPECT_EQ(r.out.find(" 0 matching"), std::string::npos) << r.out;
    if (!forms) continue;
    EXPECT_TRUE(r.has("Forms: 20 formula cells checked, 20 matching, 0 differing")) << r.out;
    EXPECT_TRUE(r.has("    A22: =[1]Sheet1!A1")) << r.out;
    EXPECT_TRUE(r.has("    B2: =SUM(Data!A1:INDEX(Data!A1:A3,3))")) << r.out;
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
  // Read-only by its mode bits whatever the shared data's are; the save
  // refuses by those bits, so the step holds for root as well.
  namespace fs = std::filesystem;
  fs::permissions(book, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                  fs::perm_options::replace);
  auto before = std::filesystem::file_size(book);
  CliRun refused = corvan("solve " + book + " --out " + book);
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_EQ(std::filesystem::file_size(book), before);
  // The copy is read-only: even --overwrite leaves it.
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
// declared type is linear, so every nonlinear variable is named. CONVERT
// is affine in its number. ABS, MAX and IF of the variables count as
// smooth while the model lets non-smooth functions take derivatives (the
// stored "solver_irs" 0, as by default) and as non-smooth when it does not.
TEST_F(CommandLineFiles, AnalyseGivesTheLevelCountsAndClassesOfReferenceModels) {
  struct Case {
    const char* label;
    const char* row;
    const char* relation;  // 1 <=, 3 >=
    const char* objective;
    const char* sense;     // 1 maximise, 2 minimise
    std::vector<std::string> lines;
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> cells = {};
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
      {"CONVERT", "=CONVERT(B2,\"ft\",\"m\")+CONVERT(C2,\"F\",\"C\")", "1", "=CONVERT(B2,\"m\",\"in\")^2+C2", "2",
       {"model level 2: quadratic objective", "function 1 B5 <=: linear, affine",
        "function 2 B9 min: quadratic, strictly convex"}, {}},
      {"MAX over ABS", "=MAX(E2:E4)", "1", "=IF(B2>C2,B2,C2)+ABS(B2-C2)", "2",
       {"model level 4: smooth nonlinear", "function 1 B5 <=: smooth", "function 2 B9 min: smooth"}, {},
       {{"E2", "=ABS(B2)"}, {"E3", "=ABS(C2+1)"}, {"E4", "=ABS(B2-C2)"}}},
      {"MAX over ABS, non-smooth uses refused", "=MAX(E2:E4)", "1", "=IF(B2>C2,B2,C2)+ABS(B2-C2)", "2",
       {"model level 5: non-smooth", "function 1 B5 <=: non-smooth", "function 2 B9 min: non-smooth"}, {"irs=1"},
       {{"E2", "=ABS(B2)"}, {"E3", "=ABS(C2+1)"}, {"E4", "=ABS(B2-C2)"}}},
      // A kink inside the box: at least a convex function, at most a
      // non-convex one, neither region convex.
      {"MAX of ABS at least 1", "=MAX(ABS(B2),ABS(C2+1),ABS(B2-C2))", "3", "=B2+C2", "2",
       {"convexity: not convex", "function 1 B5 >=: smooth, convex"}, {}},
      {"MIN of squares at most 1", "=MIN(B2^2,(C2-1)^2)", "1", "=B2+C2", "2",
       {"convexity: undecided", "function 1 B5 <=: smooth, unknown"}, {}},
      // SIGN's jump at 0 inside the box: neither function is convex or
      // affine there.
      {"SIGN through its jump", "=SIGN(B2)+B2^2", "1", "=SIGN(B2-1)+C2", "2",
       {"convexity: undecided", "function 1 B5 <=: smooth, unknown", "function 2 B9 min: smooth, unknown"}, {}},
      {"unknown function", "=B2+C2", "1", "=NOSUCHFN(B2)+C2", "2",
       {"model level 6: unknown functions", "above the declared type: 1", "convexity: undecided",
        "function 2 B9 min: unknown function, unknown"}, {}},
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
    model.cells.insert(model.cells.end(), c.cells.begin(), c.cells.end());
    std::string args = "analyse " + model.save(dir_ / "model.xlsx");
    for (const std::string& o : c.options) args += " --option " + o;
    const CliRun r = corvan(args);
    EXPECT_TRUE(r.has("diagnosis: status 0")) << r.out;
    for (const std::string& line : c.lines) EXPECT_TRUE(r.has(line)) << line << "\n" << r.out;
  }
}

// Models the front end once judged apart from the library, printing the
// library's "solved" and then refusing: each gets the library's one verdict.
// A relation of 2.5 is none of the relations for both, named by the front
// end after the library's refusal; a right-hand side on another sheet and
// variables on a hidden sheet solve to the plan's optimum, 36 at (2, 6); an
// objective of 100,000 characters, which no spreadsheet reads, is an
// evaluation failure, named in a short line.
TEST_F(CommandLineFiles, ModelsGetTheLibrarysOneVerdict) {
  struct Case {
    const char* what;
    void (*change)(Plan*);
    int exit;
    std::vector<std::string> shows;
  };
  const Case cases[] = {
      {"relation 2.5",
       [](Plan* p) { p->set("solver_rel1", "2.5"); },
       1,
       {"status 13:", "the relation \"solver_rel1\" of constraint 1 is missing or out of range"}},
      {"right-hand side on another sheet",
       [](Plan* p) {
         p->set("solver_rhs1", "Other!$A$1:$A$3");
         p->cell("Other!A1", "4");
         p->cell("Other!A2", "12");
         p->cell("Other!A3", "18");
       },
       0,
       {"status 0:", "= 36.00", "12 (Other!A2)"}},
      {"variables on a hidden sheet",
       [](Plan* p) {
         p->otherHidden = true;
         p->cell("Other!B2", "0");
         p->cell("Other!C2", "0");
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
// a refusal in the front end's words for the stored one.
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
  EXPECT_TRUE(stored.has("\"solver_eng\" (the engine) is 2147483648, not a whole number within range")) << stored.out;
  EXPECT_FALSE(stored.has("Model refused")) << stored.out;
}

// Saving the solution over a file with another hard link says that the link
// keeps the workbook as it was; a read-only --out target is refused, and a
// save past the file-size limit is said as a write that failed.
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
  // A file-size limit of 1 KiB: the save fails as on a full disk, in words.
  std::filesystem::remove(out);
  CliRun limited = corvan("solve " + book + " --out " + out, "ulimit -f 2;");
  EXPECT_EQ(limited.status, 2) << limited.out;
  EXPECT_TRUE(limited.has(out + ": cannot save: cannot write: File too large")) << limited.out;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Runs terminated (SIGTERM) at random points of a solve that saves a large
// workbook: none leaves a temporary file, and the target is always the
// workbook as it was or the solved one.
TEST_F(CommandLineFiles, TerminatedRunsLeaveNoTemporaryFile) {
  Plan plan;
  for (int k = 0; k < 40000; ++k) plan.cell("Other!" + Wb_a1(k / 20, k % 20), std::to_string(k));
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

namespace {

// A run of `corvan solve BOOK --out OUT` started with standard error going to
// a file, interrupted once the engine runs and, `spacing` later, again
// (never, when negative). What it wrote to standard error and its wait
// status.
struct InterruptedRun {
  std::string err;
  int raw = 0;
  std::chrono::microseconds afterFirst{0};  // from the first interrupt to its end
};

// The first interrupt comes `delay` after the engine's set-up begins, the
// second `spacing` after it (none for a negative spacing).
InterruptedRun interruptTwice(const std::string& book, const std::string& out, const std::filesystem::path& errFile,
                              std::chrono::milliseconds delay, std::chrono::microseconds spacing) {
  const std::string program = std::string(CORVAN_SOLVE_OUT) + "/corvan";
  InterruptedRun run;
  std::fflush(nullptr);  // nothing buffered here is written twice
  pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    freopen(errFile.c_str(), "w", stderr);
    execl(program.c_str(), program.c_str(), "solve", book.c_str(), "--option", "nod=10000000", "--out", out.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // The progress line's first words say the engine's set-up has begun.
  const auto started = std::chrono::steady_clock::now();
  while (fileBytes(errFile.string()).find("Setting up") == std::string::npos &&
         std::chrono::steady_clock::now() - started < std::chrono::seconds(60))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(delay);
  kill(pid, SIGINT);
  const auto first = std::chrono::steady_clock::now();
  if (spacing.count() >= 0) {
    std::this_thread::sleep_for(spacing);
    kill(pid, SIGINT);
  }
  waitpid(pid, &run.raw, 0);
  run.afterFirst = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - first);
  run.err = fileBytes(errFile.string());
  return run;
}

}  // namespace

// A second Ctrl-C while a run that saves a large workbook ends: at every
// spacing, from at once to past the save, the message and the file agree.
// Either the run says it ends without writing and the file is as it was,
// or it says the workbook was saved (or ends normally) and the file is the
// complete solved workbook; no temporary file is left either way.
TEST_F(CommandLineFiles, ASecondInterruptSaysWhatHappenedToTheSavedFile) {
  std::string error;
  Workbook* wb = Xlsx_open(data("lp/egout.xlsx"), &error);
  ASSERT_NE(wb, nullptr) << error;
  Sheet* other = Wb_addSheet(wb, "Other");
  for (int k = 0; k < 40000; ++k) Wb_setValue(wb, other, k / 20, k % 20, CellValue::makeNumber(k));
  const std::string book = (dir_ / "egout.xlsx").string();
  ASSERT_TRUE(Xlsx_save(wb, book, &error)) << error;
  Wb_closeWorkbook(wb);
  std::filesystem::create_directory(dir_ / "out");
  const std::string out = (dir_ / "out" / "solved.xlsx").string(), before = fileBytes(book);
  // One interrupt: how long the search needs for a first integer solution
  // on this build (a run stopped before one has nothing to save), and how
  // long the run then takes to stop, print and save.
  std::chrono::milliseconds delay(150);
  InterruptedRun once;
  do {
    delay *= 2;
    std::filesystem::remove(out);
    std::filesystem::copy_file(book, out);
    once = interruptTwice(book, out, dir_ / "err.txt", delay, std::chrono::microseconds(-1));
  } while (WIFEXITED(once.raw) && WEXITSTATUS(once.raw) == 1 && delay < std::chrono::seconds(20));
  ASSERT_TRUE(WIFEXITED(once.raw) && WEXITSTATUS(once.raw) == 0) << once.err;
  ASSERT_NE(fileBytes(out), before);
  delay *= 2;
  for (int k = 0; k <= 12; ++k) {
    const auto spacing = once.afterFirst * k / 10;
    SCOPED_TRACE("second interrupt " + std::to_string(spacing.count()) + " us after the first");
    std::filesystem::remove(out);
    std::filesystem::copy_file(book, out);
    InterruptedRun run = interruptTwice(book, out, dir_ / "err.txt", delay, spacing);
    ASSERT_TRUE(WIFEXITED(run.raw)) << run.err;
    const bool unwritten = run.err.find("interrupted again: ending without writing") != std::string::npos;
    const bool saved = run.err.find("interrupted again: ending; the workbook had already been saved") != std::string::npos;
    // A run on a busy machine may still stop before its first solution: it
    // then says so and writes nothing, which agrees as well.
    const bool noSolution = run.err.find("no solution: " + out + " not written") != std::string::npos;
    EXPECT_EQ(WEXITSTATUS(run.raw), unwritten || saved ? 130 : noSolution ? 1 : 0) << run.err;
    EXPECT_FALSE(unwritten && saved) << run.err;
    EXPECT_EQ(fileBytes(out) == before, unwritten || noSolution) << run.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "out"), std::filesystem::directory_iterator()), 1);
    if (unwritten || noSolution) continue;
    Workbook* solved = Xlsx_open(out, &error);
    ASSERT_NE(solved, nullptr) << error;
    Wb_closeWorkbook(solved);
  }
}

namespace {

// The shapes of a workbook whose recalculation takes minutes.
enum class SlowShape {
  ManyFormulas,  // 3,000 cells that each sum the square of a 300 x 300 block (27 million products apiece)
  OneFormula,    // one cell calling CRITBINOM for 100,000 counts so large that each call sums its most terms
};

// A workbook of `shape` beside a model of one variable that reads none of
// its slow cells. Saved without its values, as a recalculation of its own
// would take as long.
std::string writeSlowBook(const std::filesystem::path& path, SlowShape shape) {
  constexpr int kSide = 300, kSums = 3000;
  Workbook* wb = Wb_newWorkbook("slow.xlsx");
  Sheet* data = Wb_addSheet(wb, "Data");
  Sheet* model = Wb_addSheet(wb, "Model");
  const std::string block = "Data!$A$1:$" + Wb_columnName(kSide - 1) + "$" + std::to_string(kSide);
  switch (shape) {
    case SlowShape::ManyFormulas:
      for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) Wb_setValue(wb, data, r, c, CellValue::makeNumber((r + c) % 3));
      for (int k = 0; k < kSums; ++k) Wb_setFormula(wb, model, k, 3, "=SUM(MMULT(" + block + "," + block + "))");
      break;
    case SlowShape::OneFormula:
      Wb_setFormula(wb, model, 0, 3, "=SUMPRODUCT(CRITBINOM(ROW(Data!A1:A100000)+1E+15,0.5,0.1))");
      break;
  }
  Wb_setValue(wb, model, 0, 0, CellValue::makeNumber(0));
  Wb_setFormula(wb, model, 1, 0, "=A1");
  const std::pair<const char*, const char*> names[] = {
      {"solver_opt", "Model!$A$2"}, {"solver_typ", "1"},  {"solver_adj", "Model!$A$1"},
      {"solver_num", "1"},          {"solver_lhs1", "Model!$A$1"}, {"solver_rel1", "1"},
      {"solver_rhs1", "10"},        {"solver_lin", "1"},  {"solver_eng", "2"}};
  for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, 1, true});
  wb->activeSheet = 1;
  std::string error;
  EXPECT_TRUE(Xlsx_save(wb, path.string(), &error)) << error;
  Wb_closeWorkbook(wb);
  return path.string();
}

// Whether the process has its own handler for SIGINT (its "SigCgt" mask).
bool catchesInterrupts(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
  return false;
}

// `corvan ARGS` with its output going to `outFile`; when `interrupt`, one
// SIGINT as soon as it handles them. Its wait status, its output and the
// seconds it took; a run still going after two minutes is killed.
struct TimedRun {
  int raw = 0;
  std::string out;
  double seconds = 0;
};

TimedRun runTimed(const std::vector<std::string>& args, bool interrupt, const std::filesystem::path& outFile) {
  std::vector<std::string> line{std::string(CORVAN_SOLVE_OUT) + "/corvan"};
  line.insert(line.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : line) argv.push_back(a.data());
  argv.push_back(nullptr);
  TimedRun run;
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    freopen(outFile.c_str(), "w", stdout);
    dup2(fileno(stdout), fileno(stderr));
    execv(argv[0], argv.data());
    _exit(127);
  }
  bool sent = !interrupt;
  while (waitpid(pid, &run.raw, WNOHANG) == 0) {
    if (!sent && catchesInterrupts(pid)) sent = kill(pid, SIGINT) == 0;
    if (std::chrono::steady_clock::now() - start > std::chrono::minutes(2)) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.out = fileBytes(outFile.string());
  return run;
}

}  // namespace

namespace {

// The load of `book` stops at the time limit and at Ctrl-C, for solve and
// for models, with nothing written.
void expectTheLoadStops(const std::string& book, const std::filesystem::path& dir) {
  const std::string out = (dir / "solved.xlsx").string();
  struct Case {
    std::vector<std::string> args;
    bool interrupt;
    std::vector<std::string> says;
  };
  const Case cases[] = {
      {{"--max-time", "2"}, false,
       {"time limit reached after 2 s: stopping; raise it with --max-time 20", "status 10: stopped at the time limit"}},
      {{}, true, {"interrupted while loading the workbook: ending without a run", "status 6: stopped by the user"}},
      {{"--max-time", "1000"}, true, {"interrupted while loading the workbook", "status 6: stopped by the user"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"solve", book, "--out", out};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.says.front());
    const TimedRun run = runTimed(args, c.interrupt, dir / "output.txt");
    ASSERT_TRUE(WIFEXITED(run.raw)) << run.out;
    EXPECT_EQ(WEXITSTATUS(run.raw), 1) << run.out;
    for (const std::string& words : c.says) EXPECT_NE(run.out.find(words), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("no solution: " + out + " not written"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_LT(run.seconds, 30) << run.out;
  }
  // Another command's load stops at an interrupt as well.
  const TimedRun models = runTimed({"models", book}, true, dir / "output.txt");
  ASSERT_TRUE(WIFEXITED(models.raw)) << models.out;
  EXPECT_NE(WEXITSTATUS(models.raw), 0) << models.out;
  EXPECT_NE(models.out.find("interrupted while loading the workbook"), std::string::npos) << models.out;
  EXPECT_LT(models.seconds, 30) << models.out;
}

}  // namespace

// The time limit counts from the start of the command and the first Ctrl-C
// is acted on while the workbook loads: a load far longer than the limit
// (minutes, on any machine) stops where it is, says why with the status a
// run stopped so has, and writes nothing. The stop comes at the next formula
// of the recalculation, or inside the one long formula (between two
// elements of its lifted call), long before the load would have ended.
TEST_F(CommandLineFiles, TheTimeLimitAndAnInterruptStopTheLoad) {
  for (const SlowShape shape : {SlowShape::ManyFormulas, SlowShape::OneFormula}) {
    SCOPED_TRACE(static_cast<int>(shape));
    expectTheLoadStops(writeSlowBook(dir_ / "slow.xlsx", shape), dir_);
  }
}

namespace {

// A model whose data come from lookups, analysed and solved from its saved
// workbook through the interpreter ("solver_dia" 2) and through the
// workbook's own calculation: both reach the optimum known by hand.
void expectLinearOptimum(const Plan& model, const std::filesystem::path& dir, const std::string& objective) {
  const std::string book = model.save(dir / "lookup.xlsx");
  const CliRun analysed = corvan("analyse " + book);
  EXPECT_TRUE(analysed.has("diagnosis: status 0")) << analysed.out;
  EXPECT_TRUE(analysed.has("model level 1: linear")) << analysed.out;
  for (const char* dia : {"", " --option dia=2"}) {
    SCOPED_TRACE(dia);
    const CliRun solved = corvan("solve " + book + dia);
    EXPECT_EQ(solved.status, 0) << solved.out;
    EXPECT_TRUE(solved.has("status 0: solved")) << solved.out;
    EXPECT_TRUE(solved.has("= " + objective)) << solved.out;
  }
}

}  // namespace

// Two plants ship to three markets at unit costs that INDEX and MATCH read
// from a cost table. Supplies 20 and 30, demands 10, 25 and 15, costs
// (8, 6, 10) and (9, 12, 13): plant 1 sends its 20 to market 2, plant 2 the
// rest, at 20*6 + 5*12 + 10*9 + 15*13 = 465. Optimal: with duals u1 = -6,
// u2 = 0, v = (9, 12, 13) the unused routes cost 8+6-9 = 5 and 10+6-13 = 3
// more than their duals.
TEST_F(CommandLineFiles, ATransportModelWithCostsFromIndexAndMatchSolvesToItsOptimum) {
  Plan model;
  model.names = {{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2:$D$3"},
                 {"solver_num", "2"},
                 {"solver_lhs1", "Plan!$E$2:$E$3"},
                 {"solver_rel1", "1"},
                 {"solver_rhs1", "Plan!$F$2:$F$3"},
                 {"solver_lhs2", "Plan!$B$7:$D$7"},
                 {"solver_rel2", "3"},
                 {"solver_rhs2", "Plan!$B$8:$D$8"},
                 {"solver_lin", "1"},
                 {"solver_neg", "1"},
                 {"solver_eng", "2"}};
  const std::string cost = "=INDEX($H$2:$J$3,MATCH($A#,$G$2:$G$3,0),MATCH(@$1,$H$1:$J$1,0))";
  model.cells = {{"B1", "East"},
                 {"C1", "North"},
                 {"D1", "West"},
                 {"A2", "Mill"},
                 {"A3", "Forge"},
                 {"B2", "0"},
                 {"C2", "0"},
                 {"D2", "0"},
                 {"B3", "0"},
                 {"C3", "0"},
                 {"D3", "0"},
                 {"E2", "=SUM(B2:D2)"},
                 {"E3", "=SUM(B3:D3)"},
                 {"F2", "20"},
                 {"F3", "30"},
                 {"B7", "=SUM(B2:B3)"},
                 {"C7", "=SUM(C2:C3)"},
                 {"D7", "=SUM(D2:D3)"},
                 {"B8", "10"},
                 {"C8", "25"},
                 {"D8", "15"},
                 {"A9", "Cost"},
                 {"B9", "=SUMPRODUCT(B2:D3,B5:D6)"},
                 {"H1", "East"},
                 {"I1", "North"},
                 {"J1", "West"},
                 {"G2", "Mill"},
                 {"G3", "Forge"},
                 {"H2", "8"},
                 {"I2", "6"},
                 {"J2", "10"},
                 {"H3", "9"},
                 {"I3", "12"},
                 {"J3", "13"}};
  for (const char* column : {"B", "C", "D"})
    for (int row : {5, 6}) {
      std::string f = cost;
      f.replace(f.find('#'), 1, std::to_string(row - 3));
      f.replace(f.find('@'), 1, column);
      model.cell(column + std::to_string(row), f);
    }
  expectLinearOptimum(model, dir_, "465.00");
}

// Three grains blended into 100 kg with at least 18 kg of protein, prices
// and protein shares from VLOOKUP over a price list: oats 2 (0.1), barley 3
// (0.2), soy 5 (0.3). The cheapest blend is 20 kg oats and 80 kg barley at
// 280: with duals 1 (amount) and 10 (protein) soy costs 5 - 1 - 3 = 1 more
// than it gives. HLOOKUP picks the soy amount itself for a cap of 50 kg.
TEST_F(CommandLineFiles, ABlendingModelWithPricesFromVlookupSolvesToItsOptimum) {
  Plan model;
  model.names = {{"solver_opt", "Plan!$B$9"},  {"solver_typ", "2"},          {"solver_adj", "Plan!$B$2:$D$2"},
                 {"solver_num", "3"},          {"solver_lhs1", "Plan!$B$5"}, {"solver_rel1", "2"},
                 {"solver_rhs1", "Plan!$C$5"}, {"solver_lhs2", "Plan!$B$6"}, {"solver_rel2", "3"},
                 {"solver_rhs2", "Plan!$C$6"}, {"solver_lhs3", "Plan!$B$7"}, {"solver_rel3", "1"},
                 {"solver_rhs3", "Plan!$C$7"}, {"solver_lin", "1"},          {"solver_neg", "1"},
                 {"solver_eng", "2"}};
  model.cells = {{"B1", "Soy"},
                 {"C1", "Oats"},
                 {"D1", "Barley"},
                 {"A2", "Amount"},
                 {"B2", "0"},
                 {"C2", "0"},
                 {"D2", "0"},
                 {"A3", "Price"},
                 {"A4", "Protein"},
                 {"B5", "=SUM(B2:D2)"},
                 {"C5", "100"},
                 {"B6", "=SUMPRODUCT(B2:D2,B4:D4)"},
                 {"C6", "18"},
                 {"B7", "=HLOOKUP(\"Soy\",B1:D2,2,FALSE)"},
                 {"C7", "50"},
                 {"A9", "Cost"},
                 {"B9", "=SUMPRODUCT(B2:D2,B3:D3)"},
                 {"G1", "Grain"},
                 {"H1", "Price"},
                 {"I1", "Protein"},
                 {"G2", "Oats"},
                 {"H2", "2"},
                 {"I2", "0.1"},
                 {"G3", "Barley"},
                 {"H3", "3"},
                 {"I3", "0.2"},
                 {"G4", "Soy"},
                 {"H4", "5"},
                 {"I4", "0.3"}};
  for (const char* column : {"B", "C", "D"}) {
    model.cell(column + std::string("3"), "=VLOOKUP(" + std::string(column) + "$1,$G$2:$I$4,2,FALSE)");
    model.cell(column + std::string("4"), "=VLOOKUP(" + std::string(column) + "$1,$G$2:$I$4,3,FALSE)");
  }
  expectLinearOptimum(model, dir_, "280.00");
}

// What the command cannot do is refused before any work: an engine number
// that names no engine, 0 among them (naming those there are, without a file of the
// installation), a report the model cannot have (before the run and
// before any save); the engines are listed without a workbook.
TEST_F(CommandLineFiles, WhatCannotBeDoneIsRefusedBeforeTheRun) {
  CliRun engines = corvan("engines");
  EXPECT_EQ(engines.status, 0) << engines.out;
  EXPECT_TRUE(engines.has("1         Standard GRG Nonlinear")) << engines.out;
  EXPECT_TRUE(engines.has("5         Standard SOCP Barrier")) << engines.out;
  std::string out = (dir_ / "out.xlsx").string(), plan = Plan().save(dir_ / "plan.xlsx");
  struct Case {
    std::string args, shows;
  };
  const Case cases[] = {
      {data("lp/afiro.xlsx") + " --engine 6",
       "there is no engine 6; the engines are 1 Standard GRG Nonlinear, 2 Standard LP/Quadratic, 3 Standard "
       "Evolutionary, 4 Standard Interval Global, 5 Standard SOCP Barrier"},
      {data("lp/afiro.xlsx") + " --engine -1", "there is no engine -1"},
      {data("lp/afiro.xlsx") + " --option eng=9", "there is no engine 9"},
      {data("lp/afiro.xlsx") + " --engine 0", "there is no engine 0; the engines are 1 Standard GRG Nonlinear"},
      {data("lp/afiro.xlsx") + " --option eng=0", "there is no engine 0"},
      {data("lp/p0033.xlsx") + " --report sensitivity",
       "no sensitivity report: the model has integer constraints, where it would mean nothing"},
      {data("lp/p0033.xlsx") + " --report answer,limits", "no limits report: the model has integer constraints"},
      {plan + " --engine 3 --report sensitivity",
       "no sensitivity report: the engine hands back its population's spread instead"},
  };
  for (const Case& c : cases) {
    CliRun r = corvan("solve " + c.args + " --out " + out);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
    EXPECT_TRUE(r.has(c.shows)) << c.args << "\n" << r.out;
    EXPECT_FALSE(r.has("status ")) << c.args << "\n" << r.out;
    EXPECT_FALSE(r.has(CORVAN_SOLVE_OUT) || r.has(".DLL") || r.has(".dll")) << c.args << "\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.args;
  }
}

// A limit that stops a run names the option that raises it, with a value
// above the one reached, beside --on-limit continue.
TEST_F(CommandLineFiles, ALimitsMessageNamesTheOptionThatRaisesIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"lp/p0033.xlsx --option nod=3",
       "subproblem limit reached after 3 subproblems: stopping; raise it with "
       "--option nod=30, or use --on-limit continue to go on"},
      {"lp/p0033.xlsx --option mip=1",
       "integer-solution limit reached after 1 integer solutions: stopping; raise "
       "it with --option mip=10"},
      {"lp/afiro.xlsx --option itr=2",
       "iteration limit reached after 2 iterations: stopping; raise it with "
       "--option itr=20"},
      {"lp/vpm1-tall.xlsx --option nod=100000000 --option mip=100000000 --max-time 0.5",
       "time limit reached after 0.5 s: stopping; raise it with --max-time 5,"},
      {"lp/stein27.xlsx", "limit reached after 8000 subproblems: stopping; raise it with --option nod=80000"},
  };
  for (const auto& [args, shows] : cases) {
    CliRun r = corvan("solve " + data(args));
    EXPECT_TRUE(r.has(shows)) << args << "\n" << r.out;
  }
}

namespace {

// The progress lines of an output ("    12.3 s  Incumbent: ..."), split at
// line ends and carriage returns, with their seconds.
struct ProgressLine {
  double seconds = 0;
  std::string text;
  std::size_t columns = 0;  // of the whole line
};

std::vector<ProgressLine> progressLines(const std::string& out) {
  std::vector<ProgressLine> lines;
  size_t start = 0;
  for (size_t k = 0; k <= out.size(); ++k) {
    if (k < out.size() && out[k] != '\n' && out[k] != '\r') continue;
    std::string line = out.substr(start, k - start);
    start = k + 1;
    if (line.rfind("\033[K", 0) == 0) line = line.substr(3);
    char* end = nullptr;
    double seconds = std::strtod(line.c_str(), &end);
    if (end != line.c_str() && std::string(end).rfind(" s  ", 0) == 0) lines.push_back({seconds, end + 4, line.size()});
  }
  return lines;
}

bool showsTheSearch(const ProgressLine& line) {
  return line.text.find("Incumbent: ") != std::string::npos && line.text.find("Subproblem: ") != std::string::npos;
}

// The incumbent, best bound and gap of a progress line; false when it
// shows no bound, or not all of its gap (a terminal line cut short).
bool boundOf(const ProgressLine& line, double* incumbent, double* bound, double* gap) {
  int end = 0;
  return std::sscanf(line.text.c_str(), "Incumbent: %lf Subproblem: %*u Bound: %lf Gap: %lf%%%n", incumbent, bound,
                     gap, &end) == 3 &&
         end > 0;
}

// What every progress line of a minimising integer search whose optimum is
// `optimum` holds, however far the search got: the seconds never go back
// nor past `seconds`, the run's length; where a line shows the best bound,
// it lies below the incumbent and the optimum, the incumbent above the
// optimum, the gap is |incumbent - bound| / |incumbent| and only shrinks.
void expectConsistentLines(const std::vector<ProgressLine>& lines, double optimum, double seconds) {
  // A line shows its seconds to a tenth, rounded to the nearest.
  constexpr double kShownSeconds = 0.05;
  double lastGap = std::numeric_limits<double>::infinity();
  for (size_t k = 0; k < lines.size(); ++k) {
    const ProgressLine& line = lines[k];
    EXPECT_GE(line.seconds, k ? lines[k - 1].seconds : 0) << line.text;
    EXPECT_LE(line.seconds, seconds + kShownSeconds) << line.text;
    double incumbent, bound, gap;
    if (!boundOf(line, &incumbent, &bound, &gap)) continue;
    EXPECT_LE(bound, incumbent) << line.text;
    EXPECT_LE(bound, optimum * (1 + 1e-6)) << line.text;
    EXPECT_GE(incumbent, optimum * (1 - 1e-6)) << line.text;
    EXPECT_NEAR(gap, (incumbent - bound) / incumbent * 100, 0.01) << line.text;
    EXPECT_LE(gap, lastGap) << line.text;
    lastGap = gap;
  }
}

}  // namespace

// A long integer run shows its progress: the seconds since the start, the
// incumbent, the subproblems, the best bound and the gap; refreshed in place
// on a terminal, a plain line at most every five seconds in a pipe; none
// with --quiet. A terminal line is cut short of the terminal's width, so
// that it never wraps. What is checked holds at any speed: egout stops at
// its subproblem limit, and every new incumbent of its search (the first
// comes after a hundred subproblems, with the best bound) shows a line on a
// terminal; the piped run stops at its time limit, and its lines, however
// many the search gave, are checked for their spacing and their numbers.
TEST_F(CommandLineFiles, ALongIntegerRunShowsItsProgress) {
  constexpr unsigned short kColumns = 80;
  constexpr double kEgoutOptimum = 568.101, kVpm1Optimum = 20;
  TerminalRun terminal = solveInTerminal({}, false, kColumns);
  EXPECT_NE(terminal.text.find("status 15: stopped at the subproblem limit"), std::string::npos) << terminal.text;
  EXPECT_NE(terminal.text.find("\r\033[K"), std::string::npos) << terminal.text;
  std::vector<ProgressLine> shown = progressLines(terminal.text);
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), showsTheSearch)) << terminal.text;
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const ProgressLine& line) {
    return line.text.find("Bound: ") != std::string::npos;
  })) << terminal.text;
  for (const ProgressLine& line : shown) EXPECT_LT(line.columns, kColumns) << line.text;
  expectConsistentLines(shown, kEgoutOptimum, terminal.seconds);

  constexpr double kPlainLineSeconds = 5;
  const auto start = std::chrono::steady_clock::now();
  CliRun piped =
      corvan("solve " + data("lp/vpm1-tall.xlsx") + " --option nod=100000000 --option mip=100000000 --max-time 11");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(piped.has("time limit reached after 11 s")) << piped.out;
  EXPECT_FALSE(piped.has("\r")) << piped.out;
  std::vector<ProgressLine> lines = progressLines(piped.out);
  ASSERT_FALSE(lines.empty()) << piped.out;
  EXPECT_LE(lines.size(), static_cast<size_t>(seconds / kPlainLineSeconds) + 1) << piped.out;
  for (size_t k = 1; k < lines.size(); ++k) EXPECT_GE(lines[k].seconds - lines[k - 1].seconds, 4.9) << piped.out;
  expectConsistentLines(lines, kVpm1Optimum, seconds);

  CliRun quiet = corvan("solve " + data("lp/p0033.xlsx") + " --quiet");
  EXPECT_EQ(quiet.status, 0) << quiet.out;
  EXPECT_TRUE(progressLines(quiet.out).empty()) << quiet.out;
}

// The report sheets saved with the shared LP and QP workbooks carry a number
// format on every amount (the engines' infinity, 1E+30, keeps General), and
// no amount below the engine's precision is saved as noise.
TEST_F(CommandLineFiles, ReportSheetsCarryNumberFormatsAndNoNoise) {
  const std::pair<const char*, const char*> books[] = {
      {"lp/afiro.xlsx", "all"}, {"lp/sc50a.xlsx", "all"}, {"socp/hs35.xlsx --engine 2", "answer,sensitivity"}};
  for (const auto& [book, reports] : books) {
    std::string out = (dir_ / "reported.xlsx").string();
    CliRun r = corvan("solve " + data(book) + " --report " + reports + " --out " + out);
    ASSERT_EQ(r.status, 0) << book << "\n" << r.out;
    std::string error;
    Workbook* wb = Xlsx_open(out, &error);
    ASSERT_NE(wb, nullptr) << error;
    int amounts = 0;
    for (const auto& sheet : wb->sheets) {
      if (sheet->name.find("Report") == std::string::npos) continue;
      for (const auto& [key, cell] : sheet->cells) {
        if (cell.value.kind != CellKind::Number) continue;
        double x = std::fabs(cell.value.number);
        EXPECT_TRUE(x == 0 || x >= 1e-6) << book << " " << sheet->name << "!" << Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
        if (x < 1e15) {
          ++amounts;
          EXPECT_FALSE(cell.numberFormat.empty())
              << book << " " << sheet->name << "!" << Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
        }
      }
    }
    EXPECT_GT(amounts, 10) << book;
    Wb_closeWorkbook(wb);
  }
}
