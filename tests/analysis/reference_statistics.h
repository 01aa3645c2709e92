// An independent reference of one voxel's statistics, written straight
// from the formulas: every stored value rounded with single(), every
// intermediate in double. The tests compare the plug-in's results with it
// bit for bit.
#ifndef QUORVEL_TESTS_ANALYSIS_REFERENCE_STATISTICS_H_
#define QUORVEL_TESTS_ANALYSIS_REFERENCE_STATISTICS_H_

#include <cmath>
#include <vector>

namespace quorvel_test {

inline float single(double value) { return static_cast<float>(value); }

inline float refMean(const std::vector<float>& s) {
  float sum = 0;
  for (float value : s) sum = single(double{sum} + double{value});
  return single(double{sum} / static_cast<double>(s.size()));
}

inline float refStdDev(const std::vector<float>& s, float mean) {
  float sum = 0;
  for (float value : s) {
    const double d = double{value} - double{mean};
    sum = single(double{sum} + d * d);
  }
  const float w = single(double{sum} / static_cast<double>(s.size() - 1));
  return single(std::sqrt(double{w}));
}

inline float refAutocorrelation(const std::vector<float>& s, int lag) {
  const int n = static_cast<int>(s.size());
  const float m = refMean(s);
  const int pairs = (n % 2 == 0) ? n - lag : n - 1 - lag;
  float sum = 0;
  for (int i = 0; i < pairs; ++i) {
    sum = single(double{sum} + (double{s[i]} - double{m}) * (double{s[i + lag]} - double{m}));
  }
  const float sd = refStdDev(s, m);
  if (!(double{sd} > 0.01)) return 0;
  return single(double{sum} / ((double(pairs) * double{sd}) * double{sd}));
}

// What the voxel pass gives one voxel.
struct RefVoxel {
  float tsnr = 0;
  float autocorrelation = 0;
  float largestDeviation = 0;
  std::vector<int> outliers;  // 1 where the volume counts as an outlier
  std::vector<int> spikes;    // 1 where it counts as a spike
};

inline RefVoxel refVoxel(std::vector<float> x, float maxDeviation, float spikeDef) {
  const int t = static_cast<int>(x.size());
  RefVoxel r;
  r.outliers.assign(t, 0);
  r.spikes.assign(t, 0);
  const float m = refMean(x);
  const float sd = refStdDev(x, m);
  const bool bright = double{m} > 100.0;
  std::vector<float> a(t);
  for (int v = 0; v < t; ++v) {
    if (double{sd} > 0.01) {
      a[v] = single((double{x[v]} - double{m}) / double{sd});
      if (double{std::fabs(a[v])} > double{maxDeviation} && bright) {
        r.outliers[v] = 1;
      }
    } else {
      a[v] = single(double{x[v]} - double{m});
    }
  }
  if (!bright) return r;
  for (int v = 0; v < t; ++v) {
    if (!(std::fabs(a[v]) > maxDeviation)) continue;
    float d;
    if (v == 0) {
      d = single(double{a[0]} - double{a[1]});
    } else if (v == t - 1) {
      d = single(double{a[t - 1]} - double{a[t - 2]});
    } else {
      d = single(double{a[v]} - (double{a[v - 1]} + double{a[v + 1]}) * 0.5);
    }
    if (std::fabs(d) > spikeDef) r.spikes[v] = 1;
  }
  r.tsnr = single(double{m} / double{sd});
  const float r2 = refAutocorrelation(a, 2);
  const float r1 = refAutocorrelation(a, 1);
  r.autocorrelation = single(double{r1} + double{r2});
  float max = a[0], min = a[0];
  for (int v = 1; v < t; ++v) {
    if (max < a[v]) max = a[v];
    if (min > a[v]) min = a[v];
  }
  r.largestDeviation = (max < -min) ? min : max;
  return r;
}

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_ANALYSIS_REFERENCE_STATISTICS_H_
