#include "cli/report/study_page.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "cli/report/html_text.h"
#include "cli/report/page_assets.h"

namespace quorvel::cli::report {
namespace {

constexpr double kStripWidth = 520.0;
constexpr double kStripLeft = 12.0;
constexpr double kStripRight = 12.0;
constexpr double kStripHeight = 64.0;

bool isFlagged(const StudyNumber& number, std::size_t run) {
  return run < number.flagged.size() && number.flagged[run];
}

double valueOf(const StudyNumber& number, std::size_t run) {
  return run < number.values.size() ? number.values[run] : NAN;
}

// A link that stays inside the study's folder tree: relative, no scheme,
// no parent steps; anything else is dropped.
bool isSafeRelativeLink(const std::string& link) {
  if (link.empty() || link[0] == '/' || link[0] == '\\') return false;
  if (link.find(':') != std::string::npos) return false;
  return link.find("..") == std::string::npos;
}

// Percent-encodes what may not stand in a URL path as it is.
std::string urlPath(const std::string& link) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : link) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string runTable(const StudyPageInput& input) {
  std::string html = "<table class=\"sortable runs\" id=\"runs\"><thead><tr><th>Run</th>";
  for (const std::string& entity : input.entityColumns)
    html += "<th>" + escapeHtml(entity) + "</th>";
  html += "<th class=\"num\" title=\"Numbers of the run flagged\">flag_count</th>";
  for (const StudyNumber& number : input.numbers) {
    html += "<th class=\"num\" title=\"" + escapeHtml(number.description) + "\">" +
            escapeHtml(number.key) + "</th>";
  }
  html += "</tr></thead><tbody>";
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    const StudyRun& run = input.runs[r];
    html += "<tr><td>";
    if (isSafeRelativeLink(run.pageLink)) {
      html += "<a class=\"run-page\" href=\"" + escapeHtml(urlPath(run.pageLink)) + "\">" +
              escapeHtml(run.name) + "</a>";
    } else {
      html += escapeHtml(run.name);
    }
    html += "</td>";
    for (std::size_t e = 0; e < input.entityColumns.size(); ++e) {
      html += "<td>" + escapeHtml(e < run.entities.size() ? run.entities[e] : "n/a") + "</td>";
    }
    std::size_t flags = 0;
    for (const StudyNumber& number : input.numbers) flags += isFlagged(number, r) ? 1 : 0;
    html += "<td class=\"num\" data-value=\"" + std::to_string(flags) + "\">" +
            std::to_string(flags) + "</td>";
    for (const StudyNumber& number : input.numbers) {
      const double value = valueOf(number, r);
      html += std::string("<td class=\"num") + (isFlagged(number, r) ? " flagged" : "") +
              "\" data-value=\"" + (std::isfinite(value) ? numberText(value, 17) : "") + "\">" +
              escapeHtml(numberText(value)) + "</td>";
    }
    html += "</tr>";
  }
  return html + "</tbody></table>";
}

// The groups of runs judged together, in order of their first run.
std::vector<std::string> groupsOf(const StudyPageInput& input) {
  std::vector<std::string> groups;
  for (const StudyRun& run : input.runs) {
    if (std::find(groups.begin(), groups.end(), run.group) == groups.end()) {
      groups.push_back(run.group);
    }
  }
  return groups;
}

// One strip per number: a lane per group of runs judged together, each
// with its own fences, so a dot is seen against the fences it was judged
// by.
std::string stripPlot(const StudyPageInput& input, const StudyNumber& number) {
  const std::vector<std::string> groups = groupsOf(input);
  const bool labelled = groups.size() > 1;
  double low = INFINITY, high = -INFINITY;
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    const double v = valueOf(number, r);
    if (!std::isfinite(v)) continue;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  for (const GroupFences& fences : number.fences) {
    for (const auto& fence : {fences.lower, fences.upper}) {
      if (fence && std::isfinite(*fence) && low <= high) {
        low = std::min(low, *fence);
        high = std::max(high, *fence);
      }
    }
  }
  const double lanes = static_cast<double>(std::max<std::size_t>(groups.size(), 1));
  const double laneHeight = 36.0 + (labelled ? 12.0 : 0.0);
  const double plotHeight = lanes * laneHeight;
  std::string svg = "<figure class=\"strip\" data-key=\"" + escapeHtml(number.key) +
                    "\" style=\"margin:0\"><h3>" + escapeHtml(number.key) + "</h3>";
  svg += "<svg viewBox=\"0 0 " + fixed(kStripWidth, 0) + " " +
         fixed(kStripHeight - 36.0 + plotHeight, 0) +
         "\" xmlns=\"http://www.w3.org/2000/svg\" style=\"width:100%;height:auto\">";
  svg += "<rect x=\"" + fixed(kStripLeft) + "\" y=\"4\" width=\"" +
         fixed(kStripWidth - kStripLeft - kStripRight) + "\" height=\"" + fixed(plotHeight) +
         "\" fill=\"#fafbfc\" stroke=\"#e3e6eb\"/>";
  if (!(low <= high)) {
    svg += "<text x=\"" + fixed(kStripWidth / 2) +
           "\" y=\"26\" text-anchor=\"middle\">no "
           "run has a value</text></svg></figure>";
    return svg;
  }
  if (!(high > low)) {
    low -= 1.0;
    high += 1.0;
  }
  const double span = kStripWidth - kStripLeft - kStripRight - 16.0;
  auto xOf = [&](double v) { return kStripLeft + 8.0 + (v - low) / (high - low) * span; };
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const double top = 4.0 + static_cast<double>(g) * laneHeight;
    if (labelled) {
      svg += "<text x=\"" + fixed(kStripLeft + 4.0) + "\" y=\"" + fixed(top + 11.0) +
             "\" class=\"lane\">" + escapeHtml(groups[g]) + "</text>";
    }
    for (const GroupFences& fences : number.fences) {
      if (fences.group != groups[g]) continue;
      for (const auto& fence : {fences.lower, fences.upper}) {
        if (!fence || !std::isfinite(*fence)) continue;
        svg += "<line class=\"threshold\" x1=\"" + fixed(xOf(*fence)) + "\" x2=\"" +
               fixed(xOf(*fence)) + "\" y1=\"" + fixed(top) + "\" y2=\"" + fixed(top + laneHeight) +
               "\"><title>fence " + escapeHtml(numberText(*fence)) +
               (labelled ? " of " + escapeHtml(groups[g]) : "") + "</title></line>";
      }
    }
  }
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    const double v = valueOf(number, r);
    if (!std::isfinite(v)) continue;
    const std::size_t lane = static_cast<std::size_t>(
        std::find(groups.begin(), groups.end(), input.runs[r].group) - groups.begin());
    // A fixed spread over the lane's height so that equal values stay apart.
    const double y = static_cast<double>(lane) * laneHeight + (labelled ? 12.0 : 0.0) + 10.0 +
                     std::fmod(static_cast<double>(r) * 7.31, 24.0);
    svg += std::string("<circle class=\"run") + (isFlagged(number, r) ? " flagged" : "") +
           "\" cx=\"" + fixed(xOf(v)) + "\" cy=\"" + fixed(y + 2) + "\" r=\"5\" fill=\"" +
           "#3b528b\" fill-opacity=\"0.8\" data-tip=\"" +
           escapeHtml(input.runs[r].name + "\n" + number.key + ": " + numberText(v, 6) +
                      (isFlagged(number, r) ? "  (flagged)" : "")) +
           "\"/>";
  }
  const double axis = 20.0 + plotHeight;
  svg += "<text x=\"" + fixed(kStripLeft) + "\" y=\"" + fixed(axis) + "\">" +
         escapeHtml(numberText(low, 4)) + "</text><text x=\"" + fixed(kStripWidth - kStripRight) +
         "\" y=\"" + fixed(axis) + "\" text-anchor=\"end\">" + escapeHtml(numberText(high, 4)) +
         "</text>";
  return svg + "</svg></figure>";
}

}  // namespace

std::string studyPageHtml(const StudyPageInput& input) {
  std::size_t flaggedRuns = 0;
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    bool any = false;
    for (const StudyNumber& number : input.numbers) any = any || isFlagged(number, r);
    flaggedRuns += any;
  }
  std::string html = pageHead("Study quality report: " + input.title);
  html += "<body><header class=\"page\"><div class=\"inner\"><h1>" + escapeHtml(input.title) +
          "</h1><div class=\"sub\">Quorvel study quality report "
          "&middot; " +
          std::to_string(input.runs.size()) + (input.runs.size() == 1 ? " run" : " runs") +
          " &middot; " + std::to_string(flaggedRuns) +
          " with a flagged number</div></div></header><main>";
  html += "<section class=\"card\" id=\"table\"><h2>Runs</h2><p class=\"note\">" +
          escapeHtml(input.flagRule) +
          " Click a heading to sort; click a run to open its "
          "page.</p><div style=\"overflow-x:auto\">" +
          runTable(input) + "</div></section>";
  html +=
      "<section class=\"card\" id=\"strips\"><h2>Every run, one number at a time</h2>"
      "<p class=\"note\">Each dot is a run; red dots are flagged; dashed lines are the "
      "fences of the runs judged together (one lane per task and acquisition). Hover a dot "
      "to name its run.</p><div class=\"strips\">";
  for (const StudyNumber& number : input.numbers) html += stripPlot(input, number);
  html += "</div></section></main><div id=\"tip\"></div><script>";
  html += kHoverScript;
  html += kSortScript;
  html += "</script></body></html>\n";
  return html;
}

}  // namespace quorvel::cli::report
