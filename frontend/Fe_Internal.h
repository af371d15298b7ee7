// Pieces shared by the front end's commands: the add-in workbook it plays,
// the library it drives, and the terminal it reports to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

// What the "Show" macro answers when the library reports a limit or a break.
enum class FeOnLimit { Continue, Stop };

struct FeSession {
  Workbook* book = nullptr;      // the user's workbook
  Workbook* addIn = nullptr;     // the front end's own add-in workbook
  void* library = nullptr;       // the loaded system library
  int (*solve)(const double* action) = nullptr;
  int (*solveX)(std::intptr_t handle) = nullptr;
};

// Sets up the add-in workbook, opens the user's workbook (activating
// `sheet` when given) and loads the library. On failure prints one line and
// returns false.
bool Fe_open(FeSession* s, const std::string& path, const std::string& sheet, FeOnLimit onLimit);
// Unloads the library and closes both workbooks.
void Fe_close(FeSession* s);
// Calls `Solve` with an action code.
int Fe_action(FeSession* s, int action);

// Defines a model option ("solver_eng", "solver_tim") where the model keeps its names.
void Fe_setModelOption(FeSession* s, const std::string& name, const std::string& value);
// The add-in's result range as rows of display texts (empty rows dropped).
std::vector<std::vector<std::string>> Fe_resultRows(FeSession* s);
// Meaning of a status code the library returns.
const char* Fe_statusMeaning(int status);
// Prints one warning line for each formula cell the stand-in cannot compute;
// with `model`, says of each whether the workbook's model depends on it.
void Fe_printWarnings(Workbook* wb, bool model);
// Ends a progress line left on the terminal.
void Fe_endProgress();

// Subcommands (argv as Fe_main gets it). `recalc` recalculates the workbook
// and compares each formula cell with the value its file stores.
int Fe_recalc(int argc, char** argv);
int Fe_engines(int argc, char** argv);
int Fe_solve(int argc, char** argv);
int Fe_analyse(int argc, char** argv);
