// The application's calculation mode and full recalculation.
#include "excel/Xl_Calculation.h"

#include "excel/Xl_Value.h"

int Xl_getCalcMode() {
  XLOPER type = Xl_integer(14);
  XLOPER result{};
  if (Excel4(xlfGetDocument, &result, 1, &type) != xlretSuccess) return CalcAutomatic;
  XLOPER* mode = Xl_coerce(&result, xltypeInt);
  Xl_giveBack(&result);
  int answer = mode ? mode->val.w : int{CalcAutomatic};
  Xl_freeValue(mode);
  return answer >= CalcAutomatic && answer <= CalcManual ? answer : CalcAutomatic;
}

int Xl_setCalcMode(int mode) {
  XLOPER value = Xl_integer(mode >= CalcAutomatic && mode <= CalcManual ? mode : CalcAutomatic);
  XLOPER result{};
  int rc = Excel4(xlcCalculation, &result, 1, &value);
  if (rc == xlretSuccess) Xl_giveBack(&result);
  return rc == xlretSuccess ? 1 : 0;
}

int Xl_calculateNow() {
  XLOPER result{};
  int rc = Excel4(xlcCalculateNow, &result, 0);
  if (rc == xlretSuccess) Xl_giveBack(&result);
  return rc == xlretSuccess ? 1 : 0;
}
