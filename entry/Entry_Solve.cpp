// `Solve`: one action code in, dispatched to its own path (keep, restore,
// list engines, report limits or size) or to the common path that opens a
// session around an analysis of the model and/or an engine run.
#include <cmath>
#include <exception>
#include <new>
#include <string>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_Registry.h"
#include "entry/Entry_Context.h"
#include "entry/Entry_Solve.h"
#include "entry/Host_Session.h"
#include "entry/Interp_Exports.h"
#include "entry/Msg_Status.h"
#include "entry/Sess_Results.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "platform/os/Os.h"
#include "platform/os/Os_Guard.h"

namespace {

constexpr int kFirstDiagnosingLevel = 2;  // analysis levels that diagnose: 2 and up
constexpr int kEngineChosenLevel = 4;     // the engine's capability items decide

// What the common path does for one action, and the analysis arguments.
struct Plan {
  bool analyse = false;
  bool diagnose = false;
  bool run = false;
  int trials = 0;
  int secondAnalysis = 0;
  int analyseOnly = 0;
  int diagnoseRequest = 0;
  int diagnosisExtra = 0;
  int rdp = 0;
  int iao = 0;
};

int truncateAction(double value) {
  if (std::isnan(value) || value < -1e9) return -1;
  if (value > 1e9) return 1000000000;
  return static_cast<int>(value);
}

void resetSetup(LibraryContext* context) {
  context->progress.setupSteps = 0;
  context->progress.setupRowsByVariables = 0;
  context->progress.setupTwiceVariables = 0;
}

int keepSolution(LibraryContext* context) {
  context->savedPriorValues.clear();
  context->savedPriorValues.shrink_to_fit();
  return 1;
}

int restorePriorValues(LibraryContext* context) {
  if (context->savedPriorValues.empty()) return 0;
  return Sess_restorePriorValues(context) ? 1 : 0;
}

int listEngines(LibraryContext* context) {
  context->engineCount = EngineBuiltinCount;
  return EngineBuiltinCount + 10 * Eng_writeEngineList(context);
}

int reportModelSize(LibraryContext* context) {
  resetSetup(context);
  context->progress.setupSteps += 1;
  int result = Host_beginSession(context) ? Sess_storeModelSize(context) : StatusHostFailure;
  Host_endSession(context);
  keepSolution(context);
  return result;
}

// Action 9: the limits of the engine "solver_eng" chooses, loaded as a run
// loads it (it becomes the current engine); false when the preparation
// failed (the action then takes the common path with nothing to do).
bool reportEngineLimits(LibraryContext* context, int* result) {
  bool prepared = Msg_armLimits(context) && Names_readRobustMode(context, &context->robustMode) &&
                  Msg_readMessageNames(context);
  if (prepared) {
    Eng_loadAndRun(context, context, -1, 0);
    *result = Sess_storeEngineLimits(context);
  }
  Msg_freeMessageNames(context);
  context->robustMode = -1;
  context->progress.pendingStop = StopContinue;
  context->progress.paused = 0;
  context->progress.breakSeen = 0;
  return prepared;
}

// Action 0: the analysis switches of the "solver_dia" level, from the
// capability items of the engine (a built-in engine is loaded here, so that
// they hold even when the engines have not been listed; a plug-in's come
// from the listing, which loads each). An engine that works on the
// interpreter's diagnosed model (either diagnosis item, and no evaluation through
// the application) gets the analysis of level 4 when the workbook's level
// diagnoses nothing.
void planSolve(LibraryContext* context, int engine, Plan* plan) {
  int level = Host_queryModel(context, QueryDiagnosisLevel);
  if (engine >= 0 && engine < context->engineCount) Eng_loadAndRun(context, context, engine, 0);
  auto item = [&](int k) { return Host_getEngineInfoItem(context, engine, k) != 0; };
  unsigned capabilities = static_cast<unsigned>(Host_getEngineInfoItem(context, engine, EngineInfoCapabilities));
  bool onInterpreter = !(capabilities & EngineEvaluateInExcel);
  if (level < kFirstDiagnosingLevel && onInterpreter && (item(EngineInfoDiagnose19) || item(EngineInfoDiagnose20))) level = kEngineChosenLevel;
  plan->analyse = level >= 1;
  plan->diagnose = level == 2 || level == 3 || (level == 4 && (item(EngineInfoDiagnose19) || item(EngineInfoDiagnose20)));
  plan->diagnosisExtra = level == 3 || (level == 4 && plan->diagnose && item(EngineInfoDiagnoseExtra));
  plan->trials = Host_queryModel(context, QueryNtr);
  plan->diagnoseRequest = Host_queryModel(context, QueryIsm) || (level == 4 && item(EngineInfoRequestDiagnosis));
}

// Action 7: analysis and diagnosis as "solver_mda" asks.
void planDiagnose(LibraryContext* context, Plan* plan) {
  int mda = Host_queryModel(context, QueryMda);
  plan->analyse = mda >= 1;
  plan->diagnose = mda >= 2;
  plan->diagnosisExtra = mda == 3;
  plan->trials = Host_queryModel(context, QueryMtr);
  plan->secondAnalysis = plan->trials && Host_queryModel(context, QueryRtr);
}

Plan planCommonPath(LibraryContext* context, int action, int engine) {
  Plan plan;
  if (action >= ActionKeptFirst) {
    context->actionCode = action;
    plan.run = true;
  } else if (action == ActionSolve) {
    resetSetup(context);
    planSolve(context, engine, &plan);
    plan.run = true;
  } else if (action == ActionSolveAgain) {
    context->progress.setupSteps += 1;
    plan.run = true;
  } else if (action == ActionFeasibility1 || action == ActionFeasibility2) {
    context->feasibilityMode = action == ActionFeasibility1 ? 1 : 2;
    plan.run = true;
  } else if (action == ActionAnalyse || action == ActionDiagnose) {
    resetSetup(context);
    if (action == ActionAnalyse) {
      plan.analyse = true;
      plan.analyseOnly = 1;
    } else {
      planDiagnose(context, &plan);
    }
    plan.diagnoseRequest = Host_queryModel(context, QueryIsm);
    if (plan.diagnoseRequest) plan.diagnose = true;
  }
  plan.rdp = Host_queryModel(context, QueryRdp);
  plan.iao = Host_queryModel(context, QueryIao);
  return plan;
}

// Load, compile and check the model, then diagnose it when asked; 0 on
// success, else the failing step's status.
int analyse(LibraryContext* context, const Plan& plan) {
  int run = plan.run ? 1 : 0;
  int status = Interp_loadModel(context, context->handle, run, plan.trials, plan.secondAnalysis, plan.analyseOnly,
                                plan.diagnoseRequest, plan.iao);
  if (status != 0) return status;
  context->analysed = 1;
  if (!plan.diagnose) return 0;
  // The findings are written for an analysis request, where the front end
  // reads them; a run keeps the range for the engine's results.
  status = Interp_diagnoseModel(context, context->handle, run ? 0 : 1, plan.diagnosisExtra, plan.rdp);
  if (status == 0) context->diagnosed = 1;
  return status;
}

// Run mode 1: one run per scenario row, each row's results read back.
int runPerScenarioRow(LibraryContext* context) {
  int rows = Names_getScenarioRowCount(context->scenarios);
  if (rows <= 0) return StatusHostFailure;
  int status = StatusHostFailure;
  for (int row = 0; row < rows; ++row) {
    if (!Names_writeScenarioRow(context->scenarios, row)) return StatusHostFailure;
    status = Eng_loadAndRun(context, context, -1, 1);
    if (!Names_readScenarioRow(context->scenarios, row)) return StatusHostFailure;
  }
  return status;
}

// The engine that "solver_eng" chooses, by run mode (an index that names
// no engine gives status 8 from the registry).
int runEngine(LibraryContext* context) {
  switch (context->robustMode) {
    case 0:
    case 2: return Eng_loadAndRun(context, context, -1, 1);
    case 1: return runPerScenarioRow(context);
    default: return StatusHostFailure;
  }
}

// An option value this library does not accept ends the action before the
// model is read or anything is written, with a message naming the option.
bool optionsAccepted(LibraryContext* context) {
  std::string why;
  if (Names_findRefusedOption(context, &why) < 0) return true;
  Os_messageBox(why.c_str(), ModelRefusedCaption, 0);
  return false;
}

// Memory that ran out where nothing nearer caught it: counted as the
// platform's guards count a failure, so that the caller can say what
// happened in words, and ending the action with StatusOutOfMemory.
int memoryRanOut() {
  Os_countMemoryFailure();
  return StatusOutOfMemory;
}

// The analysis and the run of an open session; memory that runs out in them
// (the interpreter's load of a large model, an engine's work arrays) ends
// them, and the session still closes.
int analyseAndRun(LibraryContext* context, const Plan& plan) {
  try {
    int analysis = plan.analyse ? analyse(context, plan) : 0;
    if (analysis != 0) return analysis;
    if (!plan.run) return plan.analyse ? 0 : StatusNothingRun;
    const int status = runEngine(context);
    if (context->analysed && (Eng_isSolution(status) || Eng_isEarlyStop(status))) Interp_handBackValues(context);
    return status;
  } catch (const std::bad_alloc&) {
    return memoryRanOut();
  }
}

int commonPath(LibraryContext* context, const Plan& plan) {
  Interp_forgetHandedBack(context);
  if ((plan.analyse || plan.run) && !optionsAccepted(context)) return StatusBadModel;
  int status = Host_beginSession(context) ? analyseAndRun(context, plan) : StatusHostFailure;
  if (!Host_endSession(context)) status = StatusHostFailure;
  if (Interp_freeModel(context) != 0) status = StatusHostFailure;
  return plan.analyse || plan.run ? status : StatusNothingRun;
}

int solve(LibraryContext* context, double actionValue) {
  context->actionCode = 0;
  int engine = Host_getEngineIndex(context);
  int action = truncateAction(actionValue);
  int result = 0;
  switch (action) {
    case ActionKeep: return keepSolution(context);
    case ActionRestore: return restorePriorValues(context);
    case ActionListEngines: return listEngines(context);
    case ActionModelSize: return reportModelSize(context);
    case ActionEngineLimits:
      if (reportEngineLimits(context, &result)) return result;
      break;
    default: break;
  }
  context->analysed = 0;
  context->diagnosed = 0;
  return commonPath(context, planCommonPath(context, action, engine));
}

}  // namespace

extern "C" int Solve(const double* action) {
  LibraryContext* context = Entry_context();
  if (!context || !action) return StatusHostFailure;
  try {
    return solve(context, *action);
  } catch (const std::bad_alloc&) {
    return memoryRanOut();
  } catch (...) {
    return StatusException;
  }
}
