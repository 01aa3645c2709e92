// The colour maps of the report: viridis for maps of one sign, a
// blue-white-red map for signed values, grey for images of intensity. All
// read the same to colour-blind readers and in print on grey.
#ifndef QUORVEL_CLI_REPORT_COLOUR_MAPS_H_
#define QUORVEL_CLI_REPORT_COLOUR_MAPS_H_

#include <array>
#include <cstdint>
#include <string>

namespace quorvel::cli::report {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

enum class ColourMap { kGrey, kViridis, kBlueWhiteRed };

// The colour at position `t` of `map`: 0 is the low end, 1 the high end
// (for kBlueWhiteRed: 0 dark blue, 0.5 white, 1 dark red). `t` outside
// 0..1 is clamped, NaN gives the low end.
Rgb colourAt(ColourMap map, double t);

// "#rrggbb" of `colour`, for CSS and SVG.
std::string cssColour(Rgb colour);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_COLOUR_MAPS_H_
