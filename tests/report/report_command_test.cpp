// The run page as the built command writes it, opened in headless
// Chromium: the demo's page, and a run whose name holds HTML.
#include <gtest/gtest.h>

#include "chromium_page.h"
#include "cli_test_support.h"

namespace report_test {
namespace {

namespace fs = std::filesystem;
using cli_test::CommandResult;
using cli_test::TempFolder;

RenderedPage openCleanly(const fs::path& page, const fs::path& scratch) {
  RenderedPage rendered = openInChromium(page, scratch);
  EXPECT_EQ(rendered.exitStatus, 0);
  EXPECT_TRUE(rendered.console.empty()) << rendered.console.front();
  for (const std::string& src : attributeValues(rendered.dom, "src")) {
    EXPECT_EQ(src.rfind("data:image/png;base64,", 0), 0u) << src.substr(0, 60);
  }
  return rendered;
}

TEST(ReportCommandTest, DemoPageShowsEveryMapTraceVolumeAndTheCarpet) {
  TempFolder folder;
  const CommandResult result =
      cli_test::runQuorvel({"demo", "--out", "demo", "--settings-dir", "settings"}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const fs::path relative = fs::path("demo") / "sub-demo_task-rest_desc-qc_report.html";
  const fs::path page = folder.path() / relative;
  EXPECT_NE(result.out.find("Open the quality report in a web browser: " + relative.string()),
            std::string::npos)
      << result.out;
  const RenderedPage rendered = openCleanly(page, folder.path() / "chromium");

  for (const char* map : {"mean", "tsnr", "maxdev", "ac12"}) {
    EXPECT_EQ(occurrences(rendered.dom, std::string("data-map=\"") + map + "\""), 1u) << map;
  }
  EXPECT_EQ(occurrences(rendered.dom, "<figure class=\"mosaic\""), 4u);
  // 120 volumes; DVARS has no value for the first.
  EXPECT_EQ(tracePoints(rendered.dom, "outlier_fraction"), 120u);
  EXPECT_EQ(tracePoints(rendered.dom, "spike_count"), 120u);
  EXPECT_EQ(tracePoints(rendered.dom, "std_dvars"), 119u);
  EXPECT_EQ(tracePoints(rendered.dom, "global_signal"), 120u);
  const std::string carpet = attributeOf(rendered.dom, "<image class=\"carpet-image\"", "href");
  ASSERT_FALSE(carpet.empty());
  const auto [width, height] = pngSizeOfDataUri(carpet);
  EXPECT_EQ(width, 120);
  EXPECT_GT(height, 100);
  EXPECT_LE(height, 480);
  // The demo's spike volumes are marked.
  for (const char* volume : {"31", "72", "105"}) {
    EXPECT_NE(rendered.dom.find(std::string("class=\"mark\" data-volume=\"") + volume + "\""),
              std::string::npos)
        << volume;
  }
}

TEST(ReportCommandTest, RunNamedWithHtmlGetsAnEscapedPageAndNoReportWhenAskedNot) {
  TempFolder folder;
  const std::string name = "sub-01_task-a&b<i>x_bold.nii";
  cli_test::writeRun(cli_test::typicalRun(6, 5, 4, 40), folder.file(name));
  CommandResult result = cli_test::runQuorvel(
      {"run", "--no-autocorrelation", "--out", "out", "--settings-dir", "settings", name},
      folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const fs::path relative = fs::path("out") / "sub-01_task-a&b<i>x_desc-qc_report.html";
  const fs::path page = folder.path() / relative;
  ASSERT_TRUE(fs::is_regular_file(page));
  EXPECT_NE(result.err.find("quorvel: wrote " + relative.string()), std::string::npos);
  const RenderedPage rendered = openCleanly(page, folder.path() / "chromium");
  EXPECT_EQ(occurrences(rendered.dom, "<figure class=\"mosaic\""), 3u);
  EXPECT_EQ(occurrences(rendered.dom, "<i>x"), 0u);
  EXPECT_NE(rendered.dom.find("<h1>sub-01_task-a&amp;b&lt;i&gt;x_bold.nii</h1>"),
            std::string::npos);

  result = cli_test::runQuorvel(
      {"run", "--no-report", "--out", "quiet", "--settings-dir", "settings", name}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  for (const std::string& entry : cli_test::folderEntries(folder.path() / "quiet")) {
    EXPECT_EQ(entry.find(".html"), std::string::npos) << entry;
  }
}

TEST(ReportCommandTest, GroupLevelWritesAStudyPageLinkingEveryRunPage) {
  TempFolder folder;
  for (const char* subject : {"01", "02", "03"}) {
    const std::string name = std::string("sub-") + subject + "_task-rest_bold.nii";
    cli_test::writeRun(cli_test::typicalRun(6, 5, 4, 30 + 5 * (subject[1] - '0')),
                       folder.file(name));
    const CommandResult run = cli_test::runQuorvel(
        {"run", "--out", std::string("out/sub-") + subject + "/func", name}, folder.path());
    ASSERT_EQ(run.exitStatus, 0) << run.err;
  }
  const CommandResult group = cli_test::runQuorvel({"bids", "bids", "out", "group"}, folder.path());
  ASSERT_EQ(group.exitStatus, 0) << group.err;
  const fs::path page = folder.path() / "out" / "group_bold_report.html";
  const RenderedPage rendered = openCleanly(page, folder.path() / "chromium");
  const std::vector<std::string> links = attributeValues(rendered.dom, "href");
  ASSERT_EQ(links.size(), 3u);
  for (const std::string& link : links) {
    EXPECT_TRUE(fs::is_regular_file(page.parent_path() / link)) << link;
  }
  EXPECT_EQ(occurrences(rendered.dom, "<tr>"), 1u + 3u);
  EXPECT_GT(occurrences(rendered.dom, "<figure class=\"strip\""), 10u);
}

}  // namespace
}  // namespace report_test
