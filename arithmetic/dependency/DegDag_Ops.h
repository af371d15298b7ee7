// Dependency-graph mode (kind 15): instead of numbers a formula records a
// graph of its operations, each node keeping the class of its result on each
// of at most two operands. A backward sweep from the function's value then
// composes the classes along every path, so that a quadratic of a quadratic
// is found smooth nonlinear while a quadratic term times a linear one stays
// quadratic in the linear variable. Arithmetic operations return the new
// node; the operations whose name ends in Result, the hooks and the
// unknown-function handler build the context's result value. A full node
// array raises status 37 and appends nothing.
#pragma once

#include <cstdint>

#include "values/DegDag_Node.h"

struct CellRef;
struct EvalBuffers;
struct EvalContext;
struct Value;
struct VarDegreeNote;

DegDagNode DegDag_neg(const DegDagNode* x);
// Sums and differences.
DegDagNode DegDag_add(const DegDagNode* x, const DegDagNode* y);
DegDagNode DegDag_addSV(double c, const DegDagNode* x);
DegDagNode DegDag_addVS(const DegDagNode* x, double c);
DegDagNode DegDag_mul(const DegDagNode* x, const DegDagNode* y);
DegDagNode DegDag_mulSV(double c, const DegDagNode* x);
DegDagNode DegDag_mulVS(const DegDagNode* x, double c);
// Quotients, and POWER of two graph values.
DegDagNode DegDag_div(const DegDagNode* x, const DegDagNode* y);
DegDagNode DegDag_divSV(double c, const DegDagNode* x);
// x / 0 raises status 30 and gives x without a node.
DegDagNode DegDag_divVS(const DegDagNode* x, double c);
DegDagNode DegDag_powVS(const DegDagNode* x, double c);
DegDagNode DegDag_powSV(double c, const DegDagNode* x);
DegDagNode DegDag_sqr(const DegDagNode* x);
// A smooth nonlinear function of one value (ACOS ... TANH).
DegDagNode DegDag_nonlin(const DegDagNode* x);

// Into the result: smooth nonlinear in v; smooth nonlinear in each kind-15
// side of r and v; non-smooth in x (then warning 1 when warn); non-smooth in
// each kind-15 side of a and b; argument of an unknown function.
void DegDag_nonlinResult(const Value* v);
void DegDag_nonlin2Result(const Value* r, const Value* v);
void DegDag_nonsmooth(const Value* x, bool warn);
void DegDag_nonsmooth2(const Value* a, const Value* b, bool warn);
void DegDag_unknownArg(const Value* v);

// The hooks and the unknown-function handler, as in the dependency-vector
// mode but for mode 15.
bool DegDag_if(const Value* v);
void DegDag_markArg(const Value* argument);
bool DegDag_markArgs(int32_t count, const Value* arguments, EvalContext* ctx);
bool DegDag_markArgShaped(const Value* argument, bool shaped);
bool DegDag_markArgs2(const Value* a, const Value* b);
bool DegDag_unknownFunction(int32_t count, const Value* arguments, EvalContext* ctx);

// Makes the node array hold the count the memory pass recorded; status 37
// before that pass, 2 when memory runs out, false in both cases.
bool DegDag_prepareTape(EvalContext* ctx);
// The class of a class-c1 function of a class-c2 value: a quadratic of a
// quadratic is smooth nonlinear, else the larger.
int32_t DegDag_composeClass(int32_t c1, int32_t c2);
// Writes cell into variable k's note among notes; nothing when notes is null.
void DegDag_noteVarCell(VarDegreeNote* notes, int32_t k, const CellRef& cell);
// Raises out[k] (or out[k - 1] when zeroBased) to the class of the value
// whose reference is result on variable k, composing classes along the paths
// from that value back to the variables; nodes that do not lead to it do not
// count. A bare variable gives it class 1. The graph is the node array of
// buffers; a variable whose class rises gets cell in its note among notes.
void DegDag_reverseSweep(uint8_t* out, bool zeroBased, NodeRef result, EvalBuffers* buffers, VarDegreeNote* notes,
                         const CellRef& cell);
