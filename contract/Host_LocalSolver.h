// The local solver that engines borrow (export ordinal 41): the built-in GRG
// engine run on a model the calling engine supplies itself.
#pragma once

#include <cstdint>

struct LibraryContext;

// Runs the GRG engine from the start values in x within [lower, upper]
// (n entries each); answer40-42 are what model queries 40-42 answer
// meanwhile; modelFlags carries the grouped-row bit 0x2000, the scaling bit
// 0x1000 and the option flags of ordinal 14; precision and convergence
// answer real options 0 and 2. The solution goes back into x and its
// objective into *objective. Returns the GRG engine's status.
int Host_runLocalSolver(LibraryContext* context, std::int32_t answer41, std::int32_t answer40,
                        std::int32_t answer42, std::uint32_t modelFlags, double precision,
                        double convergence, double* objective, double* x, const double* lower,
                        const double* upper);
