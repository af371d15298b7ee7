// The interpreter's values of the model's cells at the point a run ended,
// handed to the front end's receiver before the model is freed: the model
// is evaluated once more at the variable cells' current values, and each
// cell of the objective, of the rows and of their right-hand sides that the
// load compiled as the workbook holds it is handed back with its value.
#include <vector>

#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Sess_Evaluation.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Eval_Queries.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

bool sameCell(const CellRef& a, const CellRef& b) {
  return a.sheet == b.sheet && a.row == b.row && a.column == b.column;
}

// Whether the loaded model's cells are the workbook's own: no variable or
// row the linearisation added, no elastic or per-scenario variables, and
// every sheet's formulas compiled rather than read as their stored values.
bool cellsAsTheWorkbook(const LibraryContext* context, const EvalTables& tables) {
  if (context->elasticCount != 0 || context->perRowCells != 0 || context->robustMode != 0 ||
      tables.functions->activeSheetFormulasOnly ||
      Model_variableCount(tables.variables) != Sess_modelVariables(context))
    return false;
  for (const ModelItem* item : tables.functions->array)
    if (item->generated) return false;
  return true;
}

// Every function evaluated in plain mode at the variable cells' current
// values, unless the last evaluation of them all was at that point and
// nothing ran since (as after a final check of the engine's); false when
// one fails.
bool evaluateAtCurrentPoint(LibraryContext* context, const EvalTables& tables) {
  std::vector<double> x(static_cast<size_t>(Sess_modelVariables(context)));
  std::vector<double> f(tables.functions->array.size());
  if (!Sess_getCurrentValues(context, x.data())) return false;
  if (context->plainProgram == tables.program && context->plainRuns == tables.program->runs && context->plainPoint == x)
    return true;
  Eval_setPoint(tables, x.data());
  return Eval_valuesNow(tables, f.data()) < 0;
}

// The cell's value when the chain ends with that cell's own symbol and
// holds a plain value; null otherwise.
const Value* cellValue(const CellChain& chain, const CellRef& cell) {
  if (cell.sheet == 0 || chain.empty() || !sameCell(Prog_symbolCell(chain.back()), cell)) return nullptr;
  const Value* v = &chain.back()->value;
  return v->kind >= kValFirstPayload && v->kind <= kValLastPayload ? nullptr : v;
}

}  // namespace

void Interp_setValueSink(FinalValueSink sink, void* user) {
  if (LibraryContext* context = Entry_context()) {
    context->valueSink = sink;
    context->valueSinkUser = user;
  }
}

void Interp_forgetHandedBack(LibraryContext* context) {
  if (context->valueSink) context->valueSink(context->valueSinkUser, 0, 0, 0, nullptr);
}

void Interp_handBackValues(LibraryContext* context) {
  const EvalContext* ctx = context->evalContext;
  if (!context->valueSink || !ctx || !ctx->tables.program || !ctx->tables.functions || !ctx->tables.variables) return;
  if (!cellsAsTheWorkbook(context, ctx->tables) || !evaluateAtCurrentPoint(context, ctx->tables)) return;
  for (const ModelItem* item : ctx->tables.functions->array) {
    const std::pair<const CellChain*, CellRef> sides[] = {{&item->leftChain, item->cell},
                                                          {&item->rightChain, item->rhsCell}};
    for (const auto& [chain, cell] : sides)
      if (const Value* v = cellValue(*chain, cell))
        context->valueSink(context->valueSinkUser, cell.sheet, cell.row, cell.column, v);
  }
}
