#include "cli/report/run_page.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>

#include "cli/base/work_beside.h"
#include "cli/report/carpet_plot.h"
#include "cli/report/html_text.h"
#include "cli/report/page_assets.h"
#include "cli/report/png_encoder.h"

namespace quorvel::cli::report {
namespace {

// Slices in a mosaic at most: enough to see the whole brain, few enough
// for the tiles to stay legible at the page's width.
constexpr int kMaxSlices = 24;

std::string gridText(const VolumeGrid& grid) {
  return std::to_string(grid.nx) + " x " + std::to_string(grid.ny) + " x " +
         std::to_string(grid.nz);
}

std::string fact(const std::string& name, const std::string& value) {
  return "<dt>" + escapeHtml(name) + "</dt><dd>" + escapeHtml(value) + "</dd>";
}

std::string headerSection(const RunPageInput& input) {
  std::string html = "<section class=\"card\" id=\"run\"><div class=\"columns\"><div>";
  html += "<h2>Run</h2><dl class=\"facts\">";
  html += fact("Run", input.runName);
  html += fact("Grid", gridText(input.grid) + " voxels");
  html += fact("Voxel size", numberText(input.grid.dx, 3) + " x " + numberText(input.grid.dy, 3) +
                                 " x " + numberText(input.grid.dz, 3) + " mm");
  html += fact("Volumes", std::to_string(input.volumes));
  html += fact("Repetition time",
               input.repetitionTime ? numberText(*input.repetitionTime, 4) + " s" : "not known");
  const double share = input.grid.voxels() ? static_cast<double>(input.analysedVoxels) /
                                                 static_cast<double>(input.grid.voxels())
                                           : 0.0;
  html += fact("Analysed voxels", std::to_string(input.analysedVoxels) + " (" +
                                      numberText(100.0 * share, 3) + " % of the grid; mean above " +
                                      numberText(kAnalysisFloor) + ")");
  html += "</dl><h3 style=\"margin-top:12px\">Parameters</h3><dl class=\"facts\">";
  for (const auto& [name, value] : input.parameters) html += fact(name, value);
  html += "</dl></div><div><h2>Quality numbers</h2>";
  if (input.numbers.empty()) {
    html += "<p class=\"note\">No quality numbers were computed for this run.</p>";
  } else {
    html +=
        "<table class=\"numbers\"><thead><tr><th>Number</th><th class=\"num\">Value</th>"
        "<th>Marked when</th></tr></thead><tbody>";
    for (const QualityNumber& number : input.numbers) {
      html += std::string("<tr data-key=\"") + escapeHtml(number.key) + "\"" +
              (number.beyond ? " class=\"beyond\"" : "") + "><td>" + escapeHtml(number.label) +
              "</td><td class=\"num\">" + escapeHtml(numberText(number.value)) + "</td><td>" +
              (number.beyond ? "<span class=\"badge flag\">" : "") +
              escapeHtml(number.limit.empty() ? "-" : number.limit) +
              (number.beyond ? "</span>" : "") + "</td></tr>";
    }
    html += "</tbody></table>";
  }
  return html + "</div></div></section>";
}

std::string verdictSection(const RunPageInput& input) {
  std::string html = "<section class=\"card\" id=\"verdicts\"><h2>Findings</h2>";
  const bool flagged = std::any_of(input.numbers.begin(), input.numbers.end(),
                                   [](const QualityNumber& n) { return n.beyond; });
  html += flagged ? "<p><span class=\"badge flag\">check this run</span></p>"
                  : "<p><span class=\"badge ok\">no number past its threshold</span></p>";
  html += "<ul class=\"verdicts\">";
  for (const std::string& line : input.verdicts) html += "<li>" + escapeHtml(line) + "</li>";
  html += "</ul>";
  if (!input.warnings.empty()) {
    html += "<h3 style=\"margin-top:10px\">Warnings</h3><ul class=\"warnings\">";
    for (const std::string& line : input.warnings) html += "<li>" + escapeHtml(line) + "</li>";
    html += "</ul>";
  }
  if (!input.log.empty()) {
    html += "<details style=\"margin-top:10px\"><summary>The plug-in's log of this run (" +
            std::to_string(input.log.size()) + " lines)</summary><pre class=\"log\">";
    for (const std::string& line : input.log) html += escapeHtml(line) + "\n";
    html += "</pre></details>";
  }
  return html + "</section>";
}

// The range of the values of the analysed voxels, for the caption.
std::pair<double, double> maskedRange(const std::vector<float>& values,
                                      const std::vector<std::uint8_t>& mask) {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (std::size_t i = 0; i < values.size() && i < mask.size(); ++i) {
    if (!mask[i] || std::isnan(values[i])) continue;
    low = std::min<double>(low, values[i]);
    high = std::max<double>(high, values[i]);
  }
  if (low > high) low = high = std::numeric_limits<double>::quiet_NaN();
  return {low, high};
}

std::string mosaicFigure(const RunPageInput& input, const MosaicLayout& layout,
                         const std::vector<std::uint8_t>& background, const MapPanel& map) {
  const RasterImage image =
      renderMosaic(input.grid, layout, map.values, input.mask, background, map.scale,
                   input.brainMask.empty() ? nullptr : &input.brainMask);
  // Physical proportions: the tiles keep the voxels' aspect.
  const double aspect = (image.height * input.grid.dy) / (image.width * input.grid.dx);
  std::string html = "<figure class=\"mosaic\" data-map=\"" + escapeHtml(map.key) + "\">";
  html += "<h3>" + escapeHtml(map.title) + "</h3>";
  html += "<img class=\"slices\" alt=\"" + escapeHtml(map.title) + ", axial slices\" width=\"" +
          std::to_string(image.width) + "\" height=\"" + std::to_string(image.height) +
          "\" style=\"aspect-ratio:" + fixed(1.0 / aspect, 4) + "\" src=\"" + pngDataUri(image) +
          "\">";
  html += "<div class=\"colourbar\"><img alt=\"colour bar\" src=\"" +
          pngDataUri(colourBar(map.scale)) + "\"><div class=\"ticks\">";
  for (double tick : map.ticks) {
    const double at = map.scale.position(tick);
    html += "<span style=\"left:" + fixed(100.0 * (std::isnan(at) ? 0.0 : at), 2) + "%\">" +
            escapeHtml(numberText(tick, 3)) + "</span>";
  }
  html += "</div></div>";
  const auto [low, high] = maskedRange(map.values, input.mask);
  std::string sliceText = "slices z = ";
  for (std::size_t i = 0; i < layout.slices.size(); ++i) {
    if (i) sliceText += i + 1 == layout.slices.size() ? " and " : ", ";
    sliceText += std::to_string(layout.slices[i]);
  }
  html += "<figcaption>" + escapeHtml(map.description) + " Colours from " +
          escapeHtml(numberText(map.scale.low, 3)) + " to " +
          escapeHtml(numberText(map.scale.high, 3)) + "; values of the analysed voxels " +
          escapeHtml(numberText(low, 4)) + " to " + escapeHtml(numberText(high, 4)) +
          ". Background (not analysed) dimmed" +
          (input.brainMask.empty() ? std::string()
                                   : "; the orange outline is the brain mask of the standard "
                                     "IQMs, and the colours span its 1st to 99th percentiles") +
          ". Bottom-left tile is the lowest slice; " + escapeHtml(sliceText) +
          ".</figcaption></figure>";
  return html;
}

std::string mapsSection(const RunPageInput& input) {
  std::string html = "<section class=\"card\" id=\"maps\"><h2>Maps</h2>";
  html +=
      "<p class=\"note\">Axial slices from the bottom up, read left to right and top to "
      "bottom; anterior up when the run is stored in the usual orientation.</p>";
  if (input.maps.empty()) return html + "<p class=\"note\">No map was made.</p></section>";
  const MosaicLayout layout = chooseMosaicLayout(input.grid, input.mask, kMaxSlices);
  const std::vector<std::uint8_t> background = dimmedBackground(input.meanImage, input.mask);
  std::vector<std::future<std::string>> figures;
  for (const MapPanel& map : input.maps) {
    figures.push_back(startBeside(input.picturesSideBySide, [&input, &layout, &background, &map] {
      return mosaicFigure(input, layout, background, map);
    }));
  }
  html += "<div class=\"mosaics\">";
  for (std::future<std::string>& figure : figures) html += figure.get();
  return html + "</div></section>";
}

std::string timelineSection(const RunPageInput& input) {
  std::string html = "<section class=\"card\" id=\"timeline-section\"><h2>Per volume</h2>";
  html +=
      "<p class=\"note\">One column per volume in every panel and in the carpet below "
      "them, volumes numbered from 1. Dashed lines are thresholds; shaded columns mark the "
      "volumes past one. Hover to read a volume's values.</p>";
  const std::string carpetUri =
      input.carpet.rows() > 0 ? pngDataUri(carpetPicture(input.carpet)) : std::string();
  // A long run's data run to many megabytes: appended, never copied whole.
  html += timelineSvg(input.traces, input.volumes, input.repetitionTime, input.carpet, carpetUri);
  html += "<script type=\"application/json\" id=\"timeline-data\">";
  html += timelineJson(input.traces, input.volumes, input.repetitionTime);
  html += "</script></section>";
  return html;
}

}  // namespace

std::string runPageHtml(const RunPageInput& input) {
  std::string html = pageHead("Quality report: " + input.runName);
  html += "<body><header class=\"page\"><div class=\"inner\"><h1>" + escapeHtml(input.runName) +
          "</h1><div class=\"sub\">Quorvel quality report &middot; " +
          escapeHtml(gridText(input.grid)) + " voxels &middot; " + std::to_string(input.volumes) +
          " volumes</div></div></header><main>";
  std::future<std::string> timeline =
      startBeside(input.picturesSideBySide, [&input] { return timelineSection(input); });
  html += headerSection(input);
  html += verdictSection(input);
  html += mapsSection(input);
  html += timeline.get();
  html += "</main><div id=\"tip\"></div><script>";
  html += kHoverScript;
  html += "</script></body></html>\n";
  return html;
}

}  // namespace quorvel::cli::report
