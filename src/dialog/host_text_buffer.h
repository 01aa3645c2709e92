// Buffers the host fills with a text without being told their size.
#ifndef QUORVEL_DIALOG_HOST_TEXT_BUFFER_H_
#define QUORVEL_DIALOG_HOST_TEXT_BUFFER_H_

#include <cstddef>
#include <vector>

#include "host/dialog_contract.h"

namespace quorvel {

// Bytes of a buffer that receives a command name or a path chosen in a host
// file dialog: room for the longest paths the platforms allow, far more than
// any command name of the dialog.
constexpr std::size_t kHostTextBufferSize = 32768;
static_assert(kHostTextBufferSize >= kCommandBufferSize &&
                  kHostTextBufferSize >= kChosenPathBufferSize,
              "the host may fill a buffer up to its agreed size");

// A zero-filled buffer of `size` bytes for the host to fill.
inline std::vector<char> makeHostBuffer(std::size_t size) {
  return std::vector<char>(size, '\0');
}

// Ends the text the host wrote into `buffer` within the buffer, whatever the
// host wrote.
inline void terminateHostText(std::vector<char>& buffer) {
  if (!buffer.empty()) buffer.back() = '\0';
}

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_HOST_TEXT_BUFFER_H_
