// The JSON files beside the outputs: one per map, one per counts table,
// and the description of the whole output folder.
#ifndef QUORVEL_CLI_OUTPUTS_SIDECARS_H_
#define QUORVEL_CLI_OUTPUTS_SIDECARS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "cli/session/map_facts.h"
#include "cli/session/map_kind.h"
#include "cli/settings/analysis_parameters.h"

namespace quorvel::cli {

// Sidecar of a map image: its display name and thresholds, what its values
// mean, the run it was made from (`sourceName`, a file name), the
// parameters of the analysis and, when there are any, the run's `warnings`
// under "Warnings".
std::string mapSidecarJson(MapKind kind, const MapFacts& facts, const std::string& sourceName,
                           const AnalysisParameters& parameters,
                           const std::vector<std::string>& warnings = {});

// Sidecar of the counts table: a description of each column, and the
// sampling of its rows, one per volume ("TR"), and the parameters of the
// analysis, whose thresholds the counts were made with, and the run's
// `warnings` under "Warnings" when there are any; with `standardIqms`
// also the columns the field's standard IQMs add.
std::string timeseriesSidecarJson(const AnalysisParameters& parameters,
                                  const std::string& sourceName,
                                  const std::vector<std::string>& warnings = {},
                                  bool standardIqms = false);

// The output folder's dataset_description.json, with a GeneratedBy entry.
std::string datasetDescriptionJson();

// Whether `text` is a dataset_description.json that this command wrote:
// valid JSON whose GeneratedBy list has an entry named "Quorvel" (in any
// letter case). A study's own description is never replaced.
bool isQuorvelDatasetDescription(const std::string& text);

// Whether the dataset_description.json at `path` may be replaced: there is
// none, or it is a regular file holding one that quorvel wrote.
bool mayReplaceDatasetDescription(const std::filesystem::path& path);

// Whether `text` can be written as a JSON string: it is valid UTF-8.
bool isJsonText(const std::string& text);

// `text` for a message, each byte that is not UTF-8 shown as U+FFFD.
std::string shownAsText(const std::string& text);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_SIDECARS_H_
