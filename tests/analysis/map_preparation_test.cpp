#include "analysis/map_preparation.h"

#include <cstddef>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using quorvel::AnalysisSettings;
using quorvel::composeMapDisplayName;
using quorvel::MapKind;
using quorvel::setMapParameters;

TEST(MapDisplayName, TakesThePartAfterTheLastForwardSlash) {
  EXPECT_EQ("Outliers (max stddev) of run1.vtc",
            composeMapDisplayName("Outliers (max stddev)", "D:/data/sub01/run1.vtc", true));
  EXPECT_EQ("TSNR of D:\\data\\sub01\\run1.vtc",
            composeMapDisplayName("TSNR", "D:\\data\\sub01\\run1.vtc", true));
  EXPECT_EQ("TSNR of run1.vtc", composeMapDisplayName("TSNR", "run1.vtc", true));
  EXPECT_EQ("TSNR of ", composeMapDisplayName("TSNR", "/data/", true));
  EXPECT_EQ("TSNR", composeMapDisplayName("TSNR", "/data/run1.vtc", false));
}

TEST(MapDisplayName, KeepsItsFirstHundredCharacters) {
  const std::string file(200, 'f');
  const std::string name = composeMapDisplayName("TSNR", "/x/" + file, true);
  EXPECT_EQ(("TSNR of " + file).substr(0, 100), name);
  EXPECT_EQ(100u, composeMapDisplayName("TSNR", file.substr(0, 92), true).size());
  EXPECT_EQ(100u, composeMapDisplayName("TSNR", file.substr(0, 93), true).size());
  EXPECT_EQ(99u, composeMapDisplayName("TSNR", file.substr(0, 91), true).size());
}

// A record as the host fills it: every byte 0xA5.
NRVMPRecord filledRecord() {
  NRVMPRecord r;
  std::memset(&r, 0xA5, sizeof r);
  return r;
}

// Offsets of the bytes that differ between two records.
std::string changedBytes(const NRVMPRecord& before, const NRVMPRecord& after) {
  const auto* a = reinterpret_cast<const unsigned char*>(&before);
  const auto* b = reinterpret_cast<const unsigned char*>(&after);
  std::string offsets;
  for (std::size_t i = 0; i < sizeof before; ++i) {
    if (a[i] != b[i]) offsets += std::to_string(i) + " ";
  }
  return offsets;
}

std::string changedFields(const NRVMPRecord& before, const NRVMPRecord& after) {
  // Collapse byte offsets to the fields they belong to.
  std::string fields;
  for (std::size_t field : {8u, 12u, 40u, 76u, 80u, 92u}) {
    for (std::size_t i = field; i < field + 4; ++i) {
      if (reinterpret_cast<const unsigned char*>(&before)[i] !=
          reinterpret_cast<const unsigned char*>(&after)[i]) {
        fields += std::to_string(field) + " ";
        break;
      }
    }
  }
  return fields;
}

AnalysisSettings maps(bool tsnr, bool outliers, bool autocor) {
  AnalysisSettings s;
  s.maxDeviation = 3.3f;
  s.createTSNRMap = tsnr;
  s.createOutlierMap = outliers;
  s.createLaggedAutocorMap = autocor;
  return s;
}

TEST(MapParameters, EachKindWritesItsFieldsAndNoOtherByte) {
  const NRVMPRecord host = filledRecord();
  NRVMPRecord r = host;
  setMapParameters(MapKind::kTSNR, maps(true, false, true), r);
  EXPECT_EQ(40.0f, r.lowerThreshold);
  EXPECT_EQ(200.0f, r.upperThreshold);
  EXPECT_EQ(1, r.displayOption40);
  EXPECT_EQ(0, r.displayOption76);
  EXPECT_EQ(0.8f, r.displayValue80);
  EXPECT_EQ(1, r.selectedMap92);
  // Every other byte, the name pointer included, is the host's.
  EXPECT_EQ("8 12 40 76 80 92 ", changedFields(host, r));
  const std::string bytes = changedBytes(host, r);
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(std::string::npos, (" " + bytes).find(" " + std::to_string(i) + " "));
  }

  r = host;
  setMapParameters(MapKind::kOutliers, maps(true, true, true), r);
  EXPECT_EQ(3.3f, r.lowerThreshold);
  EXPECT_EQ(8.0f, r.upperThreshold);
  EXPECT_EQ(1, r.selectedMap92);
  EXPECT_EQ("8 12 92 ", changedFields(host, r));

  r = host;
  setMapParameters(MapKind::kLaggedAutocorrelation, maps(false, false, true), r);
  EXPECT_EQ(0.3f, r.lowerThreshold);
  EXPECT_EQ(1.0f, r.upperThreshold);
  EXPECT_EQ(1, r.selectedMap92);
  EXPECT_EQ("8 12 92 ", changedFields(host, r));
}

TEST(MapParameters, ExactlyOneMapIsSelected) {
  const NRVMPRecord host = filledRecord();
  // Outlier map present: neither TSNR nor autocorrelation takes the flag.
  NRVMPRecord r = host;
  setMapParameters(MapKind::kTSNR, maps(true, true, true), r);
  EXPECT_EQ("8 12 40 76 80 ", changedFields(host, r));
  r = host;
  setMapParameters(MapKind::kLaggedAutocorrelation, maps(true, true, true), r);
  EXPECT_EQ("8 12 ", changedFields(host, r));
  // TSNR and autocorrelation only: the TSNR map takes it.
  r = host;
  setMapParameters(MapKind::kLaggedAutocorrelation, maps(true, false, true), r);
  EXPECT_EQ("8 12 ", changedFields(host, r));
}

}  // namespace
