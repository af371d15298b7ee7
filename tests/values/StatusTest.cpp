// Status texts, the first-error rule, warnings, error cells and the encoding
// of worksheet errors.
#include <gtest/gtest.h>

#include "values/Model_StructureInfo.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

TEST(Status, Texts) {
  // The whole table, code by code.
  const char* const texts[] = {"OK",
                               "Interrupt request !",
                               "Memory allocation failed !",
                               "Ole error !",
                               "Invalid token !",
                               "Unexpected end of formula !",
                               "Invalid array !",
                               "Invalid number !",
                               "Invalid fraction !",
                               "Invalid exponent !",
                               "Too many digits !",
                               "Real literal out of range !",
                               "Integer literal out of range !",
                               "Invalid expression !",
                               "Undefined identifier !",
                               "Range failure !",
                               "Missing ( !",
                               "Missing ) !",
                               "Wrong number of parameters !",
                               "Type mismatch !",
                               "Code segment overflow !",
                               "Too long expression !",
                               "Symbol table full !",
                               "Circular reference !",
                               "External name !",
                               "Multi-area not supported !",
                               "Floating point overflow !",
                               "Runtime stack overflow !",
                               "Runtime stack empty !",
                               "String overflow !",
                               "Division by zero !",
                               "Unfeasible argument !",
                               "Type mismatch !",
                               "Invalid operation !",
                               "Invalid token !",
                               "Variable cell with formula !",
                               "Variable defined more than once !",
                               "Missing Diagnostic/Memory evaluation !",
                               "Unknown function !",
                               "Unsupported Excel function !",
                               "Excel error value returned !",
                               "Non-smooth special function !",
                               "Unsupported Vector operation !",
                               "Correlation error !",
                               "OK",
                               "Non-smooth function !",
                               "Unfeasible argument !",
                               "Lost of significance !",
                               "Unknown function !"};
  static_assert(std::size(texts) == kStatusCount);
  for (int code = 0; code < kStatusCount; ++code) EXPECT_EQ(Text_toUtf8(Vm_statusText(code)), texts[code]) << code;
  for (int code = 1; code < kStatusCount; ++code) {
    const std::string text = Text_toUtf8(Vm_statusText(code));
    EXPECT_TRUE(code == 44 || text.ends_with(" !")) << code;
  }
  EXPECT_EQ(Vm_statusText(49), nullptr);
  EXPECT_EQ(Vm_statusText(-1), nullptr);
}

TEST(Status, FirstErrorWinsAndCellsAreAttributed) {
  EvalContext* ctx = Vm_createContext();
  Vm_raise(&ctx->errors, kStatusDivisionByZero, "DIV", 0, 0, 0);
  Vm_raise(&ctx->errors, kStatusTypeMismatch, "x", 2, 9, 9);
  EXPECT_EQ(ctx->errors.errorCount, 2);
  EXPECT_EQ(ctx->errors.firstError, kStatusDivisionByZero);
  Vm_setErrorCell(&ctx->errors, 1, 5, 3);
  EXPECT_EQ(ctx->errors.errorCell.sheet, 1);
  EXPECT_EQ(ctx->errors.errorCell.row, 5);
  EXPECT_EQ(ctx->errors.errorCell.column, 3);
  Vm_setErrorCell(&ctx->errors, 4, 4, 4);  // a complete position stays
  EXPECT_EQ(ctx->errors.errorCell.row, 5);

  Vm_clearErrors(&ctx->errors);
  Vm_setErrorCell(&ctx->errors, 1, 1, 1);  // no error: nothing to attribute
  EXPECT_EQ(ctx->errors.errorCell.row, 0);
  Vm_raise(&ctx->errors, kStatusUnknownFunction, "f", 3, 7, 2);
  Vm_setErrorCell(&ctx->errors, 1, 5, 3);
  EXPECT_EQ(ctx->errors.errorCell.sheet, 3);
  EXPECT_EQ(ctx->errors.errorCell.row, 7);

  Vm_warn(&ctx->errors, kWarnScaling, 0);
  Vm_warn(&ctx->errors, kWarnNonSmooth, 0);
  EXPECT_EQ(ctx->errors.warningCount, 2);
  EXPECT_EQ(ctx->errors.firstWarning, kWarnScaling);
  Vm_clearErrors(&ctx->errors);
  EXPECT_EQ(ctx->errors.errorCount + ctx->errors.warningCount + ctx->errors.firstError + ctx->errors.firstWarning, 0);
  Vm_destroyContext(ctx);
}

TEST(Status, ErrorEncodings) {
  EXPECT_EQ(Vm_errorNumber(kErrNA), -536608726.0);
  EXPECT_EQ(Vm_errorNumber(kErrNull), -536608768.0);
  EXPECT_EQ(Vm_mapComError(0x800A07D0u + 7), 0xE0040007u);
  EXPECT_EQ(Vm_mapComError(0x800A07D0u + 8), 0x800A07D0u + 8);
  EXPECT_EQ(Vm_mapComError(0x800A07D0u + 42), 0xE004002Au);
  EXPECT_EQ(Vm_mapComError(5u), 5u);
  for (uint32_t code : {0u, 7u, 15u, 23u, 29u, 36u, 42u}) {
    uint32_t back = 99;
    EXPECT_TRUE(Vm_errorCode(Vm_errorNumber(code), &back));
    EXPECT_EQ(back, code);
  }
  uint32_t back = 0;
  EXPECT_FALSE(Vm_errorCode(Vm_errorNumber(8), &back));
  EXPECT_FALSE(Vm_errorCode(1.0, &back));
}

TEST(Status, ScalingCheckNotesBadlyScaledAdditions) {
  EvalContext* ctx = Vm_createContext();
  Model_checkScaling(ctx->tables.structure, 1.0, 1e7, CellRef{1, 2, 3});  // binary exponents 1 and 24: within
  EXPECT_EQ(ctx->errors.warningCount, 0);
  Model_checkScaling(ctx->tables.structure, 1.0, 1e8, CellRef{1, 2, 3});
  Model_checkScaling(ctx->tables.structure, 0.0, 1e-9, CellRef{1, 4, 5});
  EXPECT_EQ(ctx->errors.warningCount, 2);
  EXPECT_EQ(ctx->errors.firstWarning, kWarnScaling);
  ASSERT_EQ(List_count(&ctx->tables.structure->scalingList), 2);
  EXPECT_EQ(static_cast<CellRef*>(List_first(&ctx->tables.structure->scalingList))->row, 2);
  EXPECT_EQ(static_cast<CellRef*>(List_next(&ctx->tables.structure->scalingList))->row, 4);
  ctx->flags.scalingCheck = 1;
  Model_clearScalingList(&ctx->flags, ctx->tables.structure);
  EXPECT_EQ(ctx->flags.scalingCheck, 0);
  EXPECT_EQ(List_count(&ctx->tables.structure->scalingList), 0);
  Model_checkScaling(ctx->tables.structure, 1.0, 1e30, CellRef{1, 1, 1});  // freed by the teardown
  Vm_destroyContext(ctx);
}

TEST(Status, AStructureRecordWarnsIntoTheErrorRecordItWasGiven) {
  EvalErrors errors{};
  StructureInfo* s = Model_createStructure(&errors);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->errors, &errors);
  Model_checkScaling(s, 3.0, 3e9, CellRef{2, 6, 1});  // binary exponents 2 and 32
  EXPECT_EQ(errors.warningCount, 1);
  EXPECT_EQ(errors.firstWarning, kWarnScaling);
  EXPECT_EQ(errors.errorCount, 0);
  EvalFlags flags{};
  flags.scalingCheck = 1;
  Model_clearScalingList(&flags, s);
  EXPECT_EQ(flags.scalingCheck, 0);
  EXPECT_EQ(List_count(&s->scalingList), 0);
  flags.scalingCheck = 1;
  Model_clearScalingList(&flags, nullptr);  // no structure record: the check still ends
  EXPECT_EQ(flags.scalingCheck, 0);
  Vm_clearErrors(&errors);
  EXPECT_EQ(errors.warningCount + errors.firstWarning, 0);
  Model_freeStructure(s);
}

}  // namespace
