// The evaluation context: the one record through which every part of the
// interpreter reaches a loaded model, grouped by what each part uses: the
// error record of the last evaluation, the mode and flags, the position being
// evaluated, the sampling state, the result buffers and tapes, the model's
// tables and the host's handles. Created when a model is loaded, torn down
// with it.
#pragma once

#include <cstdint>

#include "values/List_List.h"
#include "values/Model_Refs.h"

struct Value;
struct SampleVector;
struct GradValue;
struct HessValue;
struct IvGradValue;
struct IvHessValue;
struct AffineForm;
struct RevNode;
struct IvRevNode;
struct DegDagNode;
struct IvPropNode;
struct VariableTable;
struct StructureInfo;
// Records owned by components built on top of this one.
struct GradTapeRec;
struct IvGradTapeRec;
struct VarDegreeNote;
struct Symbol;
struct SymbolTable;
struct RandState;
struct SampleStats;
struct FunctionTable;
struct ModelItem;
struct FormulaReader;
struct Program;
struct ConvexityTester;
// Handles of the host, opaque here: the workbook the entry layer opened, and
// the library's run context, the engine contract's handle.
struct EvalWorkbook;
struct LibraryContext;

// The evaluation mode; the value kind its arithmetic produces has the same
// number.
enum EvalMode : int32_t {
  kModeReal = 4,
  kModeSamples = 5,
  kModeGrad = 6,
  kModeRev = 7,
  kModeHess = 8,
  kModeIvGrad = 9,
  kModeIvRev = 10,
  kModeIvHess = 11,
  kModeInterval = 12,
  kModeIvProp = 13,
  kModeAffine = 14,
  kModeDegDag = 15,
  kModeDegVec = 16,
};

// Receiver of the worksheet-function and variable names that the symbolic
// derivative texts need. This base answers false from every operation and
// writes nothing; a caller that wants texts derives from it.
struct FormulaTextSink {
  virtual ~FormulaTextSink() = default;
  virtual bool functionName(int32_t /*id*/, const char16_t* /*text*/, char16_t* /*out*/) { return false; }
  // Takes over a text that grows too long and leaves a shorter one in place.
  virtual bool spillText(char16_t* /*text*/) { return false; }
  virtual bool squareText(const char16_t* /*text*/, char16_t* /*out*/) { return false; }
  virtual bool powerText(const char16_t* /*base*/, const char16_t* /*exponent*/, char16_t* /*out*/) { return false; }
  virtual bool variableText(char16_t* /*out*/, int32_t /*zeroBasedIndex*/) { return false; }
};

// Error record, written only through the raise, warn and clear routines.
struct EvalErrors {
  int32_t errorCount;
  int32_t warningCount;
  uint8_t firstError;    // InterpStatus
  uint8_t firstWarning;  // WarnCode
  CellRef errorCell;     // all zero when the error has no position
};

// The evaluation mode and the switches that shape an evaluation.
struct EvalFlags {
  int32_t compactDerivatives;  // derivatives over each function's own variables
  int32_t incremental;         // recompute only cells whose precedents changed
  int32_t recording;           // Hessian replay records mode 6 or 9 operations
  int32_t sizingPass;          // the compile step counts tape nodes per cell
  int32_t nonSmoothAllowed;    // else non-smooth functions raise status 41
  int32_t scalingCheck;        // additions note badly scaled operands
  int32_t symbolic;            // mode 6 builds derivative texts
  int32_t curvature;           // mode 9 tracks curvature classes
  int32_t aggregate;           // sample-vector aggregation
  int32_t reverseAllowed;      // reverse tapes fit in memory
  int32_t replayAllowed;       // Hessians by tape replay fit in memory
  int32_t forwardHessAllowed;  // forward Hessians fit in memory
  int32_t mode;                // EvalMode of the current or last call
  int32_t affineKeepsInterval;
};

// The function and cell being evaluated.
struct EvalPosition {
  int32_t currentFunction;        // 0-based function index
  List* currentVariables;         // the current function's variables (not owned)
  uint16_t* variableMarks;        // slots 1..n
  Symbol* currentSymbol;          // the cell being run (not owned)
  CellRef currentCell;            // its position, all zero when none (set with it)
  const Value* currentCellValue;  // its stored value, or null (not owned)
  uint8_t arrayContext;           // the call being made works on whole arrays: it sits in an
                                  // array formula or inside the arguments of an array-taking call
};

// The sample vectors of a simulation and their random numbers.
struct EvalSampling {
  SampleVector* sampleBuffer;
  int32_t trialCount;
  int32_t currentTrial;  // > 0: sampled inputs yield this trial's sample
  int32_t registerUncertain;  // the dependency-vector pass registers uncertain cells
  int32_t sampleIndex;        // the convexity tester's current sample point, from 1
  RandState* rand;
  SampleStats* sampleStats;
};

// The result value, the per-kind result buffers and scratch records, and the
// tapes of the evaluation modes with their capacities.
struct EvalBuffers {
  Value* result;  // where entries, operators and functions build results
  GradValue* gradBuffer;
  HessValue* hessBuffer;
  IvGradValue* ivGradBuffer;
  IvHessValue* ivHessBuffer;
  AffineForm* affineBuffers[2];
  double* affineHalfWidths;  // slots 1..n

  RevNode* revTape;
  IvRevNode* ivRevTape;
  DegDagNode* dagNodes;
  IvPropNode* ivPropNodes;
  int32_t tapeCount;
  // Nodes or records allocated past slot 0 in each tape; every append checks
  // against them.
  int32_t revTapeCapacity;
  int32_t dagNodeCapacity;
  int32_t gradTapeCapacity;
  int32_t ivRevTapeCapacity;
  int32_t ivPropCapacity;
  int32_t ivGradTapeCapacity;
  int32_t cellTapeNodes;  // names given to the nodes of per-cell tapes so far: a new cell's follow
  GradTapeRec* gradTape;
  GradValue* gradScratch[4];
  IvGradTapeRec* ivGradTape;
  IvGradValue* ivGradScratch[4];
};

// The loaded model's tables and the components that read and compile it.
struct EvalTables {
  SymbolTable* codeStore;
  VariableTable* variables;
  FunctionTable* functions;
  StructureInfo* structure;
  VarDegreeNote* diagnosisCells;
  FormulaReader* reader;
  Program* program;
  ConvexityTester* convexityTester;
};

// What the host hands in: the spreadsheet's workbook, the receiver of formula
// texts and the library's run context (none owned but the sink).
struct EvalHost {
  EvalWorkbook* excel;
  FormulaTextSink* textSink;
  LibraryContext* library;  // not owned
};

// Work a loop over the elements of one formula does between two asks of
// the user's stop: an operator's element is one unit (a text built by "&"
// eight), a call's element a whole stride, since one call may take
// milliseconds.
constexpr int64_t kVmStopStride = 4096;

// The user's stop asked inside a long formula (Vm_stopAsked): the check the
// interpreter sets, and the work done since it last ran.
struct EvalStop {
  bool (*check)(const EvalHost* host);  // true to stop; null: never
  int64_t unchecked;
};

struct EvalContext {
  EvalErrors errors;
  EvalFlags flags;
  EvalPosition position;
  EvalSampling sampling;
  EvalBuffers buffers;
  EvalTables tables;
  EvalHost host;
  EvalStop stop;
};

// A context with the initial flags of a freshly loaded model, an empty result
// value, the per-kind result buffers and the scratch records; null when
// memory runs out.
EvalContext* Vm_createContext();
// Frees the context and everything it owns, each exactly once.
void Vm_destroyContext(EvalContext* ctx);
// Asks the stop's check now and restarts the count; a stop raises the
// interrupt (status 1) and answers true.
bool Vm_stopCheckNow(EvalContext* ctx);
// Adds work to what was done since the stop was last asked and, once it
// reaches kVmStopStride, asks the check (Vm_stopCheckNow); true when the
// loop is to abandon the formula. Counted inline, checked out of line.
inline bool Vm_stopAsked(EvalContext* ctx, int64_t work) {
  return (ctx->stop.unchecked += work) >= kVmStopStride && Vm_stopCheckNow(ctx);
}
// The model function being evaluated (the table's built item at
// currentFunction), or null outside one.
ModelItem* Vm_currentItem(const EvalTables& tables, const EvalPosition& position);
// The dependency-vector pass with trials has met a step whose dependency
// differs from trial to trial: the current function's fixedStructure flag
// is cleared. Does nothing in another mode, without trials or outside a
// function.
void Vm_clearFixedStructure(EvalContext* ctx);
