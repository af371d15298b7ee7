// The progress callback that engines and drivers call at iterations,
// subproblems and set-up steps (export ordinal 30): it counts, keeps the
// status bar informed, watches the user's break and the iteration, time,
// subproblem and integer-solution limits, and asks the front end's "Show"
// macro whether to go on. A stop, once decided, stays pending for the rest
// of the run.
#pragma once

#include <cstdint>

struct LibraryContext;

// `flags` are ProgressFlags, `a` a count (iteration number, integer
// solutions or percentage), `low` and `high` the two words of a double (the
// objective). Returns a StopCode.
int Host_progressCallback(LibraryContext* context, std::int32_t flags, std::int32_t a,
                          std::uint32_t low, std::uint32_t high);
// The progress callback with the double handed over as its two words.
int Host_progressValue(LibraryContext* context, std::int32_t flags, std::int32_t a, double value);
// The best bound of an integer search in the model's own sense (no integer
// solution is better), shown beside the incumbent with the gap between them
// on the status lines that follow; kept until the limits are armed again.
void Host_progressBound(LibraryContext* context, double bound);
// The whole seconds a search has gone without improving and those after
// which it stops for want of improvement, shown on the status lines that
// follow ("No improvement for 12 s of 30"); kept until the limits are armed
// again.
void Host_progressStall(LibraryContext* context, std::int32_t idleSeconds, std::int32_t limitSeconds);
