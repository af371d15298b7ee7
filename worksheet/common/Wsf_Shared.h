// Work shared by the elements of a call lifted over its first argument: its
// other arguments are the same values for every element, so what a function
// works out from one of them alone (whether a line holds only keys, a
// sorted copy of it) is kept for the next elements while the scope is open.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "values/Val_Value.h"

// The facts kept, one of each per argument; a fact about a line across a
// table is kept as the fact plus kWsfFactCount.
enum WsfSharedFact : int32_t {
  kWsfFactKeyLine,
  kWsfFactUnknown,
  kWsfFactSearchable,
  kWsfFactSearchIndex,
  kWsfFactRankSample,
  kWsfFactModal,
  kWsfFactCount,
};

// Opens the scope for one lifted call, or with share false a scope that
// keeps nothing (a call on copies of the arguments); scopes nest, the
// innermost counts.
class WsfSharedScope {
 public:
  explicit WsfSharedScope(bool share = true);
  ~WsfSharedScope();
  WsfSharedScope(const WsfSharedScope&) = delete;
  WsfSharedScope& operator=(const WsfSharedScope&) = delete;
  struct Facts;

 private:
  std::unique_ptr<Facts> facts_;
  WsfSharedScope* outer_;
};

// Whether a function keeps work in the scope when lifted over its first
// argument alone (RANK and the searching lookups).
bool Wsf_sharesLiftedWork(int32_t id);
// Whether a scope is open.
bool Wsf_sharing();
// The fact kept for argument v (the call's own argument, which stays as it
// is while the scope is open, never a value the function made) in the open scope, null when none is (or no
// scope is open); Wsf_keepShared keeps one and hands it back (outside a
// scope the caller keeps it alone).
std::shared_ptr<void> Wsf_findShared(const Value* v, WsfSharedFact fact);
void Wsf_keepShared(const Value* v, WsfSharedFact fact, std::shared_ptr<void> kept);

// The fact of type T about v: the kept one, or make() worked out and kept.
template <typename T, typename Make>
std::shared_ptr<const T> Wsf_shared(const Value* v, WsfSharedFact fact, Make make) {
  if (std::shared_ptr<void> kept = Wsf_findShared(v, fact)) return std::static_pointer_cast<const T>(kept);
  auto made = std::make_shared<T>(make());
  Wsf_keepShared(v, fact, made);
  return made;
}
