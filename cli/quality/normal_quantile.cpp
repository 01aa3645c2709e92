#include "cli/quality/normal_quantile.h"

#include <cmath>

namespace quorvel::cli {

double upperNormalTail(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

double upperNormalQuantile(double probability) {
  // A start within 5e-4 (Abramowitz & Stegun 26.2.23) on the smaller tail,
  // then Newton's steps on the tail itself.
  const double p = probability < 0.5 ? probability : 1.0 - probability;
  const double t = std::sqrt(-2.0 * std::log(p));
  double z = t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                     (1.0 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t);
  const double pi = std::acos(-1.0);
  for (int step = 0; step < 4; ++step) {
    const double density = std::exp(-0.5 * z * z) / std::sqrt(2.0 * pi);
    z += (upperNormalTail(z) - p) / density;
  }
  return probability < 0.5 ? z : -z;
}

}  // namespace quorvel::cli
