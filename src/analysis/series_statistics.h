// Statistics of one time course: a contiguous series of single-precision
// values.
//
// Every stored or returned value and every running sum is single precision;
// each intermediate expression is evaluated in double precision and rounded
// to single precision only where a value is stored. Sums run from index 0
// upwards, rounded after every addition, so results are reproducible to the
// last bit. None of the routines allocates or keeps state.
#ifndef QUORVEL_ANALYSIS_SERIES_STATISTICS_H_
#define QUORVEL_ANALYSIS_SERIES_STATISTICS_H_

namespace quorvel {

// Mean of `series[0..n)`. An empty series has mean 0.
float computeMean(const float* series, int n);

// Sample standard deviation of `series[0..n)` around `mean`, with divisor
// n - 1. A series of fewer than two values has standard deviation 0.
float computeStdDevAroundMean(const float* series, int n, float mean);

// Sample standard deviation of `series[0..n)` around its own mean.
float computeStdDev(const float* series, int n);

// Largest and smallest value of `series[0..n)`, by strict comparisons from
// the first value on, so a NaN never replaces a value. An empty series
// gives 0 for both.
void computeMinMax(const float* series, int n, float* max, float* min);

// Autocorrelation of `series[0..n)` at `lag`. Pairs (i, i + lag) are summed
// for i below n - lag when n is even and below n - 1 - lag when n is odd
// (the last value of an odd series takes no part). The result is 0 when the
// standard deviation is not above 0.01 or `lag` is negative; with no pair at
// all and a larger deviation it is NaN.
float computeLaggedAutocorrelation(const float* series, int n, int lag);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_SERIES_STATISTICS_H_
