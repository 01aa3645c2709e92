#include "cli/base/number_text.h"

#include <cstdio>
#include <sstream>

namespace quorvel::cli {

std::string numberText(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string fixedText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace quorvel::cli
