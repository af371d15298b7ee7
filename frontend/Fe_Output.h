// What the front end prints: the progress line, the results and reports of
// a run, the tables and blocks of lines, and the model's diagnosis.
#pragma once

#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

struct FeModel;
struct FeSession;
struct FeStartValues;

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
// A text as a line shows it: each control character (a byte below 32 but
// the tab, or 127) written out as "<U+0001>", so that none moves the
// terminal or hides what it stands in (Fe_Output.cpp).
std::string Fe_visibleText(const std::string& text);
// Prints a block of lines at once (Fe_Output.cpp), after what standard output
// holds and before anything printed later on either stream.
void Fe_printBlock(const std::string& block);

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
