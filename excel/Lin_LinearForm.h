// Linear-form recognition: reads a cell's formula, splits it into the
// function name and its top-level arguments, recognises the few shapes whose
// coefficients can be read straight from the worksheet (SUM, MMULT,
// SUMPRODUCT, DOTPRODUCT, QUADPRODUCT), turns each argument into a reference
// (R1C1 text first, then EVALUATE) and reads large ranges of numbers in
// blocks of at most 6553 cells per application call.
#pragma once

#include <string>
#include <vector>

#include "platform/xlcall/Xlcall.h"

// Codes of the recognised forms: the application's own function numbers of
// SUM, MMULT and SUMPRODUCT, and the library's DOTPRODUCT and QUADPRODUCT.
enum LinearFormCode : int {
  FormNone = 0,
  FormSum = 4,
  FormMmult = 165,
  FormSumProduct = 228,
  FormDotProduct = 1000,
  FormQuadProduct = 1001,
};

constexpr int LinearFormChars = 256;   // buffer of the formula text without its "="

// One parsed formula: the text split in place (name, NUL, each argument and a
// NUL), its length, the argument count, the form's code and the cell.
struct LinearForm {
  char text[LinearFormChars] = {};
  int length = 0;                // 0 when nothing is parsed
  int argumentCount = 0;
  int code = FormNone;
  const XLOPER* cell = nullptr;  // not owned
};

// The code of a function name (compared exactly, upper case), 0 when unknown.
int Lin_lookupForm(const char* name);
// Splits "NAME(arg,arg,...)" in place; 1 with the argument count on success.
int Lin_splitCall(char* text, int* count);
// Reads, splits and looks up the formula of a one-cell reference; the code,
// 0 (with the form cleared) when the cell holds no recognised call.
int Lin_recogniseFormula(LinearForm* form, const XLOPER* cell);
// Piece k: 0 the function name, 1..argumentCount the arguments; none else.
const char* Lin_argumentPiece(const LinearForm* form, int k);
// Drops enclosing parentheses and the sheet prefixes of references on the
// active sheet, in place; 0 when a prefix names another sheet.
int Lin_normaliseArgument(std::string* text);
// A new owned reference for an argument text: R1C1 relative to the form's
// cell, else EVALUATE of "!text" when that gives a reference; none else.
XLOPER* Lin_argumentToRef(const LinearForm* form, const char* text);
// A new owned value for piece k: 0 the form's code as an integer; an empty
// argument the missing value; else the normalised argument's reference or,
// failing that, the text "=argument".
XLOPER* Lin_getArgument(const LinearForm* form, int k);

// Numbers of a reference read as xltypeMulti blocks; the blocks are the
// application's results until Lin_freeBlocks gives them back.
struct LinBlocks {
  std::vector<XLOPER> blocks;
  LinBlocks() = default;
  LinBlocks(const LinBlocks&) = delete;
  LinBlocks& operator=(const LinBlocks&) = delete;
  ~LinBlocks();
};

// Reads every area of `ref` in blocks of at most 6553 cells (rows in runs of
// 6553 / width); more than `capacity` blocks or a result that is no array
// fails, with everything read given back.
int Lin_readBlocks(const XLOPER* ref, LinBlocks* out, int capacity);
int Lin_blockCells(const LinBlocks* blocks);
// Element k over the blocks in order; 0 unless it is a number.
int Lin_blockValue(const LinBlocks* blocks, int k, double* value);
// Every element over the blocks in order into `out`, which has room for
// Lin_blockCells; 0 when one is no number.
int Lin_blockNumbers(const LinBlocks* blocks, double* out);
void Lin_freeBlocks(LinBlocks* blocks);
