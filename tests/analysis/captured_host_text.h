// Stands in for the host's log tab and message box in unit tests that run
// without a host: while a CapturedHostText lives, every line the plug-in
// logs or shows is kept in order.
#ifndef QUORVEL_TESTS_ANALYSIS_CAPTURED_HOST_TEXT_H_
#define QUORVEL_TESTS_ANALYSIS_CAPTURED_HOST_TEXT_H_

#include <string>
#include <vector>

#include "host/host_functions.h"

namespace quorvel_test {

class CapturedHostText {
 public:
  CapturedHostText()
      : savedLog_(quorvel::nvLogText), savedBox_(quorvel::nvMessageBox) {
    lines().clear();
    boxes().clear();
    quorvel::nvLogText = [](const char* text) {
      lines().emplace_back(text);
      return 1;
    };
    quorvel::nvMessageBox = [](const char* text) {
      boxes().emplace_back(text);
      return 1;
    };
  }
  ~CapturedHostText() {
    quorvel::nvLogText = savedLog_;
    quorvel::nvMessageBox = savedBox_;
  }
  CapturedHostText(const CapturedHostText&) = delete;
  CapturedHostText& operator=(const CapturedHostText&) = delete;

  // Log lines so far, in order.
  const std::vector<std::string>& log() const { return lines(); }
  // Message box texts so far, in order.
  const std::vector<std::string>& messageBoxes() const { return boxes(); }

 private:
  static std::vector<std::string>& lines() {
    static std::vector<std::string> kept;
    return kept;
  }
  static std::vector<std::string>& boxes() {
    static std::vector<std::string> kept;
    return kept;
  }

  quorvel::LogTextFn savedLog_;
  quorvel::MessageBoxFn savedBox_;
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_ANALYSIS_CAPTURED_HOST_TEXT_H_
