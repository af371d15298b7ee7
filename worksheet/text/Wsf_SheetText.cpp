// The text functions computed by the application.
#include "worksheet/text/Wsf_SheetText.h"

#include <cmath>
#include <string>
#include <vector>

#include "worksheet/common/Wsf_Application.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/text/Wsf_TextResult.h"

namespace {

// How an argument is passed: as its text, or as it is (a number, boolean or
// missing argument).
enum class As { kText, kPlain };

// The arguments of one call, made from the function's own.
struct Prepared {
  std::vector<Value> values;
  std::vector<const Value*> pointers;
  Prepared(EvalContext* ctx, int argc, const Value* const* argv, std::initializer_list<As> forms) {
    auto form = forms.begin();
    for (int i = 0; i < argc && form != forms.end(); ++i, ++form) {
      values.push_back(Val_empty(ctx));
      if (*form == As::kText) Val_setText(&values.back(), Wsf_textOf(argv[i]).c_str());
      else Val_assign(&values.back(), argv[i]);
    }
    for (const Value& v : values) pointers.push_back(&v);
  }
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;
  ~Prepared() {
    for (Value& v : values) Val_clear(&v);
  }
};

// The application's answer to name on the prepared arguments, a text kept
// as the text it is; "#value!" when the call fails.
Value* callApplication(Value* result, const char16_t* name, const Prepared& args) {
  if (!Wsf_callApplication(result->context, name, static_cast<int>(args.pointers.size()), args.pointers.data(), result))
    return Wsf_error(result, kErrValue);
  return result;
}

// A one-argument function on the argument's text.
Value* single(Value* result, const Value* x, const char16_t* name) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isStructural(x)) return Wsf_nonSmoothStructure(result, x);
  const Value* const argv[] = {x};
  if (Wsf_refuseModes(result, 1, argv)) return result;
  return callApplication(result, name, Prepared(result->context, 1, argv, {As::kText}));
}

// Whether each argument from first on that is given is of kind 4 or lower.
bool plainFrom(int argc, const Value* const* argv, int first) {
  for (int i = first; i < argc; ++i)
    if (argv[i]->kind > kValReal) return false;
  return true;
}

}  // namespace

Value* Wsf_clean(Value* result, const Value* text) { return single(result, text, u"Clean"); }
Value* Wsf_proper(Value* result, const Value* text) { return single(result, text, u"Proper"); }
Value* Wsf_trim(Value* result, const Value* text) { return single(result, text, u"Trim"); }

Value* Wsf_dollar(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (!plainFrom(argc, argv, 0)) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Dollar", Prepared(result->context, argc, argv, {As::kPlain, As::kPlain}));
}

Value* Wsf_fixed(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (!plainFrom(argc, argv, 0)) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Fixed", Prepared(result->context, argc, argv, {As::kPlain, As::kPlain, As::kPlain}));
}

Value* Wsf_find(Value* result, int argc, const Value* const* argv, bool caseSensitive) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (!plainFrom(argc, argv, 2)) return Wsf_error(result, kErrValue);
  return callApplication(result, caseSensitive ? u"Find" : u"Search",
                         Prepared(result->context, argc, argv, {As::kText, As::kText, As::kPlain}));
}

Value* Wsf_replace(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (argv[1]->kind > kValReal || argv[2]->kind > kValReal) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Replace",
                         Prepared(result->context, argc, argv, {As::kText, As::kPlain, As::kPlain, As::kText}));
}

Value* Wsf_rept(Value* result, const Value* text, const Value* count) {
  if (Wsf_isStructural(text) || Wsf_isStructural(count)) return Wsf_nonSmoothStructure2(result, text, count);
  const Value* const argv[] = {text, count};
  if (Wsf_firstErrorArg(result, 2, argv) || Wsf_refuseModes(result, 2, argv)) return result;
  // The count is cut to a whole number first: a fraction above -1 repeats none.
  if (count->kind > kValReal || std::trunc(count->number) < 0) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Rept", Prepared(result->context, 2, argv, {As::kText, As::kPlain}));
}

Value* Wsf_substitute(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv) || Wsf_refuseModes(result, argc, argv)) return result;
  if (!plainFrom(argc, argv, 3)) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Substitute",
                         Prepared(result->context, argc, argv, {As::kText, As::kText, As::kText, As::kPlain}));
}

Value* Wsf_text(Value* result, const Value* value, const Value* format) {
  if (Wsf_isStructural(value) || Wsf_isStructural(format)) return Wsf_nonSmoothStructure2(result, value, format);
  const Value* const argv[] = {value, format};
  if (Wsf_firstErrorArg(result, 2, argv) || Wsf_refuseModes(result, 2, argv)) return result;
  // A format given as a number or a logical is its text, as a value is.
  const auto refused = [](const Value* v) { return v->kind > kValReal && v->kind != kValText; };
  if (refused(format) || refused(value)) return Wsf_error(result, kErrValue);
  return callApplication(result, u"Text", Prepared(result->context, 2, argv, {As::kPlain, As::kText}));
}
