// Run session: begin and end of the frame around an analysis or a run and
// the elastic variables of feasibility mode.
#include "entry/Host_Session.h"

#include <utility>

#include "base/Mem_Heap.h"
#include "contract/Host_Progress.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "entry/Sess_Evaluation.h"
#include "entry/Sess_Results.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Calculation.h"
#include "excel/Xl_Value.h"

namespace {

// A counted set-up sequence (Solve actions 3 and 10) keeps its own status line.
bool setupUnderWay(const LibraryContext* context) {
  int steps = context->progress.setupSteps;
  int twice = context->progress.setupTwiceVariables;
  return steps > 0 && (steps < twice || twice == 0);
}

void releaseModel(LibraryContext* context) {
  Names_freeConstraints(context->constraints);
  context->constraints = nullptr;
  Names_freeScenarioTable(context->scenarios);
  context->scenarios = nullptr;
  Sess_freeVariableCells(context->variables);
  context->variables = nullptr;
  context->perRowCells = 0;
  context->modelVariableCount = 0;
  context->rowCount = 0;
  context->groupedRowCells = 0;
  context->maximise = 0;
}

void releaseElastic(LibraryContext* context) {
  context->elasticCount = 0;
  context->elasticRowCount = 0;
  context->elasticRowIds.clear();
  context->elasticValues.clear();
}

// Run mode 2: the cells that are both variable and scenario cells are the
// per-row cells; they take the last variable numbers.
bool alignPerRowCells(LibraryContext* context) {
  auto* variables = const_cast<CellList*>(Sess_getVariableCellList(context->variables));
  auto* scenarios = const_cast<CellList*>(Names_getScenarioCells(context->scenarios));
  int k = Area_alignCellLists(variables, scenarios);
  if (k < 0) return false;
  Area_rotateVariables(variables, variables->distinct - k);
  context->perRowCells = k;
  return true;
}

bool readVariableCells(LibraryContext* context) {
  context->variables = Sess_readVariableCells(context);
  bool ok = context->variables != nullptr;
  if (ok && (context->robustMode == 1 || context->robustMode == 2))
    ok = Names_readScenarioTable(context, &context->scenarios);
  if (ok && context->robustMode == 2) ok = alignPerRowCells(context);
  if (!ok) {
    releaseModel(context);
    return false;
  }
  int k = context->perRowCells;
  context->modelVariableCount = Sess_getAdjCellCount(context->variables) - k +
                                k * Names_getScenarioRowCount(context->scenarios);
  return true;
}

void countRows(LibraryContext* context) {
  const ConstraintList* list = context->constraints;
  constexpr unsigned kTable = RowLhsOnTable | RowRhsOnTable;
  bool weighted = context->robustMode == 2;
  unsigned plainExclude = RowBound | RowGrouped | (weighted ? kTable : 0u);
  int rows = Names_countCells(list, 0, RowChecked, plainExclude);
  context->groupedRowCells = Names_countCells(list, 0, RowGrouped, 0);
  if (context->groupedRowCells > 0) rows += 1;
  if (weighted)
    rows += Names_countCells(list, 0, kTable, RowBound | RowGrouped) *
            Names_getScenarioRowCount(context->scenarios);
  context->rowCount = rows;
  context->maximise = 0;
  for (const ConstraintRecord& record : list->records)
    if (record.relation == RelationMaximise && (record.flags & RowObjective)) context->maximise = 1;
}

bool readRobustWeights(LibraryContext* context) {
  context->robustStd = Names_getRealOption(context, OptRobustStd, 0.0);
  context->robustExp = Names_getRealOption(context, OptRobustExp, 1.0);
  context->robustPen = Names_getRealOption(context, OptRobustPen, 1.0);
  return context->robustStd >= 0 && context->robustExp >= 0 && context->robustPen >= 0;
}

bool readConstraints(LibraryContext* context) {
  if (context->robustMode < 0) return false;
  context->constraints = Names_readConstraints(context);
  ConstraintList* list = context->constraints;
  bool ok = list &&
            Names_markVariableDependence(list, Sess_getVariableCellList(context->variables)) &&
            Names_markTableDependence(list, context->scenarios);
  if (ok) {
    countRows(context);
    ok = readRobustWeights(context);
  }
  if (!ok) {
    Names_freeConstraints(context->constraints);
    context->constraints = nullptr;
    context->rowCount = 0;
    context->groupedRowCells = 0;
  }
  return ok;
}

// One elastic variable per inequality row, two per equality: +row for a
// row without an upper bound and the first of a pair, -row otherwise.
bool buildElastic(LibraryContext* context) {
  releaseElastic(context);
  if (!context->feasibilityMode) return true;
  int rows = Sess_rowsWithoutGrouped(context);
  std::vector<double> lower(rows, -kBoundInfinity), upper(rows, kBoundInfinity);
  if (rows > 0 && !Sess_getRowBounds(context, lower.data(), upper.data())) return false;
  for (int r = 1; r <= rows; ++r) {
    if (lower[r - 1] == upper[r - 1]) {
      context->elasticRowIds.push_back(r);
      context->elasticRowIds.push_back(-r);
    } else {
      context->elasticRowIds.push_back(upper[r - 1] >= kBoundInfinity ? r : -r);
    }
  }
  context->elasticCount = static_cast<int>(context->elasticRowIds.size());
  context->elasticRowCount = rows;
  context->elasticValues.assign(context->elasticCount, 0.0);
  return true;
}

void finishLocalSolver(LibraryContext* context) {
  int engine = context->currentEngine;
  bool uses = engine >= 0 && engine < EngineIndexCount &&
              (context->engineInfos[engine].capabilities & EngineUsesLocalSolver);
  if (!uses || !context->grgFinish || !context->localSolver) return;
  context->grgFinish(context->localSolver);
  Mem_free(context->localSolver);
  context->localSolver = nullptr;
}

}  // namespace

int Host_beginSession(LibraryContext* context) {
  if (!context) return 0;
  context->savedCalcMode = CalcManual;  // nothing to restore until the mode is saved
  if (!Msg_armLimits(context) || !Names_readRobustMode(context, &context->robustMode) ||
      !Msg_readMessageNames(context) || !Msg_saveCalcMode(context))
    return 0;
  context->runMode = context->robustMode;
  if (!setupUnderWay(context)) Msg_beginStatus(context);
  Sess_prepareResults(context);
  return readVariableCells(context) && readConstraints(context) && buildElastic(context) &&
         Sess_savePriorValues(context);
}

int Host_endSession(LibraryContext* context) {
  if (!context) return 1;
  if (context->scenarios) Names_storeScenarioRows(context, context->scenarios);
  releaseElastic(context);
  context->feasibilityMode = 0;
  releaseModel(context);
  finishLocalSolver(context);
  Msg_freeMessageNames(context);
  context->results.target = nullptr;
  context->robustMode = -1;
  context->progress.pendingStop = StopContinue;
  context->progress.paused = 0;
  context->progress.breakSeen = 0;
  Msg_restoreCalcMode(context);
  if (!setupUnderWay(context)) Msg_resetStatus();
  return 1;
}
