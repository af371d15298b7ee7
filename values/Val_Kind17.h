// The kind-17 record: a text with a few small fields, copied whole and with no
// arithmetic of its own.
#pragma once

#include <cstdint>

// Characters of the record's text, terminator included.
constexpr int32_t kKind17TextLength = 258;

struct Kind17Record {
  uint8_t tag;
  uint16_t first;
  uint16_t second;
  uint8_t flags[3];
  char16_t text[kKind17TextLength];
  uint32_t last;
};

// Copies every field and the text.
inline bool Val_copyKind17(Kind17Record* dst, const Kind17Record* src) {
  *dst = *src;
  return true;
}
