// Bytecode of one compiled formula: a byte string of postfix instructions.
// An instruction is an opcode byte, followed for opcodes 1 to 6 by a
// little-endian 32-bit symbol serial; the operands of a call come before it
// in argument order.
#pragma once

#include <cstdint>

struct EvalContext;

enum CodeOp : uint8_t {
  kCodeCall = 1,     // call the function symbol (argument count << 16 | id)
  kCodeLiteral = 2,  // push "false", "true", an error literal or "MisArg"
  kCodeRef = 3,      // push a cell or name reference
  kCodeNumber = 4,
  kCodeText = 5,
  kCodeArray = 6,
  kCodeEnd = 7,
  kCodeArrayArgs = 8,  // the arguments up to the matching call (or kCodeArrayEnd) are arrays
  kCodeArrayEnd = 9,   // end of a table argument opened by kCodeArrayArgs
  kCodeParen = 11,     // end of a parenthesised expression
  kCodeNeg = 12,
  kCodePercent = 13,
  kCodePow = 14,
  kCodeMul = 15,
  kCodeDiv = 16,
  kCodeAdd = 17,
  kCodeSub = 18,
  kCodeConcat = 19,
  kCodeEq = 20,
  kCodeLt = 21,
  kCodeGt = 22,
  kCodeLe = 23,
  kCodeGe = 24,
  kCodeNe = 25,
};

// Bytes of an instruction with an operand.
constexpr uint32_t kCodeOperandSize = 5;

struct CodeSegment {
  uint32_t capacity;
  uint8_t* start;   // owned
  uint8_t* cursor;  // next byte to write, or to read while decoding
  EvalContext* context;
};

// Allocates a zeroed buffer of capacity bytes with the cursor at its start;
// false (status 2 raised) when memory runs out.
bool Code_init(CodeSegment* seg, uint32_t capacity, EvalContext* ctx);
// Frees the buffer and zeroes the segment.
void Code_free(CodeSegment* seg);
// True when n more bytes fit below the end (one byte always stays unused);
// otherwise raises status 20.
bool Code_hasRoom(CodeSegment* seg, uint32_t n);
// Appends an opcode; dropped when there is no room.
void Code_emitByte(CodeSegment* seg, uint8_t op);
// Appends a 32-bit operand; dropped when there is no room for all 4 bytes.
void Code_emitWord(CodeSegment* seg, uint32_t word);
// Reads the instruction at the cursor and moves past it; the operand goes to
// *operand (0 for opcodes without one). Returns the opcode.
uint8_t Code_decode(CodeSegment* seg, uint32_t* operand);
// Number of instructions from `from` up to `to`; the cursor is kept.
int32_t Code_countOps(CodeSegment* seg, uint8_t* from, uint8_t* to);
