// Symbols by space and name in one open-addressing index.
#include "interpreter/Prog_SymbolKeys.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "base/Chk_Assert.h"

namespace {

constexpr std::size_t kMinSlots = 64;
constexpr std::uint64_t kPositionMask = 0xffffffffu;

// The name's hash with the space mixed in, its low bits choosing the slot
// and its high half tagging it.
std::uint64_t hashOf(char16_t space, std::u16string_view name) {
  std::uint64_t h = std::hash<std::u16string_view>{}(name) ^ (static_cast<std::uint64_t>(space) << 48);
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  return h ^ (h >> 33);
}

std::uint64_t tagOf(std::uint64_t hash) { return hash & ~kPositionMask; }

bool sameKey(const SymbolKeys* keys, const SymbolKeys::Entry& e, char16_t space, std::u16string_view name) {
  return e.length == name.size() + 1 && keys->texts[e.offset] == space &&
         std::u16string_view(keys->texts).substr(e.offset + 1, name.size()) == name;
}

// The slot that holds the key, or the empty slot where it would go.
std::size_t slotOf(const SymbolKeys* keys, std::uint64_t hash, char16_t space, std::u16string_view name) {
  const std::size_t mask = keys->slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = keys->slots[i];
    if (slot == 0) return i;
    if (tagOf(slot) == tagOf(hash) && sameKey(keys, keys->entries[(slot & kPositionMask) - 1], space, name)) return i;
  }
}

// Twice the slots, the entries placed again.
void grow(SymbolKeys* keys) {
  keys->slots.assign(std::max(kMinSlots, 2 * keys->slots.size()), 0);
  const std::u16string_view texts(keys->texts);
  for (std::size_t k = 0; k < keys->entries.size(); ++k) {
    const SymbolKeys::Entry& e = keys->entries[k];
    const char16_t space = texts[e.offset];
    const std::u16string_view name = texts.substr(e.offset + 1, e.length - 1);
    const std::uint64_t hash = hashOf(space, name);
    keys->slots[slotOf(keys, hash, space, name)] = tagOf(hash) | (k + 1);
  }
}

}  // namespace

Symbol* Prog_findKey(const SymbolKeys* keys, char16_t space, std::u16string_view name) {
  if (keys->entries.empty()) return nullptr;
  const std::uint64_t slot = keys->slots[slotOf(keys, hashOf(space, name), space, name)];
  return slot == 0 ? nullptr : keys->entries[(slot & kPositionMask) - 1].symbol;
}

Symbol* Prog_addKey(SymbolKeys* keys, char16_t space, std::u16string_view name, Symbol* s) {
  CORVAN_ASSERT(keys->entries.size() < kPositionMask);
  if (2 * (keys->entries.size() + 1) > keys->slots.size()) grow(keys);
  const std::uint64_t hash = hashOf(space, name);
  std::uint64_t& slot = keys->slots[slotOf(keys, hash, space, name)];
  if (slot != 0) return keys->entries[(slot & kPositionMask) - 1].symbol;
  keys->entries.push_back(SymbolKeys::Entry{keys->texts.size(), static_cast<std::uint32_t>(name.size() + 1), s});
  keys->texts.push_back(space);
  keys->texts.append(name);
  slot = tagOf(hash) | keys->entries.size();
  return s;
}
