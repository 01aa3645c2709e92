// Text the plug-in hands to the host: log lines and message boxes.
//
// A line that carries values is formatted printf-style into one 512-byte
// message buffer first. A longer result is cut to 511 characters, never
// written past the buffer.
#ifndef QUORVEL_HOST_HOST_TEXT_H_
#define QUORVEL_HOST_HOST_TEXT_H_

#include "host/dialog_contract.h"
#include "host/host_function_table.h"

namespace quorvel {

#if defined(__GNUC__)
#define QUORVEL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define QUORVEL_PRINTF_FORMAT(f, a)
#endif

// Appends `text` to `host`'s log tab as one line.
void logText(const HostFunctions& host, const char* text);

// Formats one line into the message buffer and appends it to the log tab.
void logFormatted(const HostFunctions& host, const char* format, ...)
    QUORVEL_PRINTF_FORMAT(2, 3);

// Shows `text` in a host message box.
void showMessage(const HostFunctions& host, const char* text);

// Formats a text into the message buffer and shows it in a message box.
void showMessageFormatted(const HostFunctions& host, const char* format, ...)
    QUORVEL_PRINTF_FORMAT(2, 3);

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_TEXT_H_
