// Quantiles of the standard normal distribution, for thresholds stated as
// a tail probability.
#ifndef QUORVEL_CLI_QUALITY_NORMAL_QUANTILE_H_
#define QUORVEL_CLI_QUALITY_NORMAL_QUANTILE_H_

namespace quorvel::cli {

// The z whose upper tail P(Z > z) is `probability` (in (0, 1)), to about
// 1e-12.
double upperNormalQuantile(double probability);

// P(Z > z) of the standard normal distribution.
double upperNormalTail(double z);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_NORMAL_QUANTILE_H_
