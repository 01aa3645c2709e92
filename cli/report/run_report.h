// The run page of one analysed run, written from what `quorvel run` knows
// of it: its header, the samples the plug-in analysed, the maps, the
// quality numbers and series, and the plug-in's log.
#ifndef QUORVEL_CLI_REPORT_RUN_REPORT_H_
#define QUORVEL_CLI_REPORT_RUN_REPORT_H_

#include <filesystem>
#include <string>
#include <vector>

#include "cli/nifti/nifti_image_handle.h"
#include "cli/outputs/run_options.h"
#include "cli/outputs/run_outputs.h"
#include "cli/outputs/run_result.h"
#include "cli/quality/iqm_files.h"
#include "cli/quality/sample_view.h"
#include "cli/report/run_page.h"
#include "cli/report/run_samples.h"

namespace quorvel::cli::report {

// Everything the page is made from; the references must outlive the call.
struct RunReportSources {
  const RunResult& result;
  const nifti_image& header;        // the run's grid and voxel size
  const SampleView& samples;        // in the host's layout
  const std::vector<RunMap>& maps;  // the maps made for the run
  const AnalysisParameters& parameters;
  const std::vector<std::string>& log;  // the plug-in's log lines of the run
  // What sampleForRunPage gave for these samples, when it was made ahead
  // (on another thread); nullptr to make it here.
  const RunSamples* sampled = nullptr;
  // Make the page's pictures on threads of their own.
  bool picturesSideBySide = false;
};

// What the page takes from the samples: the mean image, the mask and the
// carpet's rows. Only reads the samples, so it may run beside the analysis.
// `known` supplies the voxels' means and mask when already computed.
RunSamples sampleForRunPage(const SampleView& samples, const nifti_image& header,
                            const VoxelMeans* known = nullptr);

// The run page's input: facts, the quality numbers with the marked ones,
// mosaics of the mean and of every map made, the traces, the carpet, the
// findings and warnings, and the run's lines of the log. The traces read
// the run's series where `sources.result` keeps them, so the input must not
// outlive it.
RunPageInput runPageInputFor(const RunReportSources& sources);

// Writes the run page to `path` (through a temporary file) and returns
// the path as text. Throws a run error naming the file when it cannot be
// written.
std::string writeRunReport(const RunReportSources& sources, const std::filesystem::path& path);

// The run page writeRunReport writes to `path`, as text. Throws the run
// error naming the file that writeRunReport throws when it cannot be made.
// Only reads its sources, so it may run beside other work.
std::string renderRunReport(const RunReportSources& sources, const std::filesystem::path& path);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_RUN_REPORT_H_
