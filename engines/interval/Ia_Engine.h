// The interval global engine's run: set-up reads the model's sizes, options,
// bounds and start point and checks the problem class; solve runs the local
// solver from the start point, then the search of the model's class, and
// chooses the result; finish leaves the result in the variable cells and
// writes the reports. The engine reaches the library through IaHost and the
// model's interval evaluations through IaModel.
#pragma once

#include <cstdint>
#include <string>

#include "contract/Host_LocalSolver.h"
#include "contract/Host_Services.h"
#include "engines/interval/Ia_Model.h"

struct IaHost {
  HostServices services;  // queries, options, bounds, start values, evaluations, progress, reports
  // The local solver from x within [lower, upper] (arrays of n, 0-based),
  // reporting its progress to `progress` with `progressUser`; its status, x
  // the local point.
  int (*runLocal)(void* user, double* x, const double* lower, const double* upper, bool scaling, LocalProgress progress,
                  void* progressUser) = nullptr;
  // Hands a report table of texts (row by row) to the front end. May be null.
  int (*writeTable)(void* user, int code, int columns, int rows, const char* const* texts) = nullptr;
  // The addresses of the variable cells as "R%dC%d" (1-based). May be null.
  std::vector<std::string> (*variableAddresses)(void* user) = nullptr;
  // The clock in seconds.
  double (*clockSeconds)(void* user) = nullptr;
};

struct IaEngine {
  IaHost host;
  const IaModel* model = nullptr;
  unsigned problemFlags = 0;
  int n = 0, m = 0, rows = 0;
  bool objectiveRow = false, maximise = false, scaling = false;
  int problemClass = IaClassObjective;
  std::vector<double> x, lower, upper;        // 1..n
  std::vector<double> f, rowLower, rowUpper;  // 1..rows (the objective last with a row)
  IaOptions options;
  IaBox start, reference;  // 1..n
  IaIntegerFlags integer;  // 1..n: the variables kept whole; empty when there are none
  double objective = 0;
  IaBoxList solutions;  // the all-solutions search's
  IaSearchStats stats;
  int stop = 0;  // the progress callback's stop answer, during the search or a local run
  bool setUp = false;  // set-up succeeded: x holds a point of the model
};

// Set-up; the status (0, 8, 11, 18, 19, 20 or 1000).
int Ia_setup(IaEngine& e, const IaHost& host, const IaModel* model, unsigned problemFlags);
// Keeps whole the variables whose flags (n of them, 0-based: 0 continuous,
// else integer, binary or a member of an alldifferent group) are nonzero;
// null flags keep none.
void Ia_setIntegers(IaEngine& e, const std::int32_t* flags);
// The solve sequence; the status.
int Ia_solve(IaEngine& e);
// Leaves x in the variable cells and writes the reports for `status`; the
// status, 9 when the final evaluation failed.
int Ia_finish(IaEngine& e, int status);
