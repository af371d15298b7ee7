// Keeping the calculation mode found at session begin while a run
// calculates by hand, and restoring it afterwards.
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Xl_Calculation.h"

int Msg_saveCalcMode(LibraryContext* context) {
  context->savedCalcMode = Xl_getCalcMode();
  if (context->savedCalcMode == CalcManual) return 1;
  return Xl_setCalcMode(CalcManual);
}

int Msg_restoreCalcMode(LibraryContext* context) {
  if (context->savedCalcMode == CalcManual) return 1;
  return Xl_setCalcMode(context->savedCalcMode);
}
