// The position search of MATCH, VLOOKUP and HLOOKUP along one line of
// values, for one key or for many keys sharing a sorted copy of the line.
#include <algorithm>

#include "platform/calc/Calc_Internal.h"

namespace {

// The kind a key compares with: an empty value is the number 0; an error
// compares with nothing.
int kindClass(CellKind k) {
  switch (k) {
    case CellKind::Empty:
    case CellKind::Number: return 0;
    case CellKind::Text: return 1;
    case CellKind::Boolean: return 2;
    default: return -1;
  }
}

}  // namespace

CalcLineSearch::CalcLineSearch(std::vector<const CellValue*> items, bool shared)
    : items_(std::move(items)), shared_(shared) {}

const std::vector<int>& CalcLineSearch::sameKind(int k) {
  auto& same = same_[static_cast<size_t>(k)];
  if (same) return *same;
  same.emplace();
  for (int i = 0; i < static_cast<int>(items_.size()); ++i)
    if (kindClass(items_[static_cast<size_t>(i)]->kind) == k) same->push_back(i);
  return *same;
}

// The items of kind k in their order, stably sorted by value: the first of
// equal values is the first in the line.
const std::vector<int>& CalcLineSearch::sortedKind(int k) {
  auto& sorted = sorted_[static_cast<size_t>(k)];
  if (sorted) return *sorted;
  sorted = sameKind(k);
  std::stable_sort(sorted->begin(), sorted->end(), [this](int a, int b) { return Calc_compare(item(a), item(b)) < 0; });
  return *sorted;
}

int CalcLineSearch::exact(const CellValue& x, int k) {
  const bool wild = x.kind == CellKind::Text && Calc_hasWildcard(x.text);
  if (wild || !shared_) {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      const CellValue& v = item(i);
      if (kindClass(v.kind) != k) continue;
      if (wild ? v.kind == CellKind::Text && Calc_wildcardMatch(x.text, v.text) : Calc_compare(v, x) == 0) return i;
    }
    return -1;
  }
  const std::vector<int>& sorted = sortedKind(k);
  auto at = std::lower_bound(sorted.begin(), sorted.end(), x,
                             [this](int i, const CellValue& key) { return Calc_compare(item(i), key) < 0; });
  return at != sorted.end() && Calc_compare(item(*at), x) == 0 ? *at : -1;
}

int CalcLineSearch::find(const CellValue& x, int type) {
  const int k = kindClass(x.kind);
  if (k < 0) return -1;
  if (type == 0) return exact(x, k);
  // The approximate search halves the items of x's kind as the worksheet
  // does, so unsorted data gives the worksheet's answer too.
  const std::vector<int>& same = sameKind(k);
  int best = -1, lo = 0, hi = static_cast<int>(same.size()) - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Calc_compare(item(same[static_cast<size_t>(mid)]), x);
    if (type > 0 ? c <= 0 : c >= 0) {
      best = same[static_cast<size_t>(mid)];
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return best;
}
