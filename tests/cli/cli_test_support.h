// Helpers of the quorvel command's tests: temporary folders, small NIfTI
// runs written with nifti_clib, and the built command run as a process.
#ifndef QUORVEL_TESTS_CLI_CLI_TEST_SUPPORT_H_
#define QUORVEL_TESTS_CLI_CLI_TEST_SUPPORT_H_

#include <nifti2_io.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace cli_test {

// The suite's temporary folder.
using quorvel_test::TempFolder;

// A small 4D run: samples volume after volume (x fastest).
struct TestRun {
  int nx = 3, ny = 2, nz = 2, nt = 30;
  std::vector<double> samples;  // nx*ny*nz*nt values
  int datatype = DT_INT16;
  double sclSlope = 0.0, sclInter = 0.0;
  bool nifti2 = false;
  bool withUnits = false;  // millimetres and seconds in the header (NIfTI-1 only)

  double& at(int x, int y, int z, int t) {
    return samples[((static_cast<std::size_t>(t) * nz + z) * ny + y) * nx + x];
  }
  // One voxel's time course in time order.
  std::vector<double> course(int x, int y, int z) const;
};

// A run whose voxels all sit near 1000 with a fixed pseudo-random wobble,
// one background voxel near 20 and, in voxel (1,0,0), a spike in volume 12.
TestRun typicalRun(int nx = 3, int ny = 2, int nz = 2, int nt = 30);

// Writes `run` to `path` (".nii" or ".nii.gz") with 2 mm voxels and an
// oblique sform, and returns nothing; fails the test on error.
void writeRun(const TestRun& run, const std::string& path);

using ImagePtr = std::unique_ptr<nifti_image, void (*)(nifti_image*)>;
// The image at `path` with its data, or null.
ImagePtr loadImage(const std::string& path);

// What a run of the command gave.
struct CommandResult {
  int exitStatus = -1;
  std::string out, err;
};

// Runs the built quorvel (or the copy at `executable`) with `arguments`
// (each quoted for the shell) in `workingFolder`, with XDG_CONFIG_HOME
// pointing into it. `shellPrefix` runs first in the same shell (e.g.
// "ulimit -f 16; "). While it runs, its standard error collects in
// `workingFolder`/.test-stderr.
CommandResult runQuorvel(const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingFolder,
                         const std::string& shellPrefix = "",
                         const std::filesystem::path& executable = QUORVEL_EXECUTABLE);

// Starts the tests' build of quorvel that can stop itself (as runQuorvel
// starts quorvel, its output thrown away) with `arguments` in
// `workingFolder`, lets it stop itself at the
// named `step` of a call (QUORVEL_TEST_STOP_AT), then kills it with
// SIGKILL. Returns whether it reached the step; a command that ended first
// is not killed.
bool killQuorvelAt(const std::string& step, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& text);
// Names of the entries of `folder`, sorted; empty when it does not exist.
std::vector<std::string> folderEntries(const std::filesystem::path& folder);

}  // namespace cli_test

#endif  // QUORVEL_TESTS_CLI_CLI_TEST_SUPPORT_H_
