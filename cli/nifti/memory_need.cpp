#include "cli/nifti/memory_need.h"

#include "cli/base/number_text.h"

namespace quorvel::cli {
namespace {

// The host's float samples and the reader's and statistics' working copies.
constexpr double kBytesPerSample = 8.0;
// The plug-in's log line and counts, and the per-volume series of the
// quality numbers, as measured on runs of one voxel and 10^6 and 10^7
// volumes (bench/long_run_memory.sh).
constexpr double kBytesPerVolume = 220.0;

}  // namespace

double memoryNeedOfRun(std::size_t voxels, std::size_t volumes) {
  const double samples = static_cast<double>(voxels) * static_cast<double>(volumes);
  return kBytesPerSample * samples + kBytesPerVolume * static_cast<double>(volumes);
}

CliError notEnoughMemoryFor(const std::string& runPath, std::size_t voxels, std::size_t volumes) {
  const double gigabytes = memoryNeedOfRun(voxels, volumes) / 1e9;
  return runError(runPath + ": " + std::to_string(volumes) + " volumes of " +
                  std::to_string(voxels) + " voxels need about " +
                  fixedText(gigabytes < 0.1 ? 0.1 : gigabytes, 1) + " GB; not enough memory");
}

}  // namespace quorvel::cli
