// Report inputs made up for the tests: a run with a brain-shaped mask,
// smooth maps with a few extreme voxels, and series with marked volumes.
#ifndef QUORVEL_TESTS_REPORT_SYNTHETIC_REPORT_H_
#define QUORVEL_TESTS_REPORT_SYNTHETIC_REPORT_H_

#include <string>

#include "cli/report/run_page.h"

namespace report_test {

// A run page input of nx x ny x nz voxels over `volumes` volumes, named
// `runName`, with the mean image and all three maps, four traces (spikes
// at volumes 10 and 30 counted from 1 when there are that many) and a
// carpet of at most `carpetRows` rows.
quorvel::cli::report::RunPageInput syntheticRunPage(const std::string& runName, int nx, int ny,
                                                    int nz, int volumes,
                                                    std::size_t carpetRows = 400);

}  // namespace report_test

#endif  // QUORVEL_TESTS_REPORT_SYNTHETIC_REPORT_H_
