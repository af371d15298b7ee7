// Statistics of arrays of doubles: sums, means, deviations, moments,
// extremes, order statistics and the mode. Every kernel takes the count n,
// the array and a zero-based flag: clear, the values are x[1..n] (slot 0 not
// read); set, x[0..n-1]. An undefined statistic is NaN (MAX and MIN of
// nothing are -infinity and +infinity). Only the order statistics reorder
// the array; nothing allocates, and an empty array is never read.
#pragma once

#include <cstdint>

double Stat_sum(int32_t n, const double* x, uint8_t zeroBased);
double Stat_mean(int32_t n, const double* x, uint8_t zeroBased);
double Stat_aveDev(int32_t n, const double* x, uint8_t zeroBased);
double Stat_devSq(int32_t n, const double* x, uint8_t zeroBased);
// Sample variance (divisor n - 1); NaN for n < 2.
double Stat_variance(int32_t n, const double* x, uint8_t zeroBased);
double Stat_popVariance(int32_t n, const double* x, uint8_t zeroBased);
// Standard deviations (divisors n - 1 and n), from the deviations over
// the data's scale: the root of a variance beyond the doubles may be in them.
double Stat_stdDev(int32_t n, const double* x, uint8_t zeroBased);
double Stat_popStdDev(int32_t n, const double* x, uint8_t zeroBased);
double Stat_stdError(int32_t n, const double* x, uint8_t zeroBased);
// Product to the power 1/n; NaN for n = 0.
double Stat_geoMean(int32_t n, const double* x, uint8_t zeroBased);
double Stat_harMean(int32_t n, const double* x, uint8_t zeroBased);
// Plain moment forms over the sample variance: S d^3 / (n v^1.5) and
// S d^4 / (n v^2) - 3.
double Stat_skewness(int32_t n, const double* x, uint8_t zeroBased);
double Stat_kurtosis(int32_t n, const double* x, uint8_t zeroBased);
double Stat_max(int32_t n, const double* x, uint8_t zeroBased);
double Stat_min(int32_t n, const double* x, uint8_t zeroBased);
// NaN for n = 0.
double Stat_median(int32_t n, double* x, uint8_t zeroBased);
// The value repeated most often (first occurrence wins a tie); NaN when no
// value repeats.
double Stat_mode(int32_t n, const double* x, uint8_t zeroBased);
// Order statistic at probability p, interpolated linearly; NaN for n = 0 and
// for p outside [0, 1].
double Stat_percentile(int32_t n, double* x, double p, int32_t zeroBased);
// The k-th smallest of n values (quickselect, reorders x unless k is 1 or n);
// NaN unless 1 <= k <= n.
double Stat_kthSmallest(int32_t k, int32_t n, double* x, uint8_t zeroBased);
double Stat_kthLargest(int32_t k, int32_t n, double* x, uint8_t zeroBased);
