// Thresholds shared by the series routines and the voxel pass.
#ifndef QUORVEL_ANALYSIS_STATISTICS_CONSTANTS_H_
#define QUORVEL_ANALYSIS_STATISTICS_CONSTANTS_H_

namespace quorvel {

// A standard deviation must exceed this before a series is standardised,
// a volume counts as an outlier or an autocorrelation is computed.
constexpr double kDeviationFloor = 0.01;

// A voxel's mean must exceed this before it gets map values or counts;
// darker voxels are background.
constexpr double kIntensityFloor = 100.0;

// Turns the sum of a volume's two neighbours into their mean.
constexpr double kNeighbourWeight = 0.5;

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_STATISTICS_CONSTANTS_H_
