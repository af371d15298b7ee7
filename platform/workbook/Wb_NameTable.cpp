// The defined names of a workbook with their index by scope and name.
#include "platform/workbook/Wb_NameTable.h"

namespace {

// The scope, then the name with its ASCII letters in lower case: equal for
// names the workbook takes as the same.
std::string key(std::string_view name, int scopeSheet) {
  std::string k = std::to_string(scopeSheet);
  k.reserve(k.size() + 1 + name.size());
  k += '!';
  for (char c : name) k += Wb_foldCase(c);
  return k;
}

}  // namespace

const DefinedName* WbNameTable::find(std::string_view name, int scopeSheet) const {
  auto it = index_.find(key(name, scopeSheet));
  return it == index_.end() ? nullptr : &names_[it->second];
}

void WbNameTable::define(const DefinedName& dn) {
  auto [it, added] = index_.try_emplace(key(dn.name, dn.scopeSheet), names_.size());
  if (added) names_.push_back(dn);
  else names_[it->second] = dn;
}

bool WbNameTable::erase(std::string_view name, int scopeSheet) {
  auto it = index_.find(key(name, scopeSheet));
  if (it == index_.end()) return false;
  const std::size_t at = it->second;
  index_.erase(it);
  names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(at));
  for (auto& [k, position] : index_)
    if (position > at) --position;
  return true;
}

void WbNameTable::assign(std::vector<DefinedName> names) {
  names_ = std::move(names);
  index_.clear();
  for (std::size_t i = 0; i < names_.size(); ++i) index_.emplace(key(names_[i].name, names_[i].scopeSheet), i);
}
