// Argument collectors of the statistical functions: the plain numbers of
// arguments and ranges gathered into 1-based arrays (slot 0 unused), so that
// the statistics kernels read them directly. A collector that meets an error
// value (alone or as an element) writes it into the result and answers
// false; so does a refused argument ("#value!").
// These are the statistics' counting rules, which no collect mode of
// Num_Gather (the financial functions' collectors) gives: every array
// element that is not a number or an error is skipped, but a value of a
// derivative, tape, interval or affine mode is refused ("#value!": it
// stands for a number these plain collectors cannot hold, and skipping it
// gave those modes another answer than the value mode's), a lone empty
// argument or sample vector is refused, the
// A-forms count booleans and texts, a pair counts only where both elements
// are numbers and no pairs left is no error; outputs are appended to, and
// the result is untouched on success. Both share Kern_walkPairs.
#pragma once

#include <vector>

#include "values/Val_Value.h"
#include "worksheet/common/Wsf_Args.h"

// Hands take(p, q) each pair of elements of two arguments of the same
// element count ("#n/a" otherwise), after an error element (of the first
// argument before the second) has ended the walk into the result; take
// answers false, with the result formed, to end it too.
template <typename Take>
bool Kern_walkPairs(const Value* a, const Value* b, Value* result, Take take) {
  const int32_t n = Wsf_count(a);
  if (n != Wsf_count(b)) return Wsf_error(result, kErrNA), false;
  for (int32_t i = 0; i < n; ++i) {
    const Value* p = Wsf_element(a, i);
    const Value* q = Wsf_element(b, i);
    if (Wsf_isError(p)) return Wsf_copy(result, p), false;
    if (Wsf_isError(q)) return Wsf_copy(result, q), false;
    if (!take(p, q)) return false;
  }
  return true;
}

// Integers and reals of one argument: a lone number; the numbers of an array
// or of a single cell, in row-major order, skipping empty cells, booleans and
// texts. A lone boolean given directly counts by its number (a text that
// reads as a number arrives as that number); any other lone value is
// refused.
bool Kern_collectNumbers(const Value* arg, std::vector<double>* out, Value* result);
// The number a value given directly (not read from a cell) counts as: a
// number or a boolean, 0 for a blank (an argument left out); false for any
// other.
bool Kern_directNumber(const Value* v, double* x);
// Kern_collectNumbers over every argument, appended in order.
bool Kern_collectArgNumbers(int argc, const Value* const* argv, std::vector<double>* out, Value* result);
// Parallel numbers of two arguments of the same element count ("#n/a"
// otherwise); a position counts only when both elements are numbers.
bool Kern_collectPairs(const Value* a, const Value* b, std::vector<double>* xa, std::vector<double>* xb, Value* result);
// The values that statistics over every evaluation mode count, kept as
// pointers into the arguments (valid while they are): numbers and values of
// the evaluation modes, direct or as array elements; with countAll also
// booleans by their number and texts as 0. A boolean given directly counts
// by its number, a blank given directly (an argument left out) as 0; a single cell's boolean or text counts as an array
// element's. An error ends the gathering; a direct argument of another kind
// is refused.
bool Kern_collectArgValues(int argc, const Value* const* argv, bool countAll, std::vector<const Value*>* out,
                           Value* result);
// Parallel values of two arguments of the same element count ("#n/a"
// otherwise); a position counts only when both are numbers or mode values.
bool Kern_collectValuePairs(const Value* a, const Value* b, std::vector<const Value*>* xa,
                            std::vector<const Value*>* xb, Value* result);
// A fresh 1-based array (slot 0 holds 0).
inline std::vector<double> Kern_oneBased() { return std::vector<double>(1, 0.0); }
