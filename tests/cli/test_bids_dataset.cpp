#include "test_bids_dataset.h"

#include <fstream>

#include "cli_test_support.h"

namespace cli_test {
namespace fs = std::filesystem;
namespace {

bool writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// A run of the typical kind, its wobble scaled by `noise`.
TestRun scaledRun(int nx, int ny, double noise) {
  TestRun run = typicalRun(nx, ny, 2, 30);
  run.withUnits = true;
  for (int z = 0; z < run.nz; ++z)
    for (int y = 0; y < run.ny; ++y)
      for (int x = 0; x < run.nx; ++x) {
        const double base = 1000.0 + 40.0 * x + 7.0 * y - 3.0 * z;
        for (int t = 0; t < run.nt; ++t) {
          if (run.at(x, y, z, t) > 500)
            run.at(x, y, z, t) = base + (run.at(x, y, z, t) - base) * noise;
        }
      }
  return run;
}

}  // namespace

std::vector<std::string> testBidsRuns() {
  return {"sub-01/func/sub-01_task-motor_bold.nii.gz",
          "sub-01/func/sub-01_task-rest_bold.nii.gz",
          "sub-02/ses-1/func/sub-02_ses-1_task-rest_bold.nii.gz",
          "sub-02/ses-2/func/sub-02_ses-2_task-rest_bold.nii.gz",
          "sub-03/func/sub-03_task-rest_run-1_bold.nii.gz",
          "sub-03/func/sub-03_task-rest_run-2_bold.nii.gz"};
}

bool writeTestBidsDataset(const fs::path& root) {
  bool ok = writeText(root / "dataset_description.json",
                      "{\"Name\": \"Quorvel test study\", \"BIDSVersion\": \"1.9.0\", "
                      "\"DatasetType\": \"raw\", \"Authors\": [\"Quorvel tests\"]}\n");
  ok = ok && writeText(root / "README", "A tiny study written by Quorvel's tests.\n");
  ok = ok && writeText(root / "participants.tsv", "participant_id\nsub-01\nsub-02\nsub-03\n");
  ok = ok && writeText(root / ".bidsignore", "# drafts are not part of the study\n*_acq-draft_*\n");
  ok = ok && writeText(root / "task-rest_bold.json",
                       "{\"TaskName\": \"rest\", \"RepetitionTime\": 1.5}\n");
  ok = ok && writeText(root / "task-motor_bold.json",
                       "{\"TaskName\": \"motor\", \"RepetitionTime\": 1.5}\n");
  // A session-level sidecar that overrides the root's.
  ok = ok && writeText(root / "sub-02/ses-2/func/sub-02_ses-2_task-rest_bold.json",
                       "{\"RepetitionTime\": 1.5, \"Instructions\": \"eyes closed\"}\n");
  const double noise[] = {1.0, 0.9, 1.1, 1.0, 1.05, 4.0};
  const std::vector<std::string> runs = testBidsRuns();
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const bool otherGrid = runs[i].rfind("sub-03", 0) == 0;
    fs::create_directories((root / runs[i]).parent_path());
    writeRun(scaledRun(otherGrid ? 4 : 3, otherGrid ? 3 : 2, noise[i]), (root / runs[i]).string());
  }
  writeRun(scaledRun(3, 2, 1.0), (root / kIgnoredTestRun).string());
  for (const std::string& run : runs) ok = ok && fs::exists(root / run);
  return ok && fs::exists(root / kIgnoredTestRun);
}

}  // namespace cli_test
