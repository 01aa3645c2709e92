// The report pages opened in the real headless Chromium: they load without
// a console message or error, fetch nothing, and show what they were given.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "chromium_page.h"
#include "cli/report/run_page.h"
#include "cli/report/study_page.h"
#include "synthetic_report.h"
#include "test_files.h"

namespace report_test {
namespace {

namespace fs = std::filesystem;
using namespace quorvel::cli::report;

class ReportBrowserTest : public ::testing::Test {
 protected:
  fs::path write(const fs::path& relative, const std::string& html) {
    fs::path path = folder_.path() / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << html;
    return path;
  }
  RenderedPage open(const fs::path& page) {
    RenderedPage rendered =
        openInChromium(page, folder_.path() / ("chromium-" + page.stem().string()));
    EXPECT_EQ(rendered.exitStatus, 0) << page;
    EXPECT_TRUE(rendered.console.empty()) << page << ": " << rendered.console.front();
    EXPECT_NE(rendered.dom.find("</html>"), std::string::npos) << page;
    // Self-contained: every picture inline, every link relative.
    for (const char* attribute : {"src", "href"}) {
      for (const std::string& value : attributeValues(rendered.dom, attribute)) {
        EXPECT_TRUE(value.rfind("data:", 0) == 0 || value.find(':') == std::string::npos)
            << page << ": " << attribute << "=" << value.substr(0, 60);
      }
    }
    return rendered;
  }

  quorvel_test::TempFolder folder_{"report"};
};

TEST_F(ReportBrowserTest, RunPageShowsEveryMapTraceAndTheCarpetWhateverTheRunIsCalled) {
  const std::string hostile = "sub-01<script>document.title='x'</script>&amp;\"'";
  const RunPageInput input = syntheticRunPage(hostile, 24, 28, 10, 90, 150);
  const RenderedPage page = open(write("sub-01_desc-qc_report.html", runPageHtml(input)));

  EXPECT_EQ(occurrences(page.dom, "<script>document.title"), 0u);
  EXPECT_NE(page.dom.find("<title>Quality report: sub-01&lt;script&gt;document.title="),
            std::string::npos);
  EXPECT_EQ(occurrences(page.dom, "<figure class=\"mosaic\""), input.maps.size());
  for (const MapPanel& map : input.maps) {
    EXPECT_EQ(occurrences(page.dom, "data-map=\"" + map.key + "\""), 1u) << map.key;
  }
  for (const Trace& trace : input.traces) {
    std::size_t defined = 0;
    for (std::size_t v = 0; v < trace.values.size(); ++v) {
      defined += std::isfinite(trace.values[v]) ? 1 : 0;
    }
    EXPECT_EQ(tracePoints(page.dom, trace.key), defined) << trace.key;
  }
  const std::string carpet = attributeOf(page.dom, "<image class=\"carpet-image\"", "href");
  ASSERT_FALSE(carpet.empty());
  EXPECT_EQ(pngSizeOfDataUri(carpet),
            std::make_pair(input.volumes, static_cast<int>(input.carpet.rows())));
  EXPECT_EQ(occurrences(page.dom, "class=\"mark\""), markedVolumes(input.traces).size());
}

TEST_F(ReportBrowserTest, StudyPageLinksEveryRunPageAndPlotsEveryRun) {
  StudyPageInput study;
  study.title = "study <one>";
  study.entityColumns = {"sub", "task"};
  const char* subjects[] = {"01", "02", "03"};
  StudyNumber tsnr{"tsnr_median", "median TSNR", {}, {}, {{"task-rest", 30.0, std::nullopt}}};
  StudyNumber dvars{
      "std_dvars_max", "largest std DVARS", {}, {}, {{"task-rest", std::nullopt, 1.8}}};
  for (int i = 0; i < 3; ++i) {
    const std::string entities = std::string("sub-") + subjects[i] + "_task-rest";
    const std::string link =
        std::string("sub-") + subjects[i] + "/" + entities + "_desc-qc_report.html";
    write(link, runPageHtml(syntheticRunPage(entities, 12, 12, 4, 20, 30)));
    study.runs.push_back({entities, {subjects[i], "rest"}, link, "task-rest"});
    tsnr.values.push_back(50.0 + 10 * i);
    tsnr.flagged.push_back(false);
    dvars.values.push_back(i == 2 ? NAN : 1.2 + i);
    dvars.flagged.push_back(i == 1);
  }
  study.numbers = {tsnr, dvars};
  study.flagRule = "Flagged: beyond 1.5 interquartile ranges from the quartiles.";
  const fs::path studyPath = write("group_bold_report.html", studyPageHtml(study));
  const RenderedPage page = open(studyPath);

  const std::vector<std::string> links = attributeValues(page.dom, "href");
  ASSERT_EQ(links.size(), 3u);
  for (const std::string& link : links) {
    EXPECT_TRUE(fs::is_regular_file(studyPath.parent_path() / link)) << link;
    open(studyPath.parent_path() / link);
  }
  EXPECT_EQ(occurrences(page.dom, "<tr>"), 1u + 3u);
  EXPECT_EQ(occurrences(page.dom, "<figure class=\"strip\""), 2u);
  EXPECT_EQ(occurrences(page.dom, "<circle class=\"run"), 3u + 2u);
  EXPECT_EQ(occurrences(page.dom, "td class=\"num flagged\""), 1u);
  EXPECT_NE(page.dom.find("<h1>study &lt;one&gt;</h1>"), std::string::npos);
}

}  // namespace
}  // namespace report_test
