#include "analysis/temporal_outlier_report.h"

#include <cstdio>
#include <fstream>
#include <locale>
#include <ostream>

#include "host/host_text.h"

namespace quorvel {
namespace {

void logOutlierTable(int nrOfVolumes, const std::int32_t* outlierCounts,
                     const std::int32_t* spikeCounts) {
  // The heading names the default threshold whatever maxDeviation holds.
  logText("Number of deviating voxels (std>4) per volume");
  for (int v = 0; v < nrOfVolumes; ++v) {
    logFormatted("Volume %3i: %5i, of which %5i spikes", v + 1,
                 static_cast<int>(outlierCounts[v]),
                 static_cast<int>(spikeCounts[v]));
  }
}

bool writeOutlierCsvFile(int nrOfVolumes, const std::int32_t* outlierCounts,
                         const std::int32_t* spikeCounts,
                         const AnalysisSettings& settings,
                         const std::string& vtcPath) {
  const std::string csvPath = outlierCsvPath(vtcPath);
  if (csvPath.empty()) {
    logText("Opening CSV file failed!");
    return false;
  }
  std::ofstream csv(csvPath.c_str());
  if (!csv) {
    logText("Opening CSV file failed!");
    return false;
  }
  bool written = writeOutlierCsv(csv, nrOfVolumes, outlierCounts, spikeCounts,
                                 settings);
  csv.close();
  written = written && !csv.fail();
  if (!written) {
    // No half-written file stays behind.
    std::remove(csvPath.c_str());
    logFormatted("Writing CSV file failed: %s", csvPath.c_str());
    return false;
  }
  logFormatted("The outlier data was saved to: \n%s", csvPath.c_str());
  return true;
}

}  // namespace

std::string outlierCsvPath(const std::string& vtcPath) {
  if (vtcPath.size() < 3 || vtcPath.size() >= kCsvPathBufferSize) {
    return std::string();
  }
  std::string csvPath = vtcPath;
  csvPath.replace(csvPath.size() - 3, 3, "csv");
  return csvPath;
}

bool writeOutlierCsv(std::ostream& out, int nrOfVolumes,
                     const std::int32_t* outlierCounts,
                     const std::int32_t* spikeCounts,
                     const AnalysisSettings& settings) {
  // Decimal points stay points whatever locale the host process runs in.
  out.imbue(std::locale::classic());
  out << "Volume, Outliers (stddev>" << settings.maxDeviation
      << "), Spikes (stddev:" << settings.spikeDef << ")" << std::endl;
  for (int v = 0; v < nrOfVolumes && out; ++v) {
    out << v + 1 << "," << outlierCounts[v] << "," << spikeCounts[v]
        << std::endl;
  }
  return static_cast<bool>(out);
}

bool reportTemporalOutliers(int nrOfVolumes, const std::int32_t* outlierCounts,
                            const std::int32_t* spikeCounts,
                            const AnalysisSettings& settings,
                            const std::string& vtcPath) {
  if (settings.createTemporalOutlierLogtab) {
    logOutlierTable(nrOfVolumes, outlierCounts, spikeCounts);
  }
  if (settings.createTemporalOutlierFile) {
    return writeOutlierCsvFile(nrOfVolumes, outlierCounts, spikeCounts,
                               settings, vtcPath);
  }
  return true;
}

}  // namespace quorvel
