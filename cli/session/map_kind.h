// The three kinds of map the plug-in makes (host/dialog_contract.h), with
// the name part and description of the file the command writes for each.
#ifndef QUORVEL_CLI_SESSION_MAP_KIND_H_
#define QUORVEL_CLI_SESSION_MAP_KIND_H_

#include "host/dialog_contract.h"

namespace quorvel::cli {

using quorvel::MapKind;

// The label of the output file name: "stat-tsnr", "desc-maxdev", "desc-ac12".
const char* mapFileLabel(MapKind kind);

// One sentence saying what the map's values are.
const char* mapDescription(MapKind kind);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_MAP_KIND_H_
