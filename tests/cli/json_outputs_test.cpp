// The JSON files the command writes name runs, paths and options, which
// may hold any bytes: each must still be written as valid JSON.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/bids/derivatives_description.h"
#include "cli/bids/run_record.h"
#include "cli/outputs/sidecars.h"
#include "cli/quality/iqm_files.h"

namespace quorvel::cli {
namespace {

// A Latin-1 file name: 0xE9 is no UTF-8 (the output-names fuzzer's input).
const std::string kLatin1Name = "sub-\xe9_bold.nii";
const std::string kReplaced = "sub-\xef\xbf\xbd_bold.nii";  // U+FFFD in its place

struct JsonWriter {
  const char* what;
  std::function<std::string(const std::string& name)> write;
};

void PrintTo(const JsonWriter& writer, std::ostream* out) { *out << writer.what; }

class JsonOutputsTest : public ::testing::TestWithParam<JsonWriter> {};

TEST_P(JsonOutputsTest, NamesThatAreNotUtf8AreWrittenWithReplacements) {
  std::string text;
  ASSERT_NO_THROW(text = GetParam().write(kLatin1Name));
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  ASSERT_FALSE(document.is_discarded()) << text;
  // A URI keeps the name's bytes whole, percent-encoded.
  EXPECT_TRUE(text.find(kReplaced) != std::string::npos ||
              text.find("sub-%E9_bold.nii") != std::string::npos)
      << text;
}

INSTANTIATE_TEST_SUITE_P(
    Writers, JsonOutputsTest,
    ::testing::Values(
        JsonWriter{"map sidecar",
                   [](const std::string& name) {
                     return mapSidecarJson(MapKind::kTsnr, MapFacts{name}, name, {});
                   }},
        JsonWriter{"counts sidecar",
                   [](const std::string& name) { return timeseriesSidecarJson({}, name); }},
        JsonWriter{"IQM file",
                   [](const std::string& name) { return iqmJson("in/" + name, {}, {}, {}); }},
        JsonWriter{"BIDS run record",
                   [](const std::string& name) {
                     return runRecordJson({"sub-01/func/" + name, {"--scale", name}, {}});
                   }},
        JsonWriter{"derivatives description of a dataset outside the outputs",
                   [](const std::string& name) {
                     return derivativesDescriptionJson("/no/such/" + name, "/tmp/out");
                   }}),
    [](const auto& info) { return "Writer" + std::to_string(info.index); });

}  // namespace
}  // namespace quorvel::cli
