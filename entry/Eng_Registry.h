// Engine registry: turns an engine index into an engine that can be loaded
// and run. Indexes 0-4 are the built-in engines (GRG nonlinear,
// LP/quadratic, evolutionary, interval global, SOCP barrier); indexes from
// the context's `engineCount` up to 19 are plug-in libraries ("*ENG.DLL"
// beside the library) in the order discovery found them.
#pragma once

#include "contract/Eng_Engine.h"

struct LibraryContext;

constexpr int EngineNameChars = 32;  // one row of the file, add-in and name tables
constexpr int EngineRows = 20;

// A counted text of at most 31 characters: a length byte, then the characters.
using EngineCountedName = unsigned char[EngineNameChars];

// Fills engine table rows 0-4 with the owner and the built-in engines' operations.
void Eng_registerBuiltins(LibraryContext* context, LibraryContext* owner);

// With a file: loads directory + file, else the bare file name (nullptr when
// both fail). Without one (nullptr): the library's own module handle.
OsModule Eng_loadLibrary(LibraryContext* context, const char* file);

// Writes the five standard rows, then the plug-ins found beside the library
// whose version block is accepted; an incompatible one is reported in a
// message box captioned with its file name. Returns the rows filled (5-20).
int Eng_findEngineDlls(LibraryContext* context, char (*files)[EngineNameChars],
                       EngineCountedName* addIns, EngineCountedName* names);

// `Solve` action 8: lists the engines into the front end's "solver_tbl"
// range (display name, add-in file); returns the number listed, 0 on failure.
int Eng_writeEngineList(LibraryContext* context);

// Loads engine `index` (below 0: the one "solver_eng" chooses, kept as the
// current engine), runs it when `run` is nonzero, frees it. Returns the run's
// status, 0 when not running, 13 when the engine could not be loaded, 8 when
// the index names no engine.
int Eng_loadAndRun(LibraryContext* context, LibraryContext* owner, int index, int run);
