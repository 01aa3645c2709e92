// The carpet plot: the analysed voxels' standardised time courses as rows
// of grey pixels, one column per volume.
#ifndef QUORVEL_CLI_REPORT_CARPET_PLOT_H_
#define QUORVEL_CLI_REPORT_CARPET_PLOT_H_

#include <string>

#include "cli/report/raster_image.h"
#include "cli/report/run_samples.h"

namespace quorvel::cli::report {

// Standardised values from -kCarpetRange (black) to +kCarpetRange (white).
constexpr double kCarpetRange = 2.5;

// One grey pixel per row and volume of `carpet`.
RasterImage carpetPicture(const CarpetRows& carpet);

// SVG rectangles, one per run of rows from the same slice, alternating two
// greys, in a strip `width` wide at (`left`, `top`) and `height` high; each
// names its slice on hover.
std::string sliceStripSvg(const CarpetRows& carpet, double left, double top, double width,
                          double height);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_CARPET_PLOT_H_
