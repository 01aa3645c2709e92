// A small BIDS dataset written by the tests: three participants, sessions,
// runs of two grids, sidecars at several levels and a file that
// .bidsignore leaves out.
#ifndef QUORVEL_TESTS_CLI_TEST_BIDS_DATASET_H_
#define QUORVEL_TESTS_CLI_TEST_BIDS_DATASET_H_

#include <filesystem>
#include <string>
#include <vector>

namespace cli_test {

// The BOLD runs the participant level must analyse, relative to the root.
std::vector<std::string> testBidsRuns();

// The run that .bidsignore leaves out.
constexpr const char kIgnoredTestRun[] = "sub-01/func/sub-01_task-rest_acq-draft_bold.nii.gz";

// Writes the dataset into `root` (made when missing). Returns false when a
// file could not be written.
bool writeTestBidsDataset(const std::filesystem::path& root);

}  // namespace cli_test

#endif  // QUORVEL_TESTS_CLI_TEST_BIDS_DATASET_H_
