// Code segments: room, overflow, instruction layout and decoding.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "interpreter/Code_Segment.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

using Instruction = std::pair<uint8_t, uint32_t>;

std::vector<Instruction> decodeAll(CodeSegment* seg) {
  uint8_t* end = seg->cursor;
  std::vector<Instruction> out;
  for (seg->cursor = seg->start; seg->cursor < end;) {
    uint32_t operand = 0;
    const uint8_t op = Code_decode(seg, &operand);
    out.emplace_back(op, operand);
  }
  return out;
}

TEST(Code, OneByteOfEverySegmentStaysUnused) {
  EvalContext* ctx = Vm_createContext();
  CodeSegment seg;
  ASSERT_TRUE(Code_init(&seg, 6, ctx));
  Code_emitByte(&seg, kCodeRef);
  Code_emitWord(&seg, 0x01020304u);
  EXPECT_EQ(ctx->errors.errorCount, 0);
  Code_emitByte(&seg, kCodeEnd);
  EXPECT_EQ(ctx->errors.errorCount, 1);
  EXPECT_EQ(ctx->errors.firstError, kStatusCodeOverflow);
  EXPECT_EQ(seg.cursor - seg.start, 5);
  // Operands are little-endian.
  EXPECT_EQ(seg.start[1], 0x04);
  EXPECT_EQ(seg.start[4], 0x01);
  Code_emitWord(&seg, 7);  // dropped whole
  EXPECT_EQ(ctx->errors.errorCount, 2);
  EXPECT_EQ(seg.cursor - seg.start, 5);
  Code_free(&seg);
  Vm_destroyContext(ctx);
}

TEST(Code, EmittedFormulasDecodeBack) {
  EvalContext* ctx = Vm_createContext();
  CodeSegment seg;
  // =2*(3+4) with the numbers as symbols 11, 12 and 13; then a call of
  // SUM (id 51) with two arguments.
  ASSERT_TRUE(Code_init(&seg, 5 * 16 + 1, ctx));
  const std::vector<Instruction> program = {{kCodeNumber, 11}, {kCodeNumber, 12}, {kCodeNumber, 13}, {kCodeAdd, 0},
                                            {kCodeParen, 0},   {kCodeMul, 0},     {kCodeRef, 0x80000001u},
                                            {kCodeNeg, 0},     {kCodePercent, 0}, {kCodeCall, (2u << 16) | 51},
                                            {kCodeEnd, 0}};
  for (const Instruction& i : program) {
    Code_emitByte(&seg, i.first);
    if (i.first <= kCodeArray) Code_emitWord(&seg, i.second);
  }
  EXPECT_EQ(seg.cursor - seg.start, 5 * 5 + 6);
  EXPECT_EQ(Code_countOps(&seg, seg.start, seg.cursor), static_cast<int32_t>(program.size()));
  EXPECT_EQ(Code_countOps(&seg, seg.start + 15, seg.start + 18), 3);
  EXPECT_EQ(decodeAll(&seg), program);
  EXPECT_EQ(ctx->errors.errorCount, 0);
  Code_free(&seg);
  Vm_destroyContext(ctx);
}

}  // namespace
