// The value and weights of MAX and MIN.
#include "arithmetic/numeric/Num_Elementary.h"

#include "arithmetic/numeric/Num_Scalar.h"

NumMaxMin Num_maxMin(bool isMax, double a, double b, bool aVaries, bool bVaries) {
  const bool aWins = isMax ? a > b : a < b;
  NumMaxMin r{aWins ? a : b, aWins ? 1.0 : 0.0, aWins ? 0.0 : 1.0};
  if (Num_nearlyEqual(&a, &b)) {
    const double share = aVaries && bVaries ? 0.5 : 1.0;
    r.wa = share;
    r.wb = share;
  }
  if (!aVaries) r.wa = 0.0;
  if (!bVaries) r.wb = 0.0;
  return r;
}
