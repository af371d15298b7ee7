// Model load: variables with their bounds, start values and types; one
// function item per constraint cell (cones as one generated item each, the
// objective last); numeric right-hand sides; every formula compiled through
// the reader; the compile step; the optional check evaluation.
#include "interpreter/Load_Model.h"

#include <cmath>
#include <limits>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "interpreter/BigM_Builder.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Load_Cells.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/List_List.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

double ieee(double bound) {
  const double inf = std::numeric_limits<double>::infinity();
  return bound <= -kBoundInfinity ? -inf : bound >= kBoundInfinity ? inf : bound;
}

int32_t varType(int32_t flag) { return flag == 0 ? kVarContinuous : flag == 2 ? kVarBinary : kVarInteger; }

int32_t relationOf(int32_t code) {
  switch (code) {
    case kLoadLessEqual: return kRelLessEqual2;
    case kLoadEqual: return kRelEqual;
    case kLoadGreaterEqual: return kRelGreaterEqual2;
    case kLoadMinimise: return kRelMinimise;
    case kLoadMaximise: return kRelMaximise;
    default: return 0;
  }
}

// Variables in the caller's order, then their bounds, values and types.
bool addVariables(const EvalTables& tables, const LoadRequest& rq) {
  VariableTable* t = tables.variables;
  for (const RangeRef& r : rq.variableRanges)
    if (!Model_addVariableRange(t, r, kVarContinuous)) return false;
  const size_t n = t->records.size();
  if (rq.lower.size() < n || rq.upper.size() < n || rq.start.size() < n || rq.types.size() < n) return false;
  for (size_t j = 0; j < n; ++j) {
    VarRecord& v = t->records[j];
    v.bounds = Interval{ieee(rq.lower[j]), ieee(rq.upper[j])};
    v.value = Interval{rq.start[j], rq.start[j]};
    v.type = varType(rq.types[j]);
  }
  return true;
}

// One row's items: constraint cells, pairs of cells when the right side
// moves with the variables, a cone as one generated item.
bool addRowItems(FunctionTable* t, const LoadRow& row, int32_t relation, const std::u16string& sheetName) {
  if (row.code == kLoadCone)
    return Model_addConeRows(t, row.left, (row.flags & kLoadRowSecondKind) ? kRelRotatedCone : kRelCone, sheetName);
  switch (row.rhsKind) {
    case kLoadRhsText:
      if (row.flags & kLoadRowElementwise) return Model_addFunctionElementCells(t, row.left, relation, row.rhsText);
      return Model_addFunctionTextCells(t, row.left, relation, row.rhsText);
    case kLoadRhsRange:
      if (row.flags & kLoadRowRhsVaries) return Model_addConstraint(t, row.left, relation, row.rhsRange);
      return Model_addFunctionCells(t, row.left, relation, 0.0);
    default: return Model_addFunctionCells(t, row.left, relation, 0.0);
  }
}

// Constraint rows first, then cones and the objective, as the library's
// function vector orders them.
bool addFunctions(FunctionTable* t, const LoadRequest& rq) {
  for (const LoadRow& row : rq.rows) {
    const bool first = row.code >= kLoadLessEqual && row.code <= kLoadGreaterEqual;
    if (!first || (row.flags & kLoadRowBound)) continue;
    if (!addRowItems(t, row, relationOf(row.code), rq.activeSheetName)) return false;
  }
  for (const LoadRow& row : rq.rows) {
    const bool second = row.code == kLoadCone || row.code == kLoadMinimise || row.code == kLoadMaximise;
    if (!second || (row.code == kLoadCone && rq.skipCones)) continue;
    if (!addRowItems(t, row, relationOf(row.code), rq.activeSheetName)) return false;
  }
  return true;
}

// Numeric right-hand side of each constraint: its finite lower side, else
// its finite upper side, else 0.
void setRightHandSides(FunctionTable* t, const LoadRequest& rq) {
  const size_t rows = std::min(rq.rowLower.size(), rq.rowUpper.size());
  for (size_t k = 0; k < t->array.size() && k < rows; ++k) {
    ModelItem* item = t->array[k];
    if (item->relation == kRelMinimise || item->relation == kRelMaximise) continue;
    const double lo = rq.rowLower[k], hi = rq.rowUpper[k];
    item->rhs = std::fabs(lo) < kBoundInfinity ? lo : std::fabs(hi) < kBoundInfinity ? hi : 0.0;
  }
}

// The formula cells and the distinct cells the model reads, with the cells of
// the right-hand ranges that no formula covers; false when the user stops.
bool countCells(const FunctionTable* t, const SymbolTable* store, LoadReport* report) {
  if (!Prog_countCells(store, &report->formulaCells, &report->cells)) return false;
  for (const RangeRef& r : t->rightRanges) {
    if (!Model_validRange(r)) continue;
    int64_t uncovered = 0;
    if (!Prog_countRangeCells(store, r, &uncovered)) return false;
    report->cells += uncovered;
  }
  return true;
}

// Every function once at the start point with the scaling check on; the
// cells of badly scaled additions, repeats in a row dropped.
int32_t checkValues(EvalContext* ctx, LoadReport* report) {
  const int32_t n = Model_variableCount(ctx->tables.variables);
  std::vector<double> x(static_cast<size_t>(n)), f(ctx->tables.functions->array.size());
  for (int32_t j = 1; j <= n; ++j)
    x[static_cast<size_t>(j) - 1] = Model_getVariable(ctx->tables.variables, j)->value.lo;
  ctx->flags.scalingCheck = 1;
  const bool ok = f.empty() || Eval_valuesAt(ctx->tables, f.data(), x.data());
  ctx->flags.scalingCheck = 0;
  List* cells = &ctx->tables.structure->scalingList;
  CellRef last{};
  for (auto* c = static_cast<CellRef*>(List_first(cells)); c; c = static_cast<CellRef*>(List_next(cells))) {
    if (c->sheet == last.sheet && c->row == last.row && c->column == last.column) continue;
    if (static_cast<int32_t>(report->scalingCells.size()) >= n + static_cast<int32_t>(f.size())) break;
    report->scalingCells.push_back(*c);
    last = *c;
  }
  Model_clearScalingList(&ctx->flags, ctx->tables.structure);
  return ok ? kLoadOk : kLoadCompileFailed;
}

// The variables and functions the linearisation added, in table order:
// variables by their generated names, functions by the construct's cell.
void listAdded(const EvalTables& tables, LoadReport* report) {
  const VariableTable* v = tables.variables;
  int32_t generated = 0;
  for (const ModelItem* item : tables.functions->array) generated += item->generated ? 1 : 0;
  if (v->extraCount < 1 || generated < 1) return;
  const SymbolTable* store = tables.codeStore;
  for (size_t j = v->records.size() - static_cast<size_t>(v->extraCount); j < v->records.size(); ++j) {
    const auto serial = static_cast<size_t>(v->records[j].link);
    const Symbol* s = serial < store->bySerial.size() ? store->bySerial[serial] : nullptr;
    report->addedVariables.push_back(LoadAdded{v->records[j].type, CellRef{}, s ? s->name : std::u16string()});
  }
  int32_t k = 0;
  for (const ModelItem* item : tables.functions->array) {
    if (!item->generated) continue;
    const BigMNote* note = tables.reader ? BigM_noteOf(tables.reader->bigM, k++) : nullptr;
    report->addedFunctions.push_back(LoadAdded{item->relation, note ? note->cell : CellRef{}, {}});
  }
}

}  // namespace

EvalContext* Load_createContext(LibraryContext* library) {
  EvalContext* ctx = Vm_createContext();
  if (!ctx) return nullptr;
  ctx->host.library = library;
  Model_showProgress(&ctx->host, kProgressAnalyzing, 0);
  return ctx;
}

int32_t Load_model(EvalContext* ctx, ReaderSource* source, const LoadRequest& rq, LoadReport* report) {
  if (rq.importFlags == 0 && (rq.variableRanges.empty() || rq.rows.empty())) return kLoadEmpty;
  ctx->tables.variables = Model_createVariableTable();
  ctx->tables.functions = Model_createFunctionTable();
  if (!ctx->tables.variables || !ctx->tables.functions) return kLoadNoMemory;
  ctx->tables.variables->registry = CellReg_create();
  if (!ctx->tables.variables->registry) return kLoadNoMemory;
  ctx->tables.functions->activeSheetFormulasOnly = rq.activeSheetFormulasOnly ? 1 : 0;
  if (!addVariables(ctx->tables, rq) || !addFunctions(ctx->tables.functions, rq)) return kLoadHostFailure;
  SymbolTable* store = Prog_createSymbolTable(ctx);
  ctx->tables.codeStore = store;
  FormulaReader* reader = Reader_create(ctx, store, source);
  if (!reader) return kLoadNoMemory;
  if (rq.importFlags == 0 && ctx->tables.functions->items.empty()) return kLoadEmpty;
  const uint32_t options = rq.importFlags | (rq.bigM ? kReaderBigM : 0);
  const bool bound = Reader_bindModel(reader, ctx->tables.functions, ctx->tables.variables, options);
  report->imported = reader->imported;
  if (!bound)
    return report->imported.failure.empty() && ctx->tables.functions->items.empty() ? kLoadEmpty : kLoadHostFailure;
  setRightHandSides(ctx->tables.functions, rq);
  ctx->flags.compactDerivatives = rq.compactDerivatives;
  if (!Load_compileCells(reader, kLoadStopAtFirst, nullptr, {}) || !Prog_checkVariableCells(store))
    return kLoadCompileFailed;
  Model_showProgress(&ctx->host, kProgressClear, 0);
  ctx->tables.program = new Program{};
  Vm_initProgram(ctx->tables.program, ctx);
  if (!rq.skipCellCount) {
    if (!countCells(ctx->tables.functions, store, report)) return kLoadCompileFailed;
    Model_showProgress(&ctx->host, kProgressClear, 0);
  }
  ProgBudget budget{};
  if (!Prog_compile(ctx->tables.program, rq.freeBytes, &budget)) return kLoadCompileFailed;
  if (rq.listAdded) listAdded(ctx->tables, report);
  ctx->flags.nonSmoothAllowed = rq.nonSmoothAllowed ? 1 : 0;
  return rq.checkValues ? checkValues(ctx, report) : kLoadOk;
}

void Load_freeModel(EvalContext* ctx) {
  if (!ctx) return;
  Model_showProgress(&ctx->host, kProgressReleasing, 0);
  if (ctx->tables.program) {
    Vm_releaseProgram(ctx->tables.program);
    delete ctx->tables.program;
    ctx->tables.program = nullptr;
  }
  Reader_destroy(ctx->tables.reader);
  Prog_freeSymbolTable(ctx->tables.codeStore);
  ctx->tables.codeStore = nullptr;
  Model_freeFunctionTable(ctx->tables.functions);
  ctx->tables.functions = nullptr;
  Model_showProgress(&ctx->host, kProgressClear, 0);
  Vm_destroyContext(ctx);
}
