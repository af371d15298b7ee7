// What the front end says in words: the library's statuses and lines, the
// functions a model calls that are not calculated, and why a model cannot
// be solved or a run left no solution.
#pragma once

#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

struct FeModel;
struct FeStartValues;

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
// Of a formula of sheet `sheet` that gives an error value: the circle of
// names its names are defined through ("the names \"aa\" and \"bb\" are
// defined through one another, ..."), or the name whose definition cannot
// be read ("the name \"ln\" cannot be read (formula of 100001 characters,
// ...)"); "" when its names show neither.
std::string Fe_nameChainFault(const Workbook* wb, int sheet, const std::string& formula);
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
// "the formula of Plan!B6 cannot be read (formula nested too deeply ...), so
// the model cannot be solved: ..." for the first cell the model reads at any
// level whose formula is past the limits of the files (Calc_formulaPastLimits)
// and which holds no error value: the workbook would take the value its file
// stores as a constant; "" when there is none.
std::string Fe_modelUnreadFormula(Workbook* wb, const FeModel& m);

// "corvan: BOOK: sheet 'NAME': ", the start of every message about the model
// of the active sheet of the workbook being run.
std::string Fe_where();
// Prints a line about the model: Fe_where() and the text, on standard error.
void Fe_say(const std::string& text);
// How many lines Fe_say has printed since the command began.
int Fe_linesSaid();
// What a cell holds that is no number, as a phrase ("the text \"n/a\"",
// "#DIV/0!", "TRUE"); "" for a number or nothing.
std::string Fe_notANumber(const CellValue* v);
// "sheet 'S300', sheet 300 of the workbook, past the 255 sheets that the
// interpreter's references hold", of a sheet past the interpreter's last.
std::string Fe_lateSheet(const Workbook* wb, int sheet);
// Of a search that `needs` finite bounds on every variable cell ("the engine
// \"Standard Interval Global\""): the variable cells the model leaves
// without one, the first few by name and the rest by their count, and the
// way to bound them; false when the model bounds every cell.
bool Fe_explainUnboundedVariables(Workbook* wb, const FeModel& m, const std::string& needs);
// The first model cell (the constraint cells, then the objective, which
// may be quadratic where constraints may not) that the workbook computes as
// not linear in a variable cell moved by 1 and 2 from the value it holds
// ("Plan!B6"); "" when none shows or the model has too many variable cells
// to probe. The variable cells keep their values.
std::string Fe_nonlinearCell(Workbook* wb, const FeModel& m);
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
// a function the cell calls has no derivatives in the mode asked, or
// returned an error value where the workbook's cell holds none (a function
// without a slope); "" for any other.
std::string Fe_interpreterUndifferentiated(Workbook* wb, const std::vector<std::vector<std::string>>& rows);
// Why a run left no solution, in words, naming the file, the sheet and the
// cell or name at fault: the model's faults when the front end found any and
// the library refused the model (`modelRefused`; otherwise the library's
// status is the verdict), else what the cells and names show after the run
// (`endedAtAPoint`: the run's status says it stopped at a point). `engine` is
// the name of the engine the model chose ("" when it chose none that exists);
// `start` the variable cells' values before the run, which tell a point the
// engine left in them from the start.
void Fe_explainFailure(Workbook* wb, const FeModel& m, bool modelRefused, bool endedAtAPoint, const std::string& engine,
                       const FeStartValues& start);
