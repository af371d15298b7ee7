// Collecting worksheet arguments into arrays under the collect modes, and
// the index sort.
#include "worksheet/numeric/Num_Gather.h"

#include <cmath>
#include <utility>

#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Collect.h"

namespace {

enum Class { kNumber, kBlank, kLogical, kError, kModal, kOther };

Class classOf(const Value* v) {
  switch (v->kind) {
    case kValInt:
    case kValReal: return kNumber;
    case kValEmpty: return kBlank;
    case kValBool:
    case kValText: return kLogical;
    case kValError: return kError;
    default: return v->kind >= kValSamples && v->kind <= kValDegVec ? kModal : kOther;
  }
}

// Stores numbers as doubles; evaluation-mode values are refused.
struct Doubles {
  std::vector<double>* out;
  static constexpr bool kTakesModal = false;
  void number(const Value* v) { out->push_back(v->number); }
  void value(double x) { out->push_back(x); }
  void reset() { out->assign(1, 0.0); }
  void empty() { out->clear(); }
};

// Stores whole values.
struct Values {
  NumValues* out;
  static constexpr bool kTakesModal = true;
  void number(const Value* v) {
    out->items.push_back(Val_empty(v->context));
    Val_assign(&out->items.back(), v);
  }
  void value(double x) {
    out->items.push_back(Value{});
    Val_setNumber(&out->items.back(), x);
  }
  void reset() { out->clear(); }
  void empty() {
    out->clear();
    out->items.clear();
  }
};

bool fail(Value* result, uint32_t code) { return Wsf_error(result, code), false; }
bool passOn(Value* result, const Value* e) { return Wsf_copy(result, e), false; }
bool succeed(Value* result) {
  Val_clear(result);
  Val_setBool(result, 1);
  return true;
}

// The error of a boolean or text met where the mode refuses it.
uint32_t refusal(int32_t mode) { return mode == kCollectStrictNum ? kErrNum : kErrValue; }

bool isNumberLike(Class c, bool takesModal) { return c == kNumber || (takesModal && c == kModal); }

template <typename Sink>
bool walkArray(const Value* arg, int32_t mode, Sink& sink, Value* result) {
  const int32_t n = Wsf_count(arg);
  for (int32_t i = 0; i < n; ++i) {
    const Value* e = Wsf_element(arg, i);
    const Class c = classOf(e);
    if (isNumberLike(c, Sink::kTakesModal)) sink.number(e);
    else if (c == kBlank) {
      if ((mode == kCollectRangeBlanks && n > 1) || mode == kCollectBlanksAsZero) sink.value(0.0);
    } else if (c == kLogical) {
      const bool skipped = mode == kCollectSkipTexts || (mode == kCollectLenient && n >= 2);
      if (!skipped) return fail(result, refusal(mode));
    } else if (c == kError) {
      return passOn(result, e);
    } else {
      return fail(result, kErrValue);
    }
  }
  return true;
}

// The samples of a sample vector, when the context aggregates them.
template <typename Sink>
bool samplesInto(const Value* arg, Sink& sink, Value* result) {
  const EvalContext* ctx = arg->context ? arg->context : result->context;
  const auto* s = static_cast<const SampleVector*>(arg->payload);
  if (!ctx || !ctx->flags.aggregate || !s) return fail(result, kErrValue);
  for (int32_t i = 1; i <= s->n; ++i) sink.value(s->data[i]);
  return true;
}

template <typename Sink>
bool into(const Value* arg, int32_t mode, Sink& sink, Value* result) {
  if (arg->kind == kValArray) return walkArray(arg, mode, sink, result);
  if (arg->kind == kValSamples && !Sink::kTakesModal) return samplesInto(arg, sink, result);
  switch (classOf(arg)) {
    case kBlank:
      if (mode == kCollectBlanksAsZero) sink.value(0.0);
      return true;
    case kLogical: return fail(result, refusal(mode));
    case kError: return passOn(result, arg);
    default:
      if (!isNumberLike(classOf(arg), Sink::kTakesModal)) return fail(result, kErrValue);
      sink.number(arg);
      return true;
  }
}

template <typename Sink>
bool gather(const Value* arg, int32_t mode, Sink sink, Value* result) {
  sink.reset();
  if (into(arg, mode, sink, result)) return succeed(result);
  sink.empty();
  return false;
}

// The first element of an argument (itself when it is no array).
const Value* firstOf(const Value* v) { return Wsf_count(v) > 0 ? Wsf_element(v, 0) : v; }

// One pair of elements, neither an error, of two ranges of n elements:
// stored, dropped, or false with the result formed.
template <typename Sink>
bool takePair(const Value* p, const Value* q, int32_t n, int32_t mode, Sink& xs, Sink& ys, int32_t* stored,
              Value* result) {
  const Class cp = classOf(p), cq = classOf(q);
  const auto usable = [](Class c) { return isNumberLike(c, Sink::kTakesModal) || c == kBlank; };
  if (cp == kLogical || cq == kLogical) return (mode == kCollectLenient && n > 1) || fail(result, refusal(mode));
  if (!usable(cp) || !usable(cq)) return fail(result, kErrValue);
  const bool blank = cp == kBlank || cq == kBlank;
  if (blank && !(mode == kCollectRangeBlanks && n > 1)) return true;
  cp == kBlank ? xs.value(0.0) : xs.number(p);
  cq == kBlank ? ys.value(0.0) : ys.number(q);
  ++*stored;
  return true;
}

template <typename Sink>
bool pairsInto(const Value* x, const Value* y, int32_t mode, Sink& xs, Sink& ys, Value* result) {
  const int32_t n = Wsf_count(x);
  int32_t stored = 0;
  if (x->kind == kValArray && y->kind == kValArray) {
    const auto take = [&](const Value* p, const Value* q) { return takePair(p, q, n, mode, xs, ys, &stored, result); };
    if (!Kern_walkPairs(x, y, result, take)) return false;
  } else {
    if (n != Wsf_count(y)) return fail(result, kErrNA);
    // A single value on either side: one pair of numbers, the first
    // elements of an array.
    const Value* p = firstOf(x);
    const Value* q = firstOf(y);
    if (Wsf_isError(p) || Wsf_isError(q)) return passOn(result, Wsf_isError(p) ? p : q);
    if (!isNumberLike(classOf(p), Sink::kTakesModal) || !isNumberLike(classOf(q), Sink::kTakesModal))
      return fail(result, kErrValue);
    xs.number(p), ys.number(q);
    ++stored;
  }
  return stored > 0 || fail(result, kErrDiv0);
}

template <typename Sink>
bool gatherPairs(const Value* x, const Value* y, int32_t mode, Sink xs, Sink ys, Value* result) {
  xs.reset(), ys.reset();
  if (pairsInto(x, y, mode, xs, ys, result)) return succeed(result);
  xs.empty(), ys.empty();
  return false;
}

void insertionSort(int32_t l, int32_t r, const double* values, uint32_t* index) {
  for (int32_t j = l + 1; j <= r; ++j) {
    const uint32_t moved = index[j];
    int32_t i = j - 1;
    for (; i >= l && values[index[i]] > values[moved]; --i) index[i + 1] = index[i];
    index[i + 1] = moved;
  }
}

// Orders index[l], index[l + 1] and index[r] so that the value at l lies
// between the other two, then partitions l .. r around it; the pivot ends
// at *j and the right side starts at *i.
void partition(int32_t l, int32_t r, const double* values, uint32_t* index, int32_t* i, int32_t* j) {
  const auto v = [&](int32_t k) { return values[index[k]]; };
  std::swap(index[(l + r) / 2], index[l + 1]);
  if (v(l + 1) > v(r)) std::swap(index[l + 1], index[r]);
  if (v(l) > v(r)) std::swap(index[l], index[r]);
  if (v(l + 1) > v(l)) std::swap(index[l + 1], index[l]);
  const uint32_t pivot = index[l];
  const double p = values[pivot];
  *i = l + 1, *j = r;
  for (;;) {
    do ++*i;
    while (v(*i) < p);
    do --*j;
    while (v(*j) > p);
    if (*j < *i) break;
    std::swap(index[*i], index[*j]);
  }
  index[l] = index[*j];
  index[*j] = pivot;
}

}  // namespace

bool Num_gatherNumbers(const Value* arg, int32_t mode, std::vector<double>* out, Value* result) {
  return gather(arg, mode, Doubles{out}, result);
}

bool Num_gatherArgNumbers(int argc, const Value* const* argv, int32_t mode, std::vector<std::vector<double>>* perArg,
                          Value* result) {
  perArg->assign(static_cast<size_t>(argc) + 1, {});
  for (int i = 1; i <= argc; ++i) {
    const Value* a = argv[i - 1];
    std::vector<double>& out = (*perArg)[static_cast<size_t>(i)];
    const Class c = classOf(a);
    bool ok = true;
    if (a->kind == kValArray) ok = Num_gatherNumbers(a, mode, &out, result);
    else if (c == kNumber) out = {0.0, a->number};
    else if (c == kBlank) out = mode == kCollectBlanksAsZero ? std::vector<double>{0.0, 0.0} : std::vector<double>{};
    else if (c == kLogical) ok = mode == kCollectSkipTexts || fail(result, refusal(mode));
    else if (c == kError) ok = passOn(result, a);
    else ok = fail(result, kErrValue);
    if (!ok) {
      perArg->clear();
      return false;
    }
  }
  return succeed(result);
}

std::vector<double> Num_flattenArrays(const std::vector<std::vector<double>>& perArg) {
  std::vector<double> all(1, 0.0);
  for (size_t i = 1; i < perArg.size(); ++i)
    if (perArg[i].size() > 1) all.insert(all.end(), perArg[i].begin() + 1, perArg[i].end());
  return all;
}

bool Num_gatherPairs(const Value* x, const Value* y, int32_t mode, std::vector<double>* xs, std::vector<double>* ys,
                     Value* result) {
  return gatherPairs(x, y, mode, Doubles{xs}, Doubles{ys}, result);
}

bool Num_gatherValues(const Value* arg, int32_t mode, NumValues* out, Value* result) {
  return gather(arg, mode, Values{out}, result);
}

bool Num_gatherValuePairs(const Value* x, const Value* y, int32_t mode, NumValues* xs, NumValues* ys, Value* result) {
  return gatherPairs(x, y, mode, Values{xs}, Values{ys}, result);
}

bool Num_valueToMatrix(const Value* v, NumMatrix* m, int32_t* rows, int32_t* columns) {
  m->clear();
  *rows = *columns = 0;
  if (v->kind == kValSamples && v->payload) {
    const auto* s = static_cast<const SampleVector*>(v->payload);
    const bool samples = v->context && v->context->flags.aggregate;
    m->assign(2, std::vector<double>(static_cast<size_t>(s->n) + 1, 0.0));
    for (int32_t j = 1; samples && j <= s->n; ++j) (*m)[1][static_cast<size_t>(j)] = s->data[j];
    *rows = 1, *columns = s->n;
    return true;
  }
  if (v->kind != kValArray || !v->array) return false;
  const int32_t r = v->array->rows, c = v->array->columns;
  m->assign(static_cast<size_t>(r) + 1, std::vector<double>(static_cast<size_t>(c) + 1, 0.0));
  for (int32_t i = 0; i < r; ++i)
    for (int32_t j = 0; j < c; ++j) {
      const Value* e = Val_at(v, i, j);
      if (e->kind != kValEmpty && e->kind != kValMissing && e->kind != kValInt && e->kind != kValReal) {
        m->clear();
        return false;
      }
      (*m)[static_cast<size_t>(i) + 1][static_cast<size_t>(j) + 1] = e->number;
    }
  *rows = r, *columns = c;
  return true;
}

bool Num_arrayToMatrix(const Value* v, NumMatrix* m, int32_t* rows, int32_t* columns) {
  m->clear();
  *rows = *columns = 0;
  if (v->kind != kValArray || !v->array) return false;
  const int32_t r = v->array->rows, c = v->array->columns;
  m->assign(static_cast<size_t>(r) + 1, std::vector<double>(static_cast<size_t>(c) + 1, NAN));
  if (c >= 1) (*m)[0][1] = c;
  if (r >= 1) (*m)[1][0] = r;
  for (int32_t i = 0; i < r; ++i)
    for (int32_t j = 0; j < c; ++j) {
      const Value* e = Val_at(v, i, j);
      if (e->kind == kValBool || e->kind == kValInt || e->kind == kValReal)
        (*m)[static_cast<size_t>(i) + 1][static_cast<size_t>(j) + 1] = e->number;
    }
  *rows = r, *columns = c;
  return true;
}

bool Num_indexSort(int32_t n, const double* values, uint32_t* index) {
  constexpr int32_t kInsertion = 7;
  constexpr size_t kStack = 50;
  for (int32_t i = 1; i <= n; ++i) index[i] = static_cast<uint32_t>(i);
  std::vector<int32_t> stack;
  int32_t l = 1, r = n;
  for (;;) {
    if (r - l < kInsertion) {
      insertionSort(l, r, values, index);
      if (stack.empty()) return true;
      r = stack.back(), stack.pop_back();
      l = stack.back(), stack.pop_back();
      continue;
    }
    int32_t i = 0, j = 0;
    partition(l, r, values, index, &i, &j);
    if (stack.size() + 2 > kStack) return false;
    // The larger side waits; the smaller goes on.
    if (r - i + 1 < j - l) {
      stack.push_back(l), stack.push_back(j - 1);
      l = i;
    } else {
      stack.push_back(i), stack.push_back(r);
      r = j - 1;
    }
  }
}
