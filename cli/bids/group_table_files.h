// The group table as files: "group_bold.tsv" and its dictionary
// "group_bold.json".
#ifndef QUORVEL_CLI_BIDS_GROUP_TABLE_FILES_H_
#define QUORVEL_CLI_BIDS_GROUP_TABLE_FILES_H_

#include <string>

#include "cli/bids/group_table.h"

namespace quorvel::cli {

constexpr const char kGroupTableName[] = "group_bold.tsv";
constexpr const char kGroupDictionaryName[] = "group_bold.json";

// The table as tab-separated text: the entity columns, "volumes",
// "repetition_time", every quality number, one "flag_<iqm>" column (1, 0
// or n/a) per judged number and "flag_count"; "n/a" where a value is
// missing.
std::string groupTableTsv(const GroupTable& table);

// The dictionary of the table's columns, with the flagging rule and the
// fences of this study in each flag column's description.
std::string groupDictionaryJson(const GroupTable& table);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_GROUP_TABLE_FILES_H_
