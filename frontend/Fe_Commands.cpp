// The `corvan` subcommands that drive the library: engines, solve, analyse.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/Fe_Internal.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

struct SolveOptions {
  std::string book, sheet, out, engine, maxTime;
  FeOnLimit onLimit = FeOnLimit::Stop;
};

int badUsage(const char* what, const char* arg) {
  std::fprintf(stderr, "corvan: %s '%s'\n", what, arg);
  return 2;
}

// Reads "BOOK [options]"; `full` allows the solve options. Returns 0 or the exit status.
int parseOptions(int argc, char** argv, bool full, SolveOptions* o) {
  for (int i = 2; i < argc; ++i) {
    const char* a = argv[i];
    bool hasValue = i + 1 < argc;
    auto take = [&](std::string* into) { *into = argv[++i]; };
    if (a[0] != '-') {
      if (!o->book.empty()) return badUsage("unexpected argument", a);
      o->book = a;
    } else if (std::strcmp(a, "--sheet") == 0 && hasValue) {
      take(&o->sheet);
    } else if (full && std::strcmp(a, "--out") == 0 && hasValue) {
      take(&o->out);
    } else if (full && std::strcmp(a, "--engine") == 0 && hasValue) {
      take(&o->engine);
      char* end = nullptr;
      std::strtol(o->engine.c_str(), &end, 10);
      if (*end) return badUsage("--engine takes a whole number, not", o->engine.c_str());
    } else if (full && std::strcmp(a, "--max-time") == 0 && hasValue) {
      take(&o->maxTime);
      char* end = nullptr;
      double t = std::strtod(o->maxTime.c_str(), &end);
      if (*end || t <= 0) return badUsage("--max-time takes a positive number of seconds, not", o->maxTime.c_str());
    } else if (full && std::strcmp(a, "--on-limit") == 0 && hasValue) {
      std::string v = argv[++i];
      if (v != "continue" && v != "stop") return badUsage("--on-limit takes continue or stop, not", v.c_str());
      o->onLimit = v == "continue" ? FeOnLimit::Continue : FeOnLimit::Stop;
    } else {
      return badUsage(hasValue ? "unknown option" : "unknown option or missing value", a);
    }
  }
  if (o->book.empty()) {
    std::fprintf(stderr, "corvan: no workbook given\n");
    return 2;
  }
  return 0;
}

void printEngineList(FeSession* s, int result) {
  std::printf("engine list: result %d\n", result);
  int index = 1;
  for (const auto& row : Fe_resultRows(s)) {
    std::printf("%3d", index++);
    for (const auto& cell : row) std::printf("  %s", cell.c_str());
    std::printf("\n");
  }
}

// The objective and the variable cells, as the workbook now holds them.
void printSolution(FeSession* s) {
  CalcEvalResult r;
  int sheet = s->book->activeSheet;
  if (Calc_evaluate(s->book, sheet, "!solver_opt", &r) && !r.value.values.empty())
    std::printf("objective: %s\n", Calc_displayText(r.value.values[0], "").c_str());
  if (!Calc_evaluate(s->book, sheet, "!solver_adj", &r) || !r.isReference) return;
  const std::string& sheetName = s->book->sheets[static_cast<size_t>(r.areas[0].sheet)]->name;
  for (const CellRange& a : r.areas)
    for (int row = a.row1; row <= a.row2; ++row)
      for (int col = a.col1; col <= a.col2; ++col) {
        const Cell* c = Wb_findCell(s->book->sheets[static_cast<size_t>(a.sheet)].get(), row, col);
        CellValue v = c ? c->value : CellValue{};
        std::printf("%s!%s = %s\n", sheetName.c_str(), Wb_a1(row, col).c_str(), Calc_displayText(v, "").c_str());
      }
}

}  // namespace

const char* Fe_statusMeaning(int status) {
  switch (status) {
    case -3: return "neither an analysis nor an engine ran";
    case 0: return "solved: all constraints and optimality conditions are satisfied";
    case 1: return "converged: the objective changed too little over the last iterations";
    case 2: return "no further progress could be made";
    case 3: return "stopped at the iteration limit";
    case 4: return "the objective is unbounded";
    case 5: return "no feasible solution was found";
    case 6: return "stopped by the user";
    case 7: return "the model is not linear as the engine requires";
    case 8: return "empty model, size limit exceeded, invalid options, or no engine";
    case 9: return "an evaluation failed (an error value in a cell)";
    case 10: return "stopped at the time limit";
    case 11: return "out of memory";
    case 12: return "the model could not be compiled";
    case 13: return "workbook, model or engine-loading failure";
    case 14: return "an integer solution was found by a heuristic or within the gap tolerance";
    case 15: return "stopped at the subproblem limit";
    case 16: return "stopped at the integer-solution limit";
    case 17: return "multistart search ended normally";
    case 18: return "a variable has no finite bounds, which the engine requires";
    case 19: return "bounds or start values could not be read";
    case 20: return "a lower bound is above its upper bound";
    case 21: return "linear coefficients could not be extracted";
    case 999: return "an internal failure ended the run";
    default: return "unknown status";
  }
}

int Fe_engines(int argc, char** argv) {
  SolveOptions o;
  if (int rc = parseOptions(argc, argv, false, &o)) return rc;
  FeSession s;
  if (!Fe_open(&s, o.book, o.sheet, o.onLimit)) { Fe_close(&s); return 2; }
  int result = Fe_action(&s, 8);
  Fe_endProgress();
  printEngineList(&s, result);
  Fe_close(&s);
  return 0;
}

int Fe_solve(int argc, char** argv) {
  SolveOptions o;
  if (int rc = parseOptions(argc, argv, true, &o)) return rc;
  FeSession s;
  if (!Fe_open(&s, o.book, o.sheet, o.onLimit)) { Fe_close(&s); return 2; }
  if (!o.engine.empty()) Fe_setModelOption(&s, "solver_eng", o.engine);
  if (!o.maxTime.empty()) Fe_setModelOption(&s, "solver_tim", o.maxTime);
  Fe_action(&s, 8);
  int status = Fe_action(&s, 0);
  Fe_action(&s, 1);
  Fe_endProgress();
  std::printf("status %d: %s\n", status, Fe_statusMeaning(status));
  printSolution(&s);
  std::fflush(stdout);
  Fe_printWarnings(s.book, true);
  int rc = 0;
  std::string error;
  if (!o.out.empty() && !Xlsx_save(s.book, o.out, &error)) {
    std::fprintf(stderr, "corvan: %s\n", error.c_str());
    rc = 2;
  }
  Fe_close(&s);
  return rc;
}

int Fe_analyse(int argc, char** argv) {
  SolveOptions o;
  if (int rc = parseOptions(argc, argv, false, &o)) return rc;
  FeSession s;
  if (!Fe_open(&s, o.book, o.sheet, o.onLimit)) { Fe_close(&s); return 2; }
  for (int action : {6, 7}) {
    int status = Fe_action(&s, action);
    Fe_endProgress();
    std::printf("action %d: status %d: %s\n", action, status, Fe_statusMeaning(status));
    for (const auto& row : Fe_resultRows(&s)) {
      for (const auto& cell : row) std::printf("  %s", cell.c_str());
      std::printf("\n");
    }
  }
  Fe_close(&s);
  return 0;
}
