#include "cli/nifti/sample_scaling.h"

#include <cmath>
#include <sstream>

#include "cli/base/cli_error.h"

namespace quorvel::cli {

bool isUsableScale(double factor) { return std::isfinite(factor) && factor > 0; }

void scaleSamples(NiftiRun& run, double factor) {
  if (factor == 1.0) return;
  noravia::SampleVector<float> scaled;
  bool overflow = false;
  auto scale = [&](double sample) {
    const float product = static_cast<float>(sample * factor);
    overflow = overflow || (std::isfinite(sample) && !std::isfinite(product));
    return product;
  };
  if (run.isInt16) {
    scaled.reserve(run.intSamples.size());
    for (std::int16_t sample : run.intSamples) scaled.push_back(scale(sample));
    noravia::SampleVector<std::int16_t>().swap(run.intSamples);
    run.isInt16 = false;
  } else {
    scaled.reserve(run.floatSamples.size());
    for (float sample : run.floatSamples) scaled.push_back(scale(sample));
  }
  if (overflow) {
    std::ostringstream text;
    text << run.path << ": --scale " << factor
         << " takes samples beyond the largest float (3.4e38); use a smaller factor";
    throw inputError(text.str());
  }
  run.floatSamples = std::move(scaled);
  // The means were those of the samples as read.
  run.voxelMeans.clear();
}

}  // namespace quorvel::cli
