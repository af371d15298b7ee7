// The library's per-process context: one record, allocated when the library
// is attached to the process and kept in a thread-local slot of the
// attaching thread. Every exported function fetches it from the slot or
// receives it as its first argument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_FinalValues.h"
#include "contract/Host_LocalSolver.h"

struct EvalContext;
struct Program;
struct ConstraintList;
struct ScenarioTable;
struct VariableCells;
struct XlValueList;
struct XLOPER;

constexpr int EngineTableRows = 6;     // rows 0-4 the built-in engines, 5 the plug-in being run
constexpr int EngineIndexCount = 20;   // engine indexes 0-19
constexpr int EngineFileChars = 32;
constexpr int DirectoryChars = 260;

// Progress of a run: limits, counters and the pending stop.
struct ProgressState {
  std::uint32_t timeStart;        // tick count (milliseconds) when the window began
  std::uint32_t timeLimit;        // milliseconds
  std::int32_t setupRowsByVariables;
  std::int32_t setupTwiceVariables;
  std::int32_t setupSteps;        // set-up step counter
  std::int32_t iterationLimit;
  std::int32_t iterationsLeft;
  std::int32_t subproblemLimit;
  std::int32_t integerLimit;
  std::int32_t lastIteration;
  std::int32_t subproblems;
  std::int32_t integerSolutions;
  double incumbent;
  std::int32_t incumbentShown;
  double bound;                   // the integer search's best bound (model's sense)
  std::int32_t boundShown;
  std::int32_t stallSeconds;      // seconds without improvement of a search that stops after stallLimit
  std::int32_t stallLimit;
  std::int32_t stallShown;
  std::int32_t showIterations;
  std::int32_t pendingStop;       // StopCode
  std::int32_t paused;
  std::int32_t breakSeen;
  std::int32_t armed[4];          // iterations, time, subproblems, integer solutions
  std::int64_t iterationsOfRun;   // iterations over every subproblem of the run
  std::int64_t evaluationsOfRun;  // model evaluations the engines asked for
  std::uint32_t workbookWrites;   // times the cells were or may have been written (wraps)
};

// The status bar: the line last shown, the formatted objective values and
// the stamps that throttle updates to one every 750 ms.
struct StatusState {
  std::string statusText;         // at most 255 characters
  std::string objectiveText;
  std::string incumbentText;
  std::string boundText;          // the best bound, formatted as the incumbent
  double incumbentValue;          // the incumbent last formatted
  std::int32_t incumbentTextValid;
  std::uint32_t lastSubproblemTime;  // tick counts in milliseconds
  std::uint32_t lastIterationTime;
  std::uint32_t lastPercentTime;
  std::int32_t lastSubproblem;    // the counters of the line last shown
  std::int32_t lastIteration;
};

// The front end's result range and the rows written into it: a statistics
// row of 16 numbers and report rows of 11 values.
constexpr int StatisticsColumns = 16;
struct ResultBlock {
  const XLOPER* target;           // single-area reference, borrowed from frontEndNames
  double statistics[StatisticsColumns];
};

struct LibraryContext {
  std::intptr_t handle;           // the front end's application handle (SolveX)
  EvalContext* evalContext;       // the interpreter's model of this Solve call
  std::int32_t savedCalcMode;     // calculation mode at session begin (initially 1)
  XlValueList* frontEndNames;     // the front end's names (MessageName order)
  std::int32_t feasibilityMode;   // 0 off, 1 or 2; the driver's percentage while it runs

  // Elastic variables of feasibility mode.
  std::int32_t elasticCount;
  std::int32_t modelVariableCount;
  std::int32_t elasticRowCount;
  std::vector<std::int32_t> elasticRowIds;
  std::vector<double> elasticValues;

  // The model as the session read it.
  VariableCells* variables;       // the variable cells
  ScenarioTable* scenarios;       // the scenario table (run modes 1 and 2)
  std::int32_t rowCount;          // constraint rows as the session counted them
  std::int32_t perRowCells;       // variable cells repeated per scenario row (run mode 2)
  std::int32_t groupedRowCells;   // cells of grouped records; nonzero: the model has a grouped row
  ConstraintList* constraints;
  std::int32_t runMode;
  std::int32_t maximise;
  double robustExp;
  double robustStd;
  double robustPen;
  ResultBlock results;

  StatusState status;

  std::int32_t robustMode;        // -1 unread or invalid, else 0, 1 or 2
  ProgressState progress;

  EngineEntry engines[EngineTableRows];
  EngineInfo engineInfos[EngineIndexCount];
  char engineFiles[EngineIndexCount][EngineFileChars];
  std::int32_t currentEngine;     // index of the last load (initially -1)

  // Values supplied by a local-solver run.
  std::int32_t modelSupplied;
  EngineOp grgSetup;
  EngineOp grgSolve;
  EngineOp grgFinish;
  EngineProblem* localSolver;
  std::int32_t suppliedWords[3];  // model queries 40-42
  LocalProgress suppliedProgress;  // the caller's progress routine, during its run
  void* suppliedProgressUser;
  std::int32_t suppliedScaling;
  std::int32_t suppliedGroupedRow;
  std::uint32_t suppliedOptionFlags;
  double suppliedPrecision;
  double suppliedConvergence;

  std::int32_t actionCode;        // the Solve action when 11 or more, else 0
  OsModule moduleHandle;
  std::int32_t directoryLength;
  char directory[DirectoryChars]; // the library's folder, with its trailing separator
  std::int32_t analysed;          // the interpreter loaded the model in this call
  std::int32_t diagnosed;
  std::int32_t engineCount;       // built-in engine indexes: 0 until the engines are listed, then 5
  std::vector<double> savedPriorValues;  // the variable cells' values before the run
  // The variable cells' values at the run's last evaluation through the
  // workbook that gave no number; empty when none failed.
  std::vector<double> failedPoint;
  // The front end's receiver of the interpreter's values at a run's end.
  FinalValueSink valueSink;
  void* valueSinkUser;
  // The point the loaded model's functions were all last evaluated at in
  // plain mode, and the interpreter's run count then: while it stands
  // still, the model's cells hold their values at that point. No program
  // when none was.
  const Program* plainProgram;
  std::uint64_t plainRuns;
  std::vector<double> plainPoint;
};

// The context of this process, from the attaching thread's slot; none
// before attach or on another thread.
LibraryContext* Entry_context();
