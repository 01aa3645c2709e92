#include "cli/quality/temporal_iqms.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "cli/quality/block_turns.h"
#include "cli/quality/course_moments.h"
#include "cli/quality/course_shares.h"
#include "cli/quality/normal_quantile.h"
#include "cli/quality/order_statistics.h"
#include "cli/quality/run_quality.h"
#include "cli/quality/sample_statistics.h"

namespace quorvel::cli {
namespace {

// nipype's TSNR leaves 0 where the standard deviation is at most this.
constexpr double kFlatDeviation = 1.0e-3;
// compute_dvars brings the median intensity to this.
constexpr double kNormalisedMedian = 1000.0;
// 3dToutcount's tail probability over a course.
constexpr double kOutlierTail = 0.001;
// 3dToutcount refuses shorter courses.
constexpr std::size_t kFewestOutlierVolumes = 5;
// Per-volume sums run over blocks of voxels added in block order, at most
// this many blocks whatever the run's size.
constexpr std::size_t kMostBlocks = 256;
constexpr std::size_t kFewestBlockVoxels = 512;
// The exact median of every sample takes a histogram of the top 16 bits
// of their order-preserving keys, then a selection inside one bin.
constexpr std::size_t kKeyBins = 1u << 16;

std::optional<double> finiteOrEmpty(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

// A key whose unsigned order is the floats' order (-0 just below +0).
std::uint32_t orderKey(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x80000000u) != 0 ? ~bits : (bits | 0x80000000u);
}

// The per-volume sums of one block of voxels.
struct BlockSums {
  std::vector<double> squaredSteps;     // of x_v - x_v-1, voxels with a spread
  std::vector<double> standardSteps;    // of (x_v - x_v-1) / predicted sd
  std::vector<double> unitCourse;       // of the voxels' unit-length courses
  std::vector<std::uint32_t> outliers;  // voxels beyond their threshold
  double predictedSdSum = 0;            // over voxels with a spread
  std::size_t spread = 0;               // voxels whose quartiles differ
  std::size_t standardised = 0;         // of those, with a predicted sd above 0
};

// Per thread: a course as floats, a copy to select in, the selection's
// second buffer, the histogram of sample keys, and eight mask voxels'
// courses side by side with the voxels.
struct PassScratch {
  std::vector<float> course, ordered, spare;
  std::vector<std::uint64_t> keyCounts;
  std::vector<double> lanes;
  std::size_t group[kCourseLanes];
  std::size_t grouped = 0;
};

// The median of `values[0, n)` (the mean of the two middle values of an
// even count), which it reorders; `spare` holds n values.
double medianOf(float* values, std::size_t n, float* spare) {
  const std::size_t upper = n / 2, lower = n % 2 == 1 ? upper : upper - 1;
  const auto [low, high] = selectTwoRanks(values, n, lower, upper, spare);
  return (static_cast<double>(low) + static_cast<double>(high)) / 2.0;
}

template <typename Sample>
class MaskPass {
 public:
  MaskPass(const Sample* samples, std::size_t volumes, const VoxelMask& mask, std::size_t first)
      : samples_(samples), volumes_(volumes), mask_(mask), first_(first), n_(volumes - first) {
    const std::size_t voxels = mask.size();
    blockVoxels_ = std::max(kFewestBlockVoxels, (voxels + kMostBlocks - 1) / kMostBlocks);
    blocks_ = (voxels + blockVoxels_ - 1) / blockVoxels_;
    sums_.resize(blocks_);
    median_.assign(voxels, 0.0);
    // Each mask voxel's place among the mask's voxels, for its TSNR.
    place_.assign(voxels, 0);
    for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
      if (mask[voxel] == 0) continue;
      place_[voxel] = maskVoxels_++;
    }
    tsnr_.assign(maskVoxels_, 0.0);
    threshold_ = outlierThreshold(n_);
  }

  void run(unsigned threads) {
    keyCounts_.assign(kKeyBins, 0);
    runBlocksInTurns(
        blocks_, threads,
        [this] {
          PassScratch scratch;
          scratch.course.resize(n_);
          scratch.ordered.resize(n_);
          scratch.spare.resize(n_);
          scratch.keyCounts.assign(kKeyBins, 0);
          scratch.lanes.resize(kCourseLanes * n_);
          return scratch;
        },
        [this](PassScratch& scratch, std::size_t block) { runBlock(scratch, block); },
        [this](PassScratch& scratch) {
          for (std::size_t bin = 0; bin < kKeyBins; ++bin)
            keyCounts_[bin] += scratch.keyCounts[bin];
        });
  }

  TemporalIqms result(unsigned threads) {
    TemporalIqms iqms;
    const std::size_t t = volumes_;
    iqms.dvarsStdSeries.assign(t, std::nullopt);
    iqms.dvarsNstdSeries.assign(t, std::nullopt);
    iqms.dvarsVstdSeries.assign(t, std::nullopt);
    iqms.aorSeries.assign(t, std::nullopt);
    if (maskVoxels_ == 0) {
      iqms.medianImage = std::move(median_);
      return iqms;
    }
    const double voxels = static_cast<double>(maskVoxels_);
    iqms.tsnr = median(tsnr_);
    if (iqms.tsnr) iqms.tsnr = finiteOrEmpty(*iqms.tsnr);
    iqms.intensityMedian = sampleMedian(threads);

    // Sums over blocks, in block order.
    std::vector<double> squaredSteps(t, 0.0), standardSteps(t, 0.0), unitCourse(t, 0.0);
    std::vector<std::uint64_t> outliers(t, 0);
    double predictedSdSum = 0;
    std::size_t spread = 0, standardised = 0;
    for (const BlockSums& block : sums_) {
      for (std::size_t v = 0; v < t; ++v) {
        squaredSteps[v] += block.squaredSteps[v];
        standardSteps[v] += block.standardSteps[v];
        unitCourse[v] += block.unitCourse[v];
        outliers[v] += block.outliers[v];
      }
      predictedSdSum += block.predictedSdSum;
      spread += block.spread;
      standardised += block.standardised;
    }

    if (n_ >= 2 && spread > 0) {
      const double meanPredictedSd = predictedSdSum / static_cast<double>(spread);
      std::vector<std::optional<double>> std, nstd, vstd;
      for (std::size_t v = first_ + 1; v < t; ++v) {
        const double raw = std::sqrt(squaredSteps[v] / static_cast<double>(spread));
        if (meanPredictedSd > 0) iqms.dvarsStdSeries.set(v, finiteOrEmpty(raw / meanPredictedSd));
        if (iqms.intensityMedian && *iqms.intensityMedian != 0) {
          iqms.dvarsNstdSeries.set(
              v, finiteOrEmpty(raw * kNormalisedMedian / std::fabs(*iqms.intensityMedian)));
        }
        if (standardised > 0) {
          iqms.dvarsVstdSeries.set(
              v, finiteOrEmpty(std::sqrt(standardSteps[v] / static_cast<double>(standardised))));
        }
      }
      iqms.dvarsStd = meanOfPresent(iqms.dvarsStdSeries);
      iqms.dvarsNstd = meanOfPresent(iqms.dvarsNstdSeries);
      iqms.dvarsVstd = meanOfPresent(iqms.dvarsVstdSeries);
    }
    if (n_ >= 2) {
      double gcor = 0;
      for (std::size_t v = first_; v < t; ++v) {
        const double g = unitCourse[v] / voxels;
        gcor += g * g;
      }
      iqms.gcor = finiteOrEmpty(gcor);
    }
    if (n_ >= kFewestOutlierVolumes) {
      for (std::size_t v = 0; v < t; ++v) {
        iqms.aorSeries.set(v, static_cast<double>(outliers[v]) / voxels);
      }
      const OptionalSeries steady(iqms.aorSeries.begin() + static_cast<long>(first_),
                                  iqms.aorSeries.end());
      iqms.aor = meanOfPresent(steady);
    }
    iqms.medianImage = std::move(median_);
    return iqms;
  }

 private:
  void runBlock(PassScratch& scratch, std::size_t block) {
    const std::size_t t = volumes_;
    BlockSums& sums = sums_[block];
    sums.squaredSteps.assign(t, 0.0);
    sums.standardSteps.assign(t, 0.0);
    sums.unitCourse.assign(t, 0.0);
    sums.outliers.assign(t, 0);
    const std::size_t end = std::min(mask_.size(), (block + 1) * blockVoxels_);
    for (std::size_t voxel = block * blockVoxels_; voxel < end; ++voxel) {
      if (mask_[voxel] != 0) {
        scratch.group[scratch.grouped++] = voxel;
        if (scratch.grouped == kCourseLanes) maskVoxels(scratch, sums);
      } else {
        const Sample* course = samples_ + voxel * volumes_ + first_;
        // Every sample is exactly a float, so the selection runs on floats.
        float* x = scratch.ordered.data();
        for (std::size_t v = 0; v < n_; ++v) x[v] = static_cast<float>(course[v]);
        median_[voxel] = medianOf(x, n_, scratch.spare.data());
      }
    }
    if (scratch.grouped > 0) maskVoxels(scratch, sums);
  }

  // The grouped mask voxels' medians and shares of every sum, in voxel
  // order; a short group repeats its first voxel in the lanes it lacks.
  void maskVoxels(PassScratch& scratch, BlockSums& sums) {
    const Sample* courses[kCourseLanes];
    for (std::size_t k = 0; k < kCourseLanes; ++k) {
      const std::size_t voxel = scratch.group[k < scratch.grouped ? k : 0];
      courses[k] = samples_ + voxel * volumes_ + first_;
    }
    const CourseMoments moments = courseMoments(courses, n_, scratch.lanes.data());
    for (std::size_t k = 0; k < scratch.grouped; ++k) {
      maskVoxel(scratch, sums, scratch.group[k], moments.mean[k], moments.squares[k],
                moments.lagged[k]);
    }
    scratch.grouped = 0;
  }

  // One mask voxel's median and share of every sum, given its course's
  // moments.
  void maskVoxel(PassScratch& scratch, BlockSums& sums, std::size_t voxel, double mean,
                 double squares, double lagged) {
    const std::size_t t = volumes_, n = n_;
    const Sample* all = samples_ + voxel * t;
    const Sample* course = all + first_;
    float* x = scratch.course.data();
    for (std::size_t v = 0; v < n; ++v) {
      x[v] = static_cast<float>(course[v]);
      ++scratch.keyCounts[orderKey(x[v]) >> 16];
    }
    // TSNR with the population standard deviation, as nipype's TSNR.
    const double sd = std::sqrt(squares / static_cast<double>(n));
    tsnr_[place_[voxel]] = sd > kFlatDeviation ? mean / sd : 0.0;

    // The "lower" quartiles, and the median.
    const double last = static_cast<double>(n - 1);
    std::copy(x, x + n, scratch.ordered.data());
    const auto [q1, q3] =
        selectTwoRanks(scratch.ordered.data(), n, static_cast<std::size_t>(std::floor(0.25 * last)),
                       static_cast<std::size_t>(std::floor(0.75 * last)), scratch.spare.data());
    std::copy(x, x + n, scratch.ordered.data());
    const double centre = medianOf(scratch.ordered.data(), n, scratch.spare.data());
    median_[voxel] = centre;

    // The robust sd from the "lower" quartiles and the Yule-Walker AR(1)
    // coefficient predict the sd of a step (compute_dvars).
    if (n >= 2 && q3 > q1) {
      const double phi = squares > 0 ? lagged / squares : 0.0;
      const double predicted = (static_cast<double>(q3) - static_cast<double>(q1)) / 1.349 *
                               std::sqrt(2.0 * (1.0 - phi));
      ++sums.spread;
      sums.predictedSdSum += predicted;
      const bool standardised = predicted > 0;
      if (standardised) ++sums.standardised;
      const double inverse = standardised ? 1.0 / predicted : 0.0;
      addSteps(x, n, inverse, sums.squaredSteps.data() + first_,
               sums.standardSteps.data() + first_);
    }

    // The course scaled to unit length after its mean is removed (GCOR).
    if (squares > 0) {
      addUnitCourse(x, n, mean, 1.0 / std::sqrt(squares), sums.unitCourse.data() + first_);
    }

    // 3dToutcount: the MAD about the median of the steady-state samples;
    // every volume's sample beyond the threshold is an outlier.
    if (n >= kFewestOutlierVolumes) {
      // Distances rounded to floats keep their order.
      float* distance = scratch.ordered.data();
      for (std::size_t v = 0; v < n; ++v) {
        distance[v] = static_cast<float>(std::fabs(static_cast<double>(x[v]) - centre));
      }
      const double mad = medianOf(distance, n, scratch.spare.data());
      if (mad > 0) {
        countOutliers(all, t, centre, threshold_ * mad, sums.outliers.data());
      }
    }
  }

  // The median of every steady-state sample in the mask: the bins of the
  // two middle ranks from the histogram, then a selection among the
  // samples of those bins.
  std::optional<double> sampleMedian(unsigned threads) const {
    const std::uint64_t total = static_cast<std::uint64_t>(maskVoxels_) * n_;
    if (total == 0) return std::nullopt;
    const std::uint64_t ranks[2] = {(total - 1) / 2, total / 2};
    std::size_t bins[2];
    std::uint64_t below[2];
    for (int r = 0; r < 2; ++r) {
      std::uint64_t counted = 0;
      std::size_t bin = 0;
      while (counted + keyCounts_[bin] <= ranks[r]) counted += keyCounts_[bin++];
      bins[r] = bin;
      below[r] = counted;
    }
    std::vector<std::vector<float>> found(blocks_);
    runBlocksInTurns(
        blocks_, threads, [] { return 0; },
        [&](int, std::size_t block) {
          const std::size_t end = std::min(mask_.size(), (block + 1) * blockVoxels_);
          for (std::size_t voxel = block * blockVoxels_; voxel < end; ++voxel) {
            if (mask_[voxel] == 0) continue;
            const Sample* course = samples_ + voxel * volumes_ + first_;
            for (std::size_t v = 0; v < n_; ++v) {
              const float value = static_cast<float>(course[v]);
              const std::size_t bin = orderKey(value) >> 16;
              if (bin == bins[0] || bin == bins[1]) found[block].push_back(value);
            }
          }
        });
    std::vector<float> inBins;
    for (const std::vector<float>& part : found)
      inBins.insert(inBins.end(), part.begin(), part.end());
    const auto byKey = [](float a, float b) { return orderKey(a) < orderKey(b); };
    const auto lowAt = inBins.begin() + static_cast<long>(ranks[0] - below[0]);
    std::nth_element(inBins.begin(), lowAt, inBins.end(), byKey);
    const double low = static_cast<double>(*lowAt);
    const double high =
        ranks[1] == ranks[0]
            ? low
            : static_cast<double>(*std::min_element(lowAt + 1, inBins.end(), byKey));
    return finiteOrEmpty((low + high) / 2.0);
  }

  const Sample* samples_;
  std::size_t volumes_;
  const VoxelMask& mask_;
  std::size_t first_, n_;
  std::size_t maskVoxels_ = 0;
  std::vector<std::size_t> place_;
  VoxelImage median_;
  std::size_t blockVoxels_ = 0, blocks_ = 0;
  double threshold_ = 0;
  std::vector<BlockSums> sums_;
  std::vector<double> tsnr_;
  std::vector<std::uint64_t> keyCounts_;
};

template <typename Sample>
TemporalIqms iqmsOf(const Sample* samples, std::size_t volumes, const VoxelMask& mask,
                    std::size_t first, unsigned threads) {
  MaskPass<Sample> pass(samples, volumes, mask, first);
  pass.run(threads);
  return pass.result(threads);
}

}  // namespace

double outlierThreshold(std::size_t volumes) {
  return upperNormalQuantile(kOutlierTail / static_cast<double>(volumes)) *
         std::sqrt(0.5 * std::acos(-1.0));
}

TemporalIqms temporalIqms(const SampleView& samples, const VoxelMask& mask, std::size_t firstVolume,
                          unsigned threads) {
  if (samples.empty() || firstVolume >= samples.volumes || mask.size() != samples.voxels) {
    TemporalIqms none;
    none.dvarsStdSeries.assign(samples.volumes, std::nullopt);
    none.dvarsNstdSeries = none.dvarsVstdSeries = none.aorSeries = none.dvarsStdSeries;
    none.medianImage.assign(samples.voxels, 0.0);
    return none;
  }
  return samples.int16Samples != nullptr
             ? iqmsOf(samples.int16Samples, samples.volumes, mask, firstVolume, threads)
             : iqmsOf(samples.floatSamples, samples.volumes, mask, firstVolume, threads);
}

}  // namespace quorvel::cli
