// Whole values for the integer variables of the interval search: a box's
// integer components rounded inward to whole ends, a point's integer
// components moved to the nearest whole number inside a box, and a box split
// between two whole numbers. The flags are 1-based (integer[i] != 0 for an
// integer variable); an empty list stands for a model without integers.
#pragma once

#include <vector>

#include "engines/interval/Ia_BoxList.h"

using IaIntegerFlags = std::vector<char>;

// Whether variable i is kept whole.
bool Ia_isInteger(const IaIntegerFlags& integer, int i);
// Rounds each integer component of the box (1..n) inward to whole ends; an
// end within `slack` of a whole number counts as that number, so that a
// contraction that stopped a rounding error short of it keeps it. False when
// some integer component holds no whole number.
bool Ia_roundIntegerBox(const IaIntegerFlags& integer, double slack, Interval* box);
// Moves each integer component of p (1..n) to the whole number nearest it
// inside the box, whose integer components have whole ends.
void Ia_roundIntegerPoint(const IaIntegerFlags& integer, const Interval* box, std::vector<double>& p);
// The whole number nearest v inside x (whose ends are whole).
double Ia_nearestWhole(const Interval& x, double v);
// Whether every integer component of x (1..n) is whole.
bool Ia_integersWhole(const IaIntegerFlags& integer, const std::vector<double>& x);
// Splits `low` on component i, leaving the upper part in `high`: an integer
// component with room for two whole numbers between the whole numbers either
// side of its midpoint, any other component at its midpoint.
void Ia_splitBox(const IaIntegerFlags& integer, int i, IaBox& low, IaBox& high);
