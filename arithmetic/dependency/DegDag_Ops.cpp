// The dependency graph: its nodes, hooks and backward sweep.
#include "arithmetic/dependency/DegDag_Ops.h"

#include <algorithm>

#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/dependency/Deg_Hooks.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "base/Chk_Assert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// Appends a node; null (status 37 raised) when the array is full.
DegDagNode* append(EvalContext* ctx, int32_t class1, int32_t class2, NodeRef r1, NodeRef r2) {
  // A negative count would pass the check below and write before the array;
  // the check refuses a full one.
  CORVAN_ASSERT(ctx->buffers.tapeCount >= 0 && ctx->buffers.dagNodeCapacity >= 0);
  if (!ctx->buffers.dagNodes || ctx->buffers.tapeCount >= ctx->buffers.dagNodeCapacity) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, "DegDag", 0, 0, 0);
    return nullptr;
  }
  DegDagNode* node = &ctx->buffers.dagNodes[++ctx->buffers.tapeCount];
  node->outClass = 0;
  node->class1 = class1;
  node->class2 = class2;
  node->operand1 = r1;
  node->operand2 = r2;
  return node;
}

DegDagNode one(const DegDagNode* x, int32_t cls) {
  const DegDagNode* node = append(x->context, cls, 0, x->self, 0);
  return node ? *node : *x;
}

DegDagNode oneRight(const DegDagNode* x, int32_t cls) {
  const DegDagNode* node = append(x->context, 0, cls, 0, x->self);
  return node ? *node : *x;
}

DegDagNode two(const DegDagNode* x, const DegDagNode* y, int32_t cls) {
  const DegDagNode* node = append(x->context, cls, cls, x->self, y->self);
  return node ? *node : *x;
}

// A node without operands: a product with the constant 0.
DegDagNode none(const DegDagNode* x) {
  const DegDagNode* node = append(x->context, 0, 0, 0, 0);
  return node ? *node : *x;
}

const DegDagNode* nodeOf(const Value* v) { return static_cast<const DegDagNode*>(v->payload); }

// Stores a node as the context's result value.
void toResult(const EvalBuffers& buffers, const DegDagNode* node) {
  if (node) Val_setDegDag(buffers.result, node);
}

// A node with the kind-15 sides of a and b as operands, both of class cls.
void resultOfTwo(const Value* a, const Value* b, int32_t cls) {
  EvalContext* ctx = a->kind == kValDegDag ? a->context : b->context;
  const bool ga = a->kind == kValDegDag, gb = b->kind == kValDegDag;
  toResult(ctx->buffers, append(ctx, ga ? cls : 0, gb ? cls : 0, ga ? nodeOf(a)->self : 0, gb ? nodeOf(b)->self : 0));
}

void resultOfOne(const Value* v, int32_t cls) {
  toResult(v->context->buffers, append(v->context, cls, 0, nodeOf(v)->self, 0));
}

}  // namespace

DegDagNode DegDag_neg(const DegDagNode* x) { return one(x, kDegLinear); }
DegDagNode DegDag_add(const DegDagNode* x, const DegDagNode* y) { return two(x, y, kDegLinear); }
DegDagNode DegDag_addSV(double, const DegDagNode* x) { return oneRight(x, kDegLinear); }
DegDagNode DegDag_addVS(const DegDagNode* x, double) { return one(x, kDegLinear); }
DegDagNode DegDag_mul(const DegDagNode* x, const DegDagNode* y) { return two(x, y, kDegQuadratic); }
DegDagNode DegDag_mulSV(double c, const DegDagNode* x) { return c != 0.0 ? oneRight(x, kDegLinear) : none(x); }
DegDagNode DegDag_mulVS(const DegDagNode* x, double c) { return c != 0.0 ? one(x, kDegLinear) : none(x); }
DegDagNode DegDag_div(const DegDagNode* x, const DegDagNode* y) { return two(x, y, kDegSmooth); }
DegDagNode DegDag_divSV(double c, const DegDagNode* x) { return c != 0.0 ? oneRight(x, kDegSmooth) : none(x); }

DegDagNode DegDag_divVS(const DegDagNode* x, double c) {
  if (c != 0.0) return DegDag_mulVS(x, 1.0 / c);
  Vm_raise(Vm_errorsOf(x->context), kStatusDivisionByZero, "DegDag", 0, 0, 0);
  return *x;
}

DegDagNode DegDag_powVS(const DegDagNode* x, double c) { return one(x, c == 2.0 ? kDegQuadratic : kDegSmooth); }
DegDagNode DegDag_powSV(double, const DegDagNode* x) { return oneRight(x, kDegSmooth); }
DegDagNode DegDag_sqr(const DegDagNode* x) { return one(x, kDegQuadratic); }
DegDagNode DegDag_nonlin(const DegDagNode* x) { return one(x, kDegSmooth); }

void DegDag_nonlinResult(const Value* v) { resultOfOne(v, kDegSmooth); }
void DegDag_nonlin2Result(const Value* r, const Value* v) { resultOfTwo(r, v, kDegSmooth); }

void DegDag_nonsmooth(const Value* x, bool warn) {
  resultOfOne(x, kDegNonSmooth);
  if (warn) DegVec_warnNonsmoothCell(&x->context->errors);
}

void DegDag_nonsmooth2(const Value* a, const Value* b, bool warn) {
  EvalContext* ctx = a->kind == kValDegDag ? a->context : b->context;
  resultOfTwo(a, b, kDegNonSmooth);
  if (warn) DegVec_warnNonsmoothCell(&ctx->errors);
}

void DegDag_unknownArg(const Value* v) { resultOfOne(v, kDegUnknownFunction); }

bool DegDag_if(const Value* v) {
  return Deg_markAll(1, v, v->context, kValDegDag, [](const Value* argument) {
    Deg_merge(argument->context->buffers, argument, kValDegDag, DegDag_nonlin2Result, DegDag_nonlinResult);
  });
}

void DegDag_markArg(const Value* argument) {
  if (!argument->context) return;
  Deg_merge(
      argument->context->buffers, argument, kValDegDag,
      [](const Value* r, const Value* e) { DegDag_nonsmooth2(r, e, false); },
      [](const Value* e) { DegDag_nonsmooth(e, false); });
}

bool DegDag_markArgs(int32_t count, const Value* arguments, EvalContext* ctx) {
  return Deg_markAll(count, arguments, ctx, kValDegDag, DegDag_markArg);
}

bool DegDag_markArgShaped(const Value* argument, bool shaped) {
  if (!DegDag_markArgs(1, argument, argument->context)) return false;
  if (shaped && argument->kind == kValArray) Deg_shapeLike(argument->context, argument);
  return true;
}

bool DegDag_markArgs2(const Value* a, const Value* b) {
  const Value arguments[2] = {*a, *b};
  return DegDag_markArgs(2, arguments, a->context ? a->context : b->context);
}

bool DegDag_unknownFunction(int32_t count, const Value* arguments, EvalContext* ctx) {
  return Deg_unknownFunction(count, arguments, ctx, kValDegDag, DegDag_unknownArg);
}

bool DegDag_prepareTape(EvalContext* ctx) {
  return Tape_prepareNodes(ctx, &ctx->buffers.dagNodes, &ctx->buffers.dagNodeCapacity, "DegDag");
}

int32_t DegDag_composeClass(int32_t c1, int32_t c2) {
  if (c1 == kDegQuadratic && c2 == kDegQuadratic) return kDegSmooth;
  return std::max(c1, c2);
}

void DegDag_noteVarCell(VarDegreeNote* notes, int32_t k, const CellRef& cell) {
  if (!notes) return;
  VarDegreeNote& note = notes[k];
  note.sheet = cell.sheet;
  note.row = cell.row;
  note.column = cell.column;
}

// The result node starts with class 0, which composes as the identity; every
// node reached from it gets a class of at least 1, so a class of 0 below the
// result marks a node that does not lead to it.
void DegDag_reverseSweep(uint8_t* out, bool zeroBased, NodeRef result, EvalBuffers* buffers, VarDegreeNote* notes,
                         const CellRef& cell) {
  const int32_t shift = zeroBased ? 1 : 0;
  auto raiseVariable = [&](NodeRef variable, int32_t c) {
    uint8_t& slot = out[-variable - shift];
    if (c <= slot) return;
    slot = static_cast<uint8_t>(c);
    if (c > 0) DegDag_noteVarCell(notes, -variable, cell);
  };
  if (result < 0) raiseVariable(result, kDegLinear);
  if (result <= 0 || result > buffers->tapeCount) return;
  DegDagNode* nodes = buffers->dagNodes;
  for (int32_t i = 1; i <= result; ++i) nodes[i].outClass = 0;
  for (int32_t i = result; i >= 1; --i) {
    const DegDagNode& node = nodes[i];
    if (i != result && node.outClass == 0) continue;
    const NodeRef refs[2] = {node.operand1, node.operand2};
    const int32_t classes[2] = {node.class1, node.class2};
    for (int k = 0; k < 2; ++k) {
      if (refs[k] == 0) continue;
      const int32_t c = DegDag_composeClass(classes[k], node.outClass);
      if (refs[k] < 0) raiseVariable(refs[k], c);
      else if (c > nodes[refs[k]].outClass) nodes[refs[k]].outClass = c;
    }
  }
}
