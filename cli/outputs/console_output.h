// What the command prints for people: the plug-in's log without its
// per-volume table unless asked for, one progress line per run of a
// several-run call, and one summary line per run at the end.
#ifndef QUORVEL_CLI_OUTPUTS_CONSOLE_OUTPUT_H_
#define QUORVEL_CLI_OUTPUTS_CONSOLE_OUTPUT_H_

#include <cstddef>
#include <ostream>
#include <string>

#include "cli/outputs/run_options.h"
#include "cli/outputs/run_result.h"

namespace quorvel::cli {

// Whether `line` belongs to the plug-in's per-volume table in its log: its
// heading "Number of deviating voxels ..." or a "Volume %3i: ..." row.
bool isPerVolumeTableLine(const std::string& line);

// "[3/12] sub-03_task-rest_bold: 0.4 s, 2 outlier volumes".
std::string progressLine(std::size_t number, std::size_t count, const RunResult& run,
                         double seconds);

// One line that sums up an analysed run: its name, volumes, voxels
// analysed, median TSNR, outlier and spike volumes, largest DVARS and the
// number of warnings.
std::string summaryLine(const RunResult& run);

// What `quorvel run` prints once its outputs are in place: each file
// written (on `notes`), then, unless `quiet`, a heading, one summary line
// per run and where the outputs are (on `out`; the summary lines even when
// `quiet`). `outFolder` is the folder as the user named it.
void printRunReport(const RunReport& report, const std::string& outFolder, bool quiet,
                    std::ostream& out, std::ostream& notes);

// The map's name as the plug-in gave it ("TSNR of <stem>.vtc"), with the
// name of the host's VTC replaced by that of the run the user gave.
std::string mapNameForRun(const std::string& pluginName, const std::string& vtcName,
                          const std::string& runFileName);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_CONSOLE_OUTPUT_H_
