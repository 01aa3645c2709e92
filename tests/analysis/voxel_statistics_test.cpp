#include "analysis/voxel_statistics.h"

#include "analysis/analysis_settings.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "float_bits.h"
#include "reference_statistics.h"

namespace {

using quorvel::AnalysisSettings;
using quorvel::MapValueArrays;
using quorvel::VoxelWorkArrays;
using quorvel::VtcDimensions;
using quorvel::VtcSamples;
using quorvel_test::RefVoxel;
using quorvel_test::refVoxel;
using quorvel_test::sameFloat;

AnalysisSettings allMaps(float maxDeviation, float spikeDef) {
  AnalysisSettings s;
  s.maxDeviation = maxDeviation;
  s.spikeDef = spikeDef;
  s.createTSNRMap = s.createOutlierMap = s.createLaggedAutocorMap = true;
  return s;
}

// A small VTC of float samples and the three maps made for it.
struct FloatVtc {
  VtcDimensions d;
  std::vector<std::vector<float>> series;  // per voxel, (z*Y + y)*X + x
  std::vector<float> samples;              // time fastest
  std::vector<float> tsnr, outliers, autocor;

  FloatVtc(int x, int y, int z, std::vector<std::vector<float>> voxelSeries)
      : series(std::move(voxelSeries)) {
    d.x = x;
    d.y = y;
    d.z = z;
    d.t = static_cast<int>(series.at(0).size());
    // Written by coordinates, as the host lays a VTC out.
    samples.assign(series.size() * d.t, 0.0f);
    for (int zi = 0; zi < z; ++zi)
      for (int yi = 0; yi < y; ++yi)
        for (int xi = 0; xi < x; ++xi)
          for (int v = 0; v < d.t; ++v) {
            const std::size_t voxel = (zi * y + yi) * x + xi;
            samples[((zi * y + yi) * x + xi) * d.t + v] = series[voxel][v];
          }
    const float unwritten = -12345.0f;  // no voxel gives this
    tsnr.assign(series.size(), unwritten);
    outliers.assign(series.size(), unwritten);
    autocor.assign(series.size(), unwritten);
  }

  VoxelWorkArrays run(const AnalysisSettings& settings) {
    VtcSamples s;
    s.floatSamples = samples.data();
    MapValueArrays maps;
    maps.tsnr = tsnr.data();
    maps.outliers = outliers.data();
    maps.laggedAutocorrelation = autocor.data();
    VoxelWorkArrays work(d.t);
    quorvel::computeVoxelStatistics(s, d, settings.maxDeviation, settings.spikeDef, maps, work);
    return work;
  }
};

// Compares every map value and both count arrays with the reference.
void expectReference(FloatVtc& vtc, const AnalysisSettings& settings) {
  const VoxelWorkArrays work = vtc.run(settings);
  std::vector<int> outliers(vtc.d.t, 0), spikes(vtc.d.t, 0);
  for (std::size_t i = 0; i < vtc.series.size(); ++i) {
    const RefVoxel r = refVoxel(vtc.series[i], settings.maxDeviation, settings.spikeDef);
    EXPECT_TRUE(sameFloat(r.tsnr, vtc.tsnr[i])) << "TSNR of voxel " << i;
    EXPECT_TRUE(sameFloat(r.largestDeviation, vtc.outliers[i])) << "outlier map of voxel " << i;
    EXPECT_TRUE(sameFloat(r.autocorrelation, vtc.autocor[i])) << "autocorrelation of voxel " << i;
    for (int v = 0; v < vtc.d.t; ++v) {
      outliers[v] += r.outliers[v];
      spikes[v] += r.spikes[v];
    }
  }
  for (int v = 0; v < vtc.d.t; ++v) {
    EXPECT_EQ(outliers[v], work.outlierCounts[v]) << "outliers of volume " << v;
    EXPECT_EQ(spikes[v], work.spikeCounts[v]) << "spikes of volume " << v;
  }
}

TEST(VoxelStatistics, MixedVoxelsOfSixVolumesMatchTheReference) {
  FloatVtc vtc(3, 2, 2,
               {
                   {90, 110, 100, 100, 95, 105},          // mean exactly 100
                   {1000, 1000, 1000, 1000, 1000, 1000},  // constant
                   {1000, 1000, 1000, 880, 1000, 1000},   // a dip
                   {990, 1010, 1000, 1000, 1000, 1000},   // a tie of +/- deviations
                   {1012.25f, 998.5f, 1003.125f, 987, 1020.75f, 1001},
                   {50, 60, 40, 55, 45, 52},              // background
                   {1000, 1100, 1000, 1100, 1000, 1100},  // alternating
                   {500, 510, 520, 530, 540, 550},        // a ramp
                   {300, 300, 300, 300, 300, 900},        // a late jump
                   {900, 300, 300, 300, 300, 300},        // an early jump
                   {100.5f, 100.25f, 100.75f, 100.5f, 100.5f, 100.5f},
                   {2000, 1990, 2010, 2005, 1995, 2000},
               });
  expectReference(vtc, allMaps(1.5f, 1.0f));
  expectReference(vtc, allMaps(0.5f, 0.25f));
}

TEST(VoxelStatistics, OddAndShortSeriesMatchTheReference) {
  const std::vector<std::vector<float>> base = {
      {1000, 1040, 980, 1010, 1060, 970, 1001},
      {120, 180, 160, 90, 200, 150, 110},
      {4000, 4000, 4100, 4000, 3900, 4000, 4000},
  };
  for (int t : {2, 3, 5, 6, 7}) {
    std::vector<std::vector<float>> cut;
    cut.reserve(base.size());
    for (const auto& s : base) cut.emplace_back(s.begin(), s.begin() + t);
    FloatVtc vtc(3, 1, 1, cut);
    SCOPED_TRACE(t);
    expectReference(vtc, allMaps(0.5f, 0.3f));
  }
}

TEST(VoxelStatistics, MeanOfExactly100IsBackground) {
  FloatVtc vtc(1, 1, 1, {{100, 100, 100, 400, 100, 0, 0, 0}});
  ASSERT_EQ(100.0f, quorvel_test::refMean(vtc.series[0]));
  const VoxelWorkArrays work = vtc.run(allMaps(0.1f, 0.1f));
  EXPECT_TRUE(sameFloat(0.0f, vtc.tsnr[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.outliers[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.autocor[0]));
  for (int v = 0; v < 8; ++v) {
    EXPECT_EQ(0, work.outlierCounts[v]);
    EXPECT_EQ(0, work.spikeCounts[v]);
  }
}

TEST(VoxelStatistics, ConstantSeriesGivesInfiniteTSNR) {
  FloatVtc vtc(1, 1, 1, {std::vector<float>(100, 1000.0f)});
  const VoxelWorkArrays work = vtc.run(allMaps(0.0f, 0.0f));
  EXPECT_EQ(std::numeric_limits<float>::infinity(), vtc.tsnr[0]);
  EXPECT_TRUE(sameFloat(0.0f, vtc.autocor[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.outliers[0]));
  for (int v = 0; v < 100; ++v) {
    EXPECT_EQ(0, work.outlierCounts[v]);
    EXPECT_EQ(0, work.spikeCounts[v]);
  }
}

TEST(VoxelStatistics, DeviationAtTheFloorKeepsPlainDeviations) {
  // Standard deviation exactly 0.0099999998, the float nearest 0.01: not
  // above the floor, so no outliers, but plain deviations can be spikes.
  FloatVtc vtc(1, 1, 1, {{101.003105f, 100.9935f, 100.990257f, 100.978859f}});
  const float m = quorvel_test::refMean(vtc.series[0]);
  ASSERT_EQ(0.01f, quorvel_test::refStdDev(vtc.series[0], m));
  const AnalysisSettings settings = allMaps(0.001f, 0.001f);
  expectReference(vtc, settings);
  const VoxelWorkArrays work = vtc.run(settings);
  int spikes = 0;
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(0, work.outlierCounts[v]);
    spikes += work.spikeCounts[v];
  }
  EXPECT_GT(spikes, 0);
  // The largest plain deviation is the last volume's, about -0.012.
  EXPECT_TRUE(sameFloat(static_cast<float>(double{100.978859f} - m), vtc.outliers[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.autocor[0]));
}

TEST(VoxelStatistics, DipIsNegativeAndTieIsPositive) {
  FloatVtc vtc(2, 1, 1, {{1000, 1000, 1000, 880, 1000, 1000}, {990, 1010, 1000, 1000, 1000, 1000}});
  vtc.run(allMaps(4.0f, 3.0f));
  EXPECT_LT(vtc.outliers[0], -2.0f);
  // Mean 1000 exactly: the deviations are +-10 / sd, the positive wins.
  EXPECT_GT(vtc.outliers[1], 0.0f);
  const float sd = quorvel_test::refStdDev(vtc.series[1], 1000.0f);
  EXPECT_TRUE(sameFloat(static_cast<float>(10.0 / sd), vtc.outliers[1]));
}

TEST(VoxelStatistics, InnerVolumesOfAStepAreOutliersButNoSpikes) {
  std::vector<float> step(12, 1000.0f);
  step[5] = step[6] = step[7] = 1100.0f;
  FloatVtc vtc(1, 1, 1, {step});
  // Step volumes lie at +1.66 sd, the others at -0.55 sd.
  const VoxelWorkArrays work = vtc.run(allMaps(1.0f, 0.5f));
  const std::vector<int> outliers = {0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0};
  const std::vector<int> spikes = {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0};
  for (int v = 0; v < 12; ++v) {
    EXPECT_EQ(outliers[v], work.outlierCounts[v]) << v;
    EXPECT_EQ(spikes[v], work.spikeCounts[v]) << v;
  }
}

TEST(VoxelStatistics, TwoVolumesCompareWithEachOther) {
  // Standardised values are +-0.7071 and differ by 1.414.
  FloatVtc spiky(1, 1, 1, {{1000, 1010}});
  VoxelWorkArrays work = spiky.run(allMaps(0.5f, 1.0f));
  EXPECT_EQ(1, work.outlierCounts[0]);
  EXPECT_EQ(1, work.outlierCounts[1]);
  EXPECT_EQ(1, work.spikeCounts[0]);
  EXPECT_EQ(1, work.spikeCounts[1]);
  EXPECT_TRUE(std::isnan(spiky.autocor[0]));  // lag 2 has no pair

  FloatVtc calm(1, 1, 1, {{1000, 1010}});
  work = calm.run(allMaps(0.5f, 1.5f));
  EXPECT_EQ(1, work.outlierCounts[0]);
  EXPECT_EQ(0, work.spikeCounts[0]);
  EXPECT_EQ(0, work.spikeCounts[1]);
}

TEST(VoxelStatistics, ThresholdsAreStrict) {
  // Mean 1000 exactly: volume 0 stands at z0 = 20 / sd and differs from
  // volume 1 by exactly 2 * z0.
  FloatVtc vtc(1, 1, 1, {{1020, 980, 1020, 980, 1000, 1000}});
  const float z0 = static_cast<float>(20.0 / quorvel_test::refStdDev(vtc.series[0], 1000.0f));
  ASSERT_GT(z0, 1.0f);
  VoxelWorkArrays work = vtc.run(allMaps(z0, 0.0f));
  EXPECT_EQ(0, work.outlierCounts[0]);
  work = vtc.run(allMaps(std::nextafter(z0, 0.0f), 0.0f));
  EXPECT_EQ(1, work.outlierCounts[0]);
  const float difference = static_cast<float>(double{z0} - -double{z0});
  work = vtc.run(allMaps(0.5f, difference));
  EXPECT_EQ(0, work.spikeCounts[0]);
  work = vtc.run(allMaps(0.5f, std::nextafter(difference, 0.0f)));
  EXPECT_EQ(1, work.spikeCounts[0]);
}

TEST(VoxelStatistics, SixteenBitSamplesAreSigned) {
  VtcDimensions d;
  d.x = d.y = d.z = 1;
  d.t = 6;
  std::vector<std::int16_t> samples = {static_cast<std::int16_t>(0xFFFF), 500, 520, 480, 510, 490};
  std::vector<float> tsnr(1), outliers(1), autocor(1);
  VtcSamples s;
  s.intSamples = samples.data();
  MapValueArrays maps;
  maps.tsnr = tsnr.data();
  maps.outliers = outliers.data();
  maps.laggedAutocorrelation = autocor.data();
  VoxelWorkArrays work(6);
  quorvel::computeVoxelStatistics(s, d, 1.5f, 1.0f, maps, work);

  const RefVoxel r = refVoxel({-1, 500, 520, 480, 510, 490}, 1.5f, 1.0f);
  EXPECT_TRUE(sameFloat(r.tsnr, tsnr[0]));
  EXPECT_TRUE(sameFloat(r.largestDeviation, outliers[0]));
  EXPECT_TRUE(sameFloat(r.autocorrelation, autocor[0]));
  EXPECT_LT(outliers[0], -2.0f);  // the -1 is the dip
  EXPECT_EQ(1, work.outlierCounts[0]);
}

TEST(VoxelStatistics, SingleVolumeIsDefinedAndReadsNothingElse) {
  // The work arrays and samples hold exactly one element, so a read past
  // the series would show under the address sanitizer.
  FloatVtc vtc(2, 1, 1, {{1000.0f}, {50.0f}});
  const VoxelWorkArrays work = vtc.run(allMaps(-1.0f, -1.0f));
  EXPECT_EQ(std::numeric_limits<float>::infinity(), vtc.tsnr[0]);
  EXPECT_TRUE(sameFloat(0.0f, vtc.autocor[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.outliers[0]));
  EXPECT_TRUE(sameFloat(0.0f, vtc.tsnr[1]));
  EXPECT_EQ(0, work.outlierCounts[0]);
  EXPECT_EQ(0, work.spikeCounts[0]);
}

TEST(VoxelStatistics, CountsWithoutAnyMap) {
  std::vector<float> step(12, 1000.0f);
  step[5] = step[6] = step[7] = 1100.0f;
  FloatVtc vtc(1, 1, 1, {step});
  VtcSamples s;
  s.floatSamples = vtc.samples.data();
  VoxelWorkArrays work(12);
  AnalysisSettings noMaps;
  noMaps.maxDeviation = 1.0f;
  noMaps.spikeDef = 0.5f;
  quorvel::computeVoxelStatistics(s, vtc.d, noMaps.maxDeviation, noMaps.spikeDef, MapValueArrays{},
                                  work);
  EXPECT_EQ(1, work.outlierCounts[6]);
  EXPECT_EQ(1, work.spikeCounts[5]);
}

}  // namespace
