// The library's export table by ordinal, read by the loader: the named entry
// points and the host services that engines call with the context first.
#include "contract/Eng_Builtins.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Extract.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Memory.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_Runner.h"
#include "entry/Entry_Solve.h"
#include "entry/Eval_Exports.h"
#include "entry/Host_Session.h"
#include "platform/os/Os.h"

// Function addresses cast in place, so the table is constant data (no
// initialisation code runs when the library is loaded).
#define CORVAN_PROC(function) reinterpret_cast<OsProc>(&function)

OS_MODULE_EXPORT const OsExport CorvanExports[] = {
    {1, "Solve", CORVAN_PROC(Solve)},
    {2, "SolveX", CORVAN_PROC(SolveX)},
    {3, nullptr, CORVAN_PROC(Entry_reserved)},
    {4, nullptr, CORVAN_PROC(Entry_reserved)},
    {5, nullptr, CORVAN_PROC(Entry_reserved)},
    {6, nullptr, CORVAN_PROC(Eng_runEngine)},
    {7, nullptr, CORVAN_PROC(Eng_directDriver)},
    {8, nullptr, CORVAN_PROC(Eng_branchAndBoundDriver)},
    {11, nullptr, CORVAN_PROC(Host_beginSession)},
    {12, nullptr, CORVAN_PROC(Host_endSession)},
    {13, nullptr, CORVAN_PROC(Host_getEngineIndex)},
    {14, nullptr, CORVAN_PROC(Host_getEngineOptionFlags)},
    {15, nullptr, CORVAN_PROC(Host_evalProblem)},
    {16, nullptr, CORVAN_PROC(Host_evalProblemBounded)},
    {17, nullptr, CORVAN_PROC(Host_getVariableBounds)},
    {18, nullptr, CORVAN_PROC(Host_getCurvatureClasses)},
    {19, nullptr, CORVAN_PROC(Host_getVariableTypes)},
    {20, nullptr, CORVAN_PROC(Host_getConstraintTypes)},
    {21, nullptr, CORVAN_PROC(Host_getConeConstraints)},
    {22, nullptr, CORVAN_PROC(Host_getInitialValues)},
    {23, nullptr, CORVAN_PROC(Host_queryModel)},
    {24, nullptr, CORVAN_PROC(Host_getRealOption)},
    {25, nullptr, CORVAN_PROC(Host_getIntOption)},
    {26, nullptr, CORVAN_PROC(Host_getCellAddresses)},
    {27, nullptr, CORVAN_PROC(Host_getNamedInt)},
    {28, nullptr, CORVAN_PROC(Host_getNamedReal)},
    {29, nullptr, CORVAN_PROC(Host_fixElastic)},
    {30, nullptr, CORVAN_PROC(Host_progressCallback)},
    {31, nullptr, CORVAN_PROC(Host_writeReports)},
    {32, nullptr, CORVAN_PROC(Host_writeReportTable)},
    {33, nullptr, CORVAN_PROC(Host_evalTwoChanged)},
    {34, nullptr, CORVAN_PROC(Host_evalOneChanged)},
    {35, nullptr, CORVAN_PROC(Host_evalObjectiveGradient)},
    {36, nullptr, CORVAN_PROC(Host_extractLinearTerms)},
    {37, nullptr, CORVAN_PROC(Host_extractQuadraticTerms)},
    {38, nullptr, CORVAN_PROC(Host_evalJacobian)},
    {39, nullptr, CORVAN_PROC(Host_enumDependencies)},
    {40, nullptr, CORVAN_PROC(Host_evalHessian)},
    {41, nullptr, CORVAN_PROC(Host_runLocalSolver)},
    {42, nullptr, CORVAN_PROC(Host_getEngineInfoItem)},
    {43, nullptr, CORVAN_PROC(Host_alloc)},
    {44, nullptr, CORVAN_PROC(Host_free)},
    {45, nullptr, CORVAN_PROC(Lp_storeCoefProgress)},
    {46, nullptr, CORVAN_PROC(Lp_storeCoef)},
    {47, nullptr, CORVAN_PROC(Evo_storeValue)},
    {48, nullptr, CORVAN_PROC(Evo_storeDepClass)},
    {50, nullptr, CORVAN_PROC(Grg_engineLoad)},
    {51, nullptr, CORVAN_PROC(Grg_engineSetup)},
    {52, nullptr, CORVAN_PROC(Grg_engineSolve)},
    {53, nullptr, CORVAN_PROC(Grg_engineFinish)},
    {54, nullptr, CORVAN_PROC(Eng_freeNothing)},
    {55, nullptr, CORVAN_PROC(Lp_engineLoad)},
    {56, nullptr, CORVAN_PROC(Lp_engineSetup)},
    {57, nullptr, CORVAN_PROC(Lp_engineSolve)},
    {58, nullptr, CORVAN_PROC(Lp_engineFinish)},
    {59, nullptr, CORVAN_PROC(Eng_freeNothing)},
    {60, nullptr, CORVAN_PROC(Evo_engineLoad)},
    {61, nullptr, CORVAN_PROC(Evo_engineSetup)},
    {62, nullptr, CORVAN_PROC(Evo_engineSolve)},
    {63, nullptr, CORVAN_PROC(Evo_engineFinish)},
    {64, nullptr, CORVAN_PROC(Eng_freeNothing)},
    {70, nullptr, CORVAN_PROC(Socp_engineLoad)},
    {71, nullptr, CORVAN_PROC(Socp_engineSetup)},
    {72, nullptr, CORVAN_PROC(Socp_engineSolve)},
    {73, nullptr, CORVAN_PROC(Socp_engineFinish)},
    {74, nullptr, CORVAN_PROC(Eng_freeNothing)},
    {75, nullptr, CORVAN_PROC(Eval_reportError)},
    {76, nullptr, CORVAN_PROC(Eval_showStatus)},
    {77, nullptr, CORVAN_PROC(Eval_loadModel)},
    {78, nullptr, CORVAN_PROC(Eval_diagnoseModel)},
    {80, nullptr, CORVAN_PROC(Eval_freeModel)},
    {81, nullptr, CORVAN_PROC(Eval_getBounds)},
    {82, nullptr, CORVAN_PROC(Eval_getCurvatureClasses)},
    {83, nullptr, CORVAN_PROC(Eval_getVariableTypes)},
    {84, nullptr, CORVAN_PROC(Eval_getInitialValues)},
    {85, nullptr, CORVAN_PROC(Eval_queryModel)},
    {86, nullptr, CORVAN_PROC(Eval_evalAll)},
    {87, nullptr, CORVAN_PROC(Eval_evalWithCutoff)},
    {88, nullptr, CORVAN_PROC(Eval_evalPerturbPair)},
    {89, nullptr, CORVAN_PROC(Eval_evalPerturbOne)},
    {90, nullptr, CORVAN_PROC(Eval_evalObjective)},
    {91, nullptr, CORVAN_PROC(Eval_enumDependencies)},
    {92, nullptr, CORVAN_PROC(Eval_evalJacobian)},
    {93, nullptr, CORVAN_PROC(Eval_jacobian)},
    {94, nullptr, CORVAN_PROC(Eval_hessian)},
    {95, nullptr, CORVAN_PROC(Eval_objectiveHessian)},
    {0, nullptr, nullptr},
};
