// One run of `corvan solve` on a model workbook, in this process, as a user
// runs it: the status line, the exit status, and the point the run saved
// (read back from its --out workbook).
#pragma once

#include <string>
#include <vector>

inline constexpr int kVdNoStatus = -1000;

struct VdRun {
  int engine = 0;
  bool analysed = false;      // with --option dia=2
  int exit = -1;              // the command's exit status
  int status = kVdNoStatus;   // the library's status on the status line
  bool pointRefused = false;  // "..., but the point the run ended at is no solution"
  std::string statusLine, output;
  bool saved = false;  // a solution was saved: x and the objective cell below
  std::vector<double> x;
  bool objectiveIsNumber = false;
  double objective = 0;  // the saved objective cell
};

// Runs `corvan solve BOOK --engine ENGINE --out OUT` (with --option dia=2
// when `analysed`) under a time limit of `seconds`: in this process when
// `command` is empty, else as the program `command` (another build's).
VdRun Vd_solve(const std::string& book, const std::string& out, int engine, bool analysed, int variables,
               double seconds, const std::string& command = "");
// The command line of such a run, for a report.
std::string Vd_commandLine(int engine, bool analysed);
