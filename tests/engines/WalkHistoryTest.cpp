// The move history of the integer walks: which recent moves are not
// repeated and how a move that ties with the best estimate competes.
#include <gtest/gtest.h>

#include <vector>

#include "engines/search/Walk_History.h"

TEST(WalkHistory, TieGoesByUseCountThenByTheLatestUse) {
  const WalkMove a{1, 3}, b{2, 5}, other{0, 1}, idle{};
  struct Case {
    const char* what;
    std::vector<WalkMove> history;
    bool replaces;  // the challenger a takes the place of the best b
  } cases[] = {
      {"neither in the history: the best stays", {other, idle}, false},
      {"the challenger used more often", {a, b, a}, true},
      {"the best used more often", {b, a, b}, false},
      {"as often, the best used last", {a, other, b}, true},
      {"as often, the challenger used last", {b, idle, a}, false},
      {"same variable, other value: no match", {WalkMove{1, 4}, b}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(Walk_tieReplacesBest(c.history, a, b), c.replaces) << c.what;
}

TEST(WalkHistory, RecentMovesReachBackByEntriesIdleOnesIncluded) {
  const std::vector<WalkMove> history = {{1, 3}, {}, {2, 5}};
  EXPECT_TRUE(Walk_recent(history, {2, 5}, 1));
  EXPECT_FALSE(Walk_recent(history, {1, 3}, 2));
  EXPECT_TRUE(Walk_recent(history, {1, 3}, 3));
  EXPECT_FALSE(Walk_recent(history, {1, 3}, 0));
}
