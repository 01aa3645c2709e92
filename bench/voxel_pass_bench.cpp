// The voxel pass on a VTC of 64 x 64 x 40 voxels and 600 volumes, with float
// and with 16-bit samples, at every instruction-set level this CPU runs, on
// a run laid out like a real one (and, at the widest level, on a run with
// twice as many bright voxels), beside the fastest single-thread read of the
// same sample array: the memory-bandwidth floor that no pass can beat. After
// the usual table it prints, per sample type and level, how many times longer
// the pass takes than the read (medians when --benchmark_repetitions asks for
// several).
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

// How a made-up run's bright voxels lie. kHead is the layout of the
// reference run that bench/compare.sh makes: an ellipsoid of tissue
// filling about 30% of the grid, as the brain fills the field of view of a
// real run. kDense makes two voxels of every three bright, the worst case
// for the pass, whose cost is in the bright voxels.
enum class Layout { kHead, kDense };

const char* layoutName(Layout layout) {
  return layout == Layout::kHead ? "head" : "dense";
}

// Whether a voxel lies in the head-shaped ellipsoid of the reference run.
bool insideHead(std::size_t voxel) {
  auto axis = [](std::size_t i, int n) {
    return -1.0 + 2.0 * static_cast<double>(i) / (n - 1);
  };
  const double x = axis(voxel % kX, kX) / 0.8;
  const double y = axis(voxel / kX % kY, kY) / 0.9;
  const double z = axis(voxel / (std::size_t{kX} * kY), kZ) / 0.85;
  return x * x + y * y + z * z <= 1.0;
}

// A made-up fMRI run: bright voxels about 1000 with noise, a slow drift
// and now and then a spike, in background near 40. Made once per layout
// and shared by every benchmark (about 393 MB of floats and 197 MB of
// integers each).
struct TestRun {
  std::vector<float> floatSamples;
  std::vector<std::int16_t> intSamples;

  explicit TestRun(Layout layout)
      : floatSamples(kSamples), intSamples(kSamples) {
    std::uint32_t state = 12345;
    auto next = [&state] {
      state = state * 1664525u + 1013904223u;
      return static_cast<float>(state >> 8) / 16777216.0f;  // [0, 1)
    };
    for (std::size_t voxel = 0; voxel < kVoxels; ++voxel) {
      const bool bright =
          layout == Layout::kHead ? insideHead(voxel) : voxel % 3 != 0;
      const float level = bright ? 800.0f + 400.0f * next() : 40.0f;
      for (int v = 0; v < kVolumes; ++v) {
        float value = level + 20.0f * (next() - 0.5f) + 0.01f * v;
        if (next() < 0.002f) value += 150.0f;
        floatSamples[voxel * kVolumes + v] = value;
        intSamples[voxel * kVolumes + v] = static_cast<std::int16_t>(value);
      }
    }
  }

  static TestRun& of(Layout layout) {
    static TestRun head(Layout::kHead);
    static TestRun dense(Layout::kDense);
    return layout == Layout::kHead ? head : dense;
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
                  bool intSamples, Layout layout) {
  const TestRun& run = TestRun::of(layout);
  quorvel::VtcSamples samples;
  if (intSamples) {
    samples.intSamples = run.intSamples.data();
  } else {
    samples.floatSamples = run.floatSamples.data();
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
  const TestRun& run = TestRun::of(Layout::kHead);
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
// runs, fastest level first, on the head-shaped run; and the pass at the
// widest level on the dense run. The read takes the same time on either.
void registerBenchmarks() {
  for (bool intSamples : {false, true}) {
    benchmark::RegisterBenchmark(
        (std::string("Read/") + typeName(intSamples)).c_str(),
        [intSamples](benchmark::State& state) {
          readEverySample(state, intSamples);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    bool widest = true;
    for (quorvel::VoxelPassIsa isa :
         {quorvel::VoxelPassIsa::kAvx512, quorvel::VoxelPassIsa::kAvx2,
          quorvel::VoxelPassIsa::kSse2, quorvel::VoxelPassIsa::kScalar}) {
      if (!quorvel::voxelPassIsaAvailable(isa)) continue;
      for (Layout layout : {Layout::kHead, Layout::kDense}) {
        if (layout == Layout::kDense && !widest) continue;
        benchmark::RegisterBenchmark(
            (std::string("VoxelPass/") + typeName(intSamples) + "/" +
             quorvel::voxelPassIsaName(isa) + "/" + layoutName(layout))
                .c_str(),
            [isa, intSamples, layout](benchmark::State& state) {
              runVoxelPass(state, isa, intSamples, layout);
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      }
      widest = false;
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
  // Both runs are made before any timing.
  TestRun::of(Layout::kHead);
  TestRun::of(Layout::kDense);
  registerBenchmarks();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
