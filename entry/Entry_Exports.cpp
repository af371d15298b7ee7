// The library's export table by ordinal, read by the loader: the named entry
// points and the host services that engines call with the context first.
#include "entry/Eng_Runner.h"
#include "entry/Entry_Solve.h"
#include "entry/Host_Extract.h"
#include "entry/Host_Progress.h"
#include "entry/Host_Queries.h"
#include "platform/os/Os.h"

// Function addresses cast in place, so the table is constant data (no
// initialisation code runs when the library is loaded).
#define CORVAN_PROC(function) reinterpret_cast<OsProc>(&function)

extern "C" {
extern const OsExport CorvanExports[];
const OsExport CorvanExports[] = {
    {1, "Solve", CORVAN_PROC(Solve)},
    {2, "SolveX", CORVAN_PROC(SolveX)},
    {3, nullptr, CORVAN_PROC(Entry_reserved)},
    {4, nullptr, CORVAN_PROC(Entry_reserved)},
    {5, nullptr, CORVAN_PROC(Entry_reserved)},
    {6, nullptr, CORVAN_PROC(Eng_runEngine)},
    {7, nullptr, CORVAN_PROC(Eng_directDriver)},
    {13, nullptr, CORVAN_PROC(Host_getEngineIndex)},
    {14, nullptr, CORVAN_PROC(Host_getEngineOptionFlags)},
    {23, nullptr, CORVAN_PROC(Host_queryModel)},
    {24, nullptr, CORVAN_PROC(Host_getRealOption)},
    {25, nullptr, CORVAN_PROC(Host_getIntOption)},
    {30, nullptr, CORVAN_PROC(Host_progressCallback)},
    {36, nullptr, CORVAN_PROC(Host_extractLinearTerms)},
    {37, nullptr, CORVAN_PROC(Host_extractQuadraticTerms)},
    {41, nullptr, CORVAN_PROC(Host_runLocalSolver)},
    {42, nullptr, CORVAN_PROC(Host_getEngineInfoItem)},
    {0, nullptr, nullptr},
};
}
