// The key-value entities of a BIDS file name: "sub-01_ses-1_task-rest_bold"
// holds sub=01, ses=1, task=rest and the suffix "bold".
#ifndef QUORVEL_CLI_BIDS_BIDS_ENTITIES_H_
#define QUORVEL_CLI_BIDS_BIDS_ENTITIES_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::cli {

// The entities of a name in the order they appear, and its suffix.
struct BidsName {
  std::vector<std::pair<std::string, std::string>> entities;
  std::string suffix;  // "" when the name ends in an entity

  // The value of entity `key`, or nullopt.
  std::optional<std::string> value(const std::string& key) const;
};

// Splits a file name without extension ("sub-01_task-rest_bold") into its
// entities and suffix. Returns nullopt when a part between underscores is
// neither "key-value" (both sides alphanumeric) nor the last word.
std::optional<BidsName> parseBidsName(const std::string& stem);

// The file name without its extension: everything before the first dot.
std::string bidsStem(const std::string& fileName);

// Sorts entity keys into the order BIDS writes them in names (sub, ses,
// task, acq, ce, rec, dir, run, echo, part ...); unknown keys follow in
// alphabetical order.
void sortEntityKeys(std::vector<std::string>& keys);

// The labels a user gave, with or without their `prefix` ("sub-"), without it.
std::vector<std::string> withoutPrefixes(const std::vector<std::string>& labels,
                                         const std::string& prefix);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_BIDS_ENTITIES_H_
