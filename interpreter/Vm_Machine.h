// The virtual machine: runs one compiled cell at a time on a fixed stack of
// 32 values and stores the result in the cell's symbol. Operands are symbol
// values, operators the generic operators, calls go to the dispatcher. The
// machine knows no evaluation mode; only operators and functions do.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

struct EvalContext;
struct RangeRef;
struct Symbol;
struct SymbolTable;
struct VariableTable;
struct FunctionTable;

constexpr int32_t kVmStackSize = 32;
// Array elements one cell's element-wise operations may build in one run
// (a text built by "&" counts eight); past it the operation gives "#num!",
// as the worksheet's own calculation caps the elements one recalculation
// builds.
constexpr int64_t kVmElementsPerCell = int64_t{1} << 21;

struct Program {
  EvalContext* context;
  uint32_t op;                  // the opcode just decoded
  Value stack[kVmStackSize];
  // A cell's array value pushed into the slot and copied there only when
  // the slot is popped: a call that only reads its arguments reads the
  // cell's own value instead. Null for a slot that holds its value.
  const Value* deferred[kVmStackSize];
  int32_t top;                  // topmost used slot, -1 when empty
  int32_t highWater;            // highest slot used
  int32_t arrayDepth;           // open argument lists of array-taking calls
  int64_t elementsLeft;         // array elements the cell being run may still build
  uint64_t runs;                // cells and formulas run since the stack was bound: while it
                                // stands still, every symbol keeps the value it was left with
  Symbol* currentCell;
  Symbol* lastCell;             // operand of the current opcode
  SymbolTable* codeStore;
  VariableTable* variables;
  FunctionTable* functions;
};

// Copies the range into the value's own source range record.
void Vm_setRangeRef(Value* v, const RangeRef* range);
// Binds the stack to the context and the model tables, and the context's
// stop inside a formula to the user's stop (Model_userAbort); the stack is
// empty.
void Vm_initProgram(Program* p, EvalContext* ctx);
// Clears every slot.
void Vm_releaseProgram(Program* p);
// Evaluates p->currentCell if this pass requires it.
void Vm_run(Program* p);
// Runs the cell's code to its end; the value left on top.
Value* Vm_execute(Program* p);
bool Vm_push(Program* p, const Value* v);
// The top slot; on an empty stack status 28 and slot 0.
Value* Vm_pop(Program* p);
// Depth in values the last cell reached.
int32_t Vm_depth(const Program* p);
// The element an array value selects for the current cell.
bool Vm_implicitIntersection(const Program* p, const Value* array, int32_t* row, int32_t* column);
// Shape of an element-wise result over the operands.
void Vm_broadcastShape(int32_t n, const Value* const* operands, int32_t* rows, int32_t* columns);
