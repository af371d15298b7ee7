// Variants and arrays of variants: init, clear, copy and element access, and
// the setters the members use for their results.
#include <new>

#include "platform/automation/Auto_Internal.h"

void Auto_variantInit(AutoVariant* v) {
  if (!v) return;
  v->vt = Auto_vtEmpty;
  v->reserved1 = v->reserved2 = v->reserved3 = 0;
  v->currency = 0;
}

namespace {

// Gives back what a variant holds; numbers, booleans, dates, errors and
// empty variants hold nothing.
void release(AutoVariant* v) {
  switch (v->vt) {
    case Auto_vtString: Auto_freeString(v->str); break;
    case Auto_vtDispatch: if (v->dispatch) Auto_release(v->dispatch); break;
    case Auto_vtArray | Auto_vtVariant: Auto_arrayDestroy(v->array); break;
    default: break;
  }
}

}  // namespace

AutoResult Auto_variantClear(AutoVariant* v) {
  if (!v) return Auto_ePointer;
  release(v);
  Auto_variantInit(v);
  return Auto_ok;
}

AutoResult Auto_variantCopy(AutoVariant* dest, const AutoVariant* src) {
  if (!dest || !src) return Auto_ePointer;
  if (dest == src) return Auto_ok;
  AutoVariant copy = *src;
  switch (src->vt) {
    case Auto_vtString:
      copy.str = Auto_allocStringLen(src->str, Auto_stringLen(src->str));
      if (src->str && !copy.str) return Auto_eOutOfMemory;
      break;
    case Auto_vtDispatch:
      if (src->dispatch) Auto_addRef(src->dispatch);
      break;
    case Auto_vtArray | Auto_vtVariant: {
      const AutoArray* a = src->array;
      if (!a) break;
      AutoArray* b = Auto_arrayCreate(a->lower[0], a->count[0], a->lower[1], a->count[1]);
      if (!b) return Auto_eOutOfMemory;
      for (std::size_t i = 0; i < a->items.size(); ++i) Auto_variantCopy(&b->items[i], &a->items[i]);
      copy.array = b;
      break;
    }
    default: break;
  }
  Auto_variantClear(dest);
  *dest = copy;
  return Auto_ok;
}

AutoArray* Auto_arrayCreate(std::int32_t lower1, std::uint32_t rows, std::int32_t lower2, std::uint32_t cols) {
  constexpr std::uint64_t kMaxItems = 1ull << 26;
  if (static_cast<std::uint64_t>(rows) * cols > kMaxItems) return nullptr;
  AutoArray* a = new (std::nothrow) AutoArray;
  if (!a) return nullptr;
  a->lower[0] = lower1;
  a->lower[1] = lower2;
  a->count[0] = rows;
  a->count[1] = cols;
  AutoVariant empty;
  Auto_variantInit(&empty);
  a->items.assign(static_cast<std::size_t>(rows) * cols, empty);
  return a;
}

void Auto_arrayDestroy(AutoArray* a) {
  if (!a) return;
  for (AutoVariant& v : a->items) release(&v);  // the array goes: no need to empty them
  delete a;
}

std::uint32_t Auto_arrayDims(const AutoArray* a) { return a ? 2 : 0; }

AutoResult Auto_arrayBounds(const AutoArray* a, std::uint32_t dim, std::int32_t* lower, std::int32_t* upper) {
  if (!a || !lower || !upper) return Auto_ePointer;
  if (dim < 1 || dim > 2) return Auto_eBadIndex;
  *lower = a->lower[dim - 1];
  *upper = a->lower[dim - 1] + static_cast<std::int32_t>(a->count[dim - 1]) - 1;
  return Auto_ok;
}

namespace {

AutoVariant* elementOf(const AutoArray* a, const std::int32_t* indices) {
  std::int64_t i = static_cast<std::int64_t>(indices[0]) - a->lower[0];
  std::int64_t j = static_cast<std::int64_t>(indices[1]) - a->lower[1];
  if (i < 0 || j < 0 || i >= a->count[0] || j >= a->count[1]) return nullptr;
  return const_cast<AutoVariant*>(&a->items[static_cast<std::size_t>(i * a->count[1] + j)]);
}

}  // namespace

AutoResult Auto_arrayGetElement(const AutoArray* a, const std::int32_t* indices, AutoVariant* out) {
  if (!a || !indices || !out) return Auto_ePointer;
  const AutoVariant* e = elementOf(a, indices);
  if (!e) return Auto_eBadIndex;
  Auto_variantInit(out);
  return Auto_variantCopy(out, e);
}

AutoResult Auto_arrayPtrOfIndex(AutoArray* a, const std::int32_t* indices, AutoVariant** out) {
  if (!a || !indices || !out) return Auto_ePointer;
  *out = elementOf(a, indices);
  return *out ? Auto_ok : Auto_eBadIndex;
}

AutoResult Auto_arrayPutElement(AutoArray* a, const std::int32_t* indices, const AutoVariant* v) {
  if (!a || !indices || !v) return Auto_ePointer;
  AutoVariant* e = elementOf(a, indices);
  if (!e) return Auto_eBadIndex;
  return Auto_variantCopy(e, v);
}

void Auto_setInt(AutoVariant* v, std::int32_t n) {
  Auto_variantClear(v);
  v->vt = Auto_vtI4;
  v->i4 = n;
}

void Auto_setReal(AutoVariant* v, double d) {
  Auto_variantClear(v);
  v->vt = Auto_vtR8;
  v->r8 = d;
}

void Auto_setBool(AutoVariant* v, bool b) {
  Auto_variantClear(v);
  v->vt = Auto_vtBool;
  v->boolean = b ? Auto_true : Auto_false;
}

void Auto_setText(AutoVariant* v, const std::string& utf8) {
  Auto_variantClear(v);
  v->vt = Auto_vtString;
  v->str = Auto_stringFromUtf8(utf8);
}

void Auto_setError(AutoVariant* v, CellError e) {
  Auto_variantClear(v);
  v->vt = Auto_vtError;
  v->error = static_cast<AutoResult>(Auto_cellErrorBase + static_cast<std::uint32_t>(e));
}
