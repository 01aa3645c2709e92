// What the standard functional IQMs add to `quorvel run`: their CPU time
// on a run, against the CPU time of a whole `quorvel run` of the same file
// by a build that does not compute them, in interleaved rounds of one
// program run. A fingerprint of every IQM's bits shows that two builds, or
// two thread counts, give the same numbers.
//
// Usage: functional_iqms_bench --run FILE.nii [--whole-run QUORVEL]
//                              [--rounds N] [--threads N]
//   --whole-run  a `quorvel` without the IQMs (e.g. an older build); left
//                out, only the IQMs are timed
//   --threads    the IQMs' threads (default 2, as `quorvel run` on two cores)
// Each stage's share follows: which part a speed-up has to come from.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "cli/nifti/nifti_run.h"
#include "cli/quality/functional_iqms.h"
#include "cli/quality/image_iqms.h"
#include "cli/quality/quality_index.h"
#include "cli/quality/smoothness.h"
#include "cli/quality/temporal_iqms.h"

namespace {

using namespace quorvel::cli;

// FNV-1a over the bits of every number the IQM file, table, maps and
// report take from the IQMs.
class Fingerprint {
 public:
  void add(const void* bytes, std::size_t size) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i)
      hash_ = (hash_ ^ b[i]) * 1099511628211ull;
  }
  void add(double value) { add(&value, sizeof value); }
  void add(const std::optional<double>& value) {
    add(value.has_value() ? 1.0 : 0.0);
    if (value) add(*value);
  }
  void add(const OptionalSeries& values) {
    for (const std::optional<double> value : values) add(value);
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ull;
};

std::uint64_t fingerprintOf(const FunctionalIqms& iqms) {
  Fingerprint f;
  f.add(static_cast<double>(iqms.dummy));
  f.add(iqms.mask.data(), iqms.mask.size());
  f.add(iqms.meanImage.data(), iqms.meanImage.size() * sizeof(double));
  const TemporalIqms& t = iqms.temporal;
  for (const auto* value : {&t.tsnr, &t.dvarsStd, &t.dvarsNstd, &t.dvarsVstd,
                            &t.gcor, &t.aor, &t.intensityMedian}) {
    f.add(*value);
  }
  for (const auto* series : {&t.dvarsStdSeries, &t.dvarsNstdSeries,
                             &t.dvarsVstdSeries, &t.aorSeries}) {
    f.add(*series);
  }
  f.add(t.medianImage.data(), t.medianImage.size() * sizeof(double));
  f.add(iqms.quality.mean);
  f.add(iqms.quality.series);
  for (const auto* value :
       {&iqms.image.efc, &iqms.image.fber, &iqms.image.snr, &iqms.image.gsrX,
        &iqms.image.gsrY, &iqms.smoothness.x, &iqms.smoothness.y,
        &iqms.smoothness.z, &iqms.smoothness.average}) {
    f.add(*value);
  }
  return f.value();
}

// The CPU seconds (user and system) of `quorvel run` on `run`, or a
// negative number when it fails.
double wholeRunCpu(const std::string& quorvel, const std::string& run,
                   const std::filesystem::path& work) {
  std::filesystem::remove_all(work);
  const std::string out = (work / "out").string(),
                    settings = (work / "settings").string();
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    execl(quorvel.c_str(), quorvel.c_str(), "run", "--quiet", "--out",
          out.c_str(), "--settings-dir", settings.c_str(), run.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child ||
      !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) +
           1e-6 * static_cast<double>(t.tv_usec);
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The CPU seconds of computeFunctionalIqms' stages, one call each, in
// its order.
struct StageCpu {
  double brain = 0, temporal = 0, quality = 0, image = 0;
};

StageCpu stageCpu(const SampleView& samples, const VoxelGrid& grid,
                  unsigned threads) {
  StageCpu cpu;
  double start = cpuSeconds();
  FunctionalIqms iqms = steadyStateBrain(samples, grid, threads);
  cpu.brain = cpuSeconds() - start;
  start = cpuSeconds();
  iqms.temporal = temporalIqms(samples, iqms.mask, iqms.dummy, threads);
  cpu.temporal = cpuSeconds() - start;
  start = cpuSeconds();
  iqms.quality =
      qualityIndex(samples, iqms.temporal.medianImage, iqms.dummy, threads);
  cpu.quality = cpuSeconds() - start;
  start = cpuSeconds();
  iqms.image = imageIqms(iqms.meanImage, iqms.mask, grid);
  iqms.smoothness = firstDifferenceFwhm(iqms.meanImage, iqms.mask, grid);
  cpu.image = cpuSeconds() - start;
  return cpu;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  unsigned threads = 2;
  std::string run, quorvel;
  for (int a = 1; a + 1 < argc; a += 2) {
    const std::string flag = argv[a];
    if (flag == "--run") {
      run = argv[a + 1];
    } else if (flag == "--whole-run") {
      quorvel = argv[a + 1];
    } else if (flag == "--rounds") {
      rounds = std::max(1, std::atoi(argv[a + 1]));
    } else if (flag == "--threads") {
      threads = static_cast<unsigned>(std::max(1, std::atoi(argv[a + 1])));
    }
  }
  if (run.empty()) {
    std::fprintf(stderr, "functional_iqms_bench: give --run FILE.nii\n");
    return 2;
  }
  const NiftiRun nifti = readNiftiRun(run, 2);
  const SampleView samples{nifti.isInt16 ? nifti.intSamples.data() : nullptr,
                           nifti.isInt16 ? nullptr : nifti.floatSamples.data(),
                           nifti.voxelCount(),
                           static_cast<std::size_t>(nifti.nt)};
  const VoxelGrid grid{static_cast<std::size_t>(nifti.nx),
                       static_cast<std::size_t>(nifti.ny),
                       static_cast<std::size_t>(nifti.nz)};
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() /
      ("functional_iqms_bench." + std::to_string(::getpid()));

  std::vector<double> iqmCpu, wholeCpu;
  std::vector<double> brainCpu, temporalCpu, qualityCpu, imageCpu;
  std::uint64_t fingerprint = 0;
  bool sameBits = true;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first, so that a drift of the machine's speed
    // touches both alike.
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn + round) % 2 == 0) {
        const double start = cpuSeconds();
        const FunctionalIqms iqms =
            computeFunctionalIqms(samples, grid, threads);
        iqmCpu.push_back(cpuSeconds() - start);
        const std::uint64_t print = fingerprintOf(iqms);
        if (round > 0 && print != fingerprint) sameBits = false;
        fingerprint = print;
        const StageCpu stages = stageCpu(samples, grid, threads);
        brainCpu.push_back(stages.brain);
        temporalCpu.push_back(stages.temporal);
        qualityCpu.push_back(stages.quality);
        imageCpu.push_back(stages.image);
      } else if (!quorvel.empty()) {
        const double cpu = wholeRunCpu(quorvel, run, work);
        if (cpu < 0) {
          std::fprintf(stderr, "functional_iqms_bench: %s run %s failed\n",
                       quorvel.c_str(), run.c_str());
          std::filesystem::remove_all(work);
          return 1;
        }
        wholeCpu.push_back(cpu);
      }
    }
  }
  std::filesystem::remove_all(work);
  std::printf("run %s: %d x %d x %d x %d, %u threads, median of %d rounds\n",
              run.c_str(), nifti.nx, nifti.ny, nifti.nz, nifti.nt, threads,
              rounds);
  std::printf("IQMs                %8.3f s CPU   fingerprint %016llx%s\n",
              median(iqmCpu), static_cast<unsigned long long>(fingerprint),
              sameBits ? "" : "  (NOT the same in every round)");
  const double all = median(iqmCpu);
  const auto stage = [all](const char* name, const std::vector<double>& cpu) {
    std::printf("  %-28s %8.3f s CPU   %5.1f %%\n", name, median(cpu),
                100.0 * median(cpu) / all);
  };
  stage("steady state, brain mask", brainCpu);
  stage("tsnr, dvars, gcor, aor", temporalCpu);
  stage("aqi", qualityCpu);
  stage("image IQMs, smoothness", imageCpu);
  if (!wholeCpu.empty()) {
    std::printf("whole run without   %8.3f s CPU\n", median(wholeCpu));
    std::printf("IQMs / whole run    %8.3f\n",
                median(iqmCpu) / median(wholeCpu));
  }
  return sameBits ? 0 : 1;
}
