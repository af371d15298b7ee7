// VLOOKUP, HLOOKUP, LOOKUP and MATCH over the one position search.
#include "worksheet/lookup/Wsf_Lookup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string_view>
#include <vector>

#include "base/Dbl_Whole.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/common/Wsf_Shared.h"
#include "worksheet/lookup/Lkp_Args.h"
#include "worksheet/math/Crit_Criteria.h"

namespace {

// Numbers, booleans, empty cells and errors compare by their numbers.
bool numeric(const Value* v) { return v->kind <= kValReal || v->kind == kValError; }

std::u16string_view textOf(const Value* v) { return v->text ? std::u16string_view(v->text) : std::u16string_view(); }

// Case-blind order of two texts.
int compareTexts(std::u16string_view a, std::u16string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char16_t x = Text_foldCase(a[i]), y = Text_foldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// The order of element against value (-1, 0, 1); false when the two are of
// kinds that never compare (a text and a number, a logical and a number: a
// search passes over the elements of another kind than its value).
bool compare(const Value* element, const Value* value, int* order) {
  if (element->kind == kValText && value->kind == kValText) {
    *order = compareTexts(textOf(element), textOf(value));
    return true;
  }
  if (!numeric(element) || !numeric(value) || Wsf_isError(element) != Wsf_isError(value) ||
      (element->kind == kValBool) != (value->kind == kValBool))
    return false;
  *order = element->number < value->number ? -1 : element->number > value->number ? 1 : 0;
  return true;
}

// An exact search for a text with '*', '?' or '~' matches it as a pattern.
bool hasWildcard(std::u16string_view text) { return text.find_first_of(u"*?~") != std::u16string_view::npos; }

int32_t lineLength(const Value* table, bool down) { return down ? table->array->rows : table->array->columns; }
const Value* lineAt(const Value* table, bool down, int32_t i) {
  return down ? Val_at(table, i, 0) : Val_at(table, 0, i);
}

// The kinds an element compares with a value of (compare): numbers and
// empty cells, texts, logicals, errors; -1 for a value that compares with
// nothing.
constexpr size_t kKinds = 4;
int kindOf(const Value* v) {
  if (v->kind == kValText) return 1;
  if (v->kind == kValBool) return 2;
  if (Wsf_isError(v)) return 3;
  return numeric(v) ? 0 : -1;
}

// The positions of a line's elements by kind, in order and stably sorted
// by value (equal ones in order).
struct SearchIndex {
  std::array<std::vector<int32_t>, kKinds> same, sorted;
};

SearchIndex indexOf(const Value* table, bool down) {
  SearchIndex index;
  for (int32_t i = 0; i < lineLength(table, down); ++i)
    if (const int k = kindOf(lineAt(table, down, i)); k >= 0) index.same[static_cast<size_t>(k)].push_back(i);
  for (size_t k = 0; k < kKinds; ++k) {
    index.sorted[k] = index.same[k];
    std::stable_sort(index.sorted[k].begin(), index.sorted[k].end(), [&](int32_t a, int32_t b) {
      int order = 0;
      compare(lineAt(table, down, a), lineAt(table, down, b), &order);
      return order < 0;
    });
  }
  return index;
}

// Whether facts about a table are kept for the next elements of a lifted
// call: an argument's array of several elements, never the table of one
// cell made of a lone value.
bool shareable(const Value* table) {
  return Wsf_sharing() && table->kind == kValArray && table->array &&
         static_cast<int64_t>(table->array->rows) * table->array->columns > 1;
}

// A fact about the line down a table or across it.
WsfSharedFact along(WsfSharedFact fact, bool down) {
  return static_cast<WsfSharedFact>(fact + (down ? 0 : kWsfFactCount));
}

// The fact of type T about a line of a table, kept when shareable.
template <typename T, typename Make>
T lineFact(const Value* table, bool down, WsfSharedFact fact, Make make) {
  if (!shareable(table)) return make();
  return *Wsf_shared<T>(table, along(fact, down), make);
}

// The first value on the searched line the evaluation mode could not
// compute; null when there is none.
const Value* unknownOnLine(const Value* table, bool down) {
  return lineFact<const Value*>(table, down, kWsfFactUnknown, [&]() -> const Value* {
    for (int32_t i = 0; i < lineLength(table, down); ++i)
      if (const Value* e = lineAt(table, down, i); Val_isNoDerivative(e)) return e;
    return nullptr;
  });
}

// Such a value copied into the result: where the search would stop is
// not known.
bool lineUnknown(Value* result, const Value* table, bool down) {
  const Value* e = unknownOnLine(table, down);
  return e && (Wsf_copy(result, e), true);
}

// The same for a lone value searched as a table of one cell.
bool loneUnknown(Value* result, const Value* table) {
  return table->kind != kValArray && Wsf_passNoDerivative(result, 1, &table);
}

// Whether every element of the searched line is a key.
bool keyLine(const Value* table, bool down) {
  return lineFact<bool>(table, down, kWsfFactKeyLine, [&] {
    for (int32_t i = 0; i < lineLength(table, down); ++i)
      if (!Lkp_isKey(lineAt(table, down, i))) return false;
    return true;
  });
}

// A table as an array: a lone value is a table of one cell. Its array is
// null when memory ran out (status 2 raised).
struct Table {
  WsfLocal one;
  const Value* v;
  explicit Table(const Value* x) : one(x->context), v(x) {
    if (x->kind == kValArray) return;
    v = nullptr;
    if (Val_makeArray(&one.v, 1, 1) != kStatusOk) return;
    Val_assign(Val_at(&one.v, 0, 0), x);
    v = &one.v;
  }
};

// The search of a vector: down when it has at least as many rows as columns.
bool downOf(const Value* vector) { return vector->array->rows >= vector->array->columns; }

// The scalar arguments' first error, then a search key that is no key.
bool keyFault(Value* result, int argc, const Value* const* argv, int line) {
  for (int i = 0; i < argc; ++i)
    if (i != line && Wsf_isError(argv[i])) {
      Wsf_copy(result, argv[i]);
      return true;
    }
  if (Lkp_isKey(argv[0])) return false;
  Wsf_error(result, kErrValue);
  return true;
}

// A whole-number argument (truncated) in *out; otherwise the result is its
// error, or #VALUE! when it gives no number that fits.
bool wholeArg(Value* result, const Value* v, int32_t* out) {
  if (Wsf_isError(v)) return Wsf_copy(result, v), false;
  if (v->kind > kValReal || !Dbl_toWhole(v->number, out)) return Wsf_error(result, kErrValue), false;
  return true;
}

// The faults of a table lookup's arguments in the worksheet's order: the
// value's error, the index's fault, the range-lookup flag's, a value that
// is no key, an index below 1. The index in *k.
bool tableFault(Value* result, int argc, const Value* const* argv, int32_t* k) {
  if (Wsf_isError(argv[0])) return Wsf_copy(result, argv[0]), true;
  if (!wholeArg(result, argv[2], k)) return true;
  if (argc > 3 && Wsf_isError(argv[3])) return Wsf_copy(result, argv[3]), true;
  if ((argc > 3 && argv[3]->kind > kValReal) || !Lkp_isKey(argv[0]) || *k < 1)
    return Wsf_error(result, kErrValue), true;
  return false;
}

// VLOOKUP (down) and HLOOKUP. Errors in the table are compared as keys and
// answered as elements; they do not spoil the lookup of other rows.
Value* tableLookup(Value* result, int argc, const Value* const* argv, bool down) {
  const Value* value = argv[0];
  const Value* index = argv[2];
  const bool keyed = Lkp_isKey(value) && argv[1]->kind == kValArray && Lkp_isKey(index) && keyLine(argv[1], down) &&
                     (argc < 4 || Wsf_isPlain(argv[3]));
  if (!keyed && Wsf_structureHooks(result, argc, argv)) return result;
  int32_t k = 0;
  if (tableFault(result, argc, argv, &k)) return result;
  const bool approximate = argc < 4 || argv[3]->number != 0;
  if (loneUnknown(result, argv[1])) return result;
  // A table of one error is a table of one cell: an index past it is #REF!,
  // and the search passes over the error.
  if (argv[1]->kind != kValArray && argv[1]->kind != kValText && argv[1]->kind > kValReal && !Wsf_isError(argv[1]))
    return Wsf_error(result, kErrNA);
  const Table table(argv[1]);
  if (!table.v) return Wsf_error(result, kErrValue);
  if (k > (down ? table.v->array->columns : table.v->array->rows)) return Wsf_error(result, kErrRef);
  if (lineUnknown(result, table.v, down)) return result;
  const int32_t p = Wsf_lookupSearch(value, table.v, down, approximate ? 1 : 0);
  if (p < 1) return Wsf_error(result, kErrNA);
  const int32_t line = k - 1;
  return Lkp_pick(result, down ? Val_at(table.v, p - 1, line) : Val_at(table.v, line, p - 1));
}

// LOOKUP(value, vector, results): the element of results at the position
// found, along a wide results array and down any other.
Value* vectorLookup(Value* result, const Value* value, const Value* vectorArg, const Value* results) {
  const Table vector(vectorArg);
  if (!vector.v) return Wsf_error(result, kErrValue);
  if (lineUnknown(result, vector.v, downOf(vector.v))) return result;
  const int32_t p = Wsf_lookupSearch(value, vector.v, downOf(vector.v), 1);
  if (p < 1) return Wsf_error(result, kErrNA);
  if (results->kind != kValArray) return p == 1 ? Lkp_pick(result, results) : Wsf_error(result, kErrRef);
  const bool across = results->array->rows < results->array->columns;
  if (p > lineLength(results, !across)) return Wsf_error(result, kErrRef);
  return Lkp_pick(result, across ? Val_at(results, 0, p - 1) : Val_at(results, p - 1, 0));
}

// LOOKUP(value, array): along the first row into the last row of a wide
// array, else down the first column into the last column.
Value* arrayLookup(Value* result, const Value* value, const Value* arrayArg) {
  const Table array(arrayArg);
  const Value* a = array.v;
  if (!a) return Wsf_error(result, kErrValue);
  const bool down = downOf(a);
  if (lineUnknown(result, a, down)) return result;
  const int32_t p = Wsf_lookupSearch(value, a, down, 1);
  if (p < 1) return Wsf_error(result, kErrNA);
  return Lkp_pick(result, down ? Val_at(a, p - 1, a->array->columns - 1) : Val_at(a, a->array->rows - 1, p - 1));
}

// Every element a key or an error.
bool searchable(const Value* v) {
  return lineFact<bool>(v, true, kWsfFactSearchable, [&] {
    for (int32_t i = 0; i < Wsf_count(v); ++i)
      if (!Lkp_isKey(Wsf_element(v, i)) && !Wsf_isError(Wsf_element(v, i))) return false;
    return true;
  });
}

}  // namespace

int32_t Wsf_lookupSearch(const Value* value, const Value* table, bool down, int32_t matchType) {
  const int32_t n = lineLength(table, down);
  const int k = kindOf(value);
  const bool pattern = value->kind == kValText && hasWildcard(textOf(value));
  const bool shared = shareable(table) && k >= 0;
  int order = 0;
  if (matchType != 1 && matchType != -1 && (pattern || !shared)) {
    for (int32_t i = 0; i < n; ++i) {
      const Value* e = lineAt(table, down, i);
      if (pattern ? e->kind == kValText && Crit_compareText(e->text, value->text) == 0
                  : compare(e, value, &order) && order == 0)
        return i + 1;
    }
    return 0;
  }
  if (k < 0) return 0;
  std::shared_ptr<const SearchIndex> index;
  if (shared)
    index = Wsf_shared<SearchIndex>(table, along(kWsfFactSearchIndex, down), [&] { return indexOf(table, down); });
  if (matchType != 1 && matchType != -1) {
    const std::vector<int32_t>& sorted = index->sorted[static_cast<size_t>(k)];
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), value, [&](int32_t i, const Value* x) {
      return compare(lineAt(table, down, i), x, &order) && order < 0;
    });
    return at != sorted.end() && compare(lineAt(table, down, *at), value, &order) && order == 0 ? *at + 1 : 0;
  }
  // The approximate search halves the elements of the value's kind, as the
  // worksheet does: on unsorted data it lands where the halving leads.
  std::vector<int32_t> own;
  if (!index)
    for (int32_t i = 0; i < n; ++i)
      if (compare(lineAt(table, down, i), value, &order)) own.push_back(i);
  const std::vector<int32_t>& same = index ? index->same[static_cast<size_t>(k)] : own;
  int32_t last = 0, lo = 0, hi = static_cast<int32_t>(same.size()) - 1;
  while (lo <= hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    compare(lineAt(table, down, same[static_cast<size_t>(mid)]), value, &order);
    if (order == matchType) {
      hi = mid - 1;
    } else {
      last = same[static_cast<size_t>(mid)] + 1;
      lo = mid + 1;
    }
  }
  return last;
}

Value* Wsf_vlookup(Value* result, int argc, const Value* const* argv) { return tableLookup(result, argc, argv, true); }

Value* Wsf_hlookup(Value* result, int argc, const Value* const* argv) { return tableLookup(result, argc, argv, false); }

Value* Wsf_lookup(Value* result, int argc, const Value* const* argv) {
  const Value* value = argv[0];
  const Value* vector = argv[1];
  const bool three = argc > 2 && argv[2]->kind != kValMissing;
  const bool keyed = Lkp_isKey(value) && (three || (vector->kind == kValArray && keyLine(vector, downOf(vector))));
  if (!keyed && Wsf_structureHooks(result, 2, argv)) return result;
  if (keyFault(result, argc, argv, 1)) return result;
  if (three && !searchable(vector)) return Wsf_error(result, kErrValue);
  if (loneUnknown(result, vector)) return result;
  if (vector->kind != kValArray && vector->kind != kValText && vector->kind > kValReal)
    return Wsf_error(result, kErrNA);
  return three ? vectorLookup(result, value, vector, argv[2]) : arrayLookup(result, value, vector);
}

Value* Wsf_match(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  if (Wsf_isError(argv[0])) return Wsf_copy(result, argv[0]);
  // The type's fault comes next; only its sign tells the search.
  int32_t type = 1;
  if (argc > 2 && !wholeArg(result, argv[2], &type)) return result;
  const int32_t matchType = type > 0 ? 1 : type < 0 ? -1 : 0;
  if (keyFault(result, argc, argv, 1)) return result;
  const Value* line = argv[1];
  if (!searchable(line)) return Wsf_error(result, kErrValue);
  if (line->kind == kValArray && line->array->rows > 1 && line->array->columns > 1) return Wsf_error(result, kErrNA);
  const Table table(line);
  if (!table.v) return Wsf_error(result, kErrValue);
  if (lineUnknown(result, table.v, downOf(table.v))) return result;
  const int32_t p = Wsf_lookupSearch(argv[0], table.v, downOf(table.v), matchType);
  if (p < 1) return Wsf_error(result, kErrNA);
  Val_clear(result);
  return Val_setInt(result, p);
}
