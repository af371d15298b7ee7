// Texts that read as a date, a time or both stand for their serial number
// wherever a number is wanted, in both calculations: the stand-in's, with
// the library's functions registered as the front end registers them, and
// the interpreter's. Serial numbers by hand: day 1 is 1 January 1900, and
// 15 March 2024 is day 45366 (45,366 days after 30 December 1899, since
// 1900 counts a 29 February); a time is its seconds over 86400.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

constexpr double kDay = 86400;
constexpr double kMarch15 = 45366;  // 15 March 2024, a Friday

struct Row {
  const char* formula;  // in Plan!A1; E1 holds "2024-03-05", E2 "2024-03-15"
  double value;         // NaN: #VALUE!
};

const double kValueError = std::nan("");

const Row kRows[] = {
    {"=\"2024-03-15\"+1", kMarch15 + 1},
    {"=VALUE(\"12:30\")", (12 * 3600 + 30 * 60) / kDay},
    {"=VALUE(\"10:30:15 PM\")", (22 * 3600 + 30 * 60 + 15) / kDay},
    {"=\"12:00 AM\"+0", 0},
    {"=\"2024-03-15 06:00\"*1", kMarch15 + 0.25},
    {"=\"3/15/2024\"-0", kMarch15},
    {"=\"15 Mar 2024\"+0", kMarch15},
    {"=\"March 15, 2024\"+0", kMarch15},
    {"=\"31-Jan-24\"+0", kMarch15 - 29 - 15},  // February 2024 has 29 days
    {"=\"1900-01-15\"+0", 15},
    {"=\"1900-03-01\"+0", 61},
    {"=E2-E1", 10},
    {"=WEEKDAY(\"2024-03-15\")", 6},
    {"=WEEKDAY(E2,2)", 5},
    {"=YEAR(\"15 Mar 2024\")", 2024},
    {"=MONTH(\"2024-03-15\")", 3},
    {"=HOUR(\"2024-03-15 06:45\")", 6},
    {"=MINUTE(\"6:45 PM\")", 45},
    {"=EDATE(\"2024-01-31\",1)", kMarch15 - 15},  // 29 February 2024
    {"=DATEVALUE(\"2024-03-15 06:00\")", kMarch15},
    {"=TIMEVALUE(\"2024-03-15 06:00\")", 0.25},
    {"=TIMEVALUE(\"18:00\")", 0.75},
    {"=SUM(\"2024-03-15\",1)", kMarch15 + 1},
    {"=ABS(\"12:00\")", 0.5},
    {"=\"2024-02-30\"+0", kValueError},
    {"=\"12:60\"+0", kValueError},
    {"=\"25:00\"+0", kValueError},
    {"=WEEKDAY(\"someday\")", kValueError},
};

CellValue standInValue(Workbook* wb, Sheet* plan) {
  Calc_recalculate(wb);
  const Cell* cell = Wb_findCell(plan, 0, 0);
  return cell ? cell->value : CellValue{};
}

CellValue interpreterValue(Workbook* wb) {
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  const auto found = interpreted.values.find({0, Wb_cellKey(0, 0)});
  return found != interpreted.values.end() ? found->second : CellValue::makeText("(not computed)");
}

void expectValue(const CellValue& v, const Row& row, const char* calculation) {
  if (std::isnan(row.value)) {
    EXPECT_EQ(v, CellValue::makeError(CellError::Value)) << calculation << " " << row.formula;
    return;
  }
  ASSERT_EQ(v.kind, CellKind::Number) << calculation << " " << row.formula << " " << Calc_displayText(v, "");
  EXPECT_NEAR(v.number, row.value, 1e-9) << calculation << " " << row.formula;
}

}  // namespace

TEST(DateTexts, ReadAsSerialNumbersInBothCalculations) {
  Fe_registerFunctions();
  for (const Row& row : kRows) {
    Workbook* wb = Wb_newWorkbook("dates.xlsx");
    Sheet* plan = Wb_addSheet(wb, "Plan");
    Wb_setValue(wb, plan, 0, 4, CellValue::makeText("2024-03-05"));
    Wb_setValue(wb, plan, 1, 4, CellValue::makeText("2024-03-15"));
    Wb_setFormula(wb, plan, 0, 0, row.formula);
    expectValue(standInValue(wb, plan), row, "stand-in");
    expectValue(interpreterValue(wb), row, "interpreter");
    Wb_closeWorkbook(wb);
  }
  Wb_resetApp();
}
