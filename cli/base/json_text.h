// The text of the JSON files the command writes.
#ifndef QUORVEL_CLI_BASE_JSON_TEXT_H_
#define QUORVEL_CLI_BASE_JSON_TEXT_H_

#include <string>

#include <nlohmann/json.hpp>

namespace quorvel::cli {

// `document` as a file's text: indented by two, ending in a newline. File
// names and paths may hold any bytes; those of its strings that are not
// UTF-8 become U+FFFD, so the file is still written and still valid JSON.
template <class Json>
std::string jsonFileText(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_JSON_TEXT_H_
