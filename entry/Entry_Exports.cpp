// The library's export table by ordinal, read by the loader: the named entry
// points and the host services that engines call with the context first.
#include "engines/lpqp/Lp_EngineOps.h"
#include "entry/Eng_Registry.h"
#include "entry/Entry_Solve.h"
#include "entry/Host_Progress.h"
#include "entry/Host_Queries.h"
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
    {13, nullptr, CORVAN_PROC(Host_getEngineIndex)},
    {14, nullptr, CORVAN_PROC(Host_getEngineOptionFlags)},
    {23, nullptr, CORVAN_PROC(Host_queryModel)},
    {24, nullptr, CORVAN_PROC(Host_getRealOption)},
    {25, nullptr, CORVAN_PROC(Host_getIntOption)},
    {30, nullptr, CORVAN_PROC(Host_progressCallback)},
    {42, nullptr, CORVAN_PROC(Host_getEngineInfoItem)},
    {45, nullptr, CORVAN_PROC(Lp_storeCoefProgress)},
    {46, nullptr, CORVAN_PROC(Lp_storeCoef)},
    {55, nullptr, CORVAN_PROC(Lp_engineLoad)},
    {56, nullptr, CORVAN_PROC(Lp_engineSetup)},
    {57, nullptr, CORVAN_PROC(Lp_engineSolve)},
    {58, nullptr, CORVAN_PROC(Lp_engineFinish)},
    {59, nullptr, CORVAN_PROC(Eng_freeNothing)},
    {0, nullptr, nullptr},
};
