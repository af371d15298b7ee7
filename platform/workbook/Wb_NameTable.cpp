// The defined names of a workbook with their index by scope and name.
#include "platform/workbook/Wb_NameTable.h"

#include <algorithm>
#include <bit>

#include "platform/workbook/Wb_Workbook.h"

namespace {

constexpr std::size_t kMinSlots = 16;
constexpr std::uint64_t kPositionMask = 0xffffffffu;

// FNV-1a over the scope and the name with its ASCII letters in lower case,
// then mixed so that its low bits choose the slot and its high half tags it.
std::uint64_t hashOf(std::string_view name, int scopeSheet) {
  std::uint64_t h = 0xcbf29ce484222325u ^ static_cast<std::uint32_t>(scopeSheet);
  for (char c : name) h = (h ^ static_cast<unsigned char>(Wb_foldCase(c))) * 0x100000001b3u;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  return h ^ (h >> 33);
}

std::uint64_t tagOf(std::uint64_t hash) { return hash & ~kPositionMask; }

}  // namespace

std::size_t WbNameTable::slotOf(std::string_view name, int scopeSheet) const {
  const std::uint64_t hash = hashOf(name, scopeSheet);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return i;
    if (tagOf(slot) != tagOf(hash)) continue;
    const DefinedName& dn = names_[(slot & kPositionMask) - 1];
    if (dn.scopeSheet == scopeSheet && Wb_equalNoCase(dn.name, name)) return i;
  }
}

void WbNameTable::reindex() {
  slots_.assign(std::max(kMinSlots, std::bit_ceil(2 * (names_.size() + 1))), 0);
  for (std::size_t k = 0; k < names_.size(); ++k)
    slots_[slotOf(names_[k].name, names_[k].scopeSheet)] =
        tagOf(hashOf(names_[k].name, names_[k].scopeSheet)) | (k + 1);
}

const DefinedName* WbNameTable::find(std::string_view name, int scopeSheet) const {
  if (slots_.empty()) return nullptr;
  const std::uint64_t slot = slots_[slotOf(name, scopeSheet)];
  return slot == 0 ? nullptr : &names_[(slot & kPositionMask) - 1];
}

void WbNameTable::define(const DefinedName& dn) {
  if (2 * (names_.size() + 1) > slots_.size()) reindex();
  std::uint64_t& slot = slots_[slotOf(dn.name, dn.scopeSheet)];
  if (slot != 0) {
    names_[(slot & kPositionMask) - 1] = dn;
    return;
  }
  names_.push_back(dn);
  slot = tagOf(hashOf(dn.name, dn.scopeSheet)) | names_.size();
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
