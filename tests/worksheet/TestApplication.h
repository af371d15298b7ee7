// The stand-in spreadsheet application attached to an evaluation context, so
// that the worksheet functions it computes reach its worksheet-function
// object, as they do when the library opens a workbook.
#pragma once

#include "excel/Com_Automation.h"
#include "platform/automation/Auto.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Application.h"

inline ExcelAutomation* Test_automationOf(const EvalContext* ctx) {
  return reinterpret_cast<ExcelAutomation*>(ctx->host.excel);
}

inline void Test_attachApplication(EvalContext* ctx) {
  ExcelAutomation* ea = Com_create(ctx);
  ctx->host.excel = reinterpret_cast<EvalWorkbook*>(ea);
  AutoObject* app = Auto_application();
  if (app && Com_attachApplication(ea, app) && Com_getWorksheetFunction(ea))
    Wsf_setApplicationCall(Com_callWorksheetFunctionValues);
  if (app) Auto_release(app);
}

inline void Test_detachApplication(EvalContext* ctx) {
  Com_destroy(Test_automationOf(ctx));
  ctx->host.excel = nullptr;
}
