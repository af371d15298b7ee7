// Argument collectors of the financial and simulation functions: worksheet
// arguments (single values, arrays from ranges, sample vectors) gathered
// into 1-based arrays (slot 0 holds 0) under a collect mode that says what
// blanks, booleans and texts count as. A collector answers true with the
// result set to TRUE, or false with the result holding the error (an
// argument's own error passed on, "#value!" for a refused element, "#num!"
// for a boolean or text in mode 5, "#n/a" for pairs of different sizes,
// "#div/0!" for pairs with nothing left) and its outputs emptied.
// These rules differ from the statistics' collectors (Kern_Collect), which
// no mode reproduces: here blanks, booleans and texts count as the mode
// says, an evaluation-mode element of an array is refused, a lone sample
// vector gives its samples, pairs of ranges refuse booleans and texts
// outside the lenient mode and none left is "#div/0!"; outputs start afresh
// and the result is set on success. The walk over pairs of ranges is the
// shared Kern_walkPairs.
#pragma once

#include <cstdint>
#include <vector>

#include "values/Val_Value.h"

// What blanks, booleans and texts count as.
enum CollectMode : int32_t {
  kCollectLenient = 0,       // booleans and texts in ranges of 2 or more skipped
  kCollectRangeBlanks = 1,   // blanks in ranges of 2 or more count as 0
  kCollectSkipTexts = 2,     // booleans and texts skipped everywhere
  kCollectBlanksAsZero = 3,  // blanks count as 0 everywhere
  kCollectStrict = 4,        // booleans and texts refused
  kCollectStrictNum = 5,     // booleans and texts refused with "#num!"
};

// Values gathered whole (evaluation-mode payloads included), cleared with
// the array.
struct NumValues {
  std::vector<Value> items;  // 1-based
  NumValues() : items(1, Value{}) {}
  NumValues(const NumValues&) = delete;
  NumValues& operator=(const NumValues&) = delete;
  ~NumValues() { clear(); }
  void clear() {
    for (Value& v : items) Val_clear(&v);
    items.assign(1, Value{});
  }
};

// The numbers of one argument, arrays row by row; a sample vector gives its
// samples when the context aggregates, else it is refused.
bool Num_gatherNumbers(const Value* arg, int32_t mode, std::vector<double>* out, Value* result);
// Num_gatherNumbers of each argument of a variadic call into perArg[1..argc]
// (an empty array where an argument gave nothing).
bool Num_gatherArgNumbers(int argc, const Value* const* argv, int32_t mode, std::vector<std::vector<double>>* perArg,
                          Value* result);
// The per-argument arrays joined in argument order.
std::vector<double> Num_flattenArrays(const std::vector<std::vector<double>>& perArg);
// Two arguments of the same element count into parallel arrays.
bool Num_gatherPairs(const Value* x, const Value* y, int32_t mode, std::vector<double>* xs, std::vector<double>* ys,
                     Value* result);
// The Value twins: numbers and evaluation-mode values copied whole, a blank
// that counts as the number 0.
bool Num_gatherValues(const Value* arg, int32_t mode, NumValues* out, Value* result);
bool Num_gatherValuePairs(const Value* x, const Value* y, int32_t mode, NumValues* xs, NumValues* ys, Value* result);

// A 1-based matrix of doubles, m[1..rows][1..columns].
using NumMatrix = std::vector<std::vector<double>>;
// A sample vector as 1 x trials (its samples when the context aggregates,
// zeros otherwise), or an array of numbers and blanks; false for anything
// else or an array holding other elements.
bool Num_valueToMatrix(const Value* v, NumMatrix* m, int32_t* rows, int32_t* columns);
// An array with m[0][1] = columns and m[1][0] = rows; booleans and numbers
// copied, other elements NaN; false for anything but an array.
bool Num_arrayToMatrix(const Value* v, NumMatrix* m, int32_t* rows, int32_t* columns);
// index[1..n] ordered so that values[index[1]] <= values[index[2]] <= ...;
// a quicksort with a fixed stack of 25 pending partitions and insertion for
// partitions of at most 7; false when the stack overflows.
bool Num_indexSort(int32_t n, const double* values, uint32_t* index);
