// The command's quality numbers (every per-voxel and per-volume statistic
// of a run) on one thread, against the fastest read of the same samples:
// prints the ratio of their median times, for float and 16-bit runs.
//   build/bench/quality_numbers_bench [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/fastest_read.h"
#include "cli/quality/sample_statistics.h"

namespace {

using quorvel::cli::SampleView;

// 64 x 64 x 8 voxels of 600 volumes, about a third above the analysis
// floor, with noise: the shape of a real run's slab.
constexpr std::size_t kVoxels = 64 * 64 * 8;
constexpr std::size_t kVolumes = 600;

template <typename Sample>
std::vector<Sample> syntheticRun() {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 12.0);
  std::vector<Sample> samples(kVoxels * kVolumes);
  for (std::size_t voxel = 0; voxel < kVoxels; ++voxel) {
    const double level = voxel % 3 == 0 ? 900.0 : 20.0;
    for (std::size_t v = 0; v < kVolumes; ++v) {
      samples[voxel * kVolumes + v] =
          static_cast<Sample>(level + noise(random));
    }
  }
  return samples;
}

double milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now() - since)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Interleaved rounds of both, so that a drift of the machine's speed
// touches them alike.
template <typename Sample>
void compare(const char* type, int rounds) {
  const std::vector<Sample> samples = syntheticRun<Sample>();
  SampleView view;
  if constexpr (sizeof(Sample) == 2) {
    view.int16Samples = reinterpret_cast<const std::int16_t*>(samples.data());
  } else {
    view.floatSamples = reinterpret_cast<const float*>(samples.data());
  }
  view.voxels = kVoxels;
  view.volumes = kVolumes;
  // The plug-in's means as the reader keeps them while placing the
  // samples, which spare the statistics their own floor test.
  std::vector<float> pluginMeans(kVoxels);
  for (std::size_t voxel = 0; voxel < kVoxels; ++voxel) {
    pluginMeans[voxel] =
        quorvel::cli::analysisMean(samples.data() + voxel * kVolumes, kVolumes);
  }
  std::vector<double> numbers, givenMeans, reads;
  std::uint64_t folded = 0;
  std::size_t analysed = 0, analysedGiven = 0;
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    analysed += quorvel::cli::computeSampleStatistics(view, 1).voxelsAnalysed;
    numbers.push_back(milliseconds(start));
    quorvel::cli::VoxelMeans known =
        quorvel::cli::testedMeans(pluginMeans, quorvel::cli::kIntensityFloor);
    start = std::chrono::steady_clock::now();
    analysedGiven +=
        quorvel::cli::computeSampleStatistics(view, 1, &known).voxelsAnalysed;
    givenMeans.push_back(milliseconds(start));
    start = std::chrono::steady_clock::now();
    folded += foldEveryByte(samples.data(), samples.size() * sizeof(Sample));
    reads.push_back(milliseconds(start));
  }
  std::printf(
      "quality numbers / fastest read (%s): %.2fx  (%.1f ms vs %.1f ms; "
      "medians of %d"
      "; %zu voxels analysed, fold %llu)\n",
      type, median(numbers) / median(reads), median(numbers), median(reads),
      rounds, analysed / static_cast<std::size_t>(rounds),
      static_cast<unsigned long long>(folded % 10));
  std::printf(
      "quality numbers given the reader's means / fastest read (%s): %.2fx  "
      "(%.1f ms; "
      "%s voxels as without)\n",
      type, median(givenMeans) / median(reads), median(givenMeans),
      analysedGiven == analysed ? "the same" : "NOT the same");
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  compare<float>("float", rounds);
  compare<std::int16_t>("int16", rounds);
  return 0;
}
