// Callback interface over a model workbook as a spreadsheet program saved it
// (afiro: 32 variable cells in F5:AK5, objective B2 = SUMPRODUCT of row 8
// and row 5): the calls a solve makes, answered from the file's names.
#include <algorithm>
#include <cmath>

#include "platform/xlsx/Xlsx.h"
#include "tests/platform/XlcallFixture.h"

namespace {

// EVALUATE of a text, then a check that nothing is left to free.
struct Evaluated : XResult {
  explicit Evaluated(const char* text) {
    XText t(text);
    rc = Excel4(xlfEvaluate, &x, 1, &t.x);
  }
  int rc;
};

double numberOf(XLOPER* ref) {
  XResult r;
  XLOPER toNum = xlInt(xltypeNum);
  if (Excel4(xlCoerce, &r.x, 2, ref, &toNum) != xlretSuccess) return -1;
  return r.x.val.num;
}

}  // namespace

TEST(XlcallModel, ASolveRoundTripOnAfiro) {
  Wb_resetApp();
  Xlc_resetHost();
  std::string error;
  Workbook* wb = Xlsx_open(CORVAN_DATA "/lp/afiro.xlsx", &error);
  ASSERT_NE(wb, nullptr) << error;
  wb->activeSheet = Wb_sheetIndex(wb, "Model");
  Calc_recalculate(wb);
  {
    Evaluated adj("!solver_adj"), opt("!solver_opt"), typ("!solver_typ");
    XLOPER toInt = xlInt(xltypeInt), toNum = xlInt(xltypeNum), toMulti = xlInt(xltypeMulti);
    EXPECT_EQ(describe(adj.x), "Model!F5:AK5");
    EXPECT_EQ(call(xlCoerce, {&typ.x, &toInt}), "2");

    // The objective's coefficients, summed here: the objective at x = 1.
    XRef row8(adj.x.val.mref.idSheet, {xlArea(7, 5, 7, 36)});
    XResult coef;
    ASSERT_EQ(Excel4(xlCoerce, &coef.x, 2, &row8.x, &toMulti), xlretSuccess);
    double sum = 0;
    for (int i = 0; i < 32; ++i) sum += coef.x.val.array.lparray[i].val.num;
    EXPECT_NE(sum, 0);

    XLOPER manual = xlNum(3), ones[32];
    for (XLOPER& one : ones) one = xlNum(1);
    XLOPER arr;
    arr.xltype = xltypeMulti;
    arr.val.array = {ones, 1, 32};
    call(xlcCalculation, {&manual});
    ASSERT_EQ(call(xlSet, {&adj.x, &arr}), "TRUE");
    EXPECT_EQ(call(xlCoerce, {&opt.x, &toNum}), "0");   // manual: not yet recalculated
    call(xlcCalculateNow, {});
    EXPECT_NEAR(numberOf(&opt.x), sum, 1e-12 * std::max(1.0, std::abs(sum)));

    XLOPER a1 = xlBool(true);
    EXPECT_EQ(call(xlfGetFormula, {&opt.x}), "=SUMPRODUCT(R8C6:R8C37,R5C6:R5C37)");
    EXPECT_EQ(call(xlfReftext, {&opt.x, &a1}), "[afiro.xlsx]Model!$B$2");

    // The objective's precedents include the variable cells.
    XLOPER prec = xlInt(9), one = xlInt(1), all = xlInt(2);
    call(xlcSelect, {&opt.x});
    ASSERT_EQ(call(xlcSelectSpecial, {&prec, &one, &all}), "TRUE");
    XResult sel;
    ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
    bool coversVariables = false;
    for (int i = 0; i < sel.x.val.mref.lpmref->count; ++i) {
      const XLREF& a = sel.x.val.mref.lpmref->reftbl[i];
      coversVariables = coversVariables || (a.rwFirst <= 4 && a.rwLast >= 4 && a.colFirst <= 5 && a.colLast >= 36);
    }
    EXPECT_TRUE(coversVariables);
  }
  EXPECT_EQ(Xlc_liveBlocks(), 0u);
  Xlc_resetHost();
  Wb_resetApp();
}
