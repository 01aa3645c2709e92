// The voxel pass on a VTC of 64 x 64 x 40 voxels and 600 volumes, with float
// and with 16-bit samples, at every instruction-set level this CPU runs,
// beside the fastest single-thread read of the same sample array: the
// memory-bandwidth floor that no pass can beat. After the usual table it
// prints, per sample type and level, how many times longer the pass takes
// than the read (medians when --benchmark_repetitions asks for several).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/voxel_pass_isa.h"
#include "analysis/voxel_statistics.h"
#include "analysis/vtc_geometry.h"
#include "fastest_read.h"

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

constexpr float kMaxDeviation = 4.0f;
constexpr float kSpikeDefinition = 3.0f;

void runVoxelPass(benchmark::State& state, quorvel::VoxelPassIsa isa,
                  bool intSamples) {
  quorvel::VtcSamples samples;
  if (intSamples) {
    samples.intSamples = TestRun::instance().intSamples.data();
  } else {
    samples.floatSamples = TestRun::instance().floatSamples.data();
  }
  std::vector<float> tsnr(kVoxels), outliers(kVoxels), autocor(kVoxels);
  quorvel::MapValueArrays maps;
  maps.tsnr = tsnr.data();
  maps.outliers = outliers.data();
  maps.laggedAutocorrelation = autocor.data();
  for (auto _ : state) {
    quorvel::VoxelWorkArrays work(kVolumes);
    quorvel::computeVoxelStatisticsAt(isa, samples, dimensions(), kMaxDeviation,
                                      kSpikeDefinition, maps, work);
    benchmark::DoNotOptimize(work.outlierCounts.data());
    benchmark::ClobberMemory();
  }
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(kSamples),
                         benchmark::Counter::kIsIterationInvariantRate);
}

void readEverySample(benchmark::State& state, bool intSamples) {
  const TestRun& run = TestRun::instance();
  const void* data = intSamples
                         ? static_cast<const void*>(run.intSamples.data())
                         : static_cast<const void*>(run.floatSamples.data());
  const std::size_t bytes =
      kSamples * (intSamples ? sizeof(std::int16_t) : sizeof(float));
  for (auto _ : state) benchmark::DoNotOptimize(foldEveryByte(data, bytes));
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(kSamples),
                         benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

const char* typeName(bool intSamples) { return intSamples ? "int16" : "float"; }

// Registers, per sample type, the read and the pass at every level this CPU
// runs, fastest level first.
void registerBenchmarks() {
  for (bool intSamples : {false, true}) {
    benchmark::RegisterBenchmark(
        (std::string("Read/") + typeName(intSamples)).c_str(),
        [intSamples](benchmark::State& state) {
          readEverySample(state, intSamples);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (quorvel::VoxelPassIsa isa :
         {quorvel::VoxelPassIsa::kAvx512, quorvel::VoxelPassIsa::kAvx2,
          quorvel::VoxelPassIsa::kSse2, quorvel::VoxelPassIsa::kScalar}) {
      if (!quorvel::voxelPassIsaAvailable(isa)) continue;
      benchmark::RegisterBenchmark(
          (std::string("VoxelPass/") + typeName(intSamples) + "/" +
           quorvel::voxelPassIsaName(isa))
              .c_str(),
          [isa, intSamples](benchmark::State& state) {
            runVoxelPass(state, isa, intSamples);
          })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
}

// The console table, plus every repetition's real and CPU time per
// iteration, so that the ratios at the end are medians of the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      Times& times = times_[run.run_name.function_name];
      times.real.push_back(run.GetAdjustedRealTime());
      times.cpu.push_back(run.GetAdjustedCPUTime());
    }
  }

  // "pass / read" for every pass whose read also ran, in real time and in
  // CPU time (the latter steadier on a machine busy with other work).
  void printRatios() const {
    std::printf("\n");
    for (const auto& entry : times_) {
      const std::string& name = entry.first;
      if (name.rfind("VoxelPass/", 0) != 0) continue;
      const std::string rest = name.substr(std::strlen("VoxelPass/"));
      const std::string type = rest.substr(0, rest.find('/'));
      const auto read = times_.find("Read/" + type);
      if (read == times_.end()) continue;
      const double pass = median(entry.second.real);
      const double floor = median(read->second.real);
      const double passCpu = median(entry.second.cpu);
      const double floorCpu = median(read->second.cpu);
      std::printf(
          "voxel pass / fastest read (%s): %.2fx real, %.2fx CPU  "
          "(%.1f ms vs %.1f ms real; medians of %zu and %zu runs)\n",
          rest.c_str(), pass / floor, passCpu / floorCpu, pass, floor,
          entry.second.real.size(), read->second.real.size());
    }
  }

 private:
  struct Times {
    std::vector<double> real;
    std::vector<double> cpu;
  };

  static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TestRun::instance();  // made before any timing
  registerBenchmarks();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
