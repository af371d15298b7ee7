// Emitting and decoding bytecode in a code segment.
#include "interpreter/Code_Segment.h"

#include <cstdlib>

#include "values/Vm_Status.h"

namespace {

bool hasOperand(uint8_t op) { return op >= kCodeCall && op <= kCodeArray; }

}  // namespace

bool Code_init(CodeSegment* seg, uint32_t capacity, EvalContext* ctx) {
  *seg = CodeSegment{};
  seg->context = ctx;
  seg->start = static_cast<uint8_t*>(std::calloc(capacity ? capacity : 1, 1));
  if (!seg->start) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "Code", 0, 0, 0);
    return false;
  }
  seg->capacity = capacity;
  seg->cursor = seg->start;
  return true;
}

void Code_free(CodeSegment* seg) {
  std::free(seg->start);
  *seg = CodeSegment{};
}

bool Code_hasRoom(CodeSegment* seg, uint32_t n) {
  if (seg->start && static_cast<uint32_t>(seg->cursor - seg->start) + n < seg->capacity) return true;
  Vm_raise(Vm_errorsOf(seg->context), kStatusCodeOverflow, "Code", 0, 0, 0);
  return false;
}

void Code_emitByte(CodeSegment* seg, uint8_t op) {
  if (Code_hasRoom(seg, 1)) *seg->cursor++ = op;
}

void Code_emitWord(CodeSegment* seg, uint32_t word) {
  if (!Code_hasRoom(seg, 4)) return;
  for (int i = 0; i < 4; ++i) *seg->cursor++ = static_cast<uint8_t>(word >> (8 * i));
}

uint8_t Code_decode(CodeSegment* seg, uint32_t* operand) {
  const uint8_t op = *seg->cursor++;
  *operand = 0;
  if (!hasOperand(op)) return op;
  for (int i = 0; i < 4; ++i) *operand |= static_cast<uint32_t>(*seg->cursor++) << (8 * i);
  return op;
}

int32_t Code_countOps(CodeSegment* seg, uint8_t* from, uint8_t* to) {
  uint8_t* saved = seg->cursor;
  int32_t count = 0;
  uint32_t operand = 0;
  for (seg->cursor = from; seg->cursor < to; ++count) Code_decode(seg, &operand);
  seg->cursor = saved;
  return count;
}
