// Work split into numbered blocks that threads take in turns: each thread
// takes the next block when it has finished one, so a thread that shares
// its processor with the plug-in does fewer blocks rather than finishing
// last. Which thread does a block never changes what the block computes.
#ifndef QUORVEL_CLI_QUALITY_BLOCK_TURNS_H_
#define QUORVEL_CLI_QUALITY_BLOCK_TURNS_H_

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <mutex>

#include "cli/base/thread_shares.h"

namespace quorvel::cli {

// Calls work(scratch, block) for every block < `blocks`, on up to `threads`
// threads; each thread first makes its own scratch with makeScratch(), and
// hands it to finish(scratch) once no block is left (one thread at a time).
template <typename MakeScratch, typename Work, typename Finish>
void runBlocksInTurns(std::size_t blocks, unsigned threads, MakeScratch makeScratch, Work work,
                      Finish finish) {
  const unsigned shares =
      static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(threads, blocks)));
  std::atomic<std::size_t> next{0};
  std::mutex finishing;
  runShares(shares, [&](unsigned) {
    auto scratch = makeScratch();
    for (std::size_t block = next++; block < blocks; block = next++) work(scratch, block);
    std::lock_guard<std::mutex> hold(finishing);
    finish(scratch);
  });
}

// The same with nothing to finish.
template <typename MakeScratch, typename Work>
void runBlocksInTurns(std::size_t blocks, unsigned threads, MakeScratch makeScratch, Work work) {
  runBlocksInTurns(blocks, threads, makeScratch, work, [](auto&) {});
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_BLOCK_TURNS_H_
