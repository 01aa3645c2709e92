// The maps a run adds to the current VMR: their kinds, their display names,
// and the two hand-overs of each map's record to the host.
#ifndef QUORVEL_ANALYSIS_MAP_PREPARATION_H_
#define QUORVEL_ANALYSIS_MAP_PREPARATION_H_

#include <cstddef>
#include <string>

#include "analysis/analysis_settings.h"
#include "host/dialog_contract.h"
#include "host/host_function_table.h"
#include "host/host_records.h"

namespace quorvel {

// Whether the settings ask for a map of `kind`.
bool isMapRequested(MapKind kind, const AnalysisSettings& settings);

// The name a map shows: the bare name, or "<name> of <file>" when
// `addVtcName` is set, where <file> is the part of `vtcPath` after its last
// "/"; cut to its first 100 characters.
std::string composeMapDisplayName(const char* name, const std::string& vtcPath,
                                  bool addVtcName);

// A map the host has just added: its index in the VMR and its value array.
struct PreparedMap {
  int index = -1;
  float* values = nullptr;
};

// Names the map the host has just added as the last one of the current VMR:
// logs "Added the %s VMP", refills `maps` to find its index, fetches its
// record and value array, copies the display name into the record's name
// storage and hands the record back. Returns false, after the message box
// "Failed to get access to the %s VMP", when the map's values or name
// storage cannot be reached.
bool prepareNewMap(const HostFunctions& host, const char* name,
                   const VTCHeader& vtc, bool addVtcName, NRVMPsHeader& maps,
                   NRVMPRecord& record, PreparedMap& prepared);

// Writes the thresholds and display fields of a map of `kind` into its
// record. `settings` tells which other maps were made for the same VTC.
void setMapParameters(MapKind kind, const AnalysisSettings& settings,
                      NRVMPRecord& record);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_MAP_PREPARATION_H_
