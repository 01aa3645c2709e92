// The analysis options handed from `quorvel bids` to each child `quorvel
// run` must arrive with the values the user gave.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/commands/analysis_options.h"

namespace quorvel::cli {
namespace {

RunOptions parsed(std::vector<std::string> arguments) {
  RunOptions options;
  CLI::App app;
  addAnalysisOptions(app, options);
  std::reverse(arguments.begin(), arguments.end());
  app.parse(arguments);
  return options;
}

TEST(AnalysisOptionsTest, WrittenArgumentsReadBackIntoTheSameOptions) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--max-deviation", "3.3", "--spike-def", "0.1", "--no-tsnr", "--autocorrelation"},
      {"--no-autocorrelation", "--no-outlier-map", "--log-table", "--no-csv", "--no-add-vtc-name",
       "--delete-other-maps", "--spike-def", "1e-300"},
      {"--tsnr", "--outlier-map", "--no-log-table", "--csv", "--add-vtc-name",
       "--no-delete-other-maps", "--max-deviation", "3.4e38", "--scale", "0.01"},
  };
  for (const auto& arguments : cases) {
    const RunOptions first = parsed(arguments);
    const std::vector<std::string> written = analysisArguments(first);
    const RunOptions second = parsed(written);
    EXPECT_EQ(second.maxDeviation, first.maxDeviation);
    EXPECT_EQ(second.spikeDef, first.spikeDef);
    EXPECT_EQ(second.createTSNRMap, first.createTSNRMap);
    EXPECT_EQ(second.createLaggedAutocorMap, first.createLaggedAutocorMap);
    EXPECT_EQ(second.createOutlierMap, first.createOutlierMap);
    EXPECT_EQ(second.createTemporalOutlierLogtab, first.createTemporalOutlierLogtab);
    EXPECT_EQ(second.createTemporalOutlierFile, first.createTemporalOutlierFile);
    EXPECT_EQ(second.addVtcName, first.addVtcName);
    EXPECT_EQ(second.deleteOtherVmps, first.deleteOtherVmps);
    EXPECT_EQ(second.scale, first.scale);
    EXPECT_EQ(analysisArguments(second), written);
  }
  EXPECT_EQ(parsed({"--max-deviation", "3.3"}).maxDeviation, 3.3);
}

}  // namespace
}  // namespace quorvel::cli
