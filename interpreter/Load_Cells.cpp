// A list of cells compiled by the interpreter: the model's compile that
// stops at the first failure, the compile of each cell on its own that goes
// on and reports every failure by its cell, and the list of worksheet cells
// that a recalculation through the interpreter compiles and runs.
#include "interpreter/Load_Cells.h"

#include <algorithm>
#include <map>

#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Vm_Machine.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

bool sameCell(const CellRef& a, const CellRef& b) {
  return a.sheet == b.sheet && a.row == b.row && a.column == b.column;
}

// For an unknown or unsupported function: the functions the cells of chain
// call that are not built, by their names, sorted, each once.
std::vector<std::u16string> unbuiltOf(int32_t status, const std::vector<Symbol*>& chain) {
  if (status != kStatusUnknownFunction && status != kStatusUnsupportedFunction) return {};
  std::set<std::u16string> names;
  for (const Symbol* s : chain)
    for (const Symbol* dep : s->precedents)
      if (dep->space == kSpaceFunction && !Fn_hasImplementation(Parse_functionId(dep)))
        names.insert(dep->definition.empty() ? dep->name : dep->definition);
  return {names.begin(), names.end()};
}

void report(const LoadFailureSink& onFailure, const LoadCellFailure& failure) {
  if (onFailure) onFailure(failure);
}

// The failure of a compile that stopped while the context holds its status.
LoadCellFailure failureOf(const EvalErrors& errors, const CellRef& cell, const std::vector<Symbol*>& chain) {
  LoadCellFailure f;
  f.cell = cell;
  f.at = errors.errorCell.sheet ? errors.errorCell : cell;
  f.status = errors.firstError;
  f.unbuilt = unbuiltOf(f.status, chain);
  return f;
}

// One cell compiled on its own into out->order; on a failure what this
// compile placed leaves the order, and the cell and the cell it stopped at
// join out->failed.
bool compileOnItsOwn(FormulaReader* r, ModelItem* item, LoadCompiled* out, const LoadFailureSink& onFailure) {
  EvalContext* ctx = r->context;
  Vm_clearErrors(&ctx->errors);
  Symbol* root = Parse_cellSymbol(r, item->cell);
  if (out->failed.count(root) > 0) {
    LoadCellFailure earlier;
    earlier.cell = item->cell;
    earlier.earlier = true;
    report(onFailure, earlier);
    return false;
  }
  const size_t before = out->order.size();
  if (ctx->errors.errorCount == 0) Parse_compileCell(r, &out->order, root);
  if (ctx->errors.errorCount == 0) {
    item->leftChain.assign(1, root);
    return true;
  }
  const std::vector<Symbol*> compiled(out->order.begin() + static_cast<std::ptrdiff_t>(before), out->order.end());
  Parse_unplaceAfter(r, &out->order, before);
  const LoadCellFailure failure =
      failureOf(ctx->errors, item->cell, compiled.empty() ? std::vector<Symbol*>{root} : compiled);
  report(onFailure, failure);
  if (root) out->failed.insert(root);
  Vm_clearErrors(&ctx->errors);
  if (sameCell(failure.at, item->cell)) return false;
  if (Symbol* culprit = Parse_cellSymbol(r, failure.at); culprit && culprit != root) out->failed.insert(culprit);
  return false;
}

}  // namespace

bool Load_compileCells(FormulaReader* r, LoadCellsMode mode, LoadCompiled* compiled, const LoadFailureSink& onFailure) {
  bool all = true;
  for (size_t i = 0; i < r->functions->array.size(); ++i) {
    ModelItem* item = r->functions->array[i];
    if (mode == kLoadGoOn) {
      all = compileOnItsOwn(r, item, compiled, onFailure) && all;
    } else if (!Parse_compileItem(r, i)) {
      report(onFailure, failureOf(r->context->errors, item->cell, {}));
      return false;
    }
  }
  if (mode == kLoadGoOn) {
    std::vector<Symbol*>& order = compiled->order;
    order.erase(std::remove_if(order.begin(), order.end(), [&](Symbol* s) { return compiled->failed.count(s) > 0; }),
                order.end());
  }
  return Parse_finishModel(r) && all;
}

struct LoadCells {
  EvalContext* ctx = nullptr;
  ReaderSource* source = nullptr;
  SymbolTable* store = nullptr;
  FunctionTable* functions = nullptr;
  FormulaReader* reader = nullptr;
  Program program{};
  LoadCompiled compiled;
};

LoadCells* Load_createCells(ReaderSource* source) {
  EvalContext* ctx = Vm_createContext();
  if (!ctx) return nullptr;
  auto* cells = new LoadCells{};
  cells->ctx = ctx;
  cells->source = source;
  ctx->tables.variables = Model_createVariableTable();
  cells->store = Prog_createSymbolTable(ctx);
  cells->functions = Model_createFunctionTable();
  cells->reader = Reader_create(ctx, cells->store, source);
  return cells;
}

void Load_addCell(LoadCells* cells, const CellRef& cell) {
  Model_addFunction(cells->functions, cell.sheet, cell.column, cell.row, kRelFree2, 0.0);
}

void Load_compileList(LoadCells* cells, const LoadFailureSink& onFailure) {
  EvalContext* ctx = cells->ctx;
  Reader_bindModel(cells->reader, cells->functions, ctx->tables.variables);
  Load_compileCells(cells->reader, kLoadGoOn, &cells->compiled, onFailure);
  Vm_initProgram(&cells->program, ctx);
  ctx->flags.mode = kModeReal;
  ctx->flags.incremental = 0;
}

namespace {

void runCell(LoadCells* cells, Symbol* s) {
  Vm_clearErrors(&cells->ctx->errors);
  cells->program.currentCell = s;
  Vm_run(&cells->program);
}

// Runs the order once: a cell fails with its own evaluation's failure, else
// with the last failure among the cells it reads.
std::map<const Symbol*, LoadCellFailure> runNoting(LoadCells* cells) {
  std::map<const Symbol*, LoadCellFailure> failures;
  const EvalContext* ctx = cells->ctx;
  for (Symbol* s : cells->compiled.order) {
    const LoadCellFailure* inherited = nullptr;
    LoadCellFailure readsFailed;
    readsFailed.readsFailed = true;
    for (const Symbol* dep : s->precedents) {
      if (auto it = failures.find(dep); it != failures.end()) inherited = &it->second;
      else if (cells->compiled.failed.count(dep)) inherited = &readsFailed;
    }
    runCell(cells, s);
    if (ctx->errors.errorCount > 0) failures[s] = failureOf(ctx->errors, CellRef{}, {s});
    else if (inherited) failures[s] = *inherited;
  }
  return failures;
}

}  // namespace

int32_t Load_runCells(LoadCells* cells, const LoadResultSink& onResult) {
  const auto count = static_cast<int32_t>(cells->compiled.order.size());
  if (!onResult) {
    for (Symbol* s : cells->compiled.order) runCell(cells, s);
    return count;
  }
  const std::map<const Symbol*, LoadCellFailure> failures = runNoting(cells);
  for (const ModelItem* item : cells->functions->array) {
    if (item->leftChain.empty()) continue;
    const Symbol* root = item->leftChain.back();
    if (auto it = failures.find(root); it != failures.end()) onResult(item->cell, nullptr, &it->second);
    else onResult(item->cell, &root->value, nullptr);
  }
  return count;
}

void Load_freeCells(LoadCells* cells) {
  if (!cells) return;
  Vm_releaseProgram(&cells->program);
  Reader_destroy(cells->reader);
  Prog_freeSymbolTable(cells->store);
  Model_freeFunctionTable(cells->functions);
  Vm_destroyContext(cells->ctx);
  delete cells;
}
