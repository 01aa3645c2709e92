#include "cli/report/timeline_plot.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cli/report/carpet_plot.h"
#include "cli/report/html_text.h"

namespace quorvel::cli::report {
namespace {

// Layout in SVG units; the page scales the SVG to its width.
constexpr double kWidth = 1000.0;
constexpr double kLeft = 96.0;  // room for the value labels
constexpr double kRight = 14.0;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kTitle = 17.0;  // panel heading above each panel
constexpr double kPanel = 58.0;
constexpr double kGap = 8.0;
constexpr double kCarpet = 250.0;
constexpr double kAxis = 34.0;
constexpr double kStrip = 10.0;  // slice strip left of the carpet

const char* const kTraceColours[] = {"#3b528b", "#b2182b", "#1f8a70", "#5b5f66", "#8e44ad"};

double columnCentre(int volume, int volumes) {
  return kLeft + (volume + 0.5) * kPlotWidth / volumes;
}

// A step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double niceStep(double span, int count) {
  if (!(span > 0)) return 1.0;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

std::string text(double x, double y, const std::string& anchor, const std::string& cls,
                 const std::string& content) {
  return "<text x=\"" + fixed(x) + "\" y=\"" + fixed(y) + "\" text-anchor=\"" + anchor +
         "\" class=\"" + cls + "\">" + escapeHtml(content) + "</text>";
}

// One trace panel with its top at `top`.
std::string panelSvg(const Trace& trace, int volumes, double top, const char* colour) {
  double low = 0.0, high = 0.0;
  bool any = false;
  for (std::size_t at = 0; at < trace.values.size(); ++at) {
    const double v = trace.values[at];
    if (!std::isfinite(v)) continue;
    low = any ? std::min(low, v) : v;
    high = any ? std::max(high, v) : v;
    any = true;
  }
  // Counts and fractions start at 0; series around a level (the global
  // signal) use their own range.
  if (any && low >= 0 && low < 0.5 * high) low = 0.0;
  if (trace.threshold && std::isfinite(*trace.threshold)) high = std::max(high, *trace.threshold);
  if (!(high > low)) high = low + 1.0;
  const double plotTop = top + kTitle;
  auto yOf = [&](double v) { return plotTop + kPanel - (v - low) / (high - low) * kPanel; };

  std::string svg = "<g class=\"trace\" data-key=\"" + escapeHtml(trace.key) + "\">";
  svg += text(kLeft, top + 12.5, "start", "panel-title", trace.label);
  svg += "<rect class=\"panel\" x=\"" + fixed(kLeft) + "\" y=\"" + fixed(plotTop) + "\" width=\"" +
         fixed(kPlotWidth) + "\" height=\"" + fixed(kPanel) + "\"/>";
  svg += text(kLeft - 6, plotTop + 9, "end", "tick", numberText(high, 3));
  svg += text(kLeft - 6, plotTop + kPanel, "end", "tick", numberText(low, 3));
  if (trace.threshold && std::isfinite(*trace.threshold)) {
    const double y = yOf(*trace.threshold);
    svg += "<line class=\"threshold\" x1=\"" + fixed(kLeft) + "\" x2=\"" +
           fixed(kLeft + kPlotWidth) + "\" y1=\"" + fixed(y) + "\" y2=\"" + fixed(y) + "\"/>";
    svg += text(kLeft + kPlotWidth - 2, y - 3, "end", "threshold-label",
                "threshold " + numberText(*trace.threshold, 3));
  }
  // One polyline per stretch of defined values, one point per volume; the
  // volumes that share a column of the page (a long run's) are drawn by
  // their first, lowest, highest and last points, which cover the same
  // stroke, so the page does not grow with the run past its width.
  std::string points;
  std::string column;  // the x of the volumes in `shared`
  std::vector<double> shared;
  auto addPoint = [&](double y) {
    const std::string point = column + "," + fixed(y);
    const std::size_t last = points.rfind(' ') == std::string::npos ? 0 : points.rfind(' ') + 1;
    if (points.compare(last, std::string::npos, point) == 0) return;
    if (!points.empty()) points += ' ';
    points += point;
  };
  auto closeColumn = [&] {
    if (shared.empty()) return;
    const auto [lowest, highest] = std::minmax_element(shared.begin(), shared.end());
    for (auto at :
         {shared.begin(), std::min(lowest, highest), std::max(lowest, highest), shared.end() - 1}) {
      addPoint(*at);
    }
    shared.clear();
  };
  auto flush = [&] {
    closeColumn();
    if (!points.empty()) {
      svg += "<polyline class=\"series\" stroke=\"" + std::string(colour) + "\" points=\"";
      svg += points;
      svg += "\"/>";
    }
    points.clear();
  };
  for (int v = 0; v < volumes; ++v) {
    const double value = v < static_cast<int>(trace.values.size()) ? trace.values[v] : NAN;
    if (!std::isfinite(value)) {
      flush();
      continue;
    }
    std::string x = fixed(columnCentre(v, volumes));
    if (x != column) {
      closeColumn();
      column = std::move(x);
    }
    shared.push_back(yOf(value));
  }
  flush();
  if (!any) {
    svg += text(kLeft + kPlotWidth / 2, plotTop + kPanel / 2 + 4, "middle", "tick",
                "not defined for this run");
  }
  return svg + "</g>";
}

}  // namespace

std::vector<int> markedVolumes(const std::vector<Trace>& traces) {
  std::vector<int> marked;
  std::size_t volumes = 0;
  for (const Trace& trace : traces) volumes = std::max(volumes, trace.values.size());
  for (std::size_t v = 0; v < volumes; ++v) {
    for (const Trace& trace : traces) {
      if (trace.threshold && v < trace.values.size() && trace.values[v] > *trace.threshold) {
        marked.push_back(static_cast<int>(v));
        break;
      }
    }
  }
  return marked;
}

std::string timelineSvg(const std::vector<Trace>& traces, int volumes,
                        std::optional<double> repetitionTime, const CarpetRows& carpet,
                        const std::string& carpetDataUri) {
  volumes = std::max(volumes, 1);
  const bool hasCarpet = carpet.rows() > 0 && !carpetDataUri.empty();
  const double panelsHeight = static_cast<double>(traces.size()) * (kTitle + kPanel + kGap);
  const double carpetTop = panelsHeight + kTitle;
  const double axisTop = hasCarpet ? carpetTop + kCarpet + 4 : panelsHeight;
  const double height = axisTop + kAxis;

  std::string svg = "<svg id=\"timeline\" class=\"timeline\" viewBox=\"0 0 " + fixed(kWidth, 0) +
                    " " + fixed(height, 0) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" "
                    "role=\"img\" aria-label=\"per-volume traces and carpet plot\">";
  // Marked volumes: a shaded column through every panel and the carpet.
  const double columnWidth = kPlotWidth / volumes;
  for (int v : markedVolumes(traces)) {
    svg += "<rect class=\"mark\" data-volume=\"" + std::to_string(v + 1) + "\" x=\"" +
           fixed(kLeft + v * columnWidth, 2) + "\" y=\"0\" width=\"" +
           fixed(std::max(columnWidth, 1.5), 2) + "\" height=\"" + fixed(axisTop) + "\"/>";
  }
  for (std::size_t i = 0; i < traces.size(); ++i) {
    svg += panelSvg(traces[i], volumes, static_cast<double>(i) * (kTitle + kPanel + kGap),
                    kTraceColours[i % (sizeof kTraceColours / sizeof *kTraceColours)]);
  }
  if (hasCarpet) {
    svg += "<g class=\"carpet\" data-rows=\"" + std::to_string(carpet.rows()) +
           "\" data-volumes=\"" + std::to_string(carpet.volumes) + "\">";
    svg +=
        text(kLeft, carpetTop - 4.5, "start", "panel-title",
             "Carpet: " + std::to_string(carpet.rows()) +
                 " analysed voxels (rows, grouped by slice from the bottom up) x " +
                 std::to_string(carpet.volumes) + " volumes; standardised, black -" +
                 numberText(kCarpetRange, 2) + " to white +" + numberText(kCarpetRange, 2) + " SD");
    svg += "<image class=\"carpet-image\" x=\"" + fixed(kLeft) + "\" y=\"" + fixed(carpetTop) +
           "\" width=\"" + fixed(kPlotWidth) + "\" height=\"" + fixed(kCarpet) +
           "\" preserveAspectRatio=\"none\" href=\"" + carpetDataUri + "\"/>";
    svg += sliceStripSvg(carpet, kLeft - kStrip - 3, carpetTop, kStrip, kCarpet);
    svg += text(kLeft - kStrip - 7, carpetTop + 9, "end", "tick", "slices");
    svg += "</g>";
  }
  // Time axis.
  svg += "<g class=\"axis\">";
  svg += "<line x1=\"" + fixed(kLeft) + "\" x2=\"" + fixed(kLeft + kPlotWidth) + "\" y1=\"" +
         fixed(axisTop) + "\" y2=\"" + fixed(axisTop) + "\" class=\"axis-line\"/>";
  const double step = std::max(1.0, niceStep(volumes, 10));
  for (double v = step; v <= volumes; v += step) {
    const double x = columnCentre(static_cast<int>(v) - 1, volumes);
    std::string label = numberText(v, 6);
    svg += "<line x1=\"" + fixed(x) + "\" x2=\"" + fixed(x) + "\" y1=\"" + fixed(axisTop) +
           "\" y2=\"" + fixed(axisTop + 4) + "\" class=\"axis-line\"/>";
    svg += text(x, axisTop + 15, "middle", "tick", label);
  }
  svg += text(kLeft - 6, axisTop + 15, "end", "tick", "volume");
  if (repetitionTime && *repetitionTime > 0) {
    svg += text(kLeft + kPlotWidth, axisTop + 30, "end", "tick",
                "TR " + numberText(*repetitionTime, 4) + " s: volume " + std::to_string(volumes) +
                    " ends at " + numberText(*repetitionTime * volumes, 6) + " s");
  }
  svg += "</g>";
  // The hover cursor and the surface that catches the pointer.
  svg += "<line id=\"timeline-cursor\" class=\"cursor\" x1=\"0\" x2=\"0\" y1=\"0\" y2=\"" +
         fixed(axisTop) + "\" visibility=\"hidden\"/>";
  svg += "<rect id=\"timeline-hover\" class=\"hover-surface\" x=\"" + fixed(kLeft) +
         "\" y=\"0\" width=\"" + fixed(kPlotWidth) + "\" height=\"" + fixed(axisTop) + "\"/>";
  return svg + "</svg>";
}

std::string timelineJson(const std::vector<Trace>& traces, int volumes,
                         std::optional<double> repetitionTime) {
  const std::size_t count = volumes > 0 ? static_cast<std::size_t>(volumes) : 0;
  const auto limit = static_cast<std::size_t>(kHoverVolumes);
  const std::size_t stride = count > limit ? (count + limit - 1) / limit : 1;
  std::string json =
      "{\"volumes\":" + std::to_string(volumes) + ",\"stride\":" + std::to_string(stride) +
      ",\"tr\":" + (repetitionTime ? numberText(*repetitionTime, 6) : std::string("null")) +
      ",\"left\":" + fixed(kLeft) + ",\"width\":" + fixed(kPlotWidth) + ",\"traces\":[";
  for (std::size_t i = 0; i < traces.size(); ++i) {
    if (i) json += ',';
    json += "{\"label\":" + jsonForScript(traces[i].label) + ",\"values\":[";
    for (std::size_t v = 0; v < traces[i].values.size(); v += stride) {
      if (v) json += ',';
      const double value = traces[i].values[v];
      json += std::isfinite(value) ? numberText(value, 5) : "null";
    }
    json += "]}";
  }
  json += "],\"marked\":[";
  const std::vector<int> marked = markedVolumes(traces);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    if (i) json += ',';
    json += std::to_string(marked[i] + 1);
  }
  return json + "]}";
}

}  // namespace quorvel::cli::report
