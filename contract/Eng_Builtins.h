// The operations of the built-in engines that the library's engine table
// and export table name: each engine's `load`, `setup`, `solve` and
// `finish` (defined in its folder under engines/), and the store callbacks
// the LP/quadratic and evolutionary engines hand to the host services.
#pragma once

struct LibraryContext;

// `load` (an EngineInfo); `setup`, `solve` and `finish` (an EngineProblem).
int Grg_engineLoad(void* info);
int Grg_engineSetup(void* problem);
int Grg_engineSolve(void* problem);
int Grg_engineFinish(void* problem);
int Lp_engineLoad(void* info);
int Lp_engineSetup(void* problem);
int Lp_engineSolve(void* problem);
int Lp_engineFinish(void* problem);
int Evo_engineLoad(void* info);
int Evo_engineSetup(void* problem);
int Evo_engineSolve(void* problem);
int Evo_engineFinish(void* problem);
int Ia_engineLoad(void* info);
int Ia_engineSetup(void* problem);
int Ia_engineSolve(void* problem);
int Ia_engineFinish(void* problem);
int Socp_engineLoad(void* info);
int Socp_engineSetup(void* problem);
int Socp_engineSolve(void* problem);
int Socp_engineFinish(void* problem);

// LP/quadratic store callbacks: `extra` is the LpMatrix that receives the
// coefficients, row r in matrix row r+1, column c in element c+1.
// Out-of-range indexes are refused (0).
// Linear terms: row -1 with column -1 is the reset signal (0); row -1 is
// also a progress tick, answering 0 when the run is to stop.
int Lp_storeCoefProgress(LibraryContext* context, void* record, int row, int column, double value,
                         void* extra);
// Quadratic terms: row -2 with column -2 is the reset signal (0).
int Lp_storeCoef(LibraryContext* context, void* record, int row, int column, double value,
                 void* extra);

// Evolutionary store callbacks: `table` is the engine's row table (double**
// for values, char** for dependency characters).
int Evo_storeValue(LibraryContext* context, void* ignored, int row, int col, double value,
                   void* table);
int Evo_storeDepClass(LibraryContext* context, void* ignored, int row, int col, int flag,
                      void* table);
