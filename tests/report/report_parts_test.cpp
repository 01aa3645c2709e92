// The parts of the quality reports on made-up inputs: pictures, scales,
// text safety, the carpet's samples and the study page's links.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/report/html_text.h"
#include "cli/report/png_encoder.h"
#include "cli/report/run_page.h"
#include "cli/report/run_samples.h"
#include "cli/report/slice_mosaic.h"
#include "cli/report/study_page.h"
#include "cli/report/timeline_plot.h"
#include "cli/report/value_scale.h"
#include "synthetic_report.h"

namespace {

using namespace quorvel::cli::report;

// The pixels of a PNG file, read back with libpng, in the format given.
std::vector<std::uint8_t> decodePng(const std::string& bytes, int& width, int& height,
                                    png_uint_32 format) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = format;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  return pixels;
}

TEST(ReportPictureTest, PngHoldsEveryPixelOfGreyAndColourPictures) {
  struct Case {
    int width, height, channels;
  };
  // The last is noise that does not compress: its data spans several chunks.
  for (const Case& c :
       {Case{1, 1, 1}, Case{7, 3, 1}, Case{5, 4, 3}, Case{600, 2, 3}, Case{1100, 400, 3}}) {
    RasterImage image = RasterImage::blank(c.width, c.height, c.channels);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
      image.pixels[i] =
          static_cast<std::uint8_t>(c.width < 1000 ? i * 37 + 11 : (i * 2654435761u) >> 13);
    }
    int width = 0, height = 0;
    const std::vector<std::uint8_t> back = decodePng(
        encodePng(image), width, height, c.channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(back, image.pixels) << c.width << "x" << c.height << "x" << c.channels;
  }
  RasterImage malformed = RasterImage::blank(4, 4, 3);
  malformed.pixels.pop_back();
  EXPECT_THROW(encodePng(malformed), std::runtime_error);
  EXPECT_THROW(encodePng(RasterImage::blank(0, 3, 1)), std::runtime_error);
}

TEST(ReportRunPageTest, PicturesMadeSideBySideGiveTheSamePage) {
  struct Case {
    int nx, ny, nz, volumes;
    std::size_t carpetRows;
    std::size_t maps;  // the mean image and this many of the others
  };
  for (const Case& c :
       {Case{24, 28, 10, 90, 150, 3}, Case{7, 5, 3, 4, 0, 0}, Case{12, 12, 4, 20, 30, 1}}) {
    RunPageInput input =
        report_test::syntheticRunPage("sub-01_bold", c.nx, c.ny, c.nz, c.volumes, c.carpetRows);
    input.maps.resize(std::min(input.maps.size(), 1 + c.maps));
    const std::string inTurn = runPageHtml(input);
    input.picturesSideBySide = true;
    EXPECT_TRUE(runPageHtml(input) == inTurn) << c.nx << "x" << c.ny << "x" << c.nz;
    std::size_t figures = 0;
    for (std::size_t at = inTurn.find("<figure class=\"mosaic\""); at != std::string::npos;
         at = inTurn.find("<figure class=\"mosaic\"", at + 1)) {
      ++figures;
    }
    EXPECT_EQ(figures, 1 + c.maps);
  }
}

TEST(ReportPictureTest, Base64MatchesTheStandardsVectors) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) EXPECT_EQ(base64(plain), encoded) << plain;
  EXPECT_EQ(base64(std::string("\xff\xfe\x00", 3)), "//4A");
}

TEST(ReportTextTest, HostileTextCannotLeaveItsElementOrScript) {
  const std::string hostile = "a<b>&\"c'</script><!--\x01\xff\xc3\xa9";
  const std::string html = escapeHtml(hostile);
  EXPECT_EQ(html,
            "a&lt;b&gt;&amp;&quot;c&#39;&lt;/script&gt;&lt;!--\xEF\xBF\xBD\xEF\xBF\xBD\xc3\xa9");
  const std::string json = jsonForScript(hostile);
  EXPECT_EQ(json.find("</"), std::string::npos);
  EXPECT_EQ(json.find("<!--"), std::string::npos);
  EXPECT_EQ(json.front(), '"');
  EXPECT_EQ(json.back(), '"');
  EXPECT_EQ(numberText(NAN), "n/a");
  EXPECT_EQ(numberText(INFINITY), "inf");
  EXPECT_EQ(numberText(123456.0), "123456");
  EXPECT_EQ(numberText(0.000123), "0.000123");
}

TEST(ReportScaleTest, DeviationsPastTheThresholdTakeTheSaturatedColours) {
  const ValueScale scale = thresholdScale(4.0);
  auto paleness = [&](double v) {
    const Rgb c = colourAt(scale.map, scale.position(v));
    return std::min({c.r, c.g, c.b});  // white has all three high
  };
  EXPECT_DOUBLE_EQ(scale.position(0.0), 0.5);
  EXPECT_GT(scale.position(4.5), scale.position(4.0));
  EXPECT_LT(scale.position(-4.5), scale.position(-4.0));
  EXPECT_DOUBLE_EQ(scale.position(100.0), 1.0);
  EXPECT_TRUE(std::isnan(scale.position(NAN)));
  // Inside the threshold stays pale; a little past it is clearly coloured.
  for (double inside : {-3.99, -2.0, 0.0, 2.0, 3.99}) EXPECT_GT(paleness(inside), 150) << inside;
  for (double outside : {-4.01, 4.01, 8.0}) EXPECT_LT(paleness(outside), 110) << outside;
  const ValueScale linear = percentileScale(ColourMap::kViridis, {0, 1, 2, 3, NAN, INFINITY}, true);
  EXPECT_EQ(linear.low, 0.0);
  EXPECT_GT(linear.high, 2.0);
}

TEST(ReportMosaicTest, MaskedVoxelsInColourTheRestDimmedAndSlicesInsideTheMask) {
  VolumeGrid grid{3, 2, 6, 2.0, 2.0, 2.0};
  std::vector<std::uint8_t> mask(grid.voxels(), 0);
  mask[2 * 6 + 0] = 1;  // slice 2, x 0, y 0
  mask[4 * 6 + 5] = 1;  // slice 4, x 2, y 1
  const MosaicLayout layout = chooseMosaicLayout(grid, mask, 10);
  EXPECT_EQ(layout.slices, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(chooseMosaicLayout(grid, std::vector<std::uint8_t>(grid.voxels(), 0), 4).slices,
            (std::vector<int>{0, 2, 3, 5}));

  std::vector<float> values(grid.voxels(), 9.0f), intensity(grid.voxels(), 50.0f);
  values[std::size_t{2} * 6] = 8.0f;
  const std::vector<std::uint8_t> background = dimmedBackground(intensity, mask);
  const ValueScale scale = thresholdScale(4.0);
  RasterImage image = renderMosaic(grid, layout, values, mask, background, scale);
  ASSERT_EQ(image.width, layout.columns * 3 + layout.columns - 1);
  // Slice 2 is the first tile; y runs upwards, so voxel (0,0) is its bottom-left.
  const std::uint8_t* masked = image.at(0, 1);
  const Rgb red = colourAt(ColourMap::kBlueWhiteRed, 1.0);
  EXPECT_EQ(masked[0], red.r);
  EXPECT_EQ(masked[2], red.b);
  const std::uint8_t* dimmed = image.at(1, 1);
  EXPECT_EQ(dimmed[0], dimmed[1]);
  EXPECT_LE(dimmed[0], 90);
  EXPECT_GT(dimmed[0], 0);
}

TEST(ReportSamplesTest, MaskFollowsTheAnalysisFloorAndCarpetRowsAreStandardised) {
  // Four voxels over 6 volumes in the host's layout: a mean of exactly 100
  // (background), a constant 500, and two varying voxels on slice 1.
  const int volumes = 6;
  std::vector<float> samples = {100, 100, 100, 100, 100, 100,  //
                                500, 500, 500, 500, 500, 500,  //
                                200, 210, 190, 200, 220, 180,  //
                                900, 100, 900, 100, 900, 100};
  HostSamples host;
  host.floatSamples = samples.data();
  host.voxels = 4;
  host.volumes = volumes;
  host.voxelsPerSlice = 2;
  RunSamples sampled = sampleRunForReport(host, 10);
  EXPECT_EQ(sampled.mask, (std::vector<std::uint8_t>{0, 1, 1, 1}));
  EXPECT_EQ(sampled.analysedVoxels, 3u);
  EXPECT_EQ(sampled.carpet.slices, (std::vector<int>{0, 1, 1}));
  ASSERT_EQ(sampled.carpet.values.size(), 3u * volumes);
  for (int t = 0; t < volumes; ++t) EXPECT_EQ(sampled.carpet.values[t], 0.0f);
  for (int row = 1; row < 3; ++row) {
    double sum = 0, squares = 0;
    for (int t = 0; t < volumes; ++t) {
      const double v = sampled.carpet.values[row * volumes + t];
      sum += v;
      squares += v * v;
    }
    EXPECT_NEAR(sum, 0.0, 1e-5);
    EXPECT_NEAR(squares / (volumes - 1), 1.0, 1e-5);
  }
  EXPECT_EQ(sampleRunForReport(host, 2).carpet.rows(), 2u);
  host.int16Samples = nullptr;
  host.floatSamples = nullptr;
  EXPECT_TRUE(sampleRunForReport(host, 10).mask.empty());
}

TEST(ReportTimelineTest, OnePointPerDefinedVolumeAndMarksPastThresholds) {
  Trace fraction{"outlier_fraction", "Outlier fraction", {0.0, 0.2, NAN, 0.01, 0.3}, 0.1};
  Trace dvars{"dvars", "DVARS", {NAN, 1, 2, 3, 4}, std::nullopt};
  EXPECT_EQ(markedVolumes({fraction, dvars}), (std::vector<int>{1, 4}));
  const std::string svg = timelineSvg({fraction, dvars}, 5, 2.0, CarpetRows{}, "");
  std::regex polyline("<polyline[^>]*points=\"([^\"]*)\"");
  std::size_t points = 0;
  for (std::sregex_iterator it(svg.begin(), svg.end(), polyline), end; it != end; ++it) {
    const std::string list = (*it)[1];
    points += static_cast<std::size_t>(std::count(list.begin(), list.end(), ','));
  }
  EXPECT_EQ(points, 4u + 4u);
  EXPECT_EQ(std::count(svg.begin(), svg.end(), '\n'), 0);
  std::size_t marks = 0;
  for (std::size_t at = svg.find("class=\"mark\""); at != std::string::npos;
       at = svg.find("class=\"mark\"", at + 1)) {
    ++marks;
  }
  EXPECT_EQ(marks, 2u);
}

TEST(ReportTimelineTest, ALongRunKeepsEveryColumnsExtremesInAFewPoints) {
  // 200000 volumes of a sawtooth from 0 to 6/7, one spike of 10 and one
  // dip of -10: far more volumes than the page has columns.
  const int volumes = 200000;
  std::vector<double> sawtooth(volumes);
  for (int v = 0; v < volumes; ++v) sawtooth[v] = (v % 7) / 7.0;
  sawtooth[54321] = 10.0;
  sawtooth[123457] = -10.0;
  const Trace trace{"dvars", "DVARS", sawtooth, std::nullopt};
  const std::string svg = timelineSvg({trace}, volumes, 2.0, CarpetRows{}, "");
  // (std::regex recurses per character: not for a list this long.)
  const std::size_t from = svg.find("points=\"", svg.find("<polyline"));
  ASSERT_NE(from, std::string::npos);
  const std::size_t to = svg.find('"', from + 8);
  std::map<std::string, int> perColumn;
  std::vector<double> ys;
  std::istringstream points(svg.substr(from + 8, to - from - 8));
  for (std::string point; points >> point;) {
    const std::size_t comma = point.find(',');
    ++perColumn[point.substr(0, comma)];
    ys.push_back(std::stod(point.substr(comma + 1)));
  }
  EXPECT_LE(perColumn.size(), 8901u);  // 890 px at a tenth of a pixel
  for (const auto& [x, count] : perColumn) EXPECT_LE(count, 4) << x;
  // The spike and the dip are drawn: each is the one point at its extreme,
  // where the sawtooth's own extremes recur in every column.
  const auto [lowest, highest] = std::minmax_element(ys.begin(), ys.end());
  EXPECT_EQ(std::count(ys.begin(), ys.end(), *lowest), 1);
  EXPECT_EQ(std::count(ys.begin(), ys.end(), *highest), 1);
  // Hovering reaches a volume in every column from a short list, each
  // value the volume's own; a short run keeps every volume.
  const auto hover = nlohmann::json::parse(timelineJson({trace}, volumes, 2.0));
  const auto stride = hover["stride"].get<std::size_t>();
  const auto& values = hover["traces"][0]["values"];
  EXPECT_LE(values.size(), static_cast<std::size_t>(kHoverVolumes));
  EXPECT_EQ(values.size(), (volumes + stride - 1) / stride);
  for (std::size_t k = 0; k < values.size(); ++k) {
    EXPECT_NEAR(values[k].get<double>(), trace.values[k * stride], 1e-5) << k;
  }
  const Trace seven{"dvars", "DVARS", {0, 1, 2, 3, 4, 5, 6}, std::nullopt};
  const auto shortRun = nlohmann::json::parse(timelineJson({seven}, 7, 2.0));
  EXPECT_EQ(shortRun["stride"], 1);
  EXPECT_EQ(shortRun["traces"][0]["values"].size(), 7U);
}

TEST(ReportStudyPageTest, KeepsOnlyLinksInsideTheStudyFolder) {
  StudyPageInput input;
  input.title = "study";
  const char* links[] = {"sub-01/sub-01_task-rest_desc-qc_report.html",
                         "http://example.org/x",
                         "/etc/passwd",
                         "../elsewhere.html",
                         "javascript:alert(1)",
                         "sub-02/a b#c.html"};
  for (const char* link : links) input.runs.push_back({std::string("run ") + link, {}, link, ""});
  const std::string html = studyPageHtml(input);
  std::regex href("href=\"([^\"]*)\"");
  std::vector<std::string> kept;
  for (std::sregex_iterator it(html.begin(), html.end(), href), end; it != end; ++it) {
    kept.push_back((*it)[1]);
  }
  EXPECT_EQ(kept, (std::vector<std::string>{"sub-01/sub-01_task-rest_desc-qc_report.html",
                                            "sub-02/a%20b%23c.html"}));
}

}  // namespace
