// The defined names of a workbook, in the order the workbook stores them
// (the order a file is written in and the Names collection lists), with an
// index by scope and name: a name is found in constant time however many
// the workbook holds, its letters compared without regard to case.
// Names change only through the table, which keeps the index in step;
// readers go through the names as through a vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct DefinedName {
  std::string name;
  std::string definition;  // text after "=", e.g. "Model!$B$2" or "0.05"
  int scopeSheet = -1;     // -1 workbook scope, else sheet index
  bool hidden = false;
};

class WbNameTable {
 public:
  using const_iterator = std::vector<DefinedName>::const_iterator;

  const_iterator begin() const { return names_.begin(); }
  const_iterator end() const { return names_.end(); }
  std::size_t size() const { return names_.size(); }
  bool empty() const { return names_.empty(); }
  const DefinedName& operator[](std::size_t i) const { return names_[i]; }
  const std::vector<DefinedName>& list() const { return names_; }

  // The name of exactly this scope (-1 the workbook's), or nullptr.
  const DefinedName* find(std::string_view name, int scopeSheet) const;
  // The name a formula on sheet `scopeSheet` reads by this spelling: the
  // sheet's own, else the workbook's (-1: the workbook's alone); nullptr
  // when neither holds it. The spelling is folded once for both scopes.
  const DefinedName* findSeenFrom(std::string_view name, int scopeSheet) const;
  // Replaces the name of the same name and scope where it stands, or
  // appends it.
  void define(const DefinedName& dn);
  // Removes the name of exactly this scope; false when there is none.
  bool erase(std::string_view name, int scopeSheet);
  // Takes these names, in this order (each name and scope once), in place
  // of the table's.
  void assign(std::vector<DefinedName> names);

 private:
  class Key;
  // A name's spelling in lower case and the hash of that spelling.
  struct Folded {
    std::string text;
    std::uint64_t hash;
  };

  // The slot that holds the name of this scope and spelling, or the empty
  // slot where it would go.
  std::size_t slotOf(const Key& key, int scopeSheet) const;
  // The name a slot holds, or nullptr for an empty slot.
  const DefinedName* nameIn(std::size_t slot) const;
  // Fills the slots afresh from folded_, with room for one more name.
  void reindex();

  std::vector<DefinedName> names_;
  // Each name's spelling folded, in step with names_, so that neither a
  // lookup nor a reindex folds a stored name again.
  std::vector<Folded> folded_;
  // Open addressing over names_, probed linearly from a name's hash: 0 for
  // an empty slot, else the hash's high half above the name's position + 1.
  std::vector<std::uint64_t> slots_;
};
