// Two stages over a few reusable buffers: the caller's thread fills a
// buffer (decompressing a block of volumes), a thread of the pipeline's
// own places it (the transpose into the host's layout) while the caller
// fills the next. Blocks go to places of their own, so the order in which
// they are placed does not change the result.
#ifndef QUORVEL_CLI_NIFTI_BLOCK_PIPELINE_H_
#define QUORVEL_CLI_NIFTI_BLOCK_PIPELINE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel::cli {

class BlockPipeline {
 public:
  // Places the block `bytes` of volumes [first, first + count).
  using Place =
      std::function<void(const unsigned char* bytes, std::size_t first, std::size_t count)>;

  // `buffers` buffers of `bufferBytes` each when `ownThread` (and the
  // system gives a thread), else one, placed in the caller's thread.
  // Throws std::bad_alloc when the buffers do not fit in memory.
  BlockPipeline(std::size_t buffers, std::size_t bufferBytes, Place place, bool ownThread);
  // Stops after the block at hand; blocks not yet placed are dropped.
  ~BlockPipeline();
  BlockPipeline(const BlockPipeline&) = delete;
  BlockPipeline& operator=(const BlockPipeline&) = delete;

  // A buffer to fill, once one is free. While none is, calls `meanwhile`
  // (when given) until it returns false, then waits. Throws what placing
  // threw.
  unsigned char* emptyBuffer(const std::function<bool()>& meanwhile = nullptr);
  // Hands the filled `buffer` over for placing as volumes [first, first + count).
  void submit(unsigned char* buffer, std::size_t first, std::size_t count);
  // Waits until every block handed over is placed. Throws what placing threw.
  void finish();

 private:
  struct Block {
    unsigned char* bytes;
    std::size_t first, count;
  };
  void placeBlocks();

  Place place_;
  std::vector<std::unique_ptr<unsigned char[]>> storage_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<unsigned char*> empty_;
  std::deque<Block> full_;
  bool closing_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_BLOCK_PIPELINE_H_
