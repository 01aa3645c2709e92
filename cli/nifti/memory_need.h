// What a call says when memory runs out: the run, its size and about how
// much memory a run of that size takes, rather than a bare std::bad_alloc.
#ifndef QUORVEL_CLI_NIFTI_MEMORY_NEED_H_
#define QUORVEL_CLI_NIFTI_MEMORY_NEED_H_

#include <cstddef>
#include <string>

#include "cli/base/cli_error.h"

namespace quorvel::cli {

// About how many bytes `quorvel run` holds for a run of `voxels` voxels and
// `volumes` volumes: its samples, what is computed from them, and what is
// kept per volume for the log, the tables and the report.
double memoryNeedOfRun(std::size_t voxels, std::size_t volumes);

// "RUN: 100000000 volumes of 1 voxels need about 34.8 GB; not enough
// memory", as a run error.
CliError notEnoughMemoryFor(const std::string& runPath, std::size_t voxels, std::size_t volumes);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_MEMORY_NEED_H_
