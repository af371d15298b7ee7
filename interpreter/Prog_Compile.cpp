// The compile step: a sizing pass that runs every function once, counting
// each cell's tape nodes and the deepest stack, collecting each function's
// variables, then the memory budget of the derivative modes.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "interpreter/Cvx_Tester.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/DegVec_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// Prefix sums over the order that every function's chains share: of the
// cells that are array formulas and of the tape counts the sizing records.
struct OrderSums {
  const CellChain::Order* order = nullptr;  // null: some chain holds cells of its own
  std::vector<int64_t> arrays, tapes;

  int64_t over(const std::vector<int64_t>& sums, const CellChain& chain) const {
    int64_t total = 0;
    for (const CellChain::Span& span : chain.spans()) total += sums[span.second] - sums[span.first];
    return total;
  }
};

// The order the chains share, with the prefix sums of its array cells.
OrderSums sumsOf(const FunctionTable* t) {
  OrderSums sums;
  for (const ModelItem* item : t->array) {
    for (const CellChain* chain : {&item->leftChain, &item->rightChain}) {
      if (chain->empty()) continue;
      if (!chain->sharedOrder() || (sums.order && chain->sharedOrder() != sums.order)) return OrderSums{};
      sums.order = chain->sharedOrder();
    }
  }
  if (!sums.order) return sums;
  sums.arrays.assign(sums.order->size() + 1, 0);
  for (size_t k = 0; k < sums.order->size(); ++k) {
    const Symbol* s = (*sums.order)[k];
    sums.arrays[k + 1] = sums.arrays[k] + (s->formula && s->formula->isArray ? 1 : 0);
  }
  return sums;
}

// Runs every cell of the shared order once, in order (each function's
// chain runs its cells in that order), recording each cell's tape count;
// false on an error.
bool sizeOrder(Program* p, OrderSums* sums, int32_t* depth) {
  EvalContext* ctx = p->context;
  const CellChain::Order& order = *sums->order;
  sums->tapes.assign(order.size() + 1, 0);
  for (size_t k = 0; k < order.size() && ctx->errors.errorCount == 0; ++k) {
    Symbol* s = order[k];
    ctx->buffers.tapeCount = 0;
    p->currentCell = s;
    Vm_run(p);
    if (s->formula) s->formula->tapeCount = ctx->buffers.tapeCount;
    sums->tapes[k + 1] = sums->tapes[k] + ctx->buffers.tapeCount;
    *depth = std::max(*depth, Vm_depth(p));
  }
  return ctx->errors.errorCount == 0;
}

// A cell already run in this sizing pass: every cell gives the same there
// whichever function runs it, so it runs once and counts its tape again.
bool sized(const Symbol* s) { return s->mark && (Prog_hasCode(s) || !s->precedents.empty()); }

// The variables the side's last cell depends on (class above independent)
// marked; the result holds its value.
void markRootVariables(Program* p, const CellChain& chain) {
  EvalContext* ctx = p->context;
  const Value* root = &chain.back()->value;
  if (root->kind == kValDegVec && root->payload) {
    const DegVec* d = static_cast<const DegVec*>(root->payload);
    for (int32_t k = 1; k <= d->n && k <= Model_variableCount(p->variables); ++k)
      if (d->classes[k] > 0) ctx->position.variableMarks[k] = 1;
  }
  Val_assign(ctx->buffers.result, root);
}

// One side of a function: its tape count, or -1 on an error. Over the
// shared order its cells have run: their counts are summed over its spans.
int32_t sizeChain(Program* p, const CellChain& chain, const OrderSums& sums, int32_t* depth) {
  EvalContext* ctx = p->context;
  ctx->buffers.tapeCount = 0;
  if (sums.order) {
    const int64_t tape = sums.over(sums.tapes, chain);
    ctx->buffers.tapeCount = static_cast<int32_t>(std::min<int64_t>(tape, INT32_MAX));
  }
  for (auto it = sums.order ? chain.end() : chain.begin(); it != chain.end(); ++it) {
    Symbol* s = *it;
    if (ctx->errors.errorCount > 0) break;
    if (sized(s)) {
      ctx->buffers.tapeCount += s->formula ? s->formula->tapeCount : 0;
      continue;
    }
    const int32_t before = ctx->buffers.tapeCount;
    p->currentCell = s;
    Vm_run(p);
    if (s->formula) s->formula->tapeCount = ctx->buffers.tapeCount - before;
    *depth = std::max(*depth, Vm_depth(p));
  }
  if (ctx->errors.errorCount > 0) return -1;
  if (chain.empty()) return 0;
  markRootVariables(p, chain);
  return ctx->buffers.tapeCount;
}

// Functions whose chains read an array formula use no reverse tapes.
void markArrayFunctions(FunctionTable* t, const OrderSums& sums) {
  auto readsArray = [&sums](const CellChain& chain) {
    if (sums.order) return sums.over(sums.arrays, chain) > 0;
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

const Value* Prog_runChain(Program* p, const CellChain& chain) {
  for (Symbol* s : chain) {
    p->currentCell = s;
    Vm_run(p);
  }
  return chain.empty() ? nullptr : &chain.back()->value;
}

bool Prog_compile(Program* p, uint64_t freeBytes, ProgBudget* budget) {
  EvalContext* ctx = p->context;
  Vm_clearErrors(&ctx->errors);
  const int32_t n = Model_variableCount(p->variables);
  if (!ctx->position.variableMarks) {
    ctx->position.variableMarks = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(n) + 1, sizeof(uint16_t)));
    if (!ctx->position.variableMarks) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "Prog_compile", 0, 0, 0);
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
  OrderSums sums = sumsOf(t);
  markArrayFunctions(t, sums);
  Prog_markVariableCells(p->codeStore);
  const bool orderSized = !sums.order || sizeOrder(p, &sums, &depth);
  for (ModelItem* item : t->array) {
    std::fill(ctx->position.variableMarks, ctx->position.variableMarks + n + 1, uint16_t{0});
    const int32_t left = orderSized ? sizeChain(p, item->leftChain, sums, &depth) : -1;
    const int32_t right = left < 0 ? -1 : sizeChain(p, item->rightChain, sums, &depth);
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
