// The per-volume traces and the carpet plot of a run as one SVG on one
// time axis: volume v takes the same column in every panel.
#ifndef QUORVEL_CLI_REPORT_TIMELINE_PLOT_H_
#define QUORVEL_CLI_REPORT_TIMELINE_PLOT_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/report/run_samples.h"
#include "cli/report/trace_values.h"

namespace quorvel::cli::report {

// One per-volume series.
struct Trace {
  std::string key;     // column name, e.g. "outlier_fraction"
  std::string label;   // what the panel is headed with
  TraceValues values;  // one per volume; NaN where undefined
  // A line drawn across the panel; volumes above it are marked.
  std::optional<double> threshold;
};

// Volumes (from 0) where any trace is above its threshold.
std::vector<int> markedVolumes(const std::vector<Trace>& traces);

// The SVG of `traces` (panels in the order given) over `volumes` volumes,
// then, when `carpet` has rows, the carpet picture `carpetDataUri` with
// its slice strip, and a time axis in volumes (and seconds when
// `repetitionTime` is known). Marked volumes are shaded in every panel.
std::string timelineSvg(const std::vector<Trace>& traces, int volumes,
                        std::optional<double> repetitionTime, const CarpetRows& carpet,
                        const std::string& carpetDataUri);

// Volumes of a run beyond which hovering shows every stride-th one: more
// than a page has pixel columns, so the pointer still reaches a volume in
// every column, and a page of a very long run stays small.
constexpr int kHoverVolumes = 4096;

// JSON of what hovering needs: {"volumes":n,"stride":s,"tr":s|null,
// "left":..,"width":..,"traces":[{"label":..,"values":[...]},...],
// "marked":[...]}; "values" holds volumes 0, s, 2s, ... (s is 1 up to
// kHoverVolumes volumes).
std::string timelineJson(const std::vector<Trace>& traces, int volumes,
                         std::optional<double> repetitionTime);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_TIMELINE_PLOT_H_
