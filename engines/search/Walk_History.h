// The move history of the integer walks that repair linear rows one unit
// step at a time (the LP engine's rounding heuristic and the evolutionary
// engine's integer step search): which recent moves are not repeated, and
// how a move whose estimate ties with the best so far competes with it.
#pragma once

#include <vector>

// One entry per step of a walk: the variable moved and its new value; a
// step that moved nothing holds variable -1.
struct WalkMove {
  int var = -1;
  double value = 0.0;
};

// Whether `move` was made in one of the last `depth` entries.
bool Walk_recent(const std::vector<WalkMove>& history, const WalkMove& move, int depth);

// Whether `challenger`, of the same estimate as `best`, takes its place: its
// move occurs more often in the history, or as often while the latest entry
// that matches either of the two is the best's. Neither in the history: the
// best stays.
bool Walk_tieReplacesBest(const std::vector<WalkMove>& history, const WalkMove& challenger,
                          const WalkMove& best);
