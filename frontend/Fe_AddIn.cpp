// The add-in workbook the front end plays: its sheet with the message names,
// the result range "solver_tbl" and the "Show" macro; loading the library and
// calling its `Solve` actions; progress texts on the terminal.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/Dbl_Whole.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_FinalValues.h"
#include "excel/Names_Options.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/os/Os.h"
#include "platform/os/Os_Guard.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr const char* kAddInSheet = "Corvan";

struct Message { const char* name; const char* text; };
constexpr Message kMessages[] = {
  {"msg_setup", "Setting up problem..."}, {"msg_fpsetup", "Setting up feasibility problem..."},
  {"msg_trial", "Trial Solution:"},       {"msg_branch", "Subproblem:"},
  {"msg_incumb", "Incumbent:"},           {"msg_setcell", "Set Cell:"},
  {"msg_feasible", "Feasibility search: "}, {"msg_limits", "Limits: "},
  {"msg_done", "% done"},                  {"msg_bound", kFeBoundLabel},
  {"msg_gap", kFeGapLabel},               {"msg_stall", "No improvement for"},
};

// A line of the library's kept while Fe_holdRefusals holds them.
struct HeldLine {
  std::string line;
  bool evaluation;  // a failed evaluation, which only a cause on the status line says better
};

// What the command's run keeps between the library's callbacks, which reach
// the front end without a session of their own.
struct AddInRun {
  // The library's refusals of the model, its failed engine loads and failed
  // evaluations kept while Fe_holdRefusals holds them, for Fe_endRefusals
  // to print or drop.
  bool holdRefusals = false;
  std::vector<HeldLine> heldRefusals;
  bool limitStopAnswered = false;  // the "Show" macro answered stop to a limit in this action
  FeLimitStop limitStop;           // which, and how to raise it (Fe_limitStop)
  Workbook* book = nullptr;        // the user's workbook, for the limits' values and the messages
  std::string bookPath;            // as the command line named it
  std::string timeShown;           // the time limit the messages name instead of "solver_tim" (Fe_showTimeLimit)
};
AddInRun gRun;

// Whether a message box of this caption says an evaluation of the model failed.
bool isEvaluationCaption(const std::string& caption) {
  return caption == EvalValuesCaption || caption == EvalDerivativesCaption;
}

// Whether a message box of this caption is one Fe_holdRefusals keeps.
bool isHeldCaption(const std::string& caption) {
  return caption == ModelRefusedCaption || caption == EngineLoadCaption || caption == EngineLoadReasonCaption ||
         isEvaluationCaption(caption);
}

// The platform calls these two from its module: memory that runs out is
// caught on this side (a line not shown is all it costs). A message the
// library shows again (each failed evaluation of a run shows one) is
// printed once.
void showMessageBox(const OsMessageBox& box) {
  static std::set<std::string> shown;
  Os_guard(false, [&] {
    const std::string line = Fe_where() + box.caption + ": " + Fe_libraryLine(box.text);
    if (!shown.insert(line).second) return true;
    if (gRun.holdRefusals && isHeldCaption(box.caption)) {
      gRun.heldRefusals.push_back({line, isEvaluationCaption(box.caption)});
      return true;
    }
    Fe_endProgress();
    std::fprintf(stderr, "%s\n", line.c_str());
    return true;
  });
}

void showStatus(const std::string& text) {
  Os_guard(false, [&] {
    Fe_showStatus(text);
    return true;
  });
}

std::string folderOfProgram() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/'));
}

// The result range, as deep and wide as asked.
constexpr int kMinResultRows = 20;
std::string resultRange(int rows, int columns) {
  return std::string(kAddInSheet) + "!$A$1:$" + Wb_columnName(columns - 1) + "$" +
         std::to_string(std::max(rows, kMinResultRows));
}

void defineText(Workbook* wb, const char* name, const char* text) {
  Wb_defineName(wb, DefinedName{name, std::string("\"") + text + "\"", 0, false});
}

// Ctrl-C: the first sets the application's break flag, which the library
// polls as a spreadsheet program's break key; the second ends at once. A
// save in progress is abandoned, leaving its target as it was, unless its
// file is already in place: what the message says is what happened.
volatile std::sig_atomic_t gInterrupts = 0;
// During a save, the line a first Ctrl-C writes (made before the save: a
// signal handler can only write what is ready).
volatile std::sig_atomic_t gSaving = 0;
std::string gSavingLine;

void onInterrupt(int) {
  if (gInterrupts == 0 && gSaving) {
    ssize_t ignored = write(STDERR_FILENO, gSavingLine.data(), gSavingLine.size());
    (void)ignored;
  }
  if (gInterrupts > 0) {
    static const char kUnwritten[] = "\ncorvan: interrupted again: ending without writing\n";
    static const char kSaved[] = "\ncorvan: interrupted again: ending; the workbook had already been saved\n";
    ssize_t ignored = Xlsx_abandonSave() ? write(STDERR_FILENO, kSaved, sizeof kSaved - 1)
                                         : write(STDERR_FILENO, kUnwritten, sizeof kUnwritten - 1);
    (void)ignored;
    _exit(FeExitInterrupted);
  }
  gInterrupts = 1;
  Wb_app().breakFlag = true;
}

// Asked to end (kill, a closed terminal): the temporary file of a save in
// progress goes, then the signal ends the process as it would have.
void onTermination(int signal) {
  Xlsx_abandonSave();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// `raise` is how the command line raises the limit, followed by a value;
// `unset` is the limit the library takes when the model does not set it.
struct Limit {
  const char* option;
  const char* what;
  const char* unit;
  const char* raise;
  const char* unset;
};
// Reasons 2 to 5 of the "Show" macro, the time limit first.
constexpr Limit kLimits[] = {{"solver_tim", "time limit", " s", "--max-time ", "1000"},
                             {"solver_itr", "iteration limit", " iterations", "--option itr=", "1000"},
                             {"solver_nod", "subproblem limit", " subproblems", "--option nod=", "8000"},
                             {"solver_mip", "integer-solution limit", " integer solutions", "--option mip=", "1000"}};
// The raised value the hint suggests: this many times the limit reached.
constexpr double kRaiseFactor = 10;


std::string limitValue(const Limit& l) {
  if (&l == &kLimits[0] && !gRun.timeShown.empty()) return gRun.timeShown;
  if (!gRun.book) return "";
  if (!Wb_findName(gRun.book, l.option, gRun.book->activeSheet)) return l.unset;
  CalcEvalResult r;
  if (!Calc_evaluate(gRun.book, gRun.book->activeSheet, std::string("!") + l.option, &r) || r.value.values.empty()) return "";
  return Calc_displayText(r.value.values[0], "");
}

// The option that raises a limit, with a value above the one reached
// ("--option nod=80000") within the options' whole-number range; N when the
// limit's value is not known.
std::string raisedLimit(const Limit& l, const std::string& value) {
  char* end = nullptr;
  double reached = std::strtod(value.c_str(), &end);
  if (value.empty() || *end || !(reached > 0)) return std::string(l.raise) + "N";
  return l.raise +
         Calc_displayText(CellValue::makeNumber(std::min(std::ceil(reached * kRaiseFactor), double{INT_MAX})), "");
}

// Says that the limit was reached and whether the run stops there
// (`stop`) or goes on, keeping the limit and its raise when it stops.
void answerLimit(const Limit& l, bool stop) {
  gRun.limitStopAnswered = stop;
  std::string value = limitValue(l);
  std::string hint = "stopping; raise it with " + raisedLimit(l, value) + ", or use --on-limit continue to go on";
  if (stop)
    gRun.limitStop = {std::string("the ") + l.what + (value.empty() ? "" : " (" + value + l.unit + ")"),
                  raisedLimit(l, value)};
  std::fprintf(stderr, "%s reached%s: %s\n", l.what, value.empty() ? "" : (" after " + value + l.unit).c_str(),
               stop ? hint.c_str() : "going on (--on-limit continue)");
}

// The "Show" macro: reason 1 is the user's break or a shown iteration; it
// stops after Ctrl-C and goes on otherwise. Limits (reasons 2 to 5) continue
// or stop as asked. The answer 1 continues; the answer 0 leaves the library
// to stop with the limit's or the break's own status (the answer 2 would only
// mark a stop chosen by the user, which keeps the engine's status). Once it
// has answered stop for a limit it answers stop to every later call of the
// action, so that nothing runs on past the limit. Memory that runs out in it
// is caught here, in the front end's module, and stops the run.
CellValue show(FeOnLimit onLimit, const std::vector<CellValue>& args) {
  int reason = 0;
  if (!args.empty() && args[0].kind == CellKind::Number) Dbl_toWhole(args[0].number, &reason);
  Fe_endProgress();
  if (gRun.limitStopAnswered) return CellValue::makeNumber(0);
  if (reason == 1) {
    if (gInterrupts == 0) return CellValue::makeNumber(1);
    std::fprintf(stderr, "interrupted: stopping with the best point found (Ctrl-C again ends at once)\n");
    return CellValue::makeNumber(0);
  }
  bool stop = onLimit == FeOnLimit::Stop;
  if (reason >= 2 && reason <= 5) answerLimit(kLimits[reason - 2], stop);
  return CellValue::makeNumber(stop ? 0 : 1);
}

void registerShow(FeOnLimit onLimit) {
  Xlc_registerMacro("Show", [onLimit](const std::vector<CellValue>& args) {
    return Os_guard(CellValue::makeNumber(0), [&] { return show(onLimit, args); });
  });
}

Workbook* makeAddIn(FeOnLimit onLimit) {
  Workbook* wb = Wb_newWorkbook("CORVAN.XLA");
  Sheet* sh = Wb_addSheet(wb, kAddInSheet);
  sh->visible = false;
  for (const Message& m : kMessages) defineText(wb, m.name, m.text);
  Wb_defineName(wb, DefinedName{"Show", std::string(kAddInSheet) + "!$D$1", 0, false});
  registerShow(onLimit);
  Xlc_setCallerSheet(wb, 0);
  return wb;
}

bool loadLibrary(FeSession* s) {
  std::string path = folderOfProgram() + "/Corvan32.dll";
  s->library = Os_loadLibrary(path.c_str());
  if (!s->library) {
    std::fprintf(stderr, "corvan: cannot load the library %s\n", path.c_str());
    return false;
  }
  s->solve = reinterpret_cast<int (*)(const double*)>(Os_getProcByOrdinal(s->library, 1));
  s->solveX = reinterpret_cast<int (*)(std::intptr_t)>(Os_getProcByOrdinal(s->library, 2));
  if (!s->solve || !s->solveX) {
    std::fprintf(stderr, "corvan: the library %s lacks Solve or SolveX\n", path.c_str());
    return false;
  }
  s->solveX(0);
  // The library hands back its interpreter's values of the model's cells at
  // a run's end, which the final check then need not compute again.
  if (auto sink =
          reinterpret_cast<void (*)(FinalValueSink, void*)>(Os_getProcByOrdinal(s->library, kFinalValueSinkOrdinal)))
    sink(Fe_receiveLibraryValue, nullptr);
  return true;
}

// The workbook of a command that needs none of the user's (`corvan engines`
// alone): one empty sheet, as a new workbook has.
Workbook* emptyBook() {
  Workbook* wb = Wb_newWorkbook("Book1");
  Wb_addSheet(wb, "Sheet1");
  return wb;
}

}  // namespace

bool Fe_open(FeSession* s, const std::string& path, const std::string& sheet, FeOnLimit onLimit, bool willBeSaved) {
  Application& app = Wb_app();
  app.statusListener = showStatus;
  gInterrupts = 0;
  gRun.limitStopAnswered = false;
  std::signal(SIGINT, onInterrupt);
  for (int signal : {SIGTERM, SIGHUP}) std::signal(signal, onTermination);
  Os_setMessageBoxHandler(showMessageBox);
  s->addIn = makeAddIn(onLimit);
  Fe_sizeResultRange(s, kMinResultRows, FeEngineListColumns);
  std::string error;
  s->book = path.empty() ? emptyBook() : Xlsx_open(path, &error, willBeSaved ? XlsxOrigin::Keep : XlsxOrigin::Drop);
  if (!s->book) {
    if (Fe_memoryRanOut()) Fe_outOfMemory();
    else std::fprintf(stderr, "corvan: %s\n", error.c_str());
    return false;
  }
  if (Fe_loadMustStop()) return false;
  if (!sheet.empty()) {
    int index = Wb_sheetIndex(s->book, sheet);
    if (index < 0) {
      std::fprintf(stderr, "corvan: %s has no sheet named '%s'\n", path.c_str(), sheet.c_str());
      return false;
    }
    s->book->activeSheet = index;
  }
  for (size_t i = 0; i < app.workbooks.size(); ++i)
    if (app.workbooks[i].get() == s->book) app.activeWorkbook = static_cast<int>(i);
  Fe_setStep(FeStep::Recalculating);
  Calc_setStopCheck(Fe_loadMustStop);
  const bool recalculated = Calc_recalculate(s->book);
  Calc_setStopCheck(nullptr);
  if (!recalculated) {
    if (!Fe_loadStop()) Fe_outOfMemory();
    return false;
  }
  gRun.book = s->book;
  gRun.bookPath = path;
  return loadLibrary(s);
}

void Fe_close(FeSession* s) {
  Fe_endProgress();
  Fe_takeLibraryValues();  // values of this session's runs mean nothing to the next
  if (s->library) Os_freeLibrary(s->library);
  if (s->book) Wb_closeWorkbook(s->book);
  if (s->addIn) Wb_closeWorkbook(s->addIn);
  Xlc_resetHost();
  Wb_app().statusListener = nullptr;
  gRun.book = nullptr;
  *s = FeSession{};
}

int Fe_action(FeSession* s, SolveAction action) {
  gRun.limitStopAnswered = false;
  gRun.limitStop = {};
  double code = action;
  return s->solve(&code);
}

const FeLimitStop& Fe_limitStop() { return gRun.limitStop; }

bool Fe_interrupted() { return gInterrupts != 0; }

void Fe_holdRefusals() { gRun.holdRefusals = true; }

void Fe_endRefusals(bool saidBetter, bool causeShown) {
  for (const HeldLine& held : gRun.heldRefusals)
    if (!(held.evaluation ? causeShown : saidBetter || causeShown)) std::fprintf(stderr, "%s\n", held.line.c_str());
  gRun.heldRefusals.clear();
  gRun.holdRefusals = false;
}

void Fe_beginSave(const std::string& file) {
  gSavingLine = "\ncorvan: interrupted: the save of " + file +
                " is finishing; a second Ctrl-C ends at once, leaving the file as it was unless the save is complete\n";
  gSaving = 1;
}

void Fe_showTimeLimit(const std::string& seconds) { gRun.timeShown = seconds; }

void Fe_stopAtTimeLimit() { answerLimit(kLimits[0], true); }

std::string Fe_where() {
  if (!gRun.book) return "corvan: ";
  return "corvan: " + gRun.bookPath + ": sheet '" + gRun.book->sheets[gRun.book->activeSheet]->name + "': ";
}

int Fe_modelNameScope(FeSession* s) {
  int scope = s->book->activeSheet;
  const DefinedName* opt = Wb_findName(s->book, "solver_opt", scope);
  return opt ? opt->scopeSheet : scope;
}

void Fe_setModelOption(FeSession* s, const std::string& name, const std::string& value) {
  Wb_defineName(s->book, DefinedName{name, value, Fe_modelNameScope(s), true});
}

void Fe_sizeResultRange(FeSession* s, int rows, int columns) {
  s->resultRows = std::max(rows, kMinResultRows);
  s->resultColumns = columns;
  Wb_defineName(s->addIn, DefinedName{"solver_tbl", resultRange(rows, columns), 0, false});
}

const CellValue* Fe_resultCell(const FeSession* s, int row, int col) {
  if (row < 0 || row >= s->resultRows || col < 0 || col >= s->resultColumns) return nullptr;
  return Fe_value(s->addIn, 0, row, col);
}

CalcArray Fe_resultBlock(FeSession* s) {
  // The cells are read where the library wrote them: evaluating the name
  // would give the same values through one more copy of the whole range.
  CalcArray block{s->resultRows, s->resultColumns, {}};
  block.values.reserve(static_cast<size_t>(block.rows) * static_cast<size_t>(block.cols));
  for (int r = 0; r < block.rows; ++r)
    for (int c = 0; c < block.cols; ++c) {
      const CellValue* v = Fe_resultCell(s, r, c);
      block.values.push_back(v ? *v : CellValue{});
    }
  return block;
}

std::vector<std::vector<CellValue>> Fe_resultValues(FeSession* s) {
  std::vector<std::vector<CellValue>> rows;
  const CalcArray a = Fe_resultBlock(s);
  for (int i = 0; i < a.rows; ++i)
    rows.emplace_back(a.values.begin() + i * a.cols, a.values.begin() + (i + 1) * a.cols);
  return rows;
}

std::vector<std::vector<std::string>> Fe_resultRows(FeSession* s) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& values : Fe_resultValues(s)) {
    std::vector<std::string> row;
    for (const CellValue& v : values) row.push_back(Calc_displayText(v, ""));
    while (!row.empty() && row.back().empty()) row.pop_back();
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}
