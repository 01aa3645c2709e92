#include "cli/nifti/block_pipeline.h"

#include <system_error>
#include <utility>

namespace quorvel::cli {

BlockPipeline::BlockPipeline(std::size_t buffers, std::size_t bufferBytes, Place place,
                             bool ownThread)
    : place_(std::move(place)) {
  storage_.emplace_back(new unsigned char[bufferBytes]);
  if (!ownThread || buffers < 2) return;
  for (std::size_t k = 1; k < buffers; ++k) storage_.emplace_back(new unsigned char[bufferBytes]);
  for (const auto& buffer : storage_) empty_.push_back(buffer.get());
  try {
    thread_ = std::thread([this] { placeBlocks(); });
  } catch (const std::system_error&) {  // no thread to be had: the caller places
    empty_.clear();
    storage_.resize(1);
  }
}

BlockPipeline::~BlockPipeline() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    closing_ = true;
    full_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void BlockPipeline::placeBlocks() {
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    changed_.wait(hold, [this] { return closing_ || !full_.empty(); });
    if (full_.empty()) return;
    const Block block = full_.front();
    full_.pop_front();
    if (!error_) {
      hold.unlock();
      try {
        place_(block.bytes, block.first, block.count);
      } catch (...) {
        hold.lock();
        error_ = std::current_exception();
        hold.unlock();
      }
      hold.lock();
    }
    empty_.push_back(block.bytes);
    changed_.notify_all();
  }
}

unsigned char* BlockPipeline::emptyBuffer(const std::function<bool()>& meanwhile) {
  if (!thread_.joinable()) return storage_.front().get();
  std::unique_lock<std::mutex> hold(mutex_);
  for (bool more = static_cast<bool>(meanwhile); more && !error_ && empty_.empty();) {
    hold.unlock();
    more = meanwhile();
    hold.lock();
  }
  changed_.wait(hold, [this] { return error_ || !empty_.empty(); });
  if (error_) std::rethrow_exception(error_);
  unsigned char* buffer = empty_.front();
  empty_.pop_front();
  return buffer;
}

void BlockPipeline::submit(unsigned char* buffer, std::size_t first, std::size_t count) {
  if (!thread_.joinable()) {
    place_(buffer, first, count);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(mutex_);
    full_.push_back({buffer, first, count});
  }
  changed_.notify_all();
}

void BlockPipeline::finish() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (error_) std::rethrow_exception(error_);
}

}  // namespace quorvel::cli
