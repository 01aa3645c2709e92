// The voxel pass on a VTC of 64 x 64 x 40 voxels and 600 volumes, with float
// and with 16-bit samples, beside one plain sequential read of the same
// sample array: the memory-bandwidth floor that no pass can beat. After the
// usual table it prints, per sample type, how many times longer the pass
// takes than the read.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/voxel_statistics.h"
#include "analysis/vtc_geometry.h"
#include "dialog/analysis_settings.h"

namespace {

constexpr int kX = 64;
constexpr int kY = 64;
constexpr int kZ = 40;
constexpr int kVolumes = 600;
constexpr std::size_t kVoxels = std::size_t{kX} * kY * kZ;
constexpr std::size_t kSamples = kVoxels * kVolumes;

// A made-up fMRI run: a third of the voxels background, the others about
// 1000 with noise, a slow drift and now and then a spike. Made once and
// shared by every benchmark (about 393 MB of floats, 197 MB of integers).
struct TestRun {
  std::vector<float> floatSamples;
  std::vector<std::int16_t> intSamples;

  TestRun() : floatSamples(kSamples), intSamples(kSamples) {
    std::uint32_t state = 12345;
    auto next = [&state] {
      state = state * 1664525u + 1013904223u;
      return static_cast<float>(state >> 8) / 16777216.0f;  // [0, 1)
    };
    for (std::size_t voxel = 0; voxel < kVoxels; ++voxel) {
      const float level = (voxel % 3 == 0) ? 40.0f : 800.0f + 400.0f * next();
      for (int v = 0; v < kVolumes; ++v) {
        float value = level + 20.0f * (next() - 0.5f) + 0.01f * v;
        if (next() < 0.002f) value += 150.0f;
        floatSamples[voxel * kVolumes + v] = value;
        intSamples[voxel * kVolumes + v] = static_cast<std::int16_t>(value);
      }
    }
  }

  static TestRun& instance() {
    static TestRun run;
    return run;
  }
};

quorvel::VtcDimensions dimensions() {
  quorvel::VtcDimensions d;
  d.x = kX;
  d.y = kY;
  d.z = kZ;
  d.t = kVolumes;
  return d;
}

void runVoxelPass(benchmark::State& state, const quorvel::VtcSamples& samples) {
  std::vector<float> tsnr(kVoxels), outliers(kVoxels), autocor(kVoxels);
  quorvel::MapValueArrays maps;
  maps.tsnr = tsnr.data();
  maps.outliers = outliers.data();
  maps.laggedAutocorrelation = autocor.data();
  for (auto _ : state) {
    quorvel::VoxelWorkArrays work(kVolumes);
    // The shipped script's thresholds.
    quorvel::computeVoxelStatistics(samples, dimensions(), 4.0f, 3.0f, maps,
                                    work);
    benchmark::DoNotOptimize(work.outlierCounts.data());
    benchmark::ClobberMemory();
  }
  state.counters["samples/s"] = benchmark::Counter(
      static_cast<double>(kSamples), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_VoxelPassFloat(benchmark::State& state) {
  quorvel::VtcSamples samples;
  samples.floatSamples = TestRun::instance().floatSamples.data();
  runVoxelPass(state, samples);
}

void BM_VoxelPassInt16(benchmark::State& state) {
  quorvel::VtcSamples samples;
  samples.intSamples = TestRun::instance().intSamples.data();
  runVoxelPass(state, samples);
}

// Reads every byte of `bytes` once, front to back, as 64-bit words folded
// together; integer arithmetic, so the compiler may widen it freely.
void readSequentially(benchmark::State& state, const void* data,
                      std::size_t bytes) {
  const auto* words = static_cast<const unsigned char*>(data);
  const std::size_t count = bytes / sizeof(std::uint64_t);
  for (auto _ : state) {
    std::uint64_t folded = 0;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint64_t word;
      std::memcpy(&word, words + i * sizeof word, sizeof word);
      folded ^= word;
    }
    benchmark::DoNotOptimize(folded);
  }
  state.counters["samples/s"] = benchmark::Counter(
      static_cast<double>(kSamples), benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

void BM_SequentialReadFloat(benchmark::State& state) {
  const auto& samples = TestRun::instance().floatSamples;
  readSequentially(state, samples.data(), samples.size() * sizeof(float));
}

void BM_SequentialReadInt16(benchmark::State& state) {
  const auto& samples = TestRun::instance().intSamples;
  readSequentially(state, samples.data(), samples.size() * sizeof(std::int16_t));
}

BENCHMARK(BM_VoxelPassFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SequentialReadFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VoxelPassInt16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SequentialReadInt16)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console table, plus the real time per iteration of every run, so the
// ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      realTimes_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }

  // "pass / read" for each sample type whose two benchmarks both ran.
  void printRatios() const {
    for (const char* type : {"Float", "Int16"}) {
      const auto pass = findPrefix(std::string("BM_VoxelPass") + type);
      const auto read = findPrefix(std::string("BM_SequentialRead") + type);
      if (pass <= 0 || read <= 0) continue;
      std::printf(
          "voxel pass / sequential read (%s samples): %.1fx  (%.1f ms vs %.1f ms)\n",
          type, pass / read, pass, read);
    }
  }

 private:
  double findPrefix(const std::string& prefix) const {
    for (const auto& entry : realTimes_) {
      if (entry.first.rfind(prefix, 0) == 0) return entry.second;
    }
    return 0;
  }

  std::map<std::string, double> realTimes_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TestRun::instance();  // made before any timing
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
