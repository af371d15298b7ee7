// The `corvan` commands that drive the library: engines, models, solve,
// analyse.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/os/Os.h"
#include "platform/xlsx/Xlsx.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"

namespace {

// The library's statuses for a model (or options) it refuses, for one its
// engine does not take, for a model it could not read or compile and for one
// it could not evaluate or bound: only then do the front end's own findings
// explain the run.
bool libraryRefusedModel(int status) {
  return status == StatusNotLinear || status == StatusBadModel || status == StatusEvalError ||
         status == StatusCompileFailed || status == StatusHostFailure || status == StatusBadBounds;
}

// Engine names come padded with spaces.
std::string trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The engines the library offers, in the order of their numbers.
std::vector<std::string> engineNames(FeSession* s) {
  Fe_sizeResultRange(s, 0, FeEngineListColumns);
  Fe_action(s, ActionListEngines);
  std::vector<std::string> names;
  for (const auto& row : Fe_resultRows(s))
    if (!row.empty()) names.push_back(trimmed(row[0]));
  return names;
}

// Positions in the engine list of the engines the front end names itself.
constexpr int kFirstEngine = 0, kLpEngine = 1, kEvolutionaryEngine = 2, kIntervalEngine = 3, kSocpEngine = 4;

// The engine the model chooses, as the library picks it from "solver_eng":
// 1-5 the built-in engines, above 5 a plug-in, 0 the LP engine for a model
// marked linear and else the first.
int engineIndex(const FeModel& m) { return m.engine >= 1 ? m.engine - 1 : m.linear ? kLpEngine : kFirstEngine; }

std::string engineName(const std::vector<std::string>& engines, const FeModel& m) {
  int index = engineIndex(m);
  return index < static_cast<int>(engines.size()) ? engines[index] : "";
}

// The engine number the command line gives (--engine, or --option eng=,
// the last one given); "" when it gives none.
std::string engineAsked(const FeArgs& a) {
  std::string asked = a.engine;
  for (const auto& [name, value] : a.options)
    if (name == "solver_eng") asked = value;
  return asked;
}

// An engine number from the command line that names no engine (0 among
// them) is refused before anything runs, naming the engines there are; -1
// when it names one.
int refuseUnknownEngine(const FeArgs& a, const std::vector<std::string>& engines) {
  std::string asked = engineAsked(a);
  if (asked.empty()) return -1;
  double n = std::strtod(asked.c_str(), nullptr);
  if (n >= 1 && n <= static_cast<double>(engines.size()) && n == std::floor(n)) return -1;
  std::string list;
  for (size_t k = 0; k < engines.size(); ++k) list += (k ? ", " : "") + std::to_string(k + 1) + " " + engines[k];
  return Fe_usageError("there is no engine " + asked + "; the engines are " + list + " (`corvan engines`)");
}

// A report the run could not make is refused before the run and before
// anything is saved; -1 when every report asked for can be made.
int refuseReports(const FeArgs& a, const FeModel& m) {
  for (const std::string& name : a.reports)
    if (const char* why = Fe_reportRefusal(name, Fe_hasIntegerConstraints(m), engineIndex(m) == kEvolutionaryEngine)) {
      std::fprintf(stderr, "corvan: no %s report: %s\n", name.c_str(), why);
      return FeExitUsage;
    }
  return -1;
}

// "solver_eng" 0 names no engine: the library then takes the LP engine for
// a model marked linear and the first engine otherwise, which is said.
void noteEngineChoice(Workbook* wb, const FeModel& m, const std::vector<std::string>& engines) {
  if (m.engine != 0 || !Wb_findName(wb, "solver_eng", m.sheet)) return;
  const std::string chosen = engineName(engines, m);
  Fe_say("note: \"solver_eng\" is 0, which names no engine, so the model runs on \"" + chosen + "\" (engine " +
         std::to_string(engineIndex(m) + 1) + "), as for any model " + (m.linear ? "" : "not ") +
         "marked linear (\"solver_lin\"); set \"solver_eng\" or give --engine N to choose one (`corvan engines`)");
}

// A model without an objective: the engine looks for a feasible point only.
void noteNoObjective(Workbook* wb, const FeModel& m) {
  if (!m.hasObjective && m.faults.empty() && !Wb_findName(wb, "solver_opt", m.sheet))
    Fe_say(
        "note: the model has no objective (\"solver_opt\" is not set), so the engine looks for a point that "
        "satisfies the constraints, and any such point is a solution");
}

// A model the engine found not linear: the cell that is not, and the
// engine that takes such models.
std::string nonlinearCause(Workbook* wb, const FeModel& m, const std::vector<std::string>& engines) {
  if (engineIndex(m) == kFirstEngine || engines.empty()) return "";
  const std::string cell = Fe_nonlinearCell(wb, m);
  const std::string takes = engineIndex(m) == kLpEngine ? "the engine \"" + engineName(engines, m) +
                                                              "\" takes linear models (and quadratic objectives) only; "
                                                        : "";
  return (cell.empty() ? "" : "the cell " + cell + " is not linear in the variable cells; ") + takes + "engine " +
         std::to_string(kFirstEngine + 1) + " (\"" + engines[kFirstEngine] + "\") takes a nonlinear model (--engine " +
         std::to_string(kFirstEngine + 1) + ")";
}

// A function the interpreter does not calculate or cannot differentiate, or
// a right-hand array that moves with the variables, which the run met
// because the engine evaluates the model there or "solver_dia" asked for it,
// and the run that evaluates the model through the workbook instead; ""
// when the run met none.
std::string interpreterCause(FeSession* s, const FeModel& m, int status, const std::vector<std::string>& engines) {
  // Statuses of a model the engine could not evaluate, compile or class
  // (an engine's own codes lie above the library's).
  const bool unevaluated = status == StatusNotLinear || status == StatusEvalError || status == StatusCompileFailed ||
                           status == StatusNoCoefficients || status > StatusException;
  const int index = engineIndex(m);
  const bool interpreted = m.diagnosis >= 2 || index == kIntervalEngine || index == kSocpEngine;
  const std::string array = unevaluated && interpreted ? Fe_movingArrayRhs(s->book, m) : "";
  if (index != kIntervalEngine && index != kSocpEngine) {
    const std::vector<std::vector<std::string>> rows = Fe_resultRows(s);
    std::string uncalculated = Fe_interpreterUncalculated(s->book, rows);
    if (uncalculated.empty()) uncalculated = Fe_interpreterUndifferentiated(s->book, rows);
    if (uncalculated.empty() && array.empty()) return "";
    return "\"solver_dia\" 2 or more evaluates the model in the interpreter, and " +
           (array.empty() ? "the model uses " + uncalculated : array) +
           "; the default options solve it through the workbook";
  }
  const std::string uncalculated = unevaluated ? Fe_modelInterpreterUncalculated(s->book, m) : "";
  if (uncalculated.empty() && array.empty()) return "";
  const int other = m.linear ? kLpEngine : kFirstEngine;
  return "the engine \"" + engineName(engines, m) + "\" evaluates the model in the interpreter, and " +
         (uncalculated.empty() ? array : uncalculated) + "; engine " + std::to_string(other + 1) +
         (other < static_cast<int>(engines.size()) ? " (\"" + engines[other] + "\")" : "") +
         " solves it through the workbook (--engine " + std::to_string(other + 1) + ")";
}

// What the front end knows of why a run left no solution, for its status
// line: a limit that stopped the model's compile, that the SOCP engine's
// status 5 cannot say which of its two meanings holds, functions this system does not
// calculate that the model calls, or one the interpreter does not, or the
// engine that takes a model found not linear.
std::string failureCause(FeSession* s, const FeModel& m, int status, const std::vector<std::string>& engines) {
  const FeLimitStop& stop = Fe_limitStop();
  if (status == StatusCompileFailed && !stop.limit.empty())
    return stop.limit + " stopped the compile; raise it with " + stop.raise;
  // The SOCP engine's status 5 says "infeasible or unbounded" (an
  // unbounded objective leaves its dual infeasible too).
  if (status == StatusInfeasible && engineIndex(m) == kSocpEngine)
    return "the engine \"" + engineName(engines, m) + "\" does not tell the two apart";
  const std::string unknown = Fe_modelUnknownFunctions(s->book, m);
  if (!unknown.empty()) return unknown;
  const std::string interpreter = interpreterCause(s, m, status, engines);
  return interpreter.empty() && status == StatusNotLinear ? nonlinearCause(s->book, m, engines) : interpreter;
}

// The column of the capability word in the statistics row of the engine
// limits action.
constexpr int kCapabilityColumn = 7;

// Whether the run computes the model in the interpreter: the engine the
// model chooses does, unless it evaluates through the workbook, when
// "solver_dia" analyses the model or when it works on the interpreter's
// diagnosed model itself.
bool interpreterComputes(FeSession* s, const FeModel& m) {
  Fe_action(s, ActionEngineLimits);
  const CellValue* word = Fe_resultCell(s, 0, kCapabilityColumn);
  const auto capabilities = word && word->kind == CellKind::Number ? static_cast<std::uint32_t>(word->number) : 0u;
  if (capabilities & EngineEvaluateInExcel) return false;
  return m.diagnosis >= 2 || (capabilities & (EngineDiagnose19 | EngineDiagnose20)) != 0;
}

// Faults the library would not notice are refused before it runs, so that
// nothing in the workbook changes: among them a formula of the model past
// the limits of the files, whose stored value the workbook would take as a
// constant.
bool refuseBeforeRun(Workbook* wb, const FeModel& m) {
  if (m.unseenByLibrary) {
    Fe_printFaults(m);
    return true;
  }
  const std::string unread = Fe_modelUnreadFormula(wb, m);
  if (!unread.empty()) Fe_say(unread);
  return !unread.empty();
}

// Rows the result range needs: the statistics row, one per variable cell and
// up to two per constraint cell (its row and a bound row).
int resultRows(const FeModel& m) { return 1 + Fe_variableCells(m) + 2 * Fe_constraintCells(m); }

bool openAndPrepare(FeSession* s, const FeArgs& a, FeSetNames* before) {
  if (!Fe_open(s, a.book, a.sheet, a.onLimit, !a.out.empty())) {
    Fe_close(s);
    return false;
  }
  Os_clearMessageBoxes();
  Fe_setStep(FeStep::ReadingModel);
  *before = Fe_setOptions(s, a);
  return true;
}

// Saves the workbook when asked and the run found a solution, with the
// model's names as they were before the command line set options for the run;
// a solution not asked to be saved is said to be unsaved.
int saveIfAsked(FeSession* s, const FeArgs& a, const FeSetNames& before, int rc) {
  if (a.out.empty()) {
    if (rc == FeExitSolution)
      std::fprintf(stderr, "corvan: the solution is not saved (%s is unchanged); give --out FILE to save it\n",
                   a.book.c_str());
    return rc;
  }
  if (rc == FeExitNoSolution) {
    std::fprintf(stderr, "corvan: no solution: %s not written\n", a.out.c_str());
    return rc;
  }
  Fe_setStep(FeStep::Saving, a.out);
  if (Fe_memoryRanOut()) return Fe_outOfMemory();   // what the run left may be cut short
  Fe_restoreOptions(s, before);
  std::string error;
  std::vector<std::string> notes;
  Fe_beginSave(a.out);
  bool saved = Xlsx_save(s->book, a.out, &error, &notes);
  for (const std::string& note : notes) std::fprintf(stderr, "corvan: warning: %s\n", note.c_str());
  if (saved) return rc;
  if (Fe_memoryRanOut()) return Fe_outOfMemory();
  std::fprintf(stderr, "corvan: %s\n", error.c_str());
  return FeExitUsage;
}

// A load that the time limit or an interrupt stopped: the status a run
// stopped so has, and nothing saved.
int endStoppedLoad(const FeArgs& a) {
  Fe_endProgress();
  const int status = Fe_loadStop();
  if (!status) return FeExitUsage;
  std::printf("status %d: %s\n", status, Fe_statusMeaning(status));
  return saveIfAsked(nullptr, a, {}, FeExitNoSolution);
}

// One `corvan solve`: what its steps share.
struct SolveRun {
  explicit SolveRun(const FeArgs& args) : a(args) {}
  const FeArgs& a;
  FeSession s;
  FeSetNames before;  // the model's names as they were before the command line set options
  FeModel m;
  std::vector<std::string> engines;
  FeStartValues start;
  int status = 0;            // what the library answered to the solve
  bool interpreted = false;  // the interpreter computed the model for the engine
};

// Opens the workbook, sets the command line's options and reads the model;
// refuses, before anything runs, a model with faults the library would not
// notice, an engine that does not exist and a report the run cannot make.
// -1 when the run goes on, else the exit status.
int loadModel(SolveRun* r) {
  if (!openAndPrepare(&r->s, r->a, &r->before)) return endStoppedLoad(r->a);
  if (r->a.importMarkers && !Fe_importMarkers(&r->s)) return FeExitNoSolution;
  r->m = Fe_readModel(r->s.book, r->s.book->activeSheet);
  if (refuseBeforeRun(r->s.book, r->m)) return FeExitNoSolution;
  r->engines = engineNames(&r->s);
  const int refused = refuseUnknownEngine(r->a, r->engines);
  return refused >= 0 ? refused : refuseReports(r->a, r->m);
}

// Notes the engine the library picks and the blanks the model reads in merged
// cells, keeps the start values and runs the engine with what is left of the
// time limit. -1 when the engine ran, else the exit status: the load
// stopped, or memory ran out, which cuts the run short whatever it
// answered, so that nothing is saved.
int runEngine(SolveRun* r) {
  noteEngineChoice(r->s.book, r->m, r->engines);
  noteNoObjective(r->s.book, r->m);
  Fe_noteMergedBlanks(r->s.book, r->m);
  r->start = Fe_startValues(r->s.book, r->m);
  Fe_sizeResultRange(&r->s, resultRows(r->m), FeResultColumns);
  // From the engine's load on: a failed load has better words after the run.
  Fe_holdRefusals();
  r->interpreted = interpreterComputes(&r->s, r->m);
  Fe_setStep(FeStep::Solving);
  if (!Fe_handOverTheTimeLeft(&r->s, r->a)) {
    Fe_endRefusals(false, false);
    return endStoppedLoad(r->a);
  }
  r->status = Fe_action(&r->s, ActionSolve);
  Fe_endProgress();
  if (!Fe_memoryRanOut()) return -1;
  Fe_endRefusals(false, false);
  return Fe_outOfMemory();
}

// Prints a solution with its results and reports and keeps it in the
// variable cells; false when a report asked for could not be made.
bool keepSolution(SolveRun* r) {
  // The progress line that showed them is gone: an integer search that
  // stopped short of its proof keeps its bound and gap in the results.
  if (r->status != StatusSolved && Fe_hasIntegerConstraints(r->m) && !Fe_boundAndGap().empty())
    std::printf("%s\n", Fe_boundAndGap().c_str());
  Fe_printResults(r->s.book, r->m, engineName(r->engines, r->m));
  Fe_printSolutions(&r->s, r->m);
  const bool reportsMade = r->a.reports.empty() || Fe_writeReports(&r->s, r->m, r->start, r->a.reports, r->status);
  Fe_action(&r->s, ActionKeep);
  return reportsMade;
}

// What needs finite bounds on every variable cell: the engine, or the
// multistart search of the first engine, which alone needs none.
std::string boundsNeededBy(const FeModel& m, const std::vector<std::string>& engines) {
  const std::string engine = engineName(engines, m);
  if (engine.empty()) return "the engine chosen";
  return (engineIndex(m) == kFirstEngine ? "the multistart search (\"solver_msl\") of the engine \""
                                         : "the engine \"") +
         engine + "\"";
}

// Says why the run left no solution and puts the variable cells back.
void explainNoSolution(SolveRun* r) {
  Workbook* wb = r->s.book;
  // A model the interpreter could not compile: its faults, else the cell it
  // stopped at, unless a limit stopped the compile. A model past the size
  // an engine takes: the count and the engines that take it.
  const bool uncompiled =
      r->status == StatusCompileFailed && (!Fe_limitStop().limit.empty() || Fe_explainRefusal(wb, r->m) ||
                                           Fe_explainInterpreterStop(wb, Fe_resultRows(&r->s)));
  const bool tooLarge =
      r->status == StatusBadModel && r->m.faults.empty() && Fe_explainSizeLimit(&r->s, r->engines, engineIndex(r->m));
  if (!uncompiled && !tooLarge && r->status == StatusUnboundedVariable)
    Fe_explainUnboundedVariables(wb, r->m, boundsNeededBy(r->m, r->engines));
  else if (!uncompiled && !tooLarge)
    Fe_explainFailure(wb, r->m, libraryRefusedModel(r->status), Fe_endedAtAPoint(r->status),
                      engineName(r->engines, r->m), r->start);
  Fe_action(&r->s, ActionRestore);
}

// The verdict on the run, what follows from it, and the save: the exit
// status. The library's refusals of the model kept during the run are
// printed only where the front end has no better words for the failure.
int judgeAndSave(SolveRun* r) {
  const int saidBefore = Fe_linesSaid();
  std::string why;
  const auto cause = [&] { return why = failureCause(&r->s, r->m, r->status, r->engines); };
  const bool solution = Fe_printVerdict(r->s.book, r->m, r->status, r->start, cause, r->interpreted);
  bool reportsMade = true;
  if (solution) reportsMade = keepSolution(r);
  else explainNoSolution(r);
  Fe_endRefusals(!solution && Fe_linesSaid() > saidBefore, !solution && !why.empty());
  std::fflush(stdout);
  Fe_printWarnings(r->s.book, &r->m);
  const int rc = saveIfAsked(&r->s, r->a, r->before, solution ? FeExitSolution : FeExitNoSolution);
  return rc == FeExitSolution && !reportsMade ? FeExitUsage : rc;
}

}  // namespace

const char* Fe_statusMeaning(int status) {
  switch (status) {
    case StatusNothingRun: return "neither an analysis nor an engine ran";
    case StatusSolved: return "solved: all constraints and optimality conditions are satisfied";
    case StatusConverged: return "converged: the objective changed too little over the last iterations";
    case StatusNoProgress: return "no further progress could be made";
    case StatusIterationLimit: return "stopped at the iteration limit";
    case StatusUnbounded: return "the objective is unbounded";
    case StatusInfeasible: return "no feasible solution was found";
    case StatusUserStop: return "stopped by the user";
    case StatusNotLinear: return "the model is not linear as the engine requires";
    case StatusBadModel: return "empty model, size limit exceeded, invalid options, or no engine";
    case StatusEvalError: return "an evaluation failed (an error value in a cell)";
    case StatusTimeLimit: return "stopped at the time limit";
    case StatusOutOfMemory: return "out of memory";
    case StatusCompileFailed: return "the model could not be compiled";
    case StatusHostFailure: return "workbook, model or engine-loading failure";
    case StatusHeuristicInteger: return "an integer solution was found by a heuristic or within the gap tolerance";
    case StatusSubproblemLimit: return "stopped at the subproblem limit";
    case StatusIntegerLimit: return "stopped at the integer-solution limit";
    case StatusMultistartEnd: return "multistart search ended normally";
    case StatusUnboundedVariable: return "a variable has no finite bounds, which the engine requires";
    case StatusBadBounds: return "bounds or start values could not be read";
    case StatusCrossedBounds: return "a lower bound is above its upper bound";
    case StatusNoCoefficients: return "coefficients or derivatives could not be obtained";
    case StatusException: return "an internal failure ended the run";
    // The interval and SOCP engines' own statuses (named in their headers).
    case 1000: return "the interval engine does not solve this problem class";
    case 1001: return "an evaluation failed inside the interval search";
    case 1002: return "the interval search ended with a gap or box wider than the accuracy";
    case 1101: return "the SOCP engine does not solve this problem class";
    case 1102: return "the SOCP engine refuses a quadratic equality or a non-convex quadratic row";
    default: return "unknown status";
  }
}

int Fe_engines(const FeArgs& a) {
  FeSession s;
  if (!Fe_open(&s, a.book, "", a.onLimit, false)) {
    Fe_close(&s);
    return FeExitUsage;
  }
  Fe_setStep(FeStep::Listing);
  std::vector<std::string> engines = engineNames(&s);
  Fe_endProgress();
  if (engines.empty()) std::fprintf(stderr, "corvan: the library could not list its engines\n");
  std::vector<std::vector<std::string>> table{{"--engine", "engine"}};
  for (size_t k = 0; k < engines.size(); ++k) table.push_back({std::to_string(k + 1), engines[k]});
  Fe_printTable("engines", table);
  Fe_close(&s);
  return FeExitSolution;
}

int Fe_models(const FeArgs& a) {
  FeSession s;
  if (!Fe_open(&s, a.book, "", a.onLimit, false)) {
    Fe_close(&s);
    return FeExitUsage;
  }
  Fe_setStep(FeStep::ReadingModel);
  std::vector<std::vector<std::string>> table{{"sheet", "objective", "variables", "constraints", "engine"}};
  std::vector<std::string> engines = engineNames(&s);
  for (size_t k = 0; k < s.book->sheets.size(); ++k) {
    int sheet = static_cast<int>(k);
    if (!Fe_hasModel(s.book, sheet)) continue;
    s.book->activeSheet = sheet;
    FeModel m = Fe_readModel(s.book, sheet);
    const CellRange& o = m.objective;
    const std::string cell = o.sheet == sheet ? Wb_a1(o.row1, o.col1) : Fe_cellName(s.book, o.sheet, o.row1, o.col1);
    std::string objective = m.hasObjective ? std::string(Fe_senseName(m.sense)) + " " + cell : "(none)";
    std::string engine = engineName(engines, m);
    table.push_back({s.book->sheets[k]->name, objective, std::to_string(Fe_variableCells(m)),
                     std::to_string(Fe_constraintCells(m)),
                     engine + (m.faults.empty() ? "" : "  (" + std::to_string(m.faults.size()) + " faults)")});
    if (const std::string unknown = Fe_modelUnknownFunctions(s.book, m); !unknown.empty())
      Fe_say("warning: " + unknown);
  }
  if (table.size() == 1) std::printf("%s holds no model\n", a.book.c_str());
  Fe_printTable("models", table);
  Fe_close(&s);
  return FeExitSolution;
}

int Fe_solve(const FeArgs& a) {
  SolveRun run(a);
  int rc = loadModel(&run);
  if (rc < 0) rc = runEngine(&run);
  if (rc < 0) rc = judgeAndSave(&run);
  Fe_close(&run.s);
  return rc;
}

namespace {

// What the model's analysis found, from the row after the statistics row:
// on success the number of cells the interpreter compiled and the cells of
// additions whose operands lie more than 24 binary orders apart; on a
// refused or failing formula the interpreter's status, its text and cell.
void printAnalysis(int status, const std::vector<std::vector<std::string>>& rows) {
  if (rows.size() < 2) return;
  const std::vector<std::string>& found = rows[1];
  if (status == 0 && found.size() >= 3) {
    std::printf("  cells compiled: %s\n", found[2].c_str());
    const int count = std::atoi(found[1].c_str());
    if (count > 0) std::printf("  badly scaled additions (operands more than 2^24 apart) in %d cells:\n   ", count);
    for (size_t r = 2; count > 0 && r < rows.size(); ++r)
      for (const std::string& cell : rows[r]) std::printf(" %s", cell.c_str());
    if (count > 0) std::printf("\n");
  } else if (found.size() >= 3) {
    const int code = std::atoi(found[2].c_str());
    std::printf("  %s%s%s\n", Fe_interpreterStatusWords(code).c_str(), found.size() >= 5 ? " at " : "",
                found.size() >= 5 ? found[4].c_str() : "");
  }
}

}  // namespace

int Fe_analyse(const FeArgs& a) {
  FeSession s;
  FeSetNames before;
  if (!openAndPrepare(&s, a, &before)) return FeExitUsage;
  // Unless asked otherwise: diagnose with the convexity test, per function.
  for (const auto& option : {std::pair<const char*, const char*>{"solver_mda", "3"}, {"solver_rdp", "1"}})
    if (std::none_of(a.options.begin(), a.options.end(), [&](const auto& o) { return o.first == option.first; }))
      Fe_setModelOption(&s, option.first, option.second);
  FeModel m = Fe_readModel(s.book, s.book->activeSheet);
  Fe_sizeResultRange(&s, resultRows(m), FeResultColumns);
  Fe_setStep(FeStep::Analysing);
  int rc = FeExitSolution;
  bool explained = false;
  for (SolveAction action : {ActionAnalyse, ActionDiagnose}) {
    int status = Fe_action(&s, action);
    Fe_endProgress();
    std::printf("%s: status %d: %s\n", action == ActionAnalyse ? "analysis" : "diagnosis", status,
                status == 0 ? "done" : Fe_statusMeaning(status));
    if (status > 0) rc = FeExitNoSolution;
    if (action == ActionAnalyse) printAnalysis(status, Fe_resultRows(&s));
    else if (status == 0) Fe_printDiagnosis(Fe_resultValues(&s));
    // The model's own faults first, as solve gives them; else the cell the
    // interpreter stopped at.
    if (status > 0 && !explained)
      explained = Fe_explainRefusal(s.book, m) || Fe_explainInterpreterStop(s.book, Fe_resultRows(&s));
  }
  Fe_close(&s);
  return rc;
}
