// The application's calculation: its mode and a full recalculation.
#pragma once

enum CalculationMode : int { CalcAutomatic = 1, CalcAutomaticExceptTables = 2, CalcManual = 3 };

// The current mode; automatic (1) when the application does not answer.
int Xl_getCalcMode();
// Sets the mode (one outside 1..3 is taken as automatic): 1 on success.
int Xl_setCalcMode(int mode);
// Recalculates every open workbook: 1 on success.
int Xl_calculateNow();
