// The run page: one self-contained HTML file with a run's facts, quality
// numbers, map mosaics, per-volume traces, carpet plot and verdicts.
#ifndef QUORVEL_CLI_REPORT_RUN_PAGE_H_
#define QUORVEL_CLI_REPORT_RUN_PAGE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/report/run_samples.h"
#include "cli/report/slice_mosaic.h"
#include "cli/report/timeline_plot.h"
#include "cli/report/value_scale.h"

namespace quorvel::cli::report {

// One quality number of the header.
struct QualityNumber {
  std::string key;      // name in the numbers file, e.g. "tsnr_median"
  std::string label;    // e.g. "Median TSNR"
  double value = 0;     // NaN when undefined for the run
  std::string limit;    // the threshold in words, e.g. "below 40"; "" for none
  bool beyond = false;  // the value is past that threshold
};

// One map to show as a mosaic.
struct MapPanel {
  std::string key;            // "mean", "tsnr", "maxdev", "ac12"
  std::string title;          // e.g. "TSNR"
  std::string description;    // one sentence on what the values are
  std::vector<float> values;  // one per voxel, x fastest
  ValueScale scale;
  std::vector<double> ticks;  // values labelled under the colour bar
};

struct RunPageInput {
  std::string runName;  // the run as the user named it
  VolumeGrid grid;
  int volumes = 0;
  std::optional<double> repetitionTime;                         // seconds
  std::vector<std::pair<std::string, std::string>> parameters;  // name, value
  std::vector<QualityNumber> numbers;
  std::vector<std::uint8_t> mask;       // analysed voxels
  std::vector<std::uint8_t> brainMask;  // the IQMs' brain mask, outlined; may be empty
  std::size_t analysedVoxels = 0;
  std::vector<float> meanImage;  // for the dimmed background
  std::vector<MapPanel> maps;    // in the order shown
  std::vector<Trace> traces;
  CarpetRows carpet;
  std::vector<std::string> verdicts;  // short findings, one sentence each
  std::vector<std::string> warnings;
  std::vector<std::string> log;  // the plug-in's log lines of the run
  // Make the pictures (mosaics, carpet) on threads of their own; the page
  // is the same either way.
  bool picturesSideBySide = false;
};

// The page's HTML. Every text of `input` is escaped.
std::string runPageHtml(const RunPageInput& input);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_RUN_PAGE_H_
