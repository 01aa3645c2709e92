// The command's threads change nothing but the time: a run read by one,
// two or three threads is the same run, its statistics the same numbers,
// and work done beside the plug-in hands back its results and failures
// where the caller asks for them.
#include <gtest/gtest.h>
#include <sched.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli/base/ordered_work.h"
#include "cli/base/thread_count.h"
#include "cli/nifti/nifti_run.h"
#include "cli/quality/sample_statistics.h"
#include "cli/report/run_samples.h"
#include "cli_test_support.h"
#include "nifti_bytes.h"

namespace quorvel::cli {
namespace {

using cli_test::NiftiBytes;

struct ReadCase {
  const char* name;
  int datatype;
  bool swapped;
  double special;  // written into every 97th sample
  bool gzip = false;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ThreadedReadTest : public ::testing::TestWithParam<ReadCase> {};

// 64 x 64 x 12 voxels of 100 volumes: several of the reader's chunks (or
// blocks of volumes of a .nii.gz), the last one short.
TEST_P(ThreadedReadTest, EveryThreadCountReadsTheSameSamplesAndCounts) {
  const ReadCase& c = GetParam();
  NiftiBytes image;
  image.datatype = c.datatype;
  image.swapped = c.swapped;
  image.dim[1] = 64, image.dim[2] = 64, image.dim[3] = 12, image.dim[4] = 100;
  image.samples.resize(std::size_t{64} * 64 * 12 * 100);
  for (std::size_t i = 0; i < image.samples.size(); ++i) {
    image.samples[i] = i % 97 == 5 ? c.special : static_cast<double>((i * 7919) % 30011) - 15000;
  }
  cli_test::TempFolder folder;
  const std::string path = folder.file(c.gzip ? "run.nii.gz" : "run.nii");
  cli_test::writeFile(path, c.gzip ? cli_test::gzipped(image.bytes()) : image.bytes());

  const NiftiRun one = readNiftiRun(path, 1);
  for (unsigned threads : {2u, 3u, 8u}) {
    const NiftiRun many = readNiftiRun(path, threads);
    ASSERT_EQ(many.isInt16, one.isInt16);
    if (one.isInt16) {
      ASSERT_EQ(many.intSamples.size(), one.intSamples.size());
      EXPECT_EQ(std::memcmp(many.intSamples.data(), one.intSamples.data(),
                            one.intSamples.size() * sizeof(std::int16_t)),
                0)
          << threads << " threads";
    } else {
      ASSERT_EQ(many.floatSamples.size(), one.floatSamples.size());
      EXPECT_EQ(std::memcmp(many.floatSamples.data(), one.floatSamples.data(),
                            one.floatSamples.size() * sizeof(float)),
                0)
          << threads << " threads";
    }
    EXPECT_EQ(many.warnings, one.warnings) << threads << " threads";
    ASSERT_EQ(many.voxelMeans.size(), one.voxelMeans.size());
    EXPECT_EQ(std::memcmp(many.voxelMeans.data(), one.voxelMeans.data(),
                          one.voxelMeans.size() * sizeof(float)),
              0)
        << threads << " threads";
  }
  // Each voxel's mean kept while reading is the plug-in's mean of the
  // samples read (NaN where a sample is).
  ASSERT_EQ(one.voxelMeans.size(), one.voxelCount());
  for (std::size_t voxel = 0; voxel < one.voxelCount(); ++voxel) {
    const float expected = one.isInt16 ? analysisMean(one.intSamples.data() + voxel * 100, 100)
                                       : analysisMean(one.floatSamples.data() + voxel * 100, 100);
    if (std::isnan(expected)) {
      ASSERT_TRUE(std::isnan(one.voxelMeans[voxel])) << "voxel " << voxel;
    } else {
      ASSERT_EQ(one.voxelMeans[voxel], expected) << "voxel " << voxel;
    }
  }
  // The single thread itself against the file: voxel 5's ordinary samples.
  for (std::size_t t = 0; t < 100; ++t) {
    const std::size_t i = t * 64 * 64 * 12 + 5;
    if (i % 97 == 5) continue;
    const double got = one.isInt16 ? one.intSamples[5 * 100 + t] : one.floatSamples[5 * 100 + t];
    EXPECT_EQ(got, image.samples[i]) << "volume " << t;
  }
  const bool special = !(std::fabs(c.special) <= std::numeric_limits<float>::max());
  ASSERT_EQ(one.warnings.size(), special ? 1u : 0u);
  if (special) {
    EXPECT_NE(one.warnings[0].find("50673 of its 4915200 samples"), std::string::npos)
        << one.warnings[0];
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Types, ThreadedReadTest,
    ::testing::Values(ReadCase{"FloatWithNaN", DT_FLOAT32, false, kNaN},
                      ReadCase{"SwappedFloatWithInfinity", DT_FLOAT32, true, -kInf},
                      ReadCase{"Int16", DT_INT16, false, 32767},
                      ReadCase{"DoubleBeyondFloat", DT_FLOAT64, false, 1e300},
                      ReadCase{"CompressedFloat", DT_FLOAT32, false, kInf, true},
                      ReadCase{"CompressedInt16", DT_INT16, true, -32768, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Damage far into a compressed run, found while earlier blocks are still
// being placed on the other thread, is refused as one thread refuses it.
TEST(ThreadedReadFailureTest, DamageDeepInACompressedRunGivesOneThreadsMessage) {
  NiftiBytes image;
  image.dim[1] = 64, image.dim[2] = 64, image.dim[3] = 4, image.dim[4] = 100;
  image.samples.resize(std::size_t{64} * 64 * 4 * 100);
  for (std::size_t i = 0; i < image.samples.size(); ++i) {
    image.samples[i] = static_cast<double>((i * 7919) % 30011);
  }
  std::string bytes = cli_test::gzipped(image.bytes());
  for (std::size_t i = bytes.size() * 3 / 4; i < bytes.size() * 3 / 4 + 16; ++i) bytes[i] ^= 0x55;
  cli_test::TempFolder folder;
  const std::string path = folder.file("run.nii.gz");
  cli_test::writeFile(path, bytes);
  std::vector<std::string> messages;
  for (unsigned threads : {1u, 2u}) {
    try {
      readNiftiRun(path, threads);
      ADD_FAILURE() << "accepted with " << threads << " threads";
    } catch (const std::exception& error) {
      messages.push_back(error.what());
    }
  }
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], messages[1]);
  EXPECT_EQ(messages[0].rfind(path + ": ", 0), 0u) << messages[0];
}

// The per-voxel pass split across threads in turns of voxels and the
// per-volume sums in ranges of volumes: every number as one thread's.
TEST(ThreadedStatisticsTest, EveryThreadCountGivesTheSameNumbersBitForBit) {
  const std::size_t voxels = 3000, volumes = 37;
  std::vector<float> samples(voxels * volumes);
  std::uint32_t state = 7;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const float level = (i / volumes) % 5 == 0 ? 40.0f : 1000.0f;  // background every 5th
    samples[i] = level + static_cast<float>(state >> 20) / 64.0f;
  }
  samples[1234 * volumes + 3] = std::numeric_limits<float>::quiet_NaN();
  SampleView view;
  view.floatSamples = samples.data();
  view.voxels = voxels;
  view.volumes = volumes;
  auto bits = [](const std::optional<double>& value) {
    std::uint64_t out = 1;  // no value
    if (value) std::memcpy(&out, &*value, sizeof out);
    return out;
  };
  auto fingerprint = [&](const SampleStatistics& s) {
    std::vector<std::uint64_t> all = {s.voxelsAnalysed, bits(s.tsnrMean), bits(s.tsnrMedian),
                                      bits(s.ac12Median), bits(s.expectedDvars)};
    for (std::size_t v = 0; v < volumes; ++v) {
      for (const auto* series : {&s.dvars, &s.stdDvars, &s.globalSignal}) {
        all.push_back(bits((*series)[v]));
      }
    }
    return all;
  };
  VoxelMeans means;
  const std::vector<std::uint64_t> one = fingerprint(computeSampleStatistics(view, 1, &means));
  EXPECT_EQ(one[0], 2399u);  // 4 in 5, less the voxel whose mean is NaN
  // The plug-in's own means, as the reader keeps them, decide the same
  // voxels: the same numbers without a floor test of their own.
  std::vector<float> pluginMeans(voxels);
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    pluginMeans[voxel] = analysisMean(samples.data() + voxel * volumes, volumes);
  }
  for (unsigned threads : {2u, 3u, 7u}) {
    EXPECT_EQ(fingerprint(computeSampleStatistics(view, threads)), one) << threads << " threads";
    VoxelMeans known = testedMeans(pluginMeans, kIntensityFloor);
    EXPECT_EQ(fingerprint(computeSampleStatistics(view, threads - 1, &known)), one)
        << threads - 1 << " threads, the reader's means";
    EXPECT_EQ(known.aboveFloor, means.aboveFloor);
  }
  // The page's sample of the run from the statistics' means and mask, as
  // from its own pass over the samples.
  report::HostSamples host;
  host.floatSamples = samples.data();
  host.voxels = voxels;
  host.volumes = static_cast<int>(volumes);
  host.voxelsPerSlice = 100;
  const report::RunSamples own = report::sampleRunForReport(host, 50);
  const report::RunSamples shared = report::sampleRunForReport(host, 50, &means);
  EXPECT_EQ(shared.analysedVoxels, 2399u);
  EXPECT_EQ(shared.mask, own.mask);
  ASSERT_EQ(shared.mean.size(), own.mean.size());  // bytes: one voxel's mean is NaN
  EXPECT_EQ(std::memcmp(shared.mean.data(), own.mean.data(), own.mean.size() * sizeof(float)), 0);
  EXPECT_EQ(shared.carpet.values, own.carpet.values);
}

// A batch system's task narrows the processors by affinity; the default
// thread count follows it, not the machine's count.
TEST(ThreadCountTest, TheDefaultFollowsTheProcessorsThisProcessMayUse) {
  cpu_set_t saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &saved)) {
      CPU_SET(cpu, &one);
      break;
    }
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const unsigned narrowed = threadsFor(0), asked = threadsFor(3);
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  EXPECT_EQ(narrowed, 1u);
  EXPECT_EQ(asked, 3u);
  EXPECT_EQ(threadsFor(0), static_cast<unsigned>(CPU_COUNT(&saved)));
}

class OrderedWorkTest : public ::testing::TestWithParam<bool> {};

TEST_P(OrderedWorkTest, ResultsAndFailuresReachTheCallerInItsThread) {
  const bool ownThread = GetParam();
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<std::thread::id> ranOn(3);
  std::vector<OrderedWork<int>::Task> tasks;
  for (int i = 0; i < 3; ++i) {
    tasks.push_back([i, &ranOn]() -> int {
      ranOn[static_cast<std::size_t>(i)] = std::this_thread::get_id();
      if (i == 1) throw std::runtime_error("run.nii: not enough memory");
      return i * 10;
    });
  }
  OrderedWork<int> work(std::move(tasks), ownThread);
  EXPECT_EQ(work.take(0), 0);
  try {
    work.take(1);
    FAIL() << "the failure was lost";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "run.nii: not enough memory");
  }
  EXPECT_EQ(work.take(2), 20);
  for (const std::thread::id& id : ranOn) EXPECT_EQ(id == caller, !ownThread);
}

TEST_P(OrderedWorkTest, ResultsNeverTakenDoNotHoldTheCallerUp) {
  std::vector<OrderedWork<int>::Task> tasks(50, [] { return 1; });
  OrderedWork<int> work(std::move(tasks), GetParam());
  EXPECT_EQ(work.take(0), 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, OrderedWorkTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OwnThread" : "Caller"; });

}  // namespace
}  // namespace quorvel::cli
