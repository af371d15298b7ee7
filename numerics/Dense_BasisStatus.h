// The status of a column in a bounded simplex basis, one letter each: the
// LP engine's simplex and the dense bounded simplex of the numerics layer
// keep these in their status arrays (of int or char).
#pragma once

enum BasisStatus : char {
  kColAtLower = 'L',  // nonbasic at its lower bound
  kColAtUpper = 'U',  // nonbasic at its upper bound
  kColFree = 'X',     // nonbasic free column, held at zero
  kColFixed = 'F',    // never moves: both bounds agree
  kColBasic = 'B',    // basic
};
