// The `corvan` command line: its exit statuses, the arguments after parsing,
// usage and help, the options typed on it, and the commands it runs.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Exit statuses of every command.
enum FeExit : int {
  FeExitSolution = 0,       // the run ended with a solution
  FeExitNoSolution = 1,     // it ended without one, or the model could not be solved
  FeExitUsage = 2,          // bad usage, or a workbook that cannot be read or saved
  FeExitInterrupted = 130,  // a second Ctrl-C ended the command at once (128 + SIGINT, as shells report it)
};

// What the "Show" macro answers when the library reports a limit.
enum class FeOnLimit { Continue, Stop };

// A command line after parsing.
struct FeArgs {
  std::string command, book, sheet, out, engine, maxTime;
  std::vector<std::pair<std::string, std::string>> options;  // "solver_NAME", value
  std::vector<std::string> reports;                          // "answer", "sensitivity", "limits"
  FeOnLimit onLimit = FeOnLimit::Stop;
  bool overwrite = false;      // --out may name the workbook itself
  bool interpreter = false;    // recalc: compute through the formula interpreter
  bool importMarkers = false;  // solve: import a marker model first
  bool quiet = false;          // solve: no progress line
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

// Checks "--option NAME=VALUE" (NAME without "solver_"): a known option and a
// number it accepts. -1 when it may be set, else the exit status (the fault
// was reported with a hint).
int Fe_checkOption(const std::string& suffix, const std::string& value);

// The commands, each with its parsed arguments; each returns its exit
// status. `recalc` recalculates the workbook and compares each formula cell
// with the value its file stores.
int Fe_recalc(const FeArgs& args);
int Fe_engines(const FeArgs& args);
int Fe_solve(const FeArgs& args);
int Fe_analyse(const FeArgs& args);
int Fe_models(const FeArgs& args);
