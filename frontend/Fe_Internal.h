// What the front end's commands share: the command line, the add-in
// workbook it plays, the library it drives, the model as the workbook's
// names hold it, and the terminal it reports to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "contract/Eng_Engine.h"
#include "platform/workbook/Wb_Workbook.h"

struct CalcArray;

// Exit statuses of every command.
enum FeExit : int {
  FeExitSolution = 0,     // the run ended with a solution
  FeExitNoSolution = 1,   // it ended without one, or the model could not be solved
  FeExitUsage = 2,        // bad usage, or a workbook that cannot be read or saved
};

// What the "Show" macro answers when the library reports a limit.
enum class FeOnLimit { Continue, Stop };

// A command line after parsing.
struct FeArgs {
  std::string command, book, sheet, out, engine, maxTime;
  std::vector<std::pair<std::string, std::string>> options;   // "solver_NAME", value
  std::vector<std::string> reports;                            // "answer", "sensitivity", "limits"
  FeOnLimit onLimit = FeOnLimit::Stop;
  bool overwrite = false;                                      // --out may name the workbook itself
  bool interpreter = false;                                    // recalc: compute through the formula interpreter
  bool importMarkers = false;                                  // solve: import a marker model first
  bool quiet = false;                                          // solve: no progress line
};

// Reads the arguments after the command name. Returns -1 when the command
// should run, else the exit status (help was printed, or bad usage was
// reported with a hint).
int Fe_parseArgs(int argc, char** argv, FeArgs* args);
// The usage of every command, or one command's help (options, exit codes).
void Fe_printUsage(std::FILE* to);
bool Fe_printHelp(const std::string& command, std::FILE* to);
// "corvan: ..." on standard error; returns FeExitUsage.
int Fe_usageError(const std::string& message);

struct FeSession {
  Workbook* book = nullptr;      // the user's workbook
  Workbook* addIn = nullptr;     // the front end's own add-in workbook
  void* library = nullptr;       // the loaded system library
  int (*solve)(const double* action) = nullptr;
  int (*solveX)(std::intptr_t handle) = nullptr;
  int resultRows = 0, resultColumns = 0;   // the size of the result range (Fe_sizeResultRange)
};

// Sets up the add-in workbook, opens the user's workbook (activating
// `sheet` when given; keeping what a save needs only when it `willBeSaved`)
// and loads the library. On failure prints one line and returns false.
bool Fe_open(FeSession* s, const std::string& path, const std::string& sheet, FeOnLimit onLimit,
             bool willBeSaved = true);
// Unloads the library and closes both workbooks.
void Fe_close(FeSession* s);
// Calls `Solve` with an action code.
int Fe_action(FeSession* s, SolveAction action);
// The limit that stopped the last action ("the time limit (0.5 s)") and the
// option that raises it ("--max-time 5"); both "" when no limit did.
struct FeLimitStop {
  std::string limit, raise;
};
const FeLimitStop& Fe_limitStop();
// Whether the user interrupted the command (the first Ctrl-C).
bool Fe_interrupted();
// Marks the save of `file` begun: a first Ctrl-C from now on says that the
// save is finishing and what a second one does.
void Fe_beginSave(const std::string& file);
// The time limit the limit messages name ("2"), when the command line's
// --max-time governs the engine's "solver_tim"; "" to name "solver_tim".
void Fe_showTimeLimit(const std::string& seconds);
// Says that the time limit was reached and stops, as the "Show" macro says
// it of a run.
void Fe_stopAtTimeLimit();

// ---- the limits of the load before a run (Fe_Load.cpp) ----

// Starts the command's limits on its load: its --max-time, counted from the
// command's start, and what --on-limit answers to it.
void Fe_limitTheLoad(const FeArgs& a);
// Whether the load must stop now: the user interrupted it, or the time
// limit is past and --on-limit stops there. The first time, says so.
bool Fe_loadMustStop();
// The status of a load that stopped: StatusTimeLimit or StatusUserStop; 0
// while none stopped.
int Fe_loadStop();
// Hands the engine what is left of the command's time limit as its
// "solver_tim" (its own "solver_tim" from the command line when that is
// shorter); false, saying why, when the load must stop instead.
bool Fe_handOverTheTimeLeft(FeSession* s, const FeArgs& a);
// Says why the engine the model chose ("solver_eng", index `chosen` of
// `engines`) refused the model for its size: the count past its limit and
// the engines that take it. False when no size of the model is past a limit.
bool Fe_explainSizeLimit(FeSession* s, const std::vector<std::string>& engines, int chosen);
// The add-in's result range "solver_tbl": two columns for the engine list,
// sixteen (the statistics row) for the results of a run.
constexpr int FeEngineListColumns = 2;
constexpr int FeResultColumns = 16;
void Fe_sizeResultRange(FeSession* s, int rows, int columns);

// Defines a model option ("solver_eng", "solver_tim") where the model keeps
// its names: the scope of "solver_opt" (the active sheet's when it has none).
void Fe_setModelOption(FeSession* s, const std::string& name, const std::string& value);
int Fe_modelNameScope(FeSession* s);

// ---- a model written with another add-in's markers (Fe_Import.cpp) ----

// Imports the active sheet's marker model and stores it in the sheet's
// solver_* names; false, with a line naming the cell or name at fault,
// when it cannot be imported.
bool Fe_importMarkers(FeSession* s);
// The interpreter's source of cells, references and names over the
// stand-in's workbook (Fe_Interpret.cpp).
struct ReaderSource;
std::unique_ptr<ReaderSource> Fe_workbookSource(Workbook* wb);

// ---- options typed on the command line (Fe_Options.cpp) ----

// Checks "--option NAME=VALUE" (NAME without "solver_"): a known option and a
// number it accepts. -1 when it may be set, else the exit status (the fault
// was reported with a hint).
int Fe_checkOption(const std::string& suffix, const std::string& value);
// A name as it was before the command line set it.
struct FeNameBefore {
  DefinedName name;  // only its name when it did not exist
  int scope = -1;
  bool existed = false;
};
using FeSetNames = std::vector<FeNameBefore>;
// Sets --engine, --max-time and each --option into the model's names; returns
// the names as they were, for Fe_restoreOptions to put back before a save.
FeSetNames Fe_setOptions(FeSession* s, const FeArgs& a);
void Fe_restoreOptions(FeSession* s, const FeSetNames& before);
// The add-in's result range as rows of display texts (empty rows dropped).
std::vector<std::vector<std::string>> Fe_resultRows(FeSession* s);
// The result range's cells, row by row, with empty rows kept.
std::vector<std::vector<CellValue>> Fe_resultValues(FeSession* s);
// The same cells as one block.
CalcArray Fe_resultBlock(FeSession* s);
// One cell of the result range, by row and column within it; null where no
// cell was written or outside the range.
const CellValue* Fe_resultCell(const FeSession* s, int row, int col);
// Meaning of a status code the library returns.
const char* Fe_statusMeaning(int status);
// What an interpreter status means for the user's formulas, with its number
// ("a formula divides by zero (interpreter status 30)").
std::string Fe_interpreterStatusWords(int code);
// A line the library shows ("status 30: <its status text> at Plan!$B$6"),
// with the status put into the words above; any other line as it is.
std::string Fe_libraryLine(const std::string& text);
// Prints one warning line for each formula cell the stand-in cannot compute;
// with `model`, says of each whether the model depends on it.
struct FeModel;
void Fe_printWarnings(Workbook* wb, const FeModel* model);
// A function that is not calculated, as stored or typed, and the cell
// that calls it ("" for none).
struct FeUncalculated {
  std::string function, cell;
  bool olderComputesIt = true;  // every call computes what the function's older name would
};
// "SUMIFS (in Plan!B9), a function this system does not calculate" ("A and
// B, functions ..." for more than one; `calculator` in place of "this
// system"), each function by its typed name, then the older name of each
// renamed one that is calculated ("; it calculates the same under an older
// name: NORMDIST for NORM.DIST").
// Whether the older name of `function` computes every call of it, whatever
// its arguments (for calls whose arguments are not at hand).
bool Fe_olderNameComputesAll(const std::string& function);
std::string Fe_unknownFunctions(const std::vector<FeUncalculated>& calls,
                                const std::string& calculator = "this system");
// The calls of a formula (of the cell named `cell`) to functions the
// interpreter does not calculate, each function once.
void Fe_interpreterUncalculatedCalls(const std::string& formula, const std::string& cell,
                                     std::vector<FeUncalculated>* calls);
// Of a name the formulas of sheet `sheet` do not see: "which is defined only
// on sheet 'Other', ..." when another sheet has a name of its own by it,
// else "which the workbook does not define".
std::string Fe_undefinedName(const Workbook* wb, int sheet, const std::string& name);
// The worksheet functions a formula calls that the interpreter calculates,
// each once by its typed name.
void Fe_calculatedCalls(const std::string& formula, std::vector<std::string>* functions);
// "the model uses IFERROR (in Plan!B6), a function the interpreter does not
// calculate" when the model's cells call such functions at any level; ""
// when they call none.
std::string Fe_modelInterpreterUncalculated(Workbook* wb, const FeModel& m);
// "the model uses SUMIFS (in Plan!B9), a function this system does not
// calculate" when the model's cells call such functions at any level; "" when
// they call none.
std::string Fe_modelUnknownFunctions(Workbook* wb, const FeModel& m);

// ---- memory running out (Fe_Memory.cpp) ----

// What a command is doing, as said when memory runs out.
enum class FeStep { Reading, Recalculating, Interpreting, ReadingModel, Listing, Analysing, Solving, Saving };
// Starts a command on the workbook `book` ("" for none): it is reading it.
void Fe_beginCommand(const std::string& book);
// The command goes on to `step`, writing `file` when it saves.
void Fe_setStep(FeStep step, const std::string& file = "");
// Whether memory ran out since the command began (a guard caught it).
bool Fe_memoryRanOut();
// Says once "corvan: BOOK: out of memory while" and the step, and returns
// the exit status: FeExitUsage before a run, FeExitNoSolution from the run on.
int Fe_outOfMemory();

// ---- the progress line (Fe_Progress.cpp) ----

// Starts the clock of the progress line, the command's clock; `quiet`
// shows no progress line.
void Fe_startProgress(bool quiet);
// Seconds since the clock started.
double Fe_secondsSinceStart();
// Shows a status text of the library after the time since the start: in
// place on a terminal, else as a plain line at most every few seconds.
void Fe_showStatus(const std::string& text);
// Ends a progress line left on the terminal.
void Fe_endProgress();
// The labels of the best bound and the gap in the library's status texts.
constexpr const char* kFeBoundLabel = "Bound:";
constexpr const char* kFeGapLabel = "Gap:";
// "best bound 17.5, gap 2.86%" as the last status text of the command that
// showed a bound gave them; "" when none showed one.
std::string Fe_boundAndGap();
// Prints the model diagnosis the library wrote into the result range.
void Fe_printDiagnosis(const std::vector<std::vector<CellValue>>& rows);

// ---- the model as the workbook's names hold it (Fe_Model.cpp) ----

// Relation codes of "solver_rel<k>"; 9-11 are grouped rows of 1-3.
enum FeRelation : int {
  FeLessEqual = 1, FeEqual = 2, FeGreaterEqual = 3, FeInteger = 4, FeBinary = 5, FeAllDifferent = 6,
  FeCone = 7, FeCone2 = 8, FeGroupedLessEqual = 9, FeGroupedGreaterEqual = 11
};
// 1-3 for the comparisons, grouped or not; the code itself otherwise.
int Fe_comparison(int relation);

struct FeConstraint {
  int number = 0;                 // k of "solver_lhsk"
  CellRange lhs;
  int relation = 0;
  bool rhsIsRange = false;
  CellRange rhsRange;             // when rhsIsRange
  std::string rhsFormula;         // otherwise: the constant or formula, without "="
};

// The precision the engines take when the model sets none ("solver_pre").
constexpr double kFePrecision = 1e-6;

struct FeModel {
  int sheet = 0;                  // the sheet whose names hold the model
  bool hasObjective = false;
  CellRange objective;
  int sense = 1;                  // "solver_typ": 1 maximise, 2 minimise, 3 value of
  std::vector<CellRange> variables;
  std::vector<FeConstraint> constraints;
  int engine = 0;                 // "solver_eng" as written (0 when missing)
  bool linear = false;            // "solver_lin" is 1: the model says it is linear
  bool relaxed = false;           // "solver_rlx" is 1: integer conditions are ignored
  double precision = kFePrecision;   // "solver_pre": a smaller size counts as 0
  int diagnosis = 0;                 // "solver_dia": 2 and above analyse the model in the interpreter
  std::vector<std::string> faults;   // why the model cannot be solved, in words
  // Among the faults, one the library would take for a sound model and
  // solve (a text in a variable cell, which it would overwrite): such a
  // model is refused before the library runs.
  bool unseenByLibrary = false;
};

// Reads the model of `sheet` from its names; every fault found goes into
// `faults` (none for a sound model).
FeModel Fe_readModel(Workbook* wb, int sheet);
// Whether the sheet's names hold a model at all.
bool Fe_hasModel(Workbook* wb, int sheet);
// Notes each constraint side that takes in a blank cell hidden in a merged
// area (a part of it other than its first cell), which the model reads as 0.
void Fe_noteMergedBlanks(Workbook* wb, const FeModel& m);
// Cells of a range (a whole sheet's more than an int holds); of all the
// variable areas and of all the constraints' left-hand sides, each within
// the library's references.
long long Fe_cellsIn(const CellRange& r);
int Fe_variableCells(const FeModel& m);
// Whether a cell of the model's sheet is one of its variable cells.
bool Fe_isVariableCell(const FeModel& m, int row, int col);
int Fe_constraintCells(const FeModel& m);
// "maximise", "minimise" or "value of" for "solver_typ" 1-3.
const char* Fe_senseName(int sense);
// "" when the range lies within `rows` rows and `cols` columns; else a
// fault: `what` (its range) reaches past the limit that `holder` hold, and
// the first cell beyond.
std::string Fe_beyondGrid(const Workbook* wb, const CellRange& a, const std::string& what, int rows, int cols,
                          const std::string& holder);
// "Sheet!A1" of a cell and "Sheet!A1:B2" of a range; "Sheet!" alone.
std::string Fe_cellName(const Workbook* wb, int sheet, int row, int col);
std::string Fe_sheetPrefix(const Workbook* wb, int sheet);
std::string Fe_rangeName(const Workbook* wb, const CellRange& r);
// Whether two ranges share a cell.
bool Fe_overlaps(const CellRange& a, const CellRange& b);
// The first range of the model's variable cells that `cell` reads at any
// level; null when it reads none.
const CellRange* Fe_variablesRead(Workbook* wb, const FeModel& m, const CellRange& cell);
// What labelling the cells of a workbook found so far: the heading row of
// each cell asked about, and of the cells passed on the way up to it, by
// (sheet, column, row), -1 for none; so that labelling a table of cells
// walks each column once, not once for each cell. Good while no value of
// the workbook changes.
struct FeLabels {
  const Workbook* wb = nullptr;
  std::unordered_map<std::uint64_t, int> headings;   // by Fe_labelKey
  std::vector<int> passed;   // the rows of the walk under way, kept to reuse its memory
  // The last search to the left: the nearest text left of (sheet, row, col),
  // null for none. A cell further right on the same row searches only the
  // cells between, so that a row of cells costs one walk, not one each.
  struct LeftSearch {
    int sheet = -1, row = -1, col = -1;
    const std::string* text = nullptr;
  } left;
};
// The label of a cell in a report: the nearest text to its left and the
// heading of its column, joined by a space. The heading is the nearest text
// above with no empty cell between: a blank row ends a table, so a cell below
// it is not labelled by the columns of the table above.
std::string Fe_label(FeLabels* labels, int sheet, int row, int col);
// The key of a cell in FeLabels::headings: sheet, column (below 2^14) and
// row (below 2^20) in one number.
constexpr std::uint64_t Fe_labelKey(int sheet, int col, int row) {
  constexpr int kRowBits = 20, kColumnBits = 20;
  return static_cast<std::uint64_t>(sheet) << (kRowBits + kColumnBits) | static_cast<std::uint64_t>(col) << kRowBits |
         static_cast<std::uint64_t>(row);
}
// A cell's value as it shows in its number format ("" for an empty cell).
std::string Fe_shownValue(const Workbook* wb, int sheet, int row, int col);
const CellValue* Fe_value(const Workbook* wb, int sheet, int row, int col);
// The name of relation 1-11 ("<=", "=", ">=", "integer", "binary", "alldifferent", "cone" ...).
const char* Fe_relationName(int relation);

// ---- results and reports (Fe_Results.cpp, Fe_Reports.cpp) ----

// One row of the constraint table.
struct FeConstraintRow {
  int sheet = 0, row = 0, col = 0;
  int relation = 0;
  double value = 0, rhs = 0, slack = 0;
  bool numeric = true;            // value and right-hand side are numbers
  bool satisfied = true, binding = false;
};

std::vector<FeConstraintRow> Fe_constraintRows(Workbook* wb, const FeModel& m);
// Whether a number is within the table's integer tolerance of a whole number.
bool Fe_nearlyWhole(double x);
// The right-hand cell of the constraint's k-th left-hand cell (rhsIsRange).
void Fe_rhsCell(const FeConstraint& c, int k, int* row, int* col);
// The right-hand side of the constraint's k-th left-hand cell; false when it is no number.
bool Fe_rhsValue(Workbook* wb, const FeConstraint& c, int k, double* out);
// A value a right-hand formula gives as a number: a number, nothing as 0,
// or a text that reads as a number ("18"), as the engines read it; false
// otherwise.
bool Fe_rhsNumber(const CellValue& v, double* out);
// Whether a right-hand formula's value fits the constraint: one value, or an
// array of its left-hand side's rows and columns (one element per cell).
bool Fe_rhsFits(const FeConstraint& c, const CalcArray& value);

// ---- why a model cannot be solved (Fe_Explain.cpp) ----

// "corvan: BOOK: sheet 'NAME': ", the start of every message about the model
// of the active sheet of the workbook being run.
std::string Fe_where();
// Prints a line about the model: Fe_where() and the text, on standard error.
void Fe_say(const std::string& text);
// What a cell holds that is no number, as a phrase ("the text \"n/a\"",
// "#DIV/0!", "TRUE"); "" for a number or nothing.
std::string Fe_notANumber(const CellValue* v);
// "sheet 'S300', sheet 300 of the workbook, past the 255 sheets that the
// interpreter's references hold", of a sheet past the interpreter's last.
std::string Fe_lateSheet(const Workbook* wb, int sheet);
// Prints the faults of a model that cannot be solved, one line each.
void Fe_printFaults(const FeModel& m);
// Why the library refused the model, from what the names and cells show:
// the model's faults, else an objective or constraint cell that holds no
// number; false when none shows.
bool Fe_explainRefusal(Workbook* wb, const FeModel& m);
// The first right-hand side given as a formula that gives an array and
// reads the variable cells, which the interpreter cannot compile, in words
// ("the right-hand side of constraint 5 (...) is an array that moves with
// the variable cells, ..."); "" when there is none.
std::string Fe_movingArrayRhs(Workbook* wb, const FeModel& m);
// The cell the interpreter stopped at, from the result range's rows of a
// failed analysis: a formula that reads a sheet past the interpreter's last
// is named with the sheet, any other with the interpreter's status; false
// when the analysis named no cell.
bool Fe_explainInterpreterStop(Workbook* wb, const std::vector<std::vector<std::string>>& rows);
// "STDEV.S (in Plan!B6), a function the interpreter does not calculate",
// from the result range's rows of a failed analysis or evaluation whose
// error row says the interpreter met a function it does not know; "" for
// any other.
std::string Fe_interpreterUncalculated(Workbook* wb, const std::vector<std::vector<std::string>>& rows);
// "DDB (in Plan!B6), which the interpreter calculates but cannot
// differentiate", from the rows of a failed evaluation whose error row says
// a function the cell calls has no derivatives in the mode asked; "" for
// any other.
std::string Fe_interpreterUndifferentiated(Workbook* wb, const std::vector<std::vector<std::string>>& rows);
// Why a run left no solution, in words, naming the file, the sheet and the
// cell or name at fault: the model's faults when the front end found any and
// the library refused the model (`modelRefused`; otherwise the library's
// status is the verdict), else what the cells and names show after the run
// (`endedAtAPoint`: the run's status says it stopped at a point). `engine` is
// the name of the engine the model chose ("" when it chose none that exists);
// `start` the variable cells' values before the run, which tell a point the
// engine left in them from the start.
struct FeStartValues;
void Fe_explainFailure(Workbook* wb, const FeModel& m, bool modelRefused, bool endedAtAPoint,
                       const std::string& engine, const FeStartValues& start);
// Whether the workbook's cells now hold a point that satisfies every
// constraint and gives the objective a number.
bool Fe_pointIsFeasible(Workbook* wb, const FeModel& m);

// ---- the verdict on a run (Fe_Verdict.cpp) ----

// Prints the status line of a run that ended with `status`, and a note when
// the objective does not depend on the variables; true when the run left a
// solution: its status says it ended at a point, and that point gives the
// objective a number and satisfies every constraint (Fe_pointIsFeasible),
// whatever the engine reported. A status of a solution at a point that is
// none is said as such. `cause`, asked only when the run left no
// solution, follows the status's meaning on its line: what the front end
// knows of the reason. After a run in which the interpreter computed the
// model (`interpreted`), a point where its value of a cell the model reads
// (the objective, both sides of each constraint) differs from the
// workbook's by more than the rounding of an operation is no solution
// either, unless the workbook's own value changes when it recalculates the
// cell once more: the line names the first such cell with both values.
// Before the point is judged, an integer, binary or alldifferent cell within
// the integer tolerance of a whole number is given that number (and the
// workbook recalculated); one farther away makes the point no solution.
struct FeStartValues;
bool Fe_printVerdict(Workbook* wb, const FeModel& m, int status, const FeStartValues& start,
                     const std::function<std::string()>& cause = {}, bool interpreted = false);
// Whether the status says the run ended at a point (a solution, or a stop).
bool Fe_endedAtAPoint(int status);
// Prints the engine, the objective, the variables and the constraint table.
void Fe_printResults(Workbook* wb, const FeModel& m, const std::string& engineName);
// Prints the solutions of a system of equations that the engine listed in
// the result range ("solutions (k)", a row per solution with the value of
// each variable cell); nothing when the engine listed none.
void Fe_printSolutions(FeSession* s, const FeModel& m);
// A number as the tables show one without a number format (ten digits).
std::string Fe_number(double x);
// Prints rows of texts as a table with a heading and aligned columns.
void Fe_printTable(const std::string& title, const std::vector<std::vector<std::string>>& rows);
// Appends the same table, as Fe_printTable prints it, to a text.
void Fe_appendTable(std::string* text, const std::string& title, const std::vector<std::vector<std::string>>& rows);
// Prints a block of lines at once (Fe_Output.cpp), after what standard output
// holds and before anything printed later on either stream.
void Fe_printBlock(const std::string& block);

// Values of the variable cells and the objective before the run, for the
// answer report.
struct FeStartValues {
  double objective = 0;
  std::vector<double> variables;   // cell by cell, area by area
};
FeStartValues Fe_startValues(Workbook* wb, const FeModel& m);
// The limits of one variable cell: its least and greatest value with the
// other variable cells held at the solution, and the objective at each
// (found: the run for that limit ended with a solution).
struct FeLimit {
  bool lowerFound = false, upperFound = false;
  double lower = 0, lowerObjective = 0, upper = 0, upperObjective = 0;
};
// One per variable cell, area by area; the model's names and the solution
// are as before afterwards.
std::vector<FeLimit> Fe_limits(FeSession* s, const FeModel& m);

// Why a report ("answer", "sensitivity", "limits") cannot be made for a run
// with integer constraints (`integers`) or of an engine that hands back its
// population instead of sensitivity values; null when it can.
const char* Fe_reportRefusal(const std::string& report, bool integers, bool population);
// Builds the asked reports from the library's report rows: each becomes a new
// sheet of the workbook and is printed. False (with a message) when a report
// cannot be made for this run.
bool Fe_writeReports(FeSession* s, const FeModel& m, const FeStartValues& start,
                     const std::vector<std::string>& reports, int status);

// Subcommands (argv as Fe_main gets it). `recalc` recalculates the workbook
// and compares each formula cell with the value its file stores.
int Fe_recalc(const FeArgs& args);

// Every formula cell of a workbook computed by the formula interpreter in
// plain mode: values by (sheet index, cell key), and the cells it could not
// compile or evaluate with the reason.
struct FeInterpreted {
  std::map<std::pair<int, std::uint64_t>, CellValue> values;
  std::map<std::pair<int, std::uint64_t>, std::string> failures;
};
void Fe_interpretWorkbook(Workbook* wb, FeInterpreted* out);
// The same for the formula cells of the areas (with what they read) alone.
void Fe_interpretAreas(Workbook* wb, const std::vector<CellRange>& areas, FeInterpreted* out);
struct Value;
// A cell's value as the interpreter's value (in v, empty and bound to its
// context), and an interpreter's scalar as a cell's value (an array gives its
// first element, an empty value 0, a number that is not finite #NUM!).
void Fe_toValue(const CellValue& c, Value* v);
CellValue Fe_fromValue(const Value* v);
// The same in steps: compile once (compile failures go to out), evaluate
// every compiled cell in one pass as often as wanted (values and evaluation
// failures to out when given; returns the cells evaluated), free.
struct FeInterpreter;
FeInterpreter* Fe_compileWorkbook(Workbook* wb, FeInterpreted* out);
// The text functions the interpreter hands to the spreadsheet application
// are computed by the stand-in in wb while it is set (null: none).
void Fe_useApplication(Workbook* wb);
int32_t Fe_evaluateWorkbook(FeInterpreter* in, FeInterpreted* out);
void Fe_freeInterpreter(FeInterpreter* in);
int Fe_engines(const FeArgs& args);
int Fe_solve(const FeArgs& args);
int Fe_analyse(const FeArgs& args);
int Fe_models(const FeArgs& args);
