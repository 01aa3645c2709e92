#include "cli/base/number_text.h"

#include <sstream>

namespace quorvel::cli {

std::string numberText(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

}  // namespace quorvel::cli
