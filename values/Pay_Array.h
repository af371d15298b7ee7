// Storage helpers shared by the payload records of the evaluation modes:
// zeroed 1-based arrays (slot 0 unused) and square matrices held as tables of
// row pointers. A helper that allocates returns null when memory runs out and
// then leaves nothing behind.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

// A zeroed array of n + 1 elements (slots 0..n), or null.
template <class T>
T* Pay_zeroed(int32_t n) {
  return static_cast<T*>(std::calloc(static_cast<size_t>(n < 0 ? 0 : n) + 1, sizeof(T)));
}

// Copies slots 1..n of src into dst.
template <class T>
void Pay_copy(T* dst, const T* src, int32_t n) {
  if (n > 0 && dst && src) std::memcpy(dst + 1, src + 1, static_cast<size_t>(n) * sizeof(T));
}

// Zeroes slots 0..n.
template <class T>
void Pay_zero(T* data, int32_t n) {
  if (data && n >= 0) std::memset(data, 0, (static_cast<size_t>(n) + 1) * sizeof(T));
}

// Frees rows 0..n of a row table and the table itself; null-safe.
template <class T>
void Pay_freeRows(T** rows, int32_t n) {
  if (!rows) return;
  for (int32_t i = 0; i <= n; ++i) std::free(rows[i]);
  std::free(rows);
}

// A zeroed (n + 1) x (n + 1) matrix as a table of row pointers, or null.
template <class T>
T** Pay_newRows(int32_t n) {
  T** rows = Pay_zeroed<T*>(n);
  if (!rows) return nullptr;
  for (int32_t i = 0; i <= n; ++i) {
    rows[i] = Pay_zeroed<T>(n);
    if (!rows[i]) {
      Pay_freeRows(rows, i - 1);
      return nullptr;
    }
  }
  return rows;
}

// Zeroes rows 0..n, columns 0..n.
template <class T>
void Pay_zeroRows(T** rows, int32_t n) {
  for (int32_t i = 0; rows && i <= n; ++i) Pay_zero(rows[i], n);
}

// Copies entries [1..n][1..n] of src into dst.
template <class T>
void Pay_copyRows(T** dst, T* const* src, int32_t n) {
  for (int32_t i = 1; dst && src && i <= n; ++i) Pay_copy(dst[i], src[i], n);
}

// Makes a 1-based array hold slots 1..n: reallocated zeroed when *capacity is
// short, else kept (keep) or zeroed. False, with everything unchanged, when
// the allocation fails.
template <class T>
bool Pay_size(T** data, int32_t* capacity, int32_t n, bool keep) {
  if (*data && *capacity >= n) {
    if (!keep) Pay_zero(*data, n);
    return true;
  }
  T* fresh = Pay_zeroed<T>(n);
  if (!fresh) return false;
  if (keep && *data) Pay_copy(fresh, *data, *capacity);
  std::free(*data);
  *data = fresh;
  *capacity = n;
  return true;
}

// Records of value, gradient 1..n and Hessian (n + 1) x (n + 1) over an
// element type T (double, or Interval): the kind-8 and kind-11 payloads share
// their storage rules through the three routines below.

// Sizes gradient and Hessian for n (zeroed, storage reused when the capacity
// suffices) and binds the record to ctx; false when memory runs out.
template <class T, class Rec, class Ctx>
bool Pay_sizeHessian(Rec* h, int32_t n, Ctx* ctx) {
  if (h->gradient && h->hessian && h->capacity >= n) {
    Pay_zero(h->gradient, n);
    Pay_zeroRows(h->hessian, n);
  } else {
    T* gradient = Pay_zeroed<T>(n);
    T** hessian = gradient ? Pay_newRows<T>(n) : nullptr;
    if (!hessian) {
      std::free(gradient);
      return false;
    }
    std::free(h->gradient);
    Pay_freeRows(h->hessian, h->capacity);
    h->gradient = gradient;
    h->hessian = hessian;
    h->capacity = n;
  }
  h->n = n;
  h->context = ctx;
  return true;
}

// Frees gradient and rows and zeroes the record.
template <class Rec>
void Pay_freeHessian(Rec* h) {
  std::free(h->gradient);
  Pay_freeRows(h->hessian, h->capacity);
  *h = Rec{};
}

// Makes dst a copy of src; false when memory runs out, with dst left empty.
template <class T, class Rec>
bool Pay_setHessian(Rec* dst, const Rec* src) {
  if (dst == src) return true;
  if (!Pay_sizeHessian<T>(dst, src->n, src->context)) {
    Pay_freeHessian(dst);
    return false;
  }
  dst->value = src->value;
  Pay_copy(dst->gradient, src->gradient, src->n);
  Pay_copyRows(dst->hessian, src->hessian, src->n);
  return true;
}
