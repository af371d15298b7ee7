// ROMAN.
#include "worksheet/math/Wsf_Other.h"

#include <cmath>
#include <string>

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

constexpr double kRomanLimit = 3999;
constexpr double kRomanMostConcise = 4;

// A numeral and the most concise form (0 to 4) that uses it.
struct Numeral {
  int32_t value;
  const char16_t* text;
  int32_t form;
};

// The classic numerals, and the wider subtractive pairs that the concise
// forms allow, largest first.
constexpr Numeral kNumerals[] = {
    {1000, u"M", 0}, {999, u"IM", 4}, {995, u"VM", 3}, {990, u"XM", 2}, {950, u"LM", 1},
    {900, u"CM", 0}, {500, u"D", 0},  {499, u"ID", 4}, {495, u"VD", 3}, {490, u"XD", 2},
    {450, u"LD", 1}, {400, u"CD", 0}, {100, u"C", 0},  {99, u"IC", 2},  {95, u"VC", 1},
    {90, u"XC", 0},  {50, u"L", 0},   {49, u"IL", 2},  {45, u"VL", 1},  {40, u"XL", 0},
    {10, u"X", 0},   {9, u"IX", 0},   {5, u"V", 0},    {4, u"IV", 0},   {1, u"I", 0}};

std::u16string romanOf(int32_t value, int32_t form) {
  std::u16string text;
  for (const Numeral& numeral : kNumerals)
    for (; numeral.form <= form && value >= numeral.value; value -= numeral.value)
      text += numeral.text;
  return text;
}

}  // namespace

Value* Wsf_roman(Value* result, int argc, const Value* const* argv) {
  const Value* number = argv[0];
  const Value* form = argc >= 2 && argv[1]->kind != kValMissing ? argv[1] : nullptr;
  if (Wsf_isError(number)) return Wsf_copy(result, number);
  if (form && Wsf_isError(form)) return Wsf_copy(result, form);
  if (Wsf_isStructural(number) || (form && Wsf_isStructural(form)))
    return form ? Wsf_nonSmoothStructure2(result, number, form)
                : Wsf_nonSmoothStructure(result, number);
  // The form is a logical (TRUE classic, FALSE most concise) or a number,
  // a text that reads as one too; it reaches here as given.
  double concise = 0;
  const bool formText = form && form->kind == kValText;
  if (formText && !Op_numericText(*form, &concise)) return Wsf_error(result, kErrValue);
  if (!Wsf_isPlain(number) || (form && !formText && !Wsf_isPlain(form))) return Wsf_error(result, kErrValue);
  const double value = std::trunc(number->number);
  if (form && !formText) concise = form->kind == kValBool ? (form->number != 0 ? 0 : kRomanMostConcise) : form->number;
  concise = std::trunc(concise);
  if (!(value >= 0 && value <= kRomanLimit) || !(concise >= 0 && concise <= kRomanMostConcise))
    return Wsf_error(result, kErrValue);
  const std::u16string text = romanOf(static_cast<int32_t>(value), static_cast<int32_t>(concise));
  Val_clear(result);
  return Val_setText(result, text.c_str());
}
