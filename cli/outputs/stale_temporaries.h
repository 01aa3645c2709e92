// Temporary files and folders that quorvel processes killed before their
// end left behind, cleared by the next command that uses the folder.
#ifndef QUORVEL_CLI_OUTPUTS_STALE_TEMPORARIES_H_
#define QUORVEL_CLI_OUTPUTS_STALE_TEMPORARIES_H_

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel::cli {

// Clears in `folder` what processes that no longer run left there: staging
// folders ".quorvel-tmp-<pid>" (removed) and ".quorvel-tmp-<pid>.ready"
// (whose outputs are first moved into place, finishing that command's
// commit, as finishLeftoverStage does: never over one of `inputs`), the
// command's temporary files ".quorvel-tmp-<pid>-...", and the
// plug-in's ".quorvel-csv.saving.<pid>" and "Quorvel1_0.js.saving.<pid>".
// Anything of a process that still runs is left alone. Meant to be called
// under the folder's lock; says on `err` what it finished or removed.
void clearStaleTemporaries(const std::filesystem::path& folder,
                           const std::vector<std::string>& inputs, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_STALE_TEMPORARIES_H_
