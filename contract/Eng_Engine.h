// The contract between the library and every engine, built-in or plug-in:
// the engine table row, the per-engine information record, the per-run
// problem record, the status and stop codes and the flag words.
//
// Every engine operation takes one record pointer (an EngineInfo for `load`
// and `free`, an EngineProblem for `setup`, `solve` and `finish`) and returns
// an int. Calling order for one use: load(info); when running, setup(problem),
// the driver (which calls solve one or more times), finish(problem); then
// free(info).
#pragma once

#include <cstdint>

#include "platform/os/Os.h"

struct LibraryContext;

using EngineOp = int (*)(void* record);

// Indexes of the built-in engines in the engine table.
enum BuiltinEngineIndex : int {
  EngineGrg = 0,
  EngineLp = 1,
  EngineEvolutionary = 2,
  EngineInterval = 3,
  EngineSocp = 4,
  EngineBuiltinCount,  // the built-in engines come first in the table
};

// One row of the engine table: the owner and the five operations in order.
struct EngineEntry {
  LibraryContext* owner;
  EngineOp load;
  EngineOp setup;
  EngineOp solve;
  EngineOp finish;
  EngineOp free;
};

// What an engine's `load` tells about it. Owner and module are set before
// `load`; `load` fills the rest. The comments give the item numbers by which
// the front end reads them back.
struct EngineInfo {
  LibraryContext* owner;
  OsModule module;           // for a plug-in: the library's own module handle
  std::int32_t limits[4];    // items 3-6: size limit on variables, then three more
  std::int32_t value1;       // item 1 (32767 for every built-in engine)
  std::int32_t value2;       // item 2 (0 for every built-in engine)
  std::uint32_t capabilities;  // item 13, bits below are items 14-23
  std::uint32_t fields;      // item 7; items 8-12 are its nibbles 0-4
};

// The items of an engine's information record, by the numbers the front end
// and the drivers ask for them (Host_getEngineInfoItem).
enum EngineInfoItem : int {
  EngineInfoValue1 = 1,
  EngineInfoValue2 = 2,
  EngineInfoFirstLimit = 3,       // items 3-6: the four size limits
  EngineInfoLastLimit = 6,
  EngineInfoFields = 7,           // the fields word
  EngineInfoFirstNibble = 8,      // items 8-12: its nibbles 0-4
  EngineInfoNibble2 = 10,
  EngineInfoNibble3 = 11,
  EngineInfoLastNibble = 12,
  EngineInfoCapabilities = 13,    // the whole capability word
  EngineInfoFeasibility = 14,     // items 14-23: one capability bit each
  EngineInfoBranch = 15,
  EngineInfoMultistart = 16,
  EngineInfoDiagnose19 = 19,
  EngineInfoDiagnose20 = 20,
  EngineInfoDiagnoseExtra = 21,
  EngineInfoCones = 22,           // the engine reads cone constraints itself
  EngineInfoRequestDiagnosis = 23,
  EngineInfoLastCapability = 23,
};

// Capability bits of EngineInfo::capabilities.
enum : std::uint32_t {
  EngineCanFeasibility = 0x4,      // item 14: the feasibility driver may be used
  EngineCanBranch = 0x10,          // item 15: branch and bound
  EngineCanMultistart = 0x20,      // item 16: multistart
  EngineUsesLocalSolver = 0x40,    // item 18: uses the GRG local-solver instance
  EngineItem17 = 0x80,             // item 17
  EngineDiagnose19 = 0x100,        // item 19: diagnose at "solver_dia" level 4
  EngineDiagnose20 = 0x200,        // item 20: diagnose at "solver_dia" level 4
  EngineDiagnoseExtra = 0x400,     // item 21: diagnosis extra argument at level 4
  EngineItem22 = 0x800,            // item 22
  EngineRequestDiagnosis = 0x1000, // item 23: request diagnosis at level 4
  EngineEvaluateInExcel = 0x2000,  // evaluate through the application even when analysed
  EngineBuiltinBit = 0x4000,       // set by every built-in engine; nothing reads it
};

using EngineDriver = int (*)(EngineOp solve, struct EngineProblem* problem);
using SnapshotRelease = void (*)(void* snapshot);

// One run of one engine, allocated zero-filled by the runner.
struct EngineProblem {
  LibraryContext* owner;
  void* engineRecord;          // allocated by setup, freed by finish
  EngineDriver driver;
  std::int32_t variableCount;  // query 0
  std::int32_t status;         // SolveStatus written by the engine
  std::int32_t reserved;
  double objective;
  std::uint32_t flags;         // ProblemFlags
  std::int32_t actionCode;     // query 16
  double* upper;               // n upper bounds
  double* lower;               // n lower bounds
  double* values;              // current values or solution (n)
  double* reducedCosts;        // supplied by the branch-and-bound root solve, else null
  double* multipliers;         // supplied by the multistart driver, else null
  std::int32_t* integerFlags;  // 0 continuous, 1 integer, 2 binary, 3+g alldifferent group g
  void* saved;                 // saved solution or snapshot
  SnapshotRelease releaseSaved;
  std::int32_t engineIntegerCount;     // the engine's own (LP/quadratic engine)
  std::int32_t* engineOrder;
  unsigned char* engineBinaryStatus;
  std::int32_t unused;
};

// EngineProblem::flags.
enum ProblemFlags : std::uint32_t {
  ProblemOtherDriver = 0x1,      // a driver other than the direct one: keep the solution
  ProblemReports = 0x2,          // the direct driver and query 15 asks for reports
  ProblemFeasibility = 0x4,      // query 9 is 1 or 2
  ProblemFeasibility1 = 0x8,     // query 9 is 1
  ProblemBranch = 0x10,          // item 15 and at least one integer variable
  ProblemMultistart = 0x20,      // item 16 and "solver_msl" = 1
  ProblemLocalSolver = 0x40,     // a local-solver run (0x41 with 0x1)
  ProblemActionCode = 0x100,     // query 16 is nonzero
};

// What `Solve` returns for a run, what an engine writes into the problem's
// status and what a driver returns.
enum SolveStatus : std::int32_t {
  StatusNothingRun = -3,       // neither an analysis nor an engine ran
  StatusNone = -2,             // driver: the status the engine wrote stands
  StatusSolved = 0,            // the engine's optimality conditions hold
  StatusConverged = 1,         // the engine's own convergence rule ended the run
  StatusNoProgress = 2,        // no further progress
  StatusIterationLimit = 3,
  StatusUnbounded = 4,
  StatusInfeasible = 5,
  StatusUserStop = 6,
  StatusNotLinear = 7,         // not linear, or the linearity test failed
  StatusBadModel = 8,          // empty model, size limit, invalid options, or no engine
  StatusEvalError = 9,         // an evaluation failed
  StatusTimeLimit = 10,
  StatusOutOfMemory = 11,
  StatusCompileFailed = 12,    // the model could not be compiled
  StatusHostFailure = 13,      // application, workbook, session or engine-loading failure
  StatusHeuristicInteger = 14, // engine: heuristic integer solution; driver: gap reached
  StatusSubproblemLimit = 15,
  StatusIntegerLimit = 16,
  StatusMultistartEnd = 17,    // the multistart driver's normal end
  StatusUnboundedVariable = 18,  // a variable without finite bounds where bounds are required
  StatusBadBounds = 19,        // bounds, start values or groups could not be read
  StatusCrossedBounds = 20,    // a lower bound exceeds its upper bound
  StatusNoCoefficients = 21,   // coefficients or derivatives could not be obtained
  StatusException = 999,       // an exception escaped `Solve`
};

// Captions of the library's message boxes about a run that failed, which a
// front end with better words for the failure may put in their place: a
// plug-in engine that could not be loaded (and the system's reason), and an
// evaluation of the model's values or derivatives that failed.
constexpr const char* EngineLoadCaption = "Solver Engine DLL Error";
constexpr const char* EngineLoadReasonCaption = "DLL Error System Message";
constexpr const char* EvalValuesCaption = "the model could not be evaluated";
constexpr const char* EvalDerivativesCaption = "the derivatives could not be evaluated";

// The sets of statuses that callers tell apart, named here once.
// The engine's optimality conditions or its convergence rule ended the run.
constexpr bool Eng_isConverged(int s) { return s == StatusSolved || s == StatusConverged; }
// The engine's own rules accept its final point: converged, or no further
// progress possible from there.
constexpr bool Eng_isLocalSolution(int s) { return Eng_isConverged(s) || s == StatusNoProgress; }
// The run found a solution: a local one, a heuristic integer solution (or
// the gap reached), or the multistart driver's normal end.
constexpr bool Eng_isSolution(int s) {
  return Eng_isLocalSolution(s) || s == StatusHeuristicInteger || s == StatusMultistartEnd;
}
// The run was stopped early, by a limit or by the user, at a point that may
// or may not be a solution.
constexpr bool Eng_isEarlyStop(int s) {
  return s == StatusIterationLimit || s == StatusUserStop || s == StatusTimeLimit ||
         s == StatusSubproblemLimit || s == StatusIntegerLimit;
}

// The actions of the library's `Solve` entry (the integer part of the double
// it receives), shared by the library and the front end that calls it.
enum SolveAction : int {
  ActionSolve = 0, ActionKeep = 1, ActionRestore = 2, ActionSolveAgain = 3,
  ActionFeasibility1 = 4, ActionFeasibility2 = 5, ActionAnalyse = 6, ActionDiagnose = 7,
  ActionListEngines = 8, ActionEngineLimits = 9, ActionModelSize = 10, ActionKeptFirst = 11,
};

// Result of the progress callback, kept pending in the context.
enum StopCode : std::int32_t {
  StopContinue = 0,
  StopByUser = 1,            // stop chosen by the user: the engine's status stands
  StopIterationLimit = 2,
  StopBreak = 3,             // user break, or stop at a shown iteration
  StopTimeLimit = 4,
  StopSubproblemLimit = 5,
  StopIntegerLimit = 6,
};

// Second argument of the progress callback.
enum ProgressFlags : std::uint32_t {
  ProgressIteration = 0x1,       // an iteration point (the show-iterations stop may fire)
  ProgressSetup = 0x2,           // set-up progress text
  ProgressSetup2 = 0x4,          // set-up progress text
  ProgressIterationNumber = 0x8, // a new iteration number in the first value
  ProgressSubproblem = 0x10,     // a new subproblem; first value: integer solutions
  ProgressIncumbent = 0x20,      // incumbent text
  ProgressQuery = 0x40,          // say what would stop, change nothing
  ProgressPause = 0x80,          // pause the limit checks
  ProgressResume = 0x100,        // resume them
  ProgressObjective = 0x200,     // with 0x10: second and third values hold the objective
  ProgressFeasibility = 0x800,   // feasibility progress, first value the percentage
};

// The status that stop code `stop` gives an engine's run: the iteration
// and time limits and the user's break, and with `countLimits` the
// subproblem and integer-solution limits too; 0 for any other code.
int Eng_stopStatus(int stop, bool countLimits);
// The status that a pending stop code gives a run; 0 and 1 leave `status`.
int Eng_statusAfterStop(int status, int stop);

// The do-nothing `free` shared by the built-in engines; returns 1.
int Eng_freeNothing(void* info);

// What every built-in engine's `load` does: fills the information record's
// limits, flag word and 4-bit fields (first value 32767, second 0); returns 1.
int Eng_fillBuiltinInfo(void* info, const std::int32_t (&limits)[4], std::uint32_t capabilities,
                        std::uint32_t fields);

// `setup` and `solve` of a built-in engine that this build does not carry:
// writes status 8 (no engine) into the problem and returns 0.
int Eng_engineNotBuilt(void* problem);
