// Arbitrary bytes as the path of a run: the names of its outputs, and the
// JSON sidecars that name the run, must come out whatever the path holds
// (slashes, invalid UTF-8, very long names).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/outputs/output_names.h"
#include "cli/outputs/sidecars.h"
#include "cli/session/map_kind.h"

namespace {

using namespace quorvel::cli;

void check(bool holds) {
  if (!holds) std::abort();
}

// An output name: a plain file name that begins with the run's entities.
void checkName(const std::string& name, const RunOutputNames& names) {
  check(name.find('/') == std::string::npos && name.rfind(names.entities, 0) == 0);
}

void checkJson(const std::string& text) {
  check(!nlohmann::json::parse(text, nullptr, false).is_discarded());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const RunOutputNames names = outputNamesFor(path);
  check(names.stem.rfind(names.entities, 0) == 0);
  for (const std::string& name :
       {names.vtcName(), names.csvName(), names.timeseriesName(), names.timeseriesSidecarName(),
        names.iqmName(), names.reportName()}) {
    checkName(name, names);
  }
  const std::string source = std::filesystem::path(path).filename().string();
  for (const MapKind kind : quorvel::kMapKinds) {
    checkName(names.mapName(kind), names);
    checkName(names.mapSidecarName(kind), names);
    MapFacts facts;
    facts.displayName = source;
    checkJson(mapSidecarJson(kind, facts, source, AnalysisParameters{}, {path}));
  }
  checkJson(timeseriesSidecarJson(AnalysisParameters{}, source, {path}));
  return 0;
}
