// The whole `corvan solve` path beside the LP engine alone, on every netlib
// workbook of the shared data, in one run of one process. Each iteration
// runs the command as the terminal would (open the workbook, recalculate,
// solve through the library, keep the solution, print, save to a temporary
// file, close), its output sent to /dev/null, and then the engine's setup,
// solve and finish on the same problem held in memory. The benchmark's time
// is the whole path's; the counters give both times and their ratio. Times
// are the process's CPU time, so that a shared machine's other work does not
// count.
//
// A second case writes each row of the same workbooks as an explicit sum of
// products ("=2.5*$F$5-3*$H$5+..."), which coefficient extraction does not
// read, and solves it through the library: the engine then takes the
// coefficients by differences, one variable at a time. It reports the
// recalculations that took, how many evaluated every formula, and the
// formula cells each evaluated on average: only the rows that read the
// changed variable.
//
// A third case gives the floor under the first: the open, change, save and
// close of a workbook of one cell. Another solves a model of 200,000
// formula cells with "solver_dia" 2, which the interpreter compiles; with
// it, the final check's interpreter values of that solve taken from what
// the library hands back, beside the same values compiled once more.
//
// A fourth times the open alone as a solve without --out opens (read the
// file, recalculate, close) beside the engine alone: the open's share of a
// solve. A fifth solves each
// workbook with "+$A$179" (an empty cell) added to its objective through
// the library, beside the same solve without it: the recalculations each
// takes and the ratio of their times. A sixth runs `corvan solve` and
// glpsol as processes, in turn, on the same model (the workbook and its MPS
// file) and gives the CPU time of each (the children's user and system time)
// and their ratio; it is skipped where glpsol is not installed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Session.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

// CPU time of the process: the machine may be shared, and wall time then
// counts other programs' work too.
using Clock = std::chrono::time_point<std::chrono::steady_clock, std::chrono::nanoseconds>;

Clock cpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return Clock(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
}

double secondsSince(Clock start) { return std::chrono::duration<double>(cpuNow() - start).count(); }

int engineAlone(LpFakeModel& model, double* objective) {
  EngineProblem problem{};
  if (Lp_engineSetupWith(&problem, LpFake_host(model))) Lp_engineSolve(&problem);
  *objective = problem.objective;
  int status = problem.status;
  Lp_engineFinish(&problem);
  return status;
}

void solvePathAndEngine(benchmark::State& state, const std::string& name) {
  LpFakeModel model;
  if (!Bench_lpModel(state, name, &model)) return;
  FeArgs args;
  args.command = "solve";
  args.book = std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx";
  args.out = (std::filesystem::temp_directory_path() / ("corvan-bench-" + name + ".xlsx")).string();
  args.overwrite = true;
  double whole = 0, engine = 0, objective = 0;
  int rc = 0, status = 0;
  for (auto _ : state) {
    auto start = cpuNow();
    rc = Bench_quietly([&] { return Fe_solve(args); });
    double w = secondsSince(start);
    start = cpuNow();
    status = engineAlone(model, &objective);
    engine += secondsSince(start);
    whole += w;
    state.SetIterationTime(w);
  }
  std::filesystem::remove(args.out);
  if (rc != FeExitSolution) state.SkipWithError("corvan solve found no solution");
  double n = static_cast<double>(state.iterations());
  state.counters["whole_ms"] = 1e3 * whole / n;
  state.counters["engine_ms"] = 1e3 * engine / n;
  state.counters["ratio"] = engine > 0 ? whole / engine : 0;
  state.counters["engine_status"] = status;
  state.counters["objective"] = objective;
}

// "=c1*$F$5+c2*$G$5..." over the nonzero coefficients of a row; "=0" for none.
std::string explicitSum(const Sheet* sh, int coefficientRow, const CellRange& vars) {
  std::string f = "=";
  for (int c = vars.col1; c <= vars.col2; ++c) {
    const Cell* k = Wb_findCell(sh, coefficientRow, c);
    if (!k || k->value.kind != CellKind::Number || k->value.number == 0) continue;
    char digits[32];
    char* end = std::to_chars(digits, digits + sizeof digits, k->value.number).ptr;
    if (f.size() > 1 && k->value.number > 0) f += '+';
    f += std::string(digits, end) + "*" + Wb_a1(vars.row1, c, true);
  }
  return f.size() > 1 ? f : "=0";
}

// The objective (B2, coefficients in row 8) and every constraint row (B12
// down, coefficients in their own row) as explicit sums.
bool writeExplicitSums(Workbook* wb) {
  CellRange vars;
  if (!Bench_variableCells(wb, &vars)) return false;
  Sheet* sh = wb->sheets[0].get();
  Wb_setFormula(wb, sh, 1, 1, explicitSum(sh, 7, vars));
  for (int r = 11; Wb_findCell(sh, r, 1) && !Wb_findCell(sh, r, 1)->formula.empty(); ++r)
    Wb_setFormula(wb, sh, r, 1, explicitSum(sh, r, vars));
  return true;
}

void explicitSumsThroughLibrary(benchmark::State& state, const std::string& name) {
  LpFakeModel model;
  if (!Bench_lpModel(state, name, &model)) return;
  double whole = 0, engine = 0, objective = 0;
  CalcCounts counts;
  int status = 0;
  std::string error;
  for (auto _ : state) {
    BenchLibrary library;
    Workbook* book = Xlsx_open(std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx", &error);
    if (!library.solve || !book || !writeExplicitSums(book)) {
      state.SkipWithError("not opened");
      return;
    }
    Calc_recalculate(book);
    CalcCounts before = Calc_counts(book);
    double action = 0;
    auto start = cpuNow();
    status = Bench_quietly([&] { return library.solve(&action); });
    double w = secondsSince(start);
    CalcCounts after = Calc_counts(book);
    const Cell* b2 = Wb_findCell(book->sheets[0].get(), 1, 1);
    objective = b2 ? b2->value.number : 0;
    counts = CalcCounts{after.compilations - before.compilations, after.recalculations - before.recalculations,
                        after.full - before.full, after.evaluated - before.evaluated};
    start = cpuNow();
    double engineObjective = 0;
    engineAlone(model, &engineObjective);
    engine += secondsSince(start);
    whole += w;
    state.SetIterationTime(w);
  }
  double n = static_cast<double>(state.iterations());
  state.counters["status"] = status;
  state.counters["objective"] = objective;
  state.counters["whole_ms"] = 1e3 * whole / n;
  state.counters["engine_ms"] = 1e3 * engine / n;
  state.counters["ratio"] = engine > 0 ? whole / engine : 0;
  state.counters["variables"] = model.n;
  state.counters["recalculations"] = static_cast<double>(counts.recalculations);
  state.counters["full_recalculations"] = static_cast<double>(counts.full);
  state.counters["compilations"] = static_cast<double>(counts.compilations);
  state.counters["evaluated_per_recalculation"] =
      counts.recalculations ? static_cast<double>(counts.evaluated) / static_cast<double>(counts.recalculations) : 0;
}

// The least any solve that saves costs besides its model: opening a workbook
// of one sheet and one number, changing the number, saving it to a
// temporary file and closing it.
void openChangeSaveClose(benchmark::State& state) {
  namespace fs = std::filesystem;
  fs::path in = fs::temp_directory_path() / "corvan-bench-floor-in.xlsx";
  fs::path out = fs::temp_directory_path() / "corvan-bench-floor-out.xlsx";
  std::string error;
  Workbook* made = Wb_newWorkbook("floor.xlsx");
  Wb_setValue(made, Wb_addSheet(made, "Sheet1"), 0, 0, CellValue::makeNumber(1));
  bool ok = Xlsx_save(made, in.string(), &error);
  Wb_closeWorkbook(made);
  double cpu = 0;
  for (auto _ : state) {
    auto start = cpuNow();
    Workbook* wb = ok ? Xlsx_open(in.string(), &error) : nullptr;
    if (wb) Wb_setValue(wb, wb->sheets[0].get(), 0, 0, CellValue::makeNumber(2));
    ok = wb && Xlsx_save(wb, out.string(), &error);
    if (wb) Wb_closeWorkbook(wb);
    double w = secondsSince(start);
    cpu += w;
    state.SetIterationTime(w);
  }
  fs::remove(in);
  fs::remove(out);
  if (!ok) state.SkipWithError(error.c_str());
  state.counters["whole_ms"] = 1e3 * cpu / static_cast<double>(state.iterations());
}

// Rows and columns of the analysed model's formula cells: 200,000 of them.
constexpr int kAnalysedRows = 50000;
constexpr int kAnalysedColumns = 4;

// Maximise the sum of the formula cells H1:K50000, each a linear form of
// B2:C2, over B2:C2 <= 10: the model an analysed solve compiles.
bool writeAnalysedModel(const std::string& path, std::string* error) {
  Workbook* wb = Wb_newWorkbook("analysed.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Plan");
  for (int c : {1, 2, 4, 5}) Wb_setValue(wb, sh, 1, c, CellValue::makeNumber(c < 3 ? 0 : 10));
  for (int r = 0; r < kAnalysedRows; ++r)
    for (int c = 0; c < kAnalysedColumns; ++c)
      Wb_setFormula(wb, sh, r, 7 + c, "=$B$2*" + std::to_string(c + 1) + "+$C$2");
  Wb_setFormula(wb, sh, 8, 1, "=SUM(H1:K" + std::to_string(kAnalysedRows) + ")");
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"solver_opt", "Plan!$B$9"},
                                    {"solver_typ", "1"},
                                    {"solver_adj", "Plan!$B$2:$C$2"},
                                    {"solver_num", "1"},
                                    {"solver_lhs1", "Plan!$B$2:$C$2"},
                                    {"solver_rel1", "1"},
                                    {"solver_rhs1", "Plan!$E$2:$F$2"},
                                    {"solver_lin", "1"},
                                    {"solver_eng", "2"},
                                    {"solver_dia", "2"}})
    Wb_defineName(wb, DefinedName{name, value, 0, true});
  Calc_recalculate(wb);
  const bool saved = Xlsx_save(wb, path, error);
  Wb_closeWorkbook(wb);
  return saved;
}

// `corvan solve` of that model with "solver_dia" 2: the interpreter
// compiles it for the engine, and the final check holds its cells against
// the workbook's.
void analysedSolve(benchmark::State& state) {
  const std::string book = (std::filesystem::temp_directory_path() / "corvan-bench-analysed.xlsx").string();
  std::string error;
  if (!writeAnalysedModel(book, &error)) return state.SkipWithError(error.c_str());
  FeArgs args;
  args.command = "solve";
  args.book = book;
  double cpu = 0;
  int rc = 0;
  for (auto _ : state) {
    auto start = cpuNow();
    rc = Bench_quietly([&] { return Fe_solve(args); });
    const double w = secondsSince(start);
    cpu += w;
    state.SetIterationTime(w);
  }
  std::filesystem::remove(book);
  if (rc != FeExitSolution) state.SkipWithError("corvan solve found no solution");
  state.counters["whole_ms"] = 1e3 * cpu / static_cast<double>(state.iterations());
}

// The cells the final check compares after that solve: the objective and
// both sides of the bound row.
std::vector<CellRange> checkedAreas(const FeModel& m) {
  std::vector<CellRange> areas{m.objective};
  for (const FeConstraint& c : m.constraints) {
    areas.push_back(c.lhs);
    if (c.rhsIsRange) areas.push_back(c.rhsRange);
  }
  return areas;
}

// The values the library hands back at the end of that solve, run in a
// session of its own; empty when the run fails.
FeInterpreted solvedInSession(FeSession* s, const std::string& book) {
  if (!Fe_open(s, book, "", FeOnLimit::Stop)) return {};
  Fe_sizeResultRange(s, 0, FeEngineListColumns);
  Fe_action(s, ActionListEngines);
  Fe_sizeResultRange(s, 0, FeResultColumns);
  if (Bench_quietly([&] { return Fe_action(s, ActionSolve); }) != StatusSolved) return {};
  return Fe_takeLibraryValues();
}

// The final check's interpreter values of that solve, side by side: taken
// from what the library handed back at the run's end, and compiled and
// computed once more in the front end, as the check did before the library
// handed them back. Both must give the same values.
void finalCheckValues(benchmark::State& state) {
  const std::string book = (std::filesystem::temp_directory_path() / "corvan-bench-check.xlsx").string();
  std::string error;
  if (!writeAnalysedModel(book, &error)) return state.SkipWithError(error.c_str());
  FeSession s;
  const FeInterpreted handed = solvedInSession(&s, book);
  std::filesystem::remove(book);
  if (handed.values.empty()) {
    Fe_close(&s);
    return state.SkipWithError("the library handed back no values");
  }
  const std::vector<CellRange> areas = checkedAreas(Fe_readModel(s.book, s.book->activeSheet));
  double compiled = 0, fromLibrary = 0;
  bool same = true;
  for (auto _ : state) {
    FeInterpreted again, taken;
    auto start = cpuNow();
    Fe_interpretAreas(s.book, areas, &again);
    const double c = secondsSince(start);
    start = cpuNow();
    Fe_interpretAreas(s.book, areas, &taken, &handed);
    const double h = secondsSince(start);
    compiled += c;
    fromLibrary += h;
    same = same && again.values == taken.values;
    state.SetIterationTime(c + h);
  }
  Fe_close(&s);
  if (!same) state.SkipWithError("the handed-back values differ from those computed again");
  const auto n = static_cast<double>(state.iterations());
  state.counters["compiled_ms"] = 1e3 * compiled / n;
  state.counters["handed_back_ms"] = 1e3 * fromLibrary / n;
}

void openAlone(benchmark::State& state, const std::string& name) {
  LpFakeModel model;
  if (!Bench_lpModel(state, name, &model)) return;
  double open = 0, engine = 0, objective = 0;
  std::string error;
  for (auto _ : state) {
    auto start = cpuNow();
    Workbook* wb = Xlsx_open(std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx", &error, XlsxOrigin::Drop);
    if (!wb) {
      state.SkipWithError(error.c_str());
      return;
    }
    Calc_recalculate(wb);
    Wb_closeWorkbook(wb);
    double w = secondsSince(start);
    start = cpuNow();
    engineAlone(model, &objective);
    engine += secondsSince(start);
    open += w;
    state.SetIterationTime(w);
  }
  double n = static_cast<double>(state.iterations());
  state.counters["open_ms"] = 1e3 * open / n;
  state.counters["engine_ms"] = 1e3 * engine / n;
  state.counters["open_per_engine"] = engine > 0 ? open / engine : 0;
}

// One solve through the library of the workbook, with "+$A$179" added to
// the objective's formula when asked: its CPU time and recalculations.
bool solveThroughLibrary(const std::string& name, bool plusCell, double* seconds, CalcCounts* counts) {
  BenchLibrary library;
  std::string error;
  Workbook* book = Xlsx_open(std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx", &error);
  if (!library.solve || !book) return false;
  Sheet* sh = book->sheets[0].get();
  const Cell* b2 = Wb_findCell(sh, 1, 1);
  if (plusCell && (!b2 || Wb_findCell(sh, 178, 0))) return false;
  if (plusCell) Wb_setFormula(book, sh, 1, 1, b2->formula + "+$A$179");
  Calc_recalculate(book);
  CalcCounts before = Calc_counts(book);
  double action = 0;
  auto start = cpuNow();
  int status = Bench_quietly([&] { return library.solve(&action); });
  *seconds = secondsSince(start);
  CalcCounts after = Calc_counts(book);
  *counts = CalcCounts{after.compilations - before.compilations, after.recalculations - before.recalculations,
                       after.full - before.full, after.evaluated - before.evaluated};
  return status == 0;
}

void objectivePlusCell(benchmark::State& state, const std::string& name) {
  double plain = 0, plus = 0;
  CalcCounts plainCounts, plusCounts;
  for (auto _ : state) {
    double a = 0, b = 0;
    if (!solveThroughLibrary(name, false, &a, &plainCounts) || !solveThroughLibrary(name, true, &b, &plusCounts)) {
      state.SkipWithError("not solved");
      return;
    }
    plain += a;
    plus += b;
    state.SetIterationTime(b);
  }
  double n = static_cast<double>(state.iterations());
  state.counters["plain_ms"] = 1e3 * plain / n;
  state.counters["plus_cell_ms"] = 1e3 * plus / n;
  state.counters["ratio"] = plain > 0 ? plus / plain : 0;
  state.counters["plain_recalculations"] = static_cast<double>(plainCounts.recalculations);
  state.counters["plus_cell_recalculations"] = static_cast<double>(plusCounts.recalculations);
}

// Runs a command with its output sent to /dev/null; its CPU time in
// seconds, or -1 when it could not run or failed.
double childSeconds(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void processBesideGlpsol(benchmark::State& state, const std::string& name) {
  std::string book = std::string(CORVAN_DATA) + "/lp/" + name;
  double corvan = 0, glpsol = 0;
  for (auto _ : state) {
    double c = childSeconds({std::string(CORVAN_OUT) + "/corvan", "solve", book + ".xlsx", "--quiet"});
    double g = childSeconds({"glpsol", "--mps", book + ".mps"});
    if (c < 0 || g < 0) {
      state.SkipWithError(c < 0 ? "corvan solve failed" : "glpsol is not installed or failed");
      return;
    }
    corvan += c;
    glpsol += g;
    state.SetIterationTime(c);
  }
  double n = static_cast<double>(state.iterations());
  state.counters["corvan_ms"] = 1e3 * corvan / n;
  state.counters["glpsol_ms"] = 1e3 * glpsol / n;
  state.counters["ratio"] = glpsol > 0 ? corvan / glpsol : 0;
}

// Runs per "lp" problem of the shared data, and the floor.
const bool kRegistered = [] {
  benchmark::RegisterBenchmark("floor/open_change_save_close", openChangeSaveClose)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("analysed/200k_cells", analysedSolve)->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("analysed/200k_cells_final_check", finalCheckValues)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp") {
      benchmark::RegisterBenchmark(("solve_path/" + k.name).c_str(), solvePathAndEngine, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("explicit_sums/" + k.name).c_str(), explicitSumsThroughLibrary, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("open/" + k.name).c_str(), openAlone, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("objective_plus_cell/" + k.name).c_str(), objectivePlusCell, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("process_beside_glpsol/" + k.name).c_str(), processBesideGlpsol, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  return true;
}();

}  // namespace
