// The local solver that engines borrow (export ordinal 41): the built-in GRG
// engine run on a model the calling engine supplies itself.
#pragma once

#include <cstdint>

struct LibraryContext;

// The progress routine a caller hands the local solver: the run reports its
// set-up steps with `iteration` zero (`count` the step) and then its
// iterations with `iteration` non-zero (`count` the iteration number,
// `objective` the objective there). Returns a StopCode, which the run
// honours as it would the progress callback's answer.
using LocalProgress = int (*)(void* user, int iteration, int count, double objective);

// Runs the GRG engine from the start values in x within [lower, upper]
// (n entries each); answer41 and answer42 are what model queries 41 and 42
// answer meanwhile; `progress` (with `progressUser`), when given, receives
// the run's progress in place of the progress callback, and model query 40
// answers 1 while it does (0 without one); modelFlags carries the
// grouped-row bit 0x2000, the scaling bit 0x1000 and the option flags of
// ordinal 14; precision and convergence answer real options 0 and 2. The
// solution goes back into x and its objective into *objective. Returns the
// GRG engine's status.
int Host_runLocalSolver(LibraryContext* context, std::int32_t answer41, LocalProgress progress, void* progressUser,
                        std::int32_t answer42, std::uint32_t modelFlags, double precision, double convergence,
                        double* objective, double* x, const double* lower, const double* upper);

// Hands a local run's progress to the routine its caller gave; StopContinue
// when there is none.
int Host_localProgress(LibraryContext* context, int iteration, int count, double objective);
