// The scope of work shared by the elements of a lifted call.
#include "worksheet/common/Wsf_Shared.h"

#include <map>

#include "values/Fn_Ids.h"

struct WsfSharedScope::Facts {
  std::map<std::pair<const Value*, int32_t>, std::shared_ptr<void>> kept;
};

namespace {

thread_local WsfSharedScope* gScope = nullptr;
thread_local WsfSharedScope::Facts* gFacts = nullptr;

}  // namespace

WsfSharedScope::WsfSharedScope(bool share) : facts_(share ? std::make_unique<Facts>() : nullptr), outer_(gScope) {
  gScope = this;
  gFacts = facts_.get();
}

WsfSharedScope::~WsfSharedScope() {
  gScope = outer_;
  gFacts = outer_ ? outer_->facts_.get() : nullptr;
}

bool Wsf_sharesLiftedWork(int32_t id) {
  return id == kIdRank || id == kIdMatch || id == kIdVlookup || id == kIdHlookup || id == kIdLookup;
}

bool Wsf_sharing() { return gFacts != nullptr; }

std::shared_ptr<void> Wsf_findShared(const Value* v, WsfSharedFact fact) {
  if (!gFacts) return nullptr;
  const auto at = gFacts->kept.find({v, fact});
  return at == gFacts->kept.end() ? nullptr : at->second;
}

void Wsf_keepShared(const Value* v, WsfSharedFact fact, std::shared_ptr<void> kept) {
  if (gFacts) gFacts->kept[{v, fact}] = std::move(kept);
}
