// What an engine reports about its solution through the host's report
// services (export ordinals 31 and 32): the per-variable and per-row values
// of a solution and the ranging of a linear one.
#pragma once

#include <cstdint>

// What an engine reports about its solution (arrays 0-based).
struct ReportSummary {
  std::int32_t n;
  const double* lower;
  const double* values;
  const double* upper;
  const double* perVariable;   // reduced costs, reduced gradients or marks
  std::int32_t m;              // rows without the grouped row
  const double* rowLower;
  const double* rowValues;
  const double* rowUpper;
  const double* perRow;        // dual values, multipliers or marks
};

// Ranging of a linear solution (arrays 0-based).
struct SensitivityRecord {
  std::int32_t n;
  const double* objective;
  const double* objectiveIncrease;
  const double* objectiveDecrease;
  const double* lowerBounds;
  const double* lowerIncrease;
  const double* lowerDecrease;
  const double* upperBounds;
  const double* upperIncrease;
  const double* upperDecrease;
  std::int32_t m;
  const double* rhs;
  const double* rhsIncrease;
  const double* rhsDecrease;
};
