// The move history shared by the integer walks: recency and the tie rule.
#include "engines/search/Walk_History.h"

namespace {

bool same(const WalkMove& a, const WalkMove& b) {
  return a.var >= 0 && a.var == b.var && a.value == b.value;
}

int count(const std::vector<WalkMove>& history, const WalkMove& move) {
  int count = 0;
  for (const WalkMove& h : history) count += same(h, move);
  return count;
}

}  // namespace

bool Walk_recent(const std::vector<WalkMove>& history, const WalkMove& move, int depth) {
  const int size = static_cast<int>(history.size());
  for (int k = size - 1; k >= 0 && k >= size - depth; --k)
    if (same(history[k], move)) return true;
  return false;
}

bool Walk_tieReplacesBest(const std::vector<WalkMove>& history, const WalkMove& challenger,
                          const WalkMove& best) {
  const int a = count(history, challenger), b = count(history, best);
  if (a != b) return a > b;
  for (auto h = history.rbegin(); h != history.rend(); ++h) {
    if (same(*h, best)) return true;
    if (same(*h, challenger)) return false;
  }
  return false;
}
