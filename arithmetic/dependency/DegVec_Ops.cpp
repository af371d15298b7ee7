// The class algebra of the dependency-vector mode and its hooks.
#include "arithmetic/dependency/DegVec_Ops.h"

#include <algorithm>
#include <vector>

#include "arithmetic/dependency/Deg_Hooks.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

const DegVec* payload(const Value* v) { return static_cast<const DegVec*>(v->payload); }

// The classes of an operand, 1-based, copied when the operand is the result
// value that is about to be rebuilt.
const int32_t* classesOf(const Value* v, const EvalBuffers& buffers, std::vector<int32_t>* store) {
  const DegVec* p = payload(v);
  if (v != buffers.result) return p->classes;
  store->assign(p->classes, p->classes + p->n + 1);
  return store->data();
}

// The common frame: the result becomes kind 16 sized for n variables and the
// operation is counted. Null (status 2 raised) when memory runs out.
DegVec* frame(EvalContext* ctx, int32_t n) {
  ++ctx->buffers.tapeCount;
  auto* out = static_cast<DegVec*>(Val_setKind(ctx->buffers.result, kValDegVec)->payload);
  if (!out || !DegVec_init(out, n)) {
    if (out) DegVec_free(out);
    Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "DegVec", 0, 0, 0);
    return nullptr;
  }
  return out;
}

EvalContext* contextOf(const Value* x, const Value* y) { return x->kind == kValDegVec ? x->context : y->context; }

// Applies rule to each slot of the kind-16 operand (x, else y): class c (the
// slot-wise maximum when both are kind 16) becomes rule(c); a class that rises is raised with a note, one
// that stays is copied.
template <class Rule>
void slotwise(const Value* x, const Value* y, Rule rule) {
  const bool both = y && x->kind == kValDegVec && y->kind == kValDegVec;
  const Value* v = x->kind == kValDegVec ? x : y;
  EvalContext* ctx = v->context;
  std::vector<int32_t> sx, sy;
  const int32_t n = payload(v)->n;
  const int32_t* a = classesOf(v, ctx->buffers, &sx);
  const int32_t* b = both ? classesOf(y, ctx->buffers, &sy) : nullptr;
  DegVec* out = frame(ctx, n);
  if (!out) return;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t c = b ? std::max(a[i], b[i]) : a[i];
    const int32_t r = rule(c);
    if (r > c) DegVec_raise(out, i, r, ctx->tables.diagnosisCells, ctx->position.currentCell);
    else out->classes[i] = r;
  }
}

int32_t smooth(int32_t c) { return c == kDegLinear || c == kDegQuadratic ? kDegSmooth : c; }
int32_t kinked(int32_t c) { return c >= kDegLinear && c <= kDegSmooth ? kDegNonSmooth : c; }

}  // namespace

void DegVec_raise(DegVec* v, int32_t i, int32_t c, VarDegreeNote* notes, const CellRef& cell) {
  v->classes[i] = c;
  if (!notes) return;
  VarDegreeNote& note = notes[i];
  if (c <= note.cls) return;
  note.cls = c;
  note.sheet = cell.sheet;
  note.row = cell.row;
  note.column = cell.column;
}

void DegVec_add(const Value* x, const Value* y) {
  slotwise(x, y, [](int32_t c) { return c; });
}

void DegVec_mul(const Value* x, const Value* y) {
  const DegVec* a = payload(x);
  const DegVec* b = payload(y);
  for (int32_t i = 1; i <= a->n; ++i) {
    if (std::max(a->classes[i], b->classes[i]) > kDegLinear) return DegVec_nonlin2(x, y);
  }
  slotwise(x, y, [](int32_t c) { return c == kDegLinear ? kDegQuadratic : c; });
}

void DegVec_sqr(const Value* x) {
  const DegVec* a = payload(x);
  for (int32_t i = 1; i <= a->n; ++i) {
    if (a->classes[i] > kDegLinear) return DegVec_nonlin(x);
  }
  slotwise(x, nullptr, [](int32_t c) { return c == kDegLinear ? kDegQuadratic : c; });
}

void DegVec_nonlin(const Value* x) { slotwise(x, nullptr, smooth); }

void DegVec_nonlin2(const Value* x, const Value* y) { slotwise(x, y, smooth); }

void DegVec_nonsmooth(const Value* x, bool warn) {
  slotwise(x, nullptr, kinked);
  if (warn) DegVec_warnNonsmoothCell(&x->context->errors);
}

void DegVec_nonsmooth2(const Value* x, const Value* y, bool warn) {
  EvalContext* ctx = contextOf(x, y);
  slotwise(x, y, kinked);
  if (warn) DegVec_warnNonsmoothCell(&ctx->errors);
}

void DegVec_unknownArg(const Value* x) {
  slotwise(x, nullptr, [](int32_t c) { return c >= kDegLinear && c <= kDegNonSmooth ? kDegUnknownFunction : c; });
}

bool DegVec_if(const Value* v) {
  return Deg_markAll(1, v, v->context, kValDegVec, [](const Value* argument) {
    Deg_merge(argument->context->buffers, argument, kValDegVec, DegVec_nonlin2, DegVec_nonlin);
  });
}

void DegVec_markArg(const Value* argument) {
  if (!argument->context) return;
  Deg_merge(
      argument->context->buffers, argument, kValDegVec,
      [](const Value* r, const Value* e) { DegVec_nonsmooth2(r, e, false); },
      [](const Value* e) { DegVec_nonsmooth(e, false); });
}

bool DegVec_markArgs(int32_t count, const Value* arguments, EvalContext* ctx) {
  return Deg_markAll(count, arguments, ctx, kValDegVec, DegVec_markArg);
}

bool DegVec_markArgShaped(const Value* argument, bool shaped) {
  if (!DegVec_markArgs(1, argument, argument->context)) return false;
  if (shaped && argument->kind == kValArray) Deg_shapeLike(argument->context, argument);
  return true;
}

bool DegVec_markArgs2(const Value* a, const Value* b) {
  const Value arguments[2] = {*a, *b};
  return DegVec_markArgs(2, arguments, a->context ? a->context : b->context);
}

bool DegVec_markArgs3(const Value* a, const Value* b, const Value* c) {
  const Value arguments[3] = {*a, *b, *c};
  return DegVec_markArgs(3, arguments, a->context ? a->context : b->context);
}

bool DegVec_unknownFunction(int32_t count, const Value* arguments, EvalContext* ctx) {
  return Deg_unknownFunction(count, arguments, ctx, kValDegVec, DegVec_unknownArg);
}

void DegVec_warnNonsmoothCell(EvalErrors* errors) { Vm_warn(errors, kWarnNonSmooth, 0); }

void DegVec_warnUnknownFnCell(EvalErrors* errors) { Vm_warn(errors, kWarnUnknownFunction, 0); }
