// Symbols by space and name in one open-addressing index.
#include "interpreter/Prog_SymbolKeys.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "base/Chk_Assert.h"
#include "base/Oa_Slots.h"

namespace {

constexpr std::size_t kMinSlots = 64;

// The name's hash with the space mixed in.
std::uint64_t hashOf(char16_t space, std::u16string_view name) {
  return Oa_mix(std::hash<std::u16string_view>{}(name) ^ (static_cast<std::uint64_t>(space) << 48));
}

// The slot that holds the key, or the empty slot where it would go.
std::size_t slotOf(const SymbolKeys* keys, std::uint64_t hash, char16_t space, std::u16string_view name) {
  return Oa_slotOf(keys->slots, hash, [&](std::size_t k) {
    const SymbolKeys::Entry& e = keys->entries[k];
    return e.length == name.size() + 1 && keys->texts[e.offset] == space &&
           std::u16string_view(keys->texts).substr(e.offset + 1, name.size()) == name;
  });
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
    keys->slots[slotOf(keys, hash, space, name)] = Oa_slot(hash, k);
  }
}

}  // namespace

Symbol* Prog_findKey(const SymbolKeys* keys, char16_t space, std::u16string_view name) {
  if (keys->entries.empty()) return nullptr;
  const std::uint64_t slot = keys->slots[slotOf(keys, hashOf(space, name), space, name)];
  return slot == 0 ? nullptr : keys->entries[Oa_position(slot)].symbol;
}

Symbol* Prog_addKey(SymbolKeys* keys, char16_t space, std::u16string_view name, Symbol* s) {
  CORVAN_ASSERT(keys->entries.size() < kOaPositionMask);
  if (2 * (keys->entries.size() + 1) > keys->slots.size()) grow(keys);
  const std::uint64_t hash = hashOf(space, name);
  std::uint64_t& slot = keys->slots[slotOf(keys, hash, space, name)];
  if (slot != 0) return keys->entries[Oa_position(slot)].symbol;
  keys->entries.push_back(SymbolKeys::Entry{keys->texts.size(), static_cast<std::uint32_t>(name.size() + 1), s});
  keys->texts.push_back(space);
  keys->texts.append(name);
  slot = Oa_slot(hash, keys->entries.size() - 1);
  return s;
}
