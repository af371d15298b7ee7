// Unit conversion behind CONVERT: a number from one measurement unit to
// another of the same category (mass, distance, time, pressure, force,
// energy, power, magnetism, temperature, liquid measure), each unit
// optionally carrying a decimal prefix (E, P, T, G, M, k, h, e, d, c, m, u,
// n, p, f, a) where the unit takes one. Unit names are case-sensitive. The
// table gives each unit's size in its category's base unit, from the unit's
// exact definition (the US gallon is 3.785411784 litres, the pound
// 0.45359237 kilograms); a pair's factor is the ratio of the two sizes.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/Chk_Assert.h"
#include "values/Val_Value.h"

// A conversion is affine in the number: the steps it takes on it, in order,
// each a multiplication, division, addition or subtraction by a constant
// (a factor for most categories, a factor and an offset on each side of
// Celsius for temperatures). Taking the same steps in an evaluation mode
// gives that mode's value of the conversion, its value the plain one.
enum ConvOp : int32_t { kConvMul, kConvDiv, kConvAdd, kConvSub };
struct ConvStep {
  ConvOp op;
  double c;
};
constexpr int kConvMaxSteps = 4;
struct ConvSteps {
  ConvStep step[kConvMaxSteps] = {};
  int count = 0;
  void add(ConvOp op, double c) {
    CORVAN_ASSERT(count < kConvMaxSteps);
    step[count++] = {op, c};
  }
};

// The steps from the unit text from to the unit text to: 0, or "#n/a" for
// an empty or unknown unit, units of different categories or a prefix on a
// unit that takes none.
uint32_t Conv_unitSteps(std::u16string_view from, std::u16string_view to, ConvSteps* steps);
double Conv_applySteps(const ConvSteps& steps, double x);
// x converted from the unit text from to the unit text to: a real, the
// error of Conv_unitSteps, "#num!" for a result that is not finite.
Value* Conv_convertUnits(Value* result, double x, std::u16string_view from, std::u16string_view to);

// The table as tests see it: the number of categories, of units in one,
// the primary name of a unit, and the factor of the pair (from, to), units
// by their place in the category.
int Conv_categoryCount();
int Conv_unitCount(int category);
std::u16string_view Conv_unitName(int category, int unit);
double Conv_pairFactor(int category, int from, int to);
