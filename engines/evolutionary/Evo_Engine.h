// The evolutionary engine: a population of candidate points, bred one child
// at a time by tournament selection, crossover and mutation (order crossover
// and swap mutation for alldifferent groups), with penalties for violated
// rows, repair of infeasible children and a local search of kept children.
//
// The engine reaches the model only through the library's host services with
// the run's owner context. Every state of a run lives in one `EvoRecord`,
// allocated by `setup` (problem word 1) and freed by `finish`. Variable
// arrays have n entries and row arrays m + 1 (the objective at index m), all
// 0-based.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/Rnd_Uniform.h"
#include "contract/Bound_Infinity.h"
#include "contract/Eng_Builtins.h"

struct LibraryContext;

// One candidate point. A member is feasible when fitness equals objective.
struct EvoMember {
  double fitness = 0.0;    // objective plus penalties
  double objective = 0.0;  // in the minimising sense
  double radius = 0.0;     // local optima: distance from where the search started
  std::vector<double> x;   // n values
  std::vector<double> rowValues;  // only for the population report
  std::unique_ptr<EvoMember> next;
};

// Local-improvement modes ("solver_loc").
enum EvoLocalMode : int {
  EvoLocalNone = 0, EvoLocalCoordinate = 1, EvoLocalLinear = 3, EvoLocalGrg = 4,
  EvoLocalByKind = 5,
};

// Variable dependency classes.
enum EvoClass : int { EvoClassNone = 0, EvoClassLinear = 1, EvoClassSmooth = 2,
                      EvoClassNonSmooth = 3 };

// Result codes used between the engine's steps besides the SolveStatus codes.
enum EvoResult : int {
  EvoAccepted = 0,       // a point or child was accepted / a member waits in `current`
  EvoKeptOptimum = 1,    // the local search recorded a local optimum
  EvoRejected = 5,       // no child, not accepted, not repaired
  EvoReseed = -3,        // the user's stop code 1: thin and refill the population
};

// The options that `setup` reads and `solve` passes to the main loop.
struct EvoOptions {
  int populationSize = 0;    // "solver_ssz"
  int seed = 0;              // "solver_rsd"
  int nodes = 0;             // "solver_nod"
  int stallSeconds = 0;      // "solver_mni"
  int iterations = 0;        // "solver_itr" (read, not used)
  double convergence = 0.0;  // "solver_cvg"
  double precision = 0.0;    // "solver_pre"
  double tolerance = 0.0;    // "solver_tol"
  double mutationRate = 0.0; // "solver_mrt"
  double extinction = 0.0;   // "solver_xtc"
  int showIterations = 0;    // query 12
  int reports = 0;           // query 15
  int objectiveRow = 0;      // query 10: the host's last row is the objective
  std::uint32_t flags = 0;   // EngineOptionFlags of engine 2
};

// What the run's options set when the main loop starts (with the values
// derived from them) and the engine's numeric constants; nothing changes
// them while the engine runs.
struct EvoSettings {
  double convergence = 0.0;                 // "solver_cvg"
  double precision = 1e-8;                  // "solver_pre"; 1e-8 when 0
  double tolerance = 0.0;                   // "solver_tol"
  double extinction = 0.0;                  // "solver_xtc"
  double mutationRate = 0.0;                // "solver_mrt"
  double redrawShare = 0.0;                 // "solver_mrt" again, for the local search's redraw
  int stallSeconds = 0;                     // "solver_mni"
  int mutationHorizon = 0;                  // "solver_nod"
  int useScaling = 0;                       // query 13
  int localMode = 0;                        // EvoLocalMode
  int localOptions = 48;                    // 48, plus 2 for central differences
  int rejectLimit = 0;                      // n: rejected children that make an iteration
  double equalityTol = 0.01;                // feasibility tolerance of equality rows
  double eqWeight = 0.0, ineqWeight = 0.0;  // penalty weights
  double allDiffShare = 0.0;                // alldifferent cells per variable
  // Constants of the search.
  int repeatCount = 2;
  int tournamentRounds = 2;
  int blendSteps = 3;
  int stepHistory = 2;
  int skipLimit = 20;
  double stepNoise = 0.2;
  double swapShare = 0.67, boundaryShare = 0.5, resetShare = 0.5;
  double pmxShare = 0.67, blendShare = 0.67;
  double distanceFactor = 0.8;
  double thresholdStep = 0.2;
  double betaSpread = 0.1;
};

// The linear part of the model: the coefficients captured by perturbation,
// the rows and variables that are linear, and the tableau over them that
// the repair and the linear-programming step solve.
struct EvoLinearPart {
  // coef: m + 2 rows of n + 1 values; coef[r + 1][j + 1] is d row r / d x_j,
  // row m + 1 (index m + 1) the objective; the record's rowWork holds the
  // rows at x = 0.
  std::vector<std::vector<double>> coef;
  std::vector<double> captureStep;          // n: step of the perturbation capture
  std::vector<std::int32_t> linearRowList;  // 1-based row numbers (row r is list value r)
  std::vector<std::int32_t> linearVarList;  // 1-based variable numbers
  // Dense tableau: linearRows + linearVars + 2 rows of 3 x linearVars + 1
  // values. Row 0 holds the objective's coefficients of the linear
  // variables; row r (1..linearRows) the coefficients of linear row
  // linearRowList[r - 1] in columns 1..linearVars and, in column 0, its
  // binding bound (the lower one for '>') less the row's value at x = 0.
  // The remaining rows and columns are work space.
  std::vector<std::vector<double>> tableau;
  // Per tableau row: '=' equal bounds, '>' only a lower bound, else '<'.
  std::vector<char> relation;
  std::vector<double> linearLower, linearUpper, linearSolution;  // per linear variable
  int linearVars = 0, linearRows = 0;
  int lpReuse = 0;  // reuse counter of the linear-programming step
};

// What a run counts: evaluations, children bred and kept, local optima
// found and the attempts of each repair.
struct EvoStatistics {
  int evaluations = 0;
  int mutations = 0, crossovers = 0;
  int mutantsKept = 0, crossoversKept = 0;
  int localOptimaFound = 0;
  int blendAttempts = 0, blendSuccesses = 0, linearAttempts = 0, linearSuccesses = 0,
      quasiNewtonAttempts = 0, stepAttempts = 0, stepSuccesses = 0;
};

struct EvoRecord {
  LibraryContext* context = nullptr;

  // Rows (m + 1, objective last).
  std::vector<double> rowValues, rowValuesSaved, rowWork, rowLower, rowUpper, shownValues,
      rowScale;
  std::vector<double> hostRows;  // what the host evaluates (its row count)
  // Variables (n).
  std::vector<double> x, x0, trial, lower, upper, incumbent, varScale, savedLower, savedUpper;
  std::vector<std::int32_t> types;        // 0 continuous, 1 integer, 2 binary, 3 + g group g
  std::vector<std::int32_t> groupStart;   // groupCount + 1 offsets into groupMember
  std::vector<std::int32_t> groupMember;  // member variables (0-based)
  std::vector<std::int32_t> varClass;     // EvoClass per variable
  std::vector<std::int32_t> classOrder;   // non-smooth, smooth, linear, none
  std::vector<std::vector<char>> depMatrix;  // m + 1 rows of n: 'L', 'S', 'N', 'Z'
  bool classified = false;                // depMatrix and classes come from the host

  EvoLinearPart linear;  // found at the start of the main loop

  int maximise = 0;
  int n = 0, m = 0;
  int hostRowCount = 0;                   // rows the host evaluates (query 1)
  int allDiffCells = 0, groupCount = 0, largestGroup = 0;
  int popSize = 0;
  int setupEvaluations = 1;
  int finalStatus = 0;
  int iteration = 0;
  int feasibleFound = 0;
  int rejectedRun = 0;
  int infeasibleRun = 0;
  std::uint32_t improvedTick = 0;
  int infeasiblePeriod = 0;
  int problemKind = 5;
  int classCount[3] = {0, 0, 0};          // non-smooth, smooth, linear
  int skipCount = 0;
  double classPick[2] = {0.0, 0.0};
  double meritThreshold = kBoundInfinity;
  double lastBest = kBoundInfinity;
  double bestObjective = kBoundInfinity;    // smallest feasible objective found (improvedTick's level)
  std::vector<std::int32_t> mutationPicks, crossoverPicks;  // popSize each

  std::unique_ptr<EvoMember> population;   // sorted by ascending fitness
  std::unique_ptr<EvoMember> localOptima;  // sorted, at most popSize records
  EvoMember* best = nullptr;
  EvoMember* worst = nullptr;
  EvoMember* bestFeasible = nullptr;
  // A copy of the feasible point with the smallest objective found, which no
  // removal from the lists can lose.
  std::unique_ptr<EvoMember> feasibleKept;
  std::unique_ptr<EvoMember> current;      // the member being built or improved

  // What the last fitness evaluation found.
  double lastObjective = 0.0, lastEqSum = 0.0, lastIneqSum = 0.0;

  RndStream rng;
  int scaled = 0;
  EvoOptions options;
  EvoSettings settings;
  EvoStatistics stats;
};


// The population report of `finish` (report set 10): the solution with the
// mean, standard deviation, largest and smallest value of every variable and
// row over the feasible members (every member
// after status 5).
void Evo_writePopulationReport(EvoRecord& rec);

// --- Random numbers (Evo_Random.cpp) ----------------------------------------
void Evo_uniformVector(RndStream& rng, int count, double* out);
double Evo_exponential(RndStream& rng);
double Evo_gamma(RndStream& rng, double shape, double divisor);
double Evo_beta(RndStream& rng, double a, double b);

// --- Evaluation, fitness and progress (Evo_Evaluate.cpp) --------------------
// Evaluates x (scaled) into rows (m + 1; objective last, 0 without one).
bool Evo_evaluate(EvoRecord& rec, const double* x, double* rows);
// The rows with variable j changed to xj from the last evaluated point (the
// change stays in the host's cells until the next evaluation sets it);
// false also when a stop is pending.
bool Evo_evaluateOne(EvoRecord& rec, int j, double xj, double* rows);
// The violation sums of row values (penalty rules of the fitness).
void Evo_violations(const EvoRecord& rec, const double* rows, double* eqSum, double* ineqSum);
// The objective of row values in the minimising sense.
double Evo_objectiveOf(const EvoRecord& rec, const double* rows);
// fitness = eqSum x eqWeight + ineqSum x ineqWeight + objective.
double Evo_fitnessOf(const EvoRecord& rec, const double* rows);
// Evaluates x into rec.rowValues, writes its fitness and answers the
// acceptance: 0 accepted (feasible, or infeasible once per period), 5 not.
int Evo_evaluateFitness(EvoRecord& rec, const double* x, double* fitness);
// Rounds the integer and binary variables (alldifferent: the group members).
void Evo_roundIntegers(EvoRecord& rec, double* x, bool allDifferent);
// Progress callback with a double value; returns the raw StopCode.
int Evo_progress(EvoRecord& rec, int flags, int count, double value);
// StopCode to the engine's result: 1 gives -3, 2 gives 3, 3 gives 6, 4 gives 10,
// 5 gives 15, 6 gives 16, else 0.
int Evo_mapStop(int stop);
// Evaluates the incumbent under a pause (flags 128, then `resumeFlags`);
// returns the mapped answer of the resuming call.
int Evo_showIncumbent(EvoRecord& rec, int resumeFlags);
// The pending-stop check: a query (flag 64); a stop shows the incumbent and
// returns its mapped answer, else 0.
int Evo_pendingStop(EvoRecord& rec);
// Set-up progress (flag 2); a stop the answer asks for gives its mapped
// status (6 the user's, 10 the time limit ...), else 0 (the user's stop code
// 1, which reseeds a population, waits for the main loop).
int Evo_setupProgress(EvoRecord& rec);
// The pending-stop check for the loops of the set-up and the searches: the
// mapped status of a stop that ends the run, else 0 (as Evo_setupProgress).
int Evo_runStop(EvoRecord& rec);

// --- Population (Evo_Population.cpp) ----------------------------------------
std::unique_ptr<EvoMember> Evo_makeMember(const EvoRecord& rec, double fitness, double objective,
                                          const double* x);
// Inserts into a list sorted by fitness with the cap popSize: 1 inserted,
// 0 rejected (the member is freed).
int Evo_insert(EvoRecord& rec, std::unique_ptr<EvoMember>& list, std::unique_ptr<EvoMember> member);
int Evo_listCount(const EvoMember* list);
EvoMember* Evo_memberAt(EvoMember* list, int position);  // from 1; null when missing
// Removes one member at random, never `protect` nor bestFeasible.
void Evo_removeRandom(EvoRecord& rec, const EvoMember* protect);
// Recomputes best and worst; false when the population is empty.
bool Evo_refreshEnds(EvoRecord& rec);
// Inserts `current` into the population (main-loop rule); 13 when it
// emptied. `inserted` (may be null) receives the member when it entered.
int Evo_insertCurrent(EvoRecord& rec, EvoMember** inserted = nullptr);
// Records a feasible new member for bestFeasible and improvedTick.
void Evo_noteFeasible(EvoRecord& rec, EvoMember* member);
// Copies a feasible member into feasibleKept when its objective is below the
// kept one's.
void Evo_keepFeasible(EvoRecord& rec, const EvoMember& member);
// A feasible point's objective: restarts the stall clock (improvedTick) when
// it is below every feasible objective found before, and only then; members
// leaving the population do not make an old level new again.
void Evo_noteImprovement(EvoRecord& rec, double objective);
// The member chosen as solution: feasible local optimum with the smallest
// objective, else feasible population member, else the kept feasible copy,
// else the best; null when empty.
const EvoMember* Evo_chooseResult(const EvoRecord& rec);
// Stall and iteration accounting after a child's result.
int Evo_stallAccounting(EvoRecord& rec, int result, double objective);
// Fills the population to popSize members; 0 or a stop code.
int Evo_fillPopulation(EvoRecord& rec);

// --- Main loop (Evo_MainLoop.cpp) --------------------------------------------
int Evo_mainLoop(EvoRecord& rec, double* objectiveOut);
// One breeding round: a mutation child (always in local mode 4, else with
// probability "solver_mrt"), and a crossover child when no mutation child
// entered the population. `made` receives the child that entered; 0, 5 (no
// child) or a result that ends the run.
int Evo_breedChild(EvoRecord& rec, EvoMember** made);

// --- Generation step (Evo_Generation.cpp) ------------------------------------
int Evo_mutationChild(EvoRecord& rec);
int Evo_crossoverChild(EvoRecord& rec);
// Checks an alldifferent group's values; shows a message for each fault.
void Evo_checkGroup(EvoRecord& rec, const double* x, int group);

// --- Classification and linear analysis (Evo_Classify.cpp) -------------------
int Evo_classify(EvoRecord& rec);        // 0, 5 or 13
int Evo_linearAnalysis(EvoRecord& rec);  // 0, or the status of a stop

// --- Repair and local search (Evo_Repair*.cpp, Evo_LocalSearch*.cpp) --------
// Repairs the infeasible point x toward `guide` (may be null); 0 when x was
// replaced by an accepted point (rec.rowValues and *fitness updated), 5 not,
// or the mapped stop code of a progress check made during the repair.
int Evo_repair(EvoRecord& rec, double* x, const EvoMember* guide, double* fitness,
               int populationFill);
// Local search from x (in/out) with its merit (in/out). `withMember` says
// whether a population member is being improved. 5 no search made, 11 out
// of memory, else the stall accounting's answer (0: a new member waits in
// `current`).
int Evo_localSearch(EvoRecord& rec, double* x, double* merit, bool withMember);
// The final feasibility phase, for a run that ended by its own rules without
// a feasible point: drives the least violated members into the feasible set
// and keeps a point it reaches in feasibleKept. 0 when one was kept, 5 not,
// or the mapped stop code of a progress check.
int Evo_finalFeasibility(EvoRecord& rec);
