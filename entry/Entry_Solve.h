// The library's named entry points: the attach handler, `Solve` with its
// action codes, `SolveX` with the front end's application handle, and the
// reserved exports by ordinals 3 to 5.
#pragma once

#include <cstdint>

#include "contract/Eng_Engine.h"
#include "platform/os/Os.h"

// Attach (reason 1) creates the context and its slot; detach (reason 0)
// frees both. Returns 0 only when the context cannot be created.
OS_MODULE_EXPORT int CorvanAttach(OsModule module, unsigned reason, void* reserved);

extern "C" {
// Export ordinal 1: the action's status or own result; 999 when an
// exception escapes.
int Solve(const double* action);
// Export ordinal 2: keeps the front end's application handle; returns 0.
int SolveX(std::intptr_t handle);
// Export ordinals 3 to 5: reserved; return 0.
int Entry_reserved(std::intptr_t argument);
}
