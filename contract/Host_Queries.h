// Host services that answer the model's sizes, the run's switches and the
// options to engines and to the library itself: engine index, option flags,
// model queries, real and integer options and engine information items.
// Options are read from the workbook's defined names at each call.
#pragma once

#include <cstdint>
#include <limits>

struct LibraryContext;

enum ModelQuery : int {
  QueryVariables = 0, QueryRows = 1, QueryIntegers = 2, QueryAllDifferentGroups = 3,
  QueryAllDifferentCells = 4, QueryCones = 5, QueryConeCells = 6, QueryElastic = 7,
  QueryModelRows = 8, QueryFeasibility = 9, QueryObjectiveRow = 10, QueryMaximise = 11,
  QueryShowIterations = 12, QueryScaling = 13, QueryRelaxIntegers = 14, QueryReports = 15,
  QueryActionCode = 16, QueryRsp = 17, QueryRdp = 18, QueryRtr = 19, QueryMda = 20,
  QueryMtr = 21, QueryMod = 22, QueryNtr = 23, QueryDiagnosisLevel = 24, QuerySel = 25,
  QueryIrs = 26, QueryIfs = 27, QueryAlwaysOne = 28, QueryIsm = 29, QueryIao = 30,
  QueryStructureFirst = 31, QueryStructureLast = 37, QueryZero = 38, QueryClassCode = 39,
  QuerySupplied0 = 40, QuerySupplied2 = 42, QueryAlwaysTwo = 43,
  // The host's count of the times it wrote or may have written the
  // workbook's cells (evaluations through the workbook, single variable
  // writes, the user's macro, reports), modulo 2^32: an engine that sees it
  // unchanged knows the cells still hold what it last had written.
  QueryWorkbookWrites = 44,
  // Non-zero while a local-solver run reports through its caller's routine.
  QueryLocalProgress = 40,
  // Structure counts of the analysed model: linear and smooth (linear
  // included) variables.
  QueryLinearCount = 31, QuerySmoothCount = 33,
};

enum RealOptionKind : int {
  RealPrecision = 0, RealTolerance = 1, RealConvergence = 2, RealMutation = 3,
  RealCrossover = 4, RealSolutionTolerance = 5, RealPivot = 6, RealReducedCost = 7,
  RealIntegerCutoff = 8, RealStep = 9, RealResolution = 10, RealAccuracy = 11,
  RealOptionKinds = 12
};

enum IntOptionKind : int {
  IntIterations = 0, IntTime = 1, IntNodes = 2, IntIntegerSolutions = 3, IntPopulation = 4,
  IntMaxNoImprovement = 5, IntRandomSeed = 6, IntGct = 7, IntGop = 8, IntCct = 9, IntCgt = 10,
  IntOptionKinds = 11
};

// What an integer option reads as when the workbook stores "no limit"
// (2147483647, 1E+25, 1E+30): no limit on that count, never a size or a
// horizon.
constexpr int kIntOptionNoLimit = std::numeric_limits<int>::max();
// "solver_nod" when the model sets none.
constexpr int kDefaultNodes = 8000;

// Bits of ordinal 14, named after the option that sets them. Several options
// share a bit (0x400000, 0x800000, 0x1000000): each engine reads only its own.
enum EngineOptionFlags : std::uint32_t {
  OptFlagLin = 0x1, OptFlagDrv = 0x2, OptFlagEst = 0x4, OptFlagNwt = 0x8,
  OptFlagDrfOther = 0x10, OptFlagDrf2 = 0x20, OptFlagDrf1 = 0x30, OptFlagMsl = 0x40,
  OptFlagTms = 0x80, OptFlagLoc2 = 0x100, OptFlagLoc3 = 0x200, OptFlagRbv = 0x400,
  OptFlagFns = 0x800, OptFlagArs = 0x1000, OptFlagSta = 0x2000, OptFlagMet = 0x4000,
  OptFlagSoc = 0x8000, OptFlagPro = 0x10000, OptFlagOfx = 0x20000, OptFlagReo = 0x40000,
  OptFlagIbd = 0x80000, OptFlagDua = 0x100000, OptFlagSim = 0x200000,
  OptFlagLptDus = 0x400000, OptFlagLppPhr = 0x800000, OptFlagLvaWbr = 0x1000000,
};

// Engine that "solver_eng" chooses: 1-5 the built-in engines 0-4, n above 5
// the plug-in index n - 1, 0 the LP/quadratic engine (1) when "solver_lin"
// is 1, else the GRG engine (0). A negative value names no engine: -1.
int Host_getEngineIndex(LibraryContext* context);
std::uint32_t Host_getEngineOptionFlags(LibraryContext* context, int engine);
int Host_queryModel(LibraryContext* context, int kind);
// 1 when the workbook's rows fit in the rows the engines were told of:
// always before an analysis; after one, unless the interpreter left out rows
// the engine skips (cones), so that an evaluation through the workbook would
// write more rows than the engine holds.
int Host_workbookRowsFit(LibraryContext* context);
// Counts a write, or a possible write, of the workbook's cells
// (QueryWorkbookWrites).
void Host_noteWorkbookWrite(LibraryContext* context);
// Writes the option to `out` and returns 1; an unknown kind writes 1e-8 and
// returns 0.
int Host_getRealOption(LibraryContext* context, double* out, int kind);
// The option's value truncated to an integer; 0 for an unknown kind.
int Host_getIntOption(LibraryContext* context, int kind);
// Item 1-23 of an engine's information record; 0 for any other item or engine.
int Host_getEngineInfoItem(LibraryContext* context, int engine, int item);
