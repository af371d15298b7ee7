// The move history shared by the integer walks: recency and the tie rule.
#include "engines/common/Walk_History.h"

namespace {

bool Walk_same(const WalkMove& a, const WalkMove& b) {
  return a.var >= 0 && a.var == b.var && a.value == b.value;
}

int Walk_count(const std::vector<WalkMove>& history, const WalkMove& move) {
  int count = 0;
  for (const WalkMove& h : history) count += Walk_same(h, move);
  return count;
}

}  // namespace

bool Walk_recent(const std::vector<WalkMove>& history, const WalkMove& move, int depth) {
  const int size = static_cast<int>(history.size());
  for (int k = size - 1; k >= 0 && k >= size - depth; --k)
    if (Walk_same(history[k], move)) return true;
  return false;
}

bool Walk_tieReplacesBest(const std::vector<WalkMove>& history, const WalkMove& challenger,
                          const WalkMove& best) {
  const int a = Walk_count(history, challenger), b = Walk_count(history, best);
  if (a != b) return a > b;
  for (auto h = history.rbegin(); h != history.rend(); ++h) {
    if (Walk_same(*h, best)) return true;
    if (Walk_same(*h, challenger)) return false;
  }
  return false;
}
