// Files that appear complete or not at all: each output is written under a
// temporary name in its own folder and renamed into place once every byte
// is on disk.
#ifndef QUORVEL_CLI_BASE_ATOMIC_FILE_H_
#define QUORVEL_CLI_BASE_ATOMIC_FILE_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::cli {

// The start of the name of every temporary file and folder a quorvel
// process makes in a folder it writes, which clearStaleTemporaries knows.
inline constexpr char kTemporaryPrefix[] = ".quorvel-tmp-";

// "<kTemporaryPrefix><this process's id>": the name of this process's
// staging folders, and the start of its temporary files' names.
std::string processTemporaryName();

// A temporary name beside `finalPath` that ends with (the last 64 bytes
// of) its file name, so libraries that choose the format from the
// extension still see it, that starts with a dot, so folder listings skip
// it, and that is no longer than a short final name.
std::filesystem::path temporaryPathFor(const std::filesystem::path& finalPath);

// Renames `temporaryPath` onto `finalPath`. On failure removes the
// temporary file and throws a run error naming `finalPath`.
void commitTemporaryFile(const std::filesystem::path& temporaryPath,
                         const std::filesystem::path& finalPath);

// Writes `contents` to `finalPath` through a temporary file. Throws a run
// error naming the file when any step fails; nothing is left behind then.
void writeFileAtomically(const std::filesystem::path& finalPath, const std::string& contents);

// Writes `contents` to `finalPath` through a temporary file that is read
// back and compared with `contents` before the rename, without waiting for
// the disk (a staging folder flushes its files when it is committed).
// Throws a run error naming the file and the failed step; nothing is left
// behind then.
void writeCheckedFileAtomically(const std::filesystem::path& finalPath, std::string_view contents);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_ATOMIC_FILE_H_
