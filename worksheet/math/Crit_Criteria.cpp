// Criteria matching, COUNTIF and SUMIF.
#include "worksheet/math/Crit_Criteria.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

enum class Relation { kEq, kNe, kLt, kLe, kGt, kGe };

// The operator at the front of a text criterion and the operand after it.
Relation splitOperator(std::u16string_view t, std::u16string_view* operand) {
  struct Prefix {
    std::u16string_view text;
    Relation relation;
  };
  static const Prefix kPrefixes[] = {{u"<=", Relation::kLe}, {u"<>", Relation::kNe}, {u">=", Relation::kGe},
                                     {u"=", Relation::kEq},  {u"<", Relation::kLt},  {u">", Relation::kGt}};
  for (const Prefix& p : kPrefixes)
    if (t.substr(0, p.text.size()) == p.text) {
      *operand = t.substr(p.text.size());
      return p.relation;
    }
  *operand = t;
  return Relation::kEq;
}

bool holds(Relation r, int32_t order) {
  switch (r) {
    case Relation::kEq: return order == 0;
    case Relation::kNe: return order != 0;
    case Relation::kLt: return order < 0;
    case Relation::kLe: return order <= 0;
    case Relation::kGt: return order > 0;
    case Relation::kGe: return order >= 0;
  }
  return false;
}

int32_t compareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Wildcard match of s[i..] against p[j..], backtracking over '*'.
bool wildMatch(std::u16string_view s, std::u16string_view p) {
  size_t i = 0, j = 0, starP = std::u16string_view::npos, starS = 0;
  while (i < s.size()) {
    if (j < p.size() && p[j] == u'*') {
      starP = j++;
      starS = i;
    } else if (j < p.size() && p[j] == u'?') {
      ++i, ++j;
    } else if (j < p.size() && p[j] == u'~' && j + 1 < p.size() && Text_foldCase(p[j + 1]) == Text_foldCase(s[i])) {
      ++i, j += 2;
    } else if (j < p.size() && p[j] != u'~' && Text_foldCase(p[j]) == Text_foldCase(s[i])) {
      ++i, ++j;
    } else if (starP != std::u16string_view::npos) {
      j = starP + 1;
      i = ++starS;
    } else {
      return false;
    }
  }
  while (j < p.size() && p[j] == u'*') ++j;
  return j == p.size();
}

// Case-folded ordering of the text against the pattern read literally.
int32_t order(std::u16string_view s, std::u16string_view p) {
  for (size_t k = 0; k < s.size() && k < p.size(); ++k) {
    const char16_t a = Text_foldCase(s[k]), b = Text_foldCase(p[k]);
    if (a != b) return a < b ? -1 : 1;
  }
  return s.size() < p.size() ? -1 : (s.size() > p.size() ? 1 : 0);
}

bool isText(const Value* v) { return v->kind == kValText; }
bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }

// The dependency-vector mode: the summed values' classes join the result,
// which the structure hooks left in the context's result.
void mergeDependencies(Value* result, const Value* source) {
  const auto merge = [](const Value* v) {
    Value* formed = v->context ? v->context->buffers.result : nullptr;
    if (v->kind == kValDegVec && formed && formed->kind == kValDegVec) DegVec_add(formed, v);
  };
  if (source->kind != kValArray) merge(source);
  for (int32_t r = 0; source->kind == kValArray && r < source->array->rows; ++r)
    for (int32_t c = 0; c < source->array->columns; ++c) merge(Val_at(source, r, c));
  if (result->context) Wsf_from(result, *result->context->buffers.result);
}

// A value the evaluation mode could not compute among the candidates or in
// the criterion is passed on: whether it would match is not known. An
// enclosure there is refused ("#value!"): it may match at some of its
// points and not at others.
bool passedOn(Value* result, const Value* range, const Value* criterion) {
  const Value* tested[] = {range, criterion};
  const int count = criterion ? 2 : 1;
  if (Wsf_passNoDerivative(result, count, tested)) return true;
  for (int i = 0; i < count; ++i)
    for (int32_t k = 0; k < Wsf_count(tested[i]); ++k)
      if (Interval enclosure{}; Op_intervalOf(*Wsf_element(tested[i], k), &enclosure))
        return Wsf_error(result, kErrValue), true;
  return false;
}

using CriteriaFunction = Value* (*)(Value* result, int argc, const Value* const* argv);

// A criteria argument that is an array gives one result per criterion: the
// array of the function's results for each of its elements, in its shape
// (one element stands for itself). Null for a criterion of one value.
Value* overCriteria(Value* result, int argc, const Value* const* argv, CriteriaFunction one) {
  if (argc < 2 || argv[1]->kind != kValArray || !argv[1]->array) return nullptr;
  std::vector<const Value*> args(argv, argv + argc);
  const auto each = [&](Value* slot, const Value* criterion) {
    args[1] = criterion;
    one(slot, argc, args.data());
  };
  if (Wsf_count(argv[1]) == 1) {
    each(result, Val_at(argv[1], 0, 0));
    return result;
  }
  return Wsf_overElements(result, argv[1], each);
}

// The worksheet error a criterion's operand names ("#N/A"), as its code.
bool namesError(std::u16string_view operand, uint32_t* code) {
  struct Named {
    std::u16string_view name;
    uint32_t code;
  };
  static const Named kErrors[] = {{u"#NULL!", kErrNull}, {u"#DIV/0!", kErrDiv0}, {u"#VALUE!", kErrValue},
                                  {u"#REF!", kErrRef},   {u"#NAME?", kErrName},  {u"#NUM!", kErrNum},
                                  {u"#N/A", kErrNA}};
  for (const Named& e : kErrors)
    if (Text_equalsNoCase(operand, e.name)) return *code = e.code, true;
  return false;
}

// A text criterion naming an error: "=" picks the cells holding that
// error, "<>" every other cell; an error orders against nothing.
bool matchesNamedError(const Value* candidate, Relation r, uint32_t code) {
  uint32_t held = 0;
  const bool same = candidate->kind == kValError && Vm_errorCode(candidate->number, &held) && held == code;
  if (r == Relation::kEq) return same;
  return r == Relation::kNe && !same;
}

}  // namespace

int32_t Crit_compareText(const char16_t* text, const char16_t* pattern) {
  const std::u16string_view s(text ? text : u""), p(pattern ? pattern : u"");
  if (wildMatch(s, p)) return 0;
  const int32_t o = order(s, p);
  return o == 0 ? 1 : o;
}

bool Crit_match(const Value* candidate, const Value* criterion) {
  if (double x = 0.0; Op_derivativeValue(*candidate, &x)) {
    const Value number = Val_scalar(kValReal, x);
    return Crit_match(&number, criterion);
  }
  if (double x = 0.0; Op_derivativeValue(*criterion, &x)) {
    const Value number = Val_scalar(kValReal, x);
    return Crit_match(candidate, &number);
  }
  if (criterion->kind == kValEmpty) {  // a blank criterion is the number 0
    const Value zero = Val_scalar(kValReal, 0.0);
    return Crit_match(candidate, &zero);
  }
  if (!isText(criterion)) {
    // A number matches a text that reads as that number too.
    if (double x = 0.0; isNumber(criterion) && Op_numericText(*candidate, &x)) return x == criterion->number;
    const bool plainOrError = Wsf_isPlain(criterion) || Wsf_isError(criterion);
    const bool candidateOk = Wsf_isPlain(candidate) || Wsf_isError(candidate);
    if (!plainOrError || !candidateOk || candidate->kind == kValEmpty) return false;
    // A boolean matches booleans only and a number numbers only (TRUE is not 1).
    return candidate->number == criterion->number && Wsf_isError(candidate) == Wsf_isError(criterion) &&
           (candidate->kind == kValBool) == (criterion->kind == kValBool);
  }
  std::u16string_view operand;
  const Relation r = splitOperator(criterion->text ? criterion->text : u"", &operand);
  if (r == Relation::kNe && operand.empty()) return candidate->kind != kValEmpty;
  if (uint32_t code = 0; namesError(operand, &code)) return matchesNamedError(candidate, r, code);
  double number = 0;
  const bool numeric = !operand.empty() && Text_toDouble(operand, &number);
  if (isText(candidate)) {
    // A number operand orders numbers only: a text matches it by = and <> alone.
    if (numeric && r != Relation::kEq && r != Relation::kNe) return false;
    if (double x = 0.0; numeric && Op_numericText(*candidate, &x)) return holds(r, compareNumbers(x, number));
    const std::u16string operandText(operand);
    return holds(r, Crit_compareText(candidate->text, operandText.c_str()));
  }
  if (candidate->kind == kValEmpty) {
    // A blank cell matches "" and "=" (and "<>" followed by anything); it
    // takes part in no ordering.
    if (r == Relation::kEq) return operand.empty();
    return r == Relation::kNe && !operand.empty();
  }
  // A boolean is compared with the words TRUE and FALSE ("TRUE", "<>FALSE").
  const bool truth = Text_equalsNoCase(operand, u"TRUE");
  if (candidate->kind == kValBool && (truth || Text_equalsNoCase(operand, u"FALSE")))
    return holds(r, compareNumbers(candidate->number, truth ? 1 : 0));
  if (!Wsf_isPlain(candidate) || candidate->kind == kValBool) return r == Relation::kNe && !Wsf_isError(candidate);
  if (!numeric) return r == Relation::kNe;
  return holds(r, compareNumbers(candidate->number, number));
}

Value* Wsf_countif(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  if (Value* done = overCriteria(result, argc, argv, Wsf_countif)) return done;
  int32_t count = 0;
  const Value* criterion = argc >= 2 ? argv[1] : nullptr;
  const Value* range = argv[0];
  if (passedOn(result, range, criterion)) return result;
  if (criterion && range->kind == kValArray) {
    for (int32_t r = 0; r < range->array->rows; ++r)
      for (int32_t c = 0; c < range->array->columns; ++c) count += Crit_match(Val_at(range, r, c), criterion);
  } else if (criterion) {
    count = Crit_match(range, criterion);
  }
  Val_clear(result);
  return Val_setInt(result, count);
}

Value* Wsf_sumif(Value* result, int argc, const Value* const* argv) {
  const Value* range = argv[0];
  const Value* source = argc >= 3 && argv[2]->kind != kValMissing ? argv[2] : range;
  if (Wsf_structureHooks(result, argc < 2 ? argc : 2, argv)) {
    if (source != range) mergeDependencies(result, source);
    return result;
  }
  if (Value* done = overCriteria(result, argc, argv, Wsf_sumif)) return done;
  const Value* criterion = argc >= 2 ? argv[1] : nullptr;
  if (passedOn(result, range, criterion)) return result;
  int32_t rows = range->kind == kValArray ? range->array->rows : 1;
  int32_t columns = range->kind == kValArray ? range->array->columns : 1;
  if (source->kind == kValArray) {
    rows = std::min<int32_t>(rows, source->array->rows);
    columns = std::min<int32_t>(columns, source->array->columns);
  } else {
    rows = columns = 1;
  }
  // Numbers add up here; values of the evaluation modes through the
  // generic addition.
  EvalContext* ctx = nullptr;
  const bool modal = Wsf_anyModal(1, &source, &ctx);
  WsfLocal modalSum(ctx);
  double total = 0;
  for (int32_t r = 0; criterion && r < rows; ++r)
    for (int32_t c = 0; c < columns; ++c) {
      const Value* candidate = range->kind == kValArray ? Val_at(range, r, c) : range;
      if (!Crit_match(candidate, criterion)) continue;
      const Value* term = source->kind == kValArray ? Val_at(source, r, c) : source;
      if (Wsf_isError(term)) return Wsf_copy(result, term);
      if (term->kind == kValInt || term->kind == kValReal) total += term->number;
      else if (Op_isModeKind(term->kind)) modalSum = modalSum->kind == kValEmpty ? *term : Op_add(*modalSum, *term);
    }
  if (modal && modalSum->kind != kValEmpty) return Wsf_from(result, Op_addVS(*modalSum, total));
  Val_clear(result);
  return Val_setNumber(result, total);
}
