#include "host/host_text.h"

#include <cstdarg>
#include <cstdio>

#include "host/host_call.h"

namespace quorvel {

void logText(const char* text) { hostCall(nvLogText, text); }

void logFormatted(const char* format, ...) {
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  hostCall(nvLogText, message);
}

void showMessage(const char* text) { hostCall(nvMessageBox, text); }

void showMessageFormatted(const char* format, ...) {
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  hostCall(nvMessageBox, message);
}

}  // namespace quorvel
