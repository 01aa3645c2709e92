#include "analysis/series_statistics.h"

#include <cmath>

#include "analysis/statistics_constants.h"

namespace quorvel {

float computeMean(const float* series, int n) {
  if (n <= 0) return 0.0f;
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    sum = static_cast<float>(static_cast<double>(sum) + series[i]);
  }
  return static_cast<float>(static_cast<double>(sum) / n);
}

float computeStdDevAroundMean(const float* series, int n, float mean) {
  if (n < 2) return 0.0f;
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    const double deviation = static_cast<double>(series[i]) - mean;
    sum = static_cast<float>(sum + deviation * deviation);
  }
  const float variance = static_cast<float>(static_cast<double>(sum) / (n - 1));
  return static_cast<float>(std::sqrt(static_cast<double>(variance)));
}

float computeStdDev(const float* series, int n) {
  return computeStdDevAroundMean(series, n, computeMean(series, n));
}

void computeMinMax(const float* series, int n, float* max, float* min) {
  if (n <= 0) {
    *max = *min = 0.0f;
    return;
  }
  float largest = series[0];
  float smallest = series[0];
  for (int i = 1; i < n; ++i) {
    if (largest < series[i]) largest = series[i];
    if (smallest > series[i]) smallest = series[i];
  }
  *max = largest;
  *min = smallest;
}

float computeLaggedAutocorrelation(const float* series, int n, int lag) {
  if (lag < 0) return 0.0f;
  const float mean = computeMean(series, n);
  const int pairs = (n % 2 == 0) ? n - lag : n - 1 - lag;
  float sum = 0.0f;
  for (int i = 0; i < pairs; ++i) {
    const double product = (static_cast<double>(series[i]) - mean) *
                           (static_cast<double>(series[i + lag]) - mean);
    sum = static_cast<float>(sum + product);
  }
  const float sd = computeStdDev(series, n);
  if (!(sd > kDeviationFloor)) return 0.0f;
  return static_cast<float>(sum / ((static_cast<double>(pairs) * sd) * sd));
}

}  // namespace quorvel
