// The statistics of a cell's samples: the twelve functions 1339 to 1350
// (an element, kurtosis, maximum, mean, minimum, mode, percentile, range,
// skewness, standard deviation, the fraction below a target, variance) and
// 1254, which picks its statistic by a selector. Each gathers the numbers of
// its data argument (a value, a range, or a sample vector's samples when the
// context aggregates them; 1254 aggregates for its own call) and reduces them
// to one number. They draw nothing.
#pragma once

#include <cstdint>

#include "simulation/functions/Sim_Entries.h"

// The statistics function of an id, null for other ids.
SimEntry Sim_statistic(int32_t id);

// The statistic 1254 computes for a selector; "#num!" for 3, 9 and
// selectors it does not know.
enum SimStatisticSelector : int32_t {
  kSimStatTrials = 1,
  kSimStatMean = 2,
  kSimStatMode = 4,
  kSimStatStdDev = 5,
  kSimStatVariance = 6,
  kSimStatSkewness = 7,
  kSimStatKurtosis = 8,
  kSimStatMin = 10,
  kSimStatMax = 11,
  kSimStatRange = 12,
  kSimStatStdError = 13,
};

Value* Sim_sampleStatistic1254(Value* result, int argc, const Value* const* argv, const SimCall* call);
