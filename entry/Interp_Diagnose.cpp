// The model diagnosis of a Solve call (ordinal 78): the interpreter's
// diagnosis of the loaded model against the model type the user declared,
// its findings written into the front end's result range (the statistics
// row, and for a detailed diagnosis one row per problem function), and a
// failing function's error reported with its cell.
#include <cstdio>
#include <string>
#include <vector>

#include "contract/Diag_Table.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Msg_Status.h"
#include "entry/Sess_Results.h"
#include "interpreter/Eval_Diagnosis.h"
#include "interpreter/Model_Structure.h"
#include "values/Vm_Context.h"

namespace {

const char* relationText(int32_t relation) {
  switch (relation) {
    case kRelEqual: return "=";
    case kRelLessEqual:
    case kRelLessEqual2: return "<=";
    case kRelGreaterEqual:
    case kRelGreaterEqual2: return ">=";
    case kRelMinimise: return "min";
    case kRelMaximise: return "max";
    default: return "";
  }
}

// The statistics row and, when detailed, the functions' rows.
int writeFindings(LibraryContext* context, const EvalTables& tables, const DiagnosisFindings& f, bool detailed) {
  double counts[DiagStatistics] = {};
  for (int k = 0; k < kStructureCounts; ++k) counts[k] = f.counts[k];
  counts[DiagContraction] = f.contraction;
  const StructureInfo* s = tables.structure;
  const int rows = detailed ? s->functionCount : 0;
  std::vector<std::string> texts(static_cast<size_t>(rows) * DiagColumns);
  for (int i = 0; i < rows; ++i) {
    std::string* row = &texts[static_cast<size_t>(i) * DiagColumns];
    row[DiagFunctionNumber] = std::to_string(i + 1);
    row[DiagFunctionCell] = f.cells[static_cast<size_t>(i)];
    row[DiagRelation] = relationText(tables.functions->array[static_cast<size_t>(i)]->relation);
    row[DiagClass] = Eval_className(s->functionClasses[i]);
    row[DiagCurvature] = s->convexity ? Eval_convexityName(s->convexity[i]) : "";
    const std::vector<DiagnosisExample>& examples = f.examples[static_cast<size_t>(i)];
    for (size_t k = 0; k < examples.size() && k < DiagExamples; ++k) {
      row[DiagFirstExample + 2 * k] = examples[k].variable;
      row[DiagFirstExample + 2 * k + 1] = examples[k].cell;
    }
  }
  std::vector<const char*> pointers;
  for (const std::string& t : texts) pointers.push_back(t.c_str());
  return Sess_storeDiagnosis(context, counts, rows, pointers.data());
}

}  // namespace

int Interp_diagnoseModel(LibraryContext* context, std::intptr_t refreshWord, int report, int convexity, int detailed) {
  EvalContext* ctx = context ? context->evalContext : nullptr;
  if (!ctx || !ctx->tables.program || !ctx->tables.functions || !ctx->tables.variables) return kDiagnosisEmpty;
  DiagnosisRequest request;
  request.convexity = convexity != 0;
  request.detailed = detailed != 0;
  request.declaredType = Host_queryModel(context, QueryMod);
  DiagnosisFindings findings;
  int32_t failed = -1;
  const int32_t result = Eval_diagnose(ctx, request, &findings, &failed);
  if (result == kDiagnosisFailed) {
    char text[64];
    std::snprintf(text, sizeof text, "F(%d): evalDiagnose failed", failed);
    Msg_showStatus(1, text);
    Interp_reportError(context);
  }
  if (result != kDiagnosisDone) return result;
  if (report && !writeFindings(context, ctx->tables, findings, request.detailed)) return StatusHostFailure;
  // Cells the interpreter cannot compute keep the workbook's values: read
  // them again as the workbook now has them.
  if (findings.unknownFunctions) Interp_refreshArrayBlocks(context, refreshWord);
  return kDiagnosisDone;
}
