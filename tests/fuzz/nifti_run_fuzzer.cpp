// Arbitrary bytes as a run file, through the whole path `quorvel run`
// takes from a file to maps: the command's NIfTI reader, the simulated host
// and the real plug-in library. Bytes that start like gzip are read as a
// .nii.gz, others as a .nii. A refusal must be an input error naming the
// file; an accepted run must come back as one map of each kind per voxel.
#include <dlfcn.h>
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/base/cli_error.h"
#include "cli/nifti/nifti_run.h"
#include "cli/session/host_session.h"

namespace {

namespace fs = std::filesystem;
using quorvel::cli::CliError;

// A private folder with the plug-in's GUI script, made once per process.
const fs::path& workFolder() {
  static const fs::path folder = [] {
    const fs::path made =
        fs::temp_directory_path() / ("quorvel-nifti-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(made);
    fs::copy_file(QUORVEL_GUI_SCRIPT_PATH, made / "Quorvel1_0.js",
                  fs::copy_options::overwrite_existing);
    // Each session loads and unloads the plug-in; its coverage counters
    // must stay mapped, or the fuzzer reads them after the unload. One
    // handle held for the whole process keeps the library loaded.
    static void* const pinned = ::dlopen(QUORVEL_PLUGIN_PATH, RTLD_NOW | RTLD_NODELETE);
    if (pinned == nullptr) std::abort();
    return made;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool gzip = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
  const fs::path run = workFolder() / (gzip ? "run.nii.gz" : "run.nii");
  std::ofstream(run, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  quorvel::cli::NiftiRun read;
  try {
    read = quorvel::cli::readNiftiRun(run.string());
  } catch (const CliError& error) {
    if (error.exitStatus() != quorvel::cli::kExitBadInput ||
        std::string(error.what()).rfind(run.string() + ": ", 0) != 0) {
      std::abort();  // a refusal must be an input error naming the file
    }
    return 0;
  }
  const std::size_t voxels = read.voxelCount();
  quorvel::cli::HostSession session(QUORVEL_PLUGIN_PATH, workFolder(), {});
  const std::string vtc = (workFolder() / "run.vtc").string();
  session.registerRun(vtc, read);
  quorvel::cli::DialogSettings settings;
  settings.maxDeviation = 0.5;  // low thresholds reach the spike rules
  settings.spikeDef = 0.25;
  session.setSettings(settings);
  session.setFileList({vtc});
  if (!session.initPlugin()) std::abort();
  if (session.execute("Start")) {
    for (const quorvel::cli::MadeMap& map : session.maps()) {
      if (map.values.size() != voxels) std::abort();
    }
  }
  return 0;
}
