// Deep copy, release and coercion of spreadsheet values.
#include "excel/Xl_Value.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Counted text: length byte, the characters, and a terminating zero.
bool copyText(XLOPER* target, const char* text) {
  std::size_t length = text ? static_cast<unsigned char>(text[0]) : 0;
  char* buffer = static_cast<char*>(std::calloc(length + 2, 1));
  if (!buffer) return false;
  if (text) std::memcpy(buffer, text, length + 1);
  buffer[0] = static_cast<char>(length);
  target->val.str = buffer;
  return true;
}

// Area block: a 16-bit count, then six bytes per area.
bool copyAreas(XLOPER* target, const XLOPER* source) {
  const XLMREF* areas = source->val.mref.lpmref;
  if (!areas || areas->count == 0) return false;
  std::size_t bytes = offsetof(XLMREF, reftbl) + areas->count * sizeof(XLREF);
  auto* block = static_cast<XLMREF*>(std::calloc(bytes, 1));
  if (!block) return false;
  std::memcpy(block, areas, bytes);
  target->val.mref.lpmref = block;
  target->val.mref.idSheet = source->val.mref.idSheet;
  return true;
}

bool copyElements(XLOPER* target, const XLOPER* source) {
  std::size_t count = std::size_t(source->val.array.rows) * source->val.array.columns;
  if (count == 0 || !source->val.array.lparray) return false;
  auto* block = static_cast<XLOPER*>(std::calloc(count, sizeof(XLOPER)));
  if (!block) return false;
  for (std::size_t k = 0; k < count; ++k) {
    if (Xl_copyValue(&block[k], &source->val.array.lparray[k])) continue;
    for (std::size_t j = 0; j < k; ++j) Xl_releaseValue(&block[j]);
    std::free(block);
    return false;
  }
  target->val.array.lparray = block;
  target->val.array.rows = source->val.array.rows;
  target->val.array.columns = source->val.array.columns;
  return true;
}

XLOPER* newRecord() { return static_cast<XLOPER*>(std::calloc(1, sizeof(XLOPER))); }

}  // namespace

int Xl_copyValue(XLOPER* target, const XLOPER* source) {
  *target = XLOPER{};
  if (!source) return 0;
  XLTYPE type = Xl_type(source);
  bool ok = false;
  switch (type) {
    case xltypeNum: case xltypeBool: case xltypeErr: case xltypeFlow:
    case xltypeMissing: case xltypeNil: case xltypeSRef: case xltypeInt:
      target->val = source->val;
      ok = true;
      break;
    case xltypeStr: ok = copyText(target, source->val.str); break;
    case xltypeRef: ok = copyAreas(target, source); break;
    case xltypeMulti: ok = copyElements(target, source); break;
    default: break;
  }
  if (!ok) {
    *target = XLOPER{};
    return 0;
  }
  target->xltype = type;
  return 1;
}

void Xl_releaseValue(XLOPER* value) {
  if (!value) return;
  switch (Xl_type(value)) {
    case xltypeStr: std::free(value->val.str); break;
    case xltypeRef: std::free(value->val.mref.lpmref); break;
    case xltypeMulti: {
      std::size_t count = std::size_t(value->val.array.rows) * value->val.array.columns;
      if (value->val.array.lparray) {
        for (std::size_t k = 0; k < count; ++k) Xl_releaseValue(&value->val.array.lparray[k]);
      }
      std::free(value->val.array.lparray);
      break;
    }
    default: break;
  }
  *value = XLOPER{};
}

XLOPER* Xl_newCopy(const XLOPER* source) {
  XLOPER* value = newRecord();
  if (value && !Xl_copyValue(value, source)) {
    std::free(value);
    return nullptr;
  }
  return value;
}

void Xl_freeValue(XLOPER* value) {
  if (!value) return;
  Xl_releaseValue(value);
  std::free(value);
}

XLOPER* Xl_newZero() {
  XLOPER* value = newRecord();
  if (value) value->xltype = xltypeNum;
  return value;
}

XLOPER* Xl_newMissing() {
  XLOPER* value = newRecord();
  if (value) value->xltype = xltypeMissing;
  return value;
}

XLOPER* Xl_newText(const char* text, std::size_t length) {
  if (length > 255) return nullptr;
  XLOPER* value = newRecord();
  if (!value) return nullptr;
  char* buffer = static_cast<char*>(std::calloc(length + 2, 1));
  if (!buffer) {
    std::free(value);
    return nullptr;
  }
  buffer[0] = static_cast<char>(length);
  if (length) std::memcpy(buffer + 1, text, length);
  value->val.str = buffer;
  value->xltype = xltypeStr;
  return value;
}

void Xl_giveBack(XLOPER* result) {
  const XLTYPE type = Xl_type(result);
  if (type == xltypeStr || type == xltypeMulti || type == xltypeRef) Excel4(xlFree, nullptr, 1, result);
}

XLOPER* Xl_coerce(const XLOPER* value, XLTYPE type) {
  XLOPER wanted = Xl_integer(type);
  XLOPER result{};
  int rc = Excel4(xlCoerce, &result, 2, value, &wanted);
  XLOPER* copy = nullptr;
  if (rc == xlretSuccess && Xl_type(&result) == type) copy = Xl_newCopy(&result);
  if (rc == xlretSuccess) Xl_giveBack(&result);
  return copy;
}

XlValueList* Xl_newValueList(int count) {
  if (count < 1) return nullptr;
  auto* list = new (std::nothrow) XlValueList;
  if (list) list->items.assign(count, nullptr);
  return list;
}

void Xl_freeValueList(XlValueList* list) {
  if (!list) return;
  for (XLOPER* value : list->items) Xl_freeValue(value);
  delete list;
}
