// The three kinds of map the plug-in makes (host/dialog_contract.h), with
// the name part and description of the file the command writes for each.
#ifndef QUORVEL_CLI_SESSION_MAP_KIND_H_
#define QUORVEL_CLI_SESSION_MAP_KIND_H_

#include <optional>
#include <string>

#include "host/dialog_contract.h"

namespace quorvel::cli {

using quorvel::MapKind;

// The label of the output file name: "stat-tsnr", "desc-maxdev", "desc-ac12".
const char* mapFileLabel(MapKind kind);

// One sentence saying what the map's values are.
const char* mapDescription(MapKind kind);

// The kind of a map from its display name, which begins with the plug-in's
// map name; nothing when it is none of the three.
std::optional<MapKind> mapKindOfName(const std::string& displayName);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_MAP_KIND_H_
