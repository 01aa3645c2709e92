#include "cli/quality/volume_counts.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace quorvel::cli {
namespace {

// Reads a plain decimal integer (digits only) from `text` at `pos`.
bool readNumber(const std::string& text, std::string::size_type& pos, long& value) {
  std::string::size_type start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (pos - start > 12) return false;
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return pos > start;
}

bool parseCsvRow(const std::string& line, long expectedVolume, long& outliers, long& spikes) {
  std::string::size_type pos = 0;
  long volume = 0;
  if (!readNumber(line, pos, volume) || volume != expectedVolume) return false;
  if (pos >= line.size() || line[pos++] != ',') return false;
  if (!readNumber(line, pos, outliers)) return false;
  if (pos >= line.size() || line[pos++] != ',') return false;
  if (!readNumber(line, pos, spikes)) return false;
  return pos == line.size();
}

}  // namespace

std::optional<VolumeCounts> parseOutlierCsv(const std::string& text, int volumeCount) {
  std::istringstream in(text);
  return parseOutlierCsv(in, volumeCount);
}

std::optional<VolumeCounts> parseOutlierCsv(std::istream& in, int volumeCount) {
  std::string line;
  if (!std::getline(in, line) || line.rfind("Volume, Outliers (stddev>", 0) != 0) {
    return std::nullopt;
  }
  VolumeCounts counts;
  const auto rows = static_cast<std::size_t>(std::max(volumeCount, 0));
  counts.outliers.reserve(rows);
  counts.spikes.reserve(rows);
  for (long volume = 1; volume <= volumeCount; ++volume) {
    long outliers = 0, spikes = 0;
    if (!std::getline(in, line) || in.eof() || !parseCsvRow(line, volume, outliers, spikes)) {
      return std::nullopt;  // missing, unterminated or malformed row
    }
    counts.outliers.push_back(outliers);
    counts.spikes.push_back(spikes);
  }
  if (std::getline(in, line)) return std::nullopt;  // rows beyond the run
  return counts;
}

std::optional<VolumeCounts> parseLogTable(LineRange runLog, int volumeCount) {
  const LineRange& log = runLog;
  std::size_t i = 0;
  while (i < log.size() && log[i].rfind("Number of deviating voxels", 0) != 0) ++i;
  if (i >= log.size()) return std::nullopt;
  VolumeCounts counts;
  for (long volume = 1; volume <= volumeCount; ++volume) {
    if (++i >= log.size()) return std::nullopt;
    int number = 0, consumed = 0;
    long outliers = 0, spikes = 0;
    if (std::sscanf(log[i].c_str(), "Volume %d: %ld, of which %ld spikes%n", &number, &outliers,
                    &spikes, &consumed) != 3 ||
        number != volume || static_cast<std::size_t>(consumed) != log[i].size()) {
      return std::nullopt;
    }
    counts.outliers.push_back(outliers);
    counts.spikes.push_back(spikes);
  }
  return counts;
}

std::optional<VolumeCounts> parseLogTable(const std::vector<std::string>& runLog, int volumeCount) {
  return parseLogTable(LineRange(runLog), volumeCount);
}

std::string timeseriesTsv(const VolumeCounts& counts) {
  std::string text = "outlier_count\tspike_count\n";
  for (std::size_t v = 0; v < counts.outliers.size(); ++v) {
    text += std::to_string(counts.outliers[v]) + "\t" + std::to_string(counts.spikes[v]) + "\n";
  }
  return text;
}

}  // namespace quorvel::cli
