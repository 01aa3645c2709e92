// The three kinds of map the plug-in makes, with the plug-in's map name and
// the name part and description of the file the command writes for each.
#ifndef QUORVEL_CLI_SESSION_MAP_KIND_H_
#define QUORVEL_CLI_SESSION_MAP_KIND_H_

#include <array>
#include <optional>
#include <string>

namespace quorvel::cli {

enum class MapKind { kTsnr, kMaxDeviation, kAutocorrelation };

// The kinds in the order in which the plug-in adds them for a run.
constexpr std::array<MapKind, 3> kMapKinds = {
    MapKind::kTsnr, MapKind::kMaxDeviation, MapKind::kAutocorrelation};

// The name the plug-in gives the map ("TSNR", ...), before any " of <run>".
const char* pluginMapName(MapKind kind);

// The label of the output file name: "stat-tsnr", "desc-maxdev", "desc-ac12".
const char* mapFileLabel(MapKind kind);

// One sentence saying what the map's values are.
const char* mapDescription(MapKind kind);

// The kind of a map from its display name, which begins with the plug-in's
// map name; nothing when it is none of the three.
std::optional<MapKind> mapKindOfName(const std::string& displayName);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_MAP_KIND_H_
