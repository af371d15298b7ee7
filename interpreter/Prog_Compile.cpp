// The compile step: a sizing pass that runs every function once, counting
// each cell's tape nodes and the deepest stack, collecting each function's
// variables, then the memory budget of the derivative modes.
#include <algorithm>
#include <cstdlib>

#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// Runs one side of a function; its tape count, or -1 on an error.
int32_t sizeChain(Program* p, const std::vector<Symbol*>& chain, int32_t* depth) {
  EvalContext* ctx = p->context;
  ctx->tapeCount = 0;
  for (Symbol* s : chain) {
    if (ctx->errorCount > 0) break;
    const int32_t before = ctx->tapeCount;
    p->currentCell = s;
    Vm_run(p);
    if (s->formula) s->formula->tapeCount = ctx->tapeCount - before;
    *depth = std::max(*depth, Vm_depth(p));
  }
  if (ctx->errorCount > 0) return -1;
  if (!chain.empty()) Val_assign(ctx->result, &chain.back()->value);
  return ctx->tapeCount;
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
  if (!ctx->variableMarks) {
    ctx->variableMarks = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(n) + 1, sizeof(uint16_t)));
    if (!ctx->variableMarks) {
      Vm_raise(ctx, kStatusNoMemory, "Prog_compile", 0, 0, 0);
      return false;
    }
  }
  ctx->mode = kModeDegVec;
  ctx->sizingPass = 1;
  ctx->incremental = 0;
  int32_t depth = 0, nvMax = 0;
  FunctionTable* t = p->functions;
  for (ModelItem* item : t->array) {
    std::fill(ctx->variableMarks, ctx->variableMarks + n + 1, uint16_t{0});
    const int32_t left = sizeChain(p, item->leftChain, &depth);
    const int32_t right = left < 0 ? -1 : sizeChain(p, item->rightChain, &depth);
    if (left < 0 || right < 0) {
      ctx->sizingPass = 0;
      return false;
    }
    t->maxCellTape = std::max({t->maxCellTape, left, right});
    t->maxFunctionTape = std::max(t->maxFunctionTape, left + right + 1);
    int32_t marked = 0;
    for (int32_t j = 1; j <= n; ++j) {
      if (ctx->variableMarks[j] == 0) continue;
      ++marked;
      if (ctx->compactDerivatives == 1 || item->generated) item->variables.push_back(j);
    }
    nvMax = std::max(nvMax, marked);
  }
  if (ctx->compactDerivatives == 0) nvMax = n;
  ctx->sizingPass = 0;
  *budget = Prog_estimateMemory(depth, Prog_countFormulaCells(p->codeStore), nvMax, t->maxCellTape, freeBytes);
  ctx->reverseAllowed = budget->reverseAllowed;
  ctx->forwardHessAllowed = budget->forwardHessAllowed;
  ctx->replayAllowed = budget->replayAllowed;
  return ctx->errorCount < 1;
}
