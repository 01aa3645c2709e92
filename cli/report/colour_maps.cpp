#include "cli/report/colour_maps.h"

#include <cmath>
#include <cstdio>

namespace quorvel::cli::report {
namespace {

std::uint8_t toByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  return static_cast<std::uint8_t>(std::lround(v * 255.0));
}

// Viridis as a degree-6 polynomial per channel: within one level of 8 bits
// of the published table, and no 256-row table to keep.
Rgb viridis(double t) {
  static const double c[7][3] = {{0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
                                 {0.1050930431085774, 1.404613529898575, 1.384590162594685},
                                 {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
                                 {-4.634230498983486, -5.799100973351585, -19.33244095627987},
                                 {6.228269936347081, 14.17993336680509, 56.69055260068105},
                                 {4.776384997670288, -13.74514537774601, -65.35303263337234},
                                 {-5.435455855934631, 4.645852612178535, 26.3124352495832}};
  double rgb[3];
  for (int k = 0; k < 3; ++k) {
    double s = 0.0;
    for (int i = 6; i >= 0; --i) s = s * t + c[i][k];
    rgb[k] = s;
  }
  return Rgb{toByte(rgb[0]), toByte(rgb[1]), toByte(rgb[2])};
}

// The eleven steps of the diverging red-blue scheme of cartographers,
// from dark blue through near-white to dark red, interpolated linearly.
Rgb blueWhiteRed(double t) {
  static const Rgb steps[11] = {{0x05, 0x30, 0x61}, {0x21, 0x66, 0xac}, {0x43, 0x93, 0xc3},
                                {0x92, 0xc5, 0xde}, {0xd1, 0xe5, 0xf0}, {0xf7, 0xf7, 0xf7},
                                {0xfd, 0xdb, 0xc7}, {0xf4, 0xa5, 0x82}, {0xd6, 0x60, 0x4d},
                                {0xb2, 0x18, 0x2b}, {0x67, 0x00, 0x1f}};
  const double at = t * 10.0;
  const int i = at >= 10.0 ? 9 : static_cast<int>(at);
  const double f = at - i;
  auto mix = [f](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
  };
  return Rgb{mix(steps[i].r, steps[i + 1].r), mix(steps[i].g, steps[i + 1].g),
             mix(steps[i].b, steps[i + 1].b)};
}

}  // namespace

Rgb colourAt(ColourMap map, double t) {
  if (!(t > 0.0)) t = 0.0;
  if (t > 1.0) t = 1.0;
  switch (map) {
    case ColourMap::kViridis:
      return viridis(t);
    case ColourMap::kBlueWhiteRed:
      return blueWhiteRed(t);
    case ColourMap::kGrey:
      break;
  }
  const std::uint8_t v = toByte(t);
  return Rgb{v, v, v};
}

std::string cssColour(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
  return text;
}

}  // namespace quorvel::cli::report
