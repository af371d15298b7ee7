// Ownership of spreadsheet values (XLOPER records).
//
// The library keeps values beyond the call that produced them (options, the
// model's references, result blocks), so every value it keeps is a deep copy
// in memory of its own, released deep. Values the application returned are
// given back with xlFree right after they are copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/xlcall/Xlcall.h"

// Deep copy of `source` into `target`: 1 on success, 0 on failure (an
// unknown type, a reference without areas, an empty array, no memory); on
// failure `target` is left zeroed (type 0).
int Xl_copyValue(XLOPER* target, const XLOPER* source);
// Scalar values built in place, for arguments of application calls.
inline XLOPER Xl_number(double x) {
  XLOPER v{};
  v.xltype = xltypeNum;
  v.val.num = x;
  return v;
}
inline XLOPER Xl_integer(int n) {
  XLOPER v{};
  v.xltype = xltypeInt;
  v.val.w = static_cast<std::int16_t>(n);
  return v;
}
inline XLOPER Xl_boolean(bool b) {
  XLOPER v{};
  v.xltype = xltypeBool;
  v.val.xbool = b;
  return v;
}

// Releases what a copied value owns (text, area block, elements) and zeroes
// the record. Safe on a zeroed record.
void Xl_releaseValue(XLOPER* value);

// Owned values: a record of the library's own holding a deep copy. None
// (nullptr) on failure. Xl_freeValue releases the value and the record and
// does nothing for none.
XLOPER* Xl_newCopy(const XLOPER* source);
void Xl_freeValue(XLOPER* value);
// Holds an owned value for the length of a scope.
struct XlFreeValue {
  void operator()(XLOPER* value) const { Xl_freeValue(value); }
};
using XlOwned = std::unique_ptr<XLOPER, XlFreeValue>;
XLOPER* Xl_newZero();                                   // the number 0
XLOPER* Xl_newMissing();                                // a missing argument
XLOPER* Xl_newText(const char* text, std::size_t length);  // at most 255 characters

// The value converted by the application to `type` (for example xltypeNum or
// xltypeInt), as an owned value; none when the conversion fails or gives
// another type. The application's result is given back in every case.
XLOPER* Xl_coerce(const XLOPER* value, XLTYPE type);
// Gives a result of the application back (xlFree): only a text, an array or
// a reference holds memory of the application's, so only those are freed.
void Xl_giveBack(XLOPER* result);

// A counted list of owned values; slots start empty (nullptr).
struct XlValueList {
  std::vector<XLOPER*> items;
};
XlValueList* Xl_newValueList(int count);                // none for a count below 1
void Xl_freeValueList(XlValueList* list);               // frees every value, then the list

// Type of a value without the memory-ownership flags.
inline XLTYPE Xl_type(const XLOPER* value) {
  return static_cast<XLTYPE>(value->xltype & ~(xlbitXLFree | xlbitDLLFree));
}
