// Ranges read by their used cells: a range that is the whole argument of a
// function skipping empty cells is cut to the sheet's used area and the
// decision variables, so a range of millions of mostly empty cells costs
// what its used cells cost; every other use still sees the range as
// written. Values and derivatives are those computed by hand.
#include <gtest/gtest.h>

#include <algorithm>

#include "interpreter/Eval_Entries.h"
#include "tests/support/SheetSource.h"
#include "values/Model_Variables.h"
#include "values/Vm_Status.h"

namespace {

// A sheet that knows its used area: the box of the cells it holds.
struct UsedSource : SheetSource {
  bool usedArea(uint8_t, RangeRef* area) override {
    *area = RangeRef{};
    for (const auto& [place, content] : cells) {
      const auto row = static_cast<uint16_t>(place.first);
      const auto column = static_cast<uint8_t>(place.second);
      *area = area->sheet == 0 ? RangeRef{1, row, column, row, column}
                               : RangeRef{1, std::min(area->firstRow, row), std::min(area->firstColumn, column),
                                          std::max(area->lastRow, row), std::max(area->lastColumn, column)};
    }
    return true;
  }
};

struct UsedBench : SourceBench<UsedSource> {
  bool compile(std::initializer_list<const char*> roots) {
    const bool ok = compileRoots(roots);
    ProgBudget budget{};
    return ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
  }
  double value(int32_t item) {
    double v = -1;
    EXPECT_TRUE(Eval_evalReal(&program, item, true, &v, true)) << int(ctx->errors.firstError);
    return v;
  }
  // The most elements any symbol's array holds.
  size_t largestArray() const {
    size_t most = 0;
    for (size_t i = 1; i < store->bySerial.size(); ++i) {
      const Value& v = store->bySerial[i]->value;
      if (v.kind == kValArray && v.array)
        most = std::max(most, static_cast<size_t>(v.array->rows) * static_cast<size_t>(v.array->columns));
    }
    return most;
  }
};

// b2 = 2, c3 = 3, d4 a formula (12) and f6 = -1; the formulas under test
// go into column a, the ranges cover columns b to iu.
void fill(UsedSource* s) {
  s->set("b2", "2");
  s->set("c3", "3");
  s->set("d4", "=c3*4");
  s->set("f6", "-1");
}

TEST(ReaderUsedArea, SkippingFunctionsReadOnlyTheUsedCells) {
  UsedBench w;
  fill(&w.source);
  w.source.set("a10", "=SUM(b1:iu65535)");
  w.source.set("a11", "=COUNT(iu65535:b1)");
  w.source.set("a12", "=AVERAGE(b1:iu65535,b2:f6)");
  w.source.set("a13", "=MAX(b1:iu65535)+MIN(b1:iu65535)");
  w.source.set("a14", "=SUM(z100:iu65535)+COUNT(z100:iu65535)");  // no used cell
  w.source.set("a15", "=COUNTA(b1:iu65535)");
  ASSERT_TRUE(w.compile({"a10", "a11", "a12", "a13", "a14", "a15"})) << int(w.ctx->errors.firstError);
  EXPECT_DOUBLE_EQ(w.value(0), 2 + 3 + 12 - 1);
  EXPECT_DOUBLE_EQ(w.value(1), 4);
  EXPECT_DOUBLE_EQ(w.value(2), (2 + 3 + 12 - 1) / 4.0);
  EXPECT_DOUBLE_EQ(w.value(3), 12 - 1);
  EXPECT_DOUBLE_EQ(w.value(4), 0);
  EXPECT_DOUBLE_EQ(w.value(5), 4);
  // The used area is a2:f15; nothing near the 16.6 million cells is built.
  EXPECT_LE(w.largestArray(), 15u * 6u);
}

TEST(ReaderUsedArea, AnEmptyRangeAveragesToDivisionByZero) {
  UsedBench w;
  fill(&w.source);
  w.source.set("a15", "=AVERAGE(z100:iu65535)");
  ASSERT_TRUE(w.compile({"a15"}));
  double v = 0;
  Eval_evalReal(&w.program, 0, true, &v, true);  // the cell's error is its value
  const Symbol* cell = Prog_findSymbol(w.store, kSpaceCell, u"s1!a15");
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->value.kind, kValError);
  EXPECT_LE(w.largestArray(), 2u);
}

// A decision variable in an empty cell far outside the used area still
// counts in the cut range, with its derivative.
TEST(ReaderUsedArea, AVariableOutsideTheUsedAreaStillCounts) {
  UsedBench w;
  fill(&w.source);
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 30, 8, 30, 8}, kVarContinuous);  // h30
  w.source.set("a10", "=SUM(b1:iu65535)*3");
  ASSERT_TRUE(w.compile({"a10"})) << int(w.ctx->errors.firstError);
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{5.0, 5.0};
  double value = -1, gradient[1] = {-9};
  ASSERT_TRUE(Eval_evalRealDeriv(&w.program, 0, true, &value, gradient, true, true)) << int(w.ctx->errors.firstError);
  EXPECT_DOUBLE_EQ(value, 3 * (2 + 3 + 12 - 1 + 5));
  EXPECT_DOUBLE_EQ(gradient[0], 3);
}

// Uses that depend on the range's shape or its empty cells see it whole.
TEST(ReaderUsedArea, ShapesAndBlanksSeeTheRangeAsWritten) {
  UsedBench w;
  fill(&w.source);
  w.source.set("a10", "=ROWS(b1:b60000)*COLUMNS(a1:e1)");
  w.source.set("a11", "=COUNTBLANK(b1:b60000)");
  w.source.set("a12", "=INDEX(b1:b60000,2)+SUM(b1:b60000)");
  w.source.set("a13", "=SUM(-b1:b60000)");  // not a bare range: read whole, one cell met
  ASSERT_TRUE(w.compile({"a10", "a11", "a12", "a13"})) << int(w.ctx->errors.firstError);
  EXPECT_DOUBLE_EQ(w.value(0), 60000 * 5);
  EXPECT_DOUBLE_EQ(w.value(1), 59999);
  EXPECT_DOUBLE_EQ(w.value(2), 4);
  EXPECT_DOUBLE_EQ(w.value(3), 0);  // b13, met by the row of a13, is empty
  EXPECT_EQ(w.largestArray(), 60000u);
}

// A range of more cells than the spreadsheet's largest area reads as #REF!
// and costs nothing.
TEST(ReaderUsedArea, RangesPastTheLargestAreaAreRefErrors) {
  UsedBench w;
  fill(&w.source);
  w.source.set("a10", "=ROWS(b1:bn65535)");  // 65 columns: 4,259,775 cells
  w.source.set("a11", "=ROWS(b1:b65535)*COLUMNS(b1:c1)");
  ASSERT_TRUE(w.compile({"a10", "a11"})) << int(w.ctx->errors.firstError);
  double v = 0;
  Eval_evalReal(&w.program, 0, true, &v, true);
  const Symbol* cell = Prog_findSymbol(w.store, kSpaceCell, u"s1!a10");
  ASSERT_NE(cell, nullptr);
  ASSERT_EQ(cell->value.kind, kValError);
  EXPECT_EQ(cell->value.number, Vm_errorNumber(kErrRef));
  EXPECT_DOUBLE_EQ(w.value(1), 65535.0 * 2);
  EXPECT_EQ(w.largestArray(), 65535u);
}

// The ranges one load builds share a budget of cells: the formula that asks
// for more stops the load, out of memory, at its cell.
TEST(ReaderUsedArea, RangesPastTheLoadsBudgetStopTheLoadAtTheirCell) {
  UsedBench w;
  fill(&w.source);
  w.reader->rangeCellsLeft = 200;
  w.source.set("a10", "=ROWS(b1:c50)+ROWS(b1:c50)");  // one range of 100 cells, read once
  w.source.set("a11", "=INDEX(b1:e20,1,1)");          // 80 more
  w.source.set("a12", "=ROWS(c1:d20)");               // 40 more: past the budget
  EXPECT_TRUE(w.compile({"a10", "a11"})) << int(w.ctx->errors.firstError);
  EXPECT_EQ(w.reader->rangeCellsLeft, 20);
  UsedBench over;
  fill(&over.source);
  over.reader->rangeCellsLeft = 200;
  over.source.set("a10", "=ROWS(b1:c50)+ROWS(b1:c50)");
  over.source.set("a11", "=INDEX(b1:e20,1,1)");
  over.source.set("a12", "=ROWS(c1:d20)");
  EXPECT_FALSE(over.compile({"a10", "a11", "a12"}));
  EXPECT_EQ(over.ctx->errors.firstError, kStatusNoMemory);
  EXPECT_EQ(over.ctx->errors.errorCell.row, 12);
  EXPECT_EQ(over.ctx->errors.errorCell.column, 1);
}

}  // namespace
