// The text functions that compute on their own.
#include "worksheet/text/Wsf_Text.h"

#include <cmath>
#include <string>

#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/text/Val_TextForm.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/text/Wsf_TextResult.h"

namespace {

constexpr double kMaxCharCode = 255;
// Codes 128 to 159 of the single-byte character set the worksheet uses; the
// codes above follow Latin-1.
constexpr char16_t kHighCodes[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// LEFT (from the start) and RIGHT.
Value* side(Value* result, int argc, const Value* const* argv, bool left) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  double n = 1;
  if (argc > 1) {
    if (argv[1]->kind > kValReal) return Wsf_error(result, kErrValue);
    n = std::trunc(argv[1]->number);
  }
  if (!(n >= 0)) return Wsf_error(result, kErrValue);
  const std::u16string text = Wsf_textOf(argv[0]);
  const size_t count = n < static_cast<double>(text.size()) ? static_cast<size_t>(n) : text.size();
  return Wsf_textResult(result, left ? text.substr(0, count) : text.substr(text.size() - count));
}

}  // namespace

Value* Wsf_char(Value* result, const Value* code) {
  if (Wsf_head1(result, code) || Wsf_refuseModes(result, 1, &code)) return result;
  if (!Wsf_isPlain(code)) return Wsf_error(result, kErrValue);
  const double n = std::trunc(code->number);
  if (!(n >= 1 && n <= kMaxCharCode)) return Wsf_error(result, kErrValue);
  const int c = static_cast<int>(n);
  const char16_t ch = c >= 128 && c < 160 ? kHighCodes[c - 128] : static_cast<char16_t>(c);
  return Wsf_textResult(result, std::u16string(1, ch));
}

Value* Wsf_code(Value* result, const Value* text) {
  if (Wsf_head1(result, text) || Wsf_refuseModes(result, 1, &text)) return result;
  const std::u16string s = Wsf_textOf(text);
  if (s.empty()) return Wsf_error(result, kErrValue);
  for (int c = 0; c < 32; ++c)
    if (kHighCodes[c] == s[0]) return Wsf_integer(result, 128 + c);
  return Wsf_integer(result, s[0]);
}

Value* Wsf_concatenate(Value* result, int argc, const Value* const* argv) {
  if (Wsf_refuseModes(result, argc, argv)) return result;
  WsfLocal joined(result->context);
  Val_setText(&joined.v, u"");
  for (int i = 0; i < argc; ++i) joined = Op_concat(*joined, *argv[i]);
  return Wsf_copy(result, &*joined);
}

Value* Wsf_exact(Value* result, const Value* a, const Value* b) {
  if (a->kind != kValText || b->kind != kValText) return Wsf_from(result, Op_eq(*a, *b));
  Val_clear(result);
  return Val_setBool(result, Wsf_textOf(a) == Wsf_textOf(b) ? 1 : 0);
}

Value* Wsf_left(Value* result, int argc, const Value* const* argv) { return side(result, argc, argv, true); }
Value* Wsf_right(Value* result, int argc, const Value* const* argv) { return side(result, argc, argv, false); }

Value* Wsf_len(Value* result, const Value* text) {
  if (Wsf_head1(result, text) || Wsf_refuseModes(result, 1, &text)) return result;
  return Wsf_integer(result, static_cast<int32_t>(Wsf_textOf(text).size()));
}

Value* Wsf_lower(Value* result, const Value* text) {
  if (Wsf_head1(result, text) || Wsf_refuseModes(result, 1, &text)) return result;
  std::u16string s = Wsf_textOf(text);
  for (char16_t& c : s) c = Text_foldCase(c);
  return Wsf_textResult(result, s);
}

Value* Wsf_mid(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (argv[1]->kind > kValReal || argv[2]->kind > kValReal) return Wsf_error(result, kErrValue);
  const double start = std::trunc(argv[1]->number), count = std::trunc(argv[2]->number);
  if (!(start >= 1) || !(count >= 0)) return Wsf_error(result, kErrValue);
  const std::u16string text = Wsf_textOf(argv[0]);
  if (start > static_cast<double>(text.size())) return Wsf_textResult(result, u"");
  const size_t from = static_cast<size_t>(start) - 1;
  const size_t n = count < static_cast<double>(text.size() - from) ? static_cast<size_t>(count) : text.size() - from;
  return Wsf_textResult(result, text.substr(from, n));
}

Value* Wsf_t(Value* result, const Value* v) {
  if (Wsf_isStructural(v)) return Wsf_nonSmoothStructure(result, v);
  if (v->kind == kValText || Wsf_isError(v)) return Wsf_copy(result, v);
  return Wsf_textResult(result, u"");
}

Value* Wsf_upper(Value* result, const Value* text) {
  if (Wsf_head1(result, text) || Wsf_refuseModes(result, 1, &text)) return result;
  std::u16string s = Wsf_textOf(text);
  for (char16_t& c : s) c = Text_upperCase(c);
  return Wsf_textResult(result, s);
}

Value* Wsf_value(Value* result, const Value* v) {
  if (v->kind == kValEmpty) return Wsf_integer(result, 0);
  if (v->kind >= kValInt && v->kind <= kValError) return Wsf_copy(result, v);
  // A text reads as the operators read it: a number, a percentage or a date.
  double x = 0.0;
  if (!Op_numericText(*v, &x)) return Wsf_error(result, kErrValue);
  Val_clear(result);
  return Val_setNumber(result, x);
}
