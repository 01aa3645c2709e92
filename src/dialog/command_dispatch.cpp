#include "dialog/command_dispatch.h"

#include <cstring>

#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

constexpr int kCommandBufferSize = 104;

}  // namespace

bool dispatchCommand() {
  char command[kCommandBufferSize] = "";
  hostCall(nvGetStringParameter, "Command", command);
  command[kCommandBufferSize - 1] = '\0';
  hostCall(nvShowLogPane);
  logFormatted("Plugin>  Command received: %s", command);
  logFormatted("Plugin>  Received unknown command: \"%s\".", command);
  return true;
}

}  // namespace quorvel
