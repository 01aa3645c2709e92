// A call's outputs appear together: they are written into a private
// staging folder inside the output folder and moved into place at the end,
// once every one of them is complete.
#ifndef QUORVEL_CLI_OUTPUTS_OUTPUT_STAGE_H_
#define QUORVEL_CLI_OUTPUTS_OUTPUT_STAGE_H_

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/outputs/step_hook.h"

namespace quorvel::cli {

// Name of this process's staging folder, ".quorvel-tmp-<process id>": short,
// since the host's VTC paths, and so the plug-in's CSV paths, run through it.
std::string stagingFolderName();

// Moves every file of the staging folder `staged` (quorvel's own temporary
// files aside) into `outFolder` under its own name. A staged
// dataset_description.json does not replace one that quorvel did not
// write. Throws a run error naming the file that could not be put in place.
// `atStep` reaches "move" after each file.
void moveStagedFiles(const std::filesystem::path& staged, const std::filesystem::path& outFolder,
                     const StepHook& atStep = {});

// Name of the record, inside a staging folder, of the files staged there:
// the names, each ended by a NUL byte (a file name may hold any other byte).
// It is flushed with them before the stage is marked complete, so that a
// leftover stage is finished with what this tool staged and nothing else.
constexpr const char kStagedFilesRecordName[] = ".quorvel-staged";

// Finishes the commit of the complete stage `staged` that a stopped quorvel
// process left in `outFolder`: moves into place only the files its record
// names, and of those only regular files of this user, never over one of
// `inputs` (the paths the current call reads). A stage that is not a folder
// of this user, or holds no usable record, is left as it is. Says on `err`
// what it did not move and why; returns whether the stage may be removed.
bool finishLeftoverStage(const std::filesystem::path& staged,
                         const std::filesystem::path& outFolder,
                         const std::vector<std::string>& inputs, std::ostream& err);

class OutputStage {
 public:
  // Makes the staging folder in `outFolder`; a leftover of an earlier
  // process with this id goes first. Throws a run error when it cannot be
  // made.
  explicit OutputStage(const std::filesystem::path& outFolder);
  // Removes the staging folder with what is still in it: outputs of a call
  // that failed never appear.
  ~OutputStage();

  OutputStage(const OutputStage&) = delete;
  OutputStage& operator=(const OutputStage&) = delete;

  // Where the outputs are written until they are committed.
  const std::filesystem::path& folder() const { return folder_; }

  // `text` with the staging folder's path, as it appears in the host's VTC
  // paths, replaced by the output folder's: what the log shows is where
  // the files end up.
  std::string withFinalPaths(std::string text) const;

  // Puts every staged file into the output folder: records their names,
  // flushes them to disk, marks the stage complete by renaming its folder to
  // ".quorvel-tmp-<process id>.ready", then renames each file into place.
  // A complete stage whose moves were cut short (the process was killed)
  // is finished by the next command into the folder. Throws a run error
  // naming the file that could not be put in place. `atStep` reaches
  // "commit" once the stage is marked complete, then "move" after each file.
  void commit(const StepHook& atStep = {});

 private:
  std::filesystem::path outFolder_;
  std::filesystem::path folder_;
  std::string stagedPrefix_, finalPrefix_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_OUTPUT_STAGE_H_
