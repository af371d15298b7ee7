// The defined names of a workbook with their index by scope and name.
#include "platform/workbook/Wb_NameTable.h"

#include <algorithm>
#include <bit>

#include "base/Oa_Slots.h"
#include "base/Utf8_Text.h"
#include "platform/workbook/Wb_Letters.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

constexpr std::size_t kMinSlots = 16;

// FNV-1a over the scope and the characters of the name in lower case (as
// Wb_equalNoCase compares them).
std::uint64_t hashOf(std::string_view name, int scopeSheet) {
  std::uint64_t h = 0xcbf29ce484222325u ^ static_cast<std::uint32_t>(scopeSheet);
  Utf8_eachFoldedCharacter(name, [&h](char32_t c) { h = (h ^ c) * 0x100000001b3u; });
  return Oa_mix(h);
}

}  // namespace

std::size_t WbNameTable::slotOf(std::string_view name, int scopeSheet) const {
  return Oa_slotOf(slots_, hashOf(name, scopeSheet), [&](std::size_t k) {
    return names_[k].scopeSheet == scopeSheet && Wb_equalNoCase(names_[k].name, name);
  });
}

void WbNameTable::reindex() {
  slots_.assign(std::max(kMinSlots, std::bit_ceil(2 * (names_.size() + 1))), 0);
  for (std::size_t k = 0; k < names_.size(); ++k)
    slots_[slotOf(names_[k].name, names_[k].scopeSheet)] = Oa_slot(hashOf(names_[k].name, names_[k].scopeSheet), k);
}

const DefinedName* WbNameTable::find(std::string_view name, int scopeSheet) const {
  if (slots_.empty()) return nullptr;
  const std::uint64_t slot = slots_[slotOf(name, scopeSheet)];
  return slot == 0 ? nullptr : &names_[Oa_position(slot)];
}

void WbNameTable::define(const DefinedName& dn) {
  if (2 * (names_.size() + 1) > slots_.size()) reindex();
  std::uint64_t& slot = slots_[slotOf(dn.name, dn.scopeSheet)];
  if (slot != 0) {
    names_[Oa_position(slot)] = dn;
    return;
  }
  names_.push_back(dn);
  slot = Oa_slot(hashOf(dn.name, dn.scopeSheet), names_.size() - 1);
}

bool WbNameTable::erase(std::string_view name, int scopeSheet) {
  const DefinedName* dn = find(name, scopeSheet);
  if (!dn) return false;
  names_.erase(names_.begin() + (dn - names_.data()));
  reindex();
  return true;
}

void WbNameTable::assign(std::vector<DefinedName> names) {
  names_ = std::move(names);
  reindex();
}
