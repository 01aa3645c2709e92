// The BOLD runs of a BIDS dataset: every sub-*/[ses-*/]func/*_bold.nii[.gz]
// that ".bidsignore" keeps, with what its JSON sidecars say.
#ifndef QUORVEL_CLI_BIDS_BIDS_LAYOUT_H_
#define QUORVEL_CLI_BIDS_BIDS_LAYOUT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/bids/bids_entities.h"

namespace quorvel::cli {

// One BOLD run of the dataset.
struct BidsRun {
  std::filesystem::path path;  // the file, under the dataset's folder
  std::string relativePath;    // "sub-01/ses-1/func/sub-01_ses-1_task-rest_bold.nii.gz"
  BidsName name;
  std::string entitiesText;  // "sub-01_ses-1_task-rest"
  std::string outputFolder;  // "sub-01/ses-1/func"
  // The JSON sidecars that apply to the run, the most general first.
  std::vector<std::filesystem::path> sidecars;
  std::optional<double> repetitionTime;  // seconds, from the sidecars
  // Why the run cannot be analysed (it is there as .nii and .nii.gz); "".
  std::string problem;
};

// Which runs to keep: labels without their "sub-"/"ses-"/"task-" prefix;
// an empty list keeps all.
struct RunFilter {
  std::vector<std::string> participants, sessions, tasks;
};

// The runs of `bidsFolder` that `filter` keeps, in the order of their
// relative paths. Runs whose name does not carry the sub and ses of their
// folders are not BIDS and are left out, with a note on `notes` naming the
// file, as is each sidecar whose RepetitionTime cannot be used (once).
std::vector<BidsRun> findBoldRuns(const std::filesystem::path& bidsFolder, const RunFilter& filter,
                                  std::vector<std::string>& notes);

// The JSON sidecars of the data file at `relativePath` by the inheritance
// principle: at the dataset's root and at each folder down to the file's,
// the JSON files whose suffix is the file's and whose entities are all
// among the file's, ordered from the most general to the most specific.
std::vector<std::filesystem::path> applicableSidecars(const std::filesystem::path& bidsFolder,
                                                      const std::string& relativePath);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_BIDS_LAYOUT_H_
