#include "analysis/temporal_outlier_report.h"

#include <filesystem>
#include <fstream>
#include <locale>
#include <ostream>
#include <system_error>

#include "host/host_text.h"
#include "host/process_id.h"

namespace quorvel {
namespace fs = std::filesystem;
namespace {

void logOutlierTable(const HostFunctions& host, int nrOfVolumes,
                     const std::int32_t* outlierCounts,
                     const std::int32_t* spikeCounts) {
  // The heading names the default threshold whatever maxDeviation holds.
  logText(host, "Number of deviating voxels (std>4) per volume");
  for (int v = 0; v < nrOfVolumes; ++v) {
    logFormatted(host, "Volume %3i: %5i, of which %5i spikes", v + 1,
                 static_cast<int>(outlierCounts[v]),
                 static_cast<int>(spikeCounts[v]));
  }
}

// The file the CSV text is written to before it replaces the CSV file: in
// the same folder, so the rename never crosses file systems, and named
// after this process, so hosts in two processes never write into each
// other's text. The name is short and fixed, so it fits wherever the CSV's
// own name fits; one process writes one CSV file at a time.
std::string temporaryCsvPath(const std::string& csvPath) {
  const std::string::size_type slash = csvPath.find_last_of("/\\");
  const std::string folder =
      slash == std::string::npos ? std::string() : csvPath.substr(0, slash + 1);
  return folder + ".quorvel-csv.saving." + std::to_string(currentProcessId());
}

// Writes the CSV file under a temporary name and renames it into place, so
// that the CSV file holds either its previous text or the whole new one,
// even when the host dies while it is written.
bool writeOutlierCsvFile(const HostFunctions& host, int nrOfVolumes,
                         const std::int32_t* outlierCounts,
                         const std::int32_t* spikeCounts,
                         const AnalysisSettings& settings,
                         const std::string& vtcPath) {
  const std::string csvPath = outlierCsvPath(vtcPath);
  std::error_code error;
  // A folder standing at the CSV's name could not be opened for writing.
  if (csvPath.empty() || fs::is_directory(csvPath, error)) {
    logText(host, "Opening CSV file failed!");
    return false;
  }
  const std::string temporary = temporaryCsvPath(csvPath);
  // A leftover of an earlier process with this id, or a link planted under
  // the temporary name, goes first: the text lands in a new file only.
  fs::remove(temporary, error);
  std::ofstream csv(temporary.c_str());
  if (!csv) {
    logText(host, "Opening CSV file failed!");
    return false;
  }
  bool written =
      writeOutlierCsv(csv, nrOfVolumes, outlierCounts, spikeCounts, settings);
  csv.close();
  written = written && !csv.fail();
  // std::filesystem::rename replaces an existing file on Windows too,
  // where std::rename would refuse.
  if (written) {
    fs::rename(temporary, csvPath, error);
    written = !error;
  }
  if (!written) {
    // The previous CSV file stays as it was; no half-written file stays.
    fs::remove(temporary, error);
    logFormatted(host, "Writing CSV file failed: %s", csvPath.c_str());
    return false;
  }
  logFormatted(host, "The outlier data was saved to: \n%s", csvPath.c_str());
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

bool reportTemporalOutliers(const HostFunctions& host, int nrOfVolumes,
                            const std::int32_t* outlierCounts,
                            const std::int32_t* spikeCounts,
                            const AnalysisSettings& settings,
                            const std::string& vtcPath) {
  if (settings.createTemporalOutlierLogtab) {
    logOutlierTable(host, nrOfVolumes, outlierCounts, spikeCounts);
  }
  if (settings.createTemporalOutlierFile) {
    return writeOutlierCsvFile(host, nrOfVolumes, outlierCounts, spikeCounts,
                               settings, vtcPath);
  }
  return true;
}

}  // namespace quorvel
