// The quality numbers of a run as the participant level writes them in
// each run's "<entities>_desc-qc_iqms.json", and what each one means.
#ifndef QUORVEL_CLI_BIDS_IQM_COLUMNS_H_
#define QUORVEL_CLI_BIDS_IQM_COLUMNS_H_

#include <string>
#include <vector>

namespace quorvel::cli {

// One quality number: its key in the IQM JSON and column of the group
// table, and its description for the table's dictionary.
struct IqmColumn {
  std::string name;
  std::string longName;
  std::string description;
  std::string units;  // "" when it has none
  bool flagged;       // whether the study-wide rule judges it
};

// The known quality numbers, in the order of the group table's columns.
// Raw counts are not flagged: they grow with the grid and the run's length,
// and their fractions are flagged instead.
const std::vector<IqmColumn>& knownIqmColumns();

// The suffix and extension of a run's IQM file: "_desc-qc_iqms.json".
constexpr const char kIqmFileSuffix[] = "_desc-qc_iqms.json";

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_IQM_COLUMNS_H_
