// The dataset_description.json at the root of the participant level's
// output folder: a derivatives dataset made by Quorvel from the BIDS
// dataset, which its sidecars name as "raw" in BIDS URIs.
#ifndef QUORVEL_CLI_BIDS_DERIVATIVES_DESCRIPTION_H_
#define QUORVEL_CLI_BIDS_DERIVATIVES_DESCRIPTION_H_

#include <filesystem>
#include <string>

namespace quorvel::cli {

// The name of the source dataset in BIDS URIs: "bids:raw:sub-01/...".
constexpr const char kSourceDatasetName[] = "raw";

// The link to `bidsFolder` from `outFolder`: a relative path when the
// outputs lie inside the dataset (derivatives/quorvel gives "../.."), else
// a file:// URI of its absolute path; either percent-encoded as a URI's
// path.
std::string sourceDatasetLink(const std::filesystem::path& bidsFolder,
                              const std::filesystem::path& outFolder);

// The description: DatasetType derivative, GeneratedBy Quorvel with its
// version, SourceDatasets and DatasetLinks pointing at `bidsFolder` (with
// the dataset's DOI when its own description gives one).
std::string derivativesDescriptionJson(const std::filesystem::path& bidsFolder,
                                       const std::filesystem::path& outFolder);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_DERIVATIVES_DESCRIPTION_H_
