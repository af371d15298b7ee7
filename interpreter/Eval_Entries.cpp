// The evaluation entries on their common skeleton. Each entry takes the
// function's variables, starts or continues an evaluation pass, zeroes its
// outputs, runs the left chain and reads its result in the entry's mode, then
// runs the right chain and subtracts (or subtracts the numeric right-hand
// side), and checks that what it hands back is finite.
#include "interpreter/Eval_Entries.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "arithmetic/affine/Aff_Ops.h"
#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/grad/Grad_Tape.h"
#include "arithmetic/interval/Curv_Class.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/ivtape/IvGrad_Tape.h"
#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/propagate/IvProp_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/Aff_Payload.h"
#include "values/DegDag_Node.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/List_List.h"
#include "values/Model_Variables.h"
#include "values/Rev_Node.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// One call of an entry: the function, its variable list (current while the
// entry runs) and the derivative count nv.
struct Entry {
  Program* p;
  EvalContext* ctx;
  int32_t index = 0;
  ModelItem* item = nullptr;
  int32_t nv = 0;
  List variables{};

  explicit Entry(Program* program) : p(program), ctx(program->context) {}
  ~Entry() {
    if (ctx->position.currentVariables == &variables) ctx->position.currentVariables = nullptr;
    List_removeAll(&variables);
  }
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;
};

// What the last cell of a chain gave: nothing (empty chain), a constant in
// ctx->buffers.result->number, the mode's payload, or an error raised.
enum class Side { kEmpty, kConstant, kPayload, kFailed };

size_t slot(int32_t k, bool zeroBased) { return static_cast<size_t>(zeroBased ? k - 1 : k); }

// Steps 1 and 2 of every entry: the error record reset, the item, and (when
// takeVariables) its variables made current.
bool beginEntry(Entry* e, int32_t i, bool takeVariables) {
  Vm_clearErrors(&e->ctx->errors);
  const FunctionTable* t = e->p->functions;
  if (!t || i < 0 || i >= static_cast<int32_t>(t->array.size())) {
    Vm_raise(Vm_errorsOf(e->ctx), kStatusInvalidOperation, "Eval_entry", 0, 0, 0);
    return false;
  }
  e->index = i;
  e->item = t->array[static_cast<size_t>(i)];
  if (takeVariables) {
    for (int32_t j : e->item->variables)
      if (!List_appendInt(&e->variables, j)) {
        Vm_raise(Vm_errorsOf(e->ctx), kStatusNoMemory, "Eval_entry", 0, 0, 0);
        return false;
      }
    e->ctx->position.currentVariables = &e->variables;
  }
  e->nv = e->ctx->flags.compactDerivatives == 1 ? static_cast<int32_t>(e->item->variables.size())
                                                : Model_variableCount(e->p->variables);
  return true;
}

// Steps 4 and 5: a new pass when incremental evaluation meets another mode
// or a reset, then the mode and the current function.
void startPass(Entry* e, int32_t mode, bool reset, bool incremental) {
  EvalContext* ctx = e->ctx;
  ctx->flags.incremental = incremental ? 1 : 0;
  if (incremental && (ctx->flags.mode != mode || reset)) Prog_markVariableCells(e->p->codeStore);
  ctx->flags.mode = mode;
  ctx->position.currentFunction = e->index;
}

// Runs a chain and classifies its result against the mode's value kind.
Side runSide(Entry* e, const CellChain& chain, int32_t kind) {
  EvalContext* ctx = e->ctx;
  for (Symbol* s : chain) {
    if (ctx->errors.errorCount > 0) break;
    e->p->currentCell = s;
    Vm_run(e->p);
  }
  if (ctx->errors.errorCount > 0) return Side::kFailed;
  if (chain.empty()) return Side::kEmpty;
  Value* r = Val_assign(ctx->buffers.result, &chain.back()->value);
  if (ctx->errors.errorCount > 0) return Side::kFailed;
  if (r->kind == kind) return Side::kPayload;
  if (r->kind >= kValEmpty && r->kind <= kValReal) {
    if (r->kind == kValEmpty) r->number = 0.0;
    return Side::kConstant;
  }
  // An error value is status 40, but 26 when it is a result beyond the
  // doubles; any other kind is 32.
  const InterpStatus code = r->kind != kValError ? kStatusOperandMismatch
                            : r->overflow        ? kStatusOverflow
                                                 : kStatusErrorValueReturned;
  const CellRef at = Prog_symbolCell(chain.back());
  Vm_raise(Vm_errorsOf(ctx), code, "Eval_entry", at.sheet, at.row, at.column);
  return Side::kFailed;
}

// The numeric right-hand side subtracted when the right chain is empty.
double rhsOf(const Entry& e, Side right, bool subtractRhs) {
  return right == Side::kEmpty && subtractRhs ? e.item->rhs : 0.0;
}

// Step 9: status 26 when a result is not finite.
bool checkFinite(Entry* e, const double* values, size_t count) {
  for (size_t k = 0; k < count; ++k)
    if (!std::isfinite(values[k])) {
      Vm_raise(Vm_errorsOf(e->ctx), kStatusOverflow, "Eval_entry", 0, 0, 0);
      return false;
    }
  return true;
}

bool finished(const Entry& e) { return e.ctx->errors.errorCount < 1; }

// Whether a tape mode's run failed because the function recorded more
// operations than the sizing pass counted for it: an argument that picks
// the function's formula (a yes/no or a count) depends on the variables, so
// the sizing pass met it as a dependency, not as the value that picks the
// formula at run time. The function then uses no tape, now and from then
// on, and its forward twin answers.
bool tapeOutgrown(const Entry& e) {
  if (e.ctx->errors.firstError != kStatusNoSizingPass) return false;
  e.item->usesTape = 0;
  return true;
}

// The value in mode 4, for the plain entry and for derivative entries of a
// function without variables.
bool realValue(Entry* e, bool reset, double* value, bool subtractRhs) {
  startPass(e, kModeReal, reset, e->ctx->flags.compactDerivatives == 0);
  *value = 0.0;
  const Side left = runSide(e, e->item->leftChain, kValReal);
  if (left == Side::kFailed) return false;
  if (left != Side::kEmpty) *value = e->ctx->buffers.result->number;
  const Side right = runSide(e, e->item->rightChain, kValReal);
  if (right == Side::kFailed) return false;
  *value -= right == Side::kEmpty ? rhsOf(*e, right, subtractRhs) : e->ctx->buffers.result->number;
  return checkFinite(e, value, 1) && finished(*e);
}

size_t gradientSlots(const Entry& e, bool zeroBased) { return static_cast<size_t>(e.nv) + (zeroBased ? 0 : 1); }

void zeroGradient(const Entry& e, double* gradient, bool zeroBased) {
  if (gradient) std::fill(gradient, gradient + gradientSlots(e, zeroBased), 0.0);
}

void zeroHessian(const Entry& e, double** hessian, bool zeroBased) {
  if (!hessian) return;
  for (size_t r = zeroBased ? 0 : 1; r < gradientSlots(e, zeroBased); ++r)
    std::fill(hessian[r], hessian[r] + gradientSlots(e, zeroBased), 0.0);
}

// Adds (sign 1) or subtracts (sign -1) a payload gradient over slots 1..n.
void addGradient(const Entry& e, double* out, const double* in, int32_t n, double sign, bool zeroBased) {
  for (int32_t k = 1; k <= std::min(n, e.nv); ++k) out[slot(k, zeroBased)] += sign * in[k];
}

bool finiteDerivatives(Entry* e, const double* value, const double* gradient, double** hessian, bool zeroBased) {
  const size_t first = zeroBased ? 0 : 1, count = static_cast<size_t>(e->nv);
  if (!checkFinite(e, value, 1) || !checkFinite(e, gradient + first, count)) return false;
  if (hessian)
    for (size_t r = first; r < first + count; ++r)
      if (!checkFinite(e, hessian[r] + first, count)) return false;
  return true;
}

// Mode 6 and mode 8 share their reading of a forward payload.
template <typename Payload>
void readForward(const Entry& e, const Payload* v, double sign, double* value, double* gradient, bool zeroBased) {
  *value += sign * v->value;
  addGradient(e, gradient, v->gradient, v->n, sign, zeroBased);
}

// No preparation around a side.
void noHook() {}

// Around each side of the tape modes: record that side's nodes afresh.
struct StartRecording {
  EvalContext* ctx;
  void operator()() const {
    ctx->flags.recording = 1;
    ctx->buffers.tapeCount = 0;
  }
};
struct StopRecording {
  EvalContext* ctx;
  void operator()() const { ctx->flags.recording = 0; }
};

// Keeps an affine operation's result in the entry's form. The form already
// holds the nv coefficients every operand has, so the copy allocates nothing.
void keepAffine(AffineForm* form, const AffineForm& r) { Aff_set(form, &r); }

// A constant added to a real value, to an enclosure or to an affine form.
void addNumber(double* value, double d) { *value += d; }
void addNumber(Interval* value, double d) { Ivl_addAssignVS(value, d); }
void addNumber(AffineForm* form, double d) { keepAffine(form, Aff_addVS(form, d)); }

// Runs the item's left side and then its right side, negated, in `kind`:
// `before` and `after` run around each side, a constant side adds its
// number to the value and a payload side goes to `payload(sign, side)`.
// Then subtracts the numeric right-hand side when the right chain is empty.
// False when a side fails.
template <typename V, typename Before, typename After, typename Payload>
bool runBothSides(Entry* e, int32_t kind, bool subtractRhs, V* value, Before before, After after,
                  Payload payload) {
  const CellChain* chains[2] = {&e->item->leftChain, &e->item->rightChain};
  Side s = Side::kEmpty;
  for (int side = 0; side < 2; ++side) {
    before();
    s = runSide(e, *chains[side], kind);
    after();
    if (s == Side::kFailed) return false;
    const double sign = side == 0 ? 1.0 : -1.0;
    if (s == Side::kConstant) addNumber(value, sign * e->ctx->buffers.result->number);
    if (s == Side::kPayload) payload(sign, side);
  }
  addNumber(value, -rhsOf(*e, s, subtractRhs));
  return true;
}

// Adds (sign 1) or subtracts (sign -1) an interval gradient over slots 1..n.
void addIvGradient(const Entry& e, Interval* out, const Interval* in, int32_t n, double sign, bool zeroBased) {
  for (int32_t k = 1; k <= std::min(n, e.nv); ++k) {
    Interval& o = out[slot(k, zeroBased)];
    o = sign > 0 ? Ivl_add(o, in[k]) : Ivl_sub(o, in[k]);
  }
}

void zeroIvOutputs(const Entry& e, Interval* gradient, Interval** hessian, bool zeroBased) {
  const size_t first = zeroBased ? 0 : 1, end = gradientSlots(e, zeroBased);
  if (gradient) std::fill(gradient, gradient + end, Interval{0.0, 0.0});
  if (hessian)
    for (size_t r = first; r < end; ++r) std::fill(hessian[r], hessian[r] + end, Interval{0.0, 0.0});
}

// The enclosure of a function without variables in the interval modes.
bool constantEnclosure(Entry* e, bool reset, Interval* value, bool subtractRhs) {
  double v = 0.0;
  if (!realValue(e, reset, &v, subtractRhs)) return false;
  *value = Interval{v, v};
  return true;
}

// The opening the real derivative entries share: the outputs zeroed, and a
// function without variables answered by its value. True when the entry
// goes on to its mode; false when it ends here, with what it returns in
// *answer: true for a value computed, false for a failure (an index past
// the function table, a value that could not be computed).
bool beginReal(Entry* e, int32_t i, bool reset, double* value, double* gradient, double** hessian, bool zeroBased,
               bool subtractRhs, bool* answer) {
  *value = 0.0;
  *answer = false;
  if (!beginEntry(e, i, true)) return false;
  zeroGradient(*e, gradient, zeroBased);
  zeroHessian(*e, hessian, zeroBased);
  if (e->nv > 0) return true;
  *answer = realValue(e, reset, value, subtractRhs);
  return false;
}

// The same opening for the interval derivative entries.
bool beginInterval(Entry* e, int32_t i, bool reset, Interval* value, Interval* gradient, Interval** hessian,
                   bool zeroBased, bool subtractRhs, bool* answer) {
  *value = Interval{0.0, 0.0};
  *answer = false;
  if (!beginEntry(e, i, true)) return false;
  zeroIvOutputs(*e, gradient, hessian, zeroBased);
  if (e->nv > 0) return true;
  *answer = constantEnclosure(e, reset, value, subtractRhs);
  return false;
}

// `ready`, with the out-of-memory status raised for `where` when a work
// buffer could not be had.
bool bufferReady(const Entry& e, bool ready, const char* where) {
  if (!ready) Vm_raise(Vm_errorsOf(e.ctx), kStatusNoMemory, where, 0, 0, 0);
  return ready;
}

void addIvHessian(const Entry& e, Interval** out, Interval* const* in, int32_t n, double sign, bool zeroBased) {
  for (int32_t r = 1; r <= std::min(n, e.nv); ++r)
    for (int32_t c = 1; c <= std::min(n, e.nv); ++c) {
      Interval& o = out[slot(r, zeroBased)][slot(c, zeroBased)];
      o = sign > 0 ? Ivl_add(o, in[r][c]) : Ivl_sub(o, in[r][c]);
    }
}

// The half widths of the variables' boxes that affine forms are taken over,
// one per derivative slot 1..nv.
bool takeHalfWidths(Entry* e) {
  EvalContext* ctx = e->ctx;
  const size_t count = static_cast<size_t>(e->nv) + 1;
  auto* widths = static_cast<double*>(std::realloc(ctx->buffers.affineHalfWidths, count * sizeof(double)));
  if (!widths) return false;
  ctx->buffers.affineHalfWidths = widths;
  widths[0] = 0.0;
  const bool compact = ctx->flags.compactDerivatives == 1;
  for (int32_t k = 1; k <= e->nv; ++k) {
    const int32_t var = compact ? e->item->variables[static_cast<size_t>(k) - 1] : k;
    widths[k] = Aff_halfWidth(Model_getVariable(e->p->variables, var)->value);
  }
  return true;
}

bool finiteForm(Entry* e, const AffineForm* form) {
  const double ends[2] = {form->centre, form->radius};
  return checkFinite(e, ends, 2) && checkFinite(e, form->coef + 1, static_cast<size_t>(form->n));
}

}  // namespace

bool Eval_evalReal(Program* p, int32_t i, bool reset, double* value, bool subtractRhs) {
  Entry e(p);
  *value = 0.0;
  return beginEntry(&e, i, false) && realValue(&e, reset, value, subtractRhs);
}

bool Eval_evalRealDeriv(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                        bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginReal(&e, i, reset, value, gradient, nullptr, zeroBased, subtractRhs, &answer)) return answer;
  if (!bufferReady(e, Grad_init(e.ctx->buffers.gradBuffer, e.nv, e.ctx), "Eval_evalRealDeriv")) return false;
  startPass(&e, kModeGrad, reset, e.ctx->flags.compactDerivatives == 0);
  const bool ran = runBothSides(&e, kValGrad, subtractRhs, value, noHook, noHook, [&](double sign, int) {
    readForward(e, static_cast<GradValue*>(e.ctx->buffers.result->payload), sign, value, gradient, zeroBased);
  });
  return ran && finiteDerivatives(&e, value, gradient, nullptr, zeroBased) && finished(e);
}

bool Eval_evalRevGrad(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                      bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginReal(&e, i, reset, value, gradient, nullptr, zeroBased, subtractRhs, &answer)) return answer;
  if (!e.ctx->buffers.revTape && !Tape_prepareReverse<RevScalar>(e.ctx)) return false;
  startPass(&e, kModeRev, reset, false);
  const bool ran = runBothSides(
      &e, kValRev, subtractRhs, value, [&] { e.ctx->buffers.tapeCount = 0; }, noHook,
      [&](double sign, int side) {
        const RevNode node = *static_cast<RevNode*>(e.ctx->buffers.result->payload);
        *value += sign * node.value;
        Tape_reverseSweep<RevScalar>(gradient, zeroBased, side == 1, node.self, &e.ctx->buffers);
      });
  if (!ran && tapeOutgrown(e)) return Eval_evalRealDeriv(p, i, reset, value, gradient, zeroBased, subtractRhs);
  return ran && finiteDerivatives(&e, value, gradient, nullptr, zeroBased) && finished(e);
}

bool Eval_evalHess(Program* p, int32_t i, bool reset, double* value, double* gradient, double** hessian,
                   bool zeroBased, bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginReal(&e, i, reset, value, gradient, hessian, zeroBased, subtractRhs, &answer)) return answer;
  if (!bufferReady(e, Hess_init(e.ctx->buffers.hessBuffer, e.nv, e.ctx), "Eval_evalHess")) return false;
  startPass(&e, kModeHess, reset, e.ctx->flags.compactDerivatives == 0);
  const bool ran = runBothSides(&e, kValHess, subtractRhs, value, noHook, noHook, [&](double sign, int) {
    const HessValue* h = static_cast<HessValue*>(e.ctx->buffers.result->payload);
    readForward(e, h, sign, value, gradient, zeroBased);
    // Entries outside the result's block are zero.
    const int32_t last = std::min({h->last, h->n, e.nv});
    for (int32_t r = std::max(h->first, 1); r <= last; ++r)
      for (int32_t c = std::max(h->first, 1); c <= last; ++c)
        hessian[slot(r, zeroBased)][slot(c, zeroBased)] += sign * h->hessian[r][c];
  });
  return ran && finiteDerivatives(&e, value, gradient, hessian, zeroBased) && finished(e);
}

bool Eval_evalHessTape(Program* p, int32_t i, bool reset, double* value, double* gradient, double** hessian,
                       bool zeroBased, bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginReal(&e, i, reset, value, gradient, hessian, zeroBased, subtractRhs, &answer)) return answer;
  EvalContext* ctx = e.ctx;
  if (!bufferReady(e, Grad_init(ctx->buffers.gradBuffer, e.nv, ctx), "Eval_evalHessTape")) return false;
  if ((ctx->flags.compactDerivatives == 1 || !ctx->buffers.gradTape) && !Grad_prepareTape(ctx, e.nv)) return false;
  startPass(&e, kModeGrad, reset, false);
  const bool ran = runBothSides(&e, kValGrad, subtractRhs, value, StartRecording{ctx}, StopRecording{ctx},
                                [&](double sign, int side) {
                                  const GradValue* g = static_cast<GradValue*>(ctx->buffers.result->payload);
                                  readForward(e, g, sign, value, gradient, zeroBased);
                                  if (ctx->buffers.tapeCount > 0)
                                    Grad_reverseHessian(hessian, zeroBased, side == 1, g->node, ctx);
                                });
  if (!ran && tapeOutgrown(e)) return Eval_evalHess(p, i, reset, value, gradient, hessian, zeroBased, subtractRhs);
  return ran && finiteDerivatives(&e, value, gradient, hessian, zeroBased) && finished(e);
}

bool Eval_evalDegDag(Program* p, int32_t i, bool reset, uint8_t* classes, bool zeroBased) {
  (void)reset;  // the graph entry recomputes every cell
  Entry e(p);
  if (!beginEntry(&e, i, true)) return false;
  std::fill(classes, classes + gradientSlots(e, zeroBased), uint8_t{0});
  if (e.nv == 0) return true;
  if (!e.ctx->buffers.dagNodes && !DegDag_prepareTape(e.ctx)) return false;
  startPass(&e, kModeDegDag, false, false);
  for (const CellChain* chain : {&e.item->leftChain, &e.item->rightChain}) {
    e.ctx->buffers.tapeCount = 0;
    const Side s = runSide(&e, *chain, kValDegDag);
    if (s == Side::kFailed) return false;
    if (s == Side::kPayload)
      DegDag_reverseSweep(classes, zeroBased, static_cast<DegDagNode*>(e.ctx->buffers.result->payload)->self,
                          &e.ctx->buffers, e.ctx->tables.diagnosisCells, e.ctx->position.currentCell);
  }
  return finished(e);
}

bool Eval_evalDiagnose(Program* p, int32_t i, bool reset, int32_t* classes, bool zeroBased) {
  Entry e(p);
  if (!beginEntry(&e, i, true)) return false;
  // Classes always come back over all n variables: compact ones are scattered.
  const int32_t n = Model_variableCount(p->variables);
  std::fill(classes, classes + n + (zeroBased ? 0 : 1), 0);
  if (e.nv == 0) return true;
  startPass(&e, kModeDegVec, reset, e.ctx->flags.compactDerivatives == 0);
  const bool compact = e.ctx->flags.compactDerivatives == 1;
  for (const CellChain* chain : {&e.item->leftChain, &e.item->rightChain}) {
    const Side s = runSide(&e, *chain, kValDegVec);
    if (s == Side::kFailed) return false;
    if (s != Side::kPayload) continue;
    const DegVec* v = static_cast<DegVec*>(e.ctx->buffers.result->payload);
    for (int32_t k = 1; k <= std::min(v->n, e.nv); ++k) {
      const int32_t var = compact ? e.item->variables[static_cast<size_t>(k) - 1] : k;
      int32_t& c = classes[slot(var, zeroBased)];
      c = std::max(c, v->classes[k]);
    }
  }
  return finished(e);
}

bool Eval_evalInterval(Program* p, int32_t i, bool reset, Interval* value, bool subtractRhs) {
  Entry e(p);
  *value = Interval{0.0, 0.0};
  if (!beginEntry(&e, i, true)) return false;
  startPass(&e, kModeInterval, reset, e.ctx->flags.compactDerivatives == 0);
  const bool ran = runBothSides(&e, kValInterval, subtractRhs, value, noHook, noHook, [&](double sign, int) {
    const Interval x = *static_cast<Interval*>(e.ctx->buffers.result->payload);
    *value = sign > 0 ? Ivl_add(*value, x) : Ivl_sub(*value, x);
  });
  return ran && finished(e);
}

bool Eval_evalIvGrad(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, int32_t* curvature,
                     bool zeroBased, bool subtractRhs) {
  Entry e(p);
  *curvature = kCurvAffine;
  bool answer = false;
  if (!beginInterval(&e, i, reset, value, gradient, nullptr, zeroBased, subtractRhs, &answer)) return answer;
  if (!bufferReady(e, IvGrad_init(e.ctx->buffers.ivGradBuffer, e.nv, e.ctx), "Eval_evalIvGrad")) return false;
  startPass(&e, kModeIvGrad, reset, e.ctx->flags.compactDerivatives == 0);
  const bool ran = runBothSides(&e, kValIvGrad, subtractRhs, value, noHook, noHook, [&](double sign, int) {
    const IvGradValue* g = static_cast<IvGradValue*>(e.ctx->buffers.result->payload);
    *value = sign > 0 ? Ivl_add(*value, g->value) : Ivl_sub(*value, g->value);
    addIvGradient(e, gradient, g->gradient, g->n, sign, zeroBased);
    *curvature = sign > 0 ? Curv_add(*curvature, g->curvature) : Curv_sub(*curvature, g->curvature);
  });
  return ran && finished(e);
}

bool Eval_evalIvRevGrad(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, bool zeroBased,
                        bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginInterval(&e, i, reset, value, gradient, nullptr, zeroBased, subtractRhs, &answer)) return answer;
  if (!e.ctx->buffers.ivRevTape && !Tape_prepareReverse<IvRevScalar>(e.ctx)) return false;
  startPass(&e, kModeIvRev, reset, false);
  const bool ran = runBothSides(
      &e, kValIvRev, subtractRhs, value, [&] { e.ctx->buffers.tapeCount = 0; }, noHook,
      [&](double sign, int side) {
        const IvRevNode node = *static_cast<IvRevNode*>(e.ctx->buffers.result->payload);
        *value = sign > 0 ? Ivl_add(*value, node.value) : Ivl_sub(*value, node.value);
        Tape_reverseSweep<IvRevScalar>(gradient, zeroBased, side == 1, node.self, &e.ctx->buffers);
      });
  if (!ran && tapeOutgrown(e)) {
    int32_t curvature = kCurvAffine;
    return Eval_evalIvGrad(p, i, reset, value, gradient, &curvature, zeroBased, subtractRhs);
  }
  return ran && finished(e);
}

bool Eval_evalIvHess(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, Interval** hessian,
                     bool zeroBased, bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginInterval(&e, i, reset, value, gradient, hessian, zeroBased, subtractRhs, &answer)) return answer;
  if (!bufferReady(e, IvHess_init(e.ctx->buffers.ivHessBuffer, e.nv, e.ctx), "Eval_evalIvHess")) return false;
  startPass(&e, kModeIvHess, reset, e.ctx->flags.compactDerivatives == 0);
  const bool ran = runBothSides(&e, kValIvHess, subtractRhs, value, noHook, noHook, [&](double sign, int) {
    const IvHessValue* h = static_cast<IvHessValue*>(e.ctx->buffers.result->payload);
    *value = sign > 0 ? Ivl_add(*value, h->value) : Ivl_sub(*value, h->value);
    addIvGradient(e, gradient, h->gradient, h->n, sign, zeroBased);
    addIvHessian(e, hessian, h->hessian, h->n, sign, zeroBased);
  });
  return ran && finished(e);
}

bool Eval_evalIvHessTape(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, Interval** hessian,
                         bool zeroBased, bool subtractRhs) {
  Entry e(p);
  bool answer = false;
  if (!beginInterval(&e, i, reset, value, gradient, hessian, zeroBased, subtractRhs, &answer)) return answer;
  EvalContext* ctx = e.ctx;
  if (!bufferReady(e, IvGrad_init(ctx->buffers.ivGradBuffer, e.nv, ctx), "Eval_evalIvHessTape")) return false;
  if ((ctx->flags.compactDerivatives == 1 || !ctx->buffers.ivGradTape) && !IvGrad_prepareTape(ctx, e.nv)) return false;
  startPass(&e, kModeIvGrad, reset, false);
  const bool ran = runBothSides(&e, kValIvGrad, subtractRhs, value, StartRecording{ctx}, StopRecording{ctx},
                                [&](double sign, int side) {
                                  const IvGradValue* g = static_cast<IvGradValue*>(ctx->buffers.result->payload);
                                  *value = sign > 0 ? Ivl_add(*value, g->value) : Ivl_sub(*value, g->value);
                                  addIvGradient(e, gradient, g->gradient, g->n, sign, zeroBased);
                                  if (ctx->buffers.tapeCount > 0)
                                    IvGrad_reverseHessian(hessian, zeroBased, side == 1, g->node, ctx);
                                });
  if (!ran && tapeOutgrown(e)) return Eval_evalIvHess(p, i, reset, value, gradient, hessian, zeroBased, subtractRhs);
  return ran && finished(e);
}

bool Eval_evalAffine(Program* p, int32_t i, bool reset, AffineForm* form, bool subtractRhs) {
  Entry e(p);
  if (!beginEntry(&e, i, true)) return false;
  EvalContext* ctx = e.ctx;
  if (!bufferReady(e, Aff_init(form, e.nv, ctx), "Eval_evalAffine")) return false;
  Aff_setConst(form, 0.0);
  if (e.nv == 0) {
    double v = 0.0;
    if (!realValue(&e, reset, &v, subtractRhs)) return false;
    Aff_setConst(form, v);
    return true;
  }
  // New boxes are read when another mode ran last, on reset, and when the
  // function changes while its own variables number the slots.
  const bool compact = ctx->flags.compactDerivatives == 1;
  const bool fresh = ctx->flags.mode != kModeAffine || reset || !ctx->buffers.affineHalfWidths ||
                     (compact && ctx->position.currentFunction != i);
  const bool ready = Aff_init(ctx->buffers.affineBuffers[0], e.nv, ctx) &&
                     Aff_init(ctx->buffers.affineBuffers[1], e.nv, ctx) && (!fresh || takeHalfWidths(&e));
  if (!bufferReady(e, ready, "Eval_evalAffine")) return false;
  startPass(&e, kModeAffine, fresh, !compact);
  const bool ran = runBothSides(&e, kValAffine, subtractRhs, form, noHook, noHook, [&](double sign, int) {
    const AffineForm* side = static_cast<AffineForm*>(ctx->buffers.result->payload);
    keepAffine(form, sign > 0 ? Aff_add(form, side) : Aff_sub(form, side));
  });
  return ran && finiteForm(&e, form) && finished(e);
}

bool Eval_evalIvProp(Program* p, int32_t i, int32_t relation, double rhs, Interval* box, bool zeroBased,
                     Interval* range) {
  Entry e(p);
  *range = Interval{0.0, 0.0};
  if (!beginEntry(&e, i, true)) return false;
  EvalContext* ctx = e.ctx;
  if (!IvProp_prepareTape(ctx)) return false;
  startPass(&e, kModeIvProp, true, false);
  ctx->buffers.tapeCount = 0;
  // Both sides go on one trace; each side is a node or a constant.
  IvPropNode sides[2]{};
  bool recorded[2] = {false, false};
  double constants[2] = {0.0, 0.0};
  const CellChain* chains[2] = {&e.item->leftChain, &e.item->rightChain};
  for (int side = 0; side < 2; ++side) {
    const Side s = runSide(&e, *chains[side], kValIvProp);
    if (s == Side::kFailed) return false;
    if (s == Side::kConstant) constants[side] = ctx->buffers.result->number;
    if (s == Side::kPayload) sides[side] = *static_cast<IvPropNode*>(ctx->buffers.result->payload);
    recorded[side] = s == Side::kPayload;
  }
  if (e.item->rightChain.empty()) constants[1] = rhs;
  // The root g: left - right, or right - left for a lower limit, so that the
  // row reads g <= 0 or g = 0.
  const bool lower = relation == kRelGreaterEqual || relation == kRelGreaterEqual2;
  const int first = lower ? 1 : 0, second = 1 - first;
  IvPropNode root{};
  if (recorded[first] && recorded[second]) root = IvProp_sub(&sides[first], &sides[second]);
  else if (recorded[first]) root = IvProp_subVS(&sides[first], constants[second]);
  else if (recorded[second]) root = IvProp_subSV(constants[first], &sides[second]);
  else {
    const double g = constants[first] - constants[second];
    *range = Interval{g, g};
    return finished(e);
  }
  if (!finished(e)) return false;
  *range = root.value;
  const bool equality = relation == kRelEqual;
  if (!equality && !lower && relation != kRelLessEqual && relation != kRelLessEqual2) return true;
  // The trace names the function's variables by position in its own list
  // when derivatives are compact.
  const bool compact = ctx->flags.compactDerivatives == 1;
  std::vector<Interval> own;
  if (compact) {
    own.resize(e.item->variables.size() + 1);
    for (size_t k = 0; k < e.item->variables.size(); ++k) own[k + 1] = box[slot(e.item->variables[k], zeroBased)];
  }
  IvProp_contract(compact ? own.data() : box, compact ? false : zeroBased, !equality, &ctx->buffers);
  for (size_t k = 0; compact && k < e.item->variables.size(); ++k)
    box[slot(e.item->variables[k], zeroBased)] = own[k + 1];
  return finished(e);
}

bool Eval_evalUnsupported(Program* p, int32_t mode) {
  Vm_clearErrors(&p->context->errors);
  p->context->flags.mode = mode;
  Vm_raise(Vm_errorsOf(p->context), kStatusInvalidOperation, "Eval_evalUnsupported", 0, 0, 0);
  return false;
}
