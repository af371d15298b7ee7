// Symbols by key, a space and a name: open addressing over entries whose
// texts lie back to back in one buffer, so that tens of thousands of names
// cost a few large blocks rather than a node and a string each, and a
// look-up makes no string of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Symbol;

struct SymbolKeys {
  struct Entry {
    std::size_t offset = 0;  // the key's text in texts: its space, then its name
    std::uint32_t length = 0;
    Symbol* symbol = nullptr;
  };
  std::u16string texts;
  std::vector<Entry> entries;
  // 0 for an empty slot, else the hash's high half above the entry's
  // position + 1; probed linearly from the key's hash.
  std::vector<std::uint64_t> slots;
};

// The symbol of that key, or null.
Symbol* Prog_findKey(const SymbolKeys* keys, char16_t space, std::u16string_view name);
// The symbol of that key; s, newly under it, when it had none.
Symbol* Prog_addKey(SymbolKeys* keys, char16_t space, std::u16string_view name, Symbol* s);
