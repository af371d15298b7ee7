// The interval engine's options, as set-up reads them from the host: the
// limits handed to the search, the accuracies and the switches of the
// bounding steps, and the checks of the model's size and bounds.
#pragma once

#include "contract/Host_Services.h"
#include "engines/interval/Ia_BranchBound.h"

constexpr int kIaMaxVariables = 500;
constexpr int kIaMaxConstraints = 250;
constexpr int kIaContractionPasses = 4;
constexpr int kIaNoProgressDefault = 30;   // seconds
constexpr double kIaPrecisionDefault = 1e-6;  // "solver_pre" when the host gives none

enum IaMethod : int { IaMethodInterval = 1, IaMethodAffine = 2 };

struct IaOptions {
  int timeLimit = 0, iterationLimit = 0;   // enforced by the host's progress callback
  int noProgressSeconds = kIaNoProgressDefault;
  int contractionPasses = kIaContractionPasses;
  double accuracy = 0, resolution = 0;     // "solver_acc", "solver_res"
  double precision = kIaPrecisionDefault;  // "solver_pre": how far a row may miss at a solution
  bool absoluteGapOnly = false;            // "solver_ars"
  bool startBoundsFixed = false;           // "solver_sta": the start box's ends are not active
  int method = IaMethodInterval;           // "solver_met"
  bool newtonAndClosing = false;           // "solver_soc"
  bool lpRelaxation = false;               // "solver_lpt"
  bool lpObjective = false;                // "solver_lpp"
};

// Reads the options; each named switch defaults to its bit of the engine's
// option flags.
IaOptions Ia_readOptions(const HostServices& host);
// What the box search needs of them.
IaSearchOptions Ia_searchOptions(const IaOptions& options, bool maximise);
// The status of a model of n variables and m constraints: 0, or 8 when it is
// over the engine's limits (not checked in feasibility mode).
int Ia_checkSize(int n, int m, bool feasibilityMode);
// The status of the variable bounds (1-based, n of them): 20 for a lower
// bound above its upper bound, 18 for a missing bound outside feasibility
// mode, else 0.
int Ia_checkVariableBounds(int n, const double* lower, const double* upper, bool feasibilityMode);
