// A host function table for unit tests of one layer, with no host loaded
// and none of the library's process-wide pointers touched.
//
// While a FakeHost lives, its table() keeps every log line and message box
// text in order and answers the dialog's parameters and the plug-ins folder
// from its fields; entries it does not fake stay null, as for a host that
// lacks them. The table holds plain function pointers, which carry no
// object, so they reach the one living FakeHost through a static.
#ifndef QUORVEL_TESTS_SUPPORT_FAKE_HOST_FUNCTIONS_H_
#define QUORVEL_TESTS_SUPPORT_FAKE_HOST_FUNCTIONS_H_

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host_function_table.h"

namespace quorvel_test {

class FakeHost {
 public:
  FakeHost() {
    living() = this;
    table_.logText = [](const char* text) {
      living()->log_.emplace_back(text);
      return 1;
    };
    table_.messageBox = [](const char* text) {
      living()->messageBoxes_.emplace_back(text);
      return 1;
    };
    table_.getStringParameter = [](const char* name, char* value) {
      const auto& parameters = living()->stringParameters;
      const auto found = parameters.find(name);
      if (found == parameters.end()) return 0;
      std::memcpy(value, found->second.c_str(), found->second.size() + 1);
      return 1;
    };
    table_.setStringParameter = [](const char* name, const char* value) {
      living()->stringParameters[name] = value;
      return 1;
    };
    table_.getIntParameter = [](const char* name) {
      const auto& parameters = living()->intParameters;
      const auto found = parameters.find(name);
      return found == parameters.end() ? 0 : found->second;
    };
    table_.getFloatParameter = [](const char* name) {
      const auto& parameters = living()->floatParameters;
      const auto found = parameters.find(name);
      return found == parameters.end() ? 0.0 : found->second;
    };
    table_.getPluginsPath = [](char* path) {
      const std::string& folder = living()->pluginsPath;
      std::memcpy(path, folder.c_str(), folder.size() + 1);
      return 1;
    };
  }
  ~FakeHost() { living() = nullptr; }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The table to hand to the code under test.
  const quorvel::HostFunctions& table() const { return table_; }
  // The table with entry point `member` taken away, as a host lacking it.
  template <typename Fn>
  quorvel::HostFunctions without(Fn quorvel::HostFunctions::*member) const {
    quorvel::HostFunctions lacking = table_;
    lacking.*member = nullptr;
    return lacking;
  }

  // Log lines so far, in order.
  const std::vector<std::string>& log() const { return log_; }
  // Message box texts so far, in order.
  const std::vector<std::string>& messageBoxes() const { return messageBoxes_; }

  // The dialog's parameters by name; a missing one reads as the host's
  // "failed" answer (0, or the buffer left as it was).
  std::map<std::string, std::string> stringParameters;
  std::map<std::string, int> intParameters;
  std::map<std::string, double> floatParameters;
  // The plug-ins folder the host reports.
  std::string pluginsPath;

 private:
  static FakeHost*& living() {
    static FakeHost* host = nullptr;
    return host;
  }

  quorvel::HostFunctions table_;
  std::vector<std::string> log_;
  std::vector<std::string> messageBoxes_;
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SUPPORT_FAKE_HOST_FUNCTIONS_H_
