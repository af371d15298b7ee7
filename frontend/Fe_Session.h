// The add-in workbook the front end plays and the library it drives: the
// session of one command, the load's limits, the result range, the model's
// options as the command line sets them, and memory running out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Command.h"
#include "platform/workbook/Wb_Workbook.h"

struct CalcArray;

struct FeSession {
  Workbook* book = nullptr;   // the user's workbook
  Workbook* addIn = nullptr;  // the front end's own add-in workbook
  void* library = nullptr;    // the loaded system library
  int (*solve)(const double* action) = nullptr;
  int (*solveX)(std::intptr_t handle) = nullptr;
  int resultRows = 0, resultColumns = 0;  // the size of the result range (Fe_sizeResultRange)
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
// Keeps the library's refusals of the model ("Model refused: ..."), its
// failed engine loads and its failed evaluations from now on instead of
// printing them, until Fe_endRefusals.
void Fe_holdRefusals();
// Prints the lines kept since Fe_holdRefusals, and prints them as they come
// again: a failed evaluation unless `causeShown` (the status line said the
// cause), any other unless the front end said in words of its own why the
// run left no solution (`saidBetter` or `causeShown`).
void Fe_endRefusals(bool saidBetter, bool causeShown);
// Marks the save of `file` begun: a first Ctrl-C from now on says that the
// save is finishing and what a second one does.
void Fe_beginSave(const std::string& file);
// The time limit the limit messages name ("2"), when the command line's
// --max-time governs the engine's "solver_tim"; "" to name "solver_tim".
void Fe_showTimeLimit(const std::string& seconds);
// Says that the time limit was reached and stops, as the "Show" macro says
// it of a run.
void Fe_stopAtTimeLimit();

// Starts the command's limits on its load: its --max-time, counted from the
// command's start, and what --on-limit answers to it. The front end's own
// formula interpreter stops at them too (at a cell, or inside a long one).
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

// Imports the active sheet's marker model and stores it in the sheet's
// solver_* names; false, with a line naming the cell or name at fault,
// when it cannot be imported.
bool Fe_importMarkers(FeSession* s);

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
