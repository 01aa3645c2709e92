#include "cli/settings/analysis_parameters.h"

#include <charconv>
#include <cstdlib>

namespace quorvel::cli {
namespace {

// The background rule of the plug-in, which no setting changes.
constexpr double kPluginIntensityFloor = 100.0;

// The plug-in keeps its thresholds as floats: shown as the shortest
// decimal of the float, so 3.3 reads 3.3 and not its binary value.
double thresholdValue(double value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
  return std::strtod(std::string(text, result.ptr).c_str(), nullptr);
}

}  // namespace

nlohmann::ordered_json parametersJson(const AnalysisParameters& p) {
  const DialogSettings& d = p.dialog;
  return nlohmann::ordered_json{{"MaxDeviation", thresholdValue(d.maxDeviation)},
                                {"SpikeDef", thresholdValue(d.spikeDef)},
                                {"CreateTSNRMap", d.createTSNRMap},
                                {"CreateOutlierMap", d.createOutlierMap},
                                {"CreateLaggedAutocorMap", d.createLaggedAutocorMap},
                                {"CreateTemporalOutlierLogtab", d.createTemporalOutlierLogtab},
                                {"CreateTemporalOutlierFile", d.createTemporalOutlierFile},
                                {"AddVtcName", d.addVtcName},
                                {"DeleteOtherVmps", d.deleteOtherVmps},
                                {"Scale", p.scale},
                                {"IntensityFloor", kPluginIntensityFloor}};
}

std::string parametersLine(const AnalysisParameters& parameters) {
  const nlohmann::ordered_json document = parametersJson(parameters);
  std::string line;
  for (const auto& item : document.items()) {
    if (!line.empty()) line += ' ';
    line += item.key() + "=" + item.value().dump();
  }
  return line;
}

}  // namespace quorvel::cli
