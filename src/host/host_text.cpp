#include "host/host_text.h"

#include <cstdarg>
#include <cstdio>

#include "host/host_call.h"

namespace quorvel {

void logText(const HostFunctions& host, const char* text) {
  hostCall(host.logText, text);
}

void logFormatted(const HostFunctions& host, const char* format, ...) {
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  hostCall(host.logText, message);
}

void showMessage(const HostFunctions& host, const char* text) {
  hostCall(host.messageBox, text);
}

void showMessageFormatted(const HostFunctions& host, const char* format, ...) {
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  hostCall(host.messageBox, message);
}

}  // namespace quorvel
