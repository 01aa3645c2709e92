#include "cli/report/carpet_plot.h"

#include <algorithm>
#include <cmath>

#include "cli/report/html_text.h"

namespace quorvel::cli::report {

RasterImage carpetPicture(const CarpetRows& carpet) {
  RasterImage image = RasterImage::blank(carpet.volumes, static_cast<int>(carpet.rows()), 1);
  const float scale = static_cast<float>(127.5 / kCarpetRange);
  for (std::size_t i = 0; i < image.pixels.size() && i < carpet.values.size(); ++i) {
    const float level = std::clamp(127.5f + carpet.values[i] * scale, 0.0f, 255.0f);
    image.pixels[i] = static_cast<std::uint8_t>(level);
  }
  return image;
}

std::string sliceStripSvg(const CarpetRows& carpet, double left, double top, double width,
                          double height) {
  std::string svg;
  const std::size_t rows = carpet.rows();
  if (rows == 0) return svg;
  const double rowHeight = height / static_cast<double>(rows);
  int shade = 0;
  for (std::size_t first = 0; first < rows;) {
    std::size_t end = first;
    while (end < rows && carpet.slices[end] == carpet.slices[first]) ++end;
    svg += "<rect class=\"slice-group\" x=\"" + fixed(left) + "\" y=\"" +
           fixed(top + static_cast<double>(first) * rowHeight, 2) + "\" width=\"" + fixed(width) +
           "\" height=\"" + fixed(static_cast<double>(end - first) * rowHeight, 2) + "\" fill=\"" +
           (shade ? "#8a8f98" : "#c9ced6") +
           "\"><title>slice z = " + std::to_string(carpet.slices[first]) + " (" +
           std::to_string(end - first) + (end - first == 1 ? " voxel" : " voxels") +
           " shown)</title></rect>";
    shade = 1 - shade;
    first = end;
  }
  return svg;
}

}  // namespace quorvel::cli::report
