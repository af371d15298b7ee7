// Big-M linearisation: while a model is compiled with linearisation on,
// ABS, IF, AND, OR, NOT, MAX, MIN, the comparisons and the product of a
// boolean variable and an expression that depend on the decision variables
// are replaced in the cell's code by a new helper variable, and new rows
// (generated problem functions compared with 0) tie the helper to the
// construct's arguments with big-M terms and binary helpers. The model is
// then linear in those pieces and fit for a mixed-integer engine. The big-M
// constants start huge; the compile step sets each from its row's interval
// range (Cvx_boundHelpers).
//
// Every hook returns true when it rewrote the construct; false leaves the
// code as the parser wrote it.
#pragma once

#include <cstdint>
#include <vector>

#include "values/Model_Refs.h"

struct CodeSegment;
struct FormulaReader;
struct Symbol;

// The construct of a rewrite, noted with the cell it stood in.
enum BigMConstruct : uint8_t {
  kBigMIf = 1,
  kBigMNot = 2,
  kBigMAnd = 3,
  kBigMOr = 4,
  kBigMMax = 5,
  kBigMMin = 6,
  kBigMAbs = 7,
  kBigMGreater = 8,  // >= or >
  kBigMLess = 9,     // <= or <
  kBigMProduct = 10,
};

struct BigMNote {
  uint8_t construct;  // BigMConstruct
  CellRef cell;
};

struct BigMBuilder {
  FormulaReader* reader;   // the cell being compiled and its code
  int32_t variableCount;   // helpers made
  int32_t constraintCount;
  int32_t bigMCount;
  Symbol* epsilon;         // "epsD": 2^-26
  Symbol* one;             // "1"
  Symbol* row;             // the row being written
  CodeSegment* target;     // its code
  std::vector<BigMNote> notes;
};

// Start value of every big-M constant until the compile step sets it.
constexpr double kBigMInitial = 3.4e38;

// A builder over the reader's code store with "epsD" and "1" made; null
// when a symbol cannot be made.
BigMBuilder* BigM_init(FormulaReader* reader);
void BigM_destroy(BigMBuilder* builder);

// A call of function id with n arguments whose code starts at argStarts[k]
// (the call's own code from callStart, the arguments ending at the cursor).
bool BigM_replaceCall(BigMBuilder* b, int16_t id, int32_t n, uint8_t* callStart, const std::vector<uint8_t*>& argStarts,
                      int32_t* resultType);
// left op right (op one of the tokens <, >, <=, >=) from leftStart, the
// right operand from rightStart to the cursor.
bool BigM_replaceComparison(BigMBuilder* b, uint8_t* leftStart, uint8_t* rightStart, int32_t op);
// left * right with a boolean left factor.
bool BigM_replaceProduct(BigMBuilder* b, uint8_t* leftStart, uint8_t* rightStart);
// Joins the rows to the model's functions and gives every function its
// cells in evaluation order; false when an error was raised.
bool BigM_finish(BigMBuilder* b);
// The note of the k-th row made (0-based, the order the rows follow the
// model's own functions in), or null.
const BigMNote* BigM_noteOf(const BigMBuilder* b, int32_t k);
// "IF", "NOT", ... "comparison", "product" for a construct.
const char* BigM_constructName(uint8_t construct);
