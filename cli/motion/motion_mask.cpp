#include "cli/motion/motion_mask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quorvel::cli {

std::vector<std::uint8_t> headMaskOfMeans(const std::vector<float>& means) {
  std::vector<float> finite;
  finite.reserve(means.size());
  for (float m : means) {
    if (std::isfinite(m)) finite.push_back(m);
  }
  std::vector<std::uint8_t> mask(means.size(), 0);
  if (finite.empty()) return mask;
  const std::size_t at = (finite.size() - 1) * 98 / 100;
  std::nth_element(finite.begin(), finite.begin() + static_cast<std::ptrdiff_t>(at), finite.end());
  const float level = 0.3f * finite[at];
  if (!(level > 0.0f)) return mask;
  for (std::size_t v = 0; v < means.size(); ++v) mask[v] = means[v] > level ? 1 : 0;
  return mask;
}

}  // namespace quorvel::cli
