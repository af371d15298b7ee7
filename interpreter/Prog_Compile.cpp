// The compile step: a sizing pass that runs every function once, counting
// each cell's tape nodes and the deepest stack, collecting each function's
// variables, then the memory budget of the derivative modes.
#include <algorithm>
#include <cstdlib>

#include "interpreter/Cvx_Tester.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/DegVec_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// Runs one side of a function; its tape count, or -1 on an error.
int32_t sizeChain(Program* p, const std::vector<Symbol*>& chain, int32_t* depth) {
  EvalContext* ctx = p->context;
  ctx->buffers.tapeCount = 0;
  for (Symbol* s : chain) {
    if (ctx->errors.errorCount > 0) break;
    const int32_t before = ctx->buffers.tapeCount;
    p->currentCell = s;
    Vm_run(p);
    if (s->formula) s->formula->tapeCount = ctx->buffers.tapeCount - before;
    *depth = std::max(*depth, Vm_depth(p));
  }
  if (ctx->errors.errorCount > 0) return -1;
  if (chain.empty()) return 0;
  const Value* root = &chain.back()->value;
  // The side depends on every variable whose class is above independent.
  if (root->kind == kValDegVec && root->payload) {
    const DegVec* d = static_cast<const DegVec*>(root->payload);
    for (int32_t k = 1; k <= d->n && k <= Model_variableCount(p->variables); ++k)
      if (d->classes[k] > 0) ctx->position.variableMarks[k] = 1;
  }
  Val_assign(ctx->buffers.result, root);
  return ctx->buffers.tapeCount;
}

// Functions whose chains read an array formula use no reverse tapes.
void markArrayFunctions(FunctionTable* t) {
  auto readsArray = [](const std::vector<Symbol*>& chain) {
    for (const Symbol* s : chain)
      if (s->formula && s->formula->isArray) return true;
    return false;
  };
  for (ModelItem* item : t->array) {
    item->arrayCells = readsArray(item->leftChain) || readsArray(item->rightChain);
    if (item->arrayCells) item->usesTape = 0;
  }
}

}  // namespace

const Value* Prog_runChain(Program* p, const std::vector<Symbol*>& chain) {
  for (Symbol* s : chain) {
    p->currentCell = s;
    Vm_run(p);
  }
  return chain.empty() ? nullptr : &chain.back()->value;
}

bool Prog_compile(Program* p, uint64_t freeBytes, ProgBudget* budget) {
  EvalContext* ctx = p->context;
  Vm_clearErrors(ctx);
  const int32_t n = Model_variableCount(p->variables);
  if (!ctx->position.variableMarks) {
    ctx->position.variableMarks = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(n) + 1, sizeof(uint16_t)));
    if (!ctx->position.variableMarks) {
      Vm_raise(ctx, kStatusNoMemory, "Prog_compile", 0, 0, 0);
      return false;
    }
  }
  // Classes are found over every variable; the compact lists come from them.
  const int32_t compact = ctx->flags.compactDerivatives;
  ctx->flags.compactDerivatives = 0;
  ctx->flags.mode = kModeDegVec;
  ctx->flags.sizingPass = 1;
  ctx->flags.incremental = 0;
  int32_t depth = 0, nvMax = 0;
  FunctionTable* t = p->functions;
  markArrayFunctions(t);
  for (ModelItem* item : t->array) {
    std::fill(ctx->position.variableMarks, ctx->position.variableMarks + n + 1, uint16_t{0});
    const int32_t left = sizeChain(p, item->leftChain, &depth);
    const int32_t right = left < 0 ? -1 : sizeChain(p, item->rightChain, &depth);
    if (left < 0 || right < 0) {
      ctx->flags.sizingPass = 0;
      ctx->flags.compactDerivatives = compact;
      return false;
    }
    t->maxCellTape = std::max({t->maxCellTape, left, right});
    t->maxFunctionTape = std::max(t->maxFunctionTape, left + right + 1);
    int32_t marked = 0;
    for (int32_t j = 1; j <= n; ++j) {
      if (ctx->position.variableMarks[j] == 0) continue;
      ++marked;
      if (compact == 1 || item->generated) item->variables.push_back(j);
    }
    nvMax = std::max(nvMax, marked);
  }
  if (compact == 0) nvMax = n;
  ctx->flags.sizingPass = 0;
  ctx->flags.compactDerivatives = compact;
  *budget = Prog_estimateMemory(depth, Prog_countFormulaCells(p->codeStore), nvMax, t->maxCellTape, freeBytes);
  ctx->flags.reverseAllowed = budget->reverseAllowed;
  ctx->flags.forwardHessAllowed = budget->forwardHessAllowed;
  ctx->flags.replayAllowed = budget->replayAllowed;
  // Rows of linearised constructs: their helpers' bounds and big-M constants.
  if (std::any_of(t->array.begin(), t->array.end(), [](const ModelItem* item) { return item->generated; })) {
    const bool owned = !ctx->tables.convexityTester;
    ConvexityTester* tester = owned ? Cvx_create(ctx, p) : ctx->tables.convexityTester;
    if (tester) Cvx_boundHelpers(tester);
    if (owned) Cvx_destroy(tester);
  }
  return ctx->errors.errorCount < 1;
}
